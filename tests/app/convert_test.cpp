#include "../file_bytes.h"
#include "adif/line_reader.h"
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
using q9xz::test::write_file;

using testing::Box;
using testing::FakeToolkit;
namespace fs = std::filesystem;

// One accepted contact (confirmed via LoTW), one whose state is unknown, one on no band.
constexpr const char* LOG = "Test log\n<ADIF_VER:5>3.1.0 <EOH>\n"
                            "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140315 <TIME_ON:4>1200 <BAND:3>20m "
                            "<MODE:2>CW <STATE:2>GA <LOTW_QSL_RCVD:1>Y <EOR>\n"
                            "<CALL:6>Q9XZ/7 <QSO_DATE:8>20140316 <TIME_ON:4>1300 <BAND:3>40m "
                            "<MODE:3>SSB <STATE:2>ZZ <EOR>\n"
                            "<CALL:6>Q9XZ/1 <QSO_DATE:8>20140317 <TIME_ON:4>1400 <BAND:3>99m "
                            "<MODE:3>FT8 <STATE:2>ME <EOR>\n";
constexpr const char* LOG_WITHOUT_Q9XZ =
    "<EOH>\n<CALL:4>K1AB <QSO_DATE:8>20140315 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <EOR>\n";

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "q9xz-app-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

struct Window {
    FakeToolkit toolkit;
    ConvertOptions options;
    MainWindow window{toolkit, options, {}, POSIX_SEPARATORS};

    void choose(const std::string& adif, const std::string& csv) {
        toolkit.dialog_answers = {adif, csv};
        window.command(ID_ADIF_FILE);
        window.command(ID_CSV_FILE);
    }
};

Box error(const std::string& text) {
    return {text, "Error", MessageButtons::OK, MessageIcon::ICON_ERROR, false};
}

// The box of a file that could not be opened: its first line, then the file's full path and why.
// Windows words the system's reasons its own way, so there the reason is only seen to be there.
void expect_open_failure(const Box& box, const std::string& first, const std::string& path,
                         const std::string& reason) {
    const std::string named = first + "\n" + path + ": ";
#ifdef _WIN32
    EXPECT_EQ(box, error(box.text.starts_with(named) && box.text.size() > named.size()
                             ? box.text
                             : named + reason));
#else
    EXPECT_EQ(box, error(named + reason));
#endif
}

TEST(Convert, WithoutFileNamesComplainsAboutTheLogFirst) {
    Window w;
    w.window.command(ID_CONVERT);
    ASSERT_EQ(w.toolkit.boxes.size(), 1u);
    EXPECT_EQ(w.toolkit.boxes[0], error("Did not specify input ADIF file."));

    // A spreadsheet name alone is not enough either.
    w.toolkit.dialog_answers = {"/tmp/out.csv"};
    w.window.command(ID_CSV_FILE);
    w.window.command(ID_CONVERT);
    ASSERT_EQ(w.toolkit.boxes.size(), 2u);
    EXPECT_EQ(w.toolkit.boxes[1], error("Did not specify input ADIF file."));
    EXPECT_FALSE(w.window.converted());
    EXPECT_TRUE(w.toolkit.list.empty());
}

