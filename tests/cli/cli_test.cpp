#include "cli/run_cli.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using q9xz::run_cli;

namespace {

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

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

TEST_F(Cli, WrongUsageGoesToStandardErrorWithCode2) {
    for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{
             {}, {"-x", "log.adi"}, {"--map"}, {"a", "b", "c"}, {"-f"}, {"--", "-l"}}) {
        if (arguments == std::vector<std::string>{"--", "-l"})
            continue; // "-l" after "--" is a file name: checked below
        const CliRun result = run(arguments);
        EXPECT_EQ(2, result.code);
        EXPECT_EQ("", result.out);
        EXPECT_EQ(0u, result.err.find("Usage: q9xz-convert"));
    }
    const CliRun help = run({"--help"});
    EXPECT_EQ(0, help.code);
    EXPECT_EQ(0u, help.out.find("Usage: q9xz-convert"));
    EXPECT_EQ(0, run({"-h"}).code);
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

TEST_F(Cli, UnreadableLogLeavesTheSpreadsheetAlone) {
    write_file(path("keep.CSV"), "precious");
    fs::create_directories(dir_ / "folder.adi");
    for (const std::string& input : {path("missing.adi"), path("folder.adi")}) {
        const CliRun result = run({input, path("keep.CSV")});
        EXPECT_EQ(1, result.code);
        EXPECT_EQ("", result.out);
        EXPECT_EQ("Could not open ADIF input file.\n", result.err);
        EXPECT_EQ("precious", read_file(path("keep.CSV")));
    }
}

TEST_F(Cli, OutputThatIsTheLogIsRefused) {
    write_file(path("log.CSV"), ONE_CONTACT);
    const CliRun result = run({path("log.CSV")});
    EXPECT_EQ(1, result.code);
    EXPECT_EQ("Could not open CSV output file.\n", result.err);
    EXPECT_EQ(ONE_CONTACT, read_file(path("log.CSV")));

    write_file(path("log.adi"), ONE_CONTACT);
    const CliRun unwritable = run({path("log.adi"), path("no/such/folder/out.csv")});
    EXPECT_EQ(1, unwritable.code);
    EXPECT_EQ("Could not open CSV output file.\n", unwritable.err);
}

TEST_F(Cli, FullDiskIsAnErrorNotASuccess) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    write_file(path("log.adi"), ONE_CONTACT);
    const CliRun result = run({path("log.adi"), "/dev/full"});
    EXPECT_EQ(1, result.code);
    EXPECT_EQ("Could not write CSV output file.\n", result.err);
    EXPECT_NE(std::string::npos, result.out.find(" 1 state(s) worked on MIX\n"));
    EXPECT_EQ(std::string::npos, result.out.find("Wrote"));
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
