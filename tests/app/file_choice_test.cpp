#include "app/controls.h"
#include "app/main_window.h"
#include "converted_log.h"
#include "fake_toolkit.h"

#include <gtest/gtest.h>

namespace q9xz {
namespace {

using testing::FakeToolkit;

TEST(ChooseADIF, ProposesTheCSVBesideTheLogAndShowsBaseNames) {
    struct Case {
        std::string_view separators;
        const char* chosen;
        const char* csv;
        const char* adif_field;
        const char* csv_field;
    };
    const Case cases[] = {
        {WINDOWS_SEPARATORS, "C:\\logs\\My.Log.adi", "C:\\logs\\My.Log.CSV", "My.Log.adi",
         "My.Log.CSV"},
        {POSIX_SEPARATORS, "/home/op/My.Log.adif", "/home/op/My.Log.CSV", "My.Log.adif",
         "My.Log.CSV"},
        // A "." in a folder name never cuts the path; a name without one gets ".CSV" added.
        {POSIX_SEPARATORS, "/home/op/logs.2014/mylog", "/home/op/logs.2014/mylog.CSV", "mylog",
         "mylog.CSV"},
        {WINDOWS_SEPARATORS, "C:\\logs.v2\\mylog", "C:\\logs.v2\\mylog.CSV", "mylog", "mylog.CSV"},
        {WINDOWS_SEPARATORS, "C:/logs/log.adi", "C:/logs/log.CSV", "log.adi", "log.CSV"},
    };
    for (const Case& c : cases) {
        FakeToolkit toolkit;
        ConvertOptions options;
        MainWindow window(toolkit, options, {}, c.separators);
        toolkit.dialog_answers.push_back(c.chosen);
        window.command(ID_ADIF_FILE);
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(window.adif_path(), c.chosen);
        EXPECT_EQ(window.csv_path(), c.csv);
        EXPECT_EQ(toolkit.fields[ID_ADIF_BOX], c.adif_field);
        EXPECT_EQ(toolkit.fields[ID_CSV_BOX], c.csv_field);
    }
}

TEST(ChooseADIF, SeveralLogsShowQuotedBaseNamesAndProposeTheCSVFromTheFirst) {
    struct Case {
        std::string_view separators;
        const char* chosen; // one path per line
        const char* field;
        const char* csv;
    };
    const Case cases[] = {
        {WINDOWS_SEPARATORS, "C:\\logs\\home.adi\nC:\\logs\\portable.adi",
         "\"home.adi\" \"portable.adi\"", "C:\\logs\\home.CSV"},
        {POSIX_SEPARATORS, "/logs/lotw.adi\n/logs/home.adif\n/logs/old log.adi",
         "\"lotw.adi\" \"home.adif\" \"old log.adi\"", "/logs/lotw.CSV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        FakeToolkit toolkit;
        ConvertOptions options;
        MainWindow window(toolkit, options, {}, c.separators);
        toolkit.dialog_answers.push_back(c.chosen);
        window.command(ID_ADIF_FILE);
        ASSERT_EQ(toolkit.dialogs.size(), 1u);
        EXPECT_TRUE(toolkit.dialogs[0].multiple);
        EXPECT_EQ(toolkit.fields[ID_ADIF_BOX], c.field);
        EXPECT_EQ(window.csv_path(), c.csv);
        EXPECT_EQ(window.adif_path(), window.adif_paths().front());
        // The next choice proposes the first log again; choosing one log shows its name alone.
        toolkit.dialog_answers.push_back("/logs/one.adi");
        window.command(ID_ADIF_FILE);
        const std::string chosen = c.chosen;
        EXPECT_EQ(toolkit.dialogs[1].proposed, chosen.substr(0, chosen.find('\n')));
        EXPECT_EQ(toolkit.fields[ID_ADIF_BOX], "one.adi");
        EXPECT_EQ(window.adif_paths(), std::vector<std::string>{"/logs/one.adi"});
    }
}

TEST(ChooseFiles, DialogsShowTheirTitlesFiltersAndTheProposedName) {
    FakeToolkit toolkit;
    ConvertOptions options;
    MainWindow window(toolkit, options, {}, POSIX_SEPARATORS);
    toolkit.dialog_answers = {"/logs/a.adi", "/out/sheet.csv"};
    window.command(ID_ADIF_FILE);
    window.command(ID_CSV_FILE);
    ASSERT_EQ(toolkit.dialogs.size(), 2u);

    const testing::DialogShown& open = toolkit.dialogs[0];
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.title, "Input ADIF File");
    EXPECT_EQ(open.filters, (std::vector<std::pair<std::string, std::string>>{
                                {"ADIF Files", "*.adi;*.adif"}, {"All Files", "*.*"}}));
    EXPECT_EQ(open.default_extension, "adi");
    EXPECT_TRUE(open.must_exist);
    EXPECT_EQ(open.proposed, "");

    const testing::DialogShown& save = toolkit.dialogs[1];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.title, "Output CSV file");
    EXPECT_EQ(save.filters, (std::vector<std::pair<std::string, std::string>>{
                                {"CSV Files", "*.csv"}, {"All Files", "*.*"}}));
    EXPECT_EQ(save.default_extension, "csv");
    EXPECT_TRUE(save.confirm_overwrite);
    EXPECT_EQ(save.proposed, "/logs/a.CSV"); // the name the log's choice proposed

