#include "adif_test_util.h"
#include "analysis/evaluate_qso.h"
#include "analysis/message_lists.h"
#include "analysis/state_tally.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace q9xz {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

const std::string DROP = "\x01(no such field)";

// A relevant CW contact on 20m at 1200; `changes` replace, add or (with DROP) remove fields.
Fields contact(const std::string& call, const std::string& date, const Fields& changes = {}) {
    Fields fields = {
        {"CALL", call}, {"QSO_DATE", date}, {"TIME_ON", "1200"}, {"BAND", "20m"}, {"MODE", "CW"}};
    for (const auto& [name, value] : changes) {
        auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const auto& field) { return field.first == name; });
        if (it != fields.end() && value == DROP)
            fields.erase(it);
        else if (it != fields.end())
            it->second = value;
        else if (value != DROP)
            fields.emplace_back(name, value);
    }
    return fields;
}

std::vector<std::string> oldest_first(const MessageLines& list) {
    std::vector<std::string> lines(list.begin(), list.end());
    std::reverse(lines.begin(), lines.end());
    return lines;
}

std::vector<std::int64_t> all_marks(const StateTally& tally) {
    std::vector<std::int64_t> marks;
    for (const StateEntry& entry : tally)
        for (const auto& band : entry.marks)
            marks.insert(marks.end(), band.begin(), band.end());
    return marks;
}

ConvertOptions choice(const char* which) {
    const std::string_view name = which;
    return {name == "First" ? Choice::FIRST : name == "LoTW" ? Choice::LOTW : Choice::LAST};
}

// One record evaluated on its own, in a log whose header has `program_id`.
std::int32_t evaluate_one(const AdifRecord& record, StateTally& tally,
                          const ConvertOptions& options, MessageLists& lists,
                          std::optional<std::string> program_id = {}) {
    LocalDayCache days;
    return evaluate_QSO(record, tally, options, LogHeader{std::move(program_id)}, lists, days);
}

// Every evaluator test runs in UTC so that marks are plain known numbers.
class Evaluate : public ::testing::Test {
  protected:
    test::ScopedTimeZone zone_{"UTC"};
    StateTally tally_ = build_state_tally();
    MessageLists lists_;
    ConvertOptions options_;

    std::int32_t evaluate(const Fields& fields) {
        auto record = test::make_record(fields);
        return evaluate_one(*record, tally_, options_, lists_);
    }
    std::vector<std::string> problems() const { return oldest_first(lists_.problems); }
    const StateEntry& entry(std::string_view abbrev) {
        const StateEntry* found = find_state(tally_, abbrev);
        EXPECT_NE(found, nullptr) << abbrev;
        return *found;
    }
    void expect_nothing_else_in_lists() { EXPECT_TRUE(lists_.summary.empty()); }
};

TEST_F(Evaluate, OtherYearsAndStationsPassSilently) {
    const Fields cases[] = {
        contact("Q9XZ/4", "20131231", {{"STATE", "GA"}}),
        contact("Q9XZ/4", "20150101", {{"STATE", "GA"}}),
        contact("Q9XZ/4", "2014-06-01", {{"STATE", "GA"}}),
        contact("Q9XZ/4", "2014", {{"STATE", "GA"}}),
        contact("Q9XZ/4", "", {{"STATE", "GA"}}),
        contact("Q9XZ/4", "-20140105", {{"STATE", "GA"}}),
        contact("Q9XZ/4", "201401050000000000", {{"STATE", "GA"}}), // saturates: not 2014
        contact("Q9XZ/4", "20140105", {{"QSO_DATE", DROP}, {"STATE", "GA"}}),
        contact("q9xz/4", "20140105", {{"STATE", "GA"}}),
        contact("Q9xZ/4", "20140105", {{"STATE", "GA"}}),
        contact("W1AW", "20140105"),
        contact("Q9X", "20140105"),
        contact("", "20140105"),
        contact("Q9XZ/4", "20140105", {{"CALL", DROP}, {"STATE", "GA"}}),
        contact("W1AW/4", "20140105", {{"BAND", "60m"}}),
        contact("W1AW\0Q9XZ/4"s, "20140105", {{"STATE", "GA"}}), // a C text ends at NUL
        {},
    };
    const std::vector<std::int64_t> unmarked = all_marks(tally_);
    for (const Fields& fields : cases) {
        SCOPED_TRACE(test::adif_text(fields));
        EXPECT_EQ(evaluate(fields), 0);
        EXPECT_TRUE(problems().empty());
        EXPECT_EQ(all_marks(tally_), unmarked);
    }
    expect_nothing_else_in_lists();
}

struct Rejection {
    Fields fields;
    std::optional<std::string> program_id;
    std::string line;
};

