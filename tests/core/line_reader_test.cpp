#include "adif/line_reader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace q9xz {
namespace {

std::vector<std::string> read_all(LineReader& reader) {
    std::vector<std::string> lines;
    for (;;) {
        std::string_view line = reader.read_line();
        if (line.empty())
            break;
        EXPECT_LE(line.size(), reader.max_line());
        lines.emplace_back(line);
    }
    return lines;
}

// CR LF as LF, a lone CR kept, every other byte as it is; then cut like fgets into pieces up to and
// including each LF, at most max_line long.
std::vector<std::string> model_lines(const std::string& raw, std::size_t max_line) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text.push_back(raw[i]);
    }
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        current.push_back(c);
        if (c == '\n' || current.size() == max_line) {
            lines.push_back(current);
            current.clear();
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

std::FILE* temp_file_with(const std::string& bytes) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr)
        return nullptr;
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::rewind(file);
    return file;
}

TEST(LineReader, AppliesTheTextModeRules) {
    struct Case {
        const char* label;
        std::string input;
        std::size_t max_line;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"LF lines", "abc\ndef\n", 100, {"abc\n", "def\n"}},
        {"CR LF reads as LF", "abc\r\ndef\r\n", 100, {"abc\n", "def\n"}},
        {"lone CR stays inside a line", "abc\rdef\n", 100, {"abc\rdef\n"}},
        {"lone CR at the end", "abc\r", 100, {"abc\r"}},
        {"CR before CR LF", "abc\r\r\n", 100, {"abc\r\n"}},
        {"LF CR", "a\n\rb\n", 100, {"a\n", "\rb\n"}},
        {"empty lines", "\r\n\n\r\n", 100, {"\n", "\n", "\n"}},
        {"no line end at the end", "abc\ndef", 100, {"abc\n", "def"}},
        {"Ctrl-Z is a byte like any other",
         "\x1a"
         "ab\x1a\r\n\x1a",
         100,
         {"\x1a"
          "ab\x1a\n",
          "\x1a"}},
        {"NUL bytes are data", "a\0b\n\0\n"s, 100, {"a\0b\n"s, "\0\n"s}},
        {"bytes over 127 are data", "\xff\xfe\x80\r\n", 100, {"\xff\xfe\x80\n"}},
        {"limit cuts long lines", "abcdefghij\n", 5, {"abcde", "fghij", "\n"}},
        {"CR LF right at the limit counts as one", "abc\r\nxyz\n", 4, {"abc\n", "xyz\n"}},
        {"CR LF just past the limit", "abcd\r\nx", 4, {"abcd", "\n", "x"}},
        {"lone CR past the limit", "abc\r", 3, {"abc", "\r"}},
        {"limit of one", "a\r\nb", 1, {"a", "\n", "b"}},
        {"CR then CR LF at a limit of two", "\r\r\n", 2, {"\r\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LineReader reader(c.input, c.max_line);
        EXPECT_EQ(reader.max_line(), c.max_line);
        EXPECT_EQ(read_all(reader), c.lines);
        // The end stays the end.
        EXPECT_TRUE(reader.read_line().empty());
    }
}

TEST(LineReader, EmptyTextOrFileReadsNothing) {
    LineReader text{std::string()};
    EXPECT_TRUE(text.read_line().empty());
    EXPECT_TRUE(text.read_line().empty());
    LineReader file(temp_file_with(""));
    EXPECT_TRUE(file.read_line().empty());
}

TEST(LineReader, MatchesTheTextModeModelOnRandomInput) {
    std::mt19937 random(20140105);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\x1a', '\0'};
    std::discrete_distribution<int> pick({30, 10, 20, 20, 1, 3});
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = 1 + random() % 40; // empty text: its own test
        std::string input;
        for (std::size_t i = 0; i < length; ++i)
            input.push_back(alphabet[pick(random)]);
        const std::size_t max_line = 1 + random() % 8;
        LineReader reader(input, max_line);
        ASSERT_EQ(read_all(reader), model_lines(input, max_line))
            << "round " << round << ", max_line " << max_line;
    }
}

// The reader fills its buffer in blocks; a CR LF pair split by a block boundary must still read
// as one LF. In "a" followed by CR LF pairs every CR sits at an odd offset, so every block
// boundary at an even offset falls between a CR and its LF.
TEST(LineReader, CarriageReturnLineFeedSplitAcrossBlocks) {
    const std::size_t pairs = 3u << 20;
    std::string bytes = "a";
    for (std::size_t i = 0; i < pairs; ++i)
        bytes += "\r\n";
    for (std::size_t lead = 0; lead < 2; ++lead) {
        SCOPED_TRACE(lead == 0 ? "CR at odd offsets" : "CR at even offsets");
        LineReader reader(temp_file_with(bytes.substr(lead)));
        std::size_t count = 0;
        bool all_right = true;
        for (std::string_view line = reader.read_line(); !line.empty(); line = reader.read_line()) {
            const std::string_view expected = (count == 0 && lead == 0) ? "a\n" : "\n";
            if (line != expected && all_right) {
                ADD_FAILURE() << "read " << count << " gave " << line.size() << " characters";
                all_right = false;
            }
            ++count;
        }
        EXPECT_EQ(count, pairs);
    }
}

