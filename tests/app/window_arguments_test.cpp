#include "app/fltk/window_arguments.h"

#include <gtest/gtest.h>
#include <sstream>

namespace q9xz {
namespace {

using Action = WindowArguments::Action;

TEST(WindowArguments, SwitchesAndLogs) {
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        Choice choice;
        std::vector<std::string> logs;
    };
    const Case cases[] = {
        {{}, Action::OPEN, Choice::LAST, {}},
        {{"-f"}, Action::OPEN, Choice::FIRST, {}},
        {{"-L", "log.adi"}, Action::OPEN, Choice::LOTW, {"log.adi"}},
        // LoTW wins over First in either order.
        {{"-l", "-f"}, Action::OPEN, Choice::LOTW, {}},
        {{"-f", "-l"}, Action::OPEN, Choice::LOTW, {}},
        // A log name is never a switch, whatever letters it holds.
        {{"my-log.adi", "x-f"}, Action::OPEN, Choice::LAST, {"my-log.adi", "x-f"}},
        {{"--", "-l.adi", "--", "-f"}, Action::OPEN, Choice::LAST, {"-l.adi", "--", "-f"}},
        {{"-"}, Action::OPEN, Choice::LAST, {"-"}},
        // Options may follow the logs; the logs keep their order; an empty name is no file.
        {{"b.adi", "", "a.adi", "-f"}, Action::OPEN, Choice::FIRST, {"b.adi", "a.adi"}},
        {{"-l", "--help"}, Action::HELP, Choice::LOTW, {}},
        {{"-h"}, Action::HELP, Choice::LAST, {}},
        {{"--version", "log.adi"}, Action::VERSION, Choice::LAST, {"log.adi"}},
        {{"--", "--version"}, Action::OPEN, Choice::LAST, {"--version"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const WindowArguments parsed = parse_window_arguments(c.arguments);
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(parsed.choice, c.choice);
        EXPECT_EQ(parsed.logs, c.logs);
    }
}

TEST(WindowArguments, UnknownOptionsAreWrongUsage) {
    // Bundled or long spellings are not switches of this program; a dash-led log needs "--".
    for (const char* wrong : {"-x", "-F", "-fl", "--lotw", "-l.adi", "--help=1", "---"}) {
        SCOPED_TRACE(wrong);
        const WindowArguments parsed = parse_window_arguments({"log.adi", wrong, "-f"});
        EXPECT_EQ(parsed.action, Action::WRONG);
        EXPECT_EQ(parsed.wrong, wrong);
    }
}

TEST(WindowArguments, AnswersWithoutWindow) {
    struct Case {
        std::vector<std::string> arguments;
        std::optional<int> status;
        std::string out;
        std::string err;
    };
    const std::string usage = "Usage: q9xz [-f | -l] [LOG...]\n";
    const Case cases[] = {
        {{"-l", "log.adi"}, std::nullopt, "", ""},
        {{"--version"}, 0, std::string("q9xz ") + Q9XZ_VERSION_TEXT + "\n", ""},
        {{"-x", "log.adi"},
         2,
         "",
         "q9xz: unknown option '-x'\n" + usage + "Try 'q9xz --help' for more.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        std::ostringstream out, err;
        EXPECT_EQ(answer_without_window(parse_window_arguments(c.arguments), out, err), c.status);
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
    std::ostringstream out, err;
    EXPECT_EQ(answer_without_window(parse_window_arguments({"--help"}), out, err), 0);
    EXPECT_TRUE(out.str().starts_with(usage)) << out.str();
    EXPECT_EQ(err.str(), "");
}

} // namespace
} // namespace q9xz
