// What a conversion leaves behind when things go wrong: read errors, endless problem lines,
// records that never end, and output files replaced whole or not at all.
#include "convert/conversion.h"
#include "convert/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#if defined(__GLIBC__)
#include <stdio.h> // fopencookie
#endif
#if defined(__unix__)
#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace q9xz {
namespace {

namespace fs = std::filesystem;

const std::string CONTACT = "<CALL:6>Q9XZ/8<QSO_DATE:8>20140105<TIME_ON:4>1200<BAND:3>20m"
                            "<MODE:2>CW<STATE:2>OH<EOR>\n";
const std::string BAD_CALL = "<CALL:7>Q9XZ/MM<QSO_DATE:8>20140412<TIME_ON:4>2210<BAND:3>20m"
                             "<MODE:2>CW<EOR>\n";
const std::string BAD_CALL_LINE = "Q9XZ/MM on 20140412 at 2210: Not a valid callsign.";

std::vector<std::string> oldest_first(const std::forward_list<MessageLine>& list) {
    std::vector<std::string> lines(list.begin(), list.end());
    return {lines.rbegin(), lines.rend()};
}

#if defined(__GLIBC__)
// A file that gives `text` and then fails as a bad sector would.
struct FailingSource {
    std::string text;
    std::size_t at = 0;
};

std::FILE* failing_file(FailingSource& source) {
    cookie_io_functions_t functions{};
    functions.read = [](void* cookie, char* buffer, std::size_t size) -> ssize_t {
        auto& source = *static_cast<FailingSource*>(cookie);
        if (source.at == source.text.size()) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min(size, source.text.size() - source.at);
        std::memcpy(buffer, source.text.data() + source.at, n);
        source.at += n;
        return static_cast<ssize_t>(n);
    };
    return fopencookie(&source, "rb", functions);
}
#endif

TEST(ReadError, EndsTheConversionWithoutSummaryOrSpreadsheet) {
#if defined(__GLIBC__)
    // Two records, then a record cut off by the failure: not a truncated last line.
    FailingSource source{BAD_CALL + CONTACT + "<CALL:6>Q9XZ/4<QSO"};
    LineReader input(failing_file(source));
    ConvertOptions options;
    const ConversionResult result = run_conversion(input, options);
    EXPECT_TRUE(result.read_failed);
    EXPECT_EQ(EIO, input.read_error());
    EXPECT_EQ((std::vector<std::string>{BAD_CALL_LINE, std::string(READ_FAILED_LINE)}),
              oldest_first(result.lists.problems));
    EXPECT_TRUE(result.lists.summary.empty());
    EXPECT_TRUE(result.csv.empty());

    LineReader whole(BAD_CALL + CONTACT);
    EXPECT_FALSE(run_conversion(whole, options).read_failed);
    EXPECT_FALSE(whole.failed());
#else
    GTEST_SKIP() << "needs a C library that can make a failing file";
#endif
}

// The window keeps the first problem lines and counts the rest; the converter takes every line
// as it comes and keeps none. Either way the summary is the same.
TEST(ProblemLines, AreCappedOrStreamed) {
    std::string log;
    for (std::size_t i = 0; i < MAX_KEPT_PROBLEMS + 3; ++i)
        log += BAD_CALL;
    log += CONTACT;

    ConvertOptions options;
    LineReader kept_input(log);
    const ConversionResult kept = run_conversion(kept_input, options);
    const std::vector<std::string> kept_lines = oldest_first(kept.lists.problems);
    ASSERT_EQ(MAX_KEPT_PROBLEMS + 1, kept_lines.size());
    EXPECT_EQ(BAD_CALL_LINE, kept_lines.front());
    EXPECT_EQ(BAD_CALL_LINE, kept_lines[MAX_KEPT_PROBLEMS - 1]);
    EXPECT_EQ("... and 3 more problem lines", kept_lines.back());

    std::vector<std::string> streamed;
    LineReader streamed_input(log);
    const ConversionResult sunk = run_conversion(
        streamed_input, options, [&](std::string_view line) { streamed.emplace_back(line); });
    EXPECT_EQ(std::vector<std::string>(MAX_KEPT_PROBLEMS + 3, BAD_CALL_LINE), streamed);
    EXPECT_TRUE(sunk.lists.problems.empty());
    EXPECT_EQ(kept.lists.summary, sunk.lists.summary);
    EXPECT_EQ(kept.csv, sunk.csv);
    EXPECT_EQ(1, sunk.written);
}

// A record that outgrows its limits (fields or bytes) is dropped up to its end, with one problem
// line; the records after it count as usual. Repeats of a name take no room.
TEST(ProblemLines, RecordTooLargeIsSkippedToItsEnd) {
    const std::string too_large = " on  at : ERROR: Record too large; skipped to its end";
    std::string many_lines, one_line, large_values;
    for (int i = 0; i < 200000; ++i)
        many_lines += "<F" + std::to_string(i) + ":1>x\n";
    for (int i = 0; i < 200000; ++i)
        one_line += "<A:0>";
    one_line += "\n";
    for (int i = 0; i < 5; ++i) {
        large_values += "<V" + std::to_string(i) + ":1000000>";
        for (int line = 0; line < 1000; ++line)
            large_values += std::string(999, 'x') + "\n";
    }
    const struct {
        const char* name;
        const std::string& fields;
        std::vector<std::string> problems;
        std::int32_t written;
    } cases[] = {
        {"fields over many lines", many_lines, {too_large}, 1},
        {"one line of repeats", one_line, {" on  at : Duplicate field: <A:0>"}, 2},
        {"large values", large_values, {too_large}, 1},
    };
    for (const auto& c : cases) {
        // The end of the huge record would be a contact of its own if it were kept.
        const std::string log = c.fields +
                                "<CALL:6>Q9XZ/1<QSO_DATE:8>20140105<TIME_ON:4>1200<BAND:3>40m"
                                "<MODE:2>CW<STATE:2>ME<EOR>\n" +
                                CONTACT;
        ConvertOptions options;
        LineReader input(log);
        const ConversionResult result = run_conversion(input, options);
        EXPECT_EQ(c.problems, oldest_first(result.lists.problems)) << c.name;
        EXPECT_EQ(c.written, result.written) << c.name;
        EXPECT_NE(std::string::npos, result.csv.find("Ohio,CW,,,,,,05-Jan,")) << c.name;
    }
}

// --- Output files: whole or not at all where ours to replace, in place elsewhere --------------

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("q9xz-output-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Other users must reach the folders the tests make for them.
        fs::permissions(dir_, fs::perms::all);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static void write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Files in the folder and its subfolders that are neither the tests' own nor their targets:
    // temporary files left behind.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("~q9") || name.find(".q9xz-") != std::string::npos)
                found.push_back(name);
        }
        return found;
    }
    // Opens, writes and commits `name`: the problem, or "" when all went well.
    static std::string write_output(const std::string& name, const std::string& bytes) {
        std::string problem;
        std::unique_ptr<OutputFile> output = OutputFile::open(name, problem);
        if (output && output->write(bytes) && output->commit(problem))
            return "";
        return problem.empty() ? "failed without a reason" : problem;
    }

    fs::path dir_;
};

