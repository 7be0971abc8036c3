#include "adif/adif_record.h"

#include "common/text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace q9xz {

namespace {

// Byte order of two names, as strcmp orders them (unsigned bytes, a prefix first). Names are
// short and mostly differ in their first bytes, which a call to memcmp would not repay.
int compare_names(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A left child on the same level becomes the root.
AdifField* skew(AdifField* root) {
    AdifField* left = root->left;
    if (left == nullptr || left->level != root->level)
        return root;
    root->left = left->right;
    left->right = root;
    return left;
}

// Two right links on the same level: the middle node moves up a level.
AdifField* split(AdifField* root) {
    AdifField* right = root->right;
    if (right == nullptr || right->right == nullptr || right->right->level != root->level)
        return root;
    root->right = right->left;
    right->left = root;
    ++right->level;
    return right;
}

std::string duplicate_message(const AdifField& field) {
    std::string text = "Duplicate field: <";
    text += c_text(field.name);
    text += ':';
    text += std::to_string(field.length);
    text += '>';
    text += c_text(field.value);
    return text;
}

// An AA tree of n nodes is at most about 2 log2(n) deep; this covers any record that fits in
// memory.
constexpr std::size_t MAX_DEPTH = 128;

} // namespace

const AdifField* AdifRecord::fields() const {
    // The accepted nodes not yet linked, in the order they were read (past the record's own
    // nodes the tree takes every field as it comes).
    const std::size_t own = std::min(fields_made_, nodes_.size());
    for (; !tree_only_ && linked_ < own; ++linked_) {
        AdifField& node = const_cast<AdifField&>(nodes_[linked_]);
        if (node.level == REPEAT)
            continue;
        node.left = node.right = nullptr;
        std::optional<std::string> none; // accepted names are all different
        root_ = insert_field(root_, &node, none);
    }
    return root_;
}

const AdifField* AdifRecord::find(std::string_view name) const {
    if (tree_only_)
        return find_field(root_, name);
    const std::uint64_t key = name_key(name);
    for (std::size_t slot = index_slot(key, name.size()); index_[slot] != 0;
         slot = (slot + 1) % INDEX_SLOTS) {
        const std::size_t known = index_[slot] - 1u;
        if (keys_[known] == key && same_name(nodes_[known].name, name))
            return &nodes_[known];
    }
    return nullptr;
}

// A record with more fields than its own nodes takes the rest from an arena of their own.
AdifField* AdifRecord::spilled_field() {
    if (spare_ != nullptr) {
        last_spilled_ = std::exchange(spare_, nullptr);
        return last_spilled_;
    }
    last_spilled_ = std::construct_at(
        static_cast<AdifField*>(node_memory_.allocate(sizeof(AdifField), alignof(AdifField))));
    return last_spilled_;
}

bool AdifRecord::add_to_tree(AdifField* field, std::uint64_t key,
                             std::optional<std::string>& message) {
    if (!tree_only_) {
        // More fields than the index holds: the tree takes over, and counts what it keeps.
        fields();
        fields_kept_ = std::min(fields_made_ - 1, nodes_.size());
        bytes_kept_ = own_bytes(fields_kept_);
        tree_only_ = true;
    }
    if (find_field(root_, field->name) != nullptr)
        return reject_repeat(*field, key, message);
    const std::size_t bytes = bytes_kept_ + field->name.size() + field->value.size();
    if (fields_kept_ >= MAX_FIELDS || bytes > MAX_BYTES) {
        too_large_ = true;
        return false;
    }
    bytes_kept_ = bytes;
    ++fields_kept_;
    std::optional<std::string> none; // the name is not there yet
    *field = {field->name, field->value, field->length, 0, nullptr, nullptr};
    root_ = insert_field(root_, field, none);
    take_slot(*field, key);
    return true;
}

// Every node before the last one made is an accepted field: repeats and fields too large give
// theirs back.
std::size_t AdifRecord::own_bytes(std::size_t count) const {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i)
        bytes += nodes_[i].name.size() + nodes_[i].value.size();
    return bytes;
}

bool AdifRecord::has_room(std::size_t bytes) const {
    // The field being accepted is the last node made.
    return own_bytes(fields_made_ - 1) + bytes <= MAX_BYTES;
}

bool AdifRecord::reject_repeat(AdifField& field, std::uint64_t key,
                               std::optional<std::string>& message) {
    message = duplicate_message(field);
    // The repeat is now the latest field of its name: a slot name keeps it in a node of its own.
    for (std::size_t i = 0; i < std::size(SLOT_NAMES); ++i) {
        if (SLOT_NAMES[i].key == key && SLOT_NAMES[i].name == field.name) {
            slot_repeats_[i] = {field.name, field.value, field.length, REPEAT, nullptr, nullptr};
            this->*SLOT_NAMES[i].member = &slot_repeats_[i];
        }
    }
    // Its node serves the next field, so that repeats take no room.
    ++repeats_;
    if (fields_made_ > 0 && fields_made_ <= nodes_.size() && &field == &nodes_[fields_made_ - 1]) {
        --fields_made_;
    } else if (&field == last_spilled_) {
        spare_ = last_spilled_;
        --fields_made_;
    }
    field.level = REPEAT;
    return false;
}

void AdifRecord::take_slot(const AdifField& field, std::uint64_t key) {
    for (const SlotName& slot : SLOT_NAMES)
        if (slot.key == key && slot.name == field.name)
            this->*slot.member = &field;
}

