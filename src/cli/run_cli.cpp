#include "cli/run_cli.h"

#include "common/text.h"
#include "convert/conversion.h"
#include "results/state_map.h"

#include <filesystem>
#include <optional>

namespace q9xz {

namespace {

constexpr const char* USAGE =
    "Usage: q9xz-convert [-f | -l] INPUT [OUTPUT]\n"
    "       q9xz-convert [-f | -l] -o OUTPUT INPUT...\n"
    "Creates a spreadsheet of the 2014 Q9XZ contacts in the ADIF log INPUT, or in several\n"
    "logs tallied together.\n"
    "\n"
    "  -o OUTPUT   the spreadsheet; every file name is then a log, read in the order given\n"
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
    std::optional<std::string> output; // -o
    std::optional<std::string> map_path;
    MapOptions map;
    bool help = false;
    bool version = false;
};

// An ADIF log's name: it ends in ".adi" or ".adif", in any letter case.
bool looks_like_log(std::string_view name) {
    const auto ends_with = [name](std::string_view end) {
        return name.size() >= end.size() &&
               equals_ignore_case(name.substr(name.size() - end.size()), end);
    };
    return ends_with(".adi") || ends_with(".adif");
}

// Parses the arguments; nullopt for a wrong usage, with `problem` set when it says more than
// the usage text.
std::optional<CliRequest> parse_arguments(const std::vector<std::string>& arguments,
                                          std::string& problem) {
    CliRequest request;
    bool first = false;
    bool lotw = false;
    bool options_done = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        if (!options_done && argument == "-o") {
            if (!has_value || request.output)
                return std::nullopt;
            request.output = arguments[++i];
        } else if (!options_done && argument == "--map") {
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
    if (request.files.empty() || (!request.output && request.files.size() > 2))
        return std::nullopt;
    if (!request.output && request.files.size() == 2 && looks_like_log(request.files[1])) {
        // Two logs typed without -o: the second must never be emptied for the spreadsheet.
        problem = request.files[1] +
                  " looks like an ADIF log, not a spreadsheet; to convert several logs into one "
                  "spreadsheet, name it with -o OUTPUT";
        return std::nullopt;
    }
    // LoTW wins over First, as on the window's command line.
    set_choice(request.options, lotw ? Choice::LoTW : first ? Choice::First : Choice::Last);
    return request;
}

std::string_view folder_separators() {
    return std::filesystem::path::preferred_separator == '\\' ? "\\/" : "/";
}

} // namespace

int run_cli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::string problem;
    std::optional<CliRequest> request = parse_arguments(arguments, problem);
    if (!request) {
        if (!problem.empty())
            err << problem << '\n';
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

    std::vector<std::string> logs = request->files;
    std::string output_path;
    if (request->output) {
        output_path = *request->output;
    } else if (logs.size() == 2) {
        output_path = logs.back();
        logs.pop_back();
    } else {
        output_path = proposed_csv_path(logs.front(), folder_separators());
    }
    // Every log is opened before the spreadsheet is touched.
    ConversionFiles files = open_conversion_files(logs, output_path);
    if (files.result == ConversionFiles::INPUT_FAILED) {
        err << "Could not open ADIF input file.\n";
        return 1;
    }
    if (files.result == ConversionFiles::OUTPUT_FAILED) {
        err << "Could not open CSV output file.\n";
        return 1;
    }

    ConvertOptions& options = request->options;
    // Problem lines name their log by the path as given.
    const ConversionResult result = run_conversion(log_inputs(files, logs), options);
    files.inputs.clear();
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
