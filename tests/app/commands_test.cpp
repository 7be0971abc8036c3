#include "app/controls.h"
#include "app/main_window.h"
#include "converted_log.h"
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

TEST(Commands, TheStartingChoiceAndTheRadioButtonsKeepOneChoice) {
    struct Case {
        Choice choice;
        int radio_button;
    };
    for (const Case c : {Case{Choice::FIRST, ID_FIRST}, Case{Choice::LAST, ID_LAST},
                         Case{Choice::LOTW, ID_LOTW}}) {
        Window w;
        w.window.create_controls(c.choice);
        EXPECT_EQ(w.toolkit.checked, c.radio_button);
        EXPECT_EQ(w.options.choice, c.choice);
        for (const Case clicked : {Case{Choice::LOTW, ID_LOTW}, Case{Choice::FIRST, ID_FIRST},
                                   Case{Choice::LAST, ID_LAST}}) {
            w.window.command(clicked.radio_button);
            EXPECT_EQ(w.options.choice, clicked.choice);
        }
        EXPECT_TRUE(w.toolkit.boxes.empty());
    }
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
        w.window.command(id);
        SCOPED_TRACE(id);
        EXPECT_TRUE(w.toolkit.boxes.empty());
        EXPECT_TRUE(w.toolkit.opened.empty());
        EXPECT_TRUE(w.toolkit.dialogs.empty());
        EXPECT_EQ(w.toolkit.quits, 0);
        EXPECT_EQ(w.updates, 0);
        EXPECT_FALSE(w.window.converted());
        EXPECT_EQ(w.options.choice, Choice::LAST);
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

TEST(Commands, UpdateRunsTheCommandOnlyWhenThereIsOne) {
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
        const testing::ConvertedLog log(w.window, w.toolkit, "my.adi");
        w.toolkit.opens = started;
        w.window.command(ID_OPEN);
        SCOPED_TRACE(started);
        EXPECT_EQ(w.toolkit.opened, std::vector<std::string>{log.file("my.CSV")});
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
