#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace q9xz {

// The one way this program replaces or rewrites a file: the spreadsheet, the map and the
// Update's program file all go through it. What differs between systems is implemented once per
// platform (file_replacement_posix.cpp, file_replacement_win32.cpp), chosen by the build; the
// rest is file_replacement.cpp. On failure errno (or the returned error) tells why.

// Writes the file's buffered bytes and asks the system to put them on the disk; false when
// either failed (a full disk, a dropped network share).
bool flush_to_disk(std::FILE* file);

// Renames `from` to `to` in one step, replacing a file `to` that exists; false when it failed,
// and then `to` is as it was.
bool replace_file(const std::string& from, const std::string& to);

// The name of a temporary file beside `target` for its new text, named after it so that a
// leftover says whose it is (".out.csv.q9xz-3fj2k"); a short one ("~q93fj2k") where that name
// would pass 255 bytes, or the path Windows' 259 characters.
std::string temporary_name_for(const std::string& target);

// A new file beside a target, made only when the target's whole text is ready, and removed
// again unless it took the target's place: also when the program is stopped by SIGINT or SIGTERM
// (Ctrl-C in a Windows console), which then ends the program as the signal would have.
class TemporaryFile {
  public:
    TemporaryFile();
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates a file of a free temporary name beside `target`; false, errno set, when it cannot.
    bool create(const std::string& target);
    const std::string& name() const { return name_; }
    // Writes `bytes`, puts them on the disk and renames the file over `target`; false, errno
    // set, when any step failed, and then the file is removed and `target` is as it was.
    bool put_in_place(std::string_view bytes, const std::string& target);

    struct Handle;

  private:
    friend class FileSlot;
    std::string name_;
    std::unique_ptr<Handle> handle_;
};

// A file that gets a whole new text, checked and held from before the log is read until that
// text is written. A name leads to one of:
// - a new file: made through a TemporaryFile when the text is complete;
// - a file that is ours to replace (a regular file with one link, in a folder the writer may
//   write that is not sticky, whose owner, group and mode a new file can be given): replaced
//   whole or not at all through a TemporaryFile;
// - any other existing file (another owner, several links, reached through a link, a read-only
//   or sticky folder): written in place, keeping its owner, mode and links;
// - a device or a pipe, or a descriptor the program holds: written directly.
class FileSlot {
  public:
    // Checks `path` and opens an existing file for writing without truncating it. Its links are
    // followed as open() follows them, except that a link in a sticky folder that everyone may
    // write, owned by neither the writer nor the folder's owner, is refused (EACCES), a link to
    // a folder on the way too, wherever the system's own protection is off. nullptr with `error`
    // set (EISDIR for a folder, ELOOP for a loop of links) when it cannot be written.
    static std::unique_ptr<FileSlot> open(const std::string& path, int& error);
    // Descriptor `number` as the program holds it; nullptr, `error` EBADF, when it is not open
    // for writing.
    static std::unique_ptr<FileSlot> open_descriptor(int number, int& error);
    ~FileSlot();
    FileSlot(const FileSlot&) = delete;
    FileSlot& operator=(const FileSlot&) = delete;

    // What became of a write: 0 or the system's error, and whether the old text may already be
    // partly overwritten (only ever where the file is written in place).
    struct Outcome {
        int error = 0;
        bool incomplete = false;
    };
    // Writes `bytes` as the file's whole text, or to the descriptor, device or pipe.
    Outcome write_whole(std::string_view bytes);

    struct State;

  private:
    explicit FileSlot(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// True when descriptor `number` is open on the existing file `path` (a log).
bool descriptor_is_file(int number, const std::string& path);
// The same for the file a stream is open on (a log read from standard input), and that stream
// against descriptor `number`.
bool stream_is_file(std::FILE* stream, const std::string& path);
bool stream_is_descriptor_file(std::FILE* stream, int number);

} // namespace q9xz
