#include "app/controls.h"
#include "app/main_window.h"
#include "convert/conversion.h"
#include "string_ids.h"

#include <climits>
#include <vector>

namespace q9xz {

void MainWindow::convert() {
    std::string message;
    ConversionFiles files;
    if (adif_paths_.empty()) {
        message = toolkit_.text(IDS_NO_ADIF_FILE);
    } else if (csv_path_.empty()) {
        message = toolkit_.text(IDS_NO_CSV_FILE);
    } else {
        files = open_conversion_files(adif_paths_, csv_path_);
        if (files.result == ConversionFiles::INPUT_FAILED)
            message = toolkit_.text(IDS_ADIF_OPEN_FAILED);
        else if (files.result == ConversionFiles::OUTPUT_FAILED)
            message = toolkit_.text(IDS_CSV_OPEN_FAILED);
        // A log chosen as the spreadsheet: the box says why it is refused. Otherwise which file
        // and why, whole: the path and the system's reason.
        if (files.output_is_a_log)
            message = files.problem + "\n" + message;
        else if (files.result != ConversionFiles::OK)
            message += "\n" + files.system_problem;
    }
    if (!message.empty()) {
        error_box(message);
        return;
    }

    // Problem lines name their log by its base name, as the field shows it.
    std::vector<std::string> names;
    for (const std::string& path : adif_paths_)
        names.emplace_back(base_name(path, separators_));
    ConversionResult result = run_conversion(log_inputs(files, names), options_);
    files.inputs.clear();
    std::string problem;
    const bool refused = result.read_failed || result.not_a_log;
    const bool saved = !refused && save(std::move(files.output), result.csv, problem);

    toolkit_.list_clear();
    toolkit_.set_list_extent(LIST_START_EXTENT);
    for (const MessageLines* list : shown_order(result.lists)) {
        if (show_lines(*list) > 0)
            toolkit_.list_append("");
    }

    if (!saved) {
        // The old spreadsheet is as it was, but it is not the result of this Convert: Open must
        // not show it as one.
        converted_ = false;
        if (result.not_a_log)
            error_box(not_a_log_text(adif_paths_[*result.not_a_log]));
        else
            error_box(result.read_failed ? toolkit_.text(IDS_ADIF_READ_FAILED)
                                         : "Could not write CSV output file.");
        return;
    }
    if (result.written == 0)
        show_lines({no_contact_note(names)}); // as the last line, the list widened for it
    if (result.written != 0)
        toolkit_.message_box(completion_text(result.written, result.lotw_confirmed, csv_path_),
                             "Done", MessageButtons::OK, MessageIcon::ICON_INFORMATION, false);
    converted_ = true;
}

int MainWindow::show_lines(const MessageLines& list) {
    // The list holds its lines newest first; the box shows them in the order they were added.
    std::vector<const MessageLine*> lines;
    for (const MessageLine& line : list)
        lines.push_back(&line);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const long long wanted = static_cast<long long>((*it)->size()) * LIST_CHAR_WIDTH;
        if (wanted > toolkit_.list_extent())
            toolkit_.set_list_extent(wanted > INT_MAX ? INT_MAX : static_cast<int>(wanted));
        toolkit_.list_append(**it);
    }
    return static_cast<int>(lines.size());
}

} // namespace q9xz
