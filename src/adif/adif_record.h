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
#include <vector>

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

    // A record's limits: the most distinct field names, and the most bytes of its distinct
    // fields' names and values. Real records hold a few hundred fields of a few thousand
    // characters; a record that would pass a limit (a log that never ends its record, millions
    // of fields) is dropped. Repeats of a name take no room, so they never pass one.
    static constexpr std::size_t MAX_FIELDS = 50000;
    static constexpr std::size_t INDEXED_FIELDS_COUNT = 64; // see INDEXED_FIELDS
    static constexpr std::size_t MAX_BYTES = 4u << 20;
    // Whether a field would have passed a limit, or was too large to believe: the record is to
    // be dropped (drop()), and holds what it held before that field.
    bool too_large() const { return too_large_; }
    void set_too_large() { too_large_ = true; }
    // Empties a too_large() record for good: it takes nothing more until its end tag.
    void drop() {
        clear();
        dropped_ = true;
    }
    bool dropped() const { return dropped_; }
    // Fields read into the record, repeats included.
    std::size_t fields_read() const { return fields_made_ + repeats_; }
    // Fields kept: the distinct names. (Each of the record's own nodes holds one; past them the
    // tree counts.)
    std::size_t fields_kept() const { return tree_only_ ? fields_kept_ : fields_made_; }

    // A new field in the record's storage, not in the tree until add_field() accepts it.
    AdifField* new_field(std::string_view name, std::string_view value, std::int32_t length) {
        const std::size_t made = fields_made_++;
        AdifField* field = made < nodes_.size() ? &nodes_[made] : spilled_field();
        *field = {name, value, length, REPEAT, nullptr, nullptr};
        return field;
    }
    // Accepts the field just made by new_field(), whose name has the key `key` (name_key()),
    // into the tree. A name already there sets `message` to the duplicate text and leaves the
    // field out (it takes its name's slot); returns whether it was accepted.
    bool add_field(AdifField* field, std::uint64_t key, std::optional<std::string>& message) {
        // The index holds the record's own nodes; past them the tree takes every field.
        const std::size_t position = fields_made_ - 1;
        if (position >= INDEXED_FIELDS || tree_only_ || field != &nodes_[position])
            return add_to_tree(field, key, message);
        return accept_own(field, position, key, field->name.size(), message);
    }

    // The reader's way to make a field and accept it, as new_field() and add_field() do. The
    // usual case, a record with room in its own nodes, is written out here in full.
    void take_field(std::string_view name, std::string_view value, std::int32_t length,
                    std::uint64_t key, std::optional<std::string>& message) {
        const std::size_t made = fields_made_;
        // Past its own nodes (and so for a tree_only_ record) the general way.
        if (made >= INDEXED_FIELDS) {
            add_field(new_field(name, value, length), key, message);
            return;
        }
        fields_made_ = made + 1;
        AdifField* field = &nodes_[made];
        // The level and links are set when the node is accepted and linked.
        field->name = name;
        field->value = value;
        field->length = length;
        accept_own(field, made, key, name.size(), message);
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
    std::size_t borrowed() const {
        return static_cast<std::size_t>(borrowed_end_ - borrowed_begin_);
    }
    // The reader moved the borrowed lines by `offset` bytes: the fields follow them.
    void follow_move(std::ptrdiff_t offset) {
        if (offset != 0 && borrowed_begin_ != nullptr)
            move_borrowed(offset);
    }
    // Copies the texts of the fields into new storage of the record's own and lets the old go:
    // the reader may then let the borrowed lines go, and the record holds no more than its
    // fields.
    void compact();
    // Whether the record's storage grew well past its fields' texts since it was last compacted
    // (copies of lines, values read over lines): compact() then lets the rest go.
    bool wants_compacting() const { return memory_.capacity() > compacted_ + MAX_SLACK; }
    static constexpr std::size_t MAX_SLACK = 1u << 20;

    // Whether `address` lies in the record's storage or its borrowed lines (checks of the
    // reader's invariants).
    bool holds(const void* address) const;
    // Empties the record for reuse, keeping its storage.
    void clear();

  private:
    // Accepts nodes_[position] into the index (or leaves it out as a repeat).
    bool accept_own(AdifField* field, std::size_t position, std::uint64_t key, std::size_t size,
                    std::optional<std::string>& message) {
        const std::size_t first_place = index_slot(key, size);
        std::size_t slot = first_place;
        for (; index_[slot] != 0; slot = (slot + 1) % INDEX_SLOTS) {
            const std::size_t known = index_[slot] - 1u;
            if (keys_[known] == key && same_name(nodes_[known].name, field->name))
                return reject_repeat(*field, key, message);
        }
        // Fields smaller than LARGE_FIELD cannot fill MAX_BYTES in the record's own nodes, so
        // the usual field is not counted: bytes are counted once a large one came.
        if (const std::size_t bytes = size + field->value.size(); bytes >= LARGE_FIELD || large_)
            [[unlikely]] {
            if (!has_room(bytes)) {
                too_large_ = true;
                --fields_made_; // the node is not the record's
                return false;
            }
            large_ = true;
        }
        keys_[position] = key;
        index_[slot] = static_cast<std::uint8_t>(position + 1);
        field->level = 0;
        // The first place of a name tells at once whether it may be a slot's. (A choice made
        // by arithmetic instead of this branch took more time, not less.)
        if (const std::size_t named = SLOT_AT[first_place]; named != 0) {
            const SlotName& slot_name = SLOT_NAMES[named - 1];
            // Slot names are at most eight bytes long: key and size tell them apart.
            if (slot_name.key == key && slot_name.name.size() == size)
                this->*slot_name.member = field;
        }
        return true;
    }
    static constexpr std::size_t LARGE_FIELD = MAX_BYTES / INDEXED_FIELDS_COUNT;
    // Whether `bytes` more fit in the record's own nodes beside those accepted.
    bool has_room(std::size_t bytes) const;
    // The bytes of the names and values of the record's first `count` own nodes.
    std::size_t own_bytes(std::size_t count) const;
    // The level of a node not accepted (yet, or as a repeat): the tree never takes it.
    static constexpr std::int32_t REPEAT = -1;
    void move_borrowed(std::ptrdiff_t offset);
    std::vector<AdifField*> reachable_fields();
    AdifField* spilled_field();
    // Where the index looks for a name first: the top bits of a product of its key and size.
    static constexpr std::size_t index_slot(std::uint64_t key, std::size_t size) {
        return static_cast<std::size_t>(((key ^ size) * 0x9E3779B97F4A7C15u) >> (64 - INDEX_BITS));
    }
    // Names with the same key: their first eight bytes agree, so the rest is compared, a word
    // at a time up to sixteen bytes (the last eight bytes of a name lie within it).
    static bool same_name(std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        if (a.size() <= 8)
            return true;
        if (a.size() > 16)
            return a.substr(8) == b.substr(8);
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a.data() + a.size() - 8, 8);
        std::memcpy(&y, b.data() + b.size() - 8, 8);
        return x == y;
    }
    bool add_to_tree(AdifField* field, std::uint64_t key, std::optional<std::string>& message);
    bool reject_repeat(AdifField& field, std::uint64_t key, std::optional<std::string>& message);

    // Points the slot of the field's name, if it has one, at the field.
    void take_slot(const AdifField& field, std::uint64_t key);

    // The six slot names.
    struct SlotName {
        std::string_view name;
        std::uint64_t key;
        std::size_t first_place; // index_slot() of the name
        const AdifField* AdifRecord::*member;
    };
    static const SlotName SLOT_NAMES[6];
    // By first place in the index: 1 + the entry of SLOT_NAMES whose name has it, or 0.
    static const std::array<std::uint8_t, 256> SLOT_AT;
    // Whether each slot name has a first place of its own, so that SLOT_AT names them all.
    static constexpr bool slot_places_differ() {
        std::size_t named = 0;
        for (std::uint8_t entry : SLOT_AT)
            named += entry != 0;
        return named == std::size(SLOT_NAMES);
    }

    // Fields a typical record holds; more go to the arena, and their repeats are found by the
    // tree itself.
    static constexpr std::size_t INDEXED_FIELDS = INDEXED_FIELDS_COUNT;
    // Four times the names it holds, so that a name seldom meets another at its first place.
    static constexpr int INDEX_BITS = 8;
    static constexpr std::size_t INDEX_SLOTS = std::size_t{1} << INDEX_BITS;
    static_assert(INDEX_SLOTS > INDEXED_FIELDS, "the index always has a free slot");

    std::array<AdifField, INDEXED_FIELDS> nodes_;
    std::size_t fields_made_ = 0; // the first INDEXED_FIELDS of them in nodes_
    std::size_t repeats_ = 0;
    std::size_t fields_kept_ = 0; // once tree_only_
    std::size_t bytes_kept_ = 0;  // once tree_only_
    std::size_t compacted_ = 0;   // memory_'s capacity after compact()
    bool too_large_ = false;
    bool dropped_ = false;
    bool large_ = false; // a field of LARGE_FIELD bytes or more is among the own nodes
    // The latest repeat of each slot name, which its slot refers to.
    std::array<AdifField, 6> slot_repeats_;
    // A node taken from node_memory_ for a field that turned out a repeat: the next one's.
    AdifField* last_spilled_ = nullptr;
    AdifField* spare_ = nullptr;
    // The key of the name of each node accepted into the index (the others have level REPEAT).
    std::array<std::uint64_t, INDEXED_FIELDS> keys_{};
    // Open addressing by name: 0 is free, else 1 + the position in nodes_.
    std::array<std::uint8_t, INDEX_SLOTS> index_{};
    // Past INDEXED_FIELDS fields every field goes straight into the tree.
    bool tree_only_ = false;
    mutable AdifField* root_ = nullptr;
    mutable std::size_t linked_ = 0; // nodes_ looked at by fields() so far
    const char* borrowed_begin_ = nullptr;
    const char* borrowed_end_ = nullptr;
    RecordArena memory_;      // texts
    RecordArena node_memory_; // nodes past nodes_
};

