#include "app/controls.h"
#include "app/main_window.h"
#include "convert/conversion.h"

#include <array>

namespace q9xz {
namespace {

constexpr std::array<FileFilter, 2> ADIF_FILTERS{{
    {"ADIF Files", "*.adi;*.adif"},
    {"All Files", "*.*"},
}};
constexpr std::array<FileFilter, 2> CSV_FILTERS{{
    {"CSV Files", "*.csv"},
    {"All Files", "*.*"},
}};

} // namespace

const FileDialog ADIF_FILE_DIALOG{"Input ADIF File", ADIF_FILTERS, "adi", true, false};
const FileDialog CSV_FILE_DIALOG{"Output CSV file", CSV_FILTERS, "csv", false, true};

std::string_view base_name(std::string_view path, std::string_view separators) {
    const std::size_t last = path.find_last_of(separators);
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

void MainWindow::choose_ADIF_file() {
    std::string path = adif_path_;
    if (toolkit_.open_file_dialog(ADIF_FILE_DIALOG, path))
        use_ADIF_file(std::move(path));
}

void MainWindow::use_ADIF_file(std::string path) {
    adif_path_ = std::move(path);
    toolkit_.set_field_text(ID_ADIF_BOX, base_name(adif_path_, separators_));
    csv_path_ = proposed_csv_path(adif_path_, separators_);
    toolkit_.set_field_text(ID_CSV_BOX, base_name(csv_path_, separators_));
}

void MainWindow::choose_CSV_file() {
    std::string path = csv_path_;
    if (!toolkit_.save_file_dialog(CSV_FILE_DIALOG, path))
        return;
    csv_path_ = std::move(path);
    toolkit_.set_field_text(ID_CSV_BOX, base_name(csv_path_, separators_));
}

} // namespace q9xz