TEST(Convert, FillsTheListWritesTheSpreadsheetAndSaysDone) {
    TempDir dir;
    write_file(dir.file("log.adi"), LOG);
    Window w;
    w.window.create_controls(Choice::LOTW);
    w.choose(dir.file("log.adi"), dir.file("out.csv"));
    w.toolkit.list = {"left over"};
    w.toolkit.extent = 9999;
    w.window.command(ID_CONVERT);

    // What the core makes of the same log, shown the way the window shows it.
    const ConvertOptions expected_options{Choice::LOTW};
    LineReader reader{std::string(LOG)};
    const ConversionResult expected = run_conversion(reader, expected_options);
    ASSERT_GT(expected.written, 0);
    ASSERT_GT(expected.lotw_confirmed, 0);

    EXPECT_EQ(w.toolkit.list, shown_lines(expected.lists));
    ASSERT_GE(w.toolkit.list.size(), 4u);
    EXPECT_NE(w.toolkit.list[0].find("is not a state"), std::string::npos);
    EXPECT_EQ(w.toolkit.list[2], ""); // the problem lines' separator
    EXPECT_EQ(w.toolkit.list.back(), "");
    std::size_t longest = 0;
    for (const std::string& line : w.toolkit.list)
        longest = std::max(longest, line.size());
    EXPECT_EQ(w.toolkit.extent, std::max<int>(450, 8 * static_cast<int>(longest)));
    EXPECT_EQ(w.toolkit.extents_set.front(), 450);

    EXPECT_EQ(read_file(dir.file("out.csv")), expected.csv);
    ASSERT_EQ(w.toolkit.boxes.size(), 1u);
    const std::string done = "Wrote " + std::to_string(expected.written) + " Q9XZ QSOs to " +
                             dir.file("out.csv") + "\n" + std::to_string(expected.lotw_confirmed) +
                             " QSOs were confirmed via LoTW";
    EXPECT_EQ(w.toolkit.boxes[0],
              (Box{done, "Done", MessageButtons::OK, MessageIcon::ICON_INFORMATION, false}));
    EXPECT_TRUE(w.window.converted());

    w.window.command(ID_OPEN);
    EXPECT_EQ(w.toolkit.opened, std::vector<std::string>{dir.file("out.csv")});
    EXPECT_EQ(w.toolkit.boxes.size(), 1u);
}

TEST(Convert, LogWithoutQ9XZShowsNoDoneBoxButCanBeOpened) {
    TempDir dir;
    write_file(dir.file("log.adi"), LOG_WITHOUT_Q9XZ);
    Window w;
    w.choose(dir.file("log.adi"), dir.file("out.csv"));
    w.window.command(ID_CONVERT);
    EXPECT_TRUE(w.toolkit.boxes.empty());
    EXPECT_TRUE(w.window.converted());
    EXPECT_FALSE(read_file(dir.file("out.csv")).empty());
    ASSERT_FALSE(w.toolkit.list.empty());
    // The note names the log as the window's separators see it (a Windows path stays whole
    // under the POSIX separators of this test window).
    EXPECT_EQ(w.toolkit.list.back(), std::string(base_name(dir.file("log.adi"), POSIX_SEPARATORS)) +
                                         ": no 2014 Q9XZ contact went into the spreadsheet");
    w.window.command(ID_OPEN);
    EXPECT_EQ(w.toolkit.opened.size(), 1u);
    EXPECT_TRUE(w.toolkit.boxes.empty());
}

TEST(Convert, UnreadableLogKeepsTheSpreadsheetAndTheConvertedFlag) {
    TempDir dir;
    write_file(dir.file("log.adi"), LOG);
    Window w;
    w.choose(dir.file("log.adi"), dir.file("out.csv"));
    w.window.command(ID_CONVERT);
    ASSERT_TRUE(w.window.converted());
    const std::string sheet = read_file(dir.file("out.csv"));
    w.toolkit.boxes.clear();
    w.toolkit.list = {"kept"};

    fs::remove(dir.file("log.adi"));
    w.window.command(ID_CONVERT);
    ASSERT_EQ(w.toolkit.boxes.size(), 1u);
    expect_open_failure(w.toolkit.boxes[0], "Could not open ADIF input file.", dir.file("log.adi"),
                        "No such file or directory");
    EXPECT_EQ(read_file(dir.file("out.csv")), sheet);
    EXPECT_EQ(w.toolkit.list, std::vector<std::string>{"kept"});
    EXPECT_TRUE(w.window.converted()); // left as it was
}

// A file without an ADIF tag is refused with the converter's text: its problem lines are
// listed, the spreadsheet is left as it was and cannot be opened as this Convert's.
TEST(Convert, FileThatIsNoLogIsRefused) {
    TempDir dir;
    write_file(dir.file("log.adi"), LOG);
    Window w;
    w.choose(dir.file("log.adi"), dir.file("out.csv"));
    w.window.command(ID_CONVERT);
    const std::string sheet = read_file(dir.file("out.csv"));
    w.toolkit.boxes.clear();

    write_file(dir.file("log.adi"), "<a b:1>x");
    w.window.command(ID_CONVERT);
    ASSERT_EQ(w.toolkit.boxes.size(), 1u);
    EXPECT_EQ(w.toolkit.boxes[0].text,
              dir.file("log.adi") + ": no ADIF data found; is it an ADIF log?");
    EXPECT_EQ(w.toolkit.boxes[0].title, "Error");
    EXPECT_EQ(w.toolkit.list,
              (std::vector<std::string>{" on  at : ERROR: Unfinished last record not read", ""}));
    EXPECT_EQ(read_file(dir.file("out.csv")), sheet);
    EXPECT_FALSE(w.window.converted());
}

