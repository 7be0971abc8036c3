#pragma once

// A log in a folder of its own, converted through the window: what Open needs before it shows a
// spreadsheet.

#include "../file_bytes.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "fake_toolkit.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace q9xz::testing {

class ConvertedLog {
  public:
    // Chooses `name` (a log with no Q9XZ contact, so no box is shown) in a fresh folder and
    // converts it.
    ConvertedLog(MainWindow& window, FakeToolkit& toolkit, const std::string& name) {
        std::string pattern = (std::filesystem::temp_directory_path() / "q9xz-log-XXXXXX").string();
        folder_ = mkdtemp(pattern.data());
        test::write_file(folder_ / name, "<EOH>\n");
        toolkit.dialog_answers.push_back((folder_ / name).string());
        window.command(ID_ADIF_FILE);
        window.command(ID_CONVERT);
    }
    ~ConvertedLog() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ConvertedLog(const ConvertedLog&) = delete;
    ConvertedLog& operator=(const ConvertedLog&) = delete;

    std::string file(const std::string& name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
};

} // namespace q9xz::testing
