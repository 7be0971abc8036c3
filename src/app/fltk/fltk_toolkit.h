#pragma once

#include "app/fltk/message_list.h"
#include "app/toolkit.h"

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace q9xz {

// The Linux window: the controls of CONTROLS as FLTK widgets, and the toolkit operations the
// commands need on top of them.
class FltkToolkit : public Toolkit {
  public:
    // Every button click goes to `on_command` with its control id.
    explicit FltkToolkit(std::function<void(int)> on_command);
    ~FltkToolkit() override;

    // Shows the window; run Fl::run() afterwards.
    void show();

    MessageAnswer message_box(std::string_view text, std::string_view title, MessageButtons buttons,
                              MessageIcon icon, bool owned) override;
    std::string text(int id) override;
    bool open_file_dialog(const FileDialog& dialog, std::string& path) override;
    bool save_file_dialog(const FileDialog& dialog, std::string& path) override;
    bool open_files_dialog(const FileDialog& dialog, const std::string& proposed,
                           std::vector<std::string>& paths) override;
    void set_field_text(int control_id, std::string_view text) override;
    void list_clear() override;
    int list_extent() override;
    void set_list_extent(int pixels) override;
    void list_append(std::string_view line) override;
    void check_radio_button(int control_id) override;
    bool open_address(const std::string& address) override;
    void quit() override;

  private:
    static void clicked(Fl_Widget* widget, void* self);
    static void closing(Fl_Widget* window, void* self);

    std::function<void(int)> on_command_;
    std::unique_ptr<Fl_Double_Window> window_; // owns every widget below
    std::map<const Fl_Widget*, int> ids_;      // the control id of each button
    std::map<int, Fl_Output*> fields_;
    std::map<int, Fl_Round_Button*> choices_;
    MessageList* list_ = nullptr;
};

} // namespace q9xz
