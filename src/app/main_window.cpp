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

MainWindow::MainWindow(Toolkit& toolkit, ConvertOptions& options, std::function<void()> update,
                       std::string_view separators)
    : toolkit_(toolkit), options_(options), update_(std::move(update)), separators_(separators) {}

void MainWindow::create_controls(Choice choice) {
    options_.choice = choice;
    toolkit_.check_radio_button(choice == Choice::FIRST  ? ID_FIRST
                                : choice == Choice::LAST ? ID_LAST
                                                         : ID_LOTW);
}

void MainWindow::command(int id) {
    switch (id) {
    case ID_ABOUT:
        about();
        break;
    case ID_ADIF_FILE:
        // Cleared before the dialog: a new choice, even a cancelled one, needs a new Convert.
        converted_ = false;
        choose_ADIF_file();
        break;
    case ID_CONVERT:
        convert();
        break;
    case ID_CSV_FILE:
        converted_ = false;
        choose_CSV_file();
        break;
    case ID_DONATE:
        open_web_address(toolkit_, toolkit_.text(IDS_DONATE_URL));
        break;
    case ID_EXIT:
        toolkit_.quit();
        break;
    case ID_FIRST:
        options_.choice = Choice::FIRST;
        break;
    case ID_HELP:
        open_web_address(toolkit_, toolkit_.text(IDS_HELP_URL));
        break;
    case ID_LAST:
        options_.choice = Choice::LAST;
        break;
    case ID_LOTW:
        options_.choice = Choice::LOTW;
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
    if (!converted_) {
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
