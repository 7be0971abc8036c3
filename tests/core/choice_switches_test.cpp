#include "common/choice_switches.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace q9xz {
namespace {

// The arguments after the program's path, as the Windows window reads them.
TEST(ChoiceSwitches, OnlyWholeArgumentsAreSwitches) {
    struct Case {
        std::vector<std::string> arguments;
        Choice choice;
    };
    const Case cases[] = {
        {{}, Choice::LAST},
        {{"-f"}, Choice::FIRST},
        {{"-l"}, Choice::LOTW},
        {{"-L"}, Choice::LOTW},
        {{"-F"}, Choice::LAST},       // upper-case F is no switch
        {{"-f", "-l"}, Choice::LOTW}, // LoTW wins over First in either order
        {{"-L", "-f"}, Choice::LOTW},
        // Letters inside a longer argument are no switch: a log or folder name, a long option.
        {{"my-log"}, Choice::LAST},
        {{"C:\\ham-logs\\log.adi"}, Choice::LAST},
        {{"x-f"}, Choice::LAST},
        {{"--first"}, Choice::LAST},
        {{"-x", "-lotw"}, Choice::LAST},
        {{"-fl"}, Choice::LAST},
        {{"my-log", "-f"}, Choice::FIRST},
        // "--" ends the switches.
        {{"-f", "--", "-l"}, Choice::FIRST},
        {{"--", "-l"}, Choice::LAST},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        EXPECT_EQ(read_choice_switches(c.arguments), c.choice);
    }
}

} // namespace
} // namespace q9xz
