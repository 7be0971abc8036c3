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
    EXPECT_GT(open_with_default_program(target), 32);
    EXPECT_EQ(recorded(), target + "|");
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists("pwned2"));
}

TEST_F(StubOpener, SaysNotStartedWhenThereIsNoOpener) {
    fs::remove(dir_ / "xdg-open");
    EXPECT_LE(open_with_default_program("https://q9xz.example.org/"), 32);
}

} // namespace
} // namespace q9xz
