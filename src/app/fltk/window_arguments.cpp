#include "app/fltk/window_arguments.h"

#include "common/choice_switches.h"

namespace q9xz {
namespace {

constexpr const char* USAGE_LINE = "Usage: q9xz [-f | -l] [LOG...]\n";

constexpr const char* HELP =
    "Opens the window that creates a spreadsheet of the 2014 Q9XZ contacts in an ADIF log.\n"
    "A LOG given here is chosen as with the ADIF File button, ready for Convert.\n"
    "\n"
    "  -f          choose First: keep the earliest contact of each slot\n"
    "  -l, -L      choose LoTW: show LOTW where a contact was confirmed through LoTW\n"
    "              (default: Last, keep the latest contact of each slot)\n"
    "  --          end of the options: every later argument is a LOG\n"
    "  --version   print the program's version\n"
    "  -h, --help  print this help\n";

} // namespace

WindowArguments parse_window_arguments(const std::vector<std::string>& arguments) {
    WindowArguments result;
    ChoiceSwitches choice;
    bool options_done = false;
    bool help = false;
    bool version = false;
    for (const std::string& argument : arguments) {
        if (argument.empty()) // names no file
            continue;
        if (options_done || argument == "-" || !argument.starts_with('-')) {
            result.logs.push_back(argument);
        } else if (argument == "--") {
            options_done = true;
        } else if (argument == "-h" || argument == "--help") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (!choice.take(argument)) {
            result.action = WindowArguments::Action::WRONG;
            result.wrong = argument;
            return result;
        }
    }
    if (help)
        result.action = WindowArguments::Action::HELP;
    else if (version)
        result.action = WindowArguments::Action::VERSION;
    result.choice = choice.choice();
    return result;
}

std::optional<int> answer_without_window(const WindowArguments& arguments, std::ostream& out,
                                         std::ostream& err) {
    switch (arguments.action) {
    case WindowArguments::Action::OPEN:
        return std::nullopt;
    case WindowArguments::Action::HELP:
        out << USAGE_LINE << HELP;
        return 0;
    case WindowArguments::Action::VERSION:
        out << "q9xz " << Q9XZ_VERSION_TEXT << "\n";
        return 0;
    case WindowArguments::Action::WRONG:
        err << "q9xz: unknown option '" << arguments.wrong << "'\n"
            << USAGE_LINE << "Try 'q9xz --help' for more.\n";
        return 2;
    }
    return 2;
}

} // namespace q9xz
