#pragma once

#include "app/update/http_client.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace q9xz::test {

// The scripted answer to one object name.
struct FakeResponse {
    std::uint32_t send_error = 0; // not 0: the send fails with this code
    std::string headers = "HTTP/1.1 200 OK\r\n\r\n";
    std::uint32_t header_error = 0;           // not 0: the header query fails with this code
    std::vector<std::string> blocks;          // what each "bytes available" offers, in turn
    std::optional<std::size_t> read_fails_at; // this block's read fails...
    std::uint32_t read_error = 0;             // ...with this code
    bool available_fails_at_end = false;      // after the blocks, "bytes available" fails
};

// An HTTP client that plays scripted responses and writes down every call, with handles
// numbered from 1 in the order they are opened.
class FakeHttp : public HttpClient {
  public:
    std::map<std::string, FakeResponse> responses;
    std::vector<std::string> calls;

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
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name) override {
        const HttpHandle handle = opened("open_GET_request " + std::to_string(connection) + " " +
                                         std::string(object_name));
        states_[handle].object = object_name;
        return handle;
    }
    bool send(HttpHandle request) override {
        log("send", request);
        const FakeResponse& response = responses[states_[request].object];
        return response.send_error == 0 || fail(response.send_error);
    }
    bool raw_headers(HttpHandle request, char* buffer, std::uint32_t& length) override {
        log("raw_headers", request, length);
        const FakeResponse& response = responses[states_[request].object];
        if (response.header_error != 0) {
            return fail(response.header_error);
        }
        const std::string& text = response.headers;
        if (length < text.size() + 1) {
            length = static_cast<std::uint32_t>(text.size() + 1);
            return fail(HTTP_ERROR_INSUFFICIENT_BUFFER);
        }
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        length = static_cast<std::uint32_t>(text.size());
        return true;
    }
    bool bytes_available(HttpHandle request, std::uint32_t& count) override {
        log("bytes_available", request);
        State& state = states_[request];
        const FakeResponse& response = responses[state.object];
        if (state.block >= response.blocks.size()) {
            count = 0;
            return !response.available_fails_at_end || fail(12030);
        }
        count = static_cast<std::uint32_t>(response.blocks[state.block].size());
        return true;
    }
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override {
        log("read", request, count);
        State& state = states_[request];
        const FakeResponse& response = responses[state.object];
        done = 0;
        if (response.read_fails_at == state.block) {
            return fail(response.read_error);
        }
        if (state.block < response.blocks.size()) {
            const std::string& block = response.blocks[state.block++];
            done = static_cast<std::uint32_t>(std::min<std::size_t>(block.size(), count));
            std::memcpy(buffer, block.data(), done);
        }
        return true;
    }
    void close(HttpHandle handle) override { log("close", handle); }
    std::uint32_t last_error() override { return last_error_; }

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
    bool fail(std::uint32_t error) {
        last_error_ = error;
        return false;
    }

    HttpHandle next_ = 1;
    std::uint32_t last_error_ = 0;
    std::map<HttpHandle, State> states_;
};

} // namespace q9xz::test
