#include "adif/adif_record.h"

#include "common/text.h"

#include <array>
#include <utility>

namespace q9xz {

namespace {

// The tree is rebalanced in place, and links are only ever swapped: moving them in and out of
// every level of the recursion, each move checking whether it must free a node, costs more
// than the comparisons when a record is read.

// Byte order of two names, as strcmp orders them (unsigned bytes, a prefix first). Names are
// short and mostly differ in their first bytes, which a call to memcmp would not repay.
int compare_names(const std::string& a, const std::string& b) {
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
void skew(std::unique_ptr<AdifField>& root) {
    if (root->left && root->left->level == root->level) {
        std::unique_ptr<AdifField> left;
        left.swap(root->left);
        root->left.swap(left->right);
        left->right.swap(root);
        root.swap(left);
    }
}

// Two right links on the same level: the middle node moves up a level.
void split(std::unique_ptr<AdifField>& root) {
    if (root->right && root->right->right && root->right->right->level == root->level) {
        std::unique_ptr<AdifField> right;
        right.swap(root->right);
        root->right.swap(right->left);
        right->left.swap(root);
        ++right->level;
        root.swap(right);
    }
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

// Walks down to the field's place, then rebalances every node on the way back up, as the
// recursive form of the insertion does, without a call per level.
void insert_into(std::unique_ptr<AdifField>& root, std::unique_ptr<AdifField>& field,
                 std::optional<std::string>& message, std::unique_ptr<AdifField>& rejected) {
    std::array<std::unique_ptr<AdifField>*, MAX_DEPTH> path;
    std::size_t depth = 0;
    std::unique_ptr<AdifField>* link = &root;
    while (*link && depth < MAX_DEPTH) {
        const int order = compare_names(field->name, (*link)->name);
        if (order == 0)
            break;
        path[depth++] = link;
        link = order < 0 ? &(*link)->left : &(*link)->right;
    }
    if (!*link) {
        link->swap(field);
    } else {
        // The same name (or a tree deeper than any real one): the tree keeps the first field.
        message = duplicate_message(*field);
        rejected.swap(field);
    }
    while (depth > 0) {
        std::unique_ptr<AdifField>& node = *path[--depth];
        skew(node);
        split(node);
    }
}

} // namespace

std::unique_ptr<AdifField> insert_field(std::unique_ptr<AdifField> root,
                                        std::unique_ptr<AdifField> field,
                                        std::optional<std::string>& message,
                                        std::unique_ptr<AdifField>& rejected) {
    insert_into(root, field, message, rejected);
    return root;
}

const AdifField* find_field(const AdifField* root, std::string_view name) {
    while (root != nullptr) {
        int order = name.compare(root->name);
        if (order == 0)
            return root;
        root = order < 0 ? root->left.get() : root->right.get();
    }
    return nullptr;
}

} // namespace q9xz
