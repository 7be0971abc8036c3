#pragma once

#include <string>
#include <string_view>

namespace q9xz {

// ERROR alone is a macro of the Windows headers, hence the icons' prefix.
enum class MessageIcon { ICON_ERROR, ICON_INFORMATION, ICON_QUESTION, ICON_WARNING };
enum class MessageButtons { OK, YES_NO };
enum class MessageAnswer { OK, YES, NO };

// What a command that only talks to the user needs of the desktop: message boxes, and the
// default program for a web address or a file. The update check asks for no more; the window's
// toolkit offers this and the window's own operations.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // A message box; returns when it is closed. `owned` is true for a box owned by the main
    // window (About), false for a box without owner.
    virtual MessageAnswer message_box(std::string_view text, std::string_view title,
                                      MessageButtons buttons, MessageIcon icon, bool owned) = 0;

    // Opens a web address, or a file by its path, with the desktop's default program; true when
    // that program started.
    virtual bool open_address(const std::string& address) = 0;
};

// Opens a web address (Help, Donate, the download page) with the default browser; when it cannot
// be started, an error box says so, rather than nothing happening at all.
inline void open_web_address(Desktop& desktop, const std::string& address) {
    if (desktop.open_address(address))
        return;
    desktop.message_box("Could not open " + address + ": no web browser was found.", "Error",
                        MessageButtons::OK, MessageIcon::ICON_ERROR, false);
}

} // namespace q9xz
