#include "test_http_server.h"

#include <arpa/inet.h>
#include <cctype>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace q9xz::test {

namespace {

int bound_socket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

// One accepted connection, plain or TLS.
class TestHttpServer::Connection {
  public:
    Connection(int fd, SSL_CTX* tls) : fd_(fd) {
        // A client that gives up must not hold the server for long.
        timeval wait{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        if (tls != nullptr) {
            ssl_ = SSL_new(tls);
            SSL_set_fd(ssl_, fd);
            ok_ = SSL_accept(ssl_) == 1;
        }
    }
    ~Connection() {
        if (ssl_ != nullptr) {
            if (ok_)
                SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return ok_; }
    int fd() const { return fd_; }

    // Bytes received; 0 at the end or on failure.
    std::size_t receive(char* buffer, std::size_t size) {
        const long got = ssl_ != nullptr ? SSL_read(ssl_, buffer, static_cast<int>(size))
                                         : ::recv(fd_, buffer, size, 0);
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

    bool send_all(std::string_view data) {
        while (!data.empty()) {
            const long sent = ssl_ != nullptr
                                  ? SSL_write(ssl_, data.data(), static_cast<int>(data.size()))
                                  : ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            data.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

  private:
    int fd_;
    SSL* ssl_ = nullptr;
    bool ok_ = true;
};

TestHttpServer::TestHttpServer(SslContext tls) : tls_(std::move(tls)) {
    // A client that hangs up mid-answer must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    listener_ = bound_socket(port_);
    if (::listen(listener_, 8) != 0) {
        ::close(listener_);
        throw std::runtime_error("listen");
    }
    thread_ = std::thread([this] { run(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void TestHttpServer::serve(const std::string& path, ServedResponse response) {
    const std::lock_guard lock(mutex_);
    responses_[path] = std::move(response);
}

void TestHttpServer::use_tls(SslContext tls) {
    const std::lock_guard lock(mutex_);
    tls_ = std::move(tls);
}

void TestHttpServer::set_silent(bool silent) {
    const std::lock_guard lock(mutex_);
    silent_ = silent;
}

void TestHttpServer::clear() {
    const std::lock_guard lock(mutex_);
    responses_.clear();
    requests_.clear();
}

std::vector<ReceivedRequest> TestHttpServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpServer::hold(int fd) {
    while (!stopping_) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        // Whatever the client says is left unanswered; its hanging up ends the wait.
        char chunk[512];
        if (::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT) <= 0)
            return;
    }
}

void TestHttpServer::run() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0)
            continue;
        SslContext tls;
        bool silent = false;
        {
            const std::lock_guard lock(mutex_);
            tls = tls_;
            silent = silent_;
        }
        if (silent) {
            hold(fd);
            ::close(fd);
            continue;
        }
        Connection connection(fd, tls.get());
        if (connection.ok())
            answer(connection);
    }
}

void TestHttpServer::answer(Connection& connection) {
    std::string received;
    while (received.find("\r\n\r\n") == std::string::npos) {
        char chunk[4096];
        const std::size_t got = connection.receive(chunk, sizeof chunk);
        if (got == 0)
            return;
        received.append(chunk, got);
        // What is not an HTTP request (a TLS greeting to a plain server) gets what a web
        // server says to it.
        if (!std::isupper(static_cast<unsigned char>(received[0]))) {
            connection.send_all("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n");
            return;
        }
    }
    const std::size_t line_end = received.find("\r\n");
    ReceivedRequest request{received.substr(0, line_end),
                            received.substr(line_end + 2, received.find("\r\n\r\n") - line_end)};
    // "GET /path HTTP/1.1"
    const std::size_t path_start = request.request_line.find(' ') + 1;
    const std::string path = request.request_line.substr(
        path_start, request.request_line.find(' ', path_start) - path_start);

    ServedResponse response("<html>Not Found</html>", "404 Not Found");
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (const auto found = responses_.find(path); found != responses_.end())
            response = found->second;
    }
    std::string head = "HTTP/1.1 " + response.status + "\r\n";
    if (!response.no_length)
        head += "Content-Length: " +
                std::to_string(response.announced_length.value_or(response.body.size())) + "\r\n";
    head += "Connection: close\r\n";
    for (const std::string& line : response.extra_headers)
        head += line + "\r\n";
    head += "\r\n";
    std::string_view body = response.body;
    if (response.cut_after)
        body = body.substr(0, *response.cut_after);
    if (!connection.send_all(head))
        return;
    if (response.trickle.count() == 0) {
        connection.send_all(body);
        return;
    }
    for (std::size_t i = 0; i < body.size() && !stopping_; ++i) {
        if (!connection.send_all(body.substr(i, 1)))
            return;
        std::this_thread::sleep_for(response.trickle);
    }
}

std::uint16_t unused_port() {
    std::uint16_t port = 0;
    ::close(bound_socket(port));
    return port;
}

} // namespace q9xz::test
