#include "app/update/http_client_wininet.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
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

// The header buffer starts this small and grows to what WinInet says it needs, up to this much.
constexpr DWORD FIRST_HEADER_LENGTH = 10;
constexpr DWORD MAX_HEADER_LENGTH = 1U << 20;

HttpFailureKind kind_of(DWORD code) {
    switch (code) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return HttpFailureKind::NAME_NOT_RESOLVED;
    case ERROR_INTERNET_TIMEOUT:
        return HttpFailureKind::TIMED_OUT;
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
        return HttpFailureKind::CANNOT_CONNECT;
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        return HttpFailureKind::UNTRUSTED;
    default:
        return HttpFailureKind::BROKEN_ANSWER;
    }
}

// The system's text for a WinInet error number, from WinInet's own message table.
std::string system_message(DWORD code) {
    char text[256] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                       GetModuleHandleA("wininet.dll"), code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' '))
        message.pop_back();
    return message;
}

} // namespace

// Watches one request at a time: each time a low-speed period passes with fewer bytes read than
// the least speed allows, and when the request's deadline comes, it closes the request's handle,
// which makes the waiting call fail.
class WinInetHttpClient::Watchdog {
  public:
    Watchdog(HINTERNET request, const TransferLimits& limits, HttpDeadline deadline)
        : request_(request), limits_(limits), deadline_(deadline), thread_([this] { watch(); }) {}

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
        if (thread_.joinable())
            thread_.join();
        return fired_;
    }

  private:
    using Clock = std::chrono::steady_clock;

    void watch() {
        const auto period = limits_.low_speed_time;
        const bool watch_speed = period.count() > 0;
        const std::uint64_t least =
            std::uint64_t{limits_.low_speed_bytes} * static_cast<std::uint64_t>(period.count());
        const auto stop = [this] { return stopping_; };
        std::unique_lock lock(mutex_);
        Clock::time_point check = Clock::now() + period;
        std::uint64_t before = bytes_;
        while (!stopping_) {
            Clock::time_point wake = check;
            if (deadline_ && (!watch_speed || *deadline_ < wake))
                wake = *deadline_;
            if (wake_.wait_until(lock, wake, stop))
                return;
            const Clock::time_point now = Clock::now();
            if (deadline_ && now >= *deadline_)
                break;
            if (watch_speed && now >= check) {
                if (bytes_ - before < least)
                    break;
                before = bytes_;
                check += period;
            }
        }
        if (!stopping_) {
            fired_ = true;
            InternetCloseHandle(request_);
        }
    }

    HINTERNET request_;
    TransferLimits limits_;
    HttpDeadline deadline_;
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

HttpHandle WinInetHttpClient::open_GET_request(HttpHandle connection, std::string_view object_name,
                                               HttpDeadline deadline) {
    const std::string object(object_name);
    const HttpHandle request = from_system(HttpOpenRequestA(
        to_system(connection), "GET", object.c_str(), nullptr, nullptr, nullptr, REQUEST_FLAGS, 0));
    if (request != 0 && deadline)
        deadlines_[request] = *deadline;
    return request;
}

bool WinInetHttpClient::send(HttpHandle request) {
    watchdog_.reset();
    HttpDeadline deadline;
    if (const auto found = deadlines_.find(request); found != deadlines_.end())
        deadline = found->second;
    if (request != 0 && (limits_.low_speed_time.count() > 0 || deadline))
        watchdog_ = std::make_unique<Watchdog>(to_system(request), limits_, deadline);
    return HttpSendRequestA(to_system(request), nullptr, 0, nullptr, 0) != FALSE;
}

// Asked for with a small buffer that grows to the length WinInet says it needs.
bool WinInetHttpClient::raw_headers(HttpHandle request, std::string& headers) {
    DWORD room = FIRST_HEADER_LENGTH;
    auto buffer = std::make_unique<char[]>(room + 1);
    DWORD length = room;
    while (HttpQueryInfoA(to_system(request), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.get(), &length,
                          nullptr) == FALSE) {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || length <= room || length > MAX_HEADER_LENGTH) {
            SetLastError(error);
            return false;
        }
        room = length;
        buffer = std::make_unique<char[]>(room + 1);
    }
    headers.assign(buffer.get(), std::min(length, room));
    return true;
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
    if (ok && watchdog_)
        watchdog_->count(read);
    return ok != FALSE;
}

void WinInetHttpClient::close(HttpHandle handle) {
    deadlines_.erase(handle);
    if (watchdog_ && watchdog_->request() == to_system(handle)) {
        const bool closed = watchdog_->stop();
        watchdog_.reset();
        if (closed)
            return;
    }
    InternetCloseHandle(to_system(handle));
}

HttpFailure WinInetHttpClient::last_failure() {
    const DWORD code =
        watchdog_ && watchdog_->fired() ? DWORD{ERROR_INTERNET_TIMEOUT} : GetLastError();
    return {kind_of(code), system_message(code), code};
}

} // namespace q9xz