TEST(LineReader, LoneCarriageReturnsAcrossBlocksStay) {
    // No LF at all: the reads are max_line long and give back the bytes unchanged.
    std::string bytes = "a";
    for (int i = 0; i < (3 << 20); ++i)
        bytes += "\rX";
    LineReader reader(temp_file_with(bytes));
    std::string joined;
    std::size_t reads = 0;
    for (std::string_view line = reader.read_line(); !line.empty(); line = reader.read_line()) {
        ++reads;
        EXPECT_LE(line.size(), LineReader::MAX_LINE);
        joined += line;
    }
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(reads, (bytes.size() + LineReader::MAX_LINE - 1) / LineReader::MAX_LINE);
}

TEST(LineReader, LargeRandomFileMatchesTheModel) {
    std::mt19937 random(7);
    std::string bytes;
    while (bytes.size() < (5u << 20)) {
        const std::size_t length = random() % 3000;
        for (std::size_t i = 0; i < length; ++i)
            bytes.push_back(char('A' + random() % 26));
        switch (random() % 4) {
        case 0:
            bytes += "\n";
            break;
        case 1:
            bytes += "\r";
            break;
        default:
            bytes += "\r\n";
            break;
        }
    }
    // Lines longer than the limit, too.
    bytes += std::string(LineReader::MAX_LINE + 5, 'L') + "\r\n";
    bytes += "tail";
    LineReader reader(temp_file_with(bytes));
    EXPECT_TRUE(read_all(reader) == model_lines(bytes, LineReader::MAX_LINE));
}

// A line's last characters read again come back as they were read, CR LF and all, with what
// follows them.
TEST(LineReader, UnreadCharactersAreReadAgain) {
    LineReader reader("ab<EOR>cd\r\nef\n"s + std::string(20, 'x') + "<EOR>\n", 8);
    EXPECT_EQ(reader.read_line(), "ab<EOR>c");
    EXPECT_TRUE(reader.continues());
    reader.unread_last(1);
    EXPECT_EQ(reader.read_line(), "cd\n");
    EXPECT_FALSE(reader.continues());
    reader.unread_last(2);
    EXPECT_EQ(reader.read_line(), "d\n");
    EXPECT_EQ(reader.read_line(), "ef\n");
    EXPECT_EQ(reader.read_line(), "xxxxxxxx");
    EXPECT_EQ(reader.read_line(), "xxxxxxxx");
    EXPECT_EQ(reader.read_line(), "xxxx<EOR");
    reader.unread_last(4);
    EXPECT_EQ(reader.read_line(), "<EOR>\n");
    EXPECT_TRUE(reader.read_line().empty());
}

// A file is a log when a well-formed tag stands anywhere in it, inside a value too, and
// whichever piece or block it is cut into.
TEST(LineReader, SeesAWellFormedTagAnywhere) {
    struct Case {
        std::string bytes;
        bool tag;
    };
    const Case cases[] = {
        {"", false},
        {std::string(4096, '\0'), false},
        {"%PDF-1.4 <</Type /Catalog>> <x> <a:> <:1> <a:b> <a:1:> <a:1:2> < a:1>", false},
        {"name,call\r\nQ9XZ/4,20m\r\n", false},
        {"<EOX> <EO> <EOHH> <E_H>", false},
        {"<a:1>", true},
        {"junk <CALL_2:12345:d> junk", true},
        {"<NOTES:1048577>", true},
        {"<<eoh>", true},
        {"text <EoR", false},
        {"<COMMENT:5:S>", true},
        {"x<Q<R:0>", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        for (std::size_t max_line : {std::size_t{3}, LineReader::MAX_LINE}) {
            LineReader reader(c.bytes, max_line);
            read_all(reader);
            EXPECT_EQ(reader.saw_tag(), c.tag);
        }
    }
    // A tag cut between two blocks of a file.
    std::string bytes((1u << 20) - 3, ' '); // a block is 1 MiB
    bytes += "<EOR>";
    LineReader reader(temp_file_with(bytes));
    read_all(reader);
    EXPECT_TRUE(reader.saw_tag());
}

TEST(LineReader, ReadsFromTheFilesCurrentPosition) {
    std::FILE* file = temp_file_with("header line\r\nsecond\r\n");
    ASSERT_EQ(std::fseek(file, 13, SEEK_SET), 0);
    LineReader reader(file);
    EXPECT_EQ(read_all(reader), (std::vector<std::string>{"second\n"}));
}

TEST(LineReader, TheLimitIsOneMebibyteLineEndIncluded) {
    EXPECT_EQ(LineReader::MAX_LINE, std::size_t(1048576));

    std::string exact(LineReader::MAX_LINE - 1, 'x');
    exact += "\r\n";
    std::string over(LineReader::MAX_LINE, 'y');
    over += "\r\n";
    LineReader reader(temp_file_with(exact + over));
    std::string_view line = reader.read_line();
    EXPECT_EQ(line.size(), LineReader::MAX_LINE);
    EXPECT_EQ(line.back(), '\n');
    line = reader.read_line();
    EXPECT_EQ(line.size(), LineReader::MAX_LINE);
    EXPECT_EQ(line.find('\n'), std::string_view::npos);
    EXPECT_EQ(reader.read_line(), "\n");
    EXPECT_TRUE(reader.read_line().empty());
}

class LineReaderFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("q9xz-line-reader-" + std::to_string(::getpid()) + "-" + info->name() + ".adi");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    void write(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }
    std::filesystem::path path_;
};

