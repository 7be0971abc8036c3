#include "app/update/http_client_curl.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <openssl/x509_vfy.h>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace q9xz {

namespace {

enum Kind { INTERNET, CONNECTION, REQUEST };

// The body is kept in memory until it is read; a server that sends without end must not take
// all of it. A program file is far smaller.
constexpr std::size_t MAX_BODY_BYTES = std::size_t{64} << 20;
// The most that one "bytes available" answer offers, like a network buffer's worth.
constexpr std::uint32_t BLOCK_BYTES = 16384;

HttpFailure failure(HttpFailureKind kind, std::string message) {
    return {kind, std::move(message), 0};
}

// A failed certificate check, in the verifier's words: the chain and dates are the verifier's;
// the host name is libcurl's own check, made on a chain the verifier did not fault, which leaves
// the verdict at "ok" or at libcurl's "not yet known" (1).
HttpFailure certificate_failure(long verify_result) {
    if (verify_result == X509_V_OK || verify_result == X509_V_ERR_UNSPECIFIED)
        verify_result = X509_V_ERR_HOSTNAME_MISMATCH;
    return failure(HttpFailureKind::UNTRUSTED,
                   X509_verify_cert_error_string(static_cast<int>(verify_result)));
}

// What a failed transfer means, with the system's message: the socket's error where there was
// one, else the TLS verifier's verdict or libcurl's own text.
HttpFailure describe(CURLcode result, long os_error, long verify_result) {
    const bool verdict = verify_result != X509_V_OK && verify_result != X509_V_ERR_UNSPECIFIED;
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return failure(HttpFailureKind::NAME_NOT_RESOLVED, curl_easy_strerror(result));
    case CURLE_OPERATION_TIMEDOUT:
        return failure(HttpFailureKind::TIMED_OUT, curl_easy_strerror(result));
    case CURLE_PEER_FAILED_VERIFICATION:
        return certificate_failure(verify_result);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        return verdict ? certificate_failure(verify_result)
                       : failure(HttpFailureKind::UNTRUSTED, curl_easy_strerror(result));
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_PARTIAL_FILE:
    case CURLE_WRITE_ERROR:
        return failure(HttpFailureKind::BROKEN_ANSWER, curl_easy_strerror(result));
    default:
        break;
    }
    if (os_error == ETIMEDOUT)
        return failure(HttpFailureKind::TIMED_OUT, std::generic_category().message(ETIMEDOUT));
    return failure(HttpFailureKind::CANNOT_CONNECT,
                   os_error != 0 ? std::generic_category().message(static_cast<int>(os_error))
                                 : curl_easy_strerror(result));
}

// libcurl wants one set-up per process before any other call.
struct CurlLibrary {
    CurlLibrary() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlLibrary() { curl_global_cleanup(); }
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;
};

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

struct CurlHttpClient::Entry {
    Kind kind = INTERNET;
    HttpHandle parent = 0;
    std::string text; // the agent, the host or the object name
    std::uint16_t port = 0;
    TransferLimits limits{}; // the root's
    HttpDeadline deadline;   // a request's

    // A request's response, once sent.
    bool sent = false;
    bool headers_complete = false;
    std::string headers;
    std::vector<char> body;
    std::size_t position = 0;
    // Set when the transfer broke off after the headers: reads fail so once the bytes that did
    // arrive have been read.
    std::optional<HttpFailure> broken;
};

namespace {

using Entry = CurlHttpClient::Entry;

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto& entry = *static_cast<Entry*>(user);
    std::string_view line(data, size * count);
    // Only the last response counts (an interim "100 Continue" is followed by the real one).
    if (line.starts_with("HTTP/")) {
        entry.headers.clear();
        entry.headers_complete = false;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    entry.headers.append(line).append("\r\n");
    if (line.empty())
        entry.headers_complete = true;
    return size * count;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto& entry = *static_cast<Entry*>(user);
    const size_t bytes = size * count;
    if (entry.body.size() + bytes > MAX_BODY_BYTES)
        return 0; // stops the transfer
    entry.body.insert(entry.body.end(), data, data + bytes);
    return bytes;
}

void forget_response(Entry& request) {
    request.sent = false;
    request.headers_complete = false;
    request.headers.clear();
    request.body.clear();
    request.position = 0;
    request.broken.reset();
}

std::string request_url(const Entry& connection, const Entry& request) {
    // An IPv6 address is written in brackets, or its colons would read as the port.
    const bool ipv6 = connection.text.find(':') != std::string::npos;
    std::string url = "https://";
    url.append(ipv6 ? "[" : "").append(connection.text).append(ipv6 ? "]" : "");
    url.append(":").append(std::to_string(connection.port)).append("/").append(request.text);
    return url;
}

} // namespace

CurlHttpClient::CurlHttpClient(std::string trusted_authorities)
    : trusted_authorities_(std::move(trusted_authorities)) {
    static const CurlLibrary library;
}

CurlHttpClient::~CurlHttpClient() = default;

bool CurlHttpClient::fail(HttpFailure failure) {
    last_failure_ = std::move(failure);
    return false;
}

CurlHttpClient::Entry* CurlHttpClient::add(int kind, HttpHandle parent, std::string_view text,
                                           HttpHandle& handle) {
    handle = 0;
    // A connection hangs under a root handle, a request under a connection.
    if (kind != INTERNET && find(parent, kind == REQUEST ? CONNECTION : INTERNET) == nullptr)
        return nullptr;
    auto entry = std::make_unique<Entry>();
    entry->kind = static_cast<Kind>(kind);
    entry->parent = parent;
    entry->text = text;
    Entry* made = entry.get();
    handle = next_handle_++;
    entries_.emplace(handle, std::move(entry));
    return made;
}

