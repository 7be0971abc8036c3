#include "app/update/response_headers.h"

#include <gtest/gtest.h>

namespace q9xz {
namespace {

TEST(ResponseHeaders, StatusCode) {
    const std::pair<std::string_view, std::optional<int>> cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n", 200},
        {"HTTP/1.0 404 Not Found\r\nContent-Length: 3\r\n\r\n", 404},
        {"HTTP/1.1 302\r\n", 302},
        {"HTTP/2 503 Busy", 503},
        {"", std::nullopt},
        {"200 OK\r\n", std::nullopt},
        {"HTTP/1.1\r\n200 OK", std::nullopt},
        {"HTTP/1.1 20 OK\r\n", std::nullopt},
        {"HTTP/1.1 2000 OK\r\n", std::nullopt},
        {"HTTP/1.1 abc\r\n", std::nullopt},
    };
    for (const auto& [headers, status] : cases)
        EXPECT_EQ(response_status(headers), status) << headers;
}

TEST(ResponseHeaders, ContentLength) {
    const std::pair<std::string_view, std::optional<std::uint64_t>> cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n", 1234},
        {"HTTP/1.1 200 OK\r\nServer: x\r\ncontent-LENGTH:\t0\r\n\r\n", 0},
        {"HTTP/1.1 200 OK\nContent-Length: 5\n\n", 5},
        {"HTTP/1.1 200 OK\r\nContent-Length: 7\r\nContent-Length: 9\r\n\r\n", 7},
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n", std::nullopt},
        {"HTTP/1.1 200 OK\r\nContent-Length: none\r\n\r\n", std::nullopt},
        {"HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n\r\n", std::nullopt},
        {"Content-Length: 5\r\n\r\n", std::nullopt}, // the status line is no header
        {"HTTP/1.1 200 OK\r\n\r\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [headers, length] : cases)
        EXPECT_EQ(response_content_length(headers), length) << headers;
}

} // namespace
} // namespace q9xz