    EXPECT_EQ(window.csv_path(), "/out/sheet.csv");
    EXPECT_EQ(toolkit.fields[ID_CSV_BOX], "sheet.csv");
    EXPECT_EQ(toolkit.fields[ID_ADIF_BOX], "a.adi");

    // The next ADIF dialog proposes the log chosen before.
    window.command(ID_ADIF_FILE);
    EXPECT_EQ(toolkit.dialogs[2].proposed, "/logs/a.adi");
}

TEST(ChooseFiles, CancelKeepsPathsAndFieldsButStillClearsConverted) {
    for (int id : {ID_ADIF_FILE, ID_CSV_FILE}) {
        FakeToolkit toolkit;
        ConvertOptions options;
        MainWindow window(toolkit, options, {}, POSIX_SEPARATORS);
        const testing::ConvertedLog log(window, toolkit, "a.adi");
        ASSERT_TRUE(window.converted());
        toolkit.fields.clear();
        window.command(id); // no answer scripted: cancelled
        SCOPED_TRACE(id);
        EXPECT_FALSE(window.converted());
        EXPECT_EQ(window.adif_path(), log.file("a.adi"));
        EXPECT_EQ(window.csv_path(), log.file("a.CSV"));
        EXPECT_TRUE(toolkit.fields.empty());
        window.command(ID_OPEN);
        ASSERT_EQ(toolkit.boxes.size(), 1u);
        EXPECT_EQ(toolkit.boxes[0].text,
                  "Can't open spreadsheet because it has not been converted.");
    }
}

TEST(ChooseFiles, LongPathsAreKeptWhole) {
    FakeToolkit toolkit;
    ConvertOptions options;
    MainWindow window(toolkit, options, {}, POSIX_SEPARATORS);
    const std::string folder = "/" + std::string(200, 'f') + "/" + std::string(80, 'g');
    toolkit.dialog_answers = {folder + "/log.adi", folder + "/sheet.csv"};
    window.command(ID_ADIF_FILE);
    EXPECT_EQ(window.adif_path(), folder + "/log.adi");
    EXPECT_EQ(window.csv_path(), folder + "/log.CSV");
    window.command(ID_CSV_FILE);
    EXPECT_EQ(toolkit.dialogs.back().proposed, folder + "/log.CSV");
    EXPECT_EQ(window.csv_path(), folder + "/sheet.csv");
}

TEST(BaseName, IsTheTextAfterTheLastSeparator) {
    EXPECT_EQ(base_name("C:\\a\\b.adi", WINDOWS_SEPARATORS), "b.adi");
    EXPECT_EQ(base_name("C:\\a/b.adi", WINDOWS_SEPARATORS), "b.adi");
    EXPECT_EQ(base_name("dir\\b.adi", POSIX_SEPARATORS), "dir\\b.adi");
    EXPECT_EQ(base_name("b.adi", POSIX_SEPARATORS), "b.adi");
    EXPECT_EQ(base_name("/logs/", POSIX_SEPARATORS), "");
}

} // namespace
} // namespace q9xz
