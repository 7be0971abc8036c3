#pragma once

#include "adif/record_arena.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace q9xz {

// One field of a record, a node of the record's AA tree ordered by name. The texts lie in the
// memory of the record that holds the field.
struct AdifField {
    std::string_view name;  // the tag's name with a-z upper-cased
    std::string_view value; // exactly `length` characters
    std::int32_t length = 0;
    std::int32_t level = 0;
    AdifField* left = nullptr;
    AdifField* right = nullptr;
};
// Fields are never destroyed one by one: a record's memory is taken back whole.
static_assert(std::is_trivially_destructible_v<AdifField>);

// The first eight bytes of a field name as a number, byte i in bits 8i to 8i+7 (zero where the
// name is shorter). With the name's size it tells nearly all names apart at a glance.
constexpr std::uint64_t name_key(std::string_view name) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < name.size() && i < 8; ++i)
        key |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    return key;
}

// The same, reading a whole word: the eight bytes from the name's start must be readable.
inline std::uint64_t padded_name_key(std::string_view name) {
    if constexpr (std::endian::native != std::endian::little) {
        return name_key(name);
    } else {
        std::uint64_t key;
        std::memcpy(&key, name.data(), 8);
        // Without a branch, which names of every length would keep mispredicting.
        const std::size_t cut = 8 * (8 - (name.size() < 8 ? name.size() : 8));
        return key & (~std::uint64_t{0} >> (cut / 2) >> (cut - cut / 2));
    }
}

// One header or QSO record: the fields the analysis reads most, and a tree of all fields.
//
// Most records are passed over after a look at two slots, so the tree is linked only when it is
// asked for; until then a small index by name finds repeated names as the fields are added.
// Either way the tree and the messages are those of inserting every field as it is read.
class AdifRecord {
  public:
    AdifRecord() = default;
    // Fields point into the record's own storage, so a record stays where it was made.
    AdifRecord(const AdifRecord&) = delete;
    AdifRecord& operator=(const AdifRecord&) = delete;

    // The slots refer to the latest field of their name, which may be a repeated one that is
    // not in the tree.
    const AdifField* call = nullptr;
    const AdifField* dxcc = nullptr;
    const AdifField* qso_date = nullptr;
    const AdifField* time_on = nullptr;
    const AdifField* band = nullptr;
    const AdifField* mode = nullptr;

    // Root of the tree of every accepted field (the first of each name), or nullptr.
    const AdifField* fields() const;
    // The accepted field named `name` (upper case), as find_field(fields(), name) finds it;
    // looked up in the index while the record has one, so the tree need not be linked.
    const AdifField* find(std::string_view name) const;

    // The most fields one record takes. Real records hold a few hundred; without a limit one
    // line of the longest kind could make some 200,000 field nodes at once.
    static constexpr std::size_t MAX_FIELDS = 50000;
    // Whether the record took MAX_FIELDS fields: the reader makes no more for it.
    bool full() const { return fields_made_ >= MAX_FIELDS; }

    // A new field in the record's storage: level 0, no children.
    AdifField* new_field(std::string_view name, std::string_view value, std::int32_t length) {
        const std::size_t made = fields_made_++;
        AdifField* field = made < nodes_.size() ? &nodes_[made] : spilled_field();
        *field = {name, value, length, 0, nullptr, nullptr};
        return field;
    }
    // Accepts a field made by new_field() into the tree. A name already there sets `message`
    // to the duplicate text and leaves the field out; returns whether it was accepted.
    bool add_field(AdifField* field, std::optional<std::string>& message) {
        return add_field(field, name_key(field->name), message);
    }
    // The same, with the name's key already at hand.
    bool add_field(AdifField* field, std::uint64_t key, std::optional<std::string>& message) {
        // The index stops growing at its size; from then on the tree takes every field.
        if (accepted_count_ == INDEXED_FIELDS)
            return add_to_tree(field, message);
        std::size_t slot = index_slot(key, field->name.size());
        for (; index_[slot] != 0; slot = (slot + 1) % INDEX_SLOTS) {
            const std::size_t known = index_[slot] - 1u;
            if (keys_[known] == key && accepted_[known]->name == field->name)
                return reject_repeat(*field, message);
        }
        keys_[accepted_count_] = key;
        accepted_[accepted_count_++] = field;
        index_[slot] = static_cast<std::uint8_t>(accepted_count_);
        return true;
    }
    // Points the slot of the field's name, if it is one of the six, at the field; `key` is the
    // name's name_key(). Decided without a branch: the names of a record come in no order a
    // processor could learn.
    void fill_slot(const AdifField* field, std::uint64_t key) {
        const std::size_t hash = (key * SLOT_HASH) >> 61;
        const SlotName& slot = SLOT_NAMES[hash];
        const std::size_t named = ((slot.key ^ key) | (slot.size ^ field->name.size())) == 0;
        // The entry is chosen by arithmetic: a compiler turns a choice written with ?: or &&
        // back into a branch.
        this->*(SLOT_NAMES[NO_SLOT + (hash - NO_SLOT) * named].member) = field;
    }
    // Storage for the texts the fields point into.
    RecordArena& memory() { return memory_; }

