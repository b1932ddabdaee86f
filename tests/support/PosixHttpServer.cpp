#include "support/PosixHttpServer.h"

#include "core/TextUtil.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::test {

namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr int kStallMs = 20 * 1000;
constexpr int kAcceptPollMs = 100;

int boundSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot bind to 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

void sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        data.remove_prefix(static_cast<size_t>(n));
    }
}

} // namespace

std::string HttpRequest::header(const std::string& name) const {
    size_t line = head.find("\r\n");
    while (line != std::string::npos && line + 2 < head.size()) {
        const size_t start = line + 2;
        const size_t end = head.find("\r\n", start);
        const std::string_view text(head.data() + start, (end == std::string::npos ? head.size() : end) - start);
        if (istartsWith(text, name + ":"))
            return std::string(trimSpaces(text.substr(name.size() + 1)));
        line = end;
    }
    return {};
}

LocalHttpServer::LocalHttpServer(std::function<HttpReply(const HttpRequest&)> handler) : m_handler(std::move(handler)) {
    m_listen = boundSocket(m_port);
    if (::listen(m_listen, 16) != 0 || ::pipe(m_wake) != 0)
        throw std::runtime_error("cannot listen");
    m_acceptor = std::thread([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer() {
    m_stopping = true;
    [[maybe_unused]] const ssize_t woken = ::write(m_wake[1], "x", 1);
    m_acceptor.join();
    for (std::thread& connection : m_connections)
        connection.join();
    ::close(m_listen);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

std::string LocalHttpServer::address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<HttpRequest> LocalHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int LocalHttpServer::refusedPort() {
    int port = 0;
    ::close(boundSocket(port));
    return port;
}

void LocalHttpServer::acceptLoop() {
    while (!m_stopping) {
        pollfd waits[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(waits, 2, kAcceptPollMs) <= 0 || !(waits[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            m_connections.emplace_back([this, fd] { answer(fd); });
    }
}

void LocalHttpServer::answer(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, static_cast<size_t>(n));
    }
    HttpRequest request;
    request.head = head.substr(0, head.find("\r\n\r\n"));
    const size_t space = head.find(' ');
    if (space != std::string::npos)
        request.path = head.substr(space + 1, head.find(' ', space + 1) - space - 1);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }
    const HttpReply reply = m_handler(request);
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\nConnection: close\r\n";
    for (const std::string& header : reply.headers)
        out += header + "\r\n";
    if (reply.withLength)
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "\r\n";
    out += reply.stall ? reply.body.substr(0, reply.body.size() / 2) : reply.body;
    sendAll(fd, out);
    if (reply.stall) {
        pollfd wait{m_wake[0], POLLIN, 0};
        ::poll(&wait, 1, kStallMs);
    }
    ::close(fd);
}

} // namespace velmora::test
