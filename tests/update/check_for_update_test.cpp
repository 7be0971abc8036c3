// The update check's logic against a scripted HTTP client and in-memory files: the order of the
// calls and releases, what each failure shows, and that nothing but a whole, checked download
// ever takes the program file's place.
#include "app/update/check_for_update.h"
#include "fake_desktop.h"
#include "fake_http.h"
#include "memory_files.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

namespace q9xz::test {
namespace {

constexpr char VERSION[] = "Q9XZ/version.txt";
constexpr char PROGRAM[] = "Q9XZ/Q9XZ.exe";
// The SHA-256 of "newexe", the program file the fake server offers.
constexpr char NEWEXE_SHA256[] = "b112d048e767237800da5c7b85782fb3c1f6f4893e65e7cb7d29f2629be031d0";

using Files = std::map<std::string, std::string>;

// A failure box in this platform's words: the program's own texts on Windows, plain words
// about the server elsewhere.
ShownBox failure_box([[maybe_unused]] const std::string& plain,
                     [[maybe_unused]] const std::string& windows) {
#ifdef _WIN32
    return error_box(windows);
#else
    return error_box(plain);
#endif
}

const std::string DOWNLOAD_PAGE = "https://updates.test/download.html";

// The fakes, set up for a server that offers "2.7" with the digest of a six-byte program file,
// and a program file in a folder other than the current one.
struct Rig {
    Rig() {
        files.files["prog/Q9XZ.exe"] = "old";
        http.responses[VERSION].blocks = {"2.7\r\n", std::string("sha256 ") + NEWEXE_SHA256};
        http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n";
        http.responses[PROGRAM].blocks = {"new", "exe"};
    }

    void run(UpdateAction action = UpdateAction::REPLACE_PROGRAM) {
        check_for_update(
            {desktop, http, files, header_log, "prog/Q9XZ.exe", action, DOWNLOAD_PAGE},
            {"updates.test", 8443, {std::chrono::seconds(2), 512, std::chrono::seconds(3)}}, "2.6");
    }

    std::vector<std::string> releases() const {
        std::vector<std::string> found;
        for (const std::string& call : http.calls)
            if (call.starts_with("close "))
                found.push_back(call);
        return found;
    }

    std::ptrdiff_t position(const std::string& call) const {
        return std::find(http.calls.begin(), http.calls.end(), call) - http.calls.begin();
    }

