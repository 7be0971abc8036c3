#include "app/fltk/fltk_toolkit.h"

#include <FL/Fl_Native_File_Chooser.H>
#include <FL/fl_ask.H>
#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace q9xz {
namespace {

// FLTK writes alternatives as *.{a,b}, and its "*.*" only matches names with a dot: "All Files"
// must match every name, as it does on Windows.
std::string fltk_pattern(std::string_view patterns) {
    if (patterns == "*.*")
        return "*";
    if (patterns.find(';') == std::string_view::npos)
        return std::string(patterns);
    std::string joined;
    bool extensions_only = true;
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string_view::npos)
            end = patterns.size();
        std::string_view one = patterns.substr(start, end - start);
        extensions_only = extensions_only && one.starts_with("*.");
        joined.append(joined.empty() ? "" : ",").append(one);
        start = end + 1;
    }
    if (!extensions_only)
        return "{" + joined + "}";
    for (std::size_t at = 0; (at = joined.find("*.", at)) != std::string::npos;)
        joined.erase(at, 2);
    return "*.{" + joined + "}";
}

std::string filter_text(const FileDialog& dialog) {
    std::string text;
    for (const FileFilter& filter : dialog.filters) {
        if (!text.empty())
            text += '\n';
        text.append(filter.name).append("\t").append(fltk_pattern(filter.patterns));
    }
    return text;
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// A typed name without extension gets the dialog's default one, as on Windows: always when
// saving, and when opening if only the longer name exists.
std::string with_default_extension(std::string chosen, const FileDialog& dialog, bool save) {
    const std::filesystem::path path(chosen);
    if (dialog.default_extension.empty() || path.has_extension())
        return chosen;
    const std::string longer = chosen + "." + std::string(dialog.default_extension);
    if (save || (!exists(chosen) && exists(longer)))
        return longer;
    return chosen;
}

// GTK 2's file dialog reports faults of its own on the terminal: its name completion prints a
// dozen "Gtk-CRITICAL" lines while a name is typed. The user can do nothing about them, so once
// FLTK has loaded GTK for its dialog, criticals of the GTK domain are dropped. GLib is reached
// through the loaded library: the window does not link it.
void quiet_GTK_criticals() {
    static bool done = false;
    if (done)
        return;
    void* glib = dlopen("libglib-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (glib == nullptr) // FLTK's own dialog: no GTK, nothing to quieten
        return;
    done = true;
    constexpr int G_LOG_LEVEL_CRITICAL = 1 << 3;
    using LogHandler = void (*)(const char* domain, int level, const char* text, void* data);
    using SetHandler = unsigned (*)(const char* domain, int levels, LogHandler, void* data);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(glib, "g_log_set_handler")))
        set(
            "Gtk", G_LOG_LEVEL_CRITICAL, [](const char*, int, const char*, void*) {}, nullptr);
    dlclose(glib); // FLTK keeps it loaded
}

// The folder a dialog opens in: the proposed file's, or the current one when nothing is chosen
// yet (GTK's dialog would open on "Recently Used"). Absolute, so that a name given on the command
// line ("mylog.adi") opens where it lies.
std::string dialog_folder(const std::filesystem::path& proposed) {
    std::error_code error;
    const std::filesystem::path folder = proposed.parent_path();
    const std::filesystem::path absolute = folder.empty()
                                               ? std::filesystem::current_path(error)
                                               : std::filesystem::absolute(folder, error);
    return error ? folder.string() : absolute.string();
}

// Shows the chooser until the user cancels or picks files that satisfy the dialog; `paths`
// receives them. `multiple` lets the user pick several files to read.
bool run_dialog(const FileDialog& dialog, bool save, bool multiple,
                const std::string& proposed_path, std::vector<std::string>& paths) {
    // The chooser may keep pointers to its texts: they live as long as it does.
    const std::string title(dialog.title);
    const std::string filters = filter_text(dialog);
    Fl_Native_File_Chooser chooser; // loads GTK on first use, when there is one
    quiet_GTK_criticals();
    chooser.type(save       ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                 : multiple ? Fl_Native_File_Chooser::BROWSE_MULTI_FILE
                            : Fl_Native_File_Chooser::BROWSE_FILE);
    chooser.title(title.c_str());
    chooser.filter(filters.c_str());
    chooser.filter_value(0);
    if (save && dialog.confirm_overwrite)
        chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM);
    std::string proposed = proposed_path;
    for (;;) {
        const std::filesystem::path p(proposed);
        const std::string folder = dialog_folder(p);
        const std::string name = p.filename().string();
        if (!folder.empty())
            chooser.directory(folder.c_str());
        if (!name.empty())
            chooser.preset_file(name.c_str());
        if (chooser.show() != 0 || chooser.count() < 1)
            return false;
        std::vector<std::string> chosen;
        for (int i = 0; i < chooser.count(); ++i) {
            const char* file = chooser.filename(i);
            if (file != nullptr && *file)
                chosen.push_back(with_default_extension(file, dialog, save));
        }
        if (chosen.empty())
            return false;
        const auto missing = std::find_if(chosen.begin(), chosen.end(),
                                          [](const std::string& file) { return !exists(file); });
        if (dialog.must_exist && missing != chosen.end()) {
            fl_message_title(title.c_str());
            fl_alert("%s\nFile not found.\nCheck the file name and try again.", missing->c_str());
            proposed = *missing;
            continue;
        }
        paths = std::move(chosen);
        return true;
    }
}

// The one-file dialogs: `path` proposes a name and receives the chosen one.
bool run_one_file_dialog(const FileDialog& dialog, bool save, std::string& path) {
    std::vector<std::string> paths;
    if (!run_dialog(dialog, save, false, path, paths))
        return false;
    path = std::move(paths.front());
    return true;
}

} // namespace

bool FltkToolkit::open_file_dialog(const FileDialog& dialog, std::string& path) {
    return run_one_file_dialog(dialog, false, path);
}

bool FltkToolkit::save_file_dialog(const FileDialog& dialog, std::string& path) {
    return run_one_file_dialog(dialog, true, path);
}

bool FltkToolkit::open_files_dialog(const FileDialog& dialog, const std::string& proposed,
                                    std::vector<std::string>& paths) {
    return run_dialog(dialog, false, true, proposed, paths);
}

} // namespace q9xz
