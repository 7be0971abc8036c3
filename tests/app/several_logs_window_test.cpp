// Convert over several logs picked together in the ADIF File dialog.

#include "../file_bytes.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "convert/conversion.h"
#include "fake_toolkit.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace q9xz {
namespace {

using q9xz::test::read_file;

using testing::Box;
using testing::FakeToolkit;
namespace fs = std::filesystem;

constexpr const char* HOME = "<EOH>\n"
                             "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140315 <TIME_ON:4>1200 <BAND:3>20m "
                             "<MODE:2>CW <STATE:2>GA <EOR>\n"
                             "<CALL:6>Q9XZ/7 <QSO_DATE:8>20140316 <TIME_ON:4>1300 <BAND:3>40m "
                             "<MODE:3>SSB <STATE:2>ZZ <EOR>\n";
constexpr const char* REPORT = "<PROGRAMID:4>LoTW <EOH>\n"
                               "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140315 <TIME_ON:4>1200 <BAND:3>20m "
                               "<MODE:2>CW <STATE:2>GA <QSL_RCVD:1>Y <EOR>\n"
                               "<CALL:6>Q9XZ/1 <QSO_DATE:8>20140317 <TIME_ON:4>1400 <BAND:3>99m "
                               "<MODE:2>CW <STATE:2>ME <EOR>\n";

class ConvertSeveralLogs : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "q9xz-logs-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        std::ofstream(file("home.adi"), std::ios::binary) << HOME;
        std::ofstream(file("lotw.adi"), std::ios::binary) << REPORT;
        std::ofstream(file("sheet.csv"), std::ios::binary) << "precious";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    // Picks the logs together, then the spreadsheet, and presses Convert under LoTW.
    void convert(const std::string& logs, const std::string& csv) {
        toolkit.dialog_answers = {logs, csv};
        window.command(ID_ADIF_FILE);
        window.command(ID_CSV_FILE);
        window.command(ID_LOTW);
        window.command(ID_CONVERT);
    }

    fs::path dir_;
    FakeToolkit toolkit;
    ConvertOptions options;
    // The folder separators of the platform the tests run on: the temporary folder's paths.
    MainWindow window{toolkit,
                      options,
                      {},
                      fs::path::preferred_separator == '\\' ? WINDOWS_SEPARATORS
                                                            : POSIX_SEPARATORS};
};

TEST_F(ConvertSeveralLogs, TalliesEveryLogAndNamesProblemLinesByBaseName) {
    convert(file("home.adi") + "\n" + file("lotw.adi"), file("sheet.csv"));

    LineReader home{std::string(HOME)};
    LineReader report{std::string(REPORT)};
    const LogInput logs[] = {{&home, "home.adi"}, {&report, "lotw.adi"}};
    const ConvertOptions expected_options{Choice::LOTW};
    const ConversionResult expected = run_conversion(logs, expected_options);

    EXPECT_EQ(toolkit.list, shown_lines(expected.lists));
    ASSERT_GE(toolkit.list.size(), 2u);
    EXPECT_EQ(toolkit.list[0], "home.adi: Q9XZ/7 on 20140316 at 1300: [ZZ] is not a state");
    EXPECT_EQ(toolkit.list[1], "lotw.adi: Q9XZ/1 on 20140317 at 1400: Unrecognized BAND 99m");
    // Georgia, worked in one log and confirmed in the other, is confirmed.
    const std::vector<std::string> not_confirmed{
        "",
        "Not confirmed on MIX (49): AL AK AZ AR CA CO CT DE FL HI ID IL IN IA KS KY",
        "    LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY NC",
        "    ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI",
        "    WY",
        "Not confirmed on CW  (49): AL AK AZ AR CA CO CT DE FL HI ID IL IN IA KS KY",
        "    LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY NC",
        "    ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI",
        "    WY",
        "",
    };
    ASSERT_GE(toolkit.list.size(), not_confirmed.size());
    EXPECT_EQ(std::vector<std::string>(toolkit.list.end() -
                                           static_cast<std::ptrdiff_t>(not_confirmed.size()),
                                       toolkit.list.end()),
              not_confirmed);
    EXPECT_EQ(read_file(file("sheet.csv")), expected.csv);
    EXPECT_NE(expected.csv.find("Georgia,CW,,,,,,LOTW,"), std::string::npos);
    ASSERT_EQ(toolkit.boxes.size(), 1u);
    EXPECT_EQ(toolkit.boxes[0].text,
              "Wrote 1 Q9XZ QSOs to " + file("sheet.csv") + "\n1 QSOs were confirmed via LoTW");
    EXPECT_TRUE(window.converted());
}

TEST_F(ConvertSeveralLogs, ARefusedLogOrSpreadsheetChangesNoFile) {
    struct Case {
        std::string logs;
        std::string csv;
        const char* error;
        std::vector<std::string> list; // what the list box shows
    };
    std::vector<Case> cases = {
        {file("home.adi") + "\n" + file("missing.adi"),
         file("sheet.csv"),
         "Could not open ADIF input file.",
         {}},
        {file("home.adi") + "\n" + file("lotw.adi"),
         file("lotw.adi"),
         "Could not open CSV output file.",
         {}},
    };
    // A log that cannot be read to its end fails the whole Convert; the logs after it are not read.
    if (fs::exists("/proc/self/mem"))
        cases.push_back({file("home.adi") + "\n/proc/self/mem\n" + file("lotw.adi"),
                         file("sheet.csv"),
                         "Could not read ADIF input file.",
                         {"home.adi: Q9XZ/7 on 20140316 at 1300: [ZZ] is not a state",
                          "mem: ERROR: Could not read the whole ADIF input file.", ""}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        toolkit.boxes.clear();
        toolkit.list.clear();
        convert(c.logs, c.csv);
        ASSERT_EQ(toolkit.boxes.size(), 1u);
        // The first line; the file and the reason that follow are tested with one log.
        Box box = toolkit.boxes[0];
        box.text.resize(std::min(box.text.size(), box.text.find('\n')));
        EXPECT_EQ(box, (Box{c.error, "Error", MessageButtons::OK, MessageIcon::ICON_ERROR, false}));
        EXPECT_EQ(toolkit.list, c.list);
        EXPECT_EQ(read_file(file("sheet.csv")), "precious");
        EXPECT_EQ(read_file(file("home.adi")), HOME);
        EXPECT_EQ(read_file(file("lotw.adi")), REPORT);
        EXPECT_FALSE(window.converted());
    }
}

} // namespace
} // namespace q9xz