TEST_F(LineReaderFile, OpensAFileAndReadsItBytewise) {
    write("<CALL:6>Q9XZ/4\r\n\xe9\0\r\x1a<EOR>\r\n"s);
    auto reader = LineReader::open(path_.string());
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->max_line(), LineReader::MAX_LINE);
    EXPECT_EQ(read_all(*reader),
              (std::vector<std::string>{"<CALL:6>Q9XZ/4\n", "\xe9\0\r\x1a<EOR>\n"s}));
}

TEST_F(LineReaderFile, AFileWithAGivenLimit) {
    write("abcdef\n");
    std::FILE* file = std::fopen(path_.string().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    LineReader reader(file, 4);
    EXPECT_EQ(read_all(reader), (std::vector<std::string>{"abcd", "ef\n"}));
}

TEST_F(LineReaderFile, OpenFailsForAFolderOrAMissingFile) {
    EXPECT_EQ(LineReader::open(std::filesystem::temp_directory_path().string()), nullptr);
    EXPECT_EQ(LineReader::open(path_.string()), nullptr); // not written yet
    EXPECT_EQ(LineReader::open(""), nullptr);
}

TEST(LineReader, MovedReaderGoesOnWhereItStood) {
    LineReader first("one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(first.read_line(), "one\n");
    LineReader second(std::move(first));
    EXPECT_EQ(second.read_line(), "two\n");
    LineReader third("x\n");
    third = std::move(second);
    EXPECT_EQ(third.read_line(), "three\n");
    EXPECT_TRUE(third.read_line().empty());

    LineReader from_file(temp_file_with("a\r\nb\r\n"));
    EXPECT_EQ(from_file.read_line(), "a\n");
    LineReader moved(std::move(from_file));
    EXPECT_EQ(moved.read_line(), "b\n");
    EXPECT_TRUE(moved.read_line().empty());
}

} // namespace
} // namespace q9xz

namespace q9xz {
namespace {

// Held lines come along wherever the reader's memory goes: over block ends, and in one piece
// when there are more of them than a block makes room for.
TEST(LineReader, HeldLinesStayWholeAcrossBlocks) {
    std::mt19937 random(11);
    std::string bytes;
    while (bytes.size() < (6u << 20)) {
        bytes += std::string(1 + random() % 5000, char('a' + random() % 26));
        bytes += random() % 2 ? "\r\n" : "\n";
    }
    const std::vector<std::string> expected = model_lines(bytes, LineReader::MAX_LINE);
    for (const auto reading : {LineReader::Reading::AHEAD, LineReader::Reading::WHEN_ASKED}) {
        LineReader reader(temp_file_with(bytes), LineReader::MAX_LINE, reading);
        // From every 300th line on, the lines are held for up to 3 MiB, then checked and let go.
        const char* held = nullptr;
        std::vector<std::pair<std::size_t, std::string>> held_lines; // offset from `held`, text
        std::size_t index = 0;
        for (std::string_view line = reader.read_line(); !line.empty(); line = reader.read_line()) {
            if (held != nullptr)
                held += reader.moved_by();
            ASSERT_LT(index, expected.size());
            EXPECT_EQ(line, expected[index]);
            if (held != nullptr && static_cast<std::size_t>(line.data() - held) > (3u << 20)) {
                for (const auto& [offset, text] : held_lines)
                    ASSERT_EQ(std::string_view(held + offset, text.size()), text);
                reader.release();
                held = nullptr;
                held_lines.clear();
            }
            if (held == nullptr && index % 300 == 0) {
                reader.hold(line.data());
                held = line.data();
            }
            if (held != nullptr)
                held_lines.emplace_back(static_cast<std::size_t>(line.data() - held), line);
            ++index;
        }
        EXPECT_EQ(index, expected.size());
    }
}

} // namespace
} // namespace q9xz
