#include "app/main_window.h"

#include "app/controls.h"
#include "string_ids.h"

#include <utility>

namespace q9xz {
namespace {

// The date and time this release was built, as its About box has always shown them.
constexpr std::string_view BUILD_DATE = "Oct 21 2014";
constexpr std::string_view BUILD_TIME = "07:51:05";

// Sizes of the buffers the About box's version line and whole text are formatted in,
// terminating zero included.
constexpr std::size_t VERSION_BUFFER = 80;
constexpr std::size_t BOX_BUFFER = 260;

std::string cut(std::string text, std::size_t buffer_size) {
    if (text.size() >= buffer_size)
        text.resize(buffer_size - 1);
    return text;
}

} // namespace

void read_switches(std::string_view command_line, ConvertOptions& options) {
    if (command_line.find("-l") != std::string_view::npos ||
        command_line.find("-L") != std::string_view::npos)
        set_choice(options, Choice::LoTW);
    else if (command_line.find("-f") != std::string_view::npos)
        set_choice(options, Choice::First);
    else
        set_choice(options, Choice::Last);
}

MainWindow::MainWindow(Toolkit& toolkit, ConvertOptions& options, std::function<void()> update,
                       std::string_view separators)
    : toolkit_(toolkit), options_(options), update_(std::move(update)), separators_(separators) {}

void MainWindow::create_controls() {
    read_switches(toolkit_.command_line(), options_);
    mark_choice();
}

void MainWindow::create_controls(Choice choice) {
    set_choice(options_, choice);
    mark_choice();
}

void MainWindow::mark_choice() {
    if (options_.first)
        toolkit_.check_radio_button(ID_FIRST);
    else if (options_.last)
        toolkit_.check_radio_button(ID_LAST);
    else if (options_.lotw)
        toolkit_.check_radio_button(ID_LOTW);
}

void MainWindow::command(int id) {
    switch (id) {
    case ID_ABOUT:
        about();
        break;
    case ID_ADIF_FILE:
        // Cleared before the dialog: a new choice, even a cancelled one, needs a new Convert.
        options_.converted = 0;
        choose_ADIF_file();
        break;
    case ID_CONVERT:
        convert();
        break;
    case ID_CSV_FILE:
        options_.converted = 0;
        choose_CSV_file();
        break;
    case ID_DONATE:
        open_web_address(toolkit_, toolkit_.text(IDS_DONATE_URL));
        break;
    case ID_EXIT:
        toolkit_.quit();
        break;
    case ID_FIRST:
        set_choice(options_, Choice::First);
        break;
    case ID_HELP:
        open_web_address(toolkit_, toolkit_.text(IDS_HELP_URL));
        break;
    case ID_LAST:
        set_choice(options_, Choice::Last);
        break;
    case ID_LOTW:
        set_choice(options_, Choice::LoTW);
        break;
    case ID_OPEN:
        open();
        break;
    case ID_UPDATE:
        if (update_)
            update_();
        break;
    default:
        break;
    }
}

void MainWindow::about() {
    const std::string name = toolkit_.text(IDS_PROGRAM_NAME);
    std::string version = "Version " Q9XZ_VERSION_TEXT " -- ";
    version.append(BUILD_DATE).append(" ").append(BUILD_TIME);
    version = cut(std::move(version), VERSION_BUFFER);
    const std::string notice = toolkit_.text(IDS_MAKER_NOTICE);
    const std::string text = cut(name + "\n" + version + "\n" + notice, BOX_BUFFER);
    const std::string title = toolkit_.text(IDS_ABOUT_TITLE);
    toolkit_.message_box(text, title, MessageButtons::OK, MessageIcon::ICON_INFORMATION, true);
}

void MainWindow::open() {
    if (!options_.converted) {
        error_box(toolkit_.text(IDS_NOT_CONVERTED));
        return;
    }
    if (toolkit_.open_address(csv_path_))
        return;
    error_box(toolkit_.text(IDS_NO_BROWSER));
}

void MainWindow::error_box(std::string_view text) {
    toolkit_.message_box(text, "Error", MessageButtons::OK, MessageIcon::ICON_ERROR, false);
}

} // namespace q9xz
