#pragma once

#include <chrono>
#include <memory>
#include <openssl/ssl.h>
#include <string>
#include <vector>

namespace q9xz::test {

struct SslContextDeleter {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
using SslContext = std::shared_ptr<SSL_CTX>;

// A certificate authority made for one test run, and the server certificates it signs.
class TestAuthority {
  public:
    explicit TestAuthority(const std::string& name);
    ~TestAuthority();
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    // Writes the authority's certificate as PEM, for a client to trust.
    void write_certificate(const std::string& path) const;

    // A server context whose certificate this authority signed for `names` ("IP:127.0.0.1",
    // "DNS:localhost"), valid from `valid_from` to `valid_until` relative to now.
    SslContext server_context(const std::vector<std::string>& names,
                              std::chrono::hours valid_from = std::chrono::hours(-1),
                              std::chrono::hours valid_until = std::chrono::hours(24)) const;

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace q9xz::test
