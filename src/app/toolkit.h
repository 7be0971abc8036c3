#pragma once

#include <string>
#include <string_view>

namespace q9xz {

enum class MessageIcon { Error, Information, Question, Warning };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// The platform operations the window's commands and the update check need. The Windows program,
// the Linux window and the tests' scripted fake each implement it.
class Toolkit {
public:
    virtual ~Toolkit() = default;

    // A message box; returns when it is closed. `owned` is true for a box owned by the main
    // window (About), false for a box without owner.
    virtual MessageAnswer message_box(std::string_view text, std::string_view title,
                                      MessageButtons buttons, MessageIcon icon, bool owned) = 0;
};

} // namespace q9xz
