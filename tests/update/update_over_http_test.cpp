// The whole Update command with the libcurl client, real files in a scratch current directory
// and a real HTTP server on 127.0.0.1.
#include "app/update/check_for_update.h"
#include "app/update/curl_http.h"
#include "fake_toolkit.h"
#include "test_http_server.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace q9xz::test {
namespace {

namespace fs = std::filesystem;

// Bytes of every value, line ends and NULs included, larger than one block of the client.
std::string program_bytes(char seed, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 31 + static_cast<std::size_t>(seed)) % 256);
    }
    return bytes;
}

class UpdateOverHttp : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("NO_PROXY", "127.0.0.1", 1);
        ::setenv("no_proxy", "127.0.0.1", 1);
        previous_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "q9xz-update-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
        fs::current_path(scratch_);
    }

    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(scratch_);
    }

    void run(std::uint16_t port) {
        CurlHttpClient http;
        DiskUpdateFiles files;
        header_log.str("");
        check_for_update({toolkit, http, files, header_log}, {"127.0.0.1", port}, "2.6");
    }
    void run() { run(server.port()); }

    void offer(const std::string& version, const std::string& program) {
        server.serve("/Q9XZ/version.txt", ServedResponse(version));
        server.serve("/Q9XZ/Q9XZ.exe", ServedResponse(program));
    }

    static void write_file(const std::string& name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }
    static std::string read_file(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    // The names in the scratch directory, sorted.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TestHttpServer server;
    FakeToolkit toolkit;
    std::ostringstream header_log;

  private:
    fs::path previous_;
    fs::path scratch_;
};

TEST_F(UpdateOverHttp, AcceptedUpdateReplacesTheProgramAndKeepsTheOldOne) {
    const std::string first = program_bytes('a', 100000);
    write_file("Q9XZ.exe", "old program");
    offer("2.7\r\n", first);
    toolkit.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(toolkit.boxes, (std::vector{question_box("2.7"), complete_box()}));
    EXPECT_EQ(read_file("Q9XZ.exe"), first);
    EXPECT_EQ(read_file("Q9XZ.~xe"), "old program");
    EXPECT_TRUE(header_log.str().starts_with("HTTP/1.1 200 OK\r\n")) << header_log.str();
    EXPECT_NE(header_log.str().find("Content-Length: 100000\r\n"), std::string::npos);
    EXPECT_TRUE(header_log.str().ends_with("\r\n\r\n\n"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].request_line, "GET /Q9XZ/version.txt HTTP/1.1");
    EXPECT_EQ(requests[1].request_line, "GET /Q9XZ/Q9XZ.exe HTTP/1.1");
    for (const auto& request : requests) {
        EXPECT_NE(request.headers.find("User-Agent: WinInetGet/0.1\r\n"), std::string::npos);
        EXPECT_EQ(request.headers.find("Accept:"), std::string::npos);
        EXPECT_EQ(request.headers.find("Cookie"), std::string::npos);
    }

    // A later update keeps only the program it replaces.
    const std::string second = program_bytes('b', 5000);
    offer("2.8", second);
    toolkit.boxes.clear();
    toolkit.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(toolkit.boxes, (std::vector{question_box("2.8"), complete_box()}));
    EXPECT_EQ(read_file("Q9XZ.exe"), second);
    EXPECT_EQ(read_file("Q9XZ.~xe"), first);
    EXPECT_EQ(listing(), (std::vector<std::string>{"Q9XZ.exe", "Q9XZ.~xe"}));
}

TEST_F(UpdateOverHttp, DecliningTouchesNothing) {
    write_file("Q9XZ.exe", "old program");
    offer("2.7", "new program");
    toolkit.answers = {MessageAnswer::No};
    run();
    EXPECT_EQ(toolkit.boxes, std::vector{question_box("2.7")});
    EXPECT_EQ(listing(), std::vector<std::string>{"Q9XZ.exe"});
    EXPECT_EQ(read_file("Q9XZ.exe"), "old program");
    EXPECT_EQ(server.requests().size(), 1U);
    EXPECT_EQ(header_log.str(), "");
}