// Each box says which file could not be used and why, and changes no file.
TEST(Convert, SpreadsheetThatCannotBeOpenedOrIsTheLogItself) {
    TempDir dir;
    write_file(dir.file("log.adi"), LOG);
    fs::create_symlink(dir.file("log.adi"), dir.file("link.csv"));
    fs::create_directories(dir.file("folder"));
    const struct {
        std::string adif, csv;
        const char* first;
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.file("log.adi"), dir.file("log.adi"), "Could not open CSV output file.",
         dir.file("log.adi"), "the output names the log itself"},
        {dir.file("log.adi"), dir.file("./log.adi"), "Could not open CSV output file.",
         dir.file("./log.adi"), "the output names the log itself"},
        {dir.file("log.adi"), dir.file("link.csv"), "Could not open CSV output file.",
         dir.file("link.csv"), "the output names the log itself"},
        {dir.file("log.adi"), dir.file("no/such/folder/out.csv"), "Could not open CSV output file.",
         dir.file("no/such/folder/out.csv"), "No such file or directory"},
        {dir.file("log.adi"), dir.file("folder"), "Could not open CSV output file.",
         dir.file("folder"), "is a folder"},
        {dir.file("folder"), dir.file("out.csv"), "Could not open ADIF input file.",
         dir.file("folder"), "is a folder"},
    };
    for (const auto& c : cases) {
        Window w;
        w.choose(c.adif, c.csv);
        w.window.command(ID_CONVERT);
        SCOPED_TRACE(c.csv);
        ASSERT_EQ(w.toolkit.boxes.size(), 1u);
        expect_open_failure(w.toolkit.boxes[0], c.first, c.path, c.reason);
        EXPECT_EQ(read_file(dir.file("log.adi")), LOG);
        EXPECT_FALSE(w.window.converted());
    }
}

