// The whole Update command with the libcurl client against a real HTTPS server on 127.0.0.1,
// whose authority and certificates are made for the test, with real files: the program file in
// one folder and the current directory in another.
#include "../file_bytes.h"
#include "app/update/check_for_update.h"
#include "app/update/http_client_curl.h"
#include "fake_desktop.h"
#include "test_http_server.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sstream>

namespace q9xz::test {
namespace {

using q9xz::test::read_file;
using q9xz::test::write_file;

namespace fs = std::filesystem;
using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Bytes of every value, line ends and NULs included, larger than one block of the client.
std::string program_bytes(char seed, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + static_cast<std::size_t>(seed)) % 256);
    return bytes;
}

std::string sha256_hex(const std::string& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(data.data(), data.size(), digest, &size, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

// Every file and folder under `root` with its content, to tell that nothing changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        found[fs::relative(entry.path(), root).string()] =
            entry.is_directory() ? "<folder>" : read_file(entry.path());
    return found;
}

const std::string OLD_PROGRAM = "old program";
const std::string NEW_PROGRAM = program_bytes('a', 100000);

// Short limits, so that a stalled server ends the command within a second or two.
constexpr TransferLimits TEST_LIMITS{seconds(1), 1024, seconds(1)};

class UpdateOverHttps : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("NO_PROXY", "127.0.0.1", 1);
        ::setenv("no_proxy", "127.0.0.1", 1);
        previous_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "q9xz-update-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
        fs::create_directory(scratch_ / "prog");
        fs::create_directory(scratch_ / "elsewhere");
        // The current directory is not the program's folder: the update must not care.
        fs::current_path(scratch_ / "elsewhere");
        ca_file_ = (scratch_ / "ca.pem").string();
        authority.write_certificate(ca_file_);
        write_file(program(), OLD_PROGRAM);
        offer("2.7\r\nsha256 " + sha256_hex(NEW_PROGRAM) + "\r\n", NEW_PROGRAM);
    }

    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(scratch_);
    }

    fs::path program() const { return scratch_ / "prog" / "Q9XZ.exe"; }
    fs::path folder() const { return scratch_; }

    // Asks `host` on `port` (the test server's by default) within `limits` and `deadline`.
    void run(const std::string& host = "127.0.0.1", std::optional<std::uint16_t> port = {},
             const TransferLimits& limits = TEST_LIMITS,
             std::chrono::milliseconds deadline = UPDATE_CHECK_DEADLINE) {
        CurlHttpClient http(ca_file_);
        DiskUpdateFiles files;
        header_log.str("");
        desktop.boxes.clear();
        check_for_update({desktop, http, files, header_log, program().string()},
                         {host, port.value_or(server.port()), limits, deadline}, "2.6");
    }

    void offer(const std::string& version, const std::string& body) {
        server.serve("/Q9XZ/version.txt", ServedResponse(version));
        server.serve("/Q9XZ/Q9XZ.exe", ServedResponse(body));
    }

    TestAuthority authority{"Q9XZ Test Authority"};
    TestHttpServer server{authority.server_context({"IP:127.0.0.1"})};
    FakeDesktop desktop;
    std::ostringstream header_log;

  private:
    fs::path previous_;
    fs::path scratch_;
    std::string ca_file_;
};

TEST_F(UpdateOverHttps, TrustedServerReplacesTheProgramAndKeepsTheOldOne) {
    desktop.answers = {MessageAnswer::YES};
    run();
    EXPECT_EQ(desktop.boxes, (std::vector{question_box("2.7"), complete_box()}));
    EXPECT_EQ(read_file(program()), NEW_PROGRAM);
    EXPECT_EQ(read_file(folder() / "prog" / "Q9XZ.~xe"), OLD_PROGRAM);
    EXPECT_TRUE(fs::is_empty(folder() / "elsewhere"));
    EXPECT_TRUE(header_log.str().starts_with("HTTP/1.1 200 OK\r\n")) << header_log.str();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].request_line, "GET /Q9XZ/version.txt HTTP/1.1");
    EXPECT_EQ(requests[1].request_line, "GET /Q9XZ/Q9XZ.exe HTTP/1.1");
    for (const auto& request : requests) {
        EXPECT_NE(request.headers.find("User-Agent: WinInetGet/0.1\r\n"), std::string::npos);
        EXPECT_EQ(request.headers.find("Cookie"), std::string::npos);
    }

    // A version file without a digest works as before, and a later update keeps only the
    // program it replaces.
    const std::string second = program_bytes('b', 5000);
    offer("2.8", second);
    desktop.answers = {MessageAnswer::YES};
    run();
    EXPECT_EQ(desktop.boxes, (std::vector{question_box("2.8"), complete_box()}));
    EXPECT_EQ(read_file(program()), second);
    EXPECT_EQ(read_file(folder() / "prog" / "Q9XZ.~xe"), NEW_PROGRAM);
    EXPECT_EQ(snapshot(folder() / "prog").size(), 2U);
}

