#include "app/win32/main_window_win32.h"

#include "app/controls.h"
#include "app/win32/update_button.h"
#include "common/choice_switches.h"

#include <shellapi.h>
#include <vector>

namespace q9xz {
namespace {

// The program file whose first icon becomes the window's icon.
constexpr char ICON_FILE[] = "Q9XZ.exe";

DWORD window_style(std::uint32_t style) {
    DWORD result = WS_CHILD | WS_VISIBLE;
    if (style & STYLE_BORDER)
        result |= WS_BORDER;
    if (style & STYLE_SIMPLE_COMBO)
        result |= CBS_SIMPLE;
    if (style & STYLE_AUTO_HSCROLL)
        result |= CBS_AUTOHSCROLL;
    if (style & STYLE_PUSH_BUTTON)
        result |= BS_PUSHBUTTON;
    if (style & STYLE_TAB_STOP)
        result |= WS_TABSTOP;
    if (style & STYLE_AUTO_RADIO)
        result |= BS_AUTORADIOBUTTON;
    if (style & STYLE_GROUP)
        result |= WS_GROUP;
    if (style & STYLE_VSCROLL)
        result |= WS_VSCROLL;
    if (style & STYLE_HSCROLL)
        result |= WS_HSCROLL;
    if (style & STYLE_NO_SELECT)
        result |= LBS_NOSEL;
    return result;
}

DWORD extended_style(std::uint32_t style) {
    return (style & STYLE_CLIENT_EDGE) ? WS_EX_CLIENTEDGE : 0;
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
    for (const ControlSpec& control : CONTROLS) {
        const std::string window_class(control.window_class);
        HWND made = CreateWindowExA(extended_style(control.style), window_class.c_str(),
                                    control.text, window_style(control.style), control.x, control.y,
                                    control.width, control.height, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                    app.instance, nullptr);
        if (control.role == ControlRole::MessageList)
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
        app.toolkit, app.options, update_button_command(app.toolkit), WINDOWS_SEPARATORS);
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
