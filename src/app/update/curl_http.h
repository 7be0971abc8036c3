#pragma once

#include "app/update/http_client.h"

#include <map>
#include <memory>
#include <string>

namespace q9xz {

// The HTTPS client on libcurl. A request is carried out in full when it is sent; the body is
// then handed out block by block, and a transfer that broke off shows as a failure once the
// bytes that did arrive have been read. Error codes are the Windows Internet client's numbers,
// so that messages read the same on every platform (12045 unknown authority, 12038 wrong host
// name, 12037 expired certificate, 12157 any other TLS failure, 12002 a time limit).
class CurlHttpClient : public HttpClient {
  public:
    // Certificates are verified against the system's trust store; `trusted_authorities`, a PEM
    // file, replaces it. Only tests name one (their own authority, made for the test).
    explicit CurlHttpClient(std::string trusted_authorities = {});
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    HttpHandle open_internet(std::string_view agent, const TransferLimits& limits) override;
    HttpHandle connect(HttpHandle internet, std::string_view host, std::uint16_t port) override;
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name) override;
    bool send(HttpHandle request) override;
    bool raw_headers(HttpHandle request, char* buffer, std::uint32_t& length) override;
    bool bytes_available(HttpHandle request, std::uint32_t& count) override;
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override;
    void close(HttpHandle handle) override;
    std::uint32_t last_error() override { return last_error_; }

    struct Entry;

  private:
    HttpHandle add(std::unique_ptr<Entry> entry);
    // The entry of `handle` when it is of `kind`; else null, with the last error set.
    Entry* find(HttpHandle handle, int kind);
    // A sent request's entry, or null with the last error set.
    Entry* sent_request(HttpHandle handle);
    bool fail(std::uint32_t error);

    std::string trusted_authorities_;
    std::map<HttpHandle, std::unique_ptr<Entry>> entries_;
    HttpHandle next_handle_ = 1;
    std::uint32_t last_error_ = 0;
};

} // namespace q9xz
