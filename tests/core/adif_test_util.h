#pragma once

// Small helpers shared by the reader and evaluator tests: records built from ADIF text, and a
// scoped TZ setting for the local-time tests.

#include "adif/line_reader.h"
#include "adif/parse_adif.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace q9xz::test {

// One call of the program's reader, for tests that keep a record after the reader has read on or
// is gone: the record comes back holding its own copies of its texts, not the reader's lines.
inline AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                             std::optional<std::string>& message) {
    RecordPool pool;
    const AdifStatus status = q9xz::parse_ADIF(input, record, message, pool);
    if (record && record->borrowed_begin() != nullptr) {
        record->compact();
        input.release();
    }
    return status;
}

// One reader call as the test saw it.
struct ParseStep {
    AdifStatus status;
    std::optional<std::string> message;
};

// Runs parse_ADIF until it reports the end of a record or the end of the input, and hands back the
// record it built (which may be empty).
inline std::unique_ptr<AdifRecord> parse_one_record(const std::string& text,
                                                    std::vector<ParseStep>* steps = nullptr) {
    LineReader input(text);
    std::unique_ptr<AdifRecord> record;
    for (int guard = 0; guard < 100000; ++guard) {
        std::optional<std::string> message;
        AdifStatus status = test::parse_ADIF(input, record, message);
        if (steps != nullptr)
            steps->push_back({status, message});
        if (status == ADIF_RECORD_END || status == ADIF_END_OF_FILE)
            break;
    }
    return record;
}

// ADIF text of one record made of the given (name, value) fields, ended by "<EOR>" and a LF.
inline std::string adif_text(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string text;
    for (const auto& [name, value] : fields)
        text += "<" + name + ":" + std::to_string(value.size()) + ">" + value + " ";
    text += "<EOR>\n";
    return text;
}

inline std::unique_ptr<AdifRecord>
make_record(const std::vector<std::pair<std::string, std::string>>& fields) {
    auto record = parse_one_record(adif_text(fields));
    if (!record)
        record = std::make_unique<AdifRecord>();
    return record;
}

// Sets TZ for the lifetime of the object and puts the old value back afterwards.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    std::optional<std::string> old_;
};

// Seconds since 1970-01-01 00:00:00 UTC of a UTC civil time; day, hour, minute and second may
// run past their ranges (month must be 1 to 12).
inline std::int64_t utc_seconds(int year, int month, int day, int hour = 0, int minute = 0,
                                int second = 0) {
    // Days from civil (proleptic Gregorian), for the first of the month.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = std::int64_t(era) * 146097 + doe - 719468 + (day - 1);
    return days * 86400 + std::int64_t(hour) * 3600 + std::int64_t(minute) * 60 + second;
}

// A child link of the tree.
template <typename Node> const Node* child(Node* link) {
    return link;
}

// Checks the AA-tree rules on a tree of AdifField nodes (levels counted from 0 at the leaves) and
// returns the keys in in-order sequence.
template <typename Node, typename Key>
void check_aa_node(const Node* node, Key key_of, std::vector<std::string>& keys, int& faults) {
    if (node == nullptr)
        return;
    auto fault = [&](const char* what) {
        if (++faults <= 5)
            ADD_FAILURE() << what << " at " << key_of(*node) << " (level " << node->level << ")";
    };
    const Node* left = child(node->left);
    const Node* right = child(node->right);
    if (left != nullptr && left->level != node->level - 1)
        fault("left child not one level below");
    if (right != nullptr && right->level != node->level && right->level != node->level - 1)
        fault("right child neither level nor one below");
    if (right != nullptr && right->right != nullptr && right->right->level >= node->level)
        fault("two horizontal right links");
    if ((left == nullptr || right == nullptr) && node->level != 0)
        fault("node without two children above level 0");
    check_aa_node(left, key_of, keys, faults);
    keys.push_back(std::string(key_of(*node)));
    check_aa_node(right, key_of, keys, faults);
}

template <typename Node, typename Key>
std::vector<std::string> check_aa_tree(const Node* root, Key key_of) {
    std::vector<std::string> keys;
    int faults = 0;
    check_aa_node(root, key_of, keys, faults);
    return keys;
}

template <typename Node> int tree_height(const Node* node) {
    if (node == nullptr)
        return 0;
    return 1 + std::max(tree_height(child(node->left)), tree_height(child(node->right)));
}

} // namespace q9xz::test
