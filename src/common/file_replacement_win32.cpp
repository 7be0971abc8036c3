#include "common/file_replacement.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace q9xz {

namespace {

// Tries at a free temporary name before giving up; a name is taken only by a leftover of a killed
// run, or by another run at the same moment.
constexpr int TEMPORARY_NAME_TRIES = 100;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    default:
        return EIO;
    }
}

// Sets errno from the last error; false, for `return failed();`.
bool failed() {
    errno = errno_of(GetLastError());
    return false;
}

// --- The temporary file is removed by Ctrl-C in a console ---------------------------------------
// The handler runs on a thread of its own while the program goes on: the name waits in a fixed
// buffer. The file is open with FILE_SHARE_DELETE, so it goes when the program ends.
char stopped_temporary[4096];
volatile LONG temporary_to_remove = 0;

BOOL WINAPI remove_temporary_on_stop(DWORD) {
    if (temporary_to_remove != 0)
        DeleteFileA(stopped_temporary);
    return FALSE; // the system's own handler then ends the program
}

void watch_stop_signals(const std::string& name) {
    if (temporary_to_remove != 0 || name.size() >= sizeof stopped_temporary)
        return;
    CopyMemory(stopped_temporary, name.c_str(), name.size() + 1);
    temporary_to_remove = 1;
    SetConsoleCtrlHandler(remove_temporary_on_stop, TRUE);
}

void unwatch_stop_signals() {
    if (temporary_to_remove == 0)
        return;
    SetConsoleCtrlHandler(remove_temporary_on_stop, FALSE);
    temporary_to_remove = 0;
}

bool write_all(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 1u << 30 ? 1u << 30 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr))
            return failed();
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

std::string folder_of(const std::string& name) {
    const std::size_t slash = name.find_last_of("\\/");
    if (slash == std::string::npos)
        return name.size() >= 2 && name[1] == ':' ? name.substr(0, 2) : ".";
    // A root ("\\", "C:\\") keeps its separator.
    const bool root = slash == 0 || (slash == 2 && name[1] == ':');
    return name.substr(0, root ? slash + 1 : slash);
}

FileSlot::Outcome write_in_place(const std::string& name, std::string_view bytes) {
    const HANDLE file =
        CreateFileA(name.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {errno_of(GetLastError()), false};
    FileSlot::Outcome outcome;
    if (!write_all(file, bytes) || !SetEndOfFile(file) || !FlushFileBuffers(file))
        outcome = {errno != 0 ? errno : EIO, true};
    if (!CloseHandle(file) && outcome.error == 0)
        outcome = {errno_of(GetLastError()), true};
    return outcome;
}

} // namespace

// --- Flushing and renaming ---------------------------------------------------------------------

bool flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0)
        return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && (FlushFileBuffers(handle) || failed());
}

bool replace_file(const std::string& from, const std::string& to) {
    // The C runtime's rename refuses an existing target on Windows.
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
           failed();
}

// --- TemporaryFile -----------------------------------------------------------------------------

struct TemporaryFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
};

TemporaryFile::TemporaryFile() : handle_(std::make_unique<Handle>()) {}

TemporaryFile::~TemporaryFile() {
    if (handle_->file != INVALID_HANDLE_VALUE)
        CloseHandle(handle_->file);
    if (!name_.empty()) {
        DeleteFileA(name_.c_str());
        unwatch_stop_signals();
    }
}

bool TemporaryFile::create(const std::string& target) {
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        const std::string name = temporary_name_for(target);
        const HANDLE file =
            CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_->file = file;
            name_ = name;
            watch_stop_signals(name_);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return failed();
    }
    errno = EEXIST;
    return false;
}

bool TemporaryFile::put_in_place(std::string_view bytes, const std::string& target) {
    const HANDLE file = handle_->file;
    if (file == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return false;
    }
    // On the disk before the swap, so that a power cut never leaves half a file in its place.
    if (!write_all(file, bytes))
        return false;
    if (!FlushFileBuffers(file))
        return failed();
    handle_->file = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file) || !replace_file(name_, target))
        return false;
    name_.clear();
    unwatch_stop_signals();
    return true;
}

// --- FileSlot ----------------------------------------------------------------------------------

