#pragma once

#include "app/update/http_client.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace q9xz::test {

// Failures as the clients report them, with the system's words and WinInet's number.
inline const HttpFailure NAME_UNKNOWN{HttpFailureKind::NAME_NOT_RESOLVED,
                                      "Could not resolve hostname", 12007};
inline const HttpFailure REFUSED{HttpFailureKind::CANNOT_CONNECT, "Connection refused", 12029};
inline const HttpFailure RESET{HttpFailureKind::CANNOT_CONNECT, "Connection reset by peer", 12030};
inline const HttpFailure EXPIRED{HttpFailureKind::UNTRUSTED, "certificate has expired", 12037};
inline const HttpFailure TIMED_OUT{HttpFailureKind::TIMED_OUT, "Timeout was reached", 12002};
inline const HttpFailure NO_HEADERS{HttpFailureKind::BROKEN_ANSWER, "header not found", 12150};

// The scripted answer to one object name.
struct FakeResponse {
    std::optional<HttpFailure> send_failure; // set: the send fails so
    std::string headers = "HTTP/1.1 200 OK\r\n\r\n";
    std::optional<HttpFailure> header_failure; // set: the header query fails so
    std::vector<std::string> blocks;           // what each "bytes available" offers, in turn
    std::optional<std::size_t> read_fails_at;  // this block's read fails...
    HttpFailure read_failure = RESET;          // ...so
    bool available_fails_at_end = false;       // after the blocks, "bytes available" fails (reset)
};

// An HTTP client that plays scripted responses and writes down every call, with handles
// numbered from 1 in the order they are opened.
class FakeHttp : public HttpClient {
  public:
    std::map<std::string, FakeResponse> responses;
    std::vector<std::string> calls;
    std::map<std::string, std::chrono::steady_clock::time_point> deadlines; // by object name

    HttpHandle open_internet(std::string_view agent, const TransferLimits& limits) override {
        return opened("open_internet " + std::string(agent) + " " +
                      std::to_string(limits.connect.count()) + "s " +
                      std::to_string(limits.low_speed_bytes) + "B/" +
                      std::to_string(limits.low_speed_time.count()) + "s");
    }
    HttpHandle connect(HttpHandle internet, std::string_view host, std::uint16_t port) override {
        return opened("connect " + std::to_string(internet) + " " + std::string(host) + ":" +
                      std::to_string(port));
    }
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name,
                                HttpDeadline deadline) override {
        const HttpHandle handle =
            opened("open_GET_request " + std::to_string(connection) + " " +
                   std::string(object_name) + (deadline ? " by deadline" : ""));
        if (deadline)
            deadlines[std::string(object_name)] = *deadline;
        states_[handle].object = object_name;
        return handle;
    }
    bool send(HttpHandle request) override {
        log("send", request);
        const FakeResponse& response = responses[states_[request].object];
        return !response.send_failure || fail(*response.send_failure);
    }
    bool raw_headers(HttpHandle request, std::string& headers) override {
        log("raw_headers", request);
        const FakeResponse& response = responses[states_[request].object];
        if (response.header_failure)
            return fail(*response.header_failure);
        headers = response.headers;
        return true;
    }
    bool bytes_available(HttpHandle request, std::uint32_t& count) override {
        log("bytes_available", request);
        State& state = states_[request];
        const FakeResponse& response = responses[state.object];
        if (state.block >= response.blocks.size()) {
            count = 0;
            return !response.available_fails_at_end || fail(RESET);
        }
        count = static_cast<std::uint32_t>(response.blocks[state.block].size());
        return true;
    }
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override {
        log("read", request, count);
        State& state = states_[request];
        const FakeResponse& response = responses[state.object];
        done = 0;
        if (response.read_fails_at == state.block)
            return fail(response.read_failure);
        if (state.block < response.blocks.size()) {
            const std::string& block = response.blocks[state.block++];
            done = static_cast<std::uint32_t>(std::min<std::size_t>(block.size(), count));
            std::memcpy(buffer, block.data(), done);
        }
        return true;
    }
    void close(HttpHandle handle) override { log("close", handle); }
    HttpFailure last_failure() override { return last_failure_; }

  private:
    struct State {
        std::string object;
        std::size_t block = 0;
    };

    HttpHandle opened(const std::string& call) {
        calls.push_back(call + " -> " + std::to_string(next_));
        return next_++;
    }
    void log(const char* name, HttpHandle handle) {
        calls.push_back(std::string(name) + " " + std::to_string(handle));
    }
    void log(const char* name, HttpHandle handle, std::uint32_t size) {
        calls.push_back(std::string(name) + " " + std::to_string(handle) + " " +
                        std::to_string(size));
    }
    bool fail(const HttpFailure& failure) {
        last_failure_ = failure;
        return false;
    }

    HttpHandle next_ = 1;
    HttpFailure last_failure_;
    std::map<HttpHandle, State> states_;
};

} // namespace q9xz::test
