#include "conversion_probe.h"
#include "convert/conversion.h"
#include "test_logs.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace q9xz {
namespace {

// A contact with Q9XZ/4 on 20m CW, with extra fields.
std::string contact(const std::string& date, const std::string& extra) {
    return "<CALL:6>Q9XZ/4 <QSO_DATE:8>" + date + " <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW " +
           extra + " <EOR>\n";
}

const std::string OWN_HEADER = "Own log\n<PROGRAMID:7>DemoLog <EOH>\n";
const std::string LOTW_HEADER = "ARRL Logbook of the World Status Report\n"
                                "<PROGRAMID:4>LoTW <EOH>\n";
const std::string ADIFMASTER_HEADER = "<PROGRAMID:10>ADIFMaster <EOH>\n";

struct Log {
    std::string name;
    std::string text;
    std::size_t max_line = LineReader::MAX_LINE;
};

struct Case {
    const char* what;
    char choice; // F, L or W (LoTW)
    std::vector<Log> logs;
    std::vector<std::string> problems;
    std::vector<std::string> cells;
    std::optional<std::size_t> not_a_log = {};
};

TEST(SeveralLogs, AreTalliedInOrderEachJudgedByItsOwnHeader) {
    const Case cases[] = {
        {"one log: its problem lines carry no name",
         'L',
         {{"a.adi", contact("20140105", "<STATE:2>ZZ")}},
         {"Q9XZ/4 on 20140105 at 1200: [ZZ] is not a state"},
         {}},
        {"ADIFMaster header applies to its own log only; a log without header is not judged by "
         "the one before",
         'L',
         {{"master.adi", ADIFMASTER_HEADER + contact("20140105", "<COMMENT:2>GA")},
          {"plain.adi", contact("20140106", "<COMMENT:2>GA")}},
         {"plain.adi: Q9XZ/4 on 20140106 at 1200: STATE is not defined!"},
         {"Georgia CW 20m 05-Jan"}},
        {"own log, then the LoTW report: LOTW where either confirms",
         'W',
         {{"own.adi", OWN_HEADER + contact("20140105", "<STATE:2>GA") +
                          contact("20140301", "<STATE:2>TN <QSL_RCVD:1>Y")},
          {"lotw.adi", LOTW_HEADER + contact("20140106", "<STATE:2>GA <QSL_RCVD:1>Y")}},
         {},
         {"Georgia CW 20m LOTW", "Tennessee CW 20m 01-Mar"}},
        {"the LoTW report first: its PROGRAMID does not carry over to the own log",
         'W',
         {{"lotw.adi", LOTW_HEADER + contact("20140106", "<STATE:2>GA <QSL_RCVD:1>Y")},
          {"own.adi",
           contact("20140105", "<STATE:2>GA") + contact("20140301", "<STATE:2>TN <QSL_RCVD:1>Y")}},
         {},
         {"Georgia CW 20m LOTW", "Tennessee CW 20m 01-Mar"}},
        {"Last over two logs keeps the latest contact whichever log holds it",
         'L',
         {{"b.adi", contact("20140320", "<STATE:2>GA")},
          {"a.adi", contact("20140105", "<STATE:2>GA")}},
         {},
         {"Georgia CW 20m 20-Mar"}},
        {"a line longer than one read is read whole, and its log goes on",
         'L',
         {{"long.adi",
           contact("20140105", "<STATE:2>GA") + std::string(200, 'x') + "\n" +
               contact("20140106", "<STATE:2>KY"),
           120},
          {"next.adi", contact("20140107", "<STATE:2>TN")}},
         {},
         {"Georgia CW 20m 05-Jan", "Kentucky CW 20m 06-Jan", "Tennessee CW 20m 07-Jan"}},
        {"an empty log among others is refused, and the logs after it are not read",
         'F',
         {{"a.adi", contact("20140105", "<STATE:2>ZZ")},
          {"empty.adi", ""},
          {"c.adi", OWN_HEADER + contact("20140107", "<STATE:2>ZZ")}},
         {"a.adi: Q9XZ/4 on 20140105 at 1200: [ZZ] is not a state"},
         {},
         1},
        {"a record left unfinished never joins the next log's first record",
         'L',
         {{"a.adi", contact("20140105", "<STATE:2>GA") + "<CALL:6>Q9XZ/8 <QSO_DATE:8>20140110"},
          {"b.adi", "<TIME_ON:4>1200 <BAND:3>40m <MODE:2>CW <STATE:2>OH <EOR>\n"}},
         {"a.adi: Q9XZ/8 on 20140110 at : ERROR: Unfinished last record not read"},
         {"Georgia CW 20m 05-Jan"}},
        {"a header field repeated in the first record is a problem of that log only",
         'L',
         {{"a.adi", "<STATE:2>GA <EOH>\n" + contact("20140105", "<STATE:2>TN")},
          {"b.adi", contact("20140106", "<STATE:2>TN")}},
         {"a.adi: Q9XZ/4 on 20140105 at 1200: Duplicate field: <STATE:2>TN"},
         {"Georgia CW 20m 05-Jan", "Tennessee CW 20m 06-Jan"}},
    };
    probe::TimeZoneGuard zone("UTC");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LineReader> readers;
        readers.reserve(c.logs.size());
        std::vector<LogInput> logs;
        for (const Log& log : c.logs) {
            readers.emplace_back(log.text, log.max_line);
            logs.push_back({&readers.back(), log.name});
        }
        ConvertOptions options = testing::choice(c.choice);
        const ConversionResult result = run_conversion(logs, options);
        std::vector<std::string> problems(result.lists.problems.begin(),
                                          result.lists.problems.end());
        std::reverse(problems.begin(), problems.end());
        EXPECT_EQ(problems, c.problems);
        const std::vector<std::string> cells = probe::filled_cells(result.csv);
        EXPECT_EQ(cells, c.cells);
        EXPECT_EQ(result.not_a_log, c.not_a_log);
        // The summary and the counts are those of the whole tally.
        EXPECT_EQ(result.written, static_cast<std::int32_t>(cells.size()));
        EXPECT_TRUE(result.lists.problem_prefix.empty());
    }
}

} // namespace
} // namespace q9xz
