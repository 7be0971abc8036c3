#include "analysis/message_lists.h"

#include "common/text.h"

namespace q9xz {

namespace {

void keep_problem(MessageLists& lists, std::string_view text) {
    if (lists.problem_sink) {
        lists.problem_sink(text);
        return;
    }
    lists.problems.emplace_front(text);
    ++lists.problems_kept;
}

} // namespace

void add_summary_line(MessageLists& lists, std::string_view text) {
    lists.summary.emplace_front(c_text(text));
}

void add_problem_line(MessageLists& lists, std::string_view text) {
    if (!lists.problem_sink && lists.problems_kept >= MAX_KEPT_PROBLEMS) {
        ++lists.problems_not_kept;
        return;
    }
    keep_problem(lists, c_text(text));
}

void end_problem_lines(MessageLists& lists, std::string_view last) {
    if (lists.problems_not_kept > 0) {
        keep_problem(lists,
                     "... and " + std::to_string(lists.problems_not_kept) + " more problem lines");
        lists.problems_not_kept = 0;
    }
    if (!last.empty())
        keep_problem(lists, c_text(last));
}

} // namespace q9xz
