#include "adif/parse_adif.h"
#include "common/text.h"
#include "convert/conversion.h"
#include "genlog.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace q9xz::bench {
namespace {

std::string log_of(std::uint64_t seed, std::uint64_t records) {
    std::string text;
    generate_log({seed, records}, text);
    return text;
}

int count_fields(const AdifField* node) {
    return node == nullptr ? 0 : 1 + count_fields(node->left) + count_fields(node->right);
}

TEST(GeneratedLog, SameSeedGivesSameBytes) {
    EXPECT_EQ(log_of(7, 3000), log_of(7, 3000));
    EXPECT_NE(log_of(7, 3000), log_of(8, 3000));
    // A longer log begins with the same records, the header aside.
    std::string shorter = log_of(7, 100);
    std::string longer = log_of(7, 200);
    std::size_t body = shorter.find("<EOH>");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(longer.compare(body, shorter.size() - body, shorter, body), 0);
}

TEST(GeneratedLog, FileMatchesTextAcrossBlocks) {
    // Over 1 MiB, so that the file is written in more than one block.
    LogShape shape{3, 6000};
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(write_log(shape, file));
    std::string read_back;
    std::rewind(file);
    char block[65536];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
        read_back.append(block, got);
    std::fclose(file);
    std::string expected;
    generate_log(shape, expected);
    EXPECT_GT(expected.size(), std::size_t{1} << 20);
    EXPECT_EQ(read_back, expected);
}

TEST(GeneratedLog, EveryLineEndsInCrLf) {
    std::string text = log_of(5, 5000);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
        if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
        }
    }
}

TEST(GeneratedLog, ReadsAsTheRecordsItPromises) {
    constexpr std::uint64_t records = 20000;
    std::string text = log_of(11, records);
    LineReader input(text);
    RecordPool pool;
    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    std::uint64_t ended = 0;
    std::uint64_t special = 0;
    std::optional<std::string> program_id;
    AdifStatus status;
    int repeats = 0; // repeated fields are not in the tree; each gives one message
    while ((status = parse_ADIF(input, record, message, pool)) <= ADIF_RECORD_END) {
        if (message) {
            EXPECT_EQ(message->rfind("Duplicate field: ", 0), 0u) << *message;
            ++repeats;
            message.reset();
        }
        if (status == ADIF_HEADER_END) {
            ASSERT_NE(record, nullptr);
            const AdifField* field = find_field(record->fields(), "PROGRAMID");
            ASSERT_NE(field, nullptr);
            program_id = std::string(field->value);
            record.reset(); // the header's fields would otherwise join the first record
        }
        if (status == ADIF_RECORD_END) {
            ASSERT_NE(record, nullptr);
            const int fields = count_fields(record->fields()) + repeats;
            repeats = 0;
            EXPECT_GE(fields, 10);
            EXPECT_LE(fields, 20);
            ASSERT_NE(record->call, nullptr);
            ASSERT_NE(record->qso_date, nullptr);
            if (record->call->value.find("Q9XZ") != std::string::npos &&
                leading_number(record->qso_date->value) / 10000 == 2014)
                ++special;
            ++ended;
            record.reset();
        }
    }
    EXPECT_EQ(status, ADIF_END_OF_FILE);
    EXPECT_EQ(program_id, "ADIFMaster");
    EXPECT_EQ(ended, records);
    EXPECT_GT(special, records * 4 / 100);
    EXPECT_LT(special, records * 6 / 100);
    double bytes_per_record = static_cast<double>(text.size()) / records;
    EXPECT_GT(bytes_per_record, 240);
    EXPECT_LT(bytes_per_record, 310);
}

TEST(GeneratedLog, HoldsEveryKindOfProblem) {
    LineReader input(log_of(13, 20000));
    ConvertOptions options;
    ConversionResult result = run_conversion(input, options);
    std::vector<std::string> wanted{"Not a valid callsign.",
                                    "STATE is not defined!",
                                    "Unrecognized BAND ",
                                    "] is not a state",
                                    "] is not likely for this call area.",
                                    "Duplicate field: "};
    for (const std::string& text : wanted) {
        bool found = false;
        for (const std::string& line : result.lists.problems)
            found = found || line.find(text) != std::string::npos;
        EXPECT_TRUE(found) << text;
    }
    // Every state and band is worked somewhere, so the spreadsheet is well filled.
    EXPECT_GT(result.written, 500);
}

} // namespace
} // namespace q9xz::bench
