#include "adif/adif_record.h"
#include "adif/line_reader.h"
#include "adif/parse_adif.h"
#include "adif_test_util.h"
#include "common/text.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace q9xz {
namespace {

using Fields = std::map<std::string, std::string>;

std::string field_key(const AdifField& field) {
    return std::string(field.name);
}

// Every field of the tree by name, after checking the tree's shape and each field's own rules.
Fields fields_of(const AdifRecord* record) {
    Fields fields;
    if (record == nullptr)
        return fields;
    const std::vector<std::string> names = test::check_aa_tree(record->fields(), field_key);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << "names out of order";
    EXPECT_TRUE(std::adjacent_find(names.begin(), names.end()) == names.end()) << "repeated name";
    for (const std::string& name : names) {
        const AdifField* field = find_field(record->fields(), name);
        EXPECT_NE(field, nullptr) << name;
        if (field == nullptr)
            continue;
        EXPECT_GE(field->length, 0) << name;
        EXPECT_EQ(field->value.size(), std::size_t(field->length)) << name;
        fields[name] = field->value;
    }
    return fields;
}

// One reader call with what came of it. At the end of a header or record the test takes the
// record over, as the conversion driver does.
struct Call {
    AdifStatus status;
    std::optional<std::string> message;
    std::unique_ptr<AdifRecord> taken;
};

std::vector<Call> read_log(LineReader& input, std::unique_ptr<AdifRecord>& record) {
    std::vector<Call> calls;
    for (int guard = 0; guard < 1000000; ++guard) {
        Call call;
        call.status = test::parse_ADIF(input, record, call.message);
        if (call.status == ADIF_HEADER_END || call.status == ADIF_RECORD_END)
            call.taken = std::move(record);
        const bool done = call.status == ADIF_END_OF_FILE;
        calls.push_back(std::move(call));
        if (done)
            break;
    }
    return calls;
}

std::vector<Call> read_log(const std::string& text, std::size_t max_line = LineReader::MAX_LINE) {
    LineReader input(text, max_line);
    std::unique_ptr<AdifRecord> record;
    return read_log(input, record);
}

std::vector<int> statuses(const std::vector<Call>& calls) {
    std::vector<int> result;
    for (const Call& call : calls)
        result.push_back(call.status);
    return result;
}

std::string slot_value(const AdifField* slot) {
    return slot ? std::string(slot->value) : "<none>";
}

TEST(ParseAdif, ReadsFieldsAndEndsRecords) {
    struct Case {
        const char* label;
        std::string log;
        std::vector<int> statuses; // of every call, up to the end of the input
        Fields fields;             // of the record taken at the first status 1 or 2
    };
    const Case cases[] = {
        {"lower-case name, upper-cased", "<band:3>20m<eor>\n", {2, 3}, {{"BAND", "20m"}}},
        {"type indicator ignored",
         "<QSO_DATE:8:D>20140105<EOR>\n",
         {2, 3},
         {{"QSO_DATE", "20140105"}}},
        {"EOR in upper case", "<CALL:4>Q9XZ<EOR>\n", {2, 3}, {{"CALL", "Q9XZ"}}},
        {"value holding < and >", "<COMMENT:5>a<b>c<EOR>\n", {2, 3}, {{"COMMENT", "a<b>c"}}},
        {"text beyond a value skipped",
         "<NAME:2>Bobby<BAND:3>20m<EOR>\n",
         {2, 3},
         {{"NAME", "Bo"}, {"BAND", "20m"}}},
        {"value continuing over a line end",
         "<COMMENT:4>ab\ncd<BAND:3>20m\n<EOR>\n",
         {2, 3},
         {{"COMMENT", "ab\nc"}, {"BAND", "20m"}}},
        {"CR LF in a continued value counts as one",
         "<COMMENT:4>ab\r\ncd<BAND:3>20m\r\n<EOR>\r\n",
         {2, 3},
         {{"COMMENT", "ab\nc"}, {"BAND", "20m"}}},
        {"lone CR in a value is kept", "<COMMENT:3>a\rb<EOR>\n", {2, 3}, {{"COMMENT", "a\rb"}}},
        {"value over several lines ending a record",
         "<COMMENT:8>ab\n\ncd\nef<EOR>\n",
         {2, 3},
         {{"COMMENT", "ab\n\ncd\ne"}}},
        {"value ending at a line end: the next line is read after it",
         "<COMMENT:7>ab\n\ncd\nef<EOR>\n",
         {2, 3},
         {{"COMMENT", "ab\n\ncd\n"}}},
        {"value taking in tags up to its length",
         "<COMMENT:30>ab<CALL:4>Q9XZ<EOR>\n<BAND:3>20m<EOR>\n",
         {2, 3},
         {{"COMMENT", "ab<CALL:4>Q9XZ<EOR>\n<BAND:3>20"}}},
        {"EOR with a length is a field",
         "<CALL:4>Q9XZ<EOR:0>\n<EOR>\n",
         {2, 3},
         {{"CALL", "Q9XZ"}, {"EOR", ""}}},
        {"EOR with a negative length ends the record",
         "<CALL:4>Q9XZ<EOR:-1>\n",
         {2, 3},
         {{"CALL", "Q9XZ"}}},
        {"negative length skipped", "<CALL:-1>Q9XZ<BAND:3>20m<EOR>\n", {2, 3}, {{"BAND", "20m"}}},
        {"saturated negative length skipped",
         "<CALL:-99999999999>x<BAND:3>20m<EOR>\n",
         {2, 3},
         {{"BAND", "20m"}}},
        {"length not a number",
         "<CALL:abc>Q9XZ<BAND:3>20m<EOR>\n",
         {2, 3},
         {{"CALL", ""}, {"BAND", "20m"}}},
        {"length with blanks and sign",
         "<CALL: +4>Q9XZ<BAND:3x:S>20m<EOR>\n",
         {2, 3},
         {{"CALL", "Q9XZ"}, {"BAND", "20m"}}},
        {"tag without length skipped",
         "<APP_X>junk<CALL:4>Q9XZ<EOR>\n",
         {2, 3},
         {{"CALL", "Q9XZ"}}},
        {"unknown names are stored", "<APP_N1MM_X:2>ok<EOR>\n", {2, 3}, {{"APP_N1MM_X", "ok"}}},
        {"only a-z upper-cased in names", "<c\xe9ll_x9:1>a<EOR>\n", {2, 3}, {{"C\xe9LL_X9", "a"}}},
        {"NUL bytes in a value", "<NOTE:3>a\0b<EOR>\n"s, {2, 3}, {{"NOTE", "a\0b"s}}},
        {"last line without line end", "<CALL:4>Q9XZ<EOR>", {2, 3}, {{"CALL", "Q9XZ"}}},
        {"CR-only line ends make one last line",
         "<CALL:4>Q9XZ\r<BAND:3>20m\r<EOR>\r",
         {2, 3},
         {{"CALL", "Q9XZ"}, {"BAND", "20m"}}},
        {"empty name", "<:4>abcd<EOR>\n", {2, 3}, {{"", "abcd"}}},
        {"a second record on the same line is read",
         "<BAND:3>20m <EOR> <BAND:3>40m <EOR>\n",
         {2, 2, 3},
         {{"BAND", "20m"}}},
        {"header",
         "Exported by a logger <neat>\n<adif_ver:5>3.1.0\n<PROGRAMID:10>ADIFMaster<EOH>\n",
         {1, 3},
         {{"ADIF_VER", "3.1.0"}, {"PROGRAMID", "ADIFMaster"}}},
        {"header end in lower case",
         "<programid:4>LoTW <eoh> <CALL:4>kept\n",
         {1, 3},
         {{"PROGRAMID", "LoTW"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<Call> calls = read_log(c.log);
        EXPECT_EQ(statuses(calls), c.statuses);
        const AdifRecord* record = nullptr;
        for (const Call& call : calls) {
            EXPECT_FALSE(call.message.has_value()) << *call.message;
            if (record == nullptr && call.taken)
                record = call.taken.get();
        }
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(fields_of(record), c.fields);
    }
}

TEST(ParseAdif, RecordsLeftOpen) {
    struct Case {
        const char* label;
        std::string log;
        std::vector<int> statuses;
        Fields fields; // of the record still open at the end
    };
    const Case cases[] = {
        {"blank tag name is no end", "<CALL:4>Q9XZ< EOR>\n", {3}, {{"CALL", "Q9XZ"}}},
        {"no line end, no EOR", "<CALL:4>Q9XZ", {3}, {{"CALL", "Q9XZ"}}},
        {"unclosed tag name ignores the rest", "<CALL:4>Q9XZ<BAND\n", {3}, {{"CALL", "Q9XZ"}}},
        {"tag with a length but no > ignores the rest",
         "<CALL:4>Q9XZ<BAND:3\n",
         {3},
         {{"CALL", "Q9XZ"}}},
        {"unclosed EOR ends nothing", "<CALL:4>Q9XZ <EOR\n", {3}, {{"CALL", "Q9XZ"}}},
        {"lone < at the end", "<CALL:4>Q9XZ<", {3}, {{"CALL", "Q9XZ"}}},
        {"unclosed tag on its own line, next line read afresh",
         "<CALL:4>Q9XZ\n<COMMENT:10\n>abc<BAND:3>20m\n",
         {3},
         {{"CALL", "Q9XZ"}, {"BAND", "20m"}}},
        {"input ends inside a value",
         "<CALL:4>Q9XZ\n<BAND:3>20m<COMMENT:50>abc\nde\n",
         {3},
         {{"CALL", "Q9XZ"}, {"BAND", "20m"}}},
        {"last line without line end ends inside a value",
         "<DXCC:3>291<CALL:10>Q9",
         {3},
         {{"DXCC", "291"}}},
        {"Ctrl-Z at the end of the file is stray text",
         "<DXCC:3>291\n\x1a\x1a",
         {3},
         {{"DXCC", "291"}}},
        {"length exactly the limit, input ends inside it",
         "<CALL:4>Q9XZ\n<COMMENT:1048576>abc\n",
         {3},
         {{"CALL", "Q9XZ"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LineReader input(c.log);
        std::unique_ptr<AdifRecord> record;
        std::vector<Call> calls = read_log(input, record);
        EXPECT_EQ(statuses(calls), c.statuses);
        for (const Call& call : calls)
            EXPECT_FALSE(call.message.has_value()) << *call.message;
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(fields_of(record.get()), c.fields);
    }
}

TEST(ParseAdif, LinesWithoutFieldsCreateNoRecord) {
    for (const std::string log :
         {"\n", "\r\n", "free text of a header\n", "<CALL:-1>\n", "<just a tag> and < words\n",
          "<\n", "<>\n", "<EOH>\n", "<EOR>\n"}) {
        SCOPED_TRACE(log);
        LineReader input(log);
        std::unique_ptr<AdifRecord> record;
        std::optional<std::string> message;
        const AdifStatus status = test::parse_ADIF(input, record, message);
        EXPECT_TRUE(status == ADIF_END_OF_FILE || log == "<EOH>\n" || log == "<EOR>\n");
        EXPECT_EQ(record, nullptr);
        EXPECT_FALSE(message.has_value());
        EXPECT_EQ(test::parse_ADIF(input, record, message), ADIF_END_OF_FILE);
        EXPECT_EQ(test::parse_ADIF(input, record, message), ADIF_END_OF_FILE);
    }
}

TEST(ParseAdif, ReadingGoesOnAfterAnEndTagInTheSameLine) {
    const std::string log = "<CALL:4>Q9XZ<EOR><CALL:4>W1AW\n"
                            "<EOR>\n"
                            "<CALL:4>K1AB\n"
                            "<BAND:3>20m<EOR> trailing <MODE:2>CW\n";
    std::unique_ptr<AdifRecord> open;
    LineReader input(log);
    std::vector<Call> calls = read_log(input, open);
    ASSERT_EQ(statuses(calls), (std::vector<int>{2, 2, 2, 3}));
    EXPECT_EQ(fields_of(calls[0].taken.get()), (Fields{{"CALL", "Q9XZ"}}));
    EXPECT_EQ(fields_of(calls[1].taken.get()), (Fields{{"CALL", "W1AW"}}));
    EXPECT_EQ(fields_of(calls[2].taken.get()), (Fields{{"CALL", "K1AB"}, {"BAND", "20m"}}));
    EXPECT_EQ(fields_of(open.get()), (Fields{{"MODE", "CW"}}));
}

TEST(ParseAdif, SlotsReferToTheirFields) {
    auto record = test::parse_one_record("<call:6>Q9XZ/4 <Dxcc:3>291 <QSO_DATE:8>20140105 "
                                         "<TIME_ON:6>120000 <BAND:3>20m <MODE:3>SSB <STATE:2>GA "
                                         "<EOR>\n");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(slot_value(record->call), "Q9XZ/4");
    EXPECT_EQ(slot_value(record->dxcc), "291");
    EXPECT_EQ(slot_value(record->qso_date), "20140105");
    EXPECT_EQ(slot_value(record->time_on), "120000");
    EXPECT_EQ(slot_value(record->band), "20m");
    EXPECT_EQ(slot_value(record->mode), "SSB");
    EXPECT_EQ(record->call, find_field(record->fields(), "CALL"));
    EXPECT_EQ(record->band->length, 3);
    EXPECT_EQ(record->band->name, "BAND");

    auto bare = test::parse_one_record("<STATE:2>GA<EOR>\n");
    ASSERT_NE(bare, nullptr);
    for (const AdifField* slot :
         {bare->call, bare->dxcc, bare->qso_date, bare->time_on, bare->band, bare->mode})
        EXPECT_EQ(slot, nullptr);
}

TEST(ParseAdif, RepeatedFields) {
    struct Case {
        const char* label;
        std::string log;
        std::vector<std::optional<std::string>> messages; // per call
        std::string tree_band;                            // find_field(BAND), or the name sought
        std::string slot_band;
    };
    const Case cases[] = {
        {"on one line",
         "<BAND:3>20m<BAND:3>40m<EOR>\n",
         {"Duplicate field: <BAND:3>40m", std::nullopt},
         "20m",
         "40m"},
        {"on separate lines",
         "<BAND:3>20m\n<band:4>40m \n<EOR>\n",
         {"Duplicate field: <BAND:4>40m ", std::nullopt, std::nullopt},
         "20m",
         "40m "},
        {"three times: the last message of the call wins",
         "<BAND:3>20m<BAND:3>40m<BAND:3>80m<EOR>\n",
         {"Duplicate field: <BAND:3>80m", std::nullopt},
         "20m",
         "80m"},
        {"value over two lines",
         "<BAND:3>20m<BAND:4>4\n0m<EOR>\n",
         {"Duplicate field: <BAND:4>4\n0m", std::nullopt},
         "20m",
         "4\n0m"},
        {"empty repeat",
         "<BAND:3>20m<BAND:0><EOR>\n",
         {"Duplicate field: <BAND:0>", std::nullopt},
         "20m",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<Call> calls = read_log(c.log);
        ASSERT_EQ(calls.size(), c.messages.size());
        for (std::size_t i = 0; i < calls.size(); ++i)
            EXPECT_EQ(calls[i].message, c.messages[i]) << "call " << i;
        const AdifRecord* record = nullptr;
        for (const Call& call : calls)
            if (call.taken)
                record = call.taken.get();
        ASSERT_NE(record, nullptr);
        const AdifField* in_tree = find_field(record->fields(), "BAND");
        ASSERT_NE(in_tree, nullptr);
        EXPECT_EQ(in_tree->value, c.tree_band);
        EXPECT_EQ(slot_value(record->band), c.slot_band);
        EXPECT_EQ(fields_of(record).size(), 1u);
    }

    // A repeated name that has no slot: the first stays, the message names the second.
    std::vector<Call> calls = read_log("<name:3>Bob<NAME:5>Alice<EOR>\n");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].message, "Duplicate field: <NAME:5>Alice");
    EXPECT_EQ(fields_of(calls[0].taken.get()), (Fields{{"NAME", "Bob"}}));
}

TEST(FindField, MatchesNamesExactly) {
    auto record = test::parse_one_record("<CALL:4>Q9XZ<BAND:3>20m<BAND_RX:3>40m<EOR>\n");
    ASSERT_NE(record, nullptr);
    const AdifField* root = record->fields();
    EXPECT_EQ(slot_value(find_field(root, "BAND")), "20m");
    EXPECT_EQ(slot_value(find_field(root, "BAND_RX")), "40m");
    for (const char* name : {"band", "Band", "BAN", "BAND ", " BAND", "", "CALLS", "ZZZ", "A"})
        EXPECT_EQ(find_field(root, name), nullptr) << name;
    EXPECT_EQ(find_field(nullptr, "BAND"), nullptr);
}

// A line longer than one read comes in pieces, and is read whole all the same: a tag or a value
// cut between two pieces is read across them, and the record after it is not lost.
TEST(ParseAdif, LinesOfAnyLengthAreReadWhole) {
    // A record padded with blanks to a given length before its LF.
    auto record_line = [](std::size_t length) {
        std::string line = "<CALL:4>Q9XZ<BAND:3>20m";
        line += std::string(length - line.size() - 5, ' ');
        line += "<EOR>";
        return line;
    };
    struct Case {
        std::size_t max_line;
        std::string line;
    };
    const Case cases[] = {
        {2047, record_line(2046)},
        {2047, record_line(2047)},
        {2048, record_line(5000)},
        {LineReader::MAX_LINE, record_line(LineReader::MAX_LINE + 3)},
        // Tags and values cut between pieces in several places.
        {9, "<CALL:4>Q9XZ <band:3>20m <EoR>"},
        {10, "<CALL:4>Q9XZ <band:3>20m <EoR>"},
        {11, "<CALL:4>Q9XZ <band:3>20m <EoR>"},
        {24, "<CALL:4>Q9XZ <band:3>20m <EoR>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "max_line " << c.max_line << ", line " << c.line.size());
        LineReader input("<PROGRAMID:4>Test<EOH>\n<DXCC:3>291\n" + c.line + "\n<CALL:4>W1AW<EOR>",
                         c.max_line);
        std::unique_ptr<AdifRecord> record;
        std::vector<Call> calls = read_log(input, record);
        // A line end read on its own gives a call of its own.
        std::erase_if(calls, [](const Call& call) { return call.status == ADIF_LINE_DONE; });
        ASSERT_EQ(statuses(calls), (std::vector<int>{1, 2, 2, 3}));
        EXPECT_EQ(fields_of(calls[1].taken.get()),
                  (Fields{{"DXCC", "291"}, {"CALL", "Q9XZ"}, {"BAND", "20m"}}));
        EXPECT_EQ(fields_of(calls[2].taken.get()), (Fields{{"CALL", "W1AW"}}));
    }
}

// Repeats whose values keep running over the ends of a long line's pieces: the record holds its
// two fields, not a copy of every piece of the 8 MB line.
TEST(ParseAdif, RepeatsOverPiecesOfALongLineTakeNoRoom) {
    std::string line = "<CALL:4>Q9XZ";
    for (int i = 0; i < 8000; ++i)
        line += "<NOTES:1000>" + std::string(1000, 'n');
    std::vector<Call> calls = read_log(line + "<EOR>\n");
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_EQ(calls[0].status, ADIF_RECORD_END);
    EXPECT_EQ(fields_of(calls[0].taken.get()),
              (Fields{{"CALL", "Q9XZ"}, {"NOTES", std::string(1000, 'n')}}));
    EXPECT_LT(calls[0].taken->memory().capacity(), AdifRecord::MAX_BYTES);
}

TEST(ParseAdif, ReadOfTheWholeLimitWithACarriageReturnIsParsed) {
    // 16 characters with a lone CR among them, then the rest of the line.
    const std::string log = "<CALL:4>Q9XZ\r   <BAND:3>20m\n<EOR>\n";
    std::vector<Call> calls = read_log(log, 16);
    ASSERT_EQ(statuses(calls), (std::vector<int>{2, 3}));
    EXPECT_EQ(fields_of(calls[0].taken.get()), (Fields{{"CALL", "Q9XZ"}, {"BAND", "20m"}}));
}

TEST(ParseAdif, LongValueOverManyLines) {
    std::string value;
    std::string log;
    for (int i = 0; i < 20000; ++i)
        value += "line " + std::to_string(i) + " of a long comment, over many lines\n";
    log = "<CALL:4>Q9XZ<COMMENT:" + std::to_string(value.size()) + ">";
    // The same text with CR LF line ends in the file.
    std::string in_file;
    for (char ch : value)
        in_file += ch == '\n' ? "\r\n" : std::string(1, ch);
    log += in_file + "<BAND:3>20m<EOR>\r\n";
    // The value ends with its last line; the BAND line is read after it.
    std::vector<Call> calls = read_log(log);
    ASSERT_EQ(statuses(calls), (std::vector<int>{2, 3}));
    const AdifRecord* record = calls[0].taken.get();
    ASSERT_NE(record, nullptr);
    const AdifField* comment = find_field(record->fields(), "COMMENT");
    ASSERT_NE(comment, nullptr);
    EXPECT_TRUE(comment->value == value);
    EXPECT_EQ(slot_value(record->band), "20m");
}

TEST(ParseAdif, ContinuationReadsHaveNoLineEndTest) {
    // The second read is the reader's whole limit (16) with no CR or LF: part of the value.
    const std::string value = "a\n" + std::string(14, 'b');
    const std::string log = "<COMMENT:16>" + value + "xx\n<EOR>\n";
    std::vector<Call> calls = read_log(log, 16);
    ASSERT_EQ(statuses(calls), (std::vector<int>{2, 3})) << calls[0].message.value_or("");
    EXPECT_EQ(fields_of(calls[0].taken.get()), (Fields{{"COMMENT", value}}));
}

TEST(ParseAdif, ManyFieldsKeepTheTreeBalanced) {
    std::mt19937 random(1914);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back(std::string("F").append(std::to_string(i * 7919 % 100003)));
    std::shuffle(names.begin(), names.end(), random);
    std::string line;
    Fields expected;
    for (const std::string& name : names) {
        const std::string value = "v" + name;
        line += "<" + name + ":" + std::to_string(value.size()) + ">" + value;
        expected[name] = value;
    }
    std::vector<Call> calls = read_log(line + "<EOR>\n");
    ASSERT_EQ(statuses(calls), (std::vector<int>{2, 3}));
    const AdifRecord* record = calls[0].taken.get();
    EXPECT_EQ(fields_of(record), expected);
    // An AA tree of n nodes is at most about 2 log2(n) high.
    EXPECT_LE(test::tree_height(record->fields()), 24);
}

// The tree's shape and levels as text, so two trees compare as a whole.
std::string shape_of(const AdifField* node) {
    if (node == nullptr)
        return ".";
    return "(" + shape_of(node->left) + std::string(node->name) + "/" +
           std::to_string(node->level) + shape_of(node->right) + ")";
}

TEST(ParseAdif, RepeatsAreFoundWhereverTheyComeAndTheTreeIsTheInsertionTree) {
    // Far more names than a typical record, so repeats come both before and after the reader
    // changes how it finds them; names of many lengths and cases.
    std::vector<std::string> names;
    for (int i = 0; i < 150; ++i)
        names.push_back((i % 3 == 0 ? "f" : "FIELD_") + std::to_string(i * 37 % 151));
    const std::size_t repeated[] = {3, 40, 63, 64, 120};
    for (std::size_t at : {std::size_t{10}, std::size_t{64}, std::size_t{66}, std::size_t{149}}) {
        SCOPED_TRACE(at);
        std::string log;
        std::vector<std::string> read;     // the names in the order of the log
        std::vector<std::string> messages; // one call for each, then the record's end
        for (std::size_t i = 0; i < names.size(); ++i) {
            log += "<" + names[i] + ":1>v\n";
            read.push_back(names[i]);
            if (i == at) {
                for (std::size_t earlier : repeated) {
                    if (earlier > i)
                        continue;
                    log += "<" + names[earlier] + ":2>rr\n";
                    read.push_back(names[earlier]);
                    std::string upper = names[earlier];
                    for (char& c : upper)
                        c = ascii_upper(c);
                    messages.push_back("Duplicate field: <" + upper + ":2>rr");
                }
            }
        }
        std::vector<Call> calls = read_log(log + "<EOR>\n");
        ASSERT_EQ(calls.size(), messages.size() + 2);
        for (std::size_t i = 0; i < messages.size(); ++i)
            EXPECT_EQ(calls[i].message, messages[i]) << "call " << i;

        // The same accepted fields inserted one by one, as they were read.
        std::deque<AdifField> nodes;
        std::deque<std::string> texts;
        AdifField* root = nullptr;
        for (const std::string& read_name : read) {
            std::string& name = texts.emplace_back(read_name);
            for (char& c : name)
                c = ascii_upper(c);
            AdifField& field = nodes.emplace_back();
            field.name = name;
            std::optional<std::string> message;
            root = insert_field(root, &field, message);
        }
        const AdifRecord* record = calls[calls.size() - 2].taken.get();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(shape_of(record->fields()), shape_of(root));
    }
}

TEST(ParseAdif, NamesOfEveryLengthEndAtTheirStop) {
    // Names from 0 to 20 characters, a lower-case letter at every place, each kind of stop:
    // the name must come out whole and upper-cased, the value after it.
    for (std::size_t length = 0; length <= 20; ++length) {
        for (std::size_t lower = 0; lower <= length; ++lower) {
            std::string name(length, 'N');
            if (lower < length)
                name[lower] = 'q';
            for (const std::string& tag : {"<" + name + ":2>ab", "<" + name + ":2:S>ab",
                                           "<" + name + std::string("\0x:2>ab", 7)}) {
                SCOPED_TRACE(testing::PrintToString(tag));
                auto record = test::parse_one_record("  " + tag + " <EOR>\n");
                ASSERT_NE(record, nullptr);
                std::string expected(length, 'N');
                if (lower < length)
                    expected[lower] = 'Q';
                const AdifField* field = find_field(record->fields(), expected);
                ASSERT_NE(field, nullptr);
                EXPECT_EQ(field->value, "ab");
            }
            // A tag at the very end of its line, where no whole word follows the name.
            auto at_end = test::parse_one_record("<" + name + ":0>\n<EOR>\n");
            ASSERT_NE(at_end, nullptr);
            std::string upper(length, 'N');
            if (lower < length)
                upper[lower] = 'Q';
            EXPECT_NE(find_field(at_end->fields(), upper), nullptr) << name;
            // Without a length the tag carries nothing, whatever its name.
            auto nothing = test::parse_one_record("<" + name + "> <EOR>\n");
            EXPECT_EQ(nothing, nullptr);
        }
    }
}

TEST(InsertField, KeepsTheAATreeRulesAndRejectsRepeats) {
    std::mt19937 random(42);
    for (int round = 0; round < 4; ++round) {
        std::vector<std::string> names;
        for (int i = 0; i < 5000; ++i)
            names.push_back(std::to_string(i));
        if (round == 1)
            std::sort(names.begin(), names.end());
        else if (round == 2)
            std::sort(names.rbegin(), names.rend());
        else
            std::shuffle(names.begin(), names.end(), random);
        std::deque<AdifField> nodes; // addresses stay put as nodes are added
        AdifField* root = nullptr;
        for (const std::string& name : names) {
            AdifField& field = nodes.emplace_back();
            field.name = name;
            field.value = "x";
            field.length = 1;
            std::optional<std::string> message;
            root = insert_field(root, &field, message);
            ASSERT_FALSE(message.has_value()) << name;
        }
        std::vector<std::string> keys = test::check_aa_tree(root, field_key);
        std::vector<std::string> sorted = names; // the nodes' names still point into `names`
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(keys, sorted);
        EXPECT_LE(test::tree_height(root), 26);

        // A repeat leaves the tree exactly as it was and stays unlinked.
        const std::vector<std::string> before = keys;
        AdifField& repeat = nodes.emplace_back();
        repeat.name = "1234";
        repeat.value = "40m";
        repeat.length = 3;
        const AdifField* old_root = root;
        std::optional<std::string> message;
        root = insert_field(root, &repeat, message);
        EXPECT_EQ(message, "Duplicate field: <1234:3>40m");
        EXPECT_EQ(root, old_root);
        EXPECT_EQ(repeat.left, nullptr);
        EXPECT_EQ(repeat.right, nullptr);
        EXPECT_EQ(test::check_aa_tree(root, field_key), before);
        EXPECT_EQ(find_field(root, "1234")->value, "x");
    }
}

TEST(InsertField, OrdersNamesAsUnsignedBytes) {
    const std::vector<std::string> names = {"Z", "\xe9", "A", "AB", "A_", "\x7f", "\x80", ""};
    std::deque<AdifField> nodes;
    AdifField* root = nullptr;
    for (const std::string& name : names) {
        AdifField& field = nodes.emplace_back();
        field.name = name;
        std::optional<std::string> message;
        root = insert_field(root, &field, message);
    }
    EXPECT_EQ(test::check_aa_tree(root, field_key),
              (std::vector<std::string>{"", "A", "AB", "A_", "Z", "\x7f", "\x80", "\xe9"}));
    EXPECT_NE(find_field(root, "\xe9"), nullptr);
    EXPECT_NE(find_field(root, "\x80"), nullptr);
    EXPECT_NE(find_field(root, ""), nullptr);
}

// No input may crash the reader or make it read outside its text; the sanitizer build makes
// this test bite.
TEST(ParseAdif, SurvivesJunk) {
    std::mt19937 random(9);
    const std::string alphabet = "<>:-+0123456789 eorEORhCALb\r\n\0\x1a\xff\t"s;
    for (int round = 0; round < 2000; ++round) {
        std::string log;
        const std::size_t length = 1 + random() % 200;
        for (std::size_t i = 0; i < length; ++i)
            log.push_back(alphabet[random() % alphabet.size()]);
        const std::size_t max_line = round % 2 ? 8 + random() % 32 : LineReader::MAX_LINE;
        LineReader input(log, max_line);
        std::unique_ptr<AdifRecord> record;
        for (int call = 0; call < 1000; ++call) {
            std::optional<std::string> message;
            const AdifStatus status = test::parse_ADIF(input, record, message);
            ASSERT_LE(int(status), 3);
            ASSERT_GE(int(status), 0);
            if (record) {
                fields_of(record.get());
                for (const AdifField* slot : {record->call, record->dxcc, record->qso_date,
                                              record->time_on, record->band, record->mode}) {
                    if (slot) {
                        ASSERT_EQ(slot->value.size(), std::size_t(slot->length));
                    }
                }
            }
            if (status == ADIF_HEADER_END || status == ADIF_RECORD_END)
                record.reset();
            else if (record && record->too_large())
                record->drop();
            if (status == ADIF_END_OF_FILE)
                break;
            ASSERT_LT(call, 999) << "reader never reached the end";
        }
    }
}

} // namespace
} // namespace q9xz
