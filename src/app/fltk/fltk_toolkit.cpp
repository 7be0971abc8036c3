#include "app/fltk/fltk_toolkit.h"

#include "app/controls.h"
#include "app/fltk/open_with_default_program.h"
#include "app/string_table.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/fl_ask.H>
#include <climits>

namespace q9xz {
namespace {

constexpr int LABEL_SIZE = 13;
constexpr int FIELD_TEXT_SIZE = 12;
// Courier at this size is as close to the list's 8 pixels per character as FLTK gets.
constexpr int LIST_TEXT_SIZE = 13;

// The smallest rectangle around the radio buttons, for the group that keeps one of them on.
struct Bounds {
    int x = INT_MAX, y = INT_MAX, right = 0, bottom = 0;
};
Bounds choice_bounds() {
    Bounds b;
    for (const ControlSpec& c : CONTROLS) {
        if (c.role != ControlRole::CHOICE_BUTTON)
            continue;
        b.x = std::min(b.x, c.x);
        b.y = std::min(b.y, c.y);
        b.right = std::max(b.right, c.x + c.width);
        b.bottom = std::max(b.bottom, c.y + c.height);
    }
    return b;
}

} // namespace

FltkToolkit::FltkToolkit(std::function<void(int)> on_command) : on_command_(std::move(on_command)) {
    window_ = std::make_unique<Fl_Double_Window>(WINDOW_X, WINDOW_Y, WINDOW_WIDTH, WINDOW_HEIGHT);
    window_->copy_label(std::string(WINDOW_TITLE).c_str());
    // Lets the desktop match the window with its menu entry.
    window_->xclass("q9xz");
    window_->callback(closing, this);

    Fl_Group* radio_group = nullptr;
    for (const ControlSpec& c : CONTROLS) {
        if (radio_group != nullptr && c.role != ControlRole::CHOICE_BUTTON) {
            radio_group->end();
            radio_group = nullptr;
        }
        switch (c.role) {
        case ControlRole::FILE_NAME_FIELD: {
            auto* field = new Fl_Output(c.x, c.y, c.width, c.height);
            field->textsize(FIELD_TEXT_SIZE);
            // Only the file buttons fill the fields: grey like the window, they do not invite
            // typing, as a read-only field on Windows does not.
            field->color(FL_BACKGROUND_COLOR);
            field->clear_visible_focus();
            fields_[c.id] = field;
            break;
        }
        case ControlRole::COMMAND_BUTTON: {
            auto* button = new Fl_Button(c.x, c.y, c.width, c.height);
            button->copy_label(std::string(c.label).c_str());
            button->labelsize(LABEL_SIZE);
            button->callback(clicked, this);
            ids_[button] = c.id;
            if (!c.tab_stop)
                button->clear_visible_focus();
            break;
        }
        case ControlRole::CHOICE_BUTTON: {
            if (radio_group == nullptr) {
                const Bounds b = choice_bounds();
                radio_group = new Fl_Group(b.x, b.y, b.right - b.x, b.bottom - b.y);
            }
            auto* choice = new Fl_Round_Button(c.x, c.y, c.width, c.height);
            choice->copy_label(std::string(c.label).c_str());
            choice->type(FL_RADIO_BUTTON);
            choice->labelsize(LABEL_SIZE);
            choice->callback(clicked, this);
            ids_[choice] = c.id;
            choices_[c.id] = choice;
            break;
        }
        case ControlRole::MESSAGE_LIST: {
            list_ = new MessageList(c.x, c.y, c.width, c.height);
            list_->textfont(FL_COURIER);
            list_->textsize(LIST_TEXT_SIZE);
            list_->has_scrollbar(Fl_Browser_::BOTH);
            list_->clear_visible_focus();
            break;
        }
        }
    }
    if (radio_group != nullptr)
        radio_group->end();
    // The window can be resized, but the controls keep their places and sizes: FLTK stretches
    // only what overlaps the resizable box, and this one lies beyond every control.
    auto* corner = new Fl_Box(WINDOW_WIDTH - 1, WINDOW_HEIGHT - 1, 1, 1);
    window_->resizable(corner);
    window_->end();
}

FltkToolkit::~FltkToolkit() = default;

void FltkToolkit::show() {
    window_->show();
}

void FltkToolkit::clicked(Fl_Widget* widget, void* self) {
    auto* toolkit = static_cast<FltkToolkit*>(self);
    toolkit->on_command_(toolkit->ids_.at(widget));
}

void FltkToolkit::closing(Fl_Widget*, void* self) {
    // FLTK closes a window on Escape; this window, like its Windows twin, only on its frame.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    static_cast<FltkToolkit*>(self)->quit();
}

MessageAnswer FltkToolkit::message_box(std::string_view text, std::string_view title,
                                       MessageButtons buttons, MessageIcon icon, bool owned) {
    // FLTK reads an "@" in a box's text as the start of a symbol and shows nothing after it; a
    // path such as /home/k1abc@club/log.adi would be cut. "@@" shows one "@".
    std::string body;
    for (const char c : text)
        body.append(c == '@' ? 2 : 1, c);
    // FLTK's boxes are modal to the whole program and open at the pointer, which is over the
    // main window after a click: that is as close to an owned box as FLTK 1.3 comes.
    (void)owned;
    fl_message_title(std::string(title).c_str());
    if (buttons == MessageButtons::YES_NO)
        return fl_choice("%s", "No", "Yes", nullptr, body.c_str()) == 1 ? MessageAnswer::YES
                                                                        : MessageAnswer::NO;
    switch (icon) {
    case MessageIcon::ICON_INFORMATION:
        fl_message("%s", body.c_str());
        break;
    case MessageIcon::ICON_QUESTION:
        fl_choice("%s", "OK", nullptr, nullptr, body.c_str());
        break;
    case MessageIcon::ICON_ERROR:
    case MessageIcon::ICON_WARNING:
        fl_alert("%s", body.c_str());
        break;
    }
    return MessageAnswer::OK;
}

std::string FltkToolkit::text(int id) {
    return std::string(string_table_text(id));
}

void FltkToolkit::set_field_text(int control_id, std::string_view text) {
    if (auto it = fields_.find(control_id); it != fields_.end())
        it->second->value(std::string(text).c_str());
}

void FltkToolkit::list_clear() {
    list_->clear();
}

int FltkToolkit::list_extent() {
    return list_->extent();
}

void FltkToolkit::set_list_extent(int pixels) {
    list_->extent(pixels);
}

void FltkToolkit::list_append(std::string_view line) {
    list_->append(line);
}

void FltkToolkit::check_radio_button(int control_id) {
    if (auto it = choices_.find(control_id); it != choices_.end())
        it->second->setonly();
}

bool FltkToolkit::open_address(const std::string& address) {
    return open_with_default_program(address);
}

void FltkToolkit::quit() {
    while (Fl_Window* open = Fl::first_window())
        open->hide();
}

} // namespace q9xz