TEST_F(Evaluate, RejectionsWriteOneLineAndMarkNothing) {
    const auto adifmaster = std::optional<std::string>("ADIFMaster");
    const std::string at = " on 20140105 at 1200: ";
    const Rejection cases[] = {
        // The callsign suffix.
        {contact("Q9XZ", "20140105", {{"STATE", "GA"}}), {}, "Q9XZ" + at + "Not a valid callsign."},
        {contact("Q9XZ/A", "20140105", {{"STATE", "GA"}}),
         {},
         "Q9XZ/A" + at + "Not a valid callsign."},
        {contact("Q9XZ/KH7", "20140105"), {}, "Q9XZ/KH7" + at + "Not a valid callsign."},
        {contact("Q9XZ/kh6", "20140105"), {}, "Q9XZ/kh6" + at + "Not a valid callsign."},
        {contact("Q9XZ/KH6X", "20140105"), {}, "Q9XZ/KH6X" + at + "Not a valid callsign."},
        {contact("Q9XZ/4/P", "20140105", {{"STATE", "GA"}}),
         {},
         "Q9XZ/4/P" + at + "Not a valid callsign."},
        {contact("Q9XZ/MM", "20140105", {{"STATE", "GA"}}),
         {},
         "Q9XZ/MM" + at + "Not a valid callsign."},
        {contact("Q9XZ/", "20140105", {{"STATE", "GA"}}),
         {},
         "Q9XZ/" + at + "Not a valid callsign."},
        {contact("Q9XZ/44", "20140105", {{"STATE", "GA"}}),
         {},
         "Q9XZ/44" + at + "Not a valid callsign."},
        {contact("Q9XZ/4 ", "20140105", {{"STATE", "GA"}}),
         {},
         "Q9XZ/4 " + at + "Not a valid callsign."},
        {contact("W1/Q9XZ", "20140105", {{"STATE", "GA"}}),
         {},
         "W1/Q9XZ" + at + "Not a valid callsign."},
        // A bad suffix wins over everything else that is wrong.
        {contact("Q9XZ", "20140105", {{"BAND", "60m"}, {"TIME_ON", DROP}, {"MODE", DROP}}),
         {},
         "Q9XZ on 20140105 at : Not a valid callsign."},
        // No state.
        {contact("Q9XZ/4", "20140105"), {}, "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"BAND", "60m"}}),
         {},
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"NAME", "John"}, {"COMMENT", "GA"}}), adifmaster,
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"NAME", " G A "}}),
         {},
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"NAME", "    "}}),
         {},
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"NAME", "G"}, {"STATE", DROP}}),
         {},
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"NAME", ""}}), adifmaster,
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105"), adifmaster, "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"NAME", "GA\t"}}),
         {},
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"COMMENT", "GA"}}),
         {},
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"COMMENT", "GA"}}), "ADIFMaster2",
         "Q9XZ/4" + at + "STATE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"COMMENT", "GA"}}), "ADIF Master",
         "Q9XZ/4" + at + "STATE is not defined!"},
        // The band, checked before the state's entry.
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"BAND", "60m"}}),
         {},
         "Q9XZ/4" + at + "Unrecognized BAND 60m"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "XX"}, {"BAND", "60m"}}),
         {},
         "Q9XZ/4" + at + "Unrecognized BAND 60m"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"BAND", " 1.25m"}}),
         {},
         "Q9XZ/4" + at + "Unrecognized BAND  1.25m"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"BAND", ""}}),
         {},
         "Q9XZ/4" + at + "Unrecognized BAND "},
        {contact("Q9XZ/KH6", "20140105", {{"BAND", "70cm"}}),
         {},
         "Q9XZ/KH6" + at + "Unrecognized BAND 70cm"},
        // No entry for the state text.
        {contact("Q9XZ/4", "20140105", {{"STATE", "XX"}}),
         {},
         "Q9XZ/4" + at + "[XX] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"STATE", " CT"}}),
         {},
         "Q9XZ/1" + at + "[ CT] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"STATE", ""}}), {}, "Q9XZ/1" + at + "[] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"STATE", "   "}}),
         {},
         "Q9XZ/1" + at + "[] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"STATE", ""}, {"NAME", "CT"}}),
         {},
         "Q9XZ/1" + at + "[] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"STATE", "CT\t"}}),
         {},
         "Q9XZ/1" + at + "[CT\t] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"STATE", "Connecticut"}}),
         {},
         "Q9XZ/1" + at + "[Connecticut] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"COMMENT", "NH portable"}}), adifmaster,
         "Q9XZ/1" + at + "[NH portable] is not a state"},
        {contact("Q9XZ/1", "20140105", {{"COMMENT", "NH portable   "}}), "adifmaster",
         "Q9XZ/1" + at + "[NH portable] is not a state"},
        // Missing time, band or mode: after the suffix and state, before the band lookup.
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"TIME_ON", DROP}}),
         {},
         "Q9XZ/4 on 20140105 at : TIME_ON is not defined!"},
        {contact("Q9XZ/4", "20140105",
                 {{"STATE", "GA"}, {"TIME_ON", DROP}, {"BAND", DROP}, {"MODE", DROP}}),
         {},
         "Q9XZ/4 on 20140105 at : TIME_ON is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"BAND", DROP}}),
         {},
         "Q9XZ/4" + at + "BAND is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"BAND", DROP}, {"MODE", DROP}}),
         {},
         "Q9XZ/4" + at + "BAND is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "XX"}, {"BAND", DROP}}),
         {},
         "Q9XZ/4" + at + "BAND is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"MODE", DROP}}),
         {},
         "Q9XZ/4" + at + "MODE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"MODE", DROP}, {"BAND", "60m"}}),
         {},
         "Q9XZ/4" + at + "MODE is not defined!"},
        {contact("Q9XZ/4", "20140105", {{"TIME_ON", DROP}}),
         {},
         "Q9XZ/4 on 20140105 at : STATE is not defined!"},
        {contact("Q9XZ/KH6", "20140105", {{"MODE", DROP}}),
         {},
         "Q9XZ/KH6" + at + "MODE is not defined!"},
    };
    for (const Rejection& c : cases) {
        SCOPED_TRACE(test::adif_text(c.fields));
        MessageLists lists;
        ConvertOptions options;
        StateTally tally = build_state_tally();
        const std::vector<std::int64_t> unmarked = all_marks(tally);
        auto record = test::make_record(c.fields);
        EXPECT_EQ(evaluate_one(*record, tally, options, lists, c.program_id), 1);
        EXPECT_EQ(oldest_first(lists.problems), std::vector<std::string>{c.line});
        EXPECT_TRUE(lists.summary.empty());
        EXPECT_EQ(all_marks(tally), unmarked);
    }
}

