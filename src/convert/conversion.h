#pragma once

#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"
#include "common/line_reader.h"
#include "convert/convert_adif.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace q9xz {

// What one Convert command produces once its files are open.
struct ConversionResult {
    MessageLists lists;       // problems (2) and summary lines (0)
    std::string csv;          // the spreadsheet's bytes
    std::int32_t written = 0; // non-empty cells written
    StateTally tally;         // the filled tally, for pictures of it
};

// Converts the log, makes the spreadsheet text and the summary lines; sets the options' LoTW
// count. The caller writes `csv` to its file.
ConversionResult run_conversion(LineReader& input, ConvertOptions& options);
// The same for several logs tallied together (see convert_ADIF).
ConversionResult run_conversion(std::span<const LogInput> logs, ConvertOptions& options);

// The lines as the window's list box shows them: list 2, list 1, list 0, each oldest line first
// and followed by an empty line when it is not empty.
std::vector<std::string> shown_lines(const MessageLists& lists);

// "Wrote N Q9XZ QSOs to PATH", with the LoTW count appended when it is not 0; cut to 259
// characters. Shown only when `written` is not 0.
std::string completion_text(std::int32_t written, std::int32_t lotw_count,
                            const std::string& csv_path);

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr)
            std::fclose(file);
    }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The files of a Convert command. Every log is opened first, in order; the spreadsheet is
// opened (and emptied) only when all logs are open and none is the same file, so a failed
// Convert never loses the user's data.
struct ConversionFiles {
    enum Result { OK, INPUT_FAILED, OUTPUT_FAILED } result = OK;
    std::vector<std::unique_ptr<LineReader>> inputs; // one per log, in the order given
    UniqueFile output;
};
ConversionFiles open_conversion_files(const std::vector<std::string>& adif_paths,
                                      const std::string& csv_path);

// The opened logs of `files`, named for their problem lines, for run_conversion.
std::vector<LogInput> log_inputs(const ConversionFiles& files,
                                 const std::vector<std::string>& names);

// Writes the bytes and closes the file; false when either failed (for instance a full disk).
bool write_and_close(UniqueFile file, const std::string& bytes);

// The spreadsheet name proposed for a log: everything from the last "." of its base name on
// replaced by ".CSV", or ".CSV" appended when the base name has none. `separators` are the
// characters that end a folder name ("/" here, "\\/" on Windows).
std::string proposed_csv_path(const std::string& adif_path, std::string_view separators);

} // namespace q9xz
