#include "app/win32/main_window_win32.h"

#include "app/controls.h"
#include "app/update/update_command.h"
#include "common/choice_switches.h"

#include <shellapi.h>
#include <vector>

namespace q9xz {
namespace {

// The program file whose first icon becomes the window's icon.
constexpr char ICON_FILE[] = "Q9XZ.exe";

// Each control as the Windows controls make it: its class, its styles besides child and
// visible, and its extended style. The fields are one-line combo boxes scrolling sideways; the
// radio group starts at its first button.
struct Win32Control {
    const char* window_class;
    DWORD style;
    DWORD extended_style = 0;
};

Win32Control win32_control(const ControlSpec& control, bool starts_group) {
    switch (control.role) {
    case ControlRole::FILE_NAME_FIELD:
        return {"COMBOBOX", WS_BORDER | CBS_SIMPLE | CBS_AUTOHSCROLL};
    case ControlRole::COMMAND_BUTTON:
        return {"BUTTON", BS_PUSHBUTTON | (control.tab_stop ? DWORD(WS_TABSTOP) : 0)};
    case ControlRole::CHOICE_BUTTON:
        return {"BUTTON", BS_AUTORADIOBUTTON | (starts_group ? DWORD(WS_GROUP) : 0)};
    case ControlRole::MESSAGE_LIST:
        return {"LISTBOX", WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOSEL, WS_EX_CLIENTEDGE};
    }
    return {"STATIC", 0};
}

// The arguments after the program's path, split as Windows programs split their command line
// (quotes and backslashes as the C runtime reads them); each in UTF-8.
std::vector<std::string> program_arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, words[i], -1, argument.data(), size, nullptr, nullptr);
        argument.resize(argument.size() - 1); // the terminating zero
        arguments.push_back(std::move(argument));
    }
    LocalFree(words);
    return arguments;
}

// Makes the fifteen controls in table order, then marks the choice the switches ask for.
void create_controls(Application& app, HWND window) {
    HWND list_box = nullptr;
    ControlRole previous = ControlRole::MESSAGE_LIST;
    for (const ControlSpec& control : CONTROLS) {
        const bool starts_group =
            control.role == ControlRole::CHOICE_BUTTON && previous != ControlRole::CHOICE_BUTTON;
        previous = control.role;
        const Win32Control made_as = win32_control(control, starts_group);
        // The fields are made without any text, the list with an empty one.
        const std::string label(control.label);
        HWND made = CreateWindowExA(
            made_as.extended_style, made_as.window_class,
            control.role == ControlRole::FILE_NAME_FIELD ? nullptr : label.c_str(),
            WS_CHILD | WS_VISIBLE | made_as.style, control.x, control.y, control.width,
            control.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
            app.instance, nullptr);
        if (control.role == ControlRole::MESSAGE_LIST)
            list_box = made;
    }
    if (list_box)
        SendMessageA(list_box, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FIXED_FONT)), TRUE);
    app.toolkit.attach(window, list_box);
    app.commands->create_controls(read_choice_switches(program_arguments()));
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM word, LPARAM value) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(value);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* app = reinterpret_cast<Application*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (app) {
        switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
        case WM_CREATE:
            create_controls(*app, window);
            break;
        case WM_COMMAND:
            // Only button clicks, whose notification code is 0; the commands ignore other ids.
            if (HIWORD(word) == 0)
                app->commands->command(LOWORD(word));
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, word, value);
}

} // namespace

bool create_main_window(Application& app) {
    HICON icon = ExtractIconA(app.instance, ICON_FILE, 0);
    // 1 means the file is there but holds no icon.
    if (icon == reinterpret_cast<HICON>(1))
        icon = nullptr;

    WNDCLASSA window_class{};
    window_class.style = 0;
    window_class.lpfnWndProc = main_window_proc;
    window_class.hInstance = app.instance;
    window_class.hIcon = icon;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = app.class_name.c_str();
    if (!RegisterClassA(&window_class))
        return false;

    app.window = CreateWindowExA(0, app.class_name.c_str(), app.class_name.c_str(),
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, WINDOW_X, WINDOW_Y, WINDOW_WIDTH,
                                 WINDOW_HEIGHT, nullptr, nullptr, app.instance, &app);
    if (!app.window)
        return false;
    ShowWindow(app.window, SW_SHOW);
    UpdateWindow(app.window);
    return true;
}

int run_message_loop(Application& app) {
    for (;;) {
        const BOOL got = GetMessageA(&app.message, nullptr, 0, 0);
        if (got == 0)
            return int(app.message.wParam);
        if (got == -1)
            return -1;
        // Tab and the arrow keys move between the controls and within the radio group.
        if (!IsDialogMessageA(app.window, &app.message)) {
            TranslateMessage(&app.message);
            DispatchMessageA(&app.message);
        }
    }
}

int run_program(HINSTANCE instance) {
    Application app;
    app.instance = instance;
    app.class_name = std::string(WINDOW_TITLE);
    app.commands = std::make_unique<MainWindow>(
        app.toolkit, app.options, make_update_command(app.toolkit), WINDOWS_SEPARATORS);
    if (!create_main_window(app))
        return -1;
    const int exit_code = run_message_loop(app);
    // After Exit the window still exists; it must not reach the commands once they are gone.
    if (IsWindow(app.window)) {
        SetWindowLongPtrA(app.window, GWLP_USERDATA, 0);
        DestroyWindow(app.window);
    }
    return exit_code;
}

} // namespace q9xz