struct Recorded {
    Fields fields;
    std::optional<std::string> program_id;
    std::string_view entity; // name of the entry that gets the marks
    std::string warning;     // the state text of the warning line, or empty for none
    int band = 4;
    ModeColumn column = CW;
};

TEST_F(Evaluate, RecordedContacts) {
    const auto adifmaster = std::optional<std::string>("ADIFMaster");
    const Recorded cases[] = {
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}}), {}, "Georgia", ""},
        {contact("Q9XZ/4", "20140105", {{"STATE", "CA"}}), {}, "California", "CA"},
        {contact("XQ9XZ/4", "20140105", {{"STATE", "GA"}}), {}, "Georgia", ""},
        {contact("Q9XZ/4\0/P"s, "20140105", {{"STATE", "GA"}}), {}, "Georgia", ""},
        // Portable suffixes name the entity whatever STATE says; no call-area check.
        {contact("Q9XZ/KH6", "20140105", {{"STATE", "CA"}}), {}, "Hawaii", ""},
        {contact("Q9XZ/KH6", "20140105"), {}, "Hawaii", ""},
        {contact("Q9XZ/KL7", "20140105", {{"STATE", "XX"}}), {}, "Alaska", ""},
        {contact("Q9XZ/KP4", "20140105"), {}, "Puerto Rico", ""},
        {contact("Q9XZ/KG4", "20140105"), {}, "Guantanamo", ""},
        {contact("Q9XZ/KH0", "20140105"), {}, "Northern Marianas", ""},
        {contact("Q9XZ/KH2", "20140105"), {}, "Guam", ""},
        {contact("Q9XZ/KH8", "20140105"), {}, "American Samoa", ""},
        {contact("Q9XZ/KP2", "20140105"), {}, "US Virgin Islands", ""},
        // The District of Columbia in its week, for the 3 area only.
        {contact("Q9XZ/3", "20141003", {{"STATE", "PA"}}), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20141001", {{"STATE", "PA"}}), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20141007", {{"STATE", "PA"}}), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20141003"), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20141003", {{"STATE", "XX"}}), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20140930", {{"STATE", "PA"}}), {}, "Pennsylvania", ""},
        {contact("Q9XZ/3", "20141008", {{"STATE", "PA"}}), {}, "Pennsylvania", ""},
        {contact("Q9XZ/4", "20141003", {{"STATE", "GA"}}), {}, "Georgia", ""},
        {contact("Q9XZ/4", "20141003", {{"STATE", "DC"}}), {}, "District of Columbia", "DC"},
        {contact("Q9XZ/3", "20140501", {{"STATE", "DC"}}), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20140501", {{"STATE", "DC  "}}), {}, "District of Columbia", ""},
        {contact("Q9XZ/3", "20140501", {{"STATE", "dc"}}), {}, "District of Columbia", "dc"},
        // State texts.
        {contact("Q9XZ/1", "20140105", {{"STATE", "CT   "}}), {}, "Connecticut", ""},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA\0XX"s}}), {}, "Georgia", ""},
        {contact("Q9XZ/1", "20140105", {{"STATE", "ct"}}), {}, "Connecticut", ""},
        {contact("Q9XZ/4", "20140105", {{"STATE", "ct"}}), {}, "Connecticut", "ct"},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"NAME", "CT"}}), {}, "Georgia", ""},
        {contact("Q9XZ/4", "20140105", {{"STATE", "GA"}, {"COMMENT", "NH"}}), adifmaster, "Georgia",
         ""},
        {contact("Q9XZ/0", "20140105", {{"STATE", "KS"}}), {}, "Kansas", ""},
        {contact("Q9XZ/9", "20140105", {{"STATE", "KS"}}), {}, "Kansas", "KS"},
        {contact("Q9XZ/7", "20140105", {{"STATE", "HI"}}), {}, "Hawaii", "HI"},
        {contact("Q9XZ/1", "20140105", {{"NAME", "  CT  "}}), {}, "Connecticut", ""},
        {contact("Q9XZ/1", "20140105", {{"NAME", "ct"}, {"COMMENT", "XX"}}), adifmaster,
         "Connecticut", ""},
        {contact("Q9XZ/1", "20140105", {{"COMMENT", "NH"}}), adifmaster, "New Hampshire", ""},
        {contact("Q9XZ/1", "20140105", {{"COMMENT", "NH  "}}), "adifmaster", "New Hampshire", ""},
        {contact("Q9XZ/1", "20140105", {{"COMMENT", "nh"}}), "ADIFMASTER", "New Hampshire", ""},
        {contact("Q9XZ/8", "20140105", {{"COMMENT", "CA"}}), "AdifMaster", "California", "CA"},
        // Bands and modes.
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"MODE", "SSB"}}), {}, "Ohio", "", 4, PH},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"MODE", "rtty"}}),
         {},
         "Ohio",
         "",
         4,
         DIG},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"MODE", "CWR"}}), {}, "Ohio", "", 4, DIG},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"MODE", "cw"}}), {}, "Ohio", "", 4, CW},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"MODE", ""}}), {}, "Ohio", "", 4, DIG},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"BAND", "160M"}}), {}, "Ohio", "", 0, CW},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"BAND", "6mm"}}), {}, "Ohio", "", 9, CW},
        {contact("Q9XZ/8", "20140105", {{"STATE", "OH"}, {"BAND", "2"}}), {}, "Ohio", "", 10, CW},
    };
    for (const Recorded& c : cases) {
        SCOPED_TRACE(test::adif_text(c.fields));
        MessageLists lists;
        ConvertOptions options;
        StateTally tally = build_state_tally();
        auto record = test::make_record(c.fields);
        LocalDayCache days;
        const std::int64_t time = QSO_time(*record, days);
        EXPECT_EQ(evaluate_one(*record, tally, options, lists, c.program_id), 0);
        std::vector<std::string> expected_lines;
        if (!c.warning.empty())
            expected_lines.push_back(std::string(record->call->value) + " on " +
                                     std::string(record->qso_date->value) + " at 1200: [" +
                                     c.warning + "] is not likely for this call area.");
        EXPECT_EQ(oldest_first(lists.problems), expected_lines);

        // Exactly two marks: the mode column and MIX of the band, on the one entry.
        int marked = 0;
        for (const StateEntry& entry : tally) {
            for (int band = 0; band < BAND_COUNT; ++band)
                for (ModeColumn column : {MIX, CW, DIG, PH}) {
                    const std::int64_t value = mark(entry, band, column);
                    if (value == MARK_NONE)
                        continue;
                    ++marked;
                    EXPECT_EQ(entry.name, c.entity);
                    EXPECT_EQ(band, c.band);
                    EXPECT_TRUE(column == MIX || column == c.column) << mode_names[column];
                    EXPECT_EQ(value, time);
                }
        }
        EXPECT_EQ(marked, 2);
    }
}

