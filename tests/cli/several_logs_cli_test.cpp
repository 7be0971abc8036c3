// The converter's form for several logs: `q9xz-convert [-f | -l] -o OUTPUT INPUT...`.

#include "../file_bytes.h"
#include "cli/run_cli.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using q9xz::run_cli;

namespace {

using q9xz::test::read_file;
using q9xz::test::write_file;

// Every file of a folder with its bytes.
std::map<std::string, std::string> folder_contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = read_file(entry.path());
    return files;
}

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

// Runs in a scratch folder, so that logs are named as a user types them.
class SeveralLogs : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("q9xz-logs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        old_dir_ = fs::current_path();
        fs::current_path(dir_);
        setenv("TZ", "UTC", 1);
        write_file("own.adi", OWN);
        write_file("lotw.adi", LOTW);
    }
    void TearDown() override {
        fs::current_path(old_dir_);
        fs::remove_all(dir_);
    }
    static CliRun run(const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        const int code = run_cli(arguments, out, err);
        return {code, out.str(), err.str()};
    }

    // An own log (no PROGRAMID) whose paper-card QSL_RCVD must not count as LoTW, and a LoTW
    // report that confirms its 20m contact; each has one problem.
    static constexpr const char* OWN =
        "Own log <EOH>\n"
        "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140105 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <STATE:2>GA "
        "<QSL_RCVD:1>Y <EOR>\n"
        "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140106 <TIME_ON:4>1300 <BAND:3>40m <MODE:3>SSB <STATE:2>TN "
        "<QSL_RCVD:1>Y <EOR>\n"
        "<CALL:6>Q9XZ/7 <QSO_DATE:8>20140107 <TIME_ON:4>1400 <BAND:3>20m <MODE:2>CW <STATE:2>ZZ "
        "<EOR>\n";
    static constexpr const char* LOTW =
        "ARRL Logbook of the World Status Report\n<PROGRAMID:4>LoTW <EOH>\n"
        "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140105 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW "
        "<QSL_RCVD:1>Y <STATE:2>GA <EOR>\n"
        "<CALL:6>Q9XZ/1 <QSO_DATE:8>20140108 <TIME_ON:4>1500 <BAND:3>99m <MODE:2>CW <STATE:2>ME "
        "<QSL_RCVD:1>Y <EOR>\n";

    fs::path dir_;
    fs::path old_dir_;
};

TEST_F(SeveralLogs, OwnLogAndLoTWReportMakeOneTally) {
    for (const bool report_first : {false, true}) {
        SCOPED_TRACE(report_first ? "report first" : "own log first");
        const std::vector<std::string> logs = report_first
                                                  ? std::vector<std::string>{"lotw.adi", "own.adi"}
                                                  : std::vector<std::string>{"own.adi", "lotw.adi"};
        std::vector<std::string> arguments{"-l", "-o", "both.csv"};
        arguments.insert(arguments.end(), logs.begin(), logs.end());
        const CliRun result = run(arguments);
        ASSERT_EQ(0, result.code) << result.err;
        const std::string own_problem =
            "own.adi: Q9XZ/7 on 20140107 at 1400: [ZZ] is not a state\n";
        const std::string report_problem =
            "lotw.adi: Q9XZ/1 on 20140108 at 1500: Unrecognized BAND 99m\n";
        EXPECT_EQ((report_first ? report_problem + own_problem : own_problem + report_problem) +
                      "\n"
                      " 2 state(s) worked on MIX ( 1 confirmed)\n"
                      " 1 state(s) worked on CW  ( 1 confirmed)\n"
                      " 0 state(s) worked on DIG\n"
                      " 1 state(s) worked on PH \n"
                      "\n"
                      " 1 state(s) worked on  40m\n"
                      " 1 state(s) worked on  20m ( 1 confirmed)\n"
                      "\n"
                      "Not confirmed on MIX (49): AL AK AZ AR CA CO CT DE FL HI ID IL IN IA KS KY\n"
                      "    LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY NC\n"
                      "    ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
                      "    WY\n"
                      "Not confirmed on CW  (49): AL AK AZ AR CA CO CT DE FL HI ID IL IN IA KS KY\n"
                      "    LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY NC\n"
                      "    ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI\n"
                      "    WY\n"
                      "Not confirmed on PH  (50): AL AK AZ AR CA CO CT DE FL GA HI ID IL IN IA KS\n"
                      "    KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM NY\n"
                      "    NC ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV\n"
                      "    WI WY\n"
                      "\n"
                      "Wrote 2 Q9XZ QSOs to both.csv\n"
                      "1 QSOs were confirmed via LoTW\n",
                  result.out);
        const std::string csv = read_file("both.csv");
        EXPECT_NE(std::string::npos, csv.find("Georgia,CW,,,,,,LOTW,"));
        EXPECT_NE(std::string::npos, csv.find("Tennessee,PH,,,,06-Jan,"));
    }
}

