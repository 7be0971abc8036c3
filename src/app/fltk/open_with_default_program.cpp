#include "app/fltk/open_with_default_program.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace q9xz {
namespace {

// Runs in the helper process: starts xdg-open with its output silenced, waits for it and writes
// its exit status to `report` (127 when it could not be run). Neither keeps the window's files
// (its display connection, an open log) while the browser runs.
[[noreturn]] void run_opener(const std::string& target, int report) {
    int outcome = 127;
    const pid_t opener = fork();
    if (opener == 0) {
        const int quiet = open("/dev/null", O_RDWR);
        if (quiet >= 0) {
            dup2(quiet, STDIN_FILENO);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        close_range(STDERR_FILENO + 1, ~0u, 0);
        char program[] = "xdg-open";
        char* argv[] = {program, const_cast<char*>(target.c_str()), nullptr};
        execvp(program, argv);
        _exit(127);
    }
    if (report > STDERR_FILENO) {
        close_range(STDERR_FILENO + 1, report - 1, 0);
        close_range(report + 1, ~0u, 0);
    }
    if (opener > 0) {
        int status = 0;
        while (waitpid(opener, &status, 0) < 0 && errno == EINTR) {
        }
        outcome = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    [[maybe_unused]] ssize_t ignored = write(report, &outcome, sizeof outcome);
    _exit(0);
}

} // namespace

bool open_with_default_program(const std::string& target, std::chrono::milliseconds wait) {
    // The helper runs as a grandchild, so that neither it nor xdg-open ever stays behind as a
    // zombie of the window; it reports xdg-open's exit status through a close-on-exec pipe.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        close(report[0]);
        if (fork() == 0)
            run_opener(target, report[1]);
        _exit(0); // a failed fork leaves the pipe empty: not started
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    pollfd answer{report[0], POLLIN, 0};
    int ready;
    do {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        ready = poll(&answer, 1, static_cast<int>(left > 0 ? left : 0));
    } while (ready < 0 && errno == EINTR);
    int outcome = 0;
    if (ready == 0) { // still running: a program is on its way
        close(report[0]);
        return true;
    }
    ssize_t got;
    do {
        got = read(report[0], &outcome, sizeof outcome);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == sizeof outcome && outcome == 0;
}

} // namespace q9xz
