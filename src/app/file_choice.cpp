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

std::string chosen_files_text(const std::vector<std::string>& paths, std::string_view separators) {
    if (paths.size() == 1)
        return std::string(base_name(paths.front(), separators));
    std::string text;
    for (const std::string& path : paths) {
        if (!text.empty())
            text += ' ';
        text.append("\"").append(base_name(path, separators)).append("\"");
    }
    return text;
}

const std::string& MainWindow::adif_path() const {
    static const std::string none;
    return adif_paths_.empty() ? none : adif_paths_.front();
}

void MainWindow::choose_ADIF_file() {
    std::vector<std::string> paths;
    if (toolkit_.open_files_dialog(ADIF_FILE_DIALOG, adif_path(), paths))
        use_ADIF_files(std::move(paths));
}

void MainWindow::use_ADIF_files(std::vector<std::string> paths) {
    if (paths.empty())
        return;
    adif_paths_ = std::move(paths);
    toolkit_.set_field_text(ID_ADIF_BOX, chosen_files_text(adif_paths_, separators_));
    // The spreadsheet is proposed beside the first log, named after it.
    csv_path_ = proposed_csv_path(adif_paths_.front(), separators_);
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
