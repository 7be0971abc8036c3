#pragma once

#include "adif/record_arena.h"

#include <cstdint>
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

// One header or QSO record: the fields the analysis reads most, and a tree of all fields.
struct AdifRecord {
    // The slots refer to the latest field of their name, which may be a repeated one that is
    // not in the tree.
    const AdifField* call = nullptr;
    const AdifField* dxcc = nullptr;
    const AdifField* qso_date = nullptr;
    const AdifField* time_on = nullptr;
    const AdifField* band = nullptr;
    const AdifField* mode = nullptr;
    AdifField* fields = nullptr;
    // Owns every field above, linked or not, and their texts.
    RecordArena memory;

    // A new field in this record's memory: level 0, no children, empty texts.
    AdifField* new_field();
    // Empties the record for reuse, keeping some of its memory.
    void clear();
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
