// The update check's logic against a scripted HTTP client and in-memory files: the order of the
// calls and releases, and what each failure shows and leaves behind.
#include "app/update/check_for_update.h"
#include "fake_http.h"
#include "fake_toolkit.h"
#include "memory_files.h"

#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace q9xz::test {
namespace {

constexpr char VERSION[] = "Q9XZ/version.txt";
constexpr char PROGRAM[] = "Q9XZ/Q9XZ.exe";

// The fakes, set up for a server that offers "2.7" and a six-byte program file.
struct Rig {
    Rig() {
        files.files["Q9XZ.exe"] = "old";
        http.responses[VERSION].blocks = {"2.7\r\n"};
        http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n";
        http.responses[PROGRAM].blocks = {"new", "exe"};
    }

    void run() {
        check_for_update({toolkit, http, files, header_log}, {"updates.test", 8080}, "2.6");
    }

    std::vector<std::string> releases() const {
        std::vector<std::string> found;
        for (const std::string& call : http.calls) {
            if (call.starts_with("close ")) {
                found.push_back(call);
            }
        }
        return found;
    }

    std::ptrdiff_t position(const std::string& call) const {
        return std::find(http.calls.begin(), http.calls.end(), call) - http.calls.begin();
    }

    FakeToolkit toolkit;
    FakeHttp http;
    MemoryFiles files;
    std::ostringstream header_log;
};

class CheckForUpdate : public ::testing::Test, protected Rig {};

TEST_F(CheckForUpdate, AcceptedUpdateMakesTheCallsInOrder) {
    http.responses[VERSION].headers = "HTTP/1.1 200 OK\r\nServer: test\r\n\r\n";
    toolkit.answers = {MessageAnswer::Yes};
    run();
    const std::vector<std::string> expected = {
        "open_internet WinInetGet/0.1 -> 1",
        "connect 1 updates.test:8080 -> 2",
        "open_GET_request 2 Q9XZ/version.txt -> 3",
        "send 3",
        "raw_headers 3 10", // too small: the client says how much it needs
        "raw_headers 3 34",
        "bytes_available 3",
        "read 3 5",
        "close 3",
        "open_GET_request 2 Q9XZ/Q9XZ.exe -> 4",
        "send 4",
        "raw_headers 4 10",
        "raw_headers 4 39",
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
    EXPECT_EQ(toolkit.boxes, (std::vector{question_box("2.7"), complete_box()}));
    EXPECT_EQ(files.files,
              (std::map<std::string, std::string>{{"Q9XZ.exe", "newexe"}, {"Q9XZ.~xe", "old"}}));
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
    const Case cases[] = {
        {"first send fails", [](auto& t) { t.http.responses[VERSION].send_error = 12029; }, false},
        {"version not found",
         [](auto& t) { t.http.responses[VERSION].headers = "HTTP/1.1 404 Not Found\r\n\r\n"; },
         false},
        {"up to date", [](auto& t) { t.http.responses[VERSION].blocks = {"2.6"}; }, false},
        {"answered no", [](auto& t) { t.toolkit.answers = {MessageAnswer::No}; }, false},
        {"second send fails",
         [](auto& t) {
             t.toolkit.answers = {MessageAnswer::Yes};
             t.http.responses[PROGRAM].send_error = 12029;
         },
         true},
        {"program not found",
         [](auto& t) {
             t.toolkit.answers = {MessageAnswer::Yes};
             t.http.responses[PROGRAM].headers = "HTTP/1.1 404 Not Found\r\n\r\n";
         },
         true},
        {"rename fails",
         [](auto& t) {
             t.toolkit.answers = {MessageAnswer::Yes};
             t.files.files.clear();
         },
         true},
        {"output not created",
         [](auto& t) {
             t.toolkit.answers = {MessageAnswer::Yes};
             t.files.creation_fails = true;
         },
         true},
        {"download fails",
         [](auto& t) {
             t.toolkit.answers = {MessageAnswer::Yes};
             t.http.responses[PROGRAM].read_fails_at = 1;
             t.http.responses[PROGRAM].read_error = 12030;
         },
         true},
        {"download complete", [](auto& t) { t.toolkit.answers = {MessageAnswer::Yes}; }, true},
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

TEST_F(CheckForUpdate, FailedSendShowsTheErrorCode) {
    http.responses[VERSION].send_error = 12029;
    run();
    EXPECT_EQ(toolkit.boxes,
              std::vector{error_box("HttpSendRequest failed, error = 12029d (0x12029x)\n")});
}

TEST_F(CheckForUpdate, UnreadableHeadersAreReportedAndTheCheckGoesOn) {
    http.responses[VERSION].header_error = 12150;
    run();
    EXPECT_EQ(toolkit.boxes, (std::vector{error_box("HttpQueryInfo failed, error = 12150 "
                                                    "(0x12150x)\n"),
                                          question_box("2.7")}));
}

TEST_F(CheckForUpdate, FailedVersionReadCountsAsUpToDate) {
    http.responses[VERSION].read_fails_at = 0;
    http.responses[VERSION].read_error = 12030;
    run();
    EXPECT_EQ(toolkit.boxes, (std::vector{error_box("(1) InternetReadFile failed, error = 12030 "
                                                    "(0x12030x)\n"),
                                          up_to_date_box()}));
}

TEST_F(CheckForUpdate, VersionComesFromTheFirstBlockOnly) {
    struct Case {
        std::vector<std::string> blocks;
        std::optional<std::string> offered; // nothing: up to date
    };
    const Case cases[] = {
        {{"2.", "7"}, std::nullopt},
        {{"2.7", "\r\n"}, "2.7"},
        {{"3.0123456789abcdefgh"}, "3.0123456789abc"}, // 15 characters kept
        {{"3.0\n2.5"}, "3.0"},
        {{"3.0\rjunk\n"}, "3.0"},
        {{std::string("2.7\0 9", 6)}, "2.7"},
        {{"\xE9t\xE9"}, "\xE9t\xE9"}, // bytes compare unsigned: above any digit
        {{}, std::nullopt},
        {{""}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered.value_or("up to date"));
        Rig t;
        t.http.responses[VERSION].blocks = c.blocks;
        t.run();
        ASSERT_EQ(t.toolkit.boxes.size(), 1U);
        EXPECT_EQ(t.toolkit.boxes[0], c.offered ? question_box(*c.offered) : up_to_date_box());
    }
}

TEST_F(CheckForUpdate, StatusOtherThanOkStopsBeforeAnythingIsRenamed) {
    http.responses[PROGRAM].headers = "HTTP/1.1 503 Service Unavailable\r\n\r\n";
    toolkit.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(toolkit.boxes,
              (std::vector{question_box("2.7"), error_box("The update server answered with status "
                                                          "503.")}));
    EXPECT_TRUE(files.log.empty());
    EXPECT_EQ(header_log.str(), "HTTP/1.1 503 Service Unavailable\r\n\r\n\n");
}

TEST_F(CheckForUpdate, BrokenDownloadPutsTheOldProgramBack) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        std::vector<ShownBox> boxes;
    };
    const Case cases[] = {
        {"read fails",
         [](auto& t) {
             t.http.responses[PROGRAM].read_fails_at = 1;
             t.http.responses[PROGRAM].read_error = 12030;
         },
         {question_box("2.7"),
          error_box("(3) InternetReadFile failed, error = 12030d "
                    "(0x12030x)\n"),
          download_failed_box()}},
        {"transfer broke off",
         [](auto& t) { t.http.responses[PROGRAM].available_fails_at_end = true; },
         {question_box("2.7"), download_failed_box()}},
        {"shorter than announced",
         [](auto& t) {
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\ncontent-length: 7\r\n\r\n";
         },
         {question_box("2.7"), download_failed_box()}},
        {"empty body",
         [](auto& t) {
             t.http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\n\r\n";
             t.http.responses[PROGRAM].blocks.clear();
         },
         {question_box("2.7"), download_failed_box()}},
        {"disk full",
         [](auto& t) { t.files.writes_fail = true; },
         {question_box("2.7"), download_failed_box()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        t.toolkit.answers = {MessageAnswer::Yes};
        c.setup(t);
        t.run();
        EXPECT_EQ(t.toolkit.boxes, c.boxes);
        EXPECT_EQ(t.files.files, (std::map<std::string, std::string>{{"Q9XZ.exe", "old"}}));
        EXPECT_EQ(t.files.log, (std::vector<std::string>{
                                   "rename Q9XZ.exe Q9XZ.~xe", "create Q9XZ.exe", "close Q9XZ.exe",
                                   "remove Q9XZ.exe", "rename Q9XZ.~xe Q9XZ.exe"}));
    }
}

TEST_F(CheckForUpdate, OutputThatCannotBeCreatedLeavesTheBackup) {
    toolkit.answers = {MessageAnswer::Yes};
    files.creation_fails = true;
    run();
    EXPECT_EQ(toolkit.boxes,
              (std::vector{question_box("2.7"), error_box("Unable to open output file Q9XZ.exe")}));
    EXPECT_EQ(files.files, (std::map<std::string, std::string>{{"Q9XZ.~xe", "old"}}));
}

TEST_F(CheckForUpdate, DownloadWithoutAnnouncedLengthIsTakenWhole) {
    http.responses[PROGRAM].headers = "HTTP/1.1 200 OK\r\n\r\n";
    toolkit.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(toolkit.boxes, (std::vector{question_box("2.7"), complete_box()}));
    EXPECT_EQ(files.files["Q9XZ.exe"], "newexe");
}

} // namespace
} // namespace q9xz::test
