#pragma once

#include "adif/line_reader.h"
#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"
#include "convert/convert_adif.h"
#include "convert/output_file.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// The last problem line of a conversion whose log could not be read to its end.
inline constexpr std::string_view READ_FAILED_LINE =
    "ERROR: Could not read the whole ADIF input file.";

// What one Convert command produces once its files are open.
struct ConversionResult {
    MessageLists lists;              // problem and summary lines
    std::string csv;                 // the spreadsheet's bytes
    std::int32_t written = 0;        // non-empty cells written
    std::int32_t lotw_confirmed = 0; // "LOTW" cells among them
    StateTally tally{};              // the filled tally, for pictures of it
    LogHeader last_header;           // the header of the last log read
    bool read_failed = false; // the log could not be read to its end: no spreadsheet, no summary
    // The log (its index among the logs) in which no ADIF tag stands anywhere: it is refused,
    // with no spreadsheet and no summary.
    std::optional<std::size_t> not_a_log;
};

// What the refusal of a file that is no log says; `name` as the user gave it.
std::string not_a_log_text(const std::string& name);
// The note when no contact went into the spreadsheet: the logs' names, then the text.
std::string no_contact_note(const std::vector<std::string>& names);

// Converts the log, makes the spreadsheet text and the summary lines. The caller writes `csv` to
// its file. Problem lines go to `problem_sink` as they come when it is set, else into the
// problem list (at most MAX_KEPT_PROBLEMS of them, then one line that counts
// the rest). A failed read ends the problem lines with READ_FAILED_LINE and leaves `csv` empty;
// a log that is none (not_a_log) leaves `csv` empty too.
ConversionResult run_conversion(LineReader& input, const ConvertOptions& options,
                                std::function<void(std::string_view)> problem_sink = {});
// The same for several logs tallied together (see convert_ADIF). A log that cannot be read to
// its end fails the whole conversion: the logs after it are not read.
ConversionResult run_conversion(std::span<const LogInput> logs, const ConvertOptions& options,
                                std::function<void(std::string_view)> problem_sink = {});

// The lines as the window's list box shows them (see shown_order).
std::vector<std::string> shown_lines(const MessageLists& lists);

// "Wrote N Q9XZ QSOs to PATH", with the LoTW count appended when it is not 0; cut to 259
// characters. Shown only when `written` is not 0.
std::string completion_text(std::int32_t written, std::int32_t lotw_count,
                            const std::string& csv_path);

// Opens a log for reading; nullptr, with `problem` set ("PATH: reason", "PATH: is a folder"),
// when it cannot.
std::unique_ptr<LineReader> open_log(const std::string& path, std::string& problem);

// The problem line of an output that names the log itself.
inline constexpr std::string_view OUTPUT_IS_LOG = "the output names the log itself";

// The name that stands for standard input among the converter's logs, and how its lines name it.
inline constexpr std::string_view STANDARD_INPUT = "-";
inline constexpr std::string_view STANDARD_INPUT_NAME = "(standard input)";

// True when `output` (the spreadsheet or the map) names one of the logs, however spelled; a log
// named STANDARD_INPUT is the file `standard_input` reads, when there is one.
bool output_names_a_log(const std::string& output, const std::vector<std::string>& adif_paths,
                        std::FILE* standard_input);

// The files of a Convert command. Every log is opened first, in order, then the spreadsheet is
// made ready (not yet touched) when it is none of the logs and not a log at all. `problem` says
// what was wrong, in one line, when the result is not OK. With `standard_input`, a log named
// STANDARD_INPUT is read from it (the converter; one log at most), and the reader takes it over.
// The windows pass none: there "-" is a file.
struct ConversionFiles {
    enum Result { OK, INPUT_FAILED, OUTPUT_FAILED } result = OK;
    std::string problem;
    // The same in the system's own words where it has its own (Windows), for the window.
    std::string system_problem;
    bool output_is_a_log = false; // the spreadsheet was refused as a log (see log_refusal)
    std::vector<std::unique_ptr<LineReader>> inputs; // one per log, in the order given
    std::unique_ptr<OutputFile> output;
};
ConversionFiles open_conversion_files(const std::vector<std::string>& adif_paths,
                                      const std::string& csv_path,
                                      std::FILE* standard_input = nullptr);

// The opened logs of `files`, named for their problem lines, for run_conversion.
std::vector<LogInput> log_inputs(const ConversionFiles& files,
                                 const std::vector<std::string>& names);

// Writes the bytes as the file's text; false, with `problem` set, when that failed (for instance
// on a full disk), and then the old file is as it was unless the problem says it may be
// incomplete (a file written in place).
bool save(std::unique_ptr<OutputFile> file, std::string_view bytes, std::string& problem);

// The spreadsheet name proposed for a log: everything from the last "." of its base name on
// replaced by ".CSV", or ".CSV" appended when the base name has none. `separators` are the
// characters that end a folder name ("/" here, "\\/" on Windows).
std::string proposed_csv_path(const std::string& adif_path, std::string_view separators);

} // namespace q9xz
