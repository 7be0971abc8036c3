#include "../file_bytes.h"
#include "cli/run_cli.h"
#include "cli/standard_streams.h"
#include "cli/terminal_text.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace std::string_literals;
using q9xz::run_cli;

namespace {

using q9xz::test::read_file;
using q9xz::test::write_file;

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun run(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = run_cli(arguments, out, err);
    return {code, out.str(), err.str()};
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("q9xz-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

const std::string ONE_CONTACT = "<CALL:6>Q9XZ/8<QSO_DATE:8>20140105<TIME_ON:4>1200<BAND:3>20m"
                                "<MODE:2>CW<STATE:2>OH<LOTW_QSL_RCVD:1>Y<EOR>\n";

TEST_F(Cli, WrongUsageSaysWhatWasWrongThenTheUsage) {
    const std::string bands = "160m, 80m, 40m, 30m, 20m, 17m, 15m, 12m, 10m, 6m, 2m";
    const struct {
        std::vector<std::string> arguments;
        std::string problem;
    } cases[] = {
        {{}, "no INPUT log given"},
        {{"-f"}, "no INPUT log given"},
        {{"-x", "log.adi"}, "-x is not an option"},
        {{"log.adi", "--mapp", "m.svg"}, "--mapp is not an option"},
        {{"log.adi", "--map"}, "--map needs a value: FILE.svg"},
        {{"--map-band", "60m", "log.adi"}, "60m is not a band; the bands are " + bands},
        {{"--map-mode", "SSB", "log.adi"},
         "SSB is not a mode column; the mode columns are MIX, CW, DIG, PH"},
        {{"a", "b", "c"},
         "c: one file name too many (INPUT and OUTPUT at most; several logs need -o OUTPUT)"},
        {{"-o", "out.csv"}, "no INPUT log given"},
        {{"-o", "out.csv", "log.adi", "-o", "new.csv"}, "-o given twice: there is one OUTPUT"},
        {{"-"}, "name the spreadsheet when the log is standard input"},
        {{"-f", "--", "-"}, "name the spreadsheet when the log is standard input"},
        {{"--map-mode", "CW", "log.adi"}, "--map-mode needs --map FILE"},
        {{"log.adi", "--map-band", "20m", "--map-mode", "CW"}, "--map-band needs --map FILE"},
    };
    for (const auto& c : cases) {
        const CliRun result = run(c.arguments);
        EXPECT_EQ(2, result.code) << c.problem;
        EXPECT_EQ("", result.out);
        EXPECT_EQ(c.problem + "\nUsage: q9xz-convert", result.err.substr(0, c.problem.size() + 20));
    }
    const CliRun help = run({"--help"});
    EXPECT_EQ(0, help.code);
    EXPECT_EQ(0u, help.out.find("Usage: q9xz-convert"));
    EXPECT_EQ(0, run({"-h"}).code);
}

// The options the program accepts, its --help and its manual page agree.
TEST_F(Cli, ManualPageAndHelpListEveryOption) {
    const std::string page = read_file(std::string(Q9XZ_DOCS) + "/q9xz-convert.1.in");
    const std::size_t section = page.find(".SH OPTIONS");
    ASSERT_NE(std::string::npos, section);
    const std::string options = page.substr(section, page.find(".SH", section + 1) - section);
    std::set<std::string> listed;
    std::istringstream lines(options);
    bool term = false;
    for (std::string line; std::getline(lines, line); term = line == ".TP") {
        if (!term)
            continue;
        // ".BR \-l ", " \-L" or ".B \-\-map \fIFILE\fR": the names before any argument.
        for (std::size_t at = 0; (at = line.find("\\-", at)) != std::string::npos;) {
            std::string name;
            while (at < line.size() && (line.compare(at, 2, "\\-") == 0 ||
                                        std::isalpha(static_cast<unsigned char>(line[at])))) {
                name += line[at] == '\\' ? '-' : line[at];
                at += line[at] == '\\' ? 2 : 1;
            }
            listed.insert(name);
        }
    }
    std::set<std::string> accepted;
    const std::string help = run({"--help"}).out;
    for (const q9xz::CliOption& option : q9xz::CLI_OPTIONS) {
        accepted.insert(std::string(option.name));
        const std::string name(option.name);
        EXPECT_TRUE(help.find(name + " ") != std::string::npos ||
                    help.find(name + ",") != std::string::npos)
            << name;
        std::vector<std::string> arguments{std::string(option.name)};
        if (!option.value.empty())
            arguments.push_back(option.name == "--map-band" ? "20m" : "CW");
        EXPECT_EQ(std::string::npos, run(arguments).err.find("is not an option")) << option.name;
    }
    EXPECT_EQ(accepted, listed);
    EXPECT_NE(std::string::npos, page.find(".RB [ \\-\\-map"));
}

TEST_F(Cli, ChoiceSwitchesStandAnywhere) {
    write_file(path("log.adi"), ONE_CONTACT);
    struct Case {
        std::vector<std::string> arguments;
        const char* cell;
    } cases[] = {
        {{path("log.adi")}, "Ohio,CW,,,,,,05-Jan,"},
        {{path("log.adi"), "-f"}, "Ohio,CW,,,,,,05-Jan,"},
        {{"-L", path("log.adi")}, "Ohio,CW,,,,,,LOTW,"},
        {{"-f", path("log.adi"), "-l"}, "Ohio,CW,,,,,,LOTW,"},
    };
    for (const Case& c : cases) {
        const CliRun result = run(c.arguments);
        ASSERT_EQ(0, result.code) << result.err;
        EXPECT_NE(std::string::npos, read_file(path("log.CSV")).find(c.cell)) << c.cell;
    }
}

TEST_F(Cli, OptionsEndAtDoubleDash) {
    write_file(path("-l"), ONE_CONTACT);
    fs::current_path(dir_);
    const CliRun result = run({"--", "-l", "out.csv"});
    EXPECT_EQ(0, result.code) << result.err;
    EXPECT_NE(std::string::npos, read_file(path("out.csv")).find("Ohio,CW,,,,,,05-Jan,"));
    fs::current_path(fs::temp_directory_path());
}

TEST_F(Cli, OutputNameIsDerivedFromTheBaseName) {
    fs::create_directories(dir_ / "my.logs");
    write_file(path("my.logs/station"), ONE_CONTACT);
    const CliRun result = run({path("my.logs/station")});
    ASSERT_EQ(0, result.code) << result.err;
    EXPECT_TRUE(fs::exists(path("my.logs/station.CSV")));
    EXPECT_EQ(" 1 state(s) worked on MIX\n"
              " 1 state(s) worked on CW \n"
              " 0 state(s) worked on DIG\n"
              " 0 state(s) worked on PH \n"
              "\n"
              " 1 state(s) worked on  20m\n"
              "\n"
              "Needed on MIX (49): AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
              "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
              "    NC ND OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
              "    WY\n"
              "Needed on CW  (49): AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
              "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
              "    NC ND OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
              "    WY\n"
              "\n"
              "Wrote 1 Q9XZ QSOs to " +
                  path("my.logs/station.CSV") + "\n",
              result.out);
}

// What a refusal may not change: every file in the folder, its bytes and, where the system has
// them, its owner, group, mode and links.
std::map<std::string, std::string> folder_state(const fs::path& folder) {
    std::map<std::string, std::string> state;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string& seen = state[entry.path().string()];
        if (entry.is_regular_file())
            seen = read_file(entry.path());
#if defined(__unix__)
        struct stat status;
        if (::lstat(entry.path().c_str(), &status) == 0) {
            std::ostringstream looks;
            looks << ' ' << status.st_uid << ' ' << status.st_gid << ' ' << status.st_mode << ' '
                  << status.st_nlink;
            seen += looks.str();
        }
#endif
    }
    return state;
}

// Every refusal and failure says why, leaves every file as it was, and leaves no temporary file
// behind.
TEST_F(Cli, FilesThatCannotBeUsedAreReportedAndNothingChanges) {
    write_file(path("log.adi"), ONE_CONTACT);
    write_file(path("keep.CSV"), "precious");
    // Logs under other names: the marks near the start, in any letter case.
    write_file(path("notes.txt"), std::string(60000, '.') + "<eor>");
    write_file(path("header.csv"), "Exported <Eoh>");
    fs::create_directories(dir_ / "folder.adi");
    fs::create_directories(dir_ / "folder");
    const std::string no_folder = path("no/such/folder/out.csv");
    const std::string never_sheet = "; the spreadsheet is never written over a log\n";
    const std::string never_map = "; the map is never written over a log\n";
    const std::string log_name = " has a log's name (.adi, .adif, .adx)";
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{path("missing.adi"), path("keep.CSV")},
         path("missing.adi") + ": No such file or directory\nCould not open ADIF input file.\n"},
        {{path("folder.adi"), path("keep.CSV")},
         path("folder.adi") + ": is a folder\nCould not open ADIF input file.\n"},
        {{"-o", path("log.adi"), path("log.adi")},
         "the output names the log itself\nCould not open CSV output file.\n"},
        {{"-o", path("./log.adi"), path("log.adi")},
         "the output names the log itself\nCould not open CSV output file.\n"},
        {{"-o", path("folder"), path("log.adi")},
         path("folder") + ": is a folder\nCould not open CSV output file.\n"},
        {{path("log.adi"), no_folder},
         no_folder + ": No such file or directory\nCould not open CSV output file.\n"},
        {{path("log.adi"), ""}, ": No such file or directory\nCould not open CSV output file.\n"},
        {{path("log.adi"), "/dev/fd/97"},
         "/dev/fd/97: Bad file descriptor\nCould not open CSV output file.\n"},
        // A log is never an output: by its name, new or there, or by what it holds.
        {{"-o", path("home.adi"), path("log.adi")},
         path("home.adi") + log_name + never_sheet + "Could not open CSV output file.\n"},
        {{"-o", path("Home.ADX"), path("log.adi")},
         path("Home.ADX") + log_name + never_sheet + "Could not open CSV output file.\n"},
        {{"-o", path("folder.adi"), path("log.adi")},
         path("folder.adi") + log_name + never_sheet + "Could not open CSV output file.\n"},
        {{path("log.adi"), path("notes.txt")},
         path("notes.txt") + " is an ADIF log" + never_sheet + "Could not open CSV output file.\n"},
        {{"-o", path("header.csv"), path("log.adi")},
         path("header.csv") + " is an ADIF log" + never_sheet +
             "Could not open CSV output file.\n"},
        // The map is an output like the spreadsheet, refused before anything is written.
        {{"--map", path("log.adi"), path("log.adi"), path("keep.CSV")},
         "the map names the log itself\nCould not write the map file.\n"},
        {{"--map", path("home.adif"), path("log.adi"), path("keep.CSV")},
         path("home.adif") + log_name + never_map + "Could not write the map file.\n"},
        {{"--map", path("notes.txt"), path("log.adi"), path("keep.CSV")},
         path("notes.txt") + " is an ADIF log" + never_map + "Could not write the map file.\n"},
        {{path("log.adi"), path("keep.CSV"), "--map", path("./keep.CSV")},
         "the map names the spreadsheet\nCould not write the map file.\n"},
        {{path("log.adi"), "-", "--map", "/dev/stdout"},
         "the map names the spreadsheet\nCould not write the map file.\n"},
        {{path("log.adi"), path("keep.CSV"), "--map", no_folder},
         no_folder + ": No such file or directory\nCould not write the map file.\n"},
    };
    const auto before = folder_state(dir_);
    for (const auto& c : cases) {
        const CliRun result = run(c.arguments);
        EXPECT_EQ(1, result.code) << c.err;
        EXPECT_EQ("", result.out);
        EXPECT_EQ(c.err, result.err);
        EXPECT_EQ(before, folder_state(dir_)) << c.err;
    }
    // The map named like the spreadsheet that the log's name proposes, new or there, spelled
    // any way.
    fs::current_path(dir_);
    for (const char* old_sheet : {"", "old sheet"}) {
        if (*old_sheet)
            write_file(path("log.CSV"), old_sheet);
        for (const std::string& map :
             {path("log.CSV"), std::string("./log.CSV"), std::string("x/../log.CSV")}) {
            const CliRun proposed = run({"log.adi", "--map", map});
            EXPECT_EQ("the map names the spreadsheet\nCould not write the map file.\n",
                      proposed.err);
            EXPECT_EQ(old_sheet, read_file(path("log.CSV")));
        }
    }
    fs::current_path(fs::temp_directory_path());
    EXPECT_EQ(before.size() + 1, folder_state(dir_).size()); // log.CSV
}

