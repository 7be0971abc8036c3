#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace q9xz {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr)
            std::fclose(file);
    }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// "PATH: the system's reason" for an errno value, the form every file problem is told in.
std::string file_problem(const std::string& path, int error);

// A file the program writes (the spreadsheet, the map), replaced whole or not at all. Its bytes
// go to a temporary file in the same folder, which takes the old file's place only when it is
// complete; a device or a pipe (/dev/full, /dev/stdout) is written directly. A symbolic link is
// followed: the file it names is replaced, keeping that file's permissions.
//
// Open it before the log is read, so that a file that cannot be written is reported before any
// work is done; then write(), then commit(). Dropped without a commit, it leaves the old file as
// it was and removes the temporary one.
class OutputFile {
  public:
    // nullptr, with `problem` set ("PATH: reason"), when `path` is a folder, a read-only file, or
    // in a folder that takes no new file.
    static std::unique_ptr<OutputFile> open(const std::string& path, std::string& problem);

    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False once any write failed; later writes are skipped.
    bool write(std::string_view bytes);

    // Completes the file and puts it in place. False, with `problem` set, when any write, the
    // flush or the rename failed; the old file is then as it was (for a device, what was written
    // is written).
    bool commit(std::string& problem);

    // The file that is replaced: the path itself, or the file its symbolic links lead to.
    const std::filesystem::path& target() const { return target_; }

  private:
    OutputFile() = default;
    bool fail();

    std::string path_;             // as it was given, for messages
    std::filesystem::path target_; // the file that is replaced
    std::string temporary_;        // the temporary file; empty when writing directly
    UniqueFile file_;
    int error_ = 0; // errno of the first failed write
};

// True when the two paths name one file: the same existing file (through links, other letter
// case or other spellings of the path), or the same new name.
bool same_file(const std::string& a, const std::string& b);

} // namespace q9xz
