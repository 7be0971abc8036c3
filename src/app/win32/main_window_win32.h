#pragma once

#include "app/main_window.h"
#include "app/win32/win32_toolkit.h"
#include "common/convert_options.h"

#include <memory>
#include <string>
#include <windows.h>

namespace q9xz {

// Everything the Windows program keeps for the whole run of its entry.
struct Application {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;  // the main window, once it exists
    MSG message{};          // filled by the message loop
    std::string class_name; // also the window title

    ConvertOptions options;
    Win32Toolkit toolkit;
    std::unique_ptr<MainWindow> commands;
};

// Registers the window class and makes the main window with its controls; false when either
// step fails.
bool create_main_window(Application& app);

// Runs until the quit request arrives and returns its exit code.
int run_message_loop(Application& app);

// The entry's work: the window, then the loop. -1 when the window cannot be made.
int run_program(HINSTANCE instance);

} // namespace q9xz
