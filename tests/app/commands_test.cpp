#include "app/controls.h"
#include "app/main_window.h"
#include "fake_toolkit.h"
#include "string_ids.h"

#include <gtest/gtest.h>

namespace q9xz {
namespace {

using testing::Box;
using testing::FakeToolkit;

struct Window {
    FakeToolkit toolkit;
    ConvertOptions options;
    int updates = 0;
    MainWindow window{toolkit, options, [this] { ++updates; }, POSIX_SEPARATORS};
};

TEST(Switches, CommandLineSelectsTheChoiceAndItsRadioButton) {
    struct Case {
        const char* command_line;
        int checked;
    };
    const Case cases[] = {
        {"", ID_LAST},
        {"/usr/bin/q9xz", ID_LAST},
        {"q9xz -f", ID_FIRST},
        {"q9xz -F", ID_LAST}, // upper-case F is not a switch
        {"q9xz -l", ID_LOTW},
        {"q9xz -L", ID_LOTW},
        {"q9xz -f -l", ID_LOTW}, // LoTW wins over First
        {"q9xz -F -L", ID_LOTW},
        {"/home/op/ham-logs/q9xz", ID_LOTW},        // "-l" inside the program's own path
        {"\"C:\\Ham-Logs\\Q9XZ.exe\" -f", ID_LOTW}, // "-L" of the folder name
        {"\"C:\\Ham-Fi\\Q9XZ.exe\"", ID_LAST},      // "-F" is no switch
        {"\"C:\\ham-fi\\Q9XZ.exe\"", ID_FIRST},
        {"/opt/q9xz-fltk/q9xz", ID_FIRST},
        {"q9xz --first", ID_FIRST},
        {"q9xz -x -lotw", ID_LOTW},
    };
    for (const Case& c : cases) {
        Window w;
        w.options.last = 0; // whatever came before, the switches decide
        w.options.first = 1;
        w.toolkit.line = c.command_line;
        w.window.create_controls();
        SCOPED_TRACE(c.command_line);
        EXPECT_EQ(w.toolkit.checked, c.checked);
        EXPECT_EQ(w.options.first, c.checked == ID_FIRST ? 1 : 0);
        EXPECT_EQ(w.options.last, c.checked == ID_LAST ? 1 : 0);
        EXPECT_EQ(w.options.lotw, c.checked == ID_LOTW ? 1 : 0);
    }
}

TEST(Commands, RadioButtonsKeepExactlyOneChoice) {
    Window w;
    w.window.command(ID_LOTW);
    EXPECT_EQ(w.options.lotw + w.options.first + w.options.last, 1);
    EXPECT_EQ(w.options.lotw, 1);
    w.window.command(ID_FIRST);
    EXPECT_EQ(w.options.lotw + w.options.first + w.options.last, 1);
    EXPECT_EQ(w.options.first, 1);
    w.window.command(ID_LAST);
    EXPECT_EQ(w.options.lotw + w.options.first + w.options.last, 1);
    EXPECT_EQ(w.options.last, 1);
    EXPECT_TRUE(w.toolkit.boxes.empty());
}

TEST(Commands, ExitAsksTheLoopToEnd) {
    Window w;
    w.window.command(ID_EXIT);
    EXPECT_EQ(w.toolkit.quits, 1);
    EXPECT_TRUE(w.toolkit.boxes.empty());
}

TEST(Commands, IdsOutsideTheCommandsAreIgnored) {
    for (int id : {0, 1000, ID_ADIF_BOX, ID_CSV_BOX, ID_LIST_BOX, IDI_Q9XZ, 1017, -1}) {
        Window w;
        w.options.converted = 1;
        w.window.command(id);
        SCOPED_TRACE(id);
        EXPECT_TRUE(w.toolkit.boxes.empty());
        EXPECT_TRUE(w.toolkit.opened.empty());
        EXPECT_TRUE(w.toolkit.dialogs.empty());
        EXPECT_EQ(w.toolkit.quits, 0);
        EXPECT_EQ(w.updates, 0);
        EXPECT_EQ(w.options.converted, 1);
        EXPECT_EQ(w.options.last, 1);
    }
}

TEST(Commands, AboutBoxIsOwnedAndNamesProgramVersionAndMaker) {
    Window w;
    w.window.command(ID_ABOUT);
    ASSERT_EQ(w.toolkit.boxes.size(), 1u);
    EXPECT_EQ(w.toolkit.boxes[0], (Box{"Create Spreadsheet of Q9XZ Centennial QSOs\n"
                                       "Version 2.6 -- Oct 21 2014 07:51:05\n" STR_MAKER_NOTICE,
                                       "About this program...", MessageButtons::OK,
                                       MessageIcon::ICON_INFORMATION, true}));
}

TEST(Commands, HelpAndDonateOpenTheirAddressesOrSayNoBrowserWasFound) {
    for (bool started : {true, false}) {
        SCOPED_TRACE(started);
        Window w;
        w.toolkit.opens = started;
        w.window.command(ID_HELP);
        w.window.command(ID_DONATE);
        EXPECT_EQ(w.toolkit.opened, (std::vector<std::string>{STR_HELP_URL, STR_DONATE_URL}));
        std::vector<Box> boxes;
        if (!started) {
            for (const char* address : {STR_HELP_URL, STR_DONATE_URL})
                boxes.push_back(
                    {std::string("Could not open ") + address + ": no web browser was found.",
                     "Error", MessageButtons::OK, MessageIcon::ICON_ERROR, false});
        }
        EXPECT_EQ(w.toolkit.boxes, boxes);
    }
}

TEST(Commands, UpdateRunsTheHookOnlyWhenThereIsOne) {
    Window w;
    w.window.command(ID_UPDATE);
    EXPECT_EQ(w.updates, 1);

    FakeToolkit toolkit;
    ConvertOptions options;
    MainWindow bare(toolkit, options, {}, POSIX_SEPARATORS);
    bare.command(ID_UPDATE);
    EXPECT_TRUE(toolkit.boxes.empty());
}

TEST(Commands, OpenRefusesUntilConverted) {
    Window w;
    w.window.command(ID_OPEN);
    ASSERT_EQ(w.toolkit.boxes.size(), 1u);
    EXPECT_EQ(w.toolkit.boxes[0],
              (Box{"Can't open spreadsheet because it has not been converted.", "Error",
                   MessageButtons::OK, MessageIcon::ICON_ERROR, false}));
    EXPECT_TRUE(w.toolkit.opened.empty());
}

TEST(Commands, OpenShowsTheSpreadsheetOrSaysTheBrowserDidNotStart) {
    for (bool started : {true, false}) {
        Window w;
        w.toolkit.dialog_answers.push_back("/tmp/logs/my.adi");
        w.window.command(ID_ADIF_FILE);
        w.options.converted = 1;
        w.toolkit.opens = started;
        w.window.command(ID_OPEN);
        SCOPED_TRACE(started);
        EXPECT_EQ(w.toolkit.opened, std::vector<std::string>{"/tmp/logs/my.CSV"});
        if (!started) {
            ASSERT_EQ(w.toolkit.boxes.size(), 1u);
            EXPECT_EQ(w.toolkit.boxes[0],
                      (Box{"Could not start web browser.", "Error", MessageButtons::OK,
                           MessageIcon::ICON_ERROR, false}));
        } else {
            EXPECT_TRUE(w.toolkit.boxes.empty());
        }
    }
}

} // namespace
} // namespace q9xz
