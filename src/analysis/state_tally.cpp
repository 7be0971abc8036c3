#include "analysis/state_tally.h"

#include "common/text.h"

#include <utility>

namespace q9xz {

namespace {

StateTally skew(StateTally root) {
    if (root->left && root->left->level == root->level) {
        StateTally left = std::move(root->left);
        root->left = std::move(left->right);
        left->right = std::move(root);
        return left;
    }
    return root;
}

StateTally split(StateTally root) {
    if (root->right && root->right->right && root->right->right->level == root->level) {
        StateTally right = std::move(root->right);
        root->right = std::move(right->left);
        right->left = std::move(root);
        ++right->level;
        return right;
    }
    return root;
}

void find_in_order(StateEntry* root, std::string_view abbrev, StateEntry*& found) {
    if (root == nullptr)
        return;
    find_in_order(root->left.get(), abbrev, found);
    if (equals_ignore_case(abbrev, root->abbrev))
        found = root;
    find_in_order(root->right.get(), abbrev, found);
}

} // namespace

StateTally insert_state(StateTally root, const EntityPair& pair, std::int32_t is_state) {
    if (!root) {
        root = std::make_unique<StateEntry>();
        root->abbrev = pair.abbrev;
        root->name = pair.name;
        root->is_state = is_state;
        return root;
    }
    if (pair.name < root->name) {
        root->left = insert_state(std::move(root->left), pair, is_state);
    } else {
        root->right = insert_state(std::move(root->right), pair, is_state);
    }
    return split(skew(std::move(root)));
}

StateTally build_state_tally() {
    StateTally tally;
    for (const EntityPair& pair : state_table)
        tally = insert_state(std::move(tally), pair, 1);
    for (const EntityPair& pair : other_entity_table)
        tally = insert_state(std::move(tally), pair, 0);
    return tally;
}

StateEntry* find_state(StateEntry* root, std::string_view abbrev) {
    StateEntry* found = nullptr;
    find_in_order(root, abbrev, found);
    return found;
}

} // namespace q9xz
