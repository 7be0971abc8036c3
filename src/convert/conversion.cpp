#include "convert/conversion.h"

#include "common/native_path.h"
#include "common/system_error.h"
#include "convert/convert_adif.h"
#include "results/csv_writer.h"
#include "results/summary.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace q9xz {

ConversionResult run_conversion(LineReader& input, const ConvertOptions& options,
                                std::function<void(std::string_view)> problem_sink) {
    const LogInput log{&input, {}};
    return run_conversion(std::span<const LogInput>(&log, 1), options, std::move(problem_sink));
}

ConversionResult run_conversion(std::span<const LogInput> logs, const ConvertOptions& options,
                                std::function<void(std::string_view)> problem_sink) {
    ConversionResult result;
    result.lists.problem_sink = std::move(problem_sink);
    TalliedLogs read = convert_ADIF(logs, options, result.lists);
    result.tally = read.tally;
    result.last_header = std::move(read.last_header);
    const auto failed = std::find_if(logs.begin(), logs.end(),
                                     [](const LogInput& log) { return log.reader->failed(); });
    if (failed != logs.end()) {
        // A partial tally would be taken for the whole of the logs: no spreadsheet and no
        // summary. The line names the log when there are several, as its problem lines do.
        result.read_failed = true;
        std::string line = logs.size() > 1 ? failed->name + ": " : std::string();
        line += READ_FAILED_LINE;
        end_problem_lines(result.lists, line);
        result.lists.problem_sink = nullptr;
        return result;
    }
    end_problem_lines(result.lists);
    result.lists.problem_sink = nullptr;
    const auto none = std::find_if(logs.begin(), logs.end(),
                                   [](const LogInput& log) { return !log.reader->saw_tag(); });
    if (none != logs.end()) {
        result.not_a_log = static_cast<std::size_t>(none - logs.begin());
        return result;
    }
    const StateTally& tally = result.tally;
    write_CSV_header(result.csv);
    for (std::int32_t selector : {1, 0}) {
        const CsvCells cells = write_CSV_rows(result.csv, tally, selector);
        result.written += cells.written;
        result.lotw_confirmed += cells.lotw_confirmed;
    }
    summarize_modes(result.lists, tally, 1);
    add_summary_line(result.lists, "");
    summarize_bands(result.lists, tally, 1);
    summarize_needed(result.lists, tally, options.choice == Choice::LOTW);
    return result;
}

std::string not_a_log_text(const std::string& name) {
    return name + ": no ADIF data found; is it an ADIF log?";
}

std::string no_contact_note(const std::vector<std::string>& names) {
    std::string note;
    for (std::size_t i = 0; i < names.size(); ++i)
        note.append(i == 0 ? "" : ", ").append(names[i]);
    return note + ": no 2014 Q9XZ contact went into the spreadsheet";
}

std::vector<std::string> shown_lines(const MessageLists& lists) {
    std::vector<std::string> lines;
    for (const MessageLines* list : shown_order(lists)) {
        // Lists hold their newest line first; show them in the order they were added.
        const std::size_t first = lines.size();
        for (const std::string& line : *list)
            lines.push_back(line);
        if (lines.size() == first)
            continue;
        std::reverse(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
        lines.emplace_back();
    }
    return lines;
}

std::string completion_text(std::int32_t written, std::int32_t lotw_count,
                            const std::string& csv_path) {
    // The window formats this into 260 bytes.
    constexpr std::size_t LIMIT = 259;
    std::string text = "Wrote ";
    text += std::to_string(written);
    text += " Q9XZ QSOs to ";
    text += csv_path;
    if (lotw_count != 0) {
        text += '\n';
        text += std::to_string(lotw_count);
        text += " QSOs were confirmed via LoTW";
    }
    if (text.size() > LIMIT)
        text.resize(LIMIT);
    return text;
}

std::unique_ptr<LineReader> open_log(const std::string& path, std::string& problem) {
    std::error_code error;
    if (std::filesystem::is_directory(path_of(path), error)) {
        problem = path + ": is a folder";
        return nullptr;
    }
    errno = 0;
    std::unique_ptr<LineReader> log = LineReader::open(path);
    if (!log)
        problem = file_problem(path, errno != 0 ? errno : ENOENT);
    return log;
}

namespace {

// `problem`, the refusal of `path` just made, in the system's own words when it is the system's
// refusal (its errno text) rather than ours ("is a folder"). Called before any other call.
std::string in_system_words(const std::string& path, const std::string& problem) {
    const unsigned long system_error = last_system_error();
    const int error = errno;
    if (error != 0 && problem == file_problem(path, error))
        return path + ": " + system_message(error, system_error);
    return problem;
}

} // namespace

bool output_names_a_log(const std::string& output, const std::vector<std::string>& adif_paths,
                        std::FILE* standard_input) {
    return std::any_of(adif_paths.begin(), adif_paths.end(), [&](const std::string& path) {
        return standard_input != nullptr && path == STANDARD_INPUT
                   ? output_is_stream_file(output, standard_input)
                   : output_is_file(output, path);
    });
}

ConversionFiles open_conversion_files(const std::vector<std::string>& adif_paths,
                                      const std::string& csv_path, std::FILE* standard_input) {
    ConversionFiles files;
    for (const std::string& path : adif_paths) {
        if (standard_input != nullptr && path == STANDARD_INPUT) {
            files.inputs.push_back(std::make_unique<LineReader>(standard_input));
            continue;
        }
        files.inputs.push_back(open_log(path, files.problem));
        if (!files.inputs.back()) {
            files.system_problem = in_system_words(path, files.problem);
            files.inputs.clear();
            files.result = ConversionFiles::INPUT_FAILED;
            return files;
        }
    }
    if (output_names_a_log(csv_path, adif_paths, standard_input)) {
        files.problem = OUTPUT_IS_LOG;
        files.system_problem = csv_path + ": " + std::string(OUTPUT_IS_LOG);
        files.result = ConversionFiles::OUTPUT_FAILED;
    } else if (std::string refusal = log_refusal(csv_path, "the spreadsheet"); !refusal.empty()) {
        files.problem = std::move(refusal);
        files.system_problem = files.problem;
        files.output_is_a_log = true;
        files.result = ConversionFiles::OUTPUT_FAILED;
    } else {
        files.output = OutputFile::open(csv_path, files.problem);
        if (!files.output) {
            files.system_problem = in_system_words(csv_path, files.problem);
            files.result = ConversionFiles::OUTPUT_FAILED;
        }
    }
    if (files.result != ConversionFiles::OK)
        files.inputs.clear();
    return files;
}

std::vector<LogInput> log_inputs(const ConversionFiles& files,
                                 const std::vector<std::string>& names) {
    std::vector<LogInput> logs;
    for (std::size_t i = 0; i < files.inputs.size(); ++i)
        logs.push_back({files.inputs[i].get(), i < names.size() ? names[i] : std::string()});
    return logs;
}

bool save(std::unique_ptr<OutputFile> file, std::string_view bytes, std::string& problem) {
    if (!file) {
        problem = "no file to write";
        return false;
    }
    file->write(bytes);
    return file->commit(problem);
}

std::string proposed_csv_path(const std::string& adif_path, std::string_view separators) {
    const std::size_t folder_end = adif_path.find_last_of(separators);
    const std::size_t base = folder_end == std::string::npos ? 0 : folder_end + 1;
    const std::size_t dot = adif_path.rfind('.');
    if (dot == std::string::npos || dot < base)
        return adif_path + ".CSV";
    return adif_path.substr(0, dot) + ".CSV";
}

} // namespace q9xz