TEST_F(SeveralLogs, TwoLogsTallyAsOneLogHoldingBothAndTheMapDrawsThemAll) {
    const std::string first = "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140105 <TIME_ON:4>1200 <BAND:3>20m "
                              "<MODE:2>CW <STATE:2>GA <EOR>\n";
    const std::string second = "<CALL:6>Q9XZ/0 <QSO_DATE:8>20140110 <TIME_ON:4>1200 <BAND:3>40m "
                               "<MODE:3>SSB <STATE:2>IA <EOR>\n";
    write_file("first.adi", first);
    write_file("second.adi", second);
    write_file("together.adi", first + second);
    const CliRun two = run({"-o", "two.csv", "--map", "two.svg", "first.adi", "second.adi"});
    const CliRun one = run({"--map", "one.svg", "together.adi", "one.csv"});
    ASSERT_EQ(0, two.code) << two.err;
    ASSERT_EQ(0, one.code) << one.err;
    EXPECT_EQ(read_file("one.csv"), read_file("two.csv"));
    EXPECT_EQ(read_file("one.svg"), read_file("two.svg"));
    EXPECT_NE(std::string::npos, read_file("two.csv").find("Iowa,PH,,,,10-Jan,"));

    // One log after -o is converted exactly as in the old form.
    const CliRun dashed = run({"-o", "dashed.csv", "own.adi"});
    const CliRun plain = run({"own.adi", "plain.csv"});
    EXPECT_EQ(read_file("plain.csv"), read_file("dashed.csv"));
    EXPECT_EQ(plain.out.substr(0, plain.out.rfind("Wrote")),
              dashed.out.substr(0, dashed.out.rfind("Wrote")));
    EXPECT_EQ(0u, dashed.out.find("Q9XZ/7 on 20140107 at 1400: [ZZ] is not a state\n"));
}

TEST_F(SeveralLogs, RefusalsChangeNothingInTheFolder) {
    write_file("keep.csv", "precious");
    fs::create_directories("folder.adi");
    struct Case {
        std::vector<std::string> arguments;
        int code;
        const char* error; // said on standard error
    };
    const Case cases[] = {
        {{"own.adi", "lotw.adi"},
         2,
         "lotw.adi looks like an ADIF log, not a spreadsheet; to convert several logs into one "
         "spreadsheet, name it with -o OUTPUT"},
        {{"-l", "own.adi", "LOTW.ADIF"},
         2,
         "LOTW.ADIF looks like an ADIF log, not a spreadsheet; to convert several logs into one "
         "spreadsheet, name it with -o OUTPUT"},
        {{"own.adi", "Report.ADX"},
         2,
         "Report.ADX looks like an ADIF log, not a spreadsheet; to convert several logs into one "
         "spreadsheet, name it with -o OUTPUT"},
        {{"own.adi", "lotw.adi", "keep.csv"}, 2, "Usage: q9xz-convert"},
        {{"-o", "keep.csv"}, 2, "Usage: q9xz-convert"},
        {{"-o", "keep.csv", "own.adi", "-o", "new.csv"}, 2, "Usage: q9xz-convert"},
        {{"own.adi", "-o"}, 2, "Usage: q9xz-convert"},
        {{"-o", "keep.csv", "own.adi", "missing.adi"}, 1, "Could not open ADIF input file."},
        {{"-o", "new.csv", "folder.adi", "own.adi"}, 1, "Could not open ADIF input file."},
        {{"-o", "lotw.adi", "own.adi", "lotw.adi"}, 1, "Could not open CSV output file."},
        {{"-o", "./own.adi", "own.adi"}, 1, "Could not open CSV output file."},
    };
    const auto before = folder_contents(".");
    for (const Case& c : cases) {
        std::string command;
        for (const std::string& argument : c.arguments)
            command += argument + " ";
        SCOPED_TRACE(command);
        const CliRun result = run(c.arguments);
        EXPECT_EQ(c.code, result.code);
        EXPECT_EQ("", result.out);
        EXPECT_NE(std::string::npos, result.err.find(c.error)) << result.err;
        EXPECT_EQ(before, folder_contents("."));
    }
}

// A log named again, in any spelling of its path, is read once at its first place; the rest is
// converted as if it had been named once.
TEST_F(SeveralLogs, ALogNamedTwiceIsReadOnce) {
    fs::create_directories("sub");
    const struct {
        std::vector<std::string> twice;
        std::vector<std::string> once;
        std::string note;
    } cases[] = {
        {{"-o", "a.csv", "own.adi", "./own.adi"}, {"-o", "b.csv", "own.adi"}, "./own.adi"},
        {{"-l", "-o", "a.csv", "own.adi", "lotw.adi", "sub/../own.adi", "lotw.adi"},
         {"-l", "-o", "b.csv", "own.adi", "lotw.adi"},
         "sub/../own.adi is named twice; it is read once\nlotw.adi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        const CliRun twice = run(c.twice);
        const CliRun once = run(c.once);
        ASSERT_EQ(0, twice.code) << twice.err;
        EXPECT_EQ(c.note + " is named twice; it is read once\n", twice.err);
        EXPECT_EQ(once.out.substr(0, once.out.rfind("Wrote")),
                  twice.out.substr(0, twice.out.rfind("Wrote")));
        EXPECT_EQ(read_file("b.csv"), read_file("a.csv"));
    }
}

TEST_F(SeveralLogs, AReadErrorInAnyLogFailsTheWholeConversion) {
    if (!fs::exists("/proc/self/mem"))
        GTEST_SKIP() << "no /proc/self/mem here";
    write_file("keep.csv", "precious");
    const CliRun result = run({"-o", "keep.csv", "own.adi", "/proc/self/mem", "lotw.adi"});
    EXPECT_EQ(1, result.code);
    // The logs after the failed one are not read.
    EXPECT_EQ("own.adi: Q9XZ/7 on 20140107 at 1400: [ZZ] is not a state\n"
              "/proc/self/mem: ERROR: Could not read the whole ADIF input file.\n\n",
              result.out);
    // The system's reason: "Input/output error" on Linux, another one under Wine.
    EXPECT_EQ(0u, result.err.find("/proc/self/mem: "));
    EXPECT_TRUE(result.err.ends_with("\nCould not read ADIF input file.\n")) << result.err;
    EXPECT_EQ("precious", read_file("keep.csv"));
}

} // namespace
