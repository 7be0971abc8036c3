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
              oldest_first(result.lists.lists[2]));
    EXPECT_TRUE(result.lists.lists[0].empty());
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
    const std::vector<std::string> kept_lines = oldest_first(kept.lists.lists[2]);
    ASSERT_EQ(MAX_KEPT_PROBLEMS + 1, kept_lines.size());
    EXPECT_EQ(BAD_CALL_LINE, kept_lines.front());
    EXPECT_EQ(BAD_CALL_LINE, kept_lines[MAX_KEPT_PROBLEMS - 1]);
    EXPECT_EQ("... and 3 more problem lines", kept_lines.back());

    std::vector<std::string> streamed;
    LineReader streamed_input(log);
    const ConversionResult sunk = run_conversion(
        streamed_input, options, [&](std::string_view line) { streamed.emplace_back(line); });
    EXPECT_EQ(std::vector<std::string>(MAX_KEPT_PROBLEMS + 3, BAD_CALL_LINE), streamed);
    EXPECT_TRUE(sunk.lists.lists[2].empty());
    EXPECT_EQ(kept.lists.lists[0], sunk.lists.lists[0]);
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
        EXPECT_EQ(c.problems, oldest_first(result.lists.lists[2])) << c.name;
        EXPECT_EQ(c.written, result.written) << c.name;
        EXPECT_NE(std::string::npos, result.csv.find("Ohio,CW,,,,,,05-Jan,")) << c.name;
    }
}

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("q9xz-output-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
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
    // Temporary files in the folder: they all begin with "~q9".
    std::size_t temporaries() const {
        std::size_t count = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir_))
            count += entry.path().filename().string().starts_with("~q9") ? 1 : 0;
        return count;
    }
    // A symbolic link, or false where the system makes none for us (Windows, Wine).
    static bool link(const std::string& to, const std::string& name) {
        std::error_code error;
        fs::create_symlink(to, name, error);
        return !error;
    }

    fs::path dir_;
};

TEST_F(OutputFileTest, ReplacesWholeOnCommitOnly) {
    const bool posix_modes = fs::path::preferred_separator == '/';
    write(path("old.csv"), "old");
    fs::permissions(path("old.csv"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const bool links = link("target.csv", path("link.csv")) && link("new.csv", path("dangling"));
    if (links)
        write(path("target.csv"), "old");
    const struct {
        std::string name;    // what the user names
        std::string written; // the file that gets the bytes
    } cases[] = {{"new.csv", "new.csv"},
                 {"old.csv", "old.csv"},
                 {"link.csv", "target.csv"},
                 {"dangling", "new.csv"}};
    for (const auto& c : cases) {
        if (!links && c.name != c.written)
            continue;
        SCOPED_TRACE(c.name);
        const std::string old_bytes = fs::exists(path(c.written)) ? read(path(c.written)) : "";
        std::string problem;
        {
            // Dropped without a commit: the old file as it was, and no temporary file left.
            std::unique_ptr<OutputFile> dropped = OutputFile::open(path(c.name), problem);
            ASSERT_TRUE(dropped) << problem;
            EXPECT_EQ(1u, temporaries());
            dropped->write("half");
        }
        EXPECT_EQ(0u, temporaries());
        EXPECT_EQ(old_bytes, fs::exists(path(c.written)) ? read(path(c.written)) : "");

        std::unique_ptr<OutputFile> output = OutputFile::open(path(c.name), problem);
        ASSERT_TRUE(output);
        EXPECT_TRUE(output->write("new "));
        EXPECT_TRUE(output->write("bytes"));
        EXPECT_TRUE(output->commit(problem)) << problem;
        EXPECT_EQ("new bytes", read(path(c.written)));
        EXPECT_EQ(0u, temporaries());
        if (c.name != c.written) {
            EXPECT_TRUE(fs::is_symlink(path(c.name)));
        }
    }
    if (posix_modes) {
        EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                  fs::status(path("old.csv")).permissions());
    }
}

} // namespace
} // namespace q9xz