TEST_F(Evaluate, WarningLineInFull) {
    EXPECT_EQ(evaluate({{"CALL", "Q9XZ/4"},
                        {"QSO_DATE", "20140214"},
                        {"TIME_ON", "1530"},
                        {"BAND", "40m"},
                        {"MODE", "SSB"},
                        {"STATE", "CA"}}),
              0);
    EXPECT_EQ(problems(),
              std::vector<std::string>{
                  "Q9XZ/4 on 20140214 at 1530: [CA] is not likely for this call area."});
    EXPECT_EQ(mark(entry("CA"), 2, PH), test::utc_seconds(2014, 2, 14, 15, 30));
    EXPECT_EQ(mark(entry("CA"), 2, MIX), test::utc_seconds(2014, 2, 14, 15, 30));
    expect_nothing_else_in_lists();
}

TEST_F(Evaluate, ProblemLinesAccumulateOldestLast) {
    evaluate(contact("Q9XZ", "20140105"));
    evaluate(contact("Q9XZ/4", "20140106", {{"STATE", "CA"}}));
    evaluate(contact("W1AW", "20140107"));
    evaluate(contact("Q9XZ/4", "20140108"));
    EXPECT_EQ(problems(), (std::vector<std::string>{
                              "Q9XZ on 20140105 at 1200: Not a valid callsign.",
                              "Q9XZ/4 on 20140106 at 1200: [CA] is not likely for this call area.",
                              "Q9XZ/4 on 20140108 at 1200: STATE is not defined!"}));
}

