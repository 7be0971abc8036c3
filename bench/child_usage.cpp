#include "child_usage.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <utility>

extern char** environ;

namespace q9xz::bench {

namespace {

constexpr const char* TIME_PROGRAM = "/usr/bin/time";

// Starts `words[0]` with the rest as its arguments, its output sent to /dev/null; the child's
// id, or -1 when it could not be started.
pid_t spawn_quietly(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

} // namespace

ChildUsage run_child(const std::string& program, const std::vector<std::string>& args,
                     const std::string& scratch) {
    std::vector<std::string> words{TIME_PROGRAM, "-f", "%M %U %S %e", "-o", scratch, program};
    words.insert(words.end(), args.begin(), args.end());
    const pid_t pid = spawn_quietly(std::move(words));

    ChildUsage usage;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return usage;
    // time exits with the program's own status.
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return usage;
    std::FILE* report = std::fopen(scratch.c_str(), "r");
    if (report == nullptr)
        return usage;
    double user = 0;
    double system = 0;
    usage.ok = std::fscanf(report, "%ld %lf %lf %lf", &usage.peak_rss_kib, &user, &system,
                           &usage.wall_seconds) == 4;
    usage.cpu_seconds = user + system;
    std::fclose(report);
    return usage;
}

ChildUsage time_child(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawn_quietly(std::move(words));

    ChildUsage usage;
    int status = 0;
    rusage counted{};
    if (pid < 0 || wait4(pid, &status, 0, &counted) != pid)
        return usage;
    usage.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    usage.cpu_seconds = seconds(counted.ru_utime) + seconds(counted.ru_stime);
    usage.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return usage;
}

} // namespace q9xz::bench
