#include "convert/output_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace q9xz {
namespace {

namespace fs = std::filesystem;

// Files made through the C library from narrow names, as the program opens them.
class SameFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "q9xz-same-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern + "/";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string name(const std::string& file) const { return dir_ + file; }
    void write(const std::string& file, const std::string& bytes) const {
        std::FILE* out = std::fopen(name(file).c_str(), "wb");
        ASSERT_NE(out, nullptr) << file;
        std::fputs(bytes.c_str(), out);
        std::fclose(out);
    }
    bool opens(const std::string& file) const {
        std::FILE* in = std::fopen(name(file).c_str(), "rb");
        if (in)
            std::fclose(in);
        return in != nullptr;
    }
    std::string dir_;
};

TEST_F(SameFile, EverySpellingOfOneFileAndNoOther) {
    // "Łęczyca ": UTF-8, and in Windows-1252 letters that are not Latin-1 ("™" for one).
    const std::string utf8 = "\xc5\x81\xc4\x99"
                             "czyca ";
    const std::string latin1 = "M\xfcller "; // "Müller " in Latin-1: not UTF-8
    for (const std::string& prefix : {std::string(), utf8, latin1})
        write(prefix + "log.adi", "<EOH>");
    write("copy.adi", "<EOH>");
    write("other.adi", "other");
    fs::create_directory(name("sub"));
    std::error_code no_link;
    fs::create_hard_link(name("log.adi"), name("linked.csv"), no_link);
    // Where the file system ignores letter case, so must the comparison.
    const bool folds_case = opens("LOG.ADI");

    struct Case {
        std::string first, second;
        bool same;
    };
    for (const Case& c : {
             Case{"log.adi", "log.adi", true},
             Case{"log.adi", "./log.adi", true},
             Case{"log.adi", "sub/../log.adi", true},
             Case{"log.adi", "LOG.ADI", folds_case},
             Case{"log.adi", "linked.csv", !no_link},
             Case{utf8 + "log.adi", utf8 + "LOG.ADI", folds_case},
             Case{utf8 + "log.adi", "./" + utf8 + "log.adi", true},
             Case{latin1 + "log.adi", latin1 + "LOG.ADI", folds_case},
             Case{"log.adi", "copy.adi", false}, // the same bytes in another file
             Case{utf8 + "log.adi", "other.adi", false},
             Case{latin1 + "log.adi", "other.adi", false},
             Case{"log.adi", "new.csv", false},
             Case{"new.adi", "new.csv", false},
             Case{"sub", "sub/.", true},
         }) {
        SCOPED_TRACE(c.first + " | " + c.second);
        EXPECT_EQ(same_file(name(c.first), name(c.second)), c.same);
        EXPECT_EQ(same_file(name(c.second), name(c.first)), c.same);
    }

    // Names that do not exist yet, spelled from the current folder or not.
    const fs::path here = fs::current_path();
    fs::current_path(dir_);
    for (const Case& c : {
             Case{"n.csv", "./n.csv", true},
             Case{"n.csv", name("n.csv"), true},
             Case{"n.csv", "x/../n.csv", true},
             Case{"n.csv", "sub/n.csv", false},
         }) {
        SCOPED_TRACE(c.first + " | " + c.second);
        EXPECT_EQ(same_file(c.first, c.second), c.same);
        EXPECT_EQ(same_file(c.second, c.first), c.same);
    }
    fs::current_path(here);
}

} // namespace
} // namespace q9xz
