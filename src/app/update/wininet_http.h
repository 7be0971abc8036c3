#pragma once

#include "app/update/http_client.h"

namespace q9xz {

// The HTTP client on the Windows Internet client (wininet). Handles are the system's handles.
class WinInetHttpClient : public HttpClient {
  public:
    HttpHandle open_internet(std::string_view agent) override;
    HttpHandle connect(HttpHandle internet, std::string_view host, std::uint16_t port) override;
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name) override;
    bool send(HttpHandle request) override;
    bool raw_headers(HttpHandle request, char* buffer, std::uint32_t& length) override;
    bool bytes_available(HttpHandle request, std::uint32_t& count) override;
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override;
    void close(HttpHandle handle) override;
    std::uint32_t last_error() override;
};

} // namespace q9xz
