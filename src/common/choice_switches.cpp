#include "common/choice_switches.h"

namespace q9xz {

bool ChoiceSwitches::take(std::string_view argument) {
    if (argument == "-f")
        first_ = true;
    else if (argument == "-l" || argument == "-L")
        lotw_ = true;
    else
        return false;
    return true;
}

Choice ChoiceSwitches::choice() const {
    return lotw_ ? Choice::LOTW : first_ ? Choice::FIRST : Choice::LAST;
}

Choice read_choice_switches(std::span<const std::string> arguments) {
    ChoiceSwitches switches;
    for (const std::string& argument : arguments) {
        if (argument == "--")
            break;
        switches.take(argument);
    }
    return switches.choice();
}

} // namespace q9xz
