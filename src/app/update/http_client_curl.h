#pragma once

#include "app/update/http_client.h"

#include <map>
#include <memory>
#include <string>

namespace q9xz {

// The HTTPS client on libcurl. A request is carried out in full when it is sent; the body is
// then handed out block by block, and a transfer that broke off shows as a failure once the
// bytes that did arrive have been read. A failure carries the socket's error, the certificate
// verifier's verdict or libcurl's own text as its message.
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
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name,
                                HttpDeadline deadline) override;
    bool send(HttpHandle request) override;
    bool raw_headers(HttpHandle request, std::string& headers) override;
    bool bytes_available(HttpHandle request, std::uint32_t& count) override;
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override;
    void close(HttpHandle handle) override;
    HttpFailure last_failure() override { return last_failure_; }

    struct Entry;

  private:
    // A new handle of `kind` for `text` under `parent` (none for the root), in `handle`; its
    // entry, or null (and 0 in `handle`) when `parent` is not of the kind it must be.
    Entry* add(int kind, HttpHandle parent, std::string_view text, HttpHandle& handle);
    // The entry of `handle` when it is of `kind`; else null, with the last error set.
    Entry* find(HttpHandle handle, int kind);
    // A sent request's entry, or null with the last error set.
    Entry* sent_request(HttpHandle handle);
    bool fail(HttpFailure failure);

    std::string trusted_authorities_;
    std::map<HttpHandle, std::unique_ptr<Entry>> entries_;
    HttpHandle next_handle_ = 1;
    HttpFailure last_failure_;
};

} // namespace q9xz