// The rename way, on every system: nothing changes until the commit, and no temporary file
// stays behind.
TEST_F(OutputFileTest, ReplacesWholeOnCommitOnly) {
    write(path("old.csv"), "old");
    for (const char* name : {"new.csv", "old.csv"}) {
        SCOPED_TRACE(name);
        const bool existed = fs::exists(path(name));
        std::string problem;
        {
            std::unique_ptr<OutputFile> dropped = OutputFile::open(path(name), problem);
            ASSERT_TRUE(dropped) << problem;
            dropped->write("half");
        }
        EXPECT_EQ(existed, fs::exists(path(name)));
        EXPECT_EQ(existed ? "old" : "", read(path(name)));
        EXPECT_EQ("", write_output(path(name), "new bytes"));
        EXPECT_EQ("new bytes", read(path(name)));
        EXPECT_EQ(std::vector<std::string>(), leftovers());
    }
}

#if defined(__unix__)
// Another user's uid and gid for the tests that need two users.
constexpr uid_t OTHER = 54321;
constexpr uid_t ANOTHER = 54322;

// Runs `work` in a child process as user `uid` (group the same number), or as this user when
// `uid` is -1; what `work` returns comes back through a pipe. `limit` caps the file size.
std::string as_user(uid_t uid, const std::function<std::string()>& work, long limit = -1) {
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (limit >= 0) {
            const rlimit cap{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            ::setrlimit(RLIMIT_FSIZE, &cap);
        }
        if (uid != static_cast<uid_t>(-1) &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 ||
             ::setresuid(uid, uid, uid) != 0))
            ::_exit(3);
        const std::string said = work();
        const ssize_t written = ::write(channel[1], said.data(), said.size());
        ::_exit(written == static_cast<ssize_t>(said.size()) ? 0 : 4);
    }
    ::close(channel[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? said : "child failed";
}

// What a write may not change of a file: owner, group, mode, links, and whether it is a link.
std::string looks(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return "missing";
    std::ostringstream text;
    text << status.st_uid << ' ' << status.st_gid << ' ' << std::oct << status.st_mode << std::dec
         << ' ' << status.st_nlink;
    return text.str();
}

ino_t inode(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

#define NEEDS_ROOT()                                                                               \
    if (::geteuid() != 0) {                                                                        \
        GTEST_SKIP() << "two-user cases need root to act as a throwaway user; not run as root";    \
    }

TEST_F(OutputFileTest, ReplacesWhatIsOursAndWritesTheRestInPlace) {
    NEEDS_ROOT();
    const auto folder = [&](const std::string& name, fs::perms mode, uid_t owner = 0) {
        fs::create_directory(path(name));
        fs::permissions(path(name), mode);
        EXPECT_EQ(0, ::chown(path(name).c_str(), owner, owner));
    };
    const auto file = [&](const std::string& name, uid_t owner, mode_t mode) {
        write(path(name), "old text, longer than the new one");
        EXPECT_EQ(0, ::chown(path(name).c_str(), owner, owner));
        EXPECT_EQ(0, ::chmod(path(name).c_str(), mode));
    };
    folder("open", fs::perms::all);
    folder("sticky", fs::perms::all | fs::perms::sticky_bit);
    folder("read-only",
           fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
           OTHER);
    file("own.csv", 0, 0640);
    file("open/other-0664.csv", OTHER, 0664);
    file("open/other-0666.csv", ANOTHER, 0666);
    file("sticky/other-0666.csv", ANOTHER, 0666);
    file("read-only/own.csv", OTHER, 0644);
    file("linked.csv", 0, 0644);
    fs::create_hard_link(path("linked.csv"), path("second name.csv"));
    file("target.csv", 0, 0600);
    fs::create_symlink("target.csv", path("link.csv"));
    fs::create_symlink("open/to be made.csv", path("dangling.csv"));

    const struct {
        const char* name; // what is written
        const char* file; // the file that gets the text
        uid_t writer;     // -1: root
        bool replaced;    // a new file took the old one's place
    } cases[] = {
        {"new.csv", "new.csv", static_cast<uid_t>(-1), true},
        {"own.csv", "own.csv", static_cast<uid_t>(-1), true},
        // Root may give the new file the owner and group of the old one.
        {"open/other-0664.csv", "open/other-0664.csv", static_cast<uid_t>(-1), true},
        {"linked.csv", "second name.csv", static_cast<uid_t>(-1), false},
        {"link.csv", "target.csv", static_cast<uid_t>(-1), false},
        {"dangling.csv", "open/to be made.csv", static_cast<uid_t>(-1), true},
        {"open/other-0666.csv", "open/other-0666.csv", OTHER, false},
        {"sticky/other-0666.csv", "sticky/other-0666.csv", OTHER, false},
        {"read-only/own.csv", "read-only/own.csv", OTHER, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = path(c.name);
        const std::string was = looks(name);
        const std::string file_was = looks(path(c.file));
        const ino_t old_inode = inode(path(c.file));
        // Nothing is made or changed until the text is complete.
        EXPECT_EQ("", as_user(c.writer, [&] {
                      std::string problem;
                      auto output = OutputFile::open(name, problem);
                      if (output && !leftovers().empty())
                          return std::string("a temporary file before the text is complete");
                      return output ? std::string() : problem;
                  }));
        EXPECT_EQ(was, looks(name));
        EXPECT_EQ(old_inode, inode(path(c.file)));

        EXPECT_EQ("", as_user(c.writer, [&] { return write_output(name, "new text"); }));
        EXPECT_EQ("new text", read(path(c.file)));
        EXPECT_EQ(c.replaced, old_inode != inode(path(c.file)));
        if (was != "missing") {
            EXPECT_EQ(was, looks(name));
        }
        if (file_was != "missing") {
            EXPECT_EQ(file_was, looks(path(c.file)));
        }
        EXPECT_EQ(std::vector<std::string>(), leftovers());
    }
    EXPECT_EQ("new text", read(path("linked.csv")));
}

TEST_F(OutputFileTest, LinksPlantedInSharedFoldersAreRefused) {
    NEEDS_ROOT();
    fs::create_directory(path("public"));
    fs::permissions(path("public"), fs::perms::all | fs::perms::sticky_bit);
    fs::create_directory(path("group"));
    fs::permissions(path("group"), fs::perms::all);
    write(path("important.txt"), "precious");
    const auto plant = [&](uid_t owner, const std::string& link,
                           const std::string& to = "important.txt") {
        EXPECT_EQ("", as_user(owner, [&] {
                      std::error_code error;
                      fs::create_symlink(path(to), path(link), error);
                      return error.message().substr(0, error ? std::string::npos : 0);
                  }));
    };
    plant(OTHER, "public/planted.csv");
    plant(static_cast<uid_t>(-1), "public/folder owner's.csv");
    plant(OTHER, "group/ordinary.csv");
    plant(OTHER, "public/planted folder", "");
    fs::create_symlink("loop-b", path("loop-a"));
    fs::create_symlink("loop-a", path("loop-b"));

    const struct {
        const char* name;
        uid_t writer;
        const char* problem; // "" when the link is followed
    } cases[] = {
        {"public/planted.csv", static_cast<uid_t>(-1), ": Permission denied"},
        {"public/planted.csv", ANOTHER, ": Permission denied"},
        {"public/planted folder/important.txt", static_cast<uid_t>(-1), ": Permission denied"},
        {"public/planted folder/../important.txt", ANOTHER, ": Permission denied"},
        // Its own link, or the folder owner's, is followed; so is any outside sticky folders.
        {"public/planted.csv", OTHER, ""},
        {"public/folder owner's.csv", ANOTHER, ""},
        {"public/planted folder/important.txt", OTHER, ""},
        {"group/ordinary.csv", static_cast<uid_t>(-1), ""},
        {"loop-a", static_cast<uid_t>(-1), ": Too many levels of symbolic links"},
    };
    fs::permissions(path("important.txt"), fs::perms::all);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " as " + std::to_string(c.writer));
        write(path("important.txt"), "precious");
        const std::string problem =
            as_user(c.writer, [&] { return write_output(path(c.name), "spreadsheet"); });
        EXPECT_EQ(*c.problem ? path(c.name) + c.problem : "", problem);
        EXPECT_EQ(*c.problem ? "precious" : "spreadsheet", read(path("important.txt")));
        // The link stays a link, and a name through a folder's link a plain file.
        EXPECT_EQ(std::string(c.name).find("folder/") == std::string::npos,
                  fs::is_symlink(path(c.name)));
        EXPECT_EQ(std::vector<std::string>(), leftovers());
    }
}

// A write that fails (here: the file-size limit, whose signal does not end the program) leaves
// the old file as it was, whichever way it is written, and no temporary file behind.
TEST_F(OutputFileTest, FailedWriteLeavesTheOldFile) {
    write(path("ours.csv"), "precious");
    write(path("linked.csv"), "precious");
    fs::create_hard_link(path("linked.csv"), path("second name.csv"));
    for (const char* name : {"ours.csv", "linked.csv", "new.csv"}) {
        SCOPED_TRACE(name);
        const std::string was = looks(path(name));
        const std::string problem = as_user(
            static_cast<uid_t>(-1),
            [&] { return write_output(path(name), std::string(4096, 'x')); }, 16);
        EXPECT_EQ(path(name) + ": File too large", problem);
        EXPECT_EQ(was, looks(path(name)));
        EXPECT_EQ(was == "missing" ? "" : "precious", read(path(name)));
        EXPECT_EQ(std::vector<std::string>(), leftovers());
    }
}

TEST_F(OutputFileTest, TemporaryFileIsNamedAfterTheOutputAndRemovedWhenStopped) {
    const std::string long_name = path(std::string(250, 'n') + ".csv");
    EXPECT_EQ(0u, temporary_name_for(path("out.csv")).find(path(".out.csv.q9xz-")));
    EXPECT_EQ(path(".out.csv.q9xz-").size() + 5, temporary_name_for(path("out.csv")).size());
    EXPECT_EQ(0u, temporary_name_for(long_name).find(path("~q9")));
    EXPECT_EQ(path("~q9").size() + 5, temporary_name_for(long_name).size());

    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        std::fflush(nullptr);
        int channel[2];
        ASSERT_EQ(0, ::pipe(channel));
        const pid_t child = ::fork();
        if (child == 0) {
            TemporaryFile temporary;
            if (!temporary.create(path("out.csv")))
                ::_exit(3);
            const ssize_t written =
                ::write(channel[1], temporary.name().data(), temporary.name().size());
            ::close(channel[1]);
            ::raise(signal);
            ::_exit(written > 0 ? 4 : 5);
        }
        ::close(channel[1]);
        char name[4096];
        const ssize_t length = ::read(channel[0], name, sizeof name);
        ::close(channel[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_GT(length, 0);
        EXPECT_EQ(0u, std::string(name, static_cast<std::size_t>(length)).find(path(".out.csv.")));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(std::vector<std::string>(), leftovers());
    }
}
#endif

} // namespace
} // namespace q9xz
