#pragma once

#include "app/toolkit.h"

#include <windows.h>

namespace q9xz {

// The toolkit operations on the Windows user interface, the common dialogs and the shell.
class Win32Toolkit : public Toolkit {
  public:
    // The main window owns the About box and holds the controls, which are found by id.
    void attach(HWND main_window, HWND list_box);

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
    HWND main_window_ = nullptr;
    HWND list_box_ = nullptr;
};

} // namespace q9xz
