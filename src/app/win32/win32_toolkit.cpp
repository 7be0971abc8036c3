#include "app/win32/win32_toolkit.h"

#include "app/controls.h"
#include "app/string_table.h"

#include <commdlg.h>
#include <shellapi.h>
#include <string>
#include <vector>

namespace q9xz {
namespace {

// Paths are exchanged with the file dialogs in buffers of this many bytes: room for any path the
// system has, so that no path is ever cut to another name. A path too long for the calls that
// open files is then reported by Convert as a file that could not be opened.
constexpr DWORD PATH_BUFFER = 32768;
// A choice of several files comes back as the folder and every name, NUL-separated: room for
// some hundreds of logs. A choice that does not fit fails as a cancel would.
constexpr DWORD MULTIPLE_PATH_BUFFER = 65536;

UINT icon_flag(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::ICON_ERROR:
        return MB_ICONERROR;
    case MessageIcon::ICON_INFORMATION:
        return MB_ICONINFORMATION;
    case MessageIcon::ICON_QUESTION:
        return MB_ICONQUESTION;
    case MessageIcon::ICON_WARNING:
        return MB_ICONWARNING;
    }
    return 0;
}

// The dialogs' filter list: name and patterns, each ending with a NUL, the whole list with a
// second NUL.
std::string filter_list(const FileDialog& dialog) {
    std::string list;
    for (const FileFilter& filter : dialog.filters) {
        list.append(filter.name).push_back('\0');
        list.append(filter.patterns).push_back('\0');
    }
    list.push_back('\0');
    return list;
}

// Runs the open or save dialog; `file` holds the proposed name and receives the answer, whose
// file names start at `name_offset`.
bool run_file_dialog(const FileDialog& dialog, std::vector<char>& file, bool save, bool multiple,
                     std::size_t& name_offset) {
    const std::string filters = filter_list(dialog);
    const std::string title(dialog.title);
    const std::string extension(dialog.default_extension);

    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = nullptr;
    request.lpstrFilter = filters.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = DWORD(file.size());
    request.lpstrTitle = title.c_str();
    request.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (dialog.must_exist)
        request.Flags |= OFN_FILEMUSTEXIST;
    if (dialog.confirm_overwrite)
        request.Flags |= OFN_OVERWRITEPROMPT;
    if (multiple)
        request.Flags |= OFN_ALLOWMULTISELECT;

    const BOOL chosen = save ? GetSaveFileNameA(&request) : GetOpenFileNameA(&request);
    name_offset = request.nFileOffset;
    return chosen != FALSE;
}

bool run_file_dialog(const FileDialog& dialog, std::string& path, bool save) {
    std::vector<char> file(PATH_BUFFER, '\0');
    path.copy(file.data(), PATH_BUFFER - 1);
    std::size_t name_offset = 0;
    if (!run_file_dialog(dialog, file, save, false, name_offset))
        return false;
    path = file.data();
    return true;
}

// The answer of a dialog that allows several files: one full path, or, when a NUL ends the
// folder before the first name, the folder followed by the names of the files in it, each ended
// by a NUL, the whole ended by a second NUL.
std::vector<std::string> chosen_paths(const std::vector<char>& answer, std::size_t name_offset) {
    const std::string first(answer.data());
    if (name_offset != first.size() + 1)
        return {first};
    std::string folder = first;
    if (!folder.empty() && folder.back() != '\\') // a drive's root ends in "\" already
        folder += '\\';
    std::vector<std::string> paths;
    for (std::size_t at = name_offset; at < answer.size() && answer[at] != '\0';) {
        const std::string name(answer.data() + at);
        paths.push_back(folder + name);
        at += name.size() + 1;
    }
    return paths;
}

} // namespace

void Win32Toolkit::attach(HWND main_window, HWND list_box) {
    main_window_ = main_window;
    list_box_ = list_box;
}

MessageAnswer Win32Toolkit::message_box(std::string_view text, std::string_view title,
                                        MessageButtons buttons, MessageIcon icon, bool owned) {
    const std::string box_text(text);
    const std::string box_title(title);
    const UINT type = (buttons == MessageButtons::YES_NO ? MB_YESNO : MB_OK) | icon_flag(icon);
    const int answer =
        MessageBoxA(owned ? main_window_ : nullptr, box_text.c_str(), box_title.c_str(), type);
    switch (answer) {
    case IDYES:
        return MessageAnswer::YES;
    case IDNO:
        return MessageAnswer::NO;
    default:
        return MessageAnswer::OK;
    }
}

std::string Win32Toolkit::text(int id) {
    // Loaded into the buffer the program has always used for it, which every text fits.
    std::vector<char> buffer(text_buffer_size(id), '\0');
    const int length =
        LoadStringA(GetModuleHandleA(nullptr), UINT(id), buffer.data(), int(buffer.size()));
    return std::string(buffer.data(), length > 0 ? std::size_t(length) : 0);
}

bool Win32Toolkit::open_file_dialog(const FileDialog& dialog, std::string& path) {
    return run_file_dialog(dialog, path, false);
}

bool Win32Toolkit::save_file_dialog(const FileDialog& dialog, std::string& path) {
    return run_file_dialog(dialog, path, true);
}

bool Win32Toolkit::open_files_dialog(const FileDialog& dialog, const std::string& proposed,
                                     std::vector<std::string>& paths) {
    std::vector<char> file(MULTIPLE_PATH_BUFFER, '\0');
    proposed.copy(file.data(), PATH_BUFFER - 1);
    std::size_t name_offset = 0;
    if (!run_file_dialog(dialog, file, false, true, name_offset))
        return false;
    file.push_back('\0'); // the texts read from the answer always end
    file.push_back('\0');
    std::vector<std::string> chosen = chosen_paths(file, name_offset);
    if (chosen.empty())
        return false;
    paths = std::move(chosen);
    return true;
}

void Win32Toolkit::set_field_text(int control_id, std::string_view text) {
    const std::string field_text(text);
    SetWindowTextA(GetDlgItem(main_window_, control_id), field_text.c_str());
}

void Win32Toolkit::list_clear() {
    SendMessageA(list_box_, LB_RESETCONTENT, 0, 0);
}

int Win32Toolkit::list_extent() {
    return int(SendMessageA(list_box_, LB_GETHORIZONTALEXTENT, 0, 0));
}

void Win32Toolkit::set_list_extent(int pixels) {
    SendMessageA(list_box_, LB_SETHORIZONTALEXTENT, WPARAM(pixels), 0);
}

void Win32Toolkit::list_append(std::string_view line) {
    const std::string item(line);
    SendMessageA(list_box_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void Win32Toolkit::check_radio_button(int control_id) {
    for (const ControlSpec& control : CONTROLS) {
        if (control.role == ControlRole::CHOICE_BUTTON)
            CheckDlgButton(main_window_, control.id,
                           control.id == control_id ? BST_CHECKED : BST_UNCHECKED);
    }
}

bool Win32Toolkit::open_address(const std::string& address) {
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Greater than 32 means the program was started; the rest are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void Win32Toolkit::quit() {
    PostQuitMessage(0);
}

} // namespace q9xz