TEST_F(UpdateOverHttp, VersionTextsCompareByteByByte) {
    struct Case {
        std::string body;
        std::optional<std::string> offered; // nothing: up to date
    };
    const Case cases[] = {
        {"2.6", std::nullopt},
        {"2.6\r\n", std::nullopt},
        {"2.10\r\n", std::nullopt}, // sorts before 2.6
        {"2.5", std::nullopt},
        {"", std::nullopt},
        {"2.6\r\n3.0\r\n", std::nullopt}, // only the first line counts
        {"2.7\r\n", "2.7"},
        {"2.6.1", "2.6.1"},
        {"3\n", "3"},
        {"3.0-beta-with-a-long-name\r\n", "3.0-beta-with-a"},
    };
    write_file("Q9XZ.exe", "old program");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        offer(c.body, "new program");
        toolkit.boxes.clear();
        run();
        EXPECT_EQ(toolkit.boxes,
                  std::vector{c.offered ? question_box(*c.offered) : up_to_date_box()});
    }
    EXPECT_EQ(listing(), std::vector<std::string>{"Q9XZ.exe"});
}

TEST_F(UpdateOverHttp, ServerDownFailsTheSend) {
    write_file("Q9XZ.exe", "old program");
    run(unused_port());
    EXPECT_EQ(toolkit.boxes,
              std::vector{error_box("HttpSendRequest failed, error = 12029d (0x12029x)\n")});
    EXPECT_EQ(listing(), std::vector<std::string>{"Q9XZ.exe"});
}

TEST_F(UpdateOverHttp, MissingVersionFileIsNotAnAnswer) {
    write_file("Q9XZ.exe", "old program");
    run(); // the server knows no object at all
    EXPECT_EQ(toolkit.boxes, std::vector{error_box("The update server answered with status 404.")});
    EXPECT_EQ(server.requests().size(), 1U);
}

TEST_F(UpdateOverHttp, RedirectIsNotFollowed) {
    write_file("Q9XZ.exe", "old program");
    ServedResponse redirect("", "302 Found");
    redirect.extra_headers = {"Location: http://127.0.0.1:1/elsewhere.txt"};
    server.serve("/Q9XZ/version.txt", redirect);
    run();
    EXPECT_EQ(toolkit.boxes, std::vector{error_box("The update server answered with status 302.")});
    EXPECT_EQ(server.requests().size(), 1U);
}

TEST_F(UpdateOverHttp, MissingProgramFileChangesNothing) {
    write_file("Q9XZ.exe", "old program");
    server.serve("/Q9XZ/version.txt", ServedResponse("2.7"));
    toolkit.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(toolkit.boxes,
              (std::vector{question_box("2.7"), error_box("The update server answered with status "
                                                          "404.")}));
    EXPECT_TRUE(header_log.str().starts_with("HTTP/1.1 404 Not Found\r\n"));
    EXPECT_EQ(listing(), std::vector<std::string>{"Q9XZ.exe"});
    EXPECT_EQ(read_file("Q9XZ.exe"), "old program");
}

TEST_F(UpdateOverHttp, BrokenDownloadLeavesTheOldProgram) {
    const std::string program = program_bytes('c', 100000);
    std::vector<ServedResponse> broken(3, ServedResponse(program));
    broken[0].cut_after = 40000; // connection cut
    broken[1].body.resize(1000); // a longer length announced than sent
    broken[1].announced_length = 2000;
    broken[2].body.clear(); // nothing at all
    for (const ServedResponse& response : broken) {
        SCOPED_TRACE(response.body.size());
        write_file("Q9XZ.exe", "old program");
        write_file("Q9XZ.~xe", "older program");
        server.serve("/Q9XZ/version.txt", ServedResponse("2.7"));
        server.serve("/Q9XZ/Q9XZ.exe", response);
        toolkit.boxes.clear();
        toolkit.answers = {MessageAnswer::Yes};
        run();
        EXPECT_EQ(toolkit.boxes, (std::vector{question_box("2.7"), download_failed_box()}));
        EXPECT_EQ(read_file("Q9XZ.exe"), "old program");
        // The backup of an earlier update was given up for this one.
        EXPECT_EQ(listing(), std::vector<std::string>{"Q9XZ.exe"});
    }
}

TEST_F(UpdateOverHttp, NoProgramFileInTheCurrentDirectory) {
    offer("2.7", "new program");
    toolkit.answers = {MessageAnswer::Yes};
    run();
    EXPECT_EQ(toolkit.boxes,
              (std::vector{question_box("2.7"), error_box("Unable to rename Q9XZ.exe")}));
    EXPECT_TRUE(listing().empty());
    EXPECT_EQ(server.requests().size(), 2U);
}

} // namespace
} // namespace q9xz::test