CurlHttpClient::Entry* CurlHttpClient::find(HttpHandle handle, int kind) {
    const auto found = entries_.find(handle);
    if (found == entries_.end() || found->second->kind != kind) {
        fail(failure(HttpFailureKind::BROKEN_ANSWER, "no such handle"));
        return nullptr;
    }
    return found->second.get();
}

CurlHttpClient::Entry* CurlHttpClient::sent_request(HttpHandle handle) {
    Entry* request = find(handle, REQUEST);
    if (request != nullptr && !request->sent) {
        fail(failure(HttpFailureKind::BROKEN_ANSWER, "request not sent"));
        return nullptr;
    }
    return request;
}

HttpHandle CurlHttpClient::open_internet(std::string_view agent, const TransferLimits& limits) {
    HttpHandle handle = 0;
    add(INTERNET, 0, agent, handle)->limits = limits;
    return handle;
}

HttpHandle CurlHttpClient::connect(HttpHandle internet, std::string_view host, std::uint16_t port) {
    HttpHandle handle = 0;
    if (Entry* connection = add(CONNECTION, internet, host, handle))
        connection->port = port;
    return handle;
}

HttpHandle CurlHttpClient::open_GET_request(HttpHandle connection, std::string_view object_name,
                                            HttpDeadline deadline) {
    HttpHandle handle = 0;
    if (Entry* request = add(REQUEST, connection, object_name, handle))
        request->deadline = deadline;
    return handle;
}

bool CurlHttpClient::send(HttpHandle handle) {
    Entry* request = find(handle, REQUEST);
    if (request == nullptr)
        return false;
    const Entry& connection = *entries_.at(request->parent);
    const Entry& internet = *entries_.at(connection.parent);

    forget_response(*request);
    const std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        return fail(failure(HttpFailureKind::CANNOT_CONNECT, "libcurl could not start a transfer"));
    // No "Accept" line: the request names no accepted types.
    const std::unique_ptr<curl_slist, ListDeleter> extra(curl_slist_append(nullptr, "Accept:"));
    const std::string url = request_url(connection, *request);
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    // HTTPS only, also for a redirect (which is not followed anyway), with the peer's chain and
    // host name verified: a stranger on the path must not be able to hand us a program.
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "https");
#else
    curl_easy_setopt(e, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
#endif
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!trusted_authorities_.empty()) {
        curl_easy_setopt(e, CURLOPT_CAINFO, trusted_authorities_.c_str());
        curl_easy_setopt(e, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(e, CURLOPT_USERAGENT, internet.text.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, extra.get());
    // A redirect is an answer like any other; cookies are neither sent nor kept (the cookie
    // engine stays off), and libcurl keeps no cache.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    const TransferLimits& limits = internet.limits;
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(limits.low_speed_bytes));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.low_speed_time.count()));
    if (request->deadline) {
        // The transfer happens here as a whole, so the time left is its time limit.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            *request->deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return fail(describe(CURLE_OPERATION_TIMEDOUT, 0, X509_V_OK));
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
    }
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, request);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, request);

    CURLcode result = curl_easy_perform(e);
    if (result == CURLE_OK && !request->headers_complete)
        result = CURLE_GOT_NOTHING;
    if (result != CURLE_OK) {
        long os_error = 0;
        long verify_result = X509_V_OK;
        curl_easy_getinfo(e, CURLINFO_OS_ERRNO, &os_error);
        curl_easy_getinfo(e, CURLINFO_SSL_VERIFYRESULT, &verify_result);
        HttpFailure what = describe(result, os_error, verify_result);
        if (!request->headers_complete) {
            forget_response(*request);
            return fail(std::move(what));
        }
        request->broken = std::move(what);
    }
    request->sent = true;
    return true;
}

bool CurlHttpClient::raw_headers(HttpHandle handle, std::string& headers) {
    const Entry* request = sent_request(handle);
    if (request == nullptr)
        return false;
    headers = request->headers;
    return true;
}

bool CurlHttpClient::bytes_available(HttpHandle handle, std::uint32_t& count) {
    const Entry* request = sent_request(handle);
    if (request == nullptr)
        return false;
    const std::size_t remaining = request->body.size() - request->position;
    if (remaining == 0 && request->broken)
        return fail(*request->broken);
    count = static_cast<std::uint32_t>(std::min<std::size_t>(remaining, BLOCK_BYTES));
    return true;
}

bool CurlHttpClient::read(HttpHandle handle, char* buffer, std::uint32_t count,
                          std::uint32_t& done) {
    Entry* request = sent_request(handle);
    done = 0;
    if (request == nullptr)
        return false;
    const std::size_t remaining = request->body.size() - request->position;
    if (remaining == 0 && count > 0 && request->broken)
        return fail(*request->broken);
    const std::size_t bytes = std::min<std::size_t>(remaining, count);
    if (bytes > 0)
        std::memcpy(buffer, request->body.data() + request->position, bytes);
    request->position += bytes;
    done = static_cast<std::uint32_t>(bytes);
    return true;
}

void CurlHttpClient::close(HttpHandle handle) {
    if (entries_.erase(handle) == 0) {
        fail(failure(HttpFailureKind::BROKEN_ANSWER, "no such handle"));
        return;
    }
    // Whatever was opened under the handle goes with it.
    bool removed = true;
    while (removed) {
        removed = false;
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->second->kind != INTERNET && !entries_.contains(it->second->parent)) {
                it = entries_.erase(it);
                removed = true;
            } else {
                ++it;
            }
        }
    }
}

} // namespace q9xz
