#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace q9xz::test {

// What the server answers for one path.
struct ServedResponse {
    explicit ServedResponse(std::string body_text = {}, std::string status_line = "200 OK")
        : status(std::move(status_line)), body(std::move(body_text)) {}

    std::string status;
    std::string body;
    std::vector<std::string> extra_headers; // whole lines without CR LF
    // Content-Length sent; the body's size when not set.
    std::optional<std::size_t> announced_length;
    // The connection is closed after this many body bytes.
    std::optional<std::size_t> cut_after;
};

struct ReceivedRequest {
    std::string request_line;
    std::string headers; // the raw header lines after the request line
};

// A small HTTP/1.1 server on 127.0.0.1 with an ephemeral port, one connection at a time, for
// the update tests. Unknown paths answer "404 Not Found".
class TestHttpServer {
  public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    void serve(const std::string& path, ServedResponse response);
    void clear();
    std::vector<ReceivedRequest> requests() const;

  private:
    void run();
    void answer(int connection);

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, ServedResponse> responses_;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
std::uint16_t unused_port();

} // namespace q9xz::test
