#include "adif_test_util.h"
#include "analysis/message_lists.h"
#include "results/csv_writer.h"
#include "results/summary.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace q9xz;

namespace {

std::vector<std::string> summary_lines(const StateEntry* tally) {
    MessageLists lists;
    summarize_modes(lists, tally, 1);
    add_line(0, lists, "");
    summarize_bands(lists, tally, 1);
    std::vector<std::string> lines(lists.lists[0].begin(), lists.lists[0].end());
    return {lines.rbegin(), lines.rend()};
}

// 2014-07-05 12:00 UTC; the rows are written in the zone the test sets.
constexpr std::int64_t JULY_5 = 1404561600;

class Results : public ::testing::Test {
  protected:
    test::ScopedTimeZone zone_{"UTC"};
    StateTally tally = build_state_tally();
    StateEntry& entry(const char* abbrev) { return *find_state(tally.get(), abbrev); }
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
              summary_lines(tally.get()));
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
              summary_lines(tally.get()));
}

TEST_F(Results, RowsShowDatesAndLotwAndCountCells) {
    mark(entry("AL"), 4, CW) = JULY_5;
    mark(entry("AL"), 4, MIX) = JULY_5;
    mark(entry("GU"), 0, PH) = MARK_CONFIRMED;
    mark(entry("GU"), 0, MIX) = MARK_CONFIRMED;
    ConvertOptions options;
    std::string states, others;
    EXPECT_EQ(1, write_CSV_rows(states, tally.get(), options, 1));
    EXPECT_EQ(1, write_CSV_rows(others, tally.get(), options, 0));
    EXPECT_EQ(1, options.lotw_confirmed_count);
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

} // namespace
