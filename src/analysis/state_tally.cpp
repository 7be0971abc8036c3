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

// Folds a-z to A-Z: one of two abbreviations is the table's own text, in capitals.
constexpr bool same_abbrev(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i]))
            return false;
    return true;
}

// The tally holds every abbreviation once, so the search ends at the first match.
StateEntry* find_in_order(StateEntry* root, std::string_view abbrev) {
    for (; root != nullptr; root = root->right.get()) {
        if (StateEntry* found = find_in_order(root->left.get(), abbrev))
            return found;
        if (same_abbrev(abbrev, root->abbrev))
            return root;
    }
    return nullptr;
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
    // The tables give the name, by which the tree is ordered: a walk of a few levels.
    auto name_in = [&](const auto& table) {
        for (const EntityPair& pair : table)
            if (same_abbrev(abbrev, pair.abbrev))
                return pair.name;
        return std::string_view();
    };
    std::string_view name = name_in(state_table);
    if (name.empty())
        name = name_in(other_entity_table);
    for (StateEntry* entry = name.empty() ? nullptr : root; entry != nullptr;) {
        if (name == entry->name)
            return same_abbrev(abbrev, entry->abbrev) ? entry : find_in_order(root, abbrev);
        entry = name < entry->name ? entry->left.get() : entry->right.get();
    }
    // Not a table's abbreviation, or a tally made from other pairs than the tables'.
    return find_in_order(root, abbrev);
}

} // namespace q9xz
