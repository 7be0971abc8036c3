#include "adif_test_util.h"
#include "analysis/message_lists.h"
#include "results/csv_writer.h"
#include "results/summary.h"
#include "test_logs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>

using namespace q9xz;

namespace {

std::vector<std::string> summary_lines(const StateTally& tally) {
    MessageLists lists;
    summarize_modes(lists, tally, 1);
    add_summary_line(lists, "");
    summarize_bands(lists, tally, 1);
    std::vector<std::string> lines(lists.summary.begin(), lists.summary.end());
    return {lines.rbegin(), lines.rend()};
}

// 2014-07-05 12:00 UTC; the rows are written in the zone the test sets.
constexpr std::int64_t JULY_5 = 1404561600;

class Results : public ::testing::Test {
  protected:
    test::ScopedTimeZone zone_{"UTC"};
    StateTally tally = build_state_tally();
    StateEntry& entry(const char* abbrev) { return *find_state(tally, abbrev); }
};

TEST_F(Results, ConfirmedOnOneBandCountsTheModeAsConfirmed) {
    mark(entry("AL"), 4, CW) = MARK_CONFIRMED;
    mark(entry("AL"), 4, MIX) = JULY_5; // the all-modes slot kept a time
    mark(entry("AL"), 2, CW) = JULY_5;
    mark(entry("AL"), 2, MIX) = MARK_CONFIRMED;
    mark(entry("AL"), 0, PH) = JULY_5;
    mark(entry("AL"), 0, MIX) = JULY_5;
    // Territories never count.
    mark(entry("PR"), 9, DIG) = MARK_CONFIRMED;
    mark(entry("PR"), 9, MIX) = MARK_CONFIRMED;
    EXPECT_EQ((std::vector<std::string>{
                  " 1 state(s) worked on MIX ( 1 confirmed)",
                  " 1 state(s) worked on CW  ( 1 confirmed)",
                  " 0 state(s) worked on DIG",
                  " 1 state(s) worked on PH ",
                  "",
                  " 1 state(s) worked on 160m",
                  " 1 state(s) worked on  40m ( 1 confirmed)",
                  " 1 state(s) worked on  20m",
              }),
              summary_lines(tally));
}

TEST_F(Results, BandLinesFollowTheBandTableAndCountEachStateOnce) {
    const char* states[] = {"AK", "AL", "AR", "AZ", "CA", "CO", "CT", "DE", "FL", "GA", "HI"};
    for (const char* state : states) {
        for (int band : {10, 4, 1}) {
            mark(entry(state), band, CW) = JULY_5;
            mark(entry(state), band, MIX) = JULY_5;
        }
    }
    EXPECT_EQ((std::vector<std::string>{
                  "11 state(s) worked on MIX",
                  "11 state(s) worked on CW ",
                  " 0 state(s) worked on DIG",
                  " 0 state(s) worked on PH ",
                  "",
                  "11 state(s) worked on  80m",
                  "11 state(s) worked on  20m",
                  "11 state(s) worked on   2m",
              }),
              summary_lines(tally));
}

TEST_F(Results, RowsShowDatesAndLotwAndCountCells) {
    mark(entry("AL"), 4, CW) = JULY_5;
    mark(entry("AL"), 4, MIX) = JULY_5;
    mark(entry("GU"), 0, PH) = MARK_CONFIRMED;
    mark(entry("GU"), 0, MIX) = MARK_CONFIRMED;
    std::string states, others;
    const CsvCells state_cells = write_CSV_rows(states, tally, 1);
    const CsvCells other_cells = write_CSV_rows(others, tally, 0);
    EXPECT_EQ(1, state_cells.written);
    EXPECT_EQ(0, state_cells.lotw_confirmed);
    EXPECT_EQ(1, other_cells.written);
    EXPECT_EQ(1, other_cells.lotw_confirmed);
    EXPECT_EQ(0u, states.find("Alabama,CW,,,,,,05-Jul,,,,,,\r\n"
                              "Alabama,DIG,,,,,,,,,,,,\r\n"
                              "Alabama,PH,,,,,,,,,,,,\r\n"
                              "\r\n"
                              "Alaska,CW,"));
    EXPECT_EQ(0u, others.find("American Samoa,CW,"));
    EXPECT_NE(std::string::npos, others.find("\r\nGuam,PH,,LOTW,,,,,,,,,,\r\n\r\nGuantanamo,"));
    EXPECT_EQ(7 * 4, std::count(others.begin(), others.end(), '\n'));
}

TEST_F(Results, CellDatesFollowTheLocalZone) {
    struct Case {
        const char* zone;
        std::int64_t time;
        const char* cell;
    } cases[] = {
        {"UTC", JULY_5, "05-Jul"},
        {"UTC", 1420070399, "31-Dec"}, // 2014-12-31 23:59:59 UTC
        {"America/New_York", 1420070399, "31-Dec"},
        {"UTC", 1393632000, "01-Mar"}, // 2014-03-01 00:00 UTC
        {"America/New_York", 1393632000, "28-Feb"},
        {"UTC", MARK_CONFIRMED, "LOTW"},
        {"UTC", MARK_NONE, ""},
    };
    for (const Case& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(c.cell, cell_text(c.time)) << c.zone << " " << c.time;
    }
}

// One 20m contact per state, in the mode given, with LoTW's confirmation when `confirmed`.
std::string contacts(const std::vector<std::string_view>& states, const char* mode,
                     bool confirmed) {
    std::string log;
    for (std::string_view state : states) {
        log += "<CALL:6>Q9XZ/1<QSO_DATE:8>20140105<TIME_ON:4>1200<BAND:3>20m<MODE:" +
               std::to_string(std::strlen(mode)) + ">" + mode + "<STATE:2>" + std::string(state) +
               (confirmed ? "<LOTW_QSL_RCVD:1>Y" : "") + "<EOR>\n";
    }
    return log;
}

std::vector<std::string_view> states_but(std::initializer_list<std::string_view> left_out) {
    std::vector<std::string_view> states;
    for (const EntityPair& state : state_table) {
        if (std::find(left_out.begin(), left_out.end(), state.abbrev) == left_out.end())
            states.push_back(state.abbrev);
    }
    return states;
}

// The summary lines after the band lines, from their opening empty line on.
std::vector<std::string> needed_lines(const ConversionResult& result) {
    std::vector<std::string> lines(result.lists.summary.begin(), result.lists.summary.end());
    std::reverse(lines.begin(), lines.end());
    const auto after_modes = std::find(lines.begin(), lines.end(), "");
    return {std::find(after_modes + 1, lines.end(), ""), lines.end()};
}

TEST_F(Results, NeededLinesNameTheStatesMissingOnEachWorkedModeColumn) {
    // Only a territory, though confirmed: no state worked, no line.
    const std::string territory = "<CALL:8>Q9XZ/KP4<QSO_DATE:8>20140105<TIME_ON:4>1200"
                                  "<BAND:3>20m<MODE:2>CW<LOTW_QSL_RCVD:1>Y<EOR>\n";
    // All but three states confirmed on CW, Alabama on SSB too.
    const std::string some =
        contacts(states_but({"DE", "ND", "WY"}), "CW", true) + contacts({"AL"}, "SSB", false);
    const std::string all =
        territory + contacts(states_but({}), "CW", true) + contacts(states_but({}), "USB", false);
    const std::string everyone = "AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
                                 "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
                                 "    NC ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV\n"
                                 "    WI WY";
    const std::string some_needed = "\n"
                                    "Needed on MIX (3): DE ND WY\n"
                                    "Needed on CW  (3): DE ND WY\n"
                                    "Needed on PH  (49): AK AZ AR CA CO CT DE FL GA HI ID IL "
                                    "IN IA KS KY\n"
                                    "    LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY NC\n"
                                    "    ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
                                    "    WY\n";
    const std::string all_worked = "\n"
                                   "All 50 states worked on MIX\n"
                                   "All 50 states worked on CW\n"
                                   "All 50 states worked on PH\n";
    struct Case {
        char choice;
        const std::string& log;
        std::string expected;
    } cases[] = {
        {'F', territory, ""},
        {'L', territory, ""},
        {'W', territory, ""},
        {'F', some, some_needed},
        {'L', some, some_needed},
        {'W', some,
         "\n"
         "Not confirmed on MIX (3): DE ND WY\n"
         "Not confirmed on CW  (3): DE ND WY\n"
         "Not confirmed on PH  (50): " +
             everyone + "\n"},
        {'F', all, all_worked},
        {'L', all, all_worked},
        {'W', all,
         "\n"
         "All 50 states confirmed on MIX\n"
         "All 50 states confirmed on CW\n"
         "Not confirmed on PH  (50): " +
             everyone + "\n"},
    };
    for (const Case& c : cases) {
        ConvertOptions options = q9xz::testing::choice(c.choice);
        std::string shown;
        for (const std::string& line : needed_lines(q9xz::testing::convert_text(c.log, options)))
            shown += line + "\n";
        EXPECT_EQ(c.expected, shown) << "case " << &c - cases << ", choice " << c.choice;
    }
}

} // namespace
