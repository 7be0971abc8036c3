#include "app/update/wininet_http.h"

#include <string>
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

// Always from the server, nothing kept; redirects, cookies and authentication are left to us
// (and we take none of them), and nothing may pop up a dialog.
constexpr DWORD REQUEST_FLAGS = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_NO_UI;

} // namespace

HttpHandle WinInetHttpClient::open_internet(std::string_view agent) {
    const std::string text(agent);
    return from_system(
        InternetOpenA(text.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
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
    return ok != FALSE;
}

void WinInetHttpClient::close(HttpHandle handle) {
    InternetCloseHandle(to_system(handle));
}

std::uint32_t WinInetHttpClient::last_error() {
    return GetLastError();
}

} // namespace q9xz
