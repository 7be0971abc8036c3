#pragma once

#include "app/update/http_client.h"

#include <memory>

namespace q9xz {

// The HTTPS client on the Windows Internet client (wininet). Handles are the system's handles.
// WinInet verifies the certificate against the system's store itself. It limits connecting and
// each wait for data, but knows no least speed: a watchdog thread ends a request that stays
// slower than the limits allow by closing its handle, and the failed call then reports the
// time-out number (12002).
class WinInetHttpClient : public HttpClient {
  public:
    WinInetHttpClient();
    ~WinInetHttpClient() override;
    WinInetHttpClient(const WinInetHttpClient&) = delete;
    WinInetHttpClient& operator=(const WinInetHttpClient&) = delete;

    HttpHandle open_internet(std::string_view agent, const TransferLimits& limits) override;
    HttpHandle connect(HttpHandle internet, std::string_view host, std::uint16_t port) override;
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name) override;
    bool send(HttpHandle request) override;
    bool raw_headers(HttpHandle request, char* buffer, std::uint32_t& length) override;
    bool bytes_available(HttpHandle request, std::uint32_t& count) override;
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override;
    void close(HttpHandle handle) override;
    std::uint32_t last_error() override;

    class Watchdog;

  private:
    TransferLimits limits_{};
    std::unique_ptr<Watchdog> watchdog_;
};

} // namespace q9xz
