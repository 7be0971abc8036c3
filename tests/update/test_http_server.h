#pragma once

#include "test_certificates.h"

#include <atomic>
#include <chrono>
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
    bool no_length = false; // no Content-Length at all: the body ends when the connection does
    // The connection is closed after this many body bytes.
    std::optional<std::size_t> cut_after;
    // When set, the body goes out one byte per this much time.
    std::chrono::milliseconds trickle{0};
};

struct ReceivedRequest {
    std::string request_line;
    std::string headers; // the raw header lines after the request line
};

// A small HTTP/1.1 server on 127.0.0.1 with an ephemeral port, one connection at a time, for
// the update tests: over TLS with the context given (plain HTTP without one), or silent (it
// accepts and never says a word). Unknown paths answer "404 Not Found".
class TestHttpServer {
  public:
    explicit TestHttpServer(SslContext tls = nullptr);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    void serve(const std::string& path, ServedResponse response);
    // From the next connection on: TLS with this context, or plain HTTP for null.
    void use_tls(SslContext tls);
    void set_silent(bool silent);
    void clear();
    std::vector<ReceivedRequest> requests() const;

  private:
    class Connection;
    void run();
    void answer(Connection& connection);
    // Waits until the peer closes or the server stops.
    void hold(int fd);

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    SslContext tls_;
    bool silent_ = false;
    std::map<std::string, ServedResponse> responses_;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
std::uint16_t unused_port();

} // namespace q9xz::test
