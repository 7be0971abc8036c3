#include "cli/run_cli.h"

#include "convert/conversion.h"
#include "results/state_map.h"

#include <filesystem>
#include <optional>

namespace q9xz {

namespace {

constexpr const char* USAGE =
    "Usage: q9xz-convert [-f | -l] INPUT [OUTPUT]\n"
    "Creates a spreadsheet of the 2014 Q9XZ contacts in the ADIF log INPUT.\n"
    "\n"
    "  -f          keep the first (earliest) contact of each slot\n"
    "  -l, -L      show LOTW where a contact was confirmed through LoTW\n"
    "              (default: keep the last (latest) contact of each slot)\n"
    "  --map FILE.svg      also draw the worked states as an SVG map\n"
    "  --map-mode MODE     the map's mode column: CW, DIG or PH (default: all modes)\n"
    "  --map-band BAND     the map's band, such as 20m (default: all bands)\n"
    "  --version   print the program's version\n"
    "  -h, --help  print this help\n"
    "\n"
    "OUTPUT defaults to INPUT with its extension replaced by .CSV.\n"
    "Exit status: 0 done, 1 a file could not be opened or written, 2 wrong usage.\n";

struct CliRequest {
    ConvertOptions options;
    std::vector<std::string> files;
    std::optional<std::string> map_path;
    MapOptions map;
    bool help = false;
    bool version = false;
};

// Parses the arguments; nullopt for a wrong usage.
std::optional<CliRequest> parse_arguments(const std::vector<std::string>& arguments) {
    CliRequest request;
    bool first = false;
    bool lotw = false;
    bool options_done = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        if (!options_done && argument == "--map") {
            if (!has_value)
                return std::nullopt;
            request.map_path = arguments[++i];
        } else if (!options_done && argument == "--map-mode") {
            std::optional<ModeColumn> column =
                has_value ? map_mode_column(arguments[++i]) : std::nullopt;
            if (!column)
                return std::nullopt;
            request.map.column = *column;
        } else if (!options_done && argument == "--map-band") {
            std::optional<int> band = has_value ? map_band(arguments[++i]) : std::nullopt;
            if (!band)
                return std::nullopt;
            request.map.band = band;
        } else if (options_done || argument == "-" || argument.empty() || argument[0] != '-') {
            request.files.push_back(argument);
        } else if (argument == "--") {
            options_done = true;
        } else if (argument == "-f") {
            first = true;
        } else if (argument == "-l" || argument == "-L") {
            lotw = true;
        } else if (argument == "-h" || argument == "--help") {
            request.help = true;
        } else if (argument == "--version") {
            request.version = true;
        } else {
            return std::nullopt;
        }
    }
    if (request.help || request.version)
        return request;
    if (request.files.empty() || request.files.size() > 2)
        return std::nullopt;
    // LoTW wins over First, as on the window's command line.
    set_choice(request.options, lotw ? Choice::LoTW : first ? Choice::First : Choice::Last);
    return request;
}

std::string_view folder_separators() {
    return std::filesystem::path::preferred_separator == '\\' ? "\\/" : "/";
}

} // namespace

int run_cli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::optional<CliRequest> request = parse_arguments(arguments);
    if (!request) {
        err << USAGE;
        return 2;
    }
    if (request->help) {
        out << USAGE;
        return 0;
    }
    if (request->version) {
        out << "q9xz-convert " << Q9XZ_VERSION_TEXT << "\n";
        return 0;
    }

    const std::string& input_path = request->files[0];
    const std::string output_path = request->files.size() == 2
                                        ? request->files[1]
                                        : proposed_csv_path(input_path, folder_separators());
    ConversionFiles files = open_conversion_files(input_path, output_path);
    if (files.result == ConversionFiles::INPUT_FAILED) {
        err << "Could not open ADIF input file.\n";
        return 1;
    }
    if (files.result == ConversionFiles::OUTPUT_FAILED) {
        err << "Could not open CSV output file.\n";
        return 1;
    }

    ConvertOptions& options = request->options;
    const ConversionResult result = run_conversion(*files.input, options);
    const bool written = write_and_close(std::move(files.output), result.csv);

    for (const std::string& line : shown_lines(result.lists))
        out << line << '\n';
    if (!written) {
        out.flush();
        err << "Could not write CSV output file.\n";
        return 1;
    }
    if (request->map_path) {
        MapOptions map = request->map;
        map.choice = choice_label(options);
        const std::string svg = draw_state_map(result.tally.get(), map);
        UniqueFile map_file{std::fopen(request->map_path->c_str(), "wb")};
        if (!map_file || !write_and_close(std::move(map_file), svg)) {
            err << "Could not write the map file.\n";
            return 1;
        }
    }
    if (result.written != 0)
        out << completion_text(result.written, options.lotw_confirmed_count, output_path) << '\n';
    return 0;
}

} // namespace q9xz
