#include "app/fltk/open_with_default_program.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace q9xz {
namespace {

constexpr int STARTED = 33;
constexpr int NOT_STARTED = 2;

} // namespace

int open_with_default_program(const std::string& target) {
    // The helper runs as a grandchild so it never stays behind as a zombie of the window; a
    // close-on-exec pipe tells whether its exec worked: it reads end-of-file only then.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return NOT_STARTED;
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return NOT_STARTED;
    }
    if (child == 0) {
        close(report[0]);
        const pid_t helper = fork();
        if (helper < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t ignored = write(report[1], &error, sizeof error);
            _exit(1);
        }
        if (helper == 0) {
            char program[] = "xdg-open";
            char* argv[] = {program, const_cast<char*>(target.c_str()), nullptr};
            execvp(program, argv);
            const int error = errno;
            [[maybe_unused]] ssize_t ignored = write(report[1], &error, sizeof error);
            _exit(127);
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == 0 ? STARTED : NOT_STARTED;
}

} // namespace q9xz
