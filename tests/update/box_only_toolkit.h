#pragma once

#include "app/toolkit.h"

namespace q9xz::test {

// A toolkit for the update check, which needs message boxes only: everything else does nothing
// (empty texts, cancelled dialogs, a failed shell open).
class BoxOnlyToolkit : public Toolkit {
  public:
    std::string load_string(int /*id*/, std::size_t /*buffer_size*/) override { return {}; }
    bool open_file_dialog(const FileDialog& /*dialog*/, std::string& /*path*/) override {
        return false;
    }
    bool save_file_dialog(const FileDialog& /*dialog*/, std::string& /*path*/) override {
        return false;
    }
    void set_field_text(int /*control_id*/, std::string_view /*text*/) override {}
    void list_clear() override {}
    int list_extent() override { return 0; }
    void set_list_extent(int /*pixels*/) override {}
    void list_append(std::string_view /*line*/) override {}
    void check_radio_button(int /*control_id*/) override {}
    int shell_open(const std::string& /*target*/) override { return 0; }
    void quit() override {}
};

} // namespace q9xz::test
