#pragma once

#include <array>
#include <forward_list>
#include <string>
#include <string_view>

namespace q9xz {

using MessageLine = std::string;

// Three lists of lines, each held newest first: 2 the problems in the log, 0 the summary
// lines; nothing fills list 1.
struct MessageLists {
    std::array<std::forward_list<MessageLine>, 3> lists;
    // Put before every problem line: the log's name and ": " while one of several logs is read,
    // so the user can tell which log a problem is in. Empty for a single log.
    std::string problem_prefix;
};

// Puts a copy of the text (up to any NUL byte, as a C text) at the head of list `index`.
void add_line(int index, MessageLists& lists, std::string_view text);

} // namespace q9xz