namespace {

// Moves a text that lies in [begin, end) by `offset`, which may lead into another allocation.
void move_text(std::string_view& text, const char* begin, const char* end, std::ptrdiff_t offset) {
    if (std::less_equal<>()(begin, text.data()) && std::less<>()(text.data(), end)) {
        const auto moved =
            reinterpret_cast<std::uintptr_t>(text.data()) + static_cast<std::uintptr_t>(offset);
        text = std::string_view(reinterpret_cast<const char*>(moved), text.size());
    }
}

} // namespace

// Every field a text can be reached through: the record's own nodes, the tree's (which may
// include nodes taken from the arena) and the slots; each once.
std::vector<AdifField*> AdifRecord::reachable_fields() {
    std::vector<AdifField*> reached;
    const std::size_t own = fields_made_ < nodes_.size() ? fields_made_ : nodes_.size();
    for (std::size_t i = 0; i < own; ++i)
        reached.push_back(&nodes_[i]);
    std::vector<AdifField*> pending;
    if (root_ != nullptr)
        pending.push_back(root_);
    while (!pending.empty()) {
        AdifField* node = pending.back();
        pending.pop_back();
        reached.push_back(node);
        for (AdifField* child : {node->left, node->right})
            if (child != nullptr)
                pending.push_back(child);
    }
    for (const AdifField* slot : {call, dxcc, qso_date, time_on, band, mode})
        if (slot != nullptr)
            reached.push_back(const_cast<AdifField*>(slot));
    std::sort(reached.begin(), reached.end());
    reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
    return reached;
}

void AdifRecord::move_borrowed(std::ptrdiff_t offset) {
    for (AdifField* field : reachable_fields()) {
        move_text(field->name, borrowed_begin_, borrowed_end_, offset);
        move_text(field->value, borrowed_begin_, borrowed_end_, offset);
    }
    const std::size_t size = borrowed();
    borrowed_begin_ = reinterpret_cast<const char*>(
        reinterpret_cast<std::uintptr_t>(borrowed_begin_) + static_cast<std::uintptr_t>(offset));
    borrowed_end_ = borrowed_begin_ + size;
}

void AdifRecord::compact() {
    RecordArena kept;
    auto keep = [&kept](std::string_view& text) {
        const char* copy = kept.copy_text(text);
        text = std::string_view(copy, text.size());
    };
    for (AdifField* field : reachable_fields()) {
        keep(field->name);
        keep(field->value);
    }
    memory_ = std::move(kept);
    compacted_ = memory_.capacity();
    borrowed_begin_ = borrowed_end_ = nullptr;
}

bool AdifRecord::holds(const void* address) const {
    const auto* text = static_cast<const char*>(address);
    if (std::less_equal<>()(borrowed_begin_, text) && std::less<>()(text, borrowed_end_))
        return true;
    const auto* byte = static_cast<const std::byte*>(address);
    const auto* first = reinterpret_cast<const std::byte*>(nodes_.data());
    const auto* last = reinterpret_cast<const std::byte*>(nodes_.data() + nodes_.size());
    const auto* repeats = reinterpret_cast<const std::byte*>(slot_repeats_.data());
    const auto* repeats_end = reinterpret_cast<const std::byte*>(slot_repeats_.data() + 6);
    return (std::less_equal<>()(first, byte) && std::less<>()(byte, last)) ||
           (std::less_equal<>()(repeats, byte) && std::less<>()(byte, repeats_end)) ||
           memory_.contains(address) || node_memory_.contains(address);
}

void AdifRecord::clear() {
    static_assert(INDEX_SLOTS == 256 && slot_places_differ());
    call = dxcc = qso_date = time_on = band = mode = nullptr;
    fields_made_ = repeats_ = fields_kept_ = bytes_kept_ = 0;
    too_large_ = dropped_ = large_ = false;
    compacted_ = 0;
    last_spilled_ = spare_ = nullptr;
    std::memset(index_.data(), 0, sizeof index_);
    tree_only_ = false;
    root_ = nullptr;
    linked_ = 0;
    borrowed_begin_ = borrowed_end_ = nullptr;
    memory_.clear();
    node_memory_.clear();
}

// Walks down to the field's place, then rebalances every node on the way back up, as the
// recursive form of the insertion does, without a call per level.
AdifField* insert_field(AdifField* root, AdifField* field, std::optional<std::string>& message) {
    std::array<AdifField**, MAX_DEPTH> path;
    std::size_t depth = 0;
    AdifField** link = &root;
    while (*link != nullptr && depth < MAX_DEPTH) {
        const int order = compare_names(field->name, (*link)->name);
        if (order == 0)
            break;
        path[depth++] = link;
        link = order < 0 ? &(*link)->left : &(*link)->right;
    }
    if (*link != nullptr) {
        // The same name (or a tree deeper than any real one): the tree keeps the first field.
        message = duplicate_message(*field);
        return root;
    }
    *link = field;
    while (depth > 0) {
        AdifField** node = path[--depth];
        *node = split(skew(*node));
    }
    return root;
}

const AdifField* find_field(const AdifField* root, std::string_view name) {
    while (root != nullptr) {
        const int order = compare_names(name, root->name);
        if (order == 0)
            return root;
        root = order < 0 ? root->left : root->right;
    }
    return nullptr;
}

} // namespace q9xz
