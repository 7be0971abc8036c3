#pragma once

#include "common/convert_options.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace q9xz {

// What the Linux window's command line asks for: `q9xz [-f | -l] [LOG...]`, read as Linux
// programs read theirs. A log name is never taken for a switch, whatever letters it holds.
struct WindowArguments {
    enum class Action { OPEN, HELP, VERSION, WRONG };
    Action action = Action::OPEN;
    Choice choice = Choice::LAST;
    std::vector<std::string> logs; // in command-line order
    std::string wrong;             // the argument not understood, for WRONG
};

// Reads the arguments after the program's name. Options may come before or after the logs;
// "--" ends them; "-" alone is a log. With both -f and -l, LoTW wins, as in the window.
WindowArguments parse_window_arguments(const std::vector<std::string>& arguments);

// Answers --help, --version and wrong usage on the standard streams and returns the exit status
// (0, or 2 for wrong usage); nullopt when the window is to open.
std::optional<int> answer_without_window(const WindowArguments& arguments, std::ostream& out,
                                         std::ostream& err);

} // namespace q9xz
