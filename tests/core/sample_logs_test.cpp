// Real logs exported by other loggers. The few copied into samples/real/ pin what matters about
// them; every log of the shared sample folder (beside the repository, when it is there) must
// convert without a fault.

#include "adif/line_reader.h"
#include "adif/parse_adif.h"
#include "adif_test_util.h"
#include "conversion_probe.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace q9xz {
namespace {

namespace fs = std::filesystem;

std::string repo_sample(const std::string& name) {
    return std::string(Q9XZ_SAMPLES) + "/real/" + name;
}
// The shared sample folder sits beside the repository's clone.
fs::path shared_samples() {
    return fs::path(Q9XZ_SAMPLES) / ".." / ".." / "shared" / "samples";
}

// A log read the way the conversion reads it: the header's record stays current, every QSO
// record is kept when its EOR is read.
struct ReadLog {
    std::vector<AdifStatus> statuses;
    std::vector<std::string> messages;
    std::vector<std::unique_ptr<AdifRecord>> records;
    bool header_had_fields = false;
};

ReadLog read_log(const std::string& path) {
    ReadLog log;
    std::unique_ptr<LineReader> input = LineReader::open(path);
    EXPECT_NE(input, nullptr) << path;
    if (!input)
        return log;
    std::unique_ptr<AdifRecord> record;
    for (;;) {
        std::optional<std::string> message;
        const AdifStatus status = test::parse_ADIF(*input, record, message);
        log.statuses.push_back(status);
        if (message)
            log.messages.push_back(*message);
        if (status == ADIF_HEADER_END && record)
            log.header_had_fields = true;
        if (status == ADIF_RECORD_END)
            log.records.push_back(std::move(record));
        if (status == ADIF_END_OF_FILE)
            return log;
    }
}

std::string value_of(const AdifRecord& record, std::string_view name) {
    const AdifField* field = find_field(record.fields(), name);
    return field ? std::string(field->value) : "<none>";
}

std::size_t count_of(const std::vector<AdifStatus>& statuses, AdifStatus status) {
    return std::count(statuses.begin(), statuses.end(), status);
}

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t eor_tags(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t count = 0;
    for (std::size_t at = text.find("<eor>"); at != std::string::npos;
         at = text.find("<eor>", at + 1))
        ++count;
    return count;
}

// Log4OM puts each record on one line of 1,500 to 3,059 characters: all 122 must be read whole.
TEST(SampleLog4OM, ReadsEveryLongRecordLineWhole) {
    const ReadLog log = read_log(repo_sample("log4om2_bom_hash_header.adi"));
    EXPECT_EQ(count_of(log.statuses, ADIF_HEADER_END), 1u);
    EXPECT_EQ(log.statuses.back(), ADIF_END_OF_FILE);
    ASSERT_EQ(log.records.size(), 122u);
    for (const auto& record : log.records) {
        ASSERT_NE(record->call, nullptr);
        ASSERT_NE(record->qso_date, nullptr);
        EXPECT_EQ(record->qso_date->value.size(), 8u);
        // The last field of every record line, so nothing of the line was cut off.
        EXPECT_NE(find_field(record->fields(), "APP_L4ONG_QSO_AWARD_REFERENCES"), nullptr)
            << record->call->value;
        EXPECT_NE(find_field(record->fields(), "LOTW_QSL_RCVD"), nullptr);
    }
    EXPECT_EQ(log.records.front()->call->value, "KE8LVA");
    // The header's PROGRAMID came through the BOM, the "#" banner and the header's own line.
    EXPECT_EQ(value_of(*log.records.front(), "PROGRAMID"), "Log4OM2");
    const auto spanning = std::find_if(log.records.begin(), log.records.end(),
                                       [](const auto& r) { return r->call->value == "AC3LZ"; });
    ASSERT_NE(spanning, log.records.end());
    EXPECT_EQ(value_of(**spanning, "NOTES"), "OMISS #12261\nNATA #165 ");
}

TEST(SampleLog4OM, ConvertsWithOnlyTheRepeatedHeaderField) {
    std::unique_ptr<LineReader> input =
        LineReader::open(repo_sample("log4om2_bom_hash_header.adi"));
    ASSERT_NE(input, nullptr);
    ConvertOptions options;
    const probe::Outcome outcome = probe::convert(*input, options);
    // The first record repeats the header's PROGRAMID and PROGRAMVERSION on one line; a call
    // reports its last duplicate only.
    EXPECT_EQ(outcome.problems,
              std::vector<std::string>{
                  "KE8LVA on 20210130 at 150739: Duplicate field: <PROGRAMVERSION:8>2.22.0.0"});
    EXPECT_EQ(outcome.program_id, "Log4OM2");
    EXPECT_TRUE(outcome.cells.empty());
}

// WSJT-X: free text and "<eoh>" on the first line, lower-case tags, one record per line.
TEST(SampleWsjtx, ReadsLowerCaseTagsAfterHeaderTextOnTheEohLine) {
    const ReadLog log = read_log(repo_sample("wsjtx_2015_eoh_same_line.adi"));
    ASSERT_FALSE(log.statuses.empty());
    EXPECT_EQ(log.statuses.front(), ADIF_HEADER_END);
    EXPECT_FALSE(log.header_had_fields);
    EXPECT_TRUE(log.messages.empty());
    ASSERT_EQ(log.records.size(), 74u);
    const AdifRecord& first = *log.records.front();
    ASSERT_NE(first.call, nullptr);
    EXPECT_EQ(first.call->name, "CALL");
    EXPECT_EQ(first.call->value, "KL3MM");
    ASSERT_NE(first.time_on, nullptr);
    EXPECT_EQ(first.time_on->value, "0247");
    ASSERT_NE(first.band, nullptr);
    EXPECT_EQ(first.band->value, "20m");
    ASSERT_NE(first.mode, nullptr);
    EXPECT_EQ(first.mode->value, "JT65");
    EXPECT_EQ(value_of(first, "STATION_CALLSIGN"), "KF4MDV");
    EXPECT_EQ(find_field(first.fields(), "call"), nullptr);
}

TEST(SampleHeaderText, EohAfterTextOnOneLineEndsTheHeader) {
    const ReadLog log = read_log(repo_sample("odd_header_text_same_line_as_eoh.adi"));
    EXPECT_EQ(log.statuses,
              (std::vector<AdifStatus>{ADIF_HEADER_END, ADIF_RECORD_END, ADIF_END_OF_FILE}));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(value_of(*log.records.front(), "MYCALL"), "KF4MDV");
}

// SKCCLogger: a long free-text header (a Windows path in it) and one field per line.
TEST(SampleSkcc, ReadsOneFieldPerLine) {
    const ReadLog log = read_log(repo_sample("skcc_logger_freetext_header.adi"));
    EXPECT_FALSE(log.header_had_fields);
    EXPECT_TRUE(log.messages.empty());
    ASSERT_EQ(log.records.size(), 15u);
    for (const auto& record : log.records) {
        EXPECT_NE(record->call, nullptr);
        EXPECT_NE(record->qso_date, nullptr);
        EXPECT_NE(record->band, nullptr);
        EXPECT_NE(record->mode, nullptr);
        EXPECT_NE(find_field(record->fields(), "STATE"), nullptr);
    }
    const AdifRecord& first = *log.records.front();
    EXPECT_EQ(first.call->value, "N2KPJ");
    EXPECT_EQ(first.band->value, "20M");
    EXPECT_EQ(value_of(first, "STATE"), "NY");
    EXPECT_EQ(value_of(first, "COMMENT"), "SKCC: 16569S - Tom - NY; I was K3Y/9");
}

// The rest needs the shared sample folder, which is not part of the repository.
class SharedSamples : public testing::Test {
  protected:
    void SetUp() override {
        if (!fs::is_directory(shared_samples()))
            GTEST_SKIP() << "no shared sample folder at " << shared_samples();
    }
};

TEST_F(SharedSamples, TypeIndicatorsAreIgnored) {
    const ReadLog log = read_log((shared_samples() / "eqsl_inbox_type_indicators.adi").string());
    ASSERT_EQ(log.records.size(), 373u);
    for (const auto& record : log.records) {
        ASSERT_NE(record->qso_date, nullptr);
        EXPECT_EQ(record->qso_date->length, 8);
        EXPECT_EQ(record->qso_date->value.find_first_not_of("0123456789"), std::string::npos)
            << record->qso_date->value;
        EXPECT_EQ(value_of(*record, "RST_RCVD"), "");
    }
}

TEST_F(SharedSamples, EveryLogConvertsWhole) {
    const probe::TimeZoneGuard zone("UTC");
    std::size_t logs = 0;
    for (const auto& entry : fs::directory_iterator(shared_samples())) {
        if (entry.path().extension() != ".adi")
            continue;
        ++logs;
        SCOPED_TRACE(entry.path().filename().string());
        const ReadLog log = read_log(entry.path().string());
        EXPECT_EQ(log.records.size(), eor_tags(file_bytes(entry.path())));
        for (const std::string& message : log.messages)
            EXPECT_TRUE(message.starts_with("Duplicate field: <")) << message;

        for (Choice choice : {Choice::LOTW, Choice::FIRST, Choice::LAST}) {
            const ConvertOptions options{choice};
            std::unique_ptr<LineReader> input = LineReader::open(entry.path().string());
            ASSERT_NE(input, nullptr);
            const probe::Outcome outcome = probe::convert(*input, options);
            EXPECT_EQ(outcome.csv_lines, 229u);
            EXPECT_TRUE(outcome.cells.empty()); // none of them worked Q9XZ
            for (const std::string& line : outcome.problems)
                EXPECT_EQ(line.find("ERROR: Record too large"), std::string::npos) << line;
        }
    }
    EXPECT_GE(logs, 18u);
}

} // namespace
} // namespace q9xz
