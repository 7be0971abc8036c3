#pragma once

#include "analysis/message_lists.h"
#include "app/toolkit.h"
#include "common/convert_options.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// Folder separators of the platforms' paths, for base names and the CSV name proposal.
inline constexpr std::string_view WINDOWS_SEPARATORS = "\\/";
inline constexpr std::string_view POSIX_SEPARATORS = "/";

// The file dialogs of the two file buttons.
extern const FileDialog ADIF_FILE_DIALOG;
extern const FileDialog CSV_FILE_DIALOG;

// The text after the last separator.
std::string_view base_name(std::string_view path, std::string_view separators);

// What the ADIF file field shows for the chosen logs: the base name of one log, or every base
// name in double quotes, separated by blanks, as the system's own dialogs show several files
// ("home.adi" "portable.adi").
std::string chosen_files_text(const std::vector<std::string>& paths, std::string_view separators);

// The window's commands, written once for every toolkit. The backend makes the controls of
// CONTROLS, then calls create_controls() with the choice its command line asks for
// (choice_switches.h), and hands every button click to command().
class MainWindow {
  public:
    // `update` runs the Update command; when empty, Update does nothing.
    MainWindow(Toolkit& toolkit, ConvertOptions& options, std::function<void()> update,
               std::string_view separators);

    // Sets `choice` and marks its radio button.
    void create_controls(Choice choice);

    // A button click, by control id; ids other than 1001 to 1012 are ignored.
    void command(int id);

    void about();
    void convert();
    void open();
    void choose_ADIF_file();
    void choose_CSV_file();
    // What choose_ADIF_file() does once logs are picked: shows their names and proposes the
    // spreadsheet beside the first. For logs named on the command line.
    void use_ADIF_files(std::vector<std::string> paths);

    // Appends a list (held newest first) to the list box oldest line first, widening the
    // box's extent for long lines; returns the number of lines appended.
    int show_lines(const MessageLines& list);

    // The chosen logs, in the order the dialog gave them; empty before any choice.
    const std::vector<std::string>& adif_paths() const { return adif_paths_; }
    // The first chosen log, or an empty text.
    const std::string& adif_path() const;
    const std::string& csv_path() const { return csv_path_; }
    // Whether the spreadsheet was written since the files were chosen: Open shows it only then.
    bool converted() const { return converted_; }

  private:
    void error_box(std::string_view text);

    Toolkit& toolkit_;
    ConvertOptions& options_;
    std::function<void()> update_;
    std::string separators_;
    std::vector<std::string> adif_paths_;
    std::string csv_path_;
    bool converted_ = false;
};

} // namespace q9xz
