#pragma once

#include "app/desktop.h"

#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace q9xz::test {

struct ShownBox {
    std::string text;
    std::string title;
    MessageButtons buttons;
    MessageIcon icon;
    bool owned;

    bool operator==(const ShownBox&) const = default;
};

inline void PrintTo(const ShownBox& box, std::ostream* out) {
    *out << "{\"" << box.text << "\", \"" << box.title << "\", buttons "
         << static_cast<int>(box.buttons) << ", icon " << static_cast<int>(box.icon)
         << (box.owned ? ", owned}" : "}");
}

// Records every message box; a question is answered from `answers`, No when they run out.
class FakeDesktop : public Desktop {
  public:
    MessageAnswer message_box(std::string_view text, std::string_view title, MessageButtons buttons,
                              MessageIcon icon, bool owned) override {
        boxes.push_back({std::string(text), std::string(title), buttons, icon, owned});
        if (buttons == MessageButtons::OK)
            return MessageAnswer::OK;
        if (answers.empty())
            return MessageAnswer::NO;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // What the desktop was asked to open is kept.
    bool open_address(const std::string& address) override {
        opened.push_back(address);
        return opens;
    }

    std::deque<MessageAnswer> answers;
    std::vector<ShownBox> boxes;
    std::vector<std::string> opened;
    bool opens = true; // what open_address answers
};

// The boxes of the update check, as they must read.
inline ShownBox error_box(std::string text) {
    return {std::move(text), "Error", MessageButtons::OK, MessageIcon::ICON_ERROR, false};
}
inline ShownBox up_to_date_box() {
    return {"You already have the most recent version.", "Information", MessageButtons::OK,
            MessageIcon::ICON_INFORMATION, false};
}
inline ShownBox question_box(const std::string& version) {
    return {"Version " + version + " is available.\nDo you want to download it?", "Information",
            MessageButtons::YES_NO, MessageIcon::ICON_QUESTION, false};
}
inline ShownBox download_page_box(const std::string& version) {
    return {"Version " + version + " is available.\nDo you want to open the download page?",
            "Information", MessageButtons::YES_NO, MessageIcon::ICON_QUESTION, false};
}
inline ShownBox unreadable_box() {
    return error_box("The update server's answer could not be read.");
}
inline ShownBox complete_box() {
    return {"You must re-start the Q9XZ\nprogram to use the new version.", "Update Complete",
            MessageButtons::OK, MessageIcon::ICON_WARNING, false};
}
inline ShownBox download_failed_box() {
    return error_box("The download failed; the program was not changed.");
}

} // namespace q9xz::test
