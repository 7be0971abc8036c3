#include "common/file_replacement.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace q9xz {

namespace {

// Links are followed at most this deep, as the systems themselves do.
constexpr int MAX_LINK_HOPS = 40;
// Tries at a free temporary name before giving up; a name is taken only by a leftover of a killed
// run, or by another run at the same moment.
constexpr int TEMPORARY_NAME_TRIES = 100;

// --- The temporary file is removed when the program is stopped -------------------------------
// A signal handler may not allocate: the name waits in a fixed buffer.
char stopped_temporary[4096];
volatile std::sig_atomic_t temporary_to_remove = 0;
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction earlier_actions[std::size(STOP_SIGNALS)];

extern "C" void remove_temporary_and_stop(int signal) {
    if (temporary_to_remove != 0)
        ::unlink(stopped_temporary);
    // Ends the program with the signal's own status (130 for Ctrl-C, 143 for SIGTERM).
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void watch_stop_signals(const std::string& name) {
    if (temporary_to_remove != 0 || name.size() >= sizeof stopped_temporary)
        return;
    std::memcpy(stopped_temporary, name.c_str(), name.size() + 1);
    temporary_to_remove = 1;
    struct sigaction action {};
    action.sa_handler = remove_temporary_and_stop;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i) {
        ::sigaction(STOP_SIGNALS[i], nullptr, &earlier_actions[i]);
        // A signal ignored when the program started (nohup) stays ignored.
        if (earlier_actions[i].sa_handler != SIG_IGN)
            ::sigaction(STOP_SIGNALS[i], &action, nullptr);
    }
}

void unwatch_stop_signals() {
    if (temporary_to_remove == 0)
        return;
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i) {
        if (earlier_actions[i].sa_handler != SIG_IGN)
            ::sigaction(STOP_SIGNALS[i], &earlier_actions[i], nullptr);
    }
    temporary_to_remove = 0;
}

// Holds back the stop signals between making a file and noting it for removal.
class StopSignalsHeld {
  public:
    StopSignalsHeld() {
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : STOP_SIGNALS)
            sigaddset(&stops, signal);
        ::pthread_sigmask(SIG_BLOCK, &stops, &earlier_);
    }
    ~StopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &earlier_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  private:
    sigset_t earlier_;
};

