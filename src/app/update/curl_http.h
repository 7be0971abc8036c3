#pragma once

#include "app/update/http_client.h"

#include <map>
#include <memory>

namespace q9xz {

// The HTTP client on libcurl. A request is carried out in full when it is sent; the body is
// then handed out block by block, and a transfer that broke off shows as a failure once the
// bytes that did arrive have been read. Error codes are the Windows Internet client's numbers,
// so that messages read the same on every platform.
class CurlHttpClient : public HttpClient {
  public:
    CurlHttpClient();
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    HttpHandle open_internet(std::string_view agent) override;
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

    std::map<HttpHandle, std::unique_ptr<Entry>> entries_;
    HttpHandle next_handle_ = 1;
    std::uint32_t last_error_ = 0;
};

} // namespace q9xz
