#pragma once

#include "common/file_replacement.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace q9xz {

// "PATH: the system's reason" for an errno value, the form every file problem is told in.
std::string file_problem(const std::string& path, int error);

// True for a log's name: it ends in ".adi", ".adif" or ".adx", in any letter case.
bool has_log_name(std::string_view name);

// Why `path` must not be written as `what` ("the spreadsheet", "the map") because it is a log:
// its name is a log's, or it is an existing regular file that holds <EOH> or <EOR> near its
// start. Empty when it may be written. A pipe or a device is not read for this, and a file that
// cannot be read is not taken for a log.
std::string log_refusal(const std::string& path, std::string_view what);

// The descriptor an output name stands for: "-" (standard output), /dev/stdout, /dev/stderr,
// /dev/fd/N and /proc/self/fd/N, recognised by their spelling (repeated separators and "."
// folders aside).
std::optional<int> output_descriptor(std::string_view name);

// A file the program writes (the spreadsheet, the map). Opened before the log is read, so that
// a file that cannot be written is reported before any work is done; its text is collected by
// write() and written by commit() once it is complete, through FileSlot: whole or not at all
// where the file is ours to replace, in place elsewhere, directly to a descriptor, a device or a
// pipe. Dropped without a commit, it leaves everything as it was.
class OutputFile {
  public:
    // nullptr, with `problem` set ("PATH: reason", "PATH: is a folder"), when `path` cannot be
    // written.
    static std::unique_ptr<OutputFile> open(const std::string& path, std::string& problem);

    // Adds bytes to the text.
    bool write(std::string_view bytes);

    // Writes the whole text. False, with `problem` set, when that failed; the old file is then as
    // it was, except where it is written in place and the problem says it may be incomplete.
    bool commit(std::string& problem);

    // True when the text goes to the program's standard output.
    bool is_standard_output() const { return descriptor_ == 1; }

  private:
    OutputFile() = default;

    std::string path_; // as it was given, for messages
    int descriptor_ = -1;
    std::unique_ptr<FileSlot> slot_;
    std::string text_;
};

// True when the two paths name one file: the same existing file (through links, other letter
// case or other spellings of the path), or the same new name however spelled.
bool same_file(const std::string& a, const std::string& b);

// The same for an output name, which may stand for a descriptor (see output_descriptor), and the
// name of a file such as a log.
bool output_is_file(const std::string& output, const std::string& path);
// The same for an output name and the file a log is read from through `stream` (standard input
// redirected from a file).
bool output_is_stream_file(const std::string& output, std::FILE* stream);
// The same for two output names.
bool same_outputs(const std::string& a, const std::string& b);

} // namespace q9xz
