#include "../file_bytes.h"
#include "cli/run_cli.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
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
              "Wrote 1 Q9XZ QSOs to " +
                  path("my.logs/station.CSV") + "\n",
              result.out);
}

// Every refusal and failure says why, leaves the log and the old spreadsheet byte for byte as
// they were, and leaves no temporary file behind.
TEST_F(Cli, FilesThatCannotBeUsedAreReportedAndNothingChanges) {
    write_file(path("log.adi"), ONE_CONTACT);
    write_file(path("keep.CSV"), "precious");
    fs::create_directories(dir_ / "folder.adi");
    const std::string no_folder = path("no/such/folder/out.csv");
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
        {{"-o", path("folder.adi"), path("log.adi")},
         path("folder.adi") + ": is a folder\nCould not open CSV output file.\n"},
        {{path("log.adi"), no_folder},
         no_folder + ": No such file or directory\nCould not open CSV output file.\n"},
        {{path("log.adi"), ""}, ": No such file or directory\nCould not open CSV output file.\n"},
        // The map is an output like the spreadsheet, refused before anything is written.
        {{"--map", path("log.adi"), path("log.adi"), path("keep.CSV")},
         "the map names the log itself\nCould not write the map file.\n"},
        {{path("log.adi"), path("keep.CSV"), "--map", path("./keep.CSV")},
         "the map names the spreadsheet\nCould not write the map file.\n"},
        {{path("log.adi"), path("keep.CSV"), "--map", no_folder},
         no_folder + ": No such file or directory\nCould not write the map file.\n"},
    };
    for (const auto& c : cases) {
        const CliRun result = run(c.arguments);
        EXPECT_EQ(1, result.code) << c.err;
        EXPECT_EQ("", result.out);
        EXPECT_EQ(c.err, result.err);
        EXPECT_EQ(ONE_CONTACT, read_file(path("log.adi")));
        EXPECT_EQ("precious", read_file(path("keep.CSV")));
    }
    // The map named like the spreadsheet that the log's name proposes, new or there.
    for (const char* old_sheet : {"", "old sheet"}) {
        if (*old_sheet)
            write_file(path("log.CSV"), old_sheet);
        const CliRun proposed = run({path("log.adi"), "--map", path("log.CSV")});
        EXPECT_EQ("the map names the spreadsheet\nCould not write the map file.\n", proposed.err);
        EXPECT_EQ(old_sheet, read_file(path("log.CSV")));
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_))
        ++files;
    EXPECT_EQ(4u, files); // log.adi, keep.CSV, folder.adi, log.CSV
}

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
                                    std::string("\x7f"
                                                "ELF binary, no ADIF at all\n")}) {
        write_file(path("other.adi"), text);
        const CliRun result = run({path("other.adi")});
        EXPECT_EQ(0, result.code);
        EXPECT_EQ(path("other.adi") + ": no 2014 Q9XZ contact went into the spreadsheet\n",
                  result.err);
        EXPECT_EQ(0u, result.out.find(" 0 state(s) worked on MIX\n"));
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

TEST_F(Cli, VersionIsTheProgramsOwn) {
    const CliRun result = run({"--version"});
    EXPECT_EQ(0, result.code);
    EXPECT_EQ("q9xz-convert 2.6\n", result.out);
}

} // namespace
