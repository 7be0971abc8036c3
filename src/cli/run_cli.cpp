#include "cli/run_cli.h"

#include "analysis/tables.h"
#include "common/choice_switches.h"
#include "convert/conversion.h"
#include "results/state_map.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace q9xz {

namespace {

constexpr const char* USAGE =
    "Usage: q9xz-convert [-f | -l] [--map FILE.svg [--map-mode MODE] [--map-band BAND]]\n"
    "                    INPUT [OUTPUT]\n"
    "       q9xz-convert [-f | -l] [--map FILE.svg [--map-mode MODE] [--map-band BAND]]\n"
    "                    -o OUTPUT INPUT...\n"
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
    "  --          every later argument is a file name\n"
    "\n"
    "OUTPUT defaults to INPUT with its extension replaced by .CSV.\n"
    "A log named - is read from standard input; OUTPUT must then be named.\n"
    "Exit status: 0 done, 1 a file could not be opened, read or written, 2 wrong usage.\n";

constexpr const char* MAP_FAILED = "Could not write the map file.";
// How the lines name an output that goes to standard output.
constexpr const char* STANDARD_OUTPUT = "(standard output)";

struct CliRequest {
    ConvertOptions options;
    std::vector<std::string> files;
    std::optional<std::string> output; // -o
    std::optional<std::string> map_path;
    MapOptions map;
    std::string map_option; // the first --map-mode or --map-band given
    bool help = false;
    bool version = false;
};

template <std::size_t N> std::string listed(const std::array<std::string_view, N>& names) {
    std::string text;
    for (std::string_view name : names)
        text.append(text.empty() ? "" : ", ").append(name);
    return text;
}

// Parses the arguments; on a wrong usage, nullopt and `problem` says what was wrong.
std::optional<CliRequest> parse_arguments(const std::vector<std::string>& arguments,
                                          std::string& problem) {
    CliRequest request;
    ChoiceSwitches choice;
    bool options_done = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_done || argument == "-" || argument.empty() || argument[0] != '-') {
            request.files.push_back(argument);
            continue;
        }
        const auto option = std::find_if(CLI_OPTIONS.begin(), CLI_OPTIONS.end(),
                                         [&](const CliOption& o) { return o.name == argument; });
        if (option == CLI_OPTIONS.end()) {
            problem = argument + " is not an option";
            return std::nullopt;
        }
        std::string value;
        if (!option->value.empty()) {
            if (i + 1 == arguments.size()) {
                problem = argument + " needs a value: " + std::string(option->value);
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if ((argument == "--map-mode" || argument == "--map-band") && request.map_option.empty())
            request.map_option = argument;
        if (argument == "-o") {
            if (request.output) {
                problem = "-o given twice: there is one OUTPUT";
                return std::nullopt;
            }
            request.output = value;
        } else if (argument == "--map") {
            request.map_path = value;
        } else if (argument == "--map-mode") {
            const std::optional<ModeColumn> column = map_mode_column(value);
            if (!column) {
                problem =
                    value + " is not a mode column; the mode columns are " + listed(mode_names);
                return std::nullopt;
            }
            request.map.column = *column;
        } else if (argument == "--map-band") {
            request.map.band = map_band(value);
            if (!request.map.band) {
                problem = value + " is not a band; the bands are " + listed(band_names);
                return std::nullopt;
            }
        } else if (argument == "--") {
            options_done = true;
        } else if (argument == "-h" || argument == "--help") {
            request.help = true;
        } else if (argument == "--version") {
            request.version = true;
        } else {
            choice.take(argument); // the options left are the choice switches
        }
    }
    if (request.help || request.version)
        return request;
    if (!request.map_path && !request.map_option.empty()) {
        problem = request.map_option + " needs --map FILE";
        return std::nullopt;
    }
    if (request.files.empty()) {
        problem = "no INPUT log given";
        return std::nullopt;
    }
    if (!request.output && request.files.size() > 2) {
        problem =
            request.files[2] +
            ": one file name too many (INPUT and OUTPUT at most; several logs need -o OUTPUT)";
        return std::nullopt;
    }
    if (request.files.front() == STANDARD_INPUT && !request.output && request.files.size() == 1) {
        problem = "name the spreadsheet when the log is standard input";
        return std::nullopt;
    }
    if (!request.output && request.files.size() == 2 && has_log_name(request.files[1])) {
        // Two logs typed without -o: the second must never be emptied for the spreadsheet.
        problem = request.files[1] +
                  " looks like an ADIF log, not a spreadsheet; to convert several logs into one "
                  "spreadsheet, name it with -o OUTPUT";
        return std::nullopt;
    }
    request.options.choice = choice.choice();
    return request;
}

std::string_view folder_separators() {
    return std::filesystem::path::preferred_separator == '\\' ? "\\/" : "/";
}

// Reports a failed file on standard error: what was wrong, then the program's own text.
int file_failure(std::ostream& out, std::ostream& err, const std::string& problem,
                 std::string_view text) {
    out.flush();
    err << problem << '\n' << text << '\n';
    return 1;
}

// A log named twice would count its contacts twice and name its problem lines by two spellings:
// it is read once, at its first place. Standard input is the same log only as another "-" (a
// file named "-" is not it).
void drop_repeated_logs(std::vector<std::string>& logs, std::ostream& err) {
    const auto same_log = [](const std::string& a, const std::string& b) {
        if (a == STANDARD_INPUT || b == STANDARD_INPUT)
            return a == b;
        return same_file(a, b);
    };
    for (std::size_t i = 1; i < logs.size();) {
        const auto earlier =
            std::find_if(logs.begin(), logs.begin() + i,
                         [&](const std::string& log) { return same_log(log, logs[i]); });
        if (earlier == logs.begin() + i) {
            ++i;
            continue;
        }
        err << logs[i] << " is named twice; it is read once\n";
        logs.erase(logs.begin() + i);
    }
}

} // namespace

