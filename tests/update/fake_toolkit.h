#pragma once

#include "box_only_toolkit.h"

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
class FakeToolkit : public BoxOnlyToolkit {
  public:
    MessageAnswer message_box(std::string_view text, std::string_view title, MessageButtons buttons,
                              MessageIcon icon, bool owned) override {
        boxes.push_back({std::string(text), std::string(title), buttons, icon, owned});
        if (buttons == MessageButtons::Ok) {
            return MessageAnswer::Ok;
        }
        if (answers.empty()) {
            return MessageAnswer::No;
        }
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // A string-table text names its id; what the shell was asked to open is kept.
    std::string load_string(int id, std::size_t /*buffer_size*/) override {
        return "text " + std::to_string(id);
    }
    int shell_open(const std::string& target) override {
        opened.push_back(target);
        return shell_result;
    }

    std::deque<MessageAnswer> answers;
    std::vector<ShownBox> boxes;
    std::vector<std::string> opened;
    int shell_result = 33; // what shell_open answers: above 32 is started
};

// The boxes of the update check, as they must read.
inline ShownBox error_box(std::string text) {
    return {std::move(text), "Error", MessageButtons::Ok, MessageIcon::Error, false};
}
inline ShownBox up_to_date_box() {
    return {"You already have the most recent version.", "Information", MessageButtons::Ok,
            MessageIcon::Information, false};
}
inline ShownBox question_box(const std::string& version) {
    return {"Version " + version + " is available.\nDo you want to download it?", "Information",
            MessageButtons::YesNo, MessageIcon::Question, false};
}
inline ShownBox download_page_box(const std::string& version) {
    return {"Version " + version + " is available.\nDo you want to open the download page?",
            "Information", MessageButtons::YesNo, MessageIcon::Question, false};
}
inline ShownBox unreadable_box() {
    return error_box("The update server's answer could not be read.");
}
inline ShownBox complete_box() {
    return {"You must re-start the Q9XZ\nprogram to use the new version.", "Update Complete",
            MessageButtons::Ok, MessageIcon::Warning, false};
}
inline ShownBox download_failed_box() {
    return error_box("The download failed; the program was not changed.");
}

} // namespace q9xz::test