    FakeDesktop desktop;
    FakeHttp http;
    MemoryFiles files;
    std::ostringstream header_log;
};

class CheckForUpdate : public ::testing::Test, protected Rig {};

TEST_F(CheckForUpdate, AcceptedUpdateMakesTheCallsInOrder) {
    http.responses[VERSION].headers = "HTTP/1.1 200 OK\r\nServer: test\r\n\r\n";
    desktop.answers = {MessageAnswer::YES};
    const auto started = std::chrono::steady_clock::now();
    run();
    const auto ended = std::chrono::steady_clock::now();
    // The version check has its deadline, counted from its start; the download keeps only the
    // transfer limits.
    const std::vector<std::string> expected = {
        "open_internet WinInetGet/0.1 2s 512B/3s -> 1",
        "connect 1 updates.test:8443 -> 2",
        "open_GET_request 2 Q9XZ/version.txt by deadline -> 3",
        "send 3",
        "raw_headers 3",
        "bytes_available 3",
        "read 3 5",
        "bytes_available 3",
        "read 3 71",
        "bytes_available 3",
        "read 3 0",
        "close 3",
        "open_GET_request 2 Q9XZ/Q9XZ.exe -> 4",
        "send 4",
        "raw_headers 4",
        "bytes_available 4",
        "read 4 3",
        "bytes_available 4",
        "read 4 3",
        "bytes_available 4",
        "read 4 0",
        "close 4",
        "close 1",
    };
    EXPECT_EQ(http.calls, expected);
    EXPECT_GE(http.deadlines[VERSION], started + UPDATE_CHECK_DEADLINE);
    EXPECT_LE(http.deadlines[VERSION], ended + UPDATE_CHECK_DEADLINE);
    EXPECT_EQ(desktop.boxes, (std::vector{question_box("2.7"), complete_box()}));
    EXPECT_EQ(files.files, (Files{{"prog/Q9XZ.exe", "newexe"}, {"prog/Q9XZ.~xe", "old"}}));
    // Downloaded beside the program, put on the disk, and swapped in only once whole.
    EXPECT_EQ(files.log,
              (std::vector<std::string>{"create prog/Q9XZ.~dl", "flush prog/Q9XZ.~dl",
                                        "close prog/Q9XZ.~dl", "rename prog/Q9XZ.exe prog/Q9XZ.~xe",
                                        "rename prog/Q9XZ.~dl prog/Q9XZ.exe"}));
    EXPECT_EQ(header_log.str(), "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n\n");
}

// Every way out releases the current request, then the root; the connection goes with the
// root. The version request is released before the program file is asked for.
TEST_F(CheckForUpdate, ReleasesTheCurrentRequestThenTheRoot) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        bool second_request;
    };
    const auto yes = [](Rig& t) { t.desktop.answers = {MessageAnswer::YES}; };
    const Case cases[] = {
        {"first send fails", [](auto& t) { t.http.responses[VERSION].send_failure = REFUSED; },
         false},
        {"version headers unreadable",
         [](auto& t) { t.http.responses[VERSION].header_failure = NO_HEADERS; }, false},
        {"version not found",
         [](auto& t) { t.http.responses[VERSION].headers = "HTTP/1.1 404 Not Found\r\n\r\n"; },
         false},
        {"answer unreadable", [](auto& t) { t.http.responses[VERSION].blocks.clear(); }, false},
        {"up to date", [](auto& t) { t.http.responses[VERSION].blocks = {"2.6"}; }, false},
        {"answered no", [](auto& t) { t.desktop.answers = {MessageAnswer::NO}; }, false},
        {"second send fails",
         [&](auto& t) {
             yes(t);
             t.http.responses[PROGRAM].send_failure = REFUSED;
         },
         true},
        {"program headers unreadable",
         [&](auto& t) {
             yes(t);
             t.http.responses[PROGRAM].header_failure = NO_HEADERS;
         },
         true},
        {"program not found",
         [&](auto& t) {
             yes(t);
             t.http.responses[PROGRAM].headers = "HTTP/1.1 404 Not Found\r\n\r\n";
         },
         true},
        {"rename fails",
         [&](auto& t) {
             yes(t);
             t.files.files.clear();
         },
         true},
        {"download fails",
         [&](auto& t) {
             yes(t);
             t.http.responses[PROGRAM].read_fails_at = 1;
         },
         true},
        {"download complete", yes, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        c.setup(t);
        t.run();
        if (c.second_request) {
            EXPECT_EQ(t.releases(), (std::vector<std::string>{"close 3", "close 4", "close 1"}));
            EXPECT_LT(t.position("close 3"), t.position("open_GET_request 2 Q9XZ/Q9XZ.exe -> 4"));
        } else {
            EXPECT_EQ(t.releases(), (std::vector<std::string>{"close 3", "close 1"}));
        }
    }
}

// A failure is never followed by a "most recent version" or a download: each ends the command
// with its own box, which says what happened in this platform's words. The kind of failure and
// the system's message decide the plain text, whatever the step; Windows keeps its texts of
// each step with WinInet's number.
TEST_F(CheckForUpdate, FailuresEndTheCommandWithTheirBox) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        std::vector<ShownBox> boxes;
    };
    const auto send_fails = [](const HttpFailure& failure) {
        return [failure](Rig& t) { t.http.responses[VERSION].send_failure = failure; };
    };
    const Case cases[] = {
        {"name not resolved",
         send_fails(NAME_UNKNOWN),
         {failure_box("Could not reach the update server updates.test: the name could not be "
                      "resolved.",
                      "HttpSendRequest failed, error = 12007d (0x12007x)\n")}},
        {"connection refused",
         send_fails(REFUSED),
         {failure_box("Could not reach the update server updates.test: connection refused.",
                      "HttpSendRequest failed, error = 12029d (0x12029x)\n")}},
        {"certificate expired",
         send_fails(EXPIRED),
         {failure_box("The update server updates.test could not be trusted: certificate has "
                      "expired.",
                      "HttpSendRequest failed, error = 12037d (0x12037x)\n")}},
        {"no answer in time",
         send_fails(TIMED_OUT),
         {failure_box("The update server updates.test did not answer in time.",
                      "HttpSendRequest failed, error = 12002d (0x12002x)\n")}},
        {"version headers unreadable",
         [](auto& t) { t.http.responses[VERSION].header_failure = NO_HEADERS; },
         {failure_box("The update server's answer could not be read.",
                      "HttpQueryInfo failed, error = 12150 (0x12150x)\n")}},
        {"program headers unreadable",
         [](auto& t) {
             t.desktop.answers = {MessageAnswer::YES};
             t.http.responses[PROGRAM].header_failure = NO_HEADERS;
         },
         {question_box("2.7"), failure_box("The update server's answer could not be read.",
                                           "HttpQueryInfo failed, error = 12150 (0x12150x)\n")}},
        {"no status line",
         [](auto& t) { t.http.responses[VERSION].headers = "\r\n"; },
         {unreadable_box()}},
        {"version read times out",
         [](auto& t) {
             t.http.responses[VERSION].read_fails_at = 0;
             t.http.responses[VERSION].read_failure = TIMED_OUT;
         },
         {failure_box("The update server updates.test did not answer in time.",
                      "(1) InternetReadFile failed, error = 12002 (0x12002x)\n")}},
        {"answer broke off",
         [](auto& t) {
             t.http.responses[VERSION].blocks = {"2.7"};
             t.http.responses[VERSION].available_fails_at_end = true;
         },
         {failure_box("Could not reach the update server updates.test: connection reset by peer.",
                      "The update server's answer could not be read.")}},
        {"empty body",
         [](auto& t) { t.http.responses[VERSION].blocks.clear(); },
         {unreadable_box()}},
        {"redirect",
         [](auto& t) {
             t.http.responses[VERSION].headers =
                 "HTTP/1.1 301 Moved\r\nLocation: http://updates.test/Q9XZ/version.txt\r\n\r\n";
         },
         {failure_box("The update server updates.test answered with status 301.",
                      "The update server answered with status 301.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        c.setup(t);
        t.run();
        EXPECT_EQ(t.desktop.boxes, c.boxes);
        EXPECT_TRUE(t.files.log.empty());
    }
}

// The whole answer is read, however it is cut into blocks; its first line is the version, an
// optional second line the digest.
TEST_F(CheckForUpdate, VersionAnswerIsReadWhole) {
    enum Outcome { OFFERED, UP_TO_DATE, UNREADABLE };
    struct Case {
        std::vector<std::string> blocks;
        Outcome outcome;
        std::string offered = "2.7";
    };
    const std::string hex = NEWEXE_SHA256;
    std::string upper = hex;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const Case cases[] = {
        {{"2.", "7"}, OFFERED},
        {{"2.7", "\r\n"}, OFFERED},
        {{"2.7\r\nsha256 " + hex + "\r\n"}, OFFERED},
        {{"2.7\nsha256 " + upper}, OFFERED},
        {{"2.7\nsha25", "6 " + hex.substr(0, 30), hex.substr(30) + "\r"}, OFFERED},
        {{"2.7\r\nsomething else\r\n"}, OFFERED}, // not a digest line: ignored
        {{"2.6\r\nsha256 " + hex}, UP_TO_DATE},
        {{"2.10\r\n"}, UP_TO_DATE},
        {{"3.0123456789abcdefgh"}, OFFERED, "3.0123456789abc"}, // 15 characters kept
        {{"3.0\rjunk\n"}, OFFERED, "3.0"},
        {{std::string("2.7\0 9", 6)}, OFFERED},
        {{"\xE9t\xE9"}, OFFERED, "\xE9t\xE9"},            // bytes compare unsigned: above any digit
        {{"2.7\r\nsha256 " + hex.substr(1)}, UNREADABLE}, // 63 digits
        {{"2.7\r\nsha256 " + hex + "0"}, UNREADABLE},     // 65 digits
        {{"2.7\r\nsha256  " + hex}, UNREADABLE},          // two spaces
        {{"2.7\r\nsha256:" + hex}, UNREADABLE},           // no space
        {{"2.7\r\nsha256 " + hex.substr(1) + "g"}, UNREADABLE}, // not hex
        {{"2.7\r\nsha256 " + hex + " \r\n"}, UNREADABLE},       // trailing blank
        {{"\r\n2.7\r\n"}, UNREADABLE},                          // no version text
        {{""}, UNREADABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.blocks));
        Rig t;
        t.http.responses[VERSION].blocks = c.blocks;
        t.run();
        const ShownBox expected = c.outcome == OFFERED      ? question_box(c.offered)
                                  : c.outcome == UP_TO_DATE ? up_to_date_box()
                                                            : unreadable_box();
        EXPECT_EQ(t.desktop.boxes, std::vector{expected});
    }
}

TEST_F(CheckForUpdate, AnswerIsReadUpToFourKilobytes) {
    http.responses[VERSION].blocks = {"2.7\r\n" + std::string(5000, 'x')};
    run();
    EXPECT_EQ(desktop.boxes, std::vector{question_box("2.7")});
    EXPECT_EQ(http.calls[6], "read 3 4096");
    EXPECT_EQ(position("bytes_available 3"), 5); // asked once: the answer was full
}

// Nothing but a whole download, of the announced length and with the announced digest, takes
// the program file's place; otherwise the download is removed and the folder is as before.
TEST_F(CheckForUpdate, IncompleteOrWrongDownloadChangesNothing) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        std::vector<ShownBox> boxes;
    };
    const auto failed = [](std::optional<ShownBox> read_failure = std::nullopt) {
        std::vector<ShownBox> boxes{question_box("2.7")};
        if (read_failure)
            boxes.push_back(*read_failure);
        boxes.push_back(download_failed_box());
        return boxes;
    };
    const Case cases[] = {
        {"read fails",
         [](auto& t) {
             t.http.responses[PROGRAM].read_fails_at = 1;
             t.http.responses[PROGRAM].read_failure = TIMED_OUT;
         },
         failed(failure_box("The update server updates.test did not answer in time.",
                            "(3) InternetReadFile failed, error = 12002d (0x12002x)\n"))},
        {"transfer broke off",
         [](auto& t) { t.http.responses[PROGRAM].available_fails_at_end = true; },
         failed(failure_box(
             "Could not reach the update server updates.test: connection reset by peer.",
             "(3) InternetReadFile failed, error = 12030d (0x12030x)\n"))},
        {"shorter than announced",
         [](auto& t) {
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\ncontent-length: 7\r\n\r\n";
         },
         failed()},
        {"longer than announced",
         [](auto& t) {
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
         },
         failed()},
        {"empty body",
         [](auto& t) {
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\n\r\n";
             t.http.responses[PROGRAM].blocks.clear();
         },
         failed()},
        {"digest differs",
         [](auto& t) {
             t.http.responses[PROGRAM].blocks = {"new", "exf"};
         },
         failed()},
        {"cut short without a length",
         [](auto& t) {
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\n\r\n";
             t.http.responses[PROGRAM].blocks = {"new"};
         },
         failed()},
        {"neither length nor digest",
         [](auto& t) {
             t.http.responses[VERSION].blocks = {"2.7"};
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\n\r\n";
         },
         failed()},
        {"disk full", [](auto& t) { t.files.writes_fail = true; }, failed()},
        {"not put on the disk", [](auto& t) { t.files.flush_fails = true; }, failed()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        t.desktop.answers = {MessageAnswer::YES};
        c.setup(t);
        t.run();
        EXPECT_EQ(t.desktop.boxes, c.boxes);
        EXPECT_EQ(t.files.files, (Files{{"prog/Q9XZ.exe", "old"}}));
        for (const std::string& step : t.files.log)
            EXPECT_FALSE(step.starts_with("rename")) << step;
    }
}