// Each refusal shows its box, in plain words about the server, and leaves every file and folder
// exactly as it was. No check outlasts its limits: the whole version check has a deadline (one
// second here, by a server that drips its answer faster than the least speed), the connection
// and the transfer their own limits.
TEST_F(UpdateOverHttps, RefusalsLeaveEverythingAsItWas) {
    TestAuthority stranger("Somebody Else");
    const auto failed = [](const std::string& text) { return std::vector{error_box(text)}; };
    const std::string untrusted = "The update server 127.0.0.1 could not be trusted: ";
    const std::string late = "The update server 127.0.0.1 did not answer in time.";
    const std::vector<ShownBox> download_failed{question_box("2.7"), download_failed_box()};
    struct Case {
        const char* name;
        std::function<void()> setup;
        std::vector<ShownBox> boxes;
        std::string host = "127.0.0.1";
        std::optional<std::uint16_t> port = {};
        TransferLimits limits = TEST_LIMITS;
        std::chrono::milliseconds deadline = UPDATE_CHECK_DEADLINE;
    };
    // 100 bytes a second, above the least speed of these limits, for ten seconds.
    ServedResponse dripping("2.7\r\n" + std::string(1000, '\n'));
    dripping.trickle = milliseconds(10);
    const TransferLimits slow_but_moving{seconds(1), 10, seconds(5)};
    const Case cases[] = {
        {.name = "unresolvable host",
         .setup = [] {},
         .boxes = failed("Could not reach the update server update-server.invalid: the name "
                         "could not be resolved."),
         .host = "update-server.invalid"},
        {.name = "refused connection",
         .setup = [] {},
         .boxes = failed("Could not reach the update server 127.0.0.1: connection refused."),
         .port = unused_port()},
        {"unknown authority", [&] { server.use_tls(stranger.server_context({"IP:127.0.0.1"})); },
         failed(untrusted + "unable to get local issuer certificate.")},
        {"other host name",
         [&] { server.use_tls(authority.server_context({"DNS:other.example.org"})); },
         failed(untrusted + "hostname mismatch.")},
        {"expired certificate",
         [&] {
             server.use_tls(authority.server_context({"IP:127.0.0.1"}, hours(-48), hours(-24)));
         },
         failed(untrusted + "certificate has expired.")},
        {"plain HTTP on the port", [&] { server.use_tls(nullptr); },
         failed(untrusted + "SSL connect error.")},
        {"silent server", [&] { server.set_silent(true); }, failed(late)},
        {.name = "answer dripping past the deadline",
         .setup = [&] { server.serve("/Q9XZ/version.txt", dripping); },
         .boxes = failed(late),
         .limits = slow_but_moving,
         .deadline = seconds(1)},
        {"redirect to http",
         [&] {
             ServedResponse redirect("", "302 Found");
             redirect.extra_headers = {"Location: http://127.0.0.1:1/Q9XZ/version.txt"};
             server.serve("/Q9XZ/version.txt", redirect);
         },
         {error_box("The update server 127.0.0.1 answered with status 302.")}},
        {"unreadable version answer",
         [&] { server.serve("/Q9XZ/version.txt", ServedResponse("")); },
         {unreadable_box()}},
        {"digest mismatch",
         [&] { server.serve("/Q9XZ/Q9XZ.exe", ServedResponse(program_bytes('x', 100000))); },
         download_failed},
        {"closed early without a length",
         [&] {
             ServedResponse cut(NEW_PROGRAM);
             cut.no_length = true;
             cut.cut_after = 100;
             server.serve("/Q9XZ/Q9XZ.exe", cut);
         },
         download_failed},
        {"neither length nor digest",
         [&] {
             ServedResponse unknown(NEW_PROGRAM);
             unknown.no_length = true;
             offer("2.7", NEW_PROGRAM);
             server.serve("/Q9XZ/Q9XZ.exe", unknown);
         },
         download_failed},
        {"trickle",
         [&] {
             ServedResponse slow(NEW_PROGRAM);
             slow.trickle = milliseconds(100);
             server.serve("/Q9XZ/Q9XZ.exe", slow);
         },
         {question_box("2.7"), error_box(late), download_failed_box()}},
        {"download cannot be created",
         [&] { fs::create_directory(folder() / "prog" / "Q9XZ.~dl"); },
         {question_box("2.7"), error_box("Unable to open output file " + program().string())}},
        {"program file cannot be renamed",
         [&] {
             fs::create_directory(folder() / "prog" / "Q9XZ.~xe");
             write_file(folder() / "prog" / "Q9XZ.~xe" / "keep", "a file in the way");
         },
         {question_box("2.7"), error_box("Unable to rename " + program().string())}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.use_tls(authority.server_context({"IP:127.0.0.1"}));
        server.set_silent(false);
        offer("2.7\r\nsha256 " + sha256_hex(NEW_PROGRAM) + "\r\n", NEW_PROGRAM);
        c.setup();
        const auto before = snapshot(folder());
        desktop.answers = {MessageAnswer::YES};
        const auto start = std::chrono::steady_clock::now();
        run(c.host, c.port, c.limits, c.deadline);
        EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(4));
        EXPECT_EQ(desktop.boxes, c.boxes);
        EXPECT_EQ(snapshot(folder()), before);
        fs::remove_all(folder() / "prog" / "Q9XZ.~dl");
        fs::remove_all(folder() / "prog" / "Q9XZ.~xe");
    }
    server.set_silent(false);
}

TEST_F(UpdateOverHttps, VersionTextsCompareByteByByte) {
    struct Case {
        std::string body;
        std::optional<std::string> offered; // nothing: up to date
    };
    const Case cases[] = {
        {"2.6\r\n", std::nullopt},
        {"2.10\r\n", std::nullopt},       // sorts before 2.6
        {"2.6\r\n3.0\r\n", std::nullopt}, // only the first line counts
        {"2.6.1", "2.6.1"},
        {"3\n", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        offer(c.body, NEW_PROGRAM);
        run();
        EXPECT_EQ(desktop.boxes,
                  std::vector{c.offered ? question_box(*c.offered) : up_to_date_box()});
    }
    EXPECT_EQ(read_file(program()), OLD_PROGRAM);
}

} // namespace
} // namespace q9xz::test
