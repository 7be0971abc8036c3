#include "app/fltk/open_with_default_program.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace q9xz {
namespace {

namespace fs = std::filesystem;

// Puts a stub xdg-open, which records its arguments, first on PATH for one test.
class StubOpener : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "q9xz-open-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        std::ofstream(dir_ / "xdg-open")
            << "#!/bin/sh\nprintf '%s|' \"$@\" >\"" << (dir_ / "args").string()
            << ".tmp\"\n/bin/mv \"" << (dir_ / "args").string() << ".tmp\" \""
            << (dir_ / "args").string() << "\"\n";
        fs::permissions(dir_ / "xdg-open", fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        old_path_ = path ? path : "";
        setenv("PATH", dir_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", old_path_.c_str(), 1);
        fs::remove_all(dir_);
    }
    // What the stub was given, "|" after each argument; empty if it did not run within 5 s.
    std::string recorded() const {
        for (int i = 0; i < 500 && !fs::exists(dir_ / "args"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(dir_ / "args");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path dir_;
    std::string old_path_;
};

TEST_F(StubOpener, PassesTheTargetAsOneArgumentWithoutAShell) {
    const std::string target = (dir_ / "log; touch pwned $(touch pwned2).CSV").string();
    EXPECT_TRUE(open_with_default_program(target));
    EXPECT_EQ(recorded(), target + "|");
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists("pwned2"));
}

// What xdg-open does decides the answer: its exit within the wait, or still running after it.
// Its complaints never reach the window's terminal.
TEST_F(StubOpener, AnswersByTheOpenersExitAndSilencesIt) {
    using std::chrono::milliseconds;
    const struct {
        const char* what;
        const char* script; // empty: no xdg-open at all
        milliseconds wait;
        bool started;
    } cases[] = {
        {"a browser was started", "exit 0", OPENER_WAIT, true},
        {"no browser", "echo 'xdg-open: no method available' >&2; echo not found; exit 3",
         OPENER_WAIT, false},
        {"killed", "kill -9 $$", OPENER_WAIT, false},
        {"no xdg-open", "", OPENER_WAIT, false},
        {"still running with the browser", "echo opening; exec /bin/sleep 3", milliseconds(100),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(dir_ / "xdg-open");
        if (*c.script) {
            std::ofstream(dir_ / "xdg-open") << "#!/bin/sh\n" << c.script << "\n";
            fs::permissions(dir_ / "xdg-open", fs::perms::owner_all);
        }
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        const bool result = open_with_default_program("https://q9xz.example.org/", c.wait);
        const auto took = std::chrono::steady_clock::now() - start;
        const std::string printed =
            ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.started, result);
        EXPECT_EQ("", printed);
        EXPECT_LT(took, std::chrono::seconds(2));
    }
}

} // namespace
} // namespace q9xz
