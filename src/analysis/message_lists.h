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

// The most problem lines a MessageLists keeps. A hostile or broken log can have millions of
// problems (one per line); the window shows the first ones and counts the rest, so that memory
// stays flat whatever the log.
inline constexpr std::size_t MAX_KEPT_PROBLEMS = 10000;

// Three lists of lines, each held newest first: 2 the problems in the log, 0 the summary
// lines; nothing fills list 1.
struct MessageLists {
    std::array<std::forward_list<MessageLine>, 3> lists;

    // When set, problem lines are handed here as they come instead of being kept (the
    // command-line converter prints them at once).
    std::function<void(std::string_view)> problem_sink;
    std::size_t problems_kept = 0;      // lines in list 2
    std::int64_t problems_not_kept = 0; // problem lines counted beyond MAX_KEPT_PROBLEMS
    // Put before every problem line: the log's name and ": " while one of several logs is read,
    // so the user can tell which log a problem is in. Empty for a single log.
    std::string problem_prefix;
};

// Puts a copy of the text (up to any NUL byte, as a C text) at the head of list `index`. A
// problem line (list 2) goes to the problem sink when there is one, and is only counted once
// MAX_KEPT_PROBLEMS are kept.
void add_line(int index, MessageLists& lists, std::string_view text);

// Closes the problem lines of a conversion: "... and N more problem lines" when lines were
// only counted, then `last` when it is not empty. Both are kept (or sunk) whatever the limit.
void end_problem_lines(MessageLists& lists, std::string_view last = {});

} // namespace q9xz