int run_cli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
            std::FILE* standard_input) {
    std::string problem;
    std::optional<CliRequest> request = parse_arguments(arguments, problem);
    if (!request) {
        err << problem << '\n' << USAGE;
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
    drop_repeated_logs(logs, err);
    // How lines and messages name the logs: standard input by words, not by its "-".
    std::vector<std::string> names = logs;
    std::replace(names.begin(), names.end(), std::string(STANDARD_INPUT),
                 std::string(STANDARD_INPUT_NAME));
    // Every file is checked, every log opened, before anything is read or written.
    ConversionFiles files = open_conversion_files(logs, output_path, standard_input);
    if (files.result == ConversionFiles::INPUT_FAILED)
        return file_failure(out, err, files.problem, "Could not open ADIF input file.");
    if (files.result == ConversionFiles::OUTPUT_FAILED)
        return file_failure(out, err, files.problem, "Could not open CSV output file.");
    std::unique_ptr<OutputFile> map_file;
    if (request->map_path) {
        const std::string& map_path = *request->map_path;
        if (output_names_a_log(map_path, logs, standard_input))
            return file_failure(out, err, "the map names the log itself", MAP_FAILED);
        if (same_outputs(map_path, output_path))
            return file_failure(out, err, "the map names the spreadsheet", MAP_FAILED);
        problem = log_refusal(map_path, "the map");
        if (problem.empty())
            map_file = OutputFile::open(map_path, problem);
        if (!map_file)
            return file_failure(out, err, problem, MAP_FAILED);
    }
    // A spreadsheet or a map on standard output is not mixed with the lines: they go to
    // standard error.
    const bool sheet_to_standard_output = files.output->is_standard_output();
    const bool map_to_standard_output = map_file && map_file->is_standard_output();
    std::ostream& lines = sheet_to_standard_output || map_to_standard_output ? err : out;

    // Problem lines are printed as they come, so that no log, however broken, fills the memory.
    const ConvertOptions& options = request->options;
    std::size_t problem_lines = 0;
    // With several logs, problem lines name their log by the path as given.
    ConversionResult result =
        run_conversion(log_inputs(files, names), options, [&](std::string_view line) {
            lines << line << '\n';
            ++problem_lines;
        });
    if (problem_lines > 0 && !result.not_a_log)
        lines << '\n';
    if (result.read_failed) {
        std::size_t failed = 0;
        while (failed + 1 < logs.size() && !files.inputs[failed]->failed())
            ++failed;
        return file_failure(out, err,
                            file_problem(names[failed], files.inputs[failed]->read_error()),
                            "Could not read ADIF input file.");
    }
    if (result.not_a_log) {
        // Nothing is written: the old spreadsheet and map stay as they were.
        lines.flush();
        err << not_a_log_text(names[*result.not_a_log]) << '\n';
        return 1;
    }
    files.inputs.clear();

    const bool written = save(std::move(files.output), result.csv, problem);
    for (const std::string& line : shown_lines(result.lists))
        lines << line << '\n';
    if (!written)
        return file_failure(out, err, problem, "Could not write CSV output file.");
    if (result.written != 0)
        lines << completion_text(result.written, result.lotw_confirmed,
                                 sheet_to_standard_output ? STANDARD_OUTPUT : output_path)
              << '\n';
    out.flush();
    if (result.written == 0)
        err << no_contact_note(names) << '\n';

    if (map_file) {
        MapOptions map = request->map;
        map.choice = choice_label(options.choice);
        if (!save(std::move(map_file), draw_state_map(result.tally, map), problem))
            return file_failure(out, err, problem, MAP_FAILED);
        err << "Map: " << (map_to_standard_output ? STANDARD_OUTPUT : *request->map_path) << '\n';
    }
    return 0;
}

} // namespace q9xz