struct FileSlot::State {
    enum Way { NEW, REPLACE, IN_PLACE, DIRECT, DESCRIPTOR } way = NEW;
    std::string name;
    HANDLE device = INVALID_HANDLE_VALUE; // DIRECT: held open for writing
    int descriptor = -1;                  // DESCRIPTOR

    ~State() {
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
    }
};

FileSlot::FileSlot(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileSlot::~FileSlot() = default;

std::unique_ptr<FileSlot> FileSlot::open(const std::string& path, int& error) {
    auto state = std::make_unique<State>();
    state->name = path;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD why = GetLastError();
        const DWORD folder = GetFileAttributesA(folder_of(path).c_str());
        if (why != ERROR_FILE_NOT_FOUND || folder == INVALID_FILE_ATTRIBUTES) {
            error = errno_of(why == ERROR_FILE_NOT_FOUND ? GetLastError() : why);
            return nullptr;
        }
        if ((folder & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            error = ENOTDIR;
            return nullptr;
        }
        state->way = State::NEW;
        return std::unique_ptr<FileSlot>(new FileSlot(std::move(state)));
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = EISDIR;
        return nullptr;
    }
    // Opened without truncating, as a check that it can be written, before the log is read.
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = errno_of(GetLastError());
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        // A device or a pipe is written, never replaced.
        state->way = State::DIRECT;
        state->device = file;
        return std::unique_ptr<FileSlot>(new FileSlot(std::move(state)));
    }
    // A link or a file of several names is written in place; the rename takes a closed file.
    BY_HANDLE_FILE_INFORMATION information{};
    const bool several_names =
        GetFileInformationByHandle(file, &information) && information.nNumberOfLinks > 1;
    CloseHandle(file);
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    state->way = link || several_names ? State::IN_PLACE : State::REPLACE;
    return std::unique_ptr<FileSlot>(new FileSlot(std::move(state)));
}

std::unique_ptr<FileSlot> FileSlot::open_descriptor(int number, int& error) {
    if (number < 0 || _get_osfhandle(number) == -1) {
        error = EBADF;
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->way = State::DESCRIPTOR;
    state->descriptor = number;
    return std::unique_ptr<FileSlot>(new FileSlot(std::move(state)));
}

FileSlot::Outcome FileSlot::write_whole(std::string_view bytes) {
    State& state = *state_;
    errno = 0;
    switch (state.way) {
    case State::DESCRIPTOR: {
        // The same CR LF bytes as everywhere: no text-mode translation of standard output.
        _setmode(state.descriptor, _O_BINARY);
        while (!bytes.empty()) {
            const unsigned chunk = bytes.size() > 1u << 30 ? 1u << 30 : bytes.size();
            const int written = _write(state.descriptor, bytes.data(), chunk);
            if (written <= 0)
                return {written < 0 ? errno : EIO, false};
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return {};
    }
    case State::DIRECT:
        return {write_all(state.device, bytes) ? 0 : errno, false};
    case State::IN_PLACE:
        return write_in_place(state.name, bytes);
    case State::NEW:
    case State::REPLACE:
        break;
    }
    TemporaryFile temporary;
    if (!temporary.create(state.name) || !temporary.put_in_place(bytes, state.name))
        return {errno != 0 ? errno : EIO, false};
    return {};
}

namespace {

// The identity of the file on the disk that descriptor `number` is open on.
bool held_file(int number, BY_HANDLE_FILE_INFORMATION& information) {
    const auto held = reinterpret_cast<HANDLE>(_get_osfhandle(number));
    return held != INVALID_HANDLE_VALUE && GetFileType(held) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(held, &information);
}

bool same_identity(const BY_HANDLE_FILE_INFORMATION& first,
                   const BY_HANDLE_FILE_INFORMATION& second) {
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

} // namespace

bool descriptor_is_file(int number, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    if (!held_file(number, first))
        return false;
    const HANDLE named = CreateFileA(path.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    const bool read = GetFileInformationByHandle(named, &second);
    CloseHandle(named);
    return read && same_identity(first, second);
}

bool stream_is_file(std::FILE* stream, const std::string& path) {
    return descriptor_is_file(_fileno(stream), path);
}

bool stream_is_descriptor_file(std::FILE* stream, int number) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return held_file(_fileno(stream), first) && held_file(number, second) &&
           same_identity(first, second);
}

} // namespace q9xz
