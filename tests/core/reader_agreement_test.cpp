// The reader's short ways (names sixteen bytes at a time, plain fields, record ends) against the
// plain reader, call by call: on every log of the repository and on lines made to sit on the
// edges of those ways.

#include "slow_reader.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace q9xz {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReaderAgreement, EveryLogOfTheRepository) {
    const fs::path root = fs::path(Q9XZ_SAMPLES).parent_path();
    std::size_t logs = 0;
    for (const char* folder : {"samples", "tests/data", "fuzz/corpus"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md")
                continue;
            const std::string log = contents(entry.path());
            ++logs;
            EXPECT_EQ(slow::first_difference(log), std::nullopt) << entry.path();
        }
    }
    EXPECT_GT(logs, 100u);
}

TEST(ReaderAgreement, LinesOnTheEdgesOfTheShortWays) {
    const std::string names[] = {
        "",
        "A",
        "call",
        "Call",
        "CALL",
        "QSO_DATE",
        "qso_date",
        "QSO_DATE_OFF",
        "TIME_ON",
        "DXCC",
        "dxcc",
        "BAND",
        "MODE",
        "mode",
        "FIFTEEN_LETTERS",
        "SIXTEEN_LETTERSS",
        "SEVENTEEN_LETTERS",
        "STATION_CALLSIGN",
        "app_logger_id_and_more_than_32_letters",
        "\xe9t\xe9",
        std::string("NA\0ME", 5),
        "EOR",
        "eor",
        "EOH",
    };
    const std::string lengths[] = {"0",       "3",       "12",         "007", "999999999",
                                   "1048576", "1048577", "1234567890", "3:S", " 3",
                                   "+3",      "-1",      "x",          ""};
    const std::string values[] = {"abc", "ab", "a<b>c", "abcdefghijklmnop", ""};
    std::vector<std::string> logs;
    for (const std::string& name : names)
        for (const std::string& length : lengths)
            for (const std::string& value : values) {
                const std::string tag = "<" + name + ":" + length + ">" + value;
                logs.push_back(tag + "\n");
                logs.push_back(tag + "<CALL:4>Q9XZ <eor>\r\n" + tag + "<EOR>\n");
                logs.push_back("<BAND:3>20m" + tag + " <" + name + ">\n<EOR>");
                logs.push_back("<MODE:2>CW\n" + tag + "\r\ncontinued<" + name + ">\n");
            }
    // Repeats, in the index and past it, and a line that begins without a plain field.
    std::string many;
    for (int i = 0; i < 70; ++i)
        many += "<F" + std::to_string(i % 40) + ":1>x";
    logs.push_back(many + "<eor>\n");
    logs.push_back("free text <this> and <call:4>Q9XZ<band:3>20m<BAND:3>40m<EoR>\n");
    // Records after end tags on one line, records dropped over lines up to their end tags, and
    // the limit on distinct names.
    logs.push_back("hdr <EOH><CALL:4>Q9XZ<EOR><call:4>W1AW <A:1>x<A:1>y<eor> <B:1>z");
    logs.push_back("<CALL:4>Q9XZ <N:30>ab\ncd <EOR> <B:3>20m<EOR>\n<C:2>ab<EOH> <D:1>x\n");
    std::string distinct;
    for (int i = 0; i <= 50000; ++i)
        distinct += "<F" + std::to_string(i) + ":0>";
    logs.push_back(distinct + "<A:1>x<EOR><B:1>y<EOR>");
    for (const std::string& log : logs)
        for (std::size_t max_line : {std::size_t{7}, std::size_t{24}, LineReader::MAX_LINE})
            EXPECT_EQ(slow::first_difference(log, max_line), std::nullopt)
                << "max_line " << max_line << ": " << log;
}

// Logs of tokens that end records within lines, cut tags and values between reads, drop records
// and end logs unfinished, read with many read limits.
TEST(ReaderAgreement, RandomLogsOfEndTagsCutTagsAndDroppedRecords) {
    const std::string tokens[] = {
        "<CALL:4>",    "Q9XZ",   "<EOR>", "<eoh>", "\n", "\r\n", "<A:1>x", "<A:3>", "<band:3>20m",
        "<N:2000000>", "<B:30>", "<",     ">",     ":",  "x ",   "\x1a",   "<EOR",  "<MODE:2>CW"};
    std::mt19937 random(25);
    for (int round = 0; round < 3000; ++round) {
        std::string log;
        for (std::size_t i = 0, n = random() % 40; i < n; ++i)
            log += tokens[random() % std::size(tokens)];
        const std::size_t max_line = round % 3 == 0 ? LineReader::MAX_LINE : 3 + random() % 30;
        ASSERT_EQ(slow::first_difference(log, max_line), std::nullopt)
            << "max_line " << max_line << ": " << log;
    }
}

} // namespace
} // namespace q9xz
