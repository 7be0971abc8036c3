// Reading into reused records must give the same records as reading into fresh ones.
#include "adif/parse_adif.h"
#include "adif/record_pool.h"
#include "adif_test_util.h"

#include <cstdint>
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
    describe(node->left, out);
    out += std::string(node->name) + ':' + std::to_string(node->length) + ':' +
           std::to_string(node->level) + '=' + std::string(node->value);
    describe(node->right, out);
    out += ')';
}

std::string describe(const AdifRecord* record) {
    if (record == nullptr)
        return "none";
    std::string out;
    describe(record->fields(), out);
    for (const AdifField* slot : {record->call, record->dxcc, record->qso_date, record->time_on,
                                  record->band, record->mode})
        out += slot != nullptr ? " [" + std::string(slot->value) + "]" : " []";
    return out;
}

// Every call's status, message and (at record ends) record, reading the whole text.
std::vector<std::string> read_all(const std::string& text, RecordPool* pool) {
    LineReader input(text);
    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    std::vector<std::string> seen;
    for (;;) {
        AdifStatus status = pool != nullptr ? parse_ADIF(input, record, message, *pool)
                                            : test::parse_ADIF(input, record, message);
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

TEST(RecordPool, ReusedRecordsReadLikeFreshOnes) {
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
    RecordPool pool;
    EXPECT_EQ(read_all(log, &pool), read_all(log, nullptr));
    // A second log through the same pool: nothing of the first may show.
    EXPECT_EQ(read_all(log, &pool), read_all(log, nullptr));
}

TEST(RecordPool, RecycledRecordComesBackEmpty) {
    RecordPool pool;
    LineReader input(std::string("<CALL:4>K1AB <BAND:3>20m <BAND:3>40m <NAME:3>Bob <EOR>\n"));
    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    ASSERT_EQ(parse_ADIF(input, record, message, pool), ADIF_RECORD_END);
    EXPECT_EQ(message, "Duplicate field: <BAND:3>40m");
    pool.recycle(std::move(record));

    std::unique_ptr<AdifRecord> fresh = pool.take_record();
    EXPECT_EQ(describe(fresh.get()), ". [] [] [] [] [] []");
}

TEST(RecordArena, KeepsOrdinaryBlocksAndReleasesHugeOnes) {
    RecordArena arena;
    // Texts and nodes of a typical record share one block.
    for (int i = 0; i < 100; ++i) {
        char* text = arena.copy_text("KI4TW");
        EXPECT_EQ(std::string_view(text, 5), "KI4TW");
        auto address = reinterpret_cast<std::uintptr_t>(arena.allocate(40, 8));
        EXPECT_EQ(address % 8, 0u);
    }
    const std::size_t ordinary = arena.capacity();
    EXPECT_GT(ordinary, 0u);
    arena.clear();
    EXPECT_EQ(arena.capacity(), ordinary);

    // One huge value gets a block of its own, which does not outlive the record.
    const std::string huge(1 << 20, 'x');
    char* copy = arena.copy_text(huge);
    EXPECT_EQ(std::string_view(copy, huge.size()), huge);
    EXPECT_GE(arena.capacity(), ordinary + huge.size());
    arena.clear();
    EXPECT_EQ(arena.capacity(), ordinary);

    // A record of many fields takes many blocks; only a few stay for the next record.
    for (int i = 0; i < 100000; ++i)
        arena.copy_text("<GRIDSQUARE:6>FN31pr");
    EXPECT_GT(arena.capacity(), 16 * ordinary);
    arena.clear();
    EXPECT_LE(arena.capacity(), 4 * ordinary);
    // Texts copied after a clear are whole again.
    EXPECT_EQ(std::string_view(arena.copy_text("20m"), 3), "20m");
}

} // namespace
} // namespace q9xz
