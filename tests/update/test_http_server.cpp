#include "test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace q9xz::test {

namespace {

int bound_socket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        throw std::runtime_error("socket");
    }
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

bool send_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

} // namespace

TestHttpServer::TestHttpServer() {
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

void TestHttpServer::clear() {
    const std::lock_guard lock(mutex_);
    responses_.clear();
    requests_.clear();
}

std::vector<ReceivedRequest> TestHttpServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpServer::run() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) {
            continue;
        }
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection >= 0) {
            answer(connection);
            ::close(connection);
        }
    }
}

void TestHttpServer::answer(int connection) {
    std::string received;
    while (received.find("\r\n\r\n") == std::string::npos) {
        pollfd waiting{connection, POLLIN, 0};
        char chunk[4096];
        if (::poll(&waiting, 1, 5000) <= 0) {
            return;
        }
        const ssize_t got = ::recv(connection, chunk, sizeof chunk, 0);
        if (got <= 0) {
            return;
        }
        received.append(chunk, static_cast<std::size_t>(got));
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
        if (const auto found = responses_.find(path); found != responses_.end()) {
            response = found->second;
        }
    }
    std::string head = "HTTP/1.1 " + response.status + "\r\nContent-Length: " +
                       std::to_string(response.announced_length.value_or(response.body.size())) +
                       "\r\nConnection: close\r\n";
    for (const std::string& line : response.extra_headers) {
        head += line + "\r\n";
    }
    head += "\r\n";
    std::string_view body = response.body;
    if (response.cut_after) {
        body = body.substr(0, *response.cut_after);
    }
    if (send_all(connection, head)) {
        send_all(connection, body);
    }
    ::shutdown(connection, SHUT_WR);
}

std::uint16_t unused_port() {
    std::uint16_t port = 0;
    ::close(bound_socket(port));
    return port;
}

} // namespace q9xz::test
