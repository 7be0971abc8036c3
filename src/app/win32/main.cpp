#include "app/win32/main_window_win32.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return q9xz::run_program(instance);
}
