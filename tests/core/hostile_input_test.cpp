// Logs built to break the reader and the conversion. Every one must end with the documented
// problem lines or a normal result (or be refused as no log), never a crash or a hang, and no
// read or value text beyond the reader's limit may ever be held. Small inputs live in
// tests/data/hostile/ (see its README); large ones are made here.

#include "adif/line_reader.h"
#include "adif/parse_adif.h"
#include "adif_test_util.h"
#include "conversion_probe.h"
#include "results/state_map.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace q9xz {
namespace {

using probe::Outcome;

const std::string TOO_LARGE = "ERROR: Record too large; skipped to its end";
const std::string UNFINISHED = "ERROR: Unfinished last record not read";
const std::string DUPLICATE = "Duplicate field: <";
constexpr std::size_t LIMIT = LineReader::MAX_LINE;

std::string read_data(const std::string& name) {
    std::ifstream in(std::string(Q9XZ_TEST_DATA) + "/hostile/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string contact(const std::string& date, const std::string& band) {
    return "<CALL:6>Q9XZ/4 <QSO_DATE:8>" + date +
           " <TIME_ON:4>1200 <BAND:" + std::to_string(band.size()) + ">" + band +
           " <MODE:2>CW <STATE:2>GA <EOR>\n";
}

// The largest texts the reader hands out for a log: what one read returns, and what a record,
// a field value or a message holds.
struct Held {
    std::size_t line = 0;
    std::size_t value = 0;
    std::size_t message = 0;
};

void walk_values(const AdifField* node, std::size_t& largest) {
    if (node == nullptr)
        return;
    largest = std::max(largest, node->value.size());
    walk_values(node->left, largest);
    walk_values(node->right, largest);
}

Held held_texts(const std::string& log) {
    Held held;
    LineReader lines(log);
    for (std::string_view line = lines.read_line(); !line.empty(); line = lines.read_line())
        held.line = std::max(held.line, line.size());

    LineReader input(log);
    std::unique_ptr<AdifRecord> record;
    for (;;) {
        std::optional<std::string> message;
        const AdifStatus status = test::parse_ADIF(input, record, message);
        if (message)
            held.message = std::max(held.message, message->size());
        if (record) {
            walk_values(record->fields(), held.value);
            // A slot may hold a repeated field that is not in the tree.
            for (const AdifField* slot : {record->call, record->dxcc, record->qso_date,
                                          record->time_on, record->band, record->mode})
                if (slot != nullptr)
                    held.value = std::max(held.value, slot->value.size());
        }
        if (status == ADIF_RECORD_END)
            record.reset();
        else if (record && record->too_large())
            record->drop(); // as the conversion does
        if (status == ADIF_END_OF_FILE)
            return held;
    }
}

struct HostileCase {
    const char* name;
    std::function<std::string()> make;
    bool exact; // false: only "no crash, well-formed spreadsheet or refusal" can be promised
    std::vector<std::string> problems;
    std::vector<std::string> cells;
    bool not_a_log = false;
};

std::string no_line_end() {
    std::string text;
    while (text.size() < 20'000'000)
        text += "<BAND:3>20m ";
    return text;
}

std::string thousands_of_fields() {
    std::string line = "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200 <MODE:2>CW ";
    for (int i = 0; i < 10000; ++i)
        line += "<F" + std::to_string((i * 7919) % 10000) + ":1>x";
    return line + "<BAND:3>20m <STATE:2>GA <EOR>\n";
}

std::string same_field_repeated() {
    std::string log =
        "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200 <MODE:2>CW <STATE:2>GA\n";
    for (int i = 0; i < 9999; ++i)
        log += "<BAND:3>40m\n";
    return log + "<BAND:3>20m <EOR>\n";
}
std::vector<std::string> same_field_problems() {
    std::vector<std::string> lines(9998,
                                   "Q9XZ/4 on 20140101 at 1200: Duplicate field: <BAND:3>40m");
    lines.push_back("Q9XZ/4 on 20140101 at 1200: Duplicate field: <BAND:3>20m");
    return lines;
}

std::string value_over_a_million_lines() {
    std::string log = "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200 <MODE:2>CW <STATE:2>GA "
                      "<COMMENT:1000000>";
    for (int i = 0; i < 1'000'000; ++i)
        log += "\r\n";
    return log + "<BAND:3>20m <EOR>\n";
}

// A value of exactly `length` characters of 1023 x's and a line end each, then the contact.
std::string long_value(std::size_t length) {
    std::string log = "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200 <MODE:2>CW <STATE:2>GA "
                      "<COMMENT:" +
                      std::to_string(length) + ">";
    while (length >= 1024) {
        log += std::string(1023, 'x') + "\n";
        length -= 1024;
    }
    return log + std::string(length, 'x') + "<BAND:3>20m <EOR>\n";
}

// One contact on a line padded with blanks to `length` characters before its line end.
std::string padded_line(std::size_t length) {
    std::string line = contact("20140101", "20m");
    line.pop_back();
    line += std::string(length - line.size(), ' ');
    return line + "\n";
}

const std::vector<HostileCase>& hostile_cases() {
    static const std::vector<HostileCase> cases{
        {"nul_bytes.adi", [] { return read_data("nul_bytes.adi"); }, true, {}, {}, true},
        {"random_binary.adi", [] { return read_data("random_binary.adi"); }, false, {}, {}},
        {"no line end in 20 MB",
         no_line_end,
         true,
         {" on  at : " + DUPLICATE + "BAND:3>20m", " on  at : " + UNFINISHED},
         {}},
        {"huge_length_comment.adi",
         [] { return read_data("huge_length_comment.adi"); },
         true,
         {"Q9XZ/4 on 20140101 at 1200: " + TOO_LARGE},
         {"Georgia CW 40m 02-Jan"}},
        // The record whose first field is not believed ends only at the next line's end tag.
        {"huge_length_call.adi",
         [] { return read_data("huge_length_call.adi"); },
         true,
         {TOO_LARGE},
         {}},
        {"value one above the limit",
         [] { return long_value(LIMIT + 1); },
         true,
         {"Q9XZ/4 on 20140101 at 1200: " + TOO_LARGE},
         {}},
        {"value at the limit",
         [] { return long_value(LIMIT); },
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"line one below the limit",
         [] { return padded_line(LIMIT - 1); },
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"line at the limit",
         [] { return padded_line(LIMIT); },
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"line far beyond the limit",
         [] { return padded_line(3 * LIMIT + 5); },
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"negative_and_bad_lengths.adi",
         [] { return read_data("negative_and_bad_lengths.adi"); },
         true,
         {"Q9XZ/4 on 20140106 at 1200: [] is not a state"},
         {"Georgia CW 80m 07-Jan", "Georgia CW 30m 08-Jan", "Georgia CW 20m 05-Jan"}},
        {"open_tag_at_line_and_file_end.adi",
         [] { return read_data("open_tag_at_line_and_file_end.adi"); },
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"thousands of fields", thousands_of_fields, true, {}, {"Georgia CW 20m 01-Jan"}},
        {"same field ten thousand times",
         same_field_repeated,
         true,
         same_field_problems(),
         {"Georgia CW 20m 01-Jan"}},
        {"value over a million lines",
         value_over_a_million_lines,
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"extreme_dates_times.adi",
         [] { return read_data("extreme_dates_times.adi"); },
         true,
         {},
         {"Georgia CW 80m 30-Nov", "Georgia CW 40m 11-Jun", "Georgia CW 30m 02-Nov",
          "Georgia CW 20m 01-Mar", "Georgia CW 17m 05-Jan", "Georgia CW 15m 31-Dec",
          "Georgia CW 12m 02-Nov", "Georgia CW 10m 01-Jan", "Georgia CW 6m 01-Jan"}},
        {"cr_only_line_ends.adi",
         [] { return read_data("cr_only_line_ends.adi"); },
         true,
         {},
         {"Georgia CW 40m 02-Jan", "Georgia CW 20m 01-Jan"}},
        {"lone_ctrl_z.adi", [] { return read_data("lone_ctrl_z.adi"); }, true, {}, {}, true},
        {"ctrl_z_mid_file.adi",
         [] { return read_data("ctrl_z_mid_file.adi"); },
         true,
         {},
         {"Georgia CW 40m 02-Jan", "Georgia CW 20m 01-Jan"}},
        {"utf8_bom.adi",
         [] { return read_data("utf8_bom.adi"); },
         true,
         {},
         {"Georgia CW 20m 01-Jan"}},
        {"nul_in_tags_and_values.adi",
         [] { return read_data("nul_in_tags_and_values.adi"); },
         true,
         {"Q9XZ/4 on 20140102 at 1200: [G] is not a state"},
         {"Georgia CW 80m 03-Jan"}},
        {"a hundred thousand empty records",
         [] {
             std::string log;
             for (int i = 0; i < 100000; ++i)
                 log += "<EOR>\n";
             return log;
         },
         true,
         {},
         {}},
    };
    return cases;
}

void PrintTo(const HostileCase& hostile, std::ostream* out) {
    *out << hostile.name;
}

class HostileInput : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, EndsWithTheDocumentedResult) {
    const probe::TimeZoneGuard zone("UTC");
    const HostileCase& hostile = GetParam();
    const std::string log = hostile.make();
    for (Choice choice : {Choice::LOTW, Choice::FIRST, Choice::LAST}) {
        const ConvertOptions options{choice};
        const Outcome outcome = probe::convert_text(log, options);
        // A file without a tag is refused, with no spreadsheet.
        EXPECT_EQ(outcome.csv_lines, outcome.not_a_log ? 0u : 229u);
        if (!hostile.exact)
            continue;
        EXPECT_EQ(outcome.not_a_log, hostile.not_a_log);
        EXPECT_EQ(outcome.problems, hostile.problems) << "choice " << choice_label(choice);
        EXPECT_EQ(outcome.cells, hostile.cells) << "choice " << choice_label(choice);
    }
}

TEST_P(HostileInput, HoldsNoTextBeyondTheLimit) {
    const Held held = held_texts(GetParam().make());
    EXPECT_LE(held.line, LIMIT);
    EXPECT_LE(held.value, LIMIT);
    EXPECT_LE(held.message, DUPLICATE.size() + 20 + LIMIT);
}

std::string case_name_of(const HostileCase& hostile) {
    std::string name;
    for (const char c : std::string(hostile.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}
std::string case_name(const testing::TestParamInfo<HostileCase>& info) {
    return case_name_of(info.param);
}

// The same bytes through the real file path, which reads in blocks of 1 MiB: the large inputs
// cross block boundaries, some of them between the CR and the LF of a pair.
TEST_P(HostileInput, ReadsTheSameFromAFile) {
    const probe::TimeZoneGuard zone("UTC");
    const std::string log = GetParam().make();
    const std::filesystem::path path =
        std::filesystem::path(testing::TempDir()) / ("q9xz_hostile_" + case_name_of(GetParam()));
    {
        std::ofstream out(path, std::ios::binary);
        out << log;
    }
    std::unique_ptr<LineReader> input = LineReader::open(path.string());
    ASSERT_NE(input, nullptr);
    ConvertOptions options;
    const Outcome from_file = probe::convert(*input, options);
    const Outcome from_memory = probe::convert_text(log);
    EXPECT_EQ(from_file.problems, from_memory.problems);
    EXPECT_EQ(from_file.cells, from_memory.cells);
    std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(Logs, HostileInput, testing::ValuesIn(hostile_cases()), case_name);

TEST(HostileTree, ThousandsOfFieldsStayBalancedAndFindable) {
    LineReader input(thousands_of_fields());
    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    ASSERT_EQ(test::parse_ADIF(input, record, message), ADIF_RECORD_END);
    EXPECT_FALSE(message);
    ASSERT_NE(record, nullptr);
    std::function<int(const AdifField*)> height = [&](const AdifField* node) {
        return node == nullptr ? 0 : 1 + std::max(height(node->left), height(node->right));
    };
    // An AA tree of n nodes is at most 2 log2(n + 1) high: 10,006 fields give 27 at most.
    EXPECT_LE(height(record->fields()), 27);
    for (int i = 0; i < 10000; ++i) {
        std::string name = "F";
        name += std::to_string(i); // (GCC 12 warns wrongly about "F" + std::to_string(i))
        EXPECT_NE(find_field(record->fields(), name), nullptr) << i;
    }
}

} // namespace
} // namespace q9xz