TEST_F(CheckForUpdate, ProgramFileThatCannotBeReplacedStaysInPlace) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        ShownBox box;
        Files after;
    };
    const Case cases[] = {
        {"download not created", [](auto& t) { t.files.creation_fails = true; },
         error_box("Unable to open output file prog/Q9XZ.exe"),
         Files{{"prog/Q9XZ.exe", "old"}, {"prog/Q9XZ.~xe", "older"}}},
        {"no program file", [](auto& t) { t.files.files.erase("prog/Q9XZ.exe"); },
         error_box("Unable to rename prog/Q9XZ.exe"), Files{{"prog/Q9XZ.~xe", "older"}}},
        {"download not moved into place",
         [](auto& t) { t.files.rename_fails_from = "prog/Q9XZ.~dl"; },
         error_box("Unable to open output file prog/Q9XZ.exe"),
         // The backup of the earlier update was given up for this one.
         Files{{"prog/Q9XZ.exe", "old"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        t.files.files["prog/Q9XZ.~xe"] = "older";
        t.desktop.answers = {MessageAnswer::YES};
        c.setup(t);
        t.run();
        EXPECT_EQ(t.desktop.boxes, (std::vector{question_box("2.7"), c.box}));
        EXPECT_EQ(t.files.files, c.after);
    }
}

TEST_F(CheckForUpdate, DigestAloneTellsAWholeDownload) {
    http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\n\r\n";
    desktop.answers = {MessageAnswer::YES};
    run();
    EXPECT_EQ(desktop.boxes, (std::vector{question_box("2.7"), complete_box()}));
    EXPECT_EQ(files.files["prog/Q9XZ.exe"], "newexe");
}

// Where a package manager installs the program, a newer version only opens the download page.
TEST_F(CheckForUpdate, DownloadPageInsteadOfReplacing) {
    for (MessageAnswer answer : {MessageAnswer::YES, MessageAnswer::NO}) {
        Rig t;
        t.desktop.answers = {answer};
        t.run(UpdateAction::OPEN_DOWNLOAD_PAGE);
        EXPECT_EQ(t.desktop.boxes, std::vector{download_page_box("2.7")});
        EXPECT_EQ(t.desktop.opened, answer == MessageAnswer::YES
                                        ? std::vector<std::string>{DOWNLOAD_PAGE}
                                        : std::vector<std::string>{});
        EXPECT_TRUE(t.files.log.empty());
        EXPECT_EQ(t.releases(), (std::vector<std::string>{"close 3", "close 1"}));
    }
    {
        Rig t;
        t.desktop.answers = {MessageAnswer::YES};
        t.desktop.opens = false;
        t.run(UpdateAction::OPEN_DOWNLOAD_PAGE);
        EXPECT_EQ(t.desktop.boxes, (std::vector{download_page_box("2.7"),
                                                error_box("Could not open " + DOWNLOAD_PAGE +
                                                          ": no web browser was found.")}));
    }
    Rig t;
    t.http.responses[VERSION].blocks = {"2.6"};
    t.run(UpdateAction::OPEN_DOWNLOAD_PAGE);
    EXPECT_EQ(t.desktop.boxes, std::vector{up_to_date_box()});
}

TEST(Beside, NamesAFileInTheSameFolder) {
    EXPECT_EQ(beside("C:\\Program Files\\Q9XZ\\Q9XZ.exe", "Q9XZ.~xe"),
              "C:\\Program Files\\Q9XZ\\Q9XZ.~xe");
    EXPECT_EQ(beside("/opt/q9xz/Q9XZ.exe", "Q9XZ.~dl"), "/opt/q9xz/Q9XZ.~dl");
    EXPECT_EQ(beside("Q9XZ.exe", "Q9XZ.~xe"), "Q9XZ.~xe");
}

} // namespace
} // namespace q9xz::test