// A log chosen as the spreadsheet, by its name or by what it holds, is refused before anything
// is read or written, and the box says why.
TEST(Convert, RefusesALogAsItsSpreadsheet) {
    TempDir dir;
    write_file(dir.file("log.adi"), LOG);
    write_file(dir.file("other.csv"), LOG);
    const std::string never = "; the spreadsheet is never written over a log\n";
    const struct {
        std::string csv;
        std::string why;
    } cases[] = {
        {dir.file("home.ADI"), dir.file("home.ADI") + " has a log's name (.adi, .adif, .adx)"},
        {dir.file("report.adx"), dir.file("report.adx") + " has a log's name (.adi, .adif, .adx)"},
        {dir.file("other.csv"), dir.file("other.csv") + " is an ADIF log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csv);
        Window w;
        w.choose(dir.file("log.adi"), c.csv);
        w.window.command(ID_CONVERT);
        ASSERT_EQ(w.toolkit.boxes.size(), 1u);
        EXPECT_EQ(w.toolkit.boxes[0].text, c.why + never + "Could not open CSV output file.");
        EXPECT_EQ(w.toolkit.boxes[0].title, "Error");
        EXPECT_EQ(read_file(dir.file("log.adi")), LOG);
        EXPECT_EQ(read_file(dir.file("other.csv")), LOG);
        EXPECT_FALSE(w.window.converted());
    }
    EXPECT_FALSE(fs::exists(dir.file("home.ADI")));
    EXPECT_FALSE(fs::exists(dir.file("report.adx")));
}

// A Convert that fails after a good one (the log can no longer be read, the disk is full) shows
// the lines it has, leaves the old spreadsheet as it was, and keeps Open from showing it.
TEST(Convert, FailureAfterAGoodConvertKeepsTheSpreadsheetAndBlocksOpen) {
    const struct {
        const char* device; // what the link is turned to
        bool log_link;      // the log's link, or the spreadsheet's
        const char* box;
        std::vector<std::string> first_lines;
    } cases[] = {
        {"/proc/self/mem",
         true,
         "Could not read ADIF input file.",
         {"ERROR: Could not read the whole ADIF input file.", ""}},
        {"/dev/full",
         false,
         "Could not write CSV output file.",
         {"Q9XZ/7 on 20140316 at 1300: [ZZ] is not a state"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        TempDir dir;
        write_file(dir.file("real.adi"), LOG);
        std::error_code failed;
        fs::create_symlink(dir.file("real.adi"), dir.file("log.adi"), failed);
        fs::create_symlink(dir.file("real.csv"), dir.file("out.csv"), failed);
        if (failed || !fs::exists(c.device))
            GTEST_SKIP() << "needs symbolic links and " << c.device;
        Window w;
        w.choose(dir.file("log.adi"), dir.file("out.csv"));
        w.window.command(ID_CONVERT);
        ASSERT_TRUE(w.window.converted());
        const std::string sheet = read_file(dir.file("real.csv"));
        w.toolkit.boxes.clear();

        const std::string link = dir.file(c.log_link ? "log.adi" : "out.csv");
        fs::remove(link);
        fs::create_symlink(c.device, link);
        w.window.command(ID_CONVERT);
        ASSERT_EQ(w.toolkit.boxes.size(), 1u);
        EXPECT_EQ(w.toolkit.boxes[0], error(c.box));
        ASSERT_GE(w.toolkit.list.size(), c.first_lines.size());
        EXPECT_EQ(std::vector<std::string>(w.toolkit.list.begin(),
                                           w.toolkit.list.begin() + c.first_lines.size()),
                  c.first_lines);
        EXPECT_EQ(read_file(dir.file("real.csv")), sheet);
        EXPECT_EQ(read_file(dir.file("real.adi")), LOG);
        EXPECT_FALSE(w.window.converted());
        w.window.command(ID_OPEN);
        EXPECT_TRUE(w.toolkit.opened.empty());
        EXPECT_EQ(w.toolkit.boxes.back(),
                  error("Can't open spreadsheet because it has not been converted."));
    }
}

// A path longer than Windows' 260-byte buffers is written under its own name, never a cut one.
TEST(Convert, LongPathsAreWrittenUnderTheirOwnName) {
    TempDir dir;
    const std::string folder = dir.file(std::string(150, 'f') + "/" + std::string(150, 'g'));
    std::error_code failed;
    fs::create_directories(folder, failed);
    if (failed && fs::path::preferred_separator == '/')
        GTEST_SKIP() << "no paths this long here";
    write_file(folder + "/log.adi", LOG);
    Window w;
    w.choose(folder + "/log.adi", folder + "/spreadsheet.csv");
    ASSERT_GT(w.window.csv_path().size(), 300u);
    w.window.command(ID_CONVERT);
    if (fs::path::preferred_separator == '\\') {
        // Windows takes no path this long in some of these calls: Convert says which file it
        // could not open or write (Wine opens it and cannot rename), and uses no other name.
        ASSERT_EQ(w.toolkit.boxes.size(), 1u);
        EXPECT_EQ(w.toolkit.boxes[0].title, "Error");
        EXPECT_EQ(w.toolkit.boxes[0].text.rfind("Could not ", 0), 0u) << w.toolkit.boxes[0].text;
        EXPECT_FALSE(w.window.converted());
        return;
    }
    EXPECT_TRUE(w.window.converted());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"log.adi", "spreadsheet.csv"}));
}

TEST(ShowLines, AppendsOldestFirstAndWidensTheExtentForLongLines) {
    FakeToolkit toolkit;
    ConvertOptions options;
    MainWindow window(toolkit, options, {}, POSIX_SEPARATORS);
    toolkit.extent = 450;
    MessageLists lists;
    add_problem_line(lists, std::string(56, 'a')); // 448 pixels: fits
    add_problem_line(lists, std::string(60, 'b')); // 480
    add_problem_line(lists, std::string(57, 'c')); // 456: narrower than the box is by now
    add_problem_line(lists, "");
    EXPECT_EQ(window.show_lines(lists.problems), 4);
    EXPECT_EQ(toolkit.list, (std::vector<std::string>{std::string(56, 'a'), std::string(60, 'b'),
                                                      std::string(57, 'c'), ""}));
    EXPECT_EQ(toolkit.extents_set, std::vector<int>{480});
    EXPECT_EQ(window.show_lines(lists.summary), 0);
    EXPECT_EQ(toolkit.list.size(), 4u);
}

} // namespace
} // namespace q9xz