// Two CW contacts from Ohio on 20m, in either order in the file.
TEST(MarkRule, FirstLastAndLoTWInBothFileOrders) {
    test::ScopedTimeZone zone("UTC");
    const Fields january = contact("Q9XZ/8", "20140105", {{"STATE", "OH"}});
    const Fields march = contact("Q9XZ/8", "20140301", {{"STATE", "OH"}, {"TIME_ON", "0900"}});
    const std::int64_t jan = test::utc_seconds(2014, 1, 5, 12);
    const std::int64_t mar = test::utc_seconds(2014, 3, 1, 9);
    struct Case {
        const char* choice;
        bool january_first;
        std::int64_t kept;
    };
    const Case cases[] = {
        {"Last", true, mar},   {"Last", false, mar}, {"First", true, jan},
        {"First", false, jan}, {"LoTW", true, jan},  {"LoTW", false, mar},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.choice << (c.january_first ? ", January first" : ", March first"));
        ConvertOptions options = choice(c.choice);
        StateTally tally = build_state_tally();
        MessageLists lists;
        for (const Fields* fields :
             c.january_first ? std::vector{&january, &march} : std::vector{&march, &january}) {
            auto record = test::make_record(*fields);
            EXPECT_EQ(evaluate_one(*record, tally, options, lists), 0);
        }
        const StateEntry* ohio = find_state(tally, "OH");
        EXPECT_EQ(mark(*ohio, 4, CW), c.kept);
        EXPECT_EQ(mark(*ohio, 4, MIX), c.kept);
        EXPECT_EQ(mark(*ohio, 4, PH), MARK_NONE);
        EXPECT_EQ(mark(*ohio, 4, DIG), MARK_NONE);
        EXPECT_TRUE(lists.problems.empty());
    }
}

TEST(MarkRule, ModeColumnsAndAllModesKeepTheirOwnContacts) {
    test::ScopedTimeZone zone("UTC");
    const Fields cw = contact("Q9XZ/8", "20140105", {{"STATE", "OH"}});
    const Fields ssb = contact("Q9XZ/8", "20140301", {{"STATE", "OH"}, {"MODE", "USB"}});
    const std::int64_t jan = test::utc_seconds(2014, 1, 5, 12);
    const std::int64_t mar = test::utc_seconds(2014, 3, 1, 12);
    for (const char* which : {"First", "Last"}) {
        SCOPED_TRACE(which);
        ConvertOptions options = choice(which);
        StateTally tally = build_state_tally();
        MessageLists lists;
        for (const Fields* fields : {&ssb, &cw}) {
            auto record = test::make_record(*fields);
            evaluate_one(*record, tally, options, lists);
        }
        const StateEntry* ohio = find_state(tally, "OH");
        EXPECT_EQ(mark(*ohio, 4, CW), jan);
        EXPECT_EQ(mark(*ohio, 4, PH), mar);
        EXPECT_EQ(mark(*ohio, 4, MIX), std::string_view(which) == "First" ? jan : mar);
    }
}

