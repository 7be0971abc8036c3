// Reading with reused field nodes must give the same records as reading with fresh ones.
#include "adif/field_pool.h"
#include "adif/parse_adif.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace q9xz {
namespace {

// A record written out with its tree shape, levels and slots, so two records compare as text.
void describe(const AdifField* node, std::string& out) {
    if (node == nullptr) {
        out += '.';
        return;
    }
    out += '(';
    describe(node->left.get(), out);
    out += node->name + ':' + std::to_string(node->length) + ':' + std::to_string(node->level) +
           '=' + node->value;
    describe(node->right.get(), out);
    out += ')';
}

std::string describe(const AdifRecord* record) {
    if (record == nullptr)
        return "none";
    std::string out;
    describe(record->fields.get(), out);
    for (const AdifField* slot : {record->call, record->dxcc, record->qso_date, record->time_on,
                                  record->band, record->mode})
        out += slot != nullptr ? " [" + slot->value + "]" : " []";
    out += " repeated " + std::to_string(record->repeated.size());
    return out;
}

// Every call's status, message and (at record ends) record, reading the whole text.
std::vector<std::string> read_all(const std::string& text, FieldPool* pool) {
    LineReader input(text);
    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    std::vector<std::string> seen;
    for (;;) {
        AdifStatus status = pool != nullptr ? parse_ADIF(input, record, message, *pool)
                                            : parse_ADIF(input, record, message);
        seen.push_back(std::to_string(status) + " " + message.value_or("-") + " " +
                       describe(record.get()));
        message.reset();
        if (status == ADIF_RECORD_END) {
            if (pool != nullptr)
                pool->recycle(std::move(record));
            record.reset();
        }
        if (status > ADIF_RECORD_END)
            return seen;
    }
}

TEST(FieldPool, ReusedNodesReadLikeFreshOnes) {
    // Records of different sizes and names, so that nodes move between positions and levels,
    // with repeated fields, long values and values over two lines.
    const std::string log =
        "header <PROGRAMID:4>test <EOH>\n"
        "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140105 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW "
        "<STATE:2>NC <NAME:3>Bob <COMMENT:40>a comment longer than the short texts.. "
        "<A:1>1 <B:1>2 <C:1>3 <D:1>4 <E:1>5 <EOR>\n"
        "<call:4>K1AB <band:3>40m <BAND:3>80m <mode:3>SSB <eor>\n"
        "<ZZ:1>z <YY:1>y <XX:1>x <EOR>\n"
        "<EOR>\n"
        "<CALL:6>Q9XZ/8 <COMMENT:5>ab\n"
        "cd <STATE:2>OH <STATE:2>MI <EOR>\n"
        "<GRIDSQUARE:6>FN31pr <A:1>1 <EOR>\n";
    FieldPool pool;
    EXPECT_EQ(read_all(log, &pool), read_all(log, nullptr));
    // A second log through the same pool: nothing of the first may show.
    EXPECT_EQ(read_all(log, &pool), read_all(log, nullptr));
}

TEST(FieldPool, RecycledRecordComesBackEmpty) {
    FieldPool pool;
    LineReader input(std::string("<CALL:4>K1AB <BAND:3>20m <BAND:3>40m <NAME:3>Bob <EOR>\n"));
    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    ASSERT_EQ(parse_ADIF(input, record, message, pool), ADIF_RECORD_END);
    EXPECT_EQ(message, "Duplicate field: <BAND:3>40m");
    pool.recycle(std::move(record));

    std::unique_ptr<AdifRecord> fresh = pool.take_record();
    EXPECT_EQ(describe(fresh.get()), ". [] [] [] [] [] [] repeated 0");
    for (int i = 0; i < 4; ++i) {
        std::unique_ptr<AdifField> field = pool.take_field();
        EXPECT_EQ(field->level, 0);
        EXPECT_EQ(field->left, nullptr);
        EXPECT_EQ(field->right, nullptr);
    }
}

} // namespace
} // namespace q9xz