// 0, or errno. From the start of the file when `at_start`, else where the descriptor stands (a
// descriptor opened for appending appends).
int write_all(int descriptor, std::string_view bytes, bool at_start) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const char* from = bytes.data() + done;
        const std::size_t left = bytes.size() - done;
        const ssize_t written = at_start
                                    ? ::pwrite(descriptor, from, left, static_cast<off_t>(done))
                                    : ::write(descriptor, from, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

std::string folder_of(const std::string& name) {
    const std::size_t slash = name.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

// The rule of the kernel's fs.protected_symlinks, kept whether or not this system has it on: in
// a sticky folder that everyone may write, a link is followed only when it belongs to the
// follower or to the folder's owner, so nobody can plant one there for another user.
bool may_follow(const struct stat& link, const std::string& folder) {
    struct stat shared;
    if (::stat(folder.c_str(), &shared) != 0)
        return false;
    const bool planted_anywhere =
        (shared.st_mode & S_ISVTX) != 0 && (shared.st_mode & S_IWOTH) != 0;
    return !planted_anywhere || link.st_uid == ::geteuid() || link.st_uid == shared.st_uid;
}

// The same rule for every link on the way to `name`'s folder (a planted link to a folder would
// lead the file into another user's folder just the same).
bool may_follow_folders(const std::string& name) {
    for (std::size_t slash = name.find('/', 1); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
        const std::string way = name.substr(0, slash);
        struct stat found;
        if (::lstat(way.c_str(), &found) == 0 && S_ISLNK(found.st_mode) &&
            !may_follow(found, folder_of(way)))
            return false;
    }
    return true;
}

bool read_link(const std::string& name, std::string& to) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(name.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            to = std::move(buffer);
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool writable_folder(const std::string& folder) {
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// The rename changes nothing but the content only where the folder is not sticky (there the
// rename of another user's file is refused, and a name of ours might be taken in between) and
// the writer may make a file in it.
bool folder_takes_replacement(const std::string& name) {
    const std::string folder = folder_of(name);
    struct stat status;
    return ::stat(folder.c_str(), &status) == 0 && (status.st_mode & S_ISVTX) == 0 &&
           writable_folder(folder);
}

// Gives the new file the old one's owner, group and mode; false where the writer may not.
bool give_looks_of(int descriptor, const struct stat& old) {
    struct stat now;
    if (::fstat(descriptor, &now) != 0)
        return false;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        const uid_t owner = now.st_uid != old.st_uid ? old.st_uid : static_cast<uid_t>(-1);
        const gid_t group = now.st_gid != old.st_gid ? old.st_gid : static_cast<gid_t>(-1);
        if (::fchown(descriptor, owner, group) != 0)
            return false;
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(descriptor, old.st_mode & 07777) != 0 || ::fstat(descriptor, &now) != 0)
        return false;
    return now.st_uid == old.st_uid && now.st_gid == old.st_gid &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

FileSlot::Outcome write_in_place(int descriptor, const struct stat& old, std::string_view bytes) {
    const auto size = static_cast<off_t>(bytes.size());
#if defined(__linux__)
    // The room first, so that a full disk is found before a byte of the old text is touched.
    if (size > 0 && ::fallocate(descriptor, 0, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS && errno != EINVAL) {
        const int error = errno;
        // A reservation that failed half way may have lengthened the file: back to its length.
        if (old.st_size < size && ::ftruncate(descriptor, old.st_size) != 0)
            return {error, true};
        return {error, false};
    }
#endif
    if (const int error = write_all(descriptor, bytes, true))
        return {error, true};
    if (::ftruncate(descriptor, size) != 0 || ::fsync(descriptor) != 0)
        return {errno, true};
    return {};
}

} // namespace

// --- Flushing and renaming ---------------------------------------------------------------------

bool flush_to_disk(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool replace_file(const std::string& from, const std::string& to) {
    // POSIX rename replaces an existing target atomically.
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// --- TemporaryFile -----------------------------------------------------------------------------

struct TemporaryFile::Handle {
    int descriptor = -1;
};

TemporaryFile::TemporaryFile() : handle_(std::make_unique<Handle>()) {}

TemporaryFile::~TemporaryFile() {
    if (handle_->descriptor >= 0)
        ::close(handle_->descriptor);
    if (!name_.empty()) {
        ::unlink(name_.c_str());
        unwatch_stop_signals();
    }
}

bool TemporaryFile::create(const std::string& target) {
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        const std::string name = temporary_name_for(target);
        const StopSignalsHeld held;
        // 0666 and the user's umask: the mode a new file made with fopen would get.
        const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            handle_->descriptor = descriptor;
            name_ = name;
            watch_stop_signals(name_);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool TemporaryFile::put_in_place(std::string_view bytes, const std::string& target) {
    const int descriptor = handle_->descriptor;
    if (descriptor < 0) {
        errno = EBADF;
        return false;
    }
    if (const int error = write_all(descriptor, bytes, false)) {
        errno = error;
        return false;
    }
    if (::fsync(descriptor) != 0)
        return false;
    handle_->descriptor = -1;
    if (::close(descriptor) != 0 || std::rename(name_.c_str(), target.c_str()) != 0)
        return false;
    name_.clear();
    unwatch_stop_signals();
    return true;
}

// --- FileSlot ----------------------------------------------------------------------------------

struct FileSlot::State {
    enum Way { NEW, EXISTING, DIRECT, DESCRIPTOR } way = NEW;
    std::string name;          // the file made or written: where the links lead
    bool through_link = false; // the name given is a link
    int descriptor = -1;       // held open for writing, or the program's own descriptor

    ~State() {
        if (way != DESCRIPTOR && descriptor >= 0)
            ::close(descriptor);
    }
};

FileSlot::FileSlot(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileSlot::~FileSlot() = default;

std::unique_ptr<FileSlot> FileSlot::open(const std::string& path, int& error) {
    auto state = std::make_unique<State>();
    std::string name = path;
    for (int hop = 0;; ++hop) {
        if (!may_follow_folders(name)) {
            error = EACCES;
            return nullptr;
        }
        struct stat found;
        if (::lstat(name.c_str(), &found) != 0) {
            if (errno != ENOENT) {
                error = errno;
                return nullptr;
            }
            // A new name, or where a dangling link leads: its folder must take a new file.
            const std::string folder = folder_of(name);
            struct stat status;
            if (::stat(folder.c_str(), &status) != 0) {
                error = errno;
                return nullptr;
            }
            if (!S_ISDIR(status.st_mode) || !writable_folder(folder)) {
                error = S_ISDIR(status.st_mode) ? errno : ENOTDIR;
                return nullptr;
            }
            state->way = State::NEW;
            break;
        }
        if (S_ISLNK(found.st_mode)) {
            std::string to;
            if (hop == MAX_LINK_HOPS) {
                error = ELOOP;
                return nullptr;
            }
            if (!may_follow(found, folder_of(name))) {
                error = EACCES;
                return nullptr;
            }
            if (!read_link(name, to)) {
                error = errno;
                return nullptr;
            }
            name = !to.empty() && to[0] == '/' ? to : folder_of(name) + "/" + to;
            state->through_link = true;
            continue;
        }
        if (S_ISDIR(found.st_mode)) {
            error = EISDIR;
            return nullptr;
        }
        // Opened now, without truncating, so that a file that cannot be written is told before
        // the log is read; O_NOFOLLOW, as the link check above is the one that counts.
        state->descriptor = ::open(name.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
        if (state->descriptor < 0) {
            error = errno;
            return nullptr;
        }
        // A device or a pipe is written, never replaced: as root a rename would replace
        // /dev/full itself.
        state->way = S_ISREG(found.st_mode) ? State::EXISTING : State::DIRECT;
        break;
    }
    state->name = name;
    return std::unique_ptr<FileSlot>(new FileSlot(std::move(state)));
}

std::unique_ptr<FileSlot> FileSlot::open_descriptor(int number, int& error) {
    const int flags = number < 0 ? -1 : ::fcntl(number, F_GETFL);
    if (flags == -1 || (flags & O_ACCMODE) == O_RDONLY) {
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
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG and is told like any other
    // failure, instead of the signal ending the program with its temporary file left behind.
    ::signal(SIGXFSZ, SIG_IGN);
    if (state.way == State::DESCRIPTOR || state.way == State::DIRECT)
        return {write_all(state.descriptor, bytes, false), false};
    if (state.way == State::NEW) {
        TemporaryFile temporary;
        if (!temporary.create(state.name) || !temporary.put_in_place(bytes, state.name))
            return {errno, false};
        return {};
    }
    struct stat old;
    if (::fstat(state.descriptor, &old) != 0)
        return {errno, false};
    if (!state.through_link && old.st_nlink == 1 && folder_takes_replacement(state.name)) {
        TemporaryFile temporary;
        struct stat named;
        // The name must still lead to the file that was checked.
        if (temporary.create(state.name) && give_looks_of(temporary.handle_->descriptor, old) &&
            ::lstat(state.name.c_str(), &named) == 0 && named.st_dev == old.st_dev &&
            named.st_ino == old.st_ino) {
            if (!temporary.put_in_place(bytes, state.name))
                return {errno, false};
            return {};
        }
        // Not ours to replace after all: written in place, the temporary file removed.
    }
    return write_in_place(state.descriptor, old, bytes);
}

bool descriptor_is_file(int number, const std::string& path) {
    struct stat held, named;
    return ::fstat(number, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           S_ISREG(held.st_mode) && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool stream_is_file(std::FILE* stream, const std::string& path) {
    return descriptor_is_file(::fileno(stream), path);
}

bool stream_is_descriptor_file(std::FILE* stream, int number) {
    struct stat first, second;
    return ::fstat(::fileno(stream), &first) == 0 && ::fstat(number, &second) == 0 &&
           S_ISREG(first.st_mode) && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace q9xz
