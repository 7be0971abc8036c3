#include "common/file_replacement.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace q9xz {

std::FILE* create_new_file(const std::string& path) {
    // 0666 and the user's umask: the mode a new file made with fopen would get.
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

bool flush_to_disk(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool replace_file(const std::string& from, const std::string& to) {
    // POSIX rename replaces an existing target atomically.
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace q9xz
