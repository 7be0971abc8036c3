#pragma once

#include "app/update/http_client.h"

#include <chrono>
#include <map>
#include <memory>

namespace q9xz {

// The HTTPS client on the Windows Internet client (wininet). Handles are the system's handles.
// WinInet verifies the certificate against the system's store itself. It limits connecting and
// each wait for data, but knows no least speed: a watchdog thread ends a request that stays
// slower than the limits allow, or that outlives its deadline, by closing its handle; the failed
// call then reports a time-out (ERROR_INTERNET_TIMEOUT). Failures carry WinInet's numbers, which
// the Windows boxes show.
class WinInetHttpClient : public HttpClient {
  public:
    WinInetHttpClient();
    ~WinInetHttpClient() override;
    WinInetHttpClient(const WinInetHttpClient&) = delete;
    WinInetHttpClient& operator=(const WinInetHttpClient&) = delete;

    HttpHandle open_internet(std::string_view agent, const TransferLimits& limits) override;
    HttpHandle connect(HttpHandle internet, std::string_view host, std::uint16_t port) override;
    HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name,
                                HttpDeadline deadline) override;
    bool send(HttpHandle request) override;
    bool raw_headers(HttpHandle request, std::string& headers) override;
    bool bytes_available(HttpHandle request, std::uint32_t& count) override;
    bool read(HttpHandle request, char* buffer, std::uint32_t count, std::uint32_t& done) override;
    void close(HttpHandle handle) override;
    HttpFailure last_failure() override;

    class Watchdog;

  private:
    TransferLimits limits_{};
    std::map<HttpHandle, std::chrono::steady_clock::time_point> deadlines_;
    std::unique_ptr<Watchdog> watchdog_;
};

} // namespace q9xz
