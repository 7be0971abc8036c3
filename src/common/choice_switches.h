#pragma once

#include "common/convert_options.h"

#include <span>
#include <string>
#include <string_view>

namespace q9xz {

// The choice switches of every entry (the converter and both windows), each a whole argument:
// "-f" asks for First, "-l" or "-L" for LoTW. LoTW wins over First; neither leaves Last.
class ChoiceSwitches {
  public:
    // Takes the argument when it is a choice switch; false when it is not one.
    bool take(std::string_view argument);
    Choice choice() const;

  private:
    bool first_ = false;
    bool lotw_ = false;
};

// The choice the arguments after the program's own name ask for, for an entry that takes no
// other arguments (the Windows window): any other argument is passed over, and "--" ends the
// switches.
Choice read_choice_switches(std::span<const std::string> arguments);

} // namespace q9xz
