#include "app/update/update_files.h"
#include "common/file_replacement.h"

#include <cstdio>

namespace q9xz {

namespace {

class StdioBinaryFile : public BinaryFile {
  public:
    explicit StdioBinaryFile(std::FILE* file) : file_(file) {}
    ~StdioBinaryFile() override { close(); }
    StdioBinaryFile(const StdioBinaryFile&) = delete;
    StdioBinaryFile& operator=(const StdioBinaryFile&) = delete;

    bool write(const char* data, std::size_t size) override {
        return file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
    }

    bool flush_to_disk() override { return file_ != nullptr && q9xz::flush_to_disk(file_); }

    bool close() override {
        if (file_ == nullptr)
            return false;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

  private:
    std::FILE* file_;
};

} // namespace

std::unique_ptr<BinaryFile> DiskUpdateFiles::create_binary(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr)
        return nullptr;
    return std::make_unique<StdioBinaryFile>(file);
}

bool DiskUpdateFiles::rename_replacing(const std::string& from, const std::string& to) {
    return replace_file(from, to);
}

bool DiskUpdateFiles::remove(const std::string& name) {
    return std::remove(name.c_str()) == 0;
}

} // namespace q9xz
