#include "app/fltk/fltk_toolkit.h"
#include "app/fltk/update_hook.h"
#include "app/main_window.h"

#include <FL/Fl.H>
#include <memory>

int main(int argc, char** argv) {
    // The switches are found anywhere in the whole command line, as on Windows.
    std::string command_line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0)
            command_line += ' ';
        command_line += argv[i];
    }
    q9xz::ConvertOptions options;
    std::unique_ptr<q9xz::MainWindow> window;
    q9xz::FltkToolkit toolkit(command_line, [&window](int id) { window->command(id); });
    window = std::make_unique<q9xz::MainWindow>(
        toolkit, options, q9xz::make_update_command(toolkit), q9xz::POSIX_SEPARATORS);
    window->create_controls();
    Fl::scheme("gtk+");
    toolkit.show();
    return Fl::run();
}