TEST(ChooseMark, Rules) {
    struct Case {
        std::int64_t current;
        std::int64_t time;
        Choice choice;
        bool confirmed;
        std::int64_t expected;
    };
    const std::int64_t t1 = 1388923200;
    const std::int64_t t2 = t1 + 60;
    constexpr Choice LOTW = Choice::LOTW, FIRST = Choice::FIRST, LAST = Choice::LAST;
    const Case cases[] = {
        // A confirmed slot stays confirmed under every choice.
        {MARK_CONFIRMED, t1, LOTW, false, MARK_CONFIRMED},
        {MARK_CONFIRMED, t1, FIRST, false, MARK_CONFIRMED},
        {MARK_CONFIRMED, t1, LAST, false, MARK_CONFIRMED},
        {MARK_CONFIRMED, t1, LOTW, true, MARK_CONFIRMED},
        // A confirmed contact confirms the slot, whatever it held.
        {MARK_NONE, t1, LOTW, true, MARK_CONFIRMED},
        {t2, t1, LOTW, true, MARK_CONFIRMED},
        {t2, t1, LAST, true, MARK_CONFIRMED},
        // An empty slot takes the time.
        {MARK_NONE, t1, LOTW, false, t1},
        {MARK_NONE, t1, FIRST, false, t1},
        {MARK_NONE, t1, LAST, false, t1},
        // First keeps the earliest, Last the latest, LoTW the first met; equal keeps.
        {t2, t1, FIRST, false, t1},
        {t1, t2, FIRST, false, t1},
        {t1, t2, LAST, false, t2},
        {t2, t1, LAST, false, t2},
        {t1, t1, FIRST, false, t1},
        {t1, t1, LAST, false, t1},
        {t1, t2, LOTW, false, t1},
        {t2, t1, LOTW, false, t2},
        // Times before 1970 are ordinary signed times.
        {-5000, -6000, FIRST, false, -6000},
        {-6000, -5000, LAST, false, -5000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(choose_mark(c.current, c.time, c.choice, c.confirmed), c.expected)
            << "current " << c.current << ", time " << c.time << ", choice "
            << static_cast<int>(c.choice) << ", confirmed " << c.confirmed;
    }
}

struct Confirmation {
    const char* choice;
    std::optional<std::string> program_id;
    Fields extra;
    bool confirmed;
};

TEST(Confirmation, LoTWFieldsUnderEachChoice) {
    test::ScopedTimeZone zone("UTC");
    const auto lotw = std::optional<std::string>("LoTW");
    const Confirmation cases[] = {
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "Y"}}, true},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "y"}}, true},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "V"}}, true},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "v"}}, true},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "Yes"}}, true},
        {"LoTW", {}, {{"lotw_qsl_rcvd", "Y"}}, true},
        {"LoTW", "ADIFMaster", {{"LOTW_QSL_RCVD", "Y"}}, true},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "N"}}, false},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "R"}}, false},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", "I"}}, false},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", ""}}, false},
        {"LoTW", {}, {{"LOTW_QSL_RCVD", " Y"}}, false},
        {"LoTW", {}, {}, false},
        {"LoTW", {}, {{"LOTW_QSLRCVD", "Y"}}, false},
        {"First", {}, {{"LOTW_QSL_RCVD", "Y"}}, false},
        {"Last", {}, {{"LOTW_QSL_RCVD", "V"}}, false},
        // LoTW's own reports: QSL_RCVD counts when the header's PROGRAMID is LoTW.
        {"LoTW", lotw, {{"QSL_RCVD", "Y"}}, true},
        {"LoTW", lotw, {{"QSL_RCVD", "v"}}, true},
        {"LoTW", "lotw", {{"QSL_RCVD", "y"}}, true},
        {"LoTW", "LOTW", {{"QSL_RCVD", "V"}}, true},
        {"LoTW", lotw, {{"QSL_RCVD", "N"}}, false},
        {"LoTW", lotw, {{"QSL_RCVD", ""}}, false},
        {"LoTW", lotw, {}, false},
        {"LoTW", lotw, {{"QSL_RCVD", "N"}, {"LOTW_QSL_RCVD", "Y"}}, true},
        {"LoTW", lotw, {{"QSL_RCVD", "Y"}, {"LOTW_QSL_RCVD", "N"}}, true},
        {"LoTW", {}, {{"QSL_RCVD", "Y"}}, false},
        {"LoTW", "ADIFMaster", {{"QSL_RCVD", "Y"}}, false},
        {"LoTW", "LoTW ", {{"QSL_RCVD", "Y"}}, false},
        {"LoTW", "LoTW2", {{"QSL_RCVD", "Y"}}, false},
        {"LoTW", "", {{"QSL_RCVD", "Y"}}, false},
        {"First", lotw, {{"QSL_RCVD", "Y"}}, false},
        {"Last", lotw, {{"QSL_RCVD", "Y"}, {"LOTW_QSL_RCVD", "Y"}}, false},
    };
    for (const Confirmation& c : cases) {
        Fields fields = contact("Q9XZ/8", "20140105", {{"STATE", "OH"}});
        fields.insert(fields.end(), c.extra.begin(), c.extra.end());
        SCOPED_TRACE(::testing::Message()
                     << c.choice << ", PROGRAMID " << c.program_id.value_or("(none)") << ": "
                     << test::adif_text(fields));
        ConvertOptions options = choice(c.choice);
        StateTally tally = build_state_tally();
        MessageLists lists;
        auto record = test::make_record(fields);
        EXPECT_EQ(evaluate_one(*record, tally, options, lists, c.program_id), 0);
        EXPECT_TRUE(lists.problems.empty());
        const std::int64_t expected =
            c.confirmed ? MARK_CONFIRMED : test::utc_seconds(2014, 1, 5, 12);
        const StateEntry* ohio = find_state(tally, "OH");
        EXPECT_EQ(mark(*ohio, 4, CW), expected);
        EXPECT_EQ(mark(*ohio, 4, MIX), expected);
    }
}

