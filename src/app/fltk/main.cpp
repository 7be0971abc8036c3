#include "app/fltk/fltk_toolkit.h"
#include "app/fltk/window_arguments.h"
#include "app/main_window.h"
#include "app/update/update_command.h"

#include <FL/Fl.H>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>
#include <vector>

int main(int argc, char** argv) {
    const q9xz::WindowArguments arguments =
        q9xz::parse_window_arguments({argv + (argc > 0 ? 1 : 0), argv + argc});
    if (std::optional<int> status = q9xz::answer_without_window(arguments, std::cout, std::cerr))
        return *status;

    q9xz::ConvertOptions options;
    std::unique_ptr<q9xz::MainWindow> window;
    q9xz::FltkToolkit toolkit([&window](int id) { window->command(id); });
    window = std::make_unique<q9xz::MainWindow>(
        toolkit, options, q9xz::make_update_command(toolkit), q9xz::POSIX_SEPARATORS);
    window->create_controls(arguments.choice);
    // Logs named here are taken as the file dialog would give them: full paths. Several are
    // tallied together, as when they are picked together in the dialog.
    std::vector<std::string> logs;
    for (const std::string& name : arguments.logs) {
        std::error_code error;
        std::filesystem::path log = std::filesystem::absolute(name, error);
        logs.push_back(error ? name : log.string());
    }
    window->use_ADIF_files(std::move(logs));
    Fl::scheme("gtk+");
    toolkit.show();
    return Fl::run();
}