    // Texts may also lie in the line reader's memory, held there for the record (see
    // LineReader::hold): the lines from `begin` to `end`, the record's since its first such line.
    // Reading a line straight into the record saves copying it.
    void borrow(const char* begin, const char* end) {
        if (borrowed_begin_ == nullptr)
            borrowed_begin_ = begin;
        borrowed_end_ = end;
    }
    const char* borrowed_begin() const { return borrowed_begin_; }
    std::size_t borrowed() const { return static_cast<std::size_t>(borrowed_end_ - borrowed_begin_); }
    // The reader moved the borrowed lines by `offset` bytes: the fields follow them.
    void follow_move(std::ptrdiff_t offset) {
        if (offset != 0 && borrowed_begin_ != nullptr)
            move_borrowed(offset);
    }
    // Copies the borrowed lines into the record's own storage; the reader may let them go.
    void keep_borrowed();

    // Whether `address` lies in the record's storage or its borrowed lines (checks of the
    // reader's invariants).
    bool holds(const void* address) const;
    // Empties the record for reuse, keeping its storage.
    void clear();

  private:
    void move_borrowed(std::ptrdiff_t offset);
    AdifField* spilled_field();
    // Where the index looks for a name first: the top bits of a product of its key and size.
    static std::size_t index_slot(std::uint64_t key, std::size_t size) {
        return static_cast<std::size_t>(((key ^ size) * 0x9E3779B97F4A7C15u) >> (64 - INDEX_BITS));
    }
    bool add_to_tree(AdifField* field, std::optional<std::string>& message);

    // The slot names by a perfect hash of their keys (the top three bits of a product).
    struct SlotName {
        std::uint64_t key;
        std::size_t size;
        const AdifField* AdifRecord::*member;
    };
    static constexpr std::uint64_t SLOT_HASH = 0xa648a7dd06839eb9u;
    static constexpr std::size_t NO_SLOT = 2; // an entry that no name matches
    static const SlotName SLOT_NAMES[8];
    const AdifField* no_slot_ = nullptr; // where fill_slot() puts other names
    static bool reject_repeat(const AdifField& field, std::optional<std::string>& message);

    // Fields a typical record holds; more go to the arena, and their repeats are found by the
    // tree itself.
    static constexpr std::size_t INDEXED_FIELDS = 64;
    // Four times the names it holds, so that a name seldom meets another at its first place.
    static constexpr int INDEX_BITS = 8;
    static constexpr std::size_t INDEX_SLOTS = std::size_t{1} << INDEX_BITS;
    static_assert(INDEX_SLOTS > INDEXED_FIELDS, "the index always has a free slot");

    std::array<AdifField, INDEXED_FIELDS> nodes_;
    std::size_t fields_made_ = 0; // the first INDEXED_FIELDS of them in nodes_
    // Accepted fields in the order read; the first `linked_` of them are in the tree.
    std::array<AdifField*, INDEXED_FIELDS> accepted_{};
    std::array<std::uint64_t, INDEXED_FIELDS> keys_{}; // name_key() of each accepted field
    std::size_t accepted_count_ = 0;
    // Open addressing by name: 0 is free, else 1 + the position in accepted_.
    std::array<std::uint8_t, INDEX_SLOTS> index_{};
    // Past INDEXED_FIELDS names every field goes straight into the tree.
    bool tree_only_ = false;
    mutable AdifField* root_ = nullptr;
    mutable std::size_t linked_ = 0;
    const char* borrowed_begin_ = nullptr;
    const char* borrowed_end_ = nullptr;
    RecordArena memory_;
};

inline constexpr AdifRecord::SlotName AdifRecord::SLOT_NAMES[8] = {
    {name_key("QSO_DATE"), 8, &AdifRecord::qso_date},
    {name_key("BAND"), 4, &AdifRecord::band},
    {0, 0, &AdifRecord::no_slot_}, // never matches: an empty name has no slot either way
    {name_key("CALL"), 4, &AdifRecord::call},
    {name_key("MODE"), 4, &AdifRecord::mode},
    {name_key("TIME_ON"), 7, &AdifRecord::time_on},
    {0, 0, &AdifRecord::no_slot_},
    {name_key("DXCC"), 4, &AdifRecord::dxcc},
};

enum AdifStatus : int {
    ADIF_LINE_DONE = 0,
    ADIF_HEADER_END = 1,
    ADIF_RECORD_END = 2,
    ADIF_END_OF_FILE = 3,
    ADIF_TRUNCATED_LINE = 4,
};

// Inserts a field by name and returns the new root. A name already in the tree sets `message`
// to the duplicate text and leaves the tree as it was; the field then stays unlinked.
AdifField* insert_field(AdifField* root, AdifField* field, std::optional<std::string>& message);

// The field whose name equals `name` byte for byte, or nullptr.
const AdifField* find_field(const AdifField* root, std::string_view name);

} // namespace q9xz