TEST(Confirmation, ConfirmedSlotsStayAndConfirmationIsPerContact) {
    test::ScopedTimeZone zone("UTC");
    ConvertOptions options = choice("LoTW");
    StateTally tally = build_state_tally();
    MessageLists lists;
    auto run = [&](const Fields& fields) {
        auto record = test::make_record(fields);
        EXPECT_EQ(evaluate_one(*record, tally, options, lists), 0);
    };
    // 20m: unconfirmed, confirmed, unconfirmed again.
    run(contact("Q9XZ/8", "20140105", {{"STATE", "OH"}}));
    run(contact("Q9XZ/8", "20140106", {{"STATE", "OH"}, {"LOTW_QSL_RCVD", "Y"}}));
    run(contact("Q9XZ/8", "20140107", {{"STATE", "OH"}}));
    // 40m: an unconfirmed SSB contact after the confirmed one keeps its time.
    run(contact("Q9XZ/8", "20140108", {{"STATE", "OH"}, {"BAND", "40m"}, {"MODE", "SSB"}}));
    const StateEntry* ohio = find_state(tally, "OH");
    EXPECT_EQ(mark(*ohio, 4, CW), MARK_CONFIRMED);
    EXPECT_EQ(mark(*ohio, 4, MIX), MARK_CONFIRMED);
    EXPECT_EQ(mark(*ohio, 2, PH), test::utc_seconds(2014, 1, 8, 12));
    EXPECT_EQ(mark(*ohio, 2, MIX), test::utc_seconds(2014, 1, 8, 12));
    // A confirmed SSB contact on 20m confirms its own column and MIX (already confirmed).
    run(contact("Q9XZ/8", "20140109", {{"STATE", "OH"}, {"MODE", "SSB"}, {"LOTW_QSL_RCVD", "V"}}));
    EXPECT_EQ(mark(*ohio, 4, PH), MARK_CONFIRMED);
    EXPECT_EQ(mark(*ohio, 4, DIG), MARK_NONE);
    EXPECT_TRUE(lists.problems.empty());
}

TEST(ReportProblem, FormatsAndCutsLines) {
    auto record =
        test::make_record({{"CALL", "Q9XZ/4"}, {"QSO_DATE", "20140105"}, {"TIME_ON", "1200"}});
    const std::string head = "Q9XZ/4 on 20140105 at 1200: "; // 28 characters
    const std::string fits(79 - head.size(), 'x');
    struct Case {
        const AdifRecord* record;
        std::string message;
        std::string line;
    };
    const Case cases[] = {
        {record.get(), "hello", head + "hello"},
        {record.get(), fits, head + fits},
        {record.get(), fits + "y", head + fits},
        {record.get(), std::string(300, 'z'), (head + std::string(300, 'z')).substr(0, 79)},
        {record.get(), "100%s done %n %d", head + "100%s done %n %d"},
        {record.get(), "", head},
        {nullptr, std::string(300, 'w'), std::string(300, 'w')},
        {nullptr, "ERROR: Truncated input line: <EOR>", "ERROR: Truncated input line: <EOR>"},
    };
    for (const Case& c : cases) {
        MessageLists lists;
        report_problem(lists, c.record, c.message);
        EXPECT_EQ(oldest_first(lists.problems), std::vector<std::string>{c.line}) << c.message;
        EXPECT_TRUE(lists.summary.empty());
    }
}

TEST(ReportProblem, MissingOrOddValues) {
    struct Case {
        Fields fields;
        std::string line;
    };
    const Case cases[] = {
        {{}, " on  at : oops"},
        {{{"CALL", "Q9XZ/4"}}, "Q9XZ/4 on  at : oops"},
        {{{"QSO_DATE", "20140105"}, {"TIME_ON", "1200"}}, " on 20140105 at 1200: oops"},
        {{{"CALL", "Q9XZ/4\0junk"s}, {"QSO_DATE", "20140105"}, {"TIME_ON", "1200"}},
         "Q9XZ/4 on 20140105 at 1200: oops"},
        {{{"CALL", "%s%n"}, {"QSO_DATE", "2014%d"}, {"TIME_ON", "%%"}},
         "%s%n on 2014%d at %%: oops"},
        {{{"CALL", std::string(100, 'C')}, {"QSO_DATE", "20140105"}}, std::string(79, 'C')},
    };
    for (const Case& c : cases) {
        auto record = test::make_record(c.fields);
        MessageLists lists;
        report_problem(lists, record.get(), "oops");
        EXPECT_EQ(oldest_first(lists.problems), std::vector<std::string>{c.line});
    }
}

TEST(AddLine, NewestFirstInEachList) {
    MessageLists lists;
    add_summary_line(lists, "summary 1");
    add_problem_line(lists, "problem 1");
    add_summary_line(lists, "");
    add_summary_line(lists, "summary 2");
    add_problem_line(lists, "cut\0here"s);
    add_problem_line(lists, std::string(500, 'p'));
    EXPECT_EQ(std::vector<std::string>(lists.summary.begin(), lists.summary.end()),
              (std::vector<std::string>{"summary 2", "", "summary 1"}));
    EXPECT_EQ(std::vector<std::string>(lists.problems.begin(), lists.problems.end()),
              (std::vector<std::string>{std::string(500, 'p'), "cut", "problem 1"}));

    // The list keeps its own copy.
    std::string text = "changing";
    add_summary_line(lists, text);
    text[0] = 'X';
    EXPECT_EQ(lists.summary.front(), "changing");
}

struct TimeCase {
    std::string date;
    std::string time;
    std::int64_t expected;
};

void expect_times(const std::vector<TimeCase>& cases) {
    for (const TimeCase& c : cases) {
        auto record = test::make_record({{"QSO_DATE", c.date}, {"TIME_ON", c.time}});
        LocalDayCache days;
        EXPECT_EQ(QSO_time(*record, days), c.expected) << c.date << " " << c.time;
    }
}

