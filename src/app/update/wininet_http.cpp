#include "app/update/wininet_http.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <windows.h>
#include <wininet.h>

namespace q9xz {

namespace {

HINTERNET to_system(HttpHandle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}
HttpHandle from_system(HINTERNET handle) {
    return reinterpret_cast<HttpHandle>(handle);
}

// HTTPS with the certificate checked (none of the flags that ignore certificate errors);
// always from the server, nothing kept; redirects, cookies and authentication are left to us
// (and we take none of them), and nothing may pop up a dialog. A redirect from HTTPS to HTTP is
// not let through quietly (no INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP).
constexpr DWORD REQUEST_FLAGS = INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                                INTERNET_FLAG_NO_UI;

DWORD milliseconds(std::chrono::seconds time) {
    return static_cast<DWORD>(std::chrono::milliseconds(time).count());
}

} // namespace

// Watches one request at a time: each time a low-speed period passes with fewer bytes read than
// the least speed allows, it closes the request's handle, which makes the waiting call fail.
class WinInetHttpClient::Watchdog {
  public:
    Watchdog(HINTERNET request, const TransferLimits& limits)
        : request_(request), limits_(limits), thread_([this] { watch(); }) {}

    ~Watchdog() { stop(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    HINTERNET request() const { return request_; }

    void count(DWORD bytes) {
        const std::lock_guard lock(mutex_);
        bytes_ += bytes;
    }

    bool fired() {
        const std::lock_guard lock(mutex_);
        return fired_;
    }

    // Ends the watch; true when it had closed the handle.
    bool stop() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
        return fired_;
    }

  private:
    void watch() {
        const auto period = limits_.low_speed_time;
        const std::uint64_t least =
            std::uint64_t{limits_.low_speed_bytes} * static_cast<std::uint64_t>(period.count());
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            const std::uint64_t before = bytes_;
            if (wake_.wait_for(lock, period, [this] { return stopping_; })) {
                return;
            }
            if (bytes_ - before < least) {
                fired_ = true;
                InternetCloseHandle(request_);
                return;
            }
        }
    }

    HINTERNET request_;
    TransferLimits limits_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t bytes_ = 0;
    bool stopping_ = false;
    bool fired_ = false;
    std::thread thread_;
};

WinInetHttpClient::WinInetHttpClient() = default;
WinInetHttpClient::~WinInetHttpClient() = default;

HttpHandle WinInetHttpClient::open_internet(std::string_view agent, const TransferLimits& limits) {
    limits_ = limits;
    const std::string text(agent);
    HINTERNET internet =
        InternetOpenA(text.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet != nullptr) {
        // Handles opened under the root inherit these.
        DWORD connect = milliseconds(limits.connect);
        DWORD wait = milliseconds(limits.low_speed_time);
        InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
        InternetSetOptionA(internet, INTERNET_OPTION_SEND_TIMEOUT, &wait, sizeof wait);
        InternetSetOptionA(internet, INTERNET_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
    }
    return from_system(internet);
}

HttpHandle WinInetHttpClient::connect(HttpHandle internet, std::string_view host,
                                      std::uint16_t port) {
    const std::string name(host);
    return from_system(InternetConnectA(to_system(internet), name.c_str(), port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0));
}

HttpHandle WinInetHttpClient::open_GET_request(HttpHandle connection,
                                               std::string_view object_name) {
    const std::string object(object_name);
    return from_system(HttpOpenRequestA(to_system(connection), "GET", object.c_str(), nullptr,
                                        nullptr, nullptr, REQUEST_FLAGS, 0));
}

bool WinInetHttpClient::send(HttpHandle request) {
    watchdog_.reset();
    if (request != 0 && limits_.low_speed_time.count() > 0) {
        watchdog_ = std::make_unique<Watchdog>(to_system(request), limits_);
    }
    return HttpSendRequestA(to_system(request), nullptr, 0, nullptr, 0) != FALSE;
}

bool WinInetHttpClient::raw_headers(HttpHandle request, char* buffer, std::uint32_t& length) {
    DWORD size = length;
    const BOOL ok =
        HttpQueryInfoA(to_system(request), HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &size, nullptr);
    length = size;
    return ok != FALSE;
}

bool WinInetHttpClient::bytes_available(HttpHandle request, std::uint32_t& count) {
    DWORD available = 0;
    const BOOL ok = InternetQueryDataAvailable(to_system(request), &available, 0, 0);
    count = available;
    return ok != FALSE;
}

bool WinInetHttpClient::read(HttpHandle request, char* buffer, std::uint32_t count,
                             std::uint32_t& done) {
    DWORD read = 0;
    const BOOL ok = InternetReadFile(to_system(request), buffer, count, &read);
    done = read;
    if (ok && watchdog_) {
        watchdog_->count(read);
    }
    return ok != FALSE;
}

void WinInetHttpClient::close(HttpHandle handle) {
    if (watchdog_ && watchdog_->request() == to_system(handle)) {
        const bool closed = watchdog_->stop();
        watchdog_.reset();
        if (closed) {
            return;
        }
    }
    InternetCloseHandle(to_system(handle));
}

std::uint32_t WinInetHttpClient::last_error() {
    if (watchdog_ && watchdog_->fired()) {
        return ERROR_INTERNET_TIMEOUT;
    }
    return GetLastError();
}

} // namespace q9xz
