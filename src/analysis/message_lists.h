#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <forward_list>
#include <functional>
#include <string>
#include <string_view>

namespace q9xz {

using MessageLine = std::string;
// Lines held newest first.
using MessageLines = std::forward_list<MessageLine>;

// The most problem lines a MessageLists keeps. A hostile or broken log can have millions of
// problems (one per line); the window shows the first ones and counts the rest, so that memory
// stays flat whatever the log.
inline constexpr std::size_t MAX_KEPT_PROBLEMS = 10000;

// Problem and summary lines are formatted into this many bytes: at most 79 characters of a line
// are kept.
inline constexpr std::size_t LIST_LINE_BUFFER = 80;

// The lines of one conversion: the problems found in the logs and the summary of the tally.
struct MessageLists {
    MessageLines problems;
    MessageLines summary;

    // When set, problem lines are handed here as they come instead of being kept (the
    // command-line converter prints them at once).
    std::function<void(std::string_view)> problem_sink;
    std::size_t problems_kept = 0;      // lines in `problems`
    std::int64_t problems_not_kept = 0; // problem lines counted beyond MAX_KEPT_PROBLEMS
    // Put before every problem line: the log's name and ": " while one of several logs is read,
    // so the user can tell which log a problem is in. Empty for a single log.
    std::string problem_prefix;
};

// The lists in the order they are shown, each oldest line first and followed by an empty line
// when it is not empty: the problems, then the summary.
inline std::array<const MessageLines*, 2> shown_order(const MessageLists& lists) {
    return {&lists.problems, &lists.summary};
}

// Puts a copy of the text (up to any NUL byte, as a C text) at the head of the summary.
void add_summary_line(MessageLists& lists, std::string_view text);
// The same for a problem line, which goes to the problem sink when there is one, and is only
// counted once MAX_KEPT_PROBLEMS are kept.
void add_problem_line(MessageLists& lists, std::string_view text);

// Closes the problem lines of a conversion: "... and N more problem lines" when lines were
// only counted, then `last` when it is not empty. Both are kept (or sunk) whatever the limit.
void end_problem_lines(MessageLists& lists, std::string_view last = {});

} // namespace q9xz
