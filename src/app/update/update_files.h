#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace q9xz {

// A file being written byte for byte, without line-end translation.
class BinaryFile {
  public:
    virtual ~BinaryFile() = default;
    // False when not all bytes could be written.
    virtual bool write(const char* data, std::size_t size) = 0;
    // Puts what was written on the disk; false when that failed.
    virtual bool flush_to_disk() = 0;
    // Closes the file; false when its last bytes could not be stored.
    virtual bool close() = 0;
};

// The file operations of the update: the program file is swapped under the running program, so
// the tests put these on a fake to watch them.
class UpdateFiles {
  public:
    virtual ~UpdateFiles() = default;
    // Renames `from` to `to`, replacing an existing file of that name; true on success.
    virtual bool rename_replacing(const std::string& from, const std::string& to) = 0;
    // Creates (or empties) `name` for binary writing; null when that is impossible.
    virtual std::unique_ptr<BinaryFile> create_binary(const std::string& name) = 0;
    // Removes `name`; true on success.
    virtual bool remove(const std::string& name) = 0;
};

// The real files, relative to the current directory, through the file replacement that the
// spreadsheet uses too (common/file_replacement.h).
class DiskUpdateFiles : public UpdateFiles {
  public:
    bool rename_replacing(const std::string& from, const std::string& to) override;
    std::unique_ptr<BinaryFile> create_binary(const std::string& name) override;
    bool remove(const std::string& name) override;
};

} // namespace q9xz