TEST(QsoTime, UniversalTime) {
    test::ScopedTimeZone zone("UTC");
    using test::utc_seconds;
    EXPECT_EQ(utc_seconds(2014, 1, 1), 1388534400); // the helper itself
    expect_times({
        {"20140105", "1200", utc_seconds(2014, 1, 5, 12)},
        {"20140105", "0930", utc_seconds(2014, 1, 5, 9, 30)},
        {"20140105", "093000", utc_seconds(2014, 1, 5, 9, 30)},
        {"20140105", "093015", utc_seconds(2014, 1, 5, 9, 30, 15)},
        {"20140105", "930", utc_seconds(2014, 1, 5, 9, 30)},
        {"20140105", " 930", utc_seconds(2014, 1, 5, 9, 30)},
        {"20140105", "12", utc_seconds(2014, 1, 5, 0, 12)},
        {"20140105", "1200Z", utc_seconds(2014, 1, 5, 12)},
        {"20140105", "0930001", utc_seconds(2014, 1, 5, 9300, 1)},
        {"20140105", "", utc_seconds(2014, 1, 5)},
        {"20140105", "abcd", utc_seconds(2014, 1, 5)},
        {"20140105", "1275", utc_seconds(2014, 1, 5, 13, 15)},
        // Six characters, whatever they are, read as hours, minutes and seconds.
        {"20140105", "12:30Z", utc_seconds(2014, 1, 5, 0, 0, 12)},
        {"20140105", "1230  ", utc_seconds(2014, 1, 5, 0, 12, 30)},
        {"20140105", "0930\0\0"s, utc_seconds(2014, 1, 5, 9, 30)}, // a C text of 4
        {"20140105", "235960", utc_seconds(2014, 1, 6)},
        {"20140105", "-0100", utc_seconds(2014, 1, 5, -1)},
        {"20140105", "-00030", utc_seconds(2014, 1, 5, 0, 0, -30)},
        {"20140105xyz", "1200", utc_seconds(2014, 1, 5, 12)},
        {" 20140105", "1200", utc_seconds(2014, 1, 5, 12)},
        {"20140132", "0000", utc_seconds(2014, 2, 1)},
        {"20140229", "0000", utc_seconds(2014, 3, 1)},
        {"20141301", "0000", utc_seconds(2015, 1, 1)},
        {"20140001", "0000", utc_seconds(2013, 12, 1)},
        {"20141231", "2359", utc_seconds(2014, 12, 31, 23, 59)},
    });
}

// QSO_time hands back what the local-time conversion gives, also where that is 0 or -1.
// A contact time must never read as "not worked" (0) or "confirmed" (-1) in a slot, so the
// two times that would are moved by one second away from them.
TEST(QsoTime, TimesThatLookLikeMarksAreMovedOff) {
    test::ScopedTimeZone zone("UTC");
    expect_times({
        {"19700101", "000000", 1},
        {"19691231", "235959", -2},
        {"19700101", "000001", 1},
        {"19691231", "235958", -2},
    });
}

TEST(QsoTime, NewYorkWithDaylightSavingChanges) {
    test::ScopedTimeZone zone("America/New_York");
    using test::utc_seconds;
    expect_times({
        {"20140105", "1200", utc_seconds(2014, 1, 5, 17)},
        {"20140701", "1200", utc_seconds(2014, 7, 1, 16)},
        // 9 March 2014: clocks go from 02:00 EST to 03:00 EDT.
        {"20140309", "0130", utc_seconds(2014, 3, 9, 6, 30)},
        {"20140309", "0330", utc_seconds(2014, 3, 9, 7, 30)},
        {"20140309", "2300", utc_seconds(2014, 3, 10, 3)},
        // 2 November 2014: clocks go back from 02:00 EDT to 01:00 EST.
        {"20141102", "0030", utc_seconds(2014, 11, 2, 4, 30)},
        {"20141102", "0330", utc_seconds(2014, 11, 2, 8, 30)},
        {"20140301", "0000", utc_seconds(2014, 3, 1, 5)},
        // 40 February is 12 March: summer time is decided after the day is normalised.
        {"20140240", "1200", utc_seconds(2014, 3, 12, 16)},
    });
}

TEST(QsoTime, OddInputsDoNotFail) {
    test::ScopedTimeZone zone("UTC");
    for (const auto& [date, time] :
         std::vector<std::pair<std::string, std::string>>{{"99999999999999", "99999999999"},
                                                          {"-99999999999999", "-99999999999"},
                                                          {"-20140105", "1200"},
                                                          {"0", "0"},
                                                          {"", ""}}) {
        auto record = test::make_record({{"QSO_DATE", date}, {"TIME_ON", time}});
        LocalDayCache days;
        (void)QSO_time(*record, days);
    }
    SUCCEED();
}

} // namespace
} // namespace q9xz
