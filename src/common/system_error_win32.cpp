#include "common/system_error.h"

#include <cerrno>
#include <cstring>
#include <windows.h>

namespace q9xz {

namespace {

// The errno value the C runtime gives for a system code, for the codes a file's opening meets;
// -1 for others. A code that does not give `error` belongs to another, earlier call.
int errno_of(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_LOCK_FAILED:
    case ERROR_DRIVE_LOCKED:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
        return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    default:
        // Write protection, a drive not ready, a sharing or lock violation and their kin.
        return code >= ERROR_WRITE_PROTECT && code <= ERROR_SHARING_BUFFER_EXCEEDED ? EACCES : -1;
    }
}

} // namespace

unsigned long last_system_error() {
    return GetLastError();
}

std::string system_message(int error, unsigned long system_error) {
    if (system_error == 0 || errno_of(system_error) != error)
        return std::strerror(error);
    char* text = nullptr;
    const DWORD size = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, system_error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (size == 0 || text == nullptr)
        return std::strerror(error);
    std::string message(text, size);
    LocalFree(text);
    // The system ends its messages with a line end; the box's line ends at the message.
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

} // namespace q9xz
