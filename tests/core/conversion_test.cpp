#include "adif_test_util.h"
#include "conversion_probe.h"
#include "convert/convert_adif.h"
#include "test_logs.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <random>

using namespace q9xz;
using q9xz::testing::choice;
using q9xz::testing::convert_text;
using q9xz::testing::shown_text;

namespace {

class UtcZone : public ::testing::Test {
  private:
    test::ScopedTimeZone zone_{"UTC"};
};

std::vector<std::string> oldest_first(const MessageLines& list) {
    std::vector<std::string> lines(list.begin(), list.end());
    return {lines.rbegin(), lines.rend()};
}

using ConversionDriver = UtcZone;

TEST_F(ConversionDriver, HeaderOnlyLogGivesFullSheetAndZeroSummary) {
    ConvertOptions options;
    const ConversionResult result = convert_text("Exported by a logger\n<EOH>\n", options);
    EXPECT_FALSE(result.not_a_log);
    EXPECT_EQ(0, result.written);
    EXPECT_TRUE(result.lists.problems.empty());
    EXPECT_EQ(" 0 state(s) worked on MIX\n"
              " 0 state(s) worked on CW \n"
              " 0 state(s) worked on DIG\n"
              " 0 state(s) worked on PH \n"
              "\n"
              "\n",
              shown_text(result));
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = result.csv.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(229u, lines);
    EXPECT_EQ(0u, result.csv.find("STATE,MODE,,160m,80m,40m,30m,20m,17m,15m,12m,10m,6m,2m\r\n"
                                  "Alabama,CW,,,,,,,,,,,,\r\n"
                                  "Alabama,DIG,,,,,,,,,,,,\r\n"
                                  "Alabama,PH,,,,,,,,,,,,\r\n\r\n"
                                  "Alaska,CW,"));
    EXPECT_NE(std::string::npos, result.csv.find("Wyoming,PH,,,,,,,,,,,,\r\n\r\n"
                                                 "American Samoa,CW,"));
    EXPECT_EQ(result.csv.size() - 2, result.csv.rfind("\r\n\r\n") + 2);
}

// The whole log is read, whatever its lines hold: records after an end tag on the same line,
// after a line of any length, after a record too large to keep, after a Ctrl-Z.
TEST_F(ConversionDriver, ReadsTheWholeLog) {
    const std::string ga = "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140105 <TIME_ON:4>1200 <BAND:3>20m "
                           "<MODE:2>CW <STATE:2>GA <EOR>";
    const std::string oh = "<CALL:6>Q9XZ/8 <QSO_DATE:8>20140106 <TIME_ON:4>1300 <BAND:3>40m "
                           "<MODE:2>CW <STATE:2>OH <EOR>";
    const std::string both = "Georgia CW 20m 05-Jan|Ohio CW 40m 06-Jan";
    const std::string ga_only = "Georgia CW 20m 05-Jan";
    const std::string too_large = "ERROR: Record too large; skipped to its end";
    const std::string unfinished = "ERROR: Unfinished last record not read";
    std::string repeats = "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140107 <TIME_ON:4>1400 ";
    for (int i = 0; i < 100000; ++i)
        repeats += "<COMMENT:1>x";
    // Four values of 1,048,000 bytes, a call, and a small field that passes 4 MiB.
    std::string large = "<CALL:6>Q9XZ/4 ";
    for (int i = 0; i < 4; ++i)
        large += "<V" + std::to_string(i) + ":1048000>" + std::string(1048000, 'v') + "\n";
    large += "<Y:2500>" + std::string(2500, 'y') + "<EOR>";
    std::string many_fields = "<CALL:6>Q9XZ/5 ";
    for (int i = 0; i < 50000; ++i)
        many_fields += "<F" + std::to_string(i) + ":0>";
    struct Case {
        const char* label;
        std::string log;
        std::vector<std::string> problems;
        std::string cells;
    };
    const Case cases[] = {
        {"all on one line", "<PROGRAMID:4>Test <EOH>" + ga + oh, {}, both},
        {"a record on the header's line", "header <EOH>" + ga + "\n" + oh + "\n", {}, both},
        {"a long line between records",
         ga + "\n" + std::string(3u << 20, 'x') + "\n" + oh + "\n",
         {},
         both},
        {"a 2 MiB line of junk inside a record",
         "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140105\n" + std::string(2u << 20, '<') + "\n" +
             ga.substr(36) + oh,
         {},
         both},
        {"a declared length over 1 MiB",
         ga + "\n<CALL:6>Q9XZ/4 <NOTES:1048577>x <EOR>\n" + oh + "\n",
         {"Q9XZ/4 on  at : " + too_large},
         both},
        {"a declared length over 1 MiB first: the text alone",
         "<NOTES:1048577>x <CALL:6>Q9XZ/4 <EOR>" + ga + oh,
         {too_large},
         both},
        {"a repeat, then a field too large",
         "<CALL:6>Q9XZ/4 <A:1>x <A:1>y <NOTES:2000000> <A:1>z <EOR>" + oh,
         {"Q9XZ/4 on  at : Duplicate field: <A:1>y", "Q9XZ/4 on  at : " + too_large},
         "Ohio CW 40m 06-Jan"},
        {"4 MiB passed by a small field",
         large + oh,
         {"Q9XZ/4 on  at : " + too_large},
         "Ohio CW 40m 06-Jan"},
        {"more than 50,000 distinct fields",
         many_fields + "<EOR>" + oh,
         {"Q9XZ/5 on  at : " + too_large},
         "Ohio CW 40m 06-Jan"},
        {"100,000 repeats take no room",
         ga + repeats + "<BAND:3>20m <MODE:2>CW <STATE:2>NC <EOR>\n",
         {"Q9XZ/4 on 20140107 at 1400: Duplicate field: <COMMENT:1>x"},
         "Georgia CW 20m 05-Jan|North Carolina CW 20m 07-Jan"},
        {"a dropped header gives no record of its own",
         "<PROGRAMID:3>Foo <NOTES:1048577> <CALL:6>Q9XZ/9 <EOH>" + ga,
         {" on  at : " + too_large},
         ga_only},
        {"Ctrl-Z inside a value and after the last record",
         ga +
             "<COMMENT:3>a\x1a"
             "b" +
             oh + "\x1a\x1a",
         {},
         both},
        {"an unfinished last record is named",
         ga + "\n<CALL:6>Q9XZ/8 <QSO_DATE:8>20140106\n",
         {"Q9XZ/8 on 20140106 at : " + unfinished},
         ga_only},
        {"a repeat is a field read",
         "<CALL:6>Q9XZ/8 <EOH>\n<CALL:6>Q9XZ/7\n",
         {"Q9XZ/7 on  at : Duplicate field: <CALL:6>Q9XZ/7", "Q9XZ/7 on  at : " + unfinished},
         ""},
        {"a value the log cuts short is no field read", ga + "<COMMENT:10>abc", {}, ga_only},
        {"text after the last record is nothing", ga + "\nthe end\n<EOR\n", {}, ga_only},
        {"a header without records is nothing", "<PROGRAMID:4>Test <EOH>\n", {}, ""},
        {"a dropped record is not unfinished", ga + "<NOTES:1048577>\n", {too_large}, ga_only},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ConvertOptions options;
        const ConversionResult result = convert_text(c.log, options);
        EXPECT_FALSE(result.not_a_log);
        EXPECT_EQ(c.problems, oldest_first(result.lists.problems));
        std::string cells;
        for (const std::string& cell : probe::filled_cells(result.csv))
            cells += (cells.empty() ? "" : "|") + cell;
        EXPECT_EQ(c.cells, cells);
    }
}

// A file in which no well-formed tag stands is no log: it is read to its end, its problem lines
// are kept, and it is refused, with no spreadsheet and no summary.
TEST_F(ConversionDriver, FilesWithoutATagAreRefused) {
    const struct {
        const char* label;
        std::string bytes;
        std::vector<std::string> problems;
    } cases[] = {
        {"empty", "", {}},
        {"a PDF", "%PDF-1.4\n1 0 obj <</Type /Catalog /Pages 2 0 R>> endobj\n%%EOF\n", {}},
        {"a CSV", "STATE,MODE,,160m\r\nAlabama,CW,,\r\n", {}},
        {"NUL bytes", std::string(4096, '\0'), {}},
        {"Ctrl-Z", "\x1a", {}},
        {"fields the reader takes, none well-formed",
         "<a b:1>x <c+:1>y",
         {" on  at : ERROR: Unfinished last record not read"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ConvertOptions options;
        const ConversionResult result = convert_text(c.bytes, options);
        EXPECT_EQ(result.not_a_log, std::optional<std::size_t>(0));
        EXPECT_EQ(c.problems, oldest_first(result.lists.problems));
        EXPECT_TRUE(result.lists.summary.empty());
        EXPECT_TRUE(result.csv.empty());
    }
}

TEST_F(ConversionDriver, DuplicateFieldListedBeforeTheRecordsOwnProblem) {
    const std::string log = "<CALL:6>Q9XZ/4<QSO_DATE:8>20140214<TIME_ON:4>1530\n"
                            "<BAND:3>20m<BAND:3>40m<MODE:3>SSB<STATE:2>CA<EOR>\n";
    ConvertOptions options;
    const ConversionResult result = convert_text(log, options);
    EXPECT_EQ((std::vector<std::string>{
                  "Q9XZ/4 on 20140214 at 1530: Duplicate field: <BAND:3>40m",
                  "Q9XZ/4 on 20140214 at 1530: [CA] is not likely for this call area."}),
              oldest_first(result.lists.problems));
    // Recorded on the second BAND, 40m.
    EXPECT_NE(std::string::npos, result.csv.find("California,PH,,,,14-Feb,"));
}

TEST_F(ConversionDriver, RecordsAreEvaluatedApart) {
    const std::string log = "<PROGRAMID:10>ADIFMaster<EOH>\n"
                            "<CALL:6>Q9XZ/1<QSO_DATE:8>20140301<TIME_ON:4>0900<BAND:3>20m"
                            "<MODE:2>CW<COMMENT:2>NH<EOR>\n"
                            "<CALL:6>Q9XZ/1<QSO_DATE:8>20140302<TIME_ON:4>0900<BAND:3>40m"
                            "<MODE:2>CW<EOR>\n"
                            "<CALL:6>Q9XZ/1<QSO_DATE:8>20140303<TIME_ON:4>0900<EOR>\n";
    ConvertOptions options;
    const ConversionResult result = convert_text(log, options);
    EXPECT_EQ((std::vector<std::string>{"Q9XZ/1 on 20140302 at 0900: STATE is not defined!",
                                        "Q9XZ/1 on 20140303 at 0900: STATE is not defined!"}),
              oldest_first(result.lists.problems));
    EXPECT_EQ(1, result.written);
    EXPECT_EQ("ADIFMaster", result.last_header.program_id.value_or(""));
}

TEST_F(ConversionDriver, ProgramIdIsTheLogsOwn) {
    ConvertOptions options;
    EXPECT_EQ("ADIFMaster", convert_text("<PROGRAMID:10>ADIFMaster<EOH>\n", options)
                                .last_header.program_id.value_or(""));
    const ConversionResult result =
        convert_text("<CALL:6>Q9XZ/1<QSO_DATE:8>20140301<TIME_ON:4>0900<BAND:3>20m<MODE:2>CW"
                     "<COMMENT:2>NH<EOR>\n",
                     options);
    EXPECT_FALSE(result.last_header.program_id.has_value());
    EXPECT_EQ(std::vector<std::string>{"Q9XZ/1 on 20140301 at 0900: STATE is not defined!"},
              oldest_first(result.lists.problems));
}

TEST_F(ConversionDriver, LastRecordWithoutLineEndIsKept) {
    const std::string log = "<CALL:6>Q9XZ/8<QSO_DATE:8>20140105<TIME_ON:4>1200"
                            "<BAND:3>20m<MODE:2>CW<STATE:2>OH<EOR>";
    ConvertOptions options;
    const ConversionResult result = convert_text(log, options);
    EXPECT_EQ(1, result.written);
    EXPECT_TRUE(result.lists.problems.empty());
}

TEST_F(ConversionDriver, SummaryAndCompletionUnderLotw) {
    const std::string log =
        "<CALL:6>Q9XZ/8<QSO_DATE:8>20140105<TIME_ON:4>1200<BAND:3>20m<MODE:2>CW<STATE:2>OH"
        "<LOTW_QSL_RCVD:1>Y<EOR>\n"
        "<CALL:6>Q9XZ/8<QSO_DATE:8>20140106<TIME_ON:4>1200<BAND:3>80m<MODE:3>FT8<STATE:2>MI"
        "<EOR>\n"
        "<CALL:8>Q9XZ/KP4<QSO_DATE:8>20140107<TIME_ON:4>1200<BAND:2>2m<MODE:2>FM<EOR>\n";
    ConvertOptions options = choice('W');
    const ConversionResult result = convert_text(log, options);
    EXPECT_EQ(" 2 state(s) worked on MIX ( 1 confirmed)\n"
              " 1 state(s) worked on CW  ( 1 confirmed)\n"
              " 1 state(s) worked on DIG\n"
              " 0 state(s) worked on PH \n"
              "\n"
              " 1 state(s) worked on  80m\n"
              " 1 state(s) worked on  20m ( 1 confirmed)\n"
              "\n"
              "Not confirmed on MIX (49): AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
              "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
              "    NC ND OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
              "    WY\n"
              "Not confirmed on CW  (49): AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
              "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
              "    NC ND OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
              "    WY\n"
              "Not confirmed on DIG (50): AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
              "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
              "    NC ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV\n"
              "    WI WY\n"
              "\n",
              shown_text(result));
    EXPECT_EQ(3, result.written);
    EXPECT_EQ(1, result.lotw_confirmed);
    EXPECT_NE(std::string::npos, result.csv.find("Ohio,CW,,,,,,LOTW,,,,,,\r\n"));
    EXPECT_NE(std::string::npos, result.csv.find("Puerto Rico,PH,,,,,,,,,,,,07-Jan\r\n"));
    EXPECT_EQ("Wrote 6 Q9XZ QSOs to out.CSV\n2 QSOs were confirmed via LoTW",
              completion_text(6, 2, "out.CSV"));
}

TEST(CsvNameProposal, CutsOnlyTheBaseName) {
    struct Case {
        const char* path;
        const char* separators;
        const char* expected;
    } cases[] = {
        {"log.adi", "/", "log.CSV"},
        {"/home/ham/my.logs/log", "/", "/home/ham/my.logs/log.CSV"},
        {"/home/ham/My.Log.adi", "/", "/home/ham/My.Log.CSV"},
        {"C:\\logs\\My.Log.adi", "\\/", "C:\\logs\\My.Log.CSV"},
        {"C:\\my.logs\\log", "\\/", "C:\\my.logs\\log.CSV"},
        {"log.CSV", "/", "log.CSV"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, proposed_csv_path(c.path, c.separators)) << c.path;
}

} // namespace

namespace {

// A log of several MiB as loggers write them (one line per record or one field per line, upper
// and lower case, CR LF or LF), with 2014 contacts, repeated fields and values over two lines.
std::string many_blocks_log() {
    std::mt19937 random(5);
    std::string log = "made for the test\r\n<PROGRAMID:4>test\r\n<EOH>\r\n";
    const char* states[] = {"OH", "NY", "TX", "CA", "XX", "FL"};
    const char* bands[] = {"20m", "40m", "10m", "11m"};
    for (int record = 0; log.size() < (5u << 20); ++record) {
        const bool lower = random() % 10 == 0;
        const char* end = random() % 3 == 0 ? "\n" : "\r\n";
        const char* gap = random() % 4 == 0 ? end : " ";
        auto field = [&](std::string name, const std::string& value) {
            if (lower)
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            log += "<" + name + ":" + std::to_string(value.size()) + ">" + value + gap;
        };
        field("CALL", random() % 3 ? "Q9XZ/" + std::to_string(random() % 10) : "W1AW");
        field("QSO_DATE",
              random() % 4 ? "2014" + std::to_string(1010 + random() % 200) : "20150101");
        field("TIME_ON", std::to_string(1000 + random() % 1300));
        field("BAND", bands[random() % 4]);
        field("MODE", random() % 2 ? "CW" : "SSB");
        field("STATE", states[random() % 6]);
        if (random() % 50 == 0)
            field("STATE", "OH"); // a repeat
        if (random() % 30 == 0)
            field("COMMENT", std::string("two") + end + "lines");
        field("NOTES", std::string(random() % 400, 'n'));
        log += std::string("<EOR>") + end;
    }
    return log;
}

} // namespace

// The reader's blocks end anywhere in a record: a log read from a file converts as the same
// text read whole.
TEST_F(ConversionDriver, ALogOverManyBlocksConvertsAsOneText) {
    const std::string log = many_blocks_log();
    LineReader whole(log);
    ConvertOptions options;
    const ConversionResult b = run_conversion(whole, options);
    EXPECT_GT(b.written, 10);
    EXPECT_GT(oldest_first(b.lists.problems).size(), 1000u); // repeats, unknown states and bands
    for (const auto reading : {LineReader::Reading::AHEAD, LineReader::Reading::WHEN_ASKED}) {
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(log.data(), 1, log.size(), file), log.size());
        std::rewind(file);
        LineReader from_file(file, LineReader::MAX_LINE, reading);
        const ConversionResult a = run_conversion(from_file, options);
        EXPECT_EQ(a.csv, b.csv);
        EXPECT_EQ(a.lists.problems, b.lists.problems);
        EXPECT_EQ(a.lists.summary, b.lists.summary);
    }
}
