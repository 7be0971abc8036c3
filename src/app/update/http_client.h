#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q9xz {

// A handle of the HTTP client: the Internet root, a connection or a request. 0 is no handle,
// which is what a failed open returns.
using HttpHandle = std::uintptr_t;

// The moment by which a request and every read of its answer must be over, if any.
using HttpDeadline = std::optional<std::chrono::steady_clock::time_point>;

// What kind of thing went wrong in a request, in the update's own terms.
enum class HttpFailureKind {
    NAME_NOT_RESOLVED, // the server's name is unknown
    CANNOT_CONNECT,    // refused, no route, reset: the server cannot be reached
    UNTRUSTED,         // the secure connection failed: certificate, host name, expiry
    TIMED_OUT,         // a time limit, the deadline included
    BROKEN_ANSWER,     // the server answered, but not with anything readable
};

// A failed call, as the client tells it.
struct HttpFailure {
    HttpFailureKind kind = HttpFailureKind::BROKEN_ANSWER;
    // The system's own words for it ("Connection refused", "certificate has expired").
    std::string message;
    // The Windows Internet client's error number, which the Windows boxes have always shown;
    // 0 from any other client.
    std::uint32_t code = 0;
};

// How long the client waits before it gives up on a server; see check_for_update.h for the
// values the program uses and why.
struct TransferLimits {
    // Connecting, the TLS handshake included.
    std::chrono::seconds connect;
    // A transfer that stays below `low_speed_bytes` a second for `low_speed_time` is ended, so
    // a trickle ends like a stall.
    std::uint32_t low_speed_bytes;
    std::chrono::seconds low_speed_time;
};

// The few synchronous HTTP operations the update check needs, shaped after the Windows Internet
// client so that one command logic runs on WinInet, on libcurl and on a test fake.
class HttpClient {
  public:
    virtual ~HttpClient() = default;

    // The root handle, identifying the client by `agent`; the system's proxy settings apply, and
    // every request under it keeps to `limits`; one that breaks them fails as timed out.
    virtual HttpHandle open_internet(std::string_view agent, const TransferLimits& limits) = 0;

    // A connection to `host` on `port` for HTTPS only: the server's certificate chain and host
    // name are verified, and a certificate that fails fails the send.
    virtual HttpHandle connect(HttpHandle internet, std::string_view host, std::uint16_t port) = 0;

    // A "GET" request for `object_name`, taken as given (no leading slash is added by the
    // caller). Never served from or stored in a cache; redirects and cookies are not followed.
    // With a deadline, the request is over by then however the server behaves: a call still
    // waiting for the server at that moment fails as timed out.
    virtual HttpHandle open_GET_request(HttpHandle connection, std::string_view object_name,
                                        HttpDeadline deadline) = 0;

    // Sends the request without extra headers or body; true once the response headers arrived.
    virtual bool send(HttpHandle request) = 0;

    // The raw response headers, lines ended by CR LF.
    virtual bool raw_headers(HttpHandle request, std::string& headers) = 0;

    // How many bytes of the body can be read now; 0 at the end of the body. False when nothing
    // more can be read because the transfer failed.
    virtual bool bytes_available(HttpHandle request, std::uint32_t& count) = 0;

    // Reads up to `count` bytes; `done` is the number read, 0 at the end of the body.
    virtual bool read(HttpHandle request, char* buffer, std::uint32_t count,
                      std::uint32_t& done) = 0;

    // Releases a handle. Releasing the root releases every handle opened under it.
    virtual void close(HttpHandle handle) = 0;

    // What went wrong in the last failed call.
    virtual HttpFailure last_failure() = 0;
};

} // namespace q9xz
