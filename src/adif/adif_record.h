#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// One field of a record, a node of the record's AA tree ordered by name.
struct AdifField {
    std::string name;  // the tag's name with a-z upper-cased
    std::string value; // exactly `length` characters
    std::int32_t length = 0;
    std::int32_t level = 0;
    std::unique_ptr<AdifField> left;
    std::unique_ptr<AdifField> right;
};

// One header or QSO record: the fields the analysis reads most, and a tree of all fields.
struct AdifRecord {
    // The slots refer to the latest field of their name, which may be a repeated one that is
    // kept in `repeated` rather than in the tree.
    const AdifField* call = nullptr;
    const AdifField* dxcc = nullptr;
    const AdifField* qso_date = nullptr;
    const AdifField* time_on = nullptr;
    const AdifField* band = nullptr;
    const AdifField* mode = nullptr;
    std::unique_ptr<AdifField> fields;
    std::vector<std::unique_ptr<AdifField>> repeated;
};

enum AdifStatus : int {
    ADIF_LINE_DONE = 0,
    ADIF_HEADER_END = 1,
    ADIF_RECORD_END = 2,
    ADIF_END_OF_FILE = 3,
    ADIF_TRUNCATED_LINE = 4,
};

// Inserts a field by name. A name already in the tree sets `message` to the duplicate text and
// hands the field back through `rejected`, leaving the tree as it was. Returns the new root.
std::unique_ptr<AdifField> insert_field(std::unique_ptr<AdifField> root,
                                        std::unique_ptr<AdifField> field,
                                        std::optional<std::string>& message,
                                        std::unique_ptr<AdifField>& rejected);

// The field whose name equals `name` byte for byte, or nullptr.
const AdifField* find_field(const AdifField* root, std::string_view name);

} // namespace q9xz
