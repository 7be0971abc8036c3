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

// Folds a-z to A-Z in both texts, as equals_ignore_case() does, without a call per entry.
constexpr bool same_abbrev(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i]))
            return false;
    return true;
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
    // The last entry in name order that matches is the one found, so the walk goes from the
    // end and stops at the first match; a tally of the tables holds each abbreviation once.
    for (; root != nullptr; root = root->left.get()) {
        if (StateEntry* found = find_state(root->right.get(), abbrev))
            return found;
        if (same_abbrev(abbrev, root->abbrev))
            return root;
    }
    return nullptr;
}

} // namespace q9xz
