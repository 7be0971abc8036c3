#pragma once

#include "app/desktop.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// One entry of a file dialog's type list: a name and its patterns, ";" between patterns
// ("*.adi;*.adif").
struct FileFilter {
    std::string_view name;
    std::string_view patterns;
};

// What a file dialog shows and enforces. The first filter is selected when it opens.
struct FileDialog {
    std::string_view title;
    std::span<const FileFilter> filters;
    std::string_view default_extension; // appended to a typed name without extension
    bool must_exist = false;            // open: only an existing file can be chosen
    bool confirm_overwrite = false;     // save: ask before replacing an existing file
};

// The platform operations the window's commands need: the desktop's, and those of the main
// window and its controls. The Windows program, the Linux window and the tests' scripted fake
// each implement it.
class Toolkit : public Desktop {
  public:
    // The string-table text of `id` (resources/string_ids.h); empty when unknown.
    virtual std::string text(int id) = 0;

    // The open-file and save-file dialogs, without owner. `path` proposes a name and receives
    // the chosen full path; false (and `path` unchanged) when the user cancels.
    virtual bool open_file_dialog(const FileDialog& dialog, std::string& path) = 0;
    virtual bool save_file_dialog(const FileDialog& dialog, std::string& path) = 0;

    // The open-file dialog that lets the user pick several files at once. `proposed` is the
    // name it proposes; `paths` receives the full path of every chosen file, in the dialog's
    // order. false (and `paths` unchanged) when the user cancels. A toolkit without multiple
    // selection offers the one-file dialog.
    virtual bool open_files_dialog(const FileDialog& dialog, const std::string& proposed,
                                   std::vector<std::string>& paths) {
        std::string path = proposed;
        if (!open_file_dialog(dialog, path))
            return false;
        paths.assign(1, std::move(path));
        return true;
    }

    // Shows a text in one of the two file-name fields, by control id.
    virtual void set_field_text(int control_id, std::string_view text) = 0;

    // The message list box. The extent is the scrollable width in pixels; append puts the line
    // at the end. The backend gives the list its fixed-pitch font when it makes it.
    virtual void list_clear() = 0;
    virtual int list_extent() = 0;
    virtual void set_list_extent(int pixels) = 0;
    virtual void list_append(std::string_view line) = 0;

    // Marks a radio button by control id; the others of its group lose their mark.
    virtual void check_radio_button(int control_id) = 0;

    // Asks the message loop to end with exit code 0.
    virtual void quit() = 0;
};

} // namespace q9xz
