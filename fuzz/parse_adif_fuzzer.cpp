// Feeds arbitrary bytes to parse_ADIF, keeping the record across calls and recycling it the way
// the conversion driver does, and checks every record it hands out.
//
// The first byte picks the reader's read limit, so that tiny limits reach the paths of lines read
// in pieces and of values declared too long with short inputs; the rest is the log.

#include "adif/line_reader.h"
#include "adif/parse_adif.h"
#include "fuzz_check.h"
#include "slow_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace q9xz;

constexpr std::string_view DUPLICATE_PREFIX = "Duplicate field: <";

bool has_lower_case(std::string_view text) {
    for (char c : text)
        if (c >= 'a' && c <= 'z')
            return true;
    return false;
}

void check_field(const AdifField& field, std::size_t max_line) {
    FUZZ_CHECK(!has_lower_case(field.name));
    FUZZ_CHECK(field.length >= 0);
    FUZZ_CHECK(field.value.size() == static_cast<std::size_t>(field.length));
    // No value may be longer than one read of the line reader: the memory bound of the reader.
    FUZZ_CHECK(field.value.size() <= max_line);
}

// Checks the AA-tree rules and that every node can be found by its own name; returns the count.
std::size_t check_tree(const AdifField* node, const AdifField* root, std::size_t max_line,
                       int depth) {
    if (node == nullptr)
        return 0;
    FUZZ_CHECK(depth < 200); // a balanced tree of any real size is far shallower
    check_field(*node, max_line);
    const AdifField* left = node->left;
    const AdifField* right = node->right;
    FUZZ_CHECK(node->level >= 0);
    if (left == nullptr && right == nullptr)
        FUZZ_CHECK(node->level == 0);
    if (left != nullptr)
        FUZZ_CHECK(left->level == node->level - 1);
    else
        FUZZ_CHECK(node->level == 0);
    if (right != nullptr) {
        FUZZ_CHECK(right->level == node->level || right->level == node->level - 1);
        if (right->right != nullptr)
            FUZZ_CHECK(right->right->level < node->level);
    }
    FUZZ_CHECK(find_field(root, node->name) == node);
    return 1 + check_tree(left, root, max_line, depth + 1) +
           check_tree(right, root, max_line, depth + 1);
}

bool holds(const AdifRecord& record, const AdifField* field) {
    // A field is in the tree, or is a repeat held in the record's own memory, with its texts.
    if (find_field(record.fields(), field->name) == field)
        return true;
    return record.holds(field) && record.holds(field->name.data()) &&
           record.holds(field->value.data());
}

void check_slot(const AdifRecord& record, const AdifField* slot, std::string_view name,
                std::size_t max_line) {
    if (slot == nullptr)
        return;
    FUZZ_CHECK(slot->name == name);
    FUZZ_CHECK(holds(record, slot));
    check_field(*slot, max_line);
    // The first field of the name always stays in the tree.
    const AdifField* first = find_field(record.fields(), name);
    FUZZ_CHECK(first != nullptr);
}

void check_record(const AdifRecord& record, std::size_t max_line) {
    check_tree(record.fields(), record.fields(), max_line, 0);
    check_slot(record, record.call, "CALL", max_line);
    check_slot(record, record.dxcc, "DXCC", max_line);
    check_slot(record, record.qso_date, "QSO_DATE", max_line);
    check_slot(record, record.time_on, "TIME_ON", max_line);
    check_slot(record, record.band, "BAND", max_line);
    check_slot(record, record.mode, "MODE", max_line);
}

std::size_t line_limit(std::uint8_t selector) {
    // 1 to 192 characters per read, or the real limit.
    return selector < 192 ? std::size_t(selector) + 1 : LineReader::MAX_LINE;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t max_line = line_limit(data[0]);
    const std::string_view log(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (const std::optional<std::string> difference = slow::first_difference(log, max_line)) {
        std::fprintf(stderr, "the readers differ at %s\n", difference->c_str());
        FUZZ_CHECK(!difference);
    }
    LineReader input(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), max_line);
    RecordPool pool;
    std::unique_ptr<AdifRecord> record;
    // Every call consumes at least one byte, so the loop ends; the bound guards against a reader
    // that stops making progress.
    for (std::size_t calls = 0; calls <= size + 1; ++calls) {
        std::optional<std::string> message;
        const AdifStatus status = parse_ADIF(input, record, message, pool);
        FUZZ_CHECK(status >= ADIF_LINE_DONE && status <= ADIF_END_OF_FILE);
        if (message)
            FUZZ_CHECK(message->starts_with(DUPLICATE_PREFIX));
        if (record)
            check_record(*record, max_line);
        if (record && record->too_large())
            record->drop(); // as the driver does
        if (status == ADIF_RECORD_END)
            pool.recycle(std::move(record)); // the driver hands the record on and starts afresh
        if (status == ADIF_END_OF_FILE)
            return 0;
    }
    FUZZ_CHECK(!"parse_ADIF never reported the end of the input");
    return 0;
}