inline constexpr AdifRecord::SlotName AdifRecord::SLOT_NAMES[6] = {
    {"CALL", name_key("CALL"), index_slot(name_key("CALL"), 4), &AdifRecord::call},
    {"DXCC", name_key("DXCC"), index_slot(name_key("DXCC"), 4), &AdifRecord::dxcc},
    {"QSO_DATE", name_key("QSO_DATE"), index_slot(name_key("QSO_DATE"), 8), &AdifRecord::qso_date},
    {"TIME_ON", name_key("TIME_ON"), index_slot(name_key("TIME_ON"), 7), &AdifRecord::time_on},
    {"BAND", name_key("BAND"), index_slot(name_key("BAND"), 4), &AdifRecord::band},
    {"MODE", name_key("MODE"), index_slot(name_key("MODE"), 4), &AdifRecord::mode},
};

inline constexpr std::array<std::uint8_t, 256> AdifRecord::SLOT_AT = [] {
    std::array<std::uint8_t, 256> at{};
    for (std::size_t i = 0; i < std::size(SLOT_NAMES); ++i)
        at[SLOT_NAMES[i].first_place] = static_cast<std::uint8_t>(i + 1);
    return at;
}();
enum AdifStatus : int {
    ADIF_LINE_DONE = 0,
    ADIF_HEADER_END = 1,
    ADIF_RECORD_END = 2,
    ADIF_END_OF_FILE = 3,
};

// Inserts a field by name and returns the new root. A name already in the tree sets `message`
// to the duplicate text and leaves the tree as it was; the field then stays unlinked.
AdifField* insert_field(AdifField* root, AdifField* field, std::optional<std::string>& message);

// The field whose name equals `name` byte for byte, or nullptr.
const AdifField* find_field(const AdifField* root, std::string_view name);

} // namespace q9xz
