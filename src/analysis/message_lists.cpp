#include "analysis/message_lists.h"

#include "common/text.h"

namespace q9xz {

namespace {

void add_problem(MessageLists& lists, std::string_view text) {
    if (lists.problem_sink) {
        lists.problem_sink(text);
        return;
    }
    lists.lists[2].emplace_front(text);
    ++lists.problems_kept;
}

} // namespace

void add_line(int index, MessageLists& lists, std::string_view text) {
    if (index != 2) {
        lists.lists.at(static_cast<std::size_t>(index)).emplace_front(c_text(text));
        return;
    }
    if (!lists.problem_sink && lists.problems_kept >= MAX_KEPT_PROBLEMS) {
        ++lists.problems_not_kept;
        return;
    }
    add_problem(lists, c_text(text));
}

void end_problem_lines(MessageLists& lists, std::string_view last) {
    if (lists.problems_not_kept > 0) {
        add_problem(lists,
                    "... and " + std::to_string(lists.problems_not_kept) + " more problem lines");
        lists.problems_not_kept = 0;
    }
    if (!last.empty())
        add_problem(lists, c_text(last));
}

} // namespace q9xz