#if defined(__unix__)
// Standard output and other descriptors are written as the program holds them: what the shell
// set up is kept (">>" appends), and the lines go to standard error.
TEST_F(Cli, DescriptorsAreWrittenNeverReopened) {
    write_file(path("log.adi"), ONE_CONTACT);
    const CliRun plain = run({path("log.adi"), path("plain.csv")});
    ASSERT_EQ(0, plain.code);
    const auto naming = [&](const std::string& name) {
        std::string lines = plain.out;
        return lines.replace(lines.find(path("plain.csv")), path("plain.csv").size(), name);
    };
    const struct {
        std::vector<std::string> arguments;
        int descriptor;
        bool map;
    } cases[] = {
        {{path("log.adi"), "-"}, 1, false},
        {{"-o", "/dev/stdout", path("log.adi")}, 1, false},
        {{path("log.adi"), "/dev/fd/1"}, 1, false},
        {{path("log.adi"), "/proc/self/fd/1"}, 1, false},
        {{path("log.adi"), "/dev//stdout"}, 1, false},
        {{path("log.adi"), "/dev/./fd//1"}, 1, false},
        {{path("log.adi"), "/dev/stderr"}, 2, false},
        {{path("log.adi"), path("plain.csv"), "--map", "-"}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        if (c.arguments.back().starts_with("/proc/") && !fs::exists("/proc/self/fd"))
            continue;
        write_file(path("n.txt"), "NOTES\n");
        std::fflush(nullptr);
        const int appended = ::open(path("n.txt").c_str(), O_WRONLY | O_APPEND);
        const int saved = ::dup(c.descriptor);
        ::dup2(appended, c.descriptor);
        ::close(appended);
        const CliRun result = run(c.arguments);
        ::dup2(saved, c.descriptor);
        ::close(saved);
        EXPECT_EQ(0, result.code) << result.err;
        const std::string written = read_file(path("n.txt"));
        if (c.map) {
            EXPECT_EQ(0u, written.find("NOTES\n<"));
            EXPECT_NE(std::string::npos, written.find("<svg"));
            EXPECT_EQ("", result.out);
            EXPECT_EQ(plain.out + "Map: (standard output)\n", result.err);
        } else if (c.descriptor == 2) {
            // Only standard output takes the lines' place.
            EXPECT_EQ("NOTES\n" + read_file(path("plain.csv")), written);
            EXPECT_EQ(naming("/dev/stderr"), result.out);
            EXPECT_EQ("", result.err);
        } else {
            EXPECT_EQ("NOTES\n" + read_file(path("plain.csv")), written);
            EXPECT_EQ("", result.out);
            EXPECT_EQ(naming("(standard output)"), result.err);
        }
    }
}

// Started with standard output closed, the converter does not take the log it opens there for
// "-": the closed descriptor is told as one.
TEST_F(Cli, ClosedStandardOutputIsABadDescriptor) {
    write_file(path("log.adi"), ONE_CONTACT);
    std::fflush(nullptr);
    const int saved = ::dup(1);
    ::close(1);
    q9xz::hold_closed_standard_descriptors();
    const CliRun result = run({path("log.adi"), "-"});
    ::dup2(saved, 1);
    ::close(saved);
    EXPECT_EQ(1, result.code);
    EXPECT_EQ("-: Bad file descriptor\nCould not open CSV output file.\n", result.err);
}
#endif

TEST_F(Cli, ReadErrorIsAnErrorAndKeepsTheSpreadsheet) {
    if (!fs::exists("/proc/self/mem"))
        GTEST_SKIP() << "no /proc/self/mem here";
    write_file(path("keep.CSV"), "precious");
    const CliRun result = run({"/proc/self/mem", path("keep.CSV")});
    EXPECT_EQ(1, result.code);
    EXPECT_EQ("ERROR: Could not read the whole ADIF input file.\n\n", result.out);
    // The system's reason: "Input/output error" on Linux, another one under Wine.
    EXPECT_EQ(0u, result.err.find("/proc/self/mem: "));
    EXPECT_TRUE(result.err.ends_with("\nCould not read ADIF input file.\n")) << result.err;
    EXPECT_EQ("precious", read_file(path("keep.CSV")));
}

TEST_F(Cli, FullDiskIsAnErrorNotASuccess) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    write_file(path("log.adi"), ONE_CONTACT);
    const CliRun result = run({path("log.adi"), "/dev/full"});
    EXPECT_EQ(1, result.code);
    EXPECT_EQ("/dev/full: No space left on device\nCould not write CSV output file.\n", result.err);
    EXPECT_NE(std::string::npos, result.out.find(" 1 state(s) worked on MIX\n"));
    EXPECT_EQ(std::string::npos, result.out.find("Wrote"));
    // A device is written, never replaced: it is still there for the next test.
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// Standard output is the same with or without a map; the map's outcome goes to standard error.
TEST_F(Cli, MapOutcomeGoesToStandardErrorOnly) {
    write_file(path("log.adi"), ONE_CONTACT);
    const CliRun plain = run({path("log.adi"), path("out.csv")});
    ASSERT_EQ(0, plain.code);
    EXPECT_EQ("", plain.err);
    const CliRun drawn = run({path("log.adi"), path("out.csv"), "--map", path("m.svg")});
    EXPECT_EQ(0, drawn.code);
    EXPECT_EQ(plain.out, drawn.out);
    EXPECT_EQ("Map: " + path("m.svg") + "\n", drawn.err);
    EXPECT_NE(std::string::npos, read_file(path("m.svg")).find("<svg"));
    if (!fs::exists("/dev/full"))
        return;
    const CliRun failed = run({path("log.adi"), path("out.csv"), "--map", "/dev/full"});
    EXPECT_EQ(1, failed.code);
    EXPECT_EQ(plain.out, failed.out); // the spreadsheet was written: "Wrote ..." is there
    EXPECT_EQ("/dev/full: No space left on device\nCould not write the map file.\n", failed.err);
}

TEST_F(Cli, LogWithoutQ9XZContactsGetsANote) {
    for (const std::string& text : {std::string("<CALL:4>K1AB<QSO_DATE:8>20140105<EOR>\n"),
                                    std::string("Header only\n<EOH>\n")}) {
        write_file(path("other.adi"), text);
        const CliRun result = run({path("other.adi")});
        EXPECT_EQ(0, result.code);
        EXPECT_EQ(path("other.adi") + ": no 2014 Q9XZ contact went into the spreadsheet\n",
                  result.err);
        EXPECT_EQ(0u, result.out.find(" 0 state(s) worked on MIX\n"));
    }
}

// A file with no ADIF tag in it is refused after its problem lines: exit 1, and the old
// spreadsheet and map stay byte for byte; the logs after it are not read.
TEST_F(Cli, FilesThatAreNoLogsAreRefused) {
    const struct {
        const char* name;
        std::string bytes;
        std::string out;
    } cases[] = {
        {"notes.pdf", "%PDF-1.4\n1 0 obj <</Type /Catalog>> endobj\n\x7f\x1a\0"s, ""},
        {"sheet.csv", "STATE,MODE,,160m\r\nAlabama,CW,,\r\n", ""},
        {"empty.adi", "", ""},
        {"odd.adi", "<a b:1>x", " on  at : ERROR: Unfinished last record not read\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(path(c.name), c.bytes);
        write_file(path("old.csv"), "old spreadsheet");
        write_file(path("old.svg"), "old map");
        const CliRun alone = run({"--map", path("old.svg"), path(c.name), path("old.csv")});
        EXPECT_EQ(1, alone.code);
        EXPECT_EQ(c.out, alone.out);
        EXPECT_EQ(path(c.name) + ": no ADIF data found; is it an ADIF log?\n", alone.err);
        EXPECT_EQ("old spreadsheet", read_file(path("old.csv")));
        EXPECT_EQ("old map", read_file(path("old.svg")));

        write_file(path("good.adi"), ONE_CONTACT);
        write_file(path("bad.adi"), "<CALL:4>K1AB <EOR> <FOO:1>x");
        const CliRun among =
            run({"-o", path("old.csv"), path("good.adi"), path(c.name), path("bad.adi")});
        EXPECT_EQ(1, among.code);
        EXPECT_EQ(path(c.name) + ": no ADIF data found; is it an ADIF log?\n", among.err);
        EXPECT_EQ(c.out.empty() ? "" : path(c.name) + ": " + c.out, among.out);
        EXPECT_EQ("old spreadsheet", read_file(path("old.csv")));
    }
}

// The demo log written on one line, with a record too large to keep, a long line of junk inside
// a record, a Ctrl-Z in a value, or a field repeated many times gives the demo's spreadsheet.
TEST_F(Cli, DamagedDemoLogsGiveTheDemosSpreadsheet) {
    const std::string demo = read_file(std::string(Q9XZ_SAMPLES) + "/demo.adi");
    ASSERT_EQ(0, run({std::string(Q9XZ_SAMPLES) + "/demo.adi", path("demo.csv")}).code);
    const std::string expected = read_file(path("demo.csv"));
    // `text` put in front of the n-th occurrence of `before` in the demo log.
    auto inserted = [&](const std::string& before, int n, const std::string& text) {
        std::size_t at = 0;
        for (int i = 0; i < n; ++i)
            at = demo.find(before, at + 1);
        std::string log = demo;
        return log.insert(at, text);
    };
    std::string one_line = demo;
    std::erase(one_line, '\r');
    std::erase(one_line, '\n');
    std::string junk;
    while (junk.size() < (2u << 20))
        junk += "junk <not a tag; ";
    std::string repeats;
    for (int i = 0; i < 100000; ++i)
        repeats += "<APP_X:1>x";
    const struct {
        const char* what;
        std::string log;
    } cases[] = {
        {"on one line", one_line},
        {"a record too large", inserted("<CALL:", 20, "<CALL:6>Q9XZ/4 <NOTES:1048577>x <EOR>\r\n")},
        {"a long line of junk in a record", inserted("<BAND:", 30, "\r\n" + junk + "\r\n")},
        {"a Ctrl-Z in a value", inserted("<BAND:", 40,
                                         "<COMMENT:3>a\x1a"
                                         "b ")},
        {"a field repeated", inserted("<BAND:", 50, repeats)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(path("damaged.adi"), c.log);
        EXPECT_EQ(0, run({path("damaged.adi"), path("damaged.csv")}).code);
        EXPECT_TRUE(read_file(path("damaged.csv")) == expected);
    }
}

// The demo log under each choice, compared whole with the saved output, in two time zones.
TEST_F(Cli, DemoLogMatchesGoldenFiles) {
    const char* old_zone = std::getenv("TZ");
    const std::string saved = old_zone ? old_zone : "";
    for (const char* zone : {"UTC", "America/New_York"}) {
        setenv("TZ", zone, 1);
        tzset();
        for (const std::string choice : {"first", "last", "lotw"}) {
            std::vector<std::string> arguments{std::string(Q9XZ_SAMPLES) + "/demo.adi",
                                               path("OUT.CSV")};
            if (choice != "last")
                arguments.insert(arguments.begin(), choice == "first" ? "-f" : "-l");
            CliRun result = run(arguments);
            ASSERT_EQ(0, result.code) << result.err;
            const std::size_t at = result.out.find(path("OUT.CSV"));
            ASSERT_NE(std::string::npos, at);
            result.out.replace(at, path("OUT.CSV").size(), "OUT.CSV");
            const std::string golden = std::string(Q9XZ_TEST_DATA) + "/golden/demo-" + choice;
            EXPECT_EQ(read_file(golden + ".txt"), result.out) << zone << " " << choice;
            EXPECT_EQ(read_file(golden + ".csv"), read_file(path("OUT.CSV")))
                << zone << " " << choice;
        }
    }
    if (old_zone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

// A log on standard input converts as the same log from a file does, and is named in words.
TEST_F(Cli, DashReadsTheLogFromStandardInput) {
    const std::string demo = std::string(Q9XZ_SAMPLES) + "/demo.adi";
    write_file(path("other.adi"), "<CALL:4>K1AB<QSO_DATE:8>20140105<EOR>\n");
    const auto from = [&](const std::string& log, std::vector<std::string> arguments) {
        std::FILE* input = std::fopen(log.c_str(), "rb");
        EXPECT_NE(nullptr, input) << log;
        std::ostringstream out, err;
        const int code = run_cli(arguments, out, err, input);
        return CliRun{code, out.str(), err.str()};
    };
    const CliRun file = run({demo, path("file.csv")});
    const CliRun piped = from(demo, {"-", path("piped.csv")});
    EXPECT_EQ(0, piped.code) << piped.err;
    EXPECT_EQ(read_file(path("file.csv")), read_file(path("piped.csv")));
    EXPECT_EQ(file.out.substr(0, file.out.find("Wrote")),
              piped.out.substr(0, piped.out.find("Wrote")));

    const struct {
        std::string log; // on standard input
        std::vector<std::string> arguments;
        std::string out_start, err;
    } cases[] = {
        {path("other.adi"),
         {"-", path("out.csv")},
         " 0 state(s)",
         "(standard input): no 2014 Q9XZ contact went into the spreadsheet\n"},
        {path("other.adi"),
         {"-o", path("out.csv"), path("other.adi"), "-"},
         " 0 state(s)",
         path("other.adi") +
             ", (standard input): no 2014 Q9XZ contact went into the spreadsheet\n"},
        {demo,
         {"-o", path("out.csv"), "-", path("other.adi")},
         "(standard input): Q9XZ/8 on 20140105 at 1200: Duplicate field: <STATE:2>MI\n",
         ""},
        // Named twice, it is read once, as one log: no name prefixes.
        {demo,
         {"-o", path("out.csv"), "-", "-"},
         "Q9XZ/8 on 20140105 at 1200: Duplicate field: <STATE:2>MI\n",
         "- is named twice; it is read once\n"},
    };
    for (const auto& c : cases) {
        const CliRun result = from(c.log, c.arguments);
        EXPECT_EQ(0, result.code);
        EXPECT_EQ(0u, result.out.find(c.out_start)) << result.out;
        EXPECT_EQ(c.err, result.err);
    }

    // The file standard input comes from is a log like any named one, even under another name
    // and with no tag near its start: never the spreadsheet or the map.
    const std::string long_preamble = std::string(70000, '.') + "\n" + ONE_CONTACT;
    write_file(path("log.txt"), long_preamble);
    // Where the system makes no symbolic links (Wine), the row through a link is left out.
    std::error_code no_links;
    fs::create_symlink(path("log.txt"), path("link.csv"), no_links);
    const struct {
        std::vector<std::string> arguments;
        std::string err;
        bool through_link;
    } refusals[] = {
        {{"-", path("log.txt")},
         "the output names the log itself\nCould not open CSV output file.\n",
         false},
        {{"-o", path("link.csv"), "-"},
         "the output names the log itself\nCould not open CSV output file.\n",
         true},
        {{"-", path("out.csv"), "--map", path("log.txt")},
         "the map names the log itself\nCould not write the map file.\n",
         false},
    };
    for (const auto& c : refusals) {
        if (c.through_link && no_links)
            continue;
        const CliRun result = from(path("log.txt"), c.arguments);
        EXPECT_EQ(1, result.code) << c.err;
        EXPECT_EQ(c.err, result.err);
        EXPECT_EQ(long_preamble, read_file(path("log.txt")));
    }
}

// Control bytes from a log's values or a file's name reach a terminal as escapes, and a file or
// a pipe byte for byte; other bytes (a backslash, tab, UTF-8) pass on either way.
TEST_F(Cli, ControlBytesReachATerminalEscaped) {
#ifdef _WIN32
    // Windows takes no control characters in file names.
    const std::string name = path("log.adi"), escaped_name = name;
#else
    const std::string name = path("log\x1b]0;x\x07.adi");
    const std::string escaped_name = path("log\\x1b]0;x\\x07.adi");
#endif
    write_file(name, "<CALL:6>Q9XZ/4<QSO_DATE:8>20140105<TIME_ON:4>1200<BAND:3>20m<MODE:2>CW"
                     "<STATE:11>\x1b[2J\\\t\x7f\xc3\xa9\x01\x1f <EOR>\n"
                     "<CALL:4>K1AB<EOR>\n");
    for (const bool terminal : {false, true}) {
        std::ostringstream out, err;
        {
            const q9xz::EscapedOnTerminal out_shown(out, terminal);
            const q9xz::EscapedOnTerminal err_shown(err, terminal);
            EXPECT_EQ(0, run_cli({name, path("out.csv")}, out, err));
        }
        const std::string value =
            terminal ? "\\x1b[2J\\\t\\x7f\xc3\xa9\\x01\\x1f" : "\x1b[2J\\\t\x7f\xc3\xa9\x01\x1f";
        EXPECT_EQ(0u,
                  out.str().find("Q9XZ/4 on 20140105 at 1200: [" + value + "] is not a state\n"))
            << terminal << out.str();
        EXPECT_EQ((terminal ? escaped_name : name) +
                      ": no 2014 Q9XZ contact went into the spreadsheet\n",
                  err.str());
    }
}

TEST_F(Cli, VersionIsTheProgramsOwn) {
    const CliRun result = run({"--version"});
    EXPECT_EQ(0, result.code);
    EXPECT_EQ("q9xz-convert 2.6\n", result.out);
}

} // namespace
