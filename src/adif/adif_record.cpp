#include "adif/adif_record.h"

#include "common/text.h"

#include <utility>

namespace q9xz {

namespace {

// A left child on the same level becomes the root.
std::unique_ptr<AdifField> skew(std::unique_ptr<AdifField> root) {
    if (root->left && root->left->level == root->level) {
        std::unique_ptr<AdifField> left = std::move(root->left);
        root->left = std::move(left->right);
        left->right = std::move(root);
        return left;
    }
    return root;
}

// Two right links on the same level: the middle node moves up a level.
std::unique_ptr<AdifField> split(std::unique_ptr<AdifField> root) {
    if (root->right && root->right->right && root->right->right->level == root->level) {
        std::unique_ptr<AdifField> right = std::move(root->right);
        root->right = std::move(right->left);
        right->left = std::move(root);
        ++right->level;
        return right;
    }
    return root;
}

} // namespace

std::unique_ptr<AdifField> insert_field(std::unique_ptr<AdifField> root,
                                        std::unique_ptr<AdifField> field,
                                        std::optional<std::string>& message,
                                        std::unique_ptr<AdifField>& rejected) {
    if (!root)
        return field;
    int order = field->name.compare(root->name);
    if (order < 0) {
        root->left = insert_field(std::move(root->left), std::move(field), message, rejected);
    } else if (order > 0) {
        root->right = insert_field(std::move(root->right), std::move(field), message, rejected);
    } else {
        std::string text = "Duplicate field: <";
        text += c_text(field->name);
        text += ':';
        text += std::to_string(field->length);
        text += '>';
        text += c_text(field->value);
        message = std::move(text);
        rejected = std::move(field);
        return root;
    }
    return split(skew(std::move(root)));
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
