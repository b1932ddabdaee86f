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

int boundSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind to 127.0.0.1");
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

std::string HttpRequest::header(const std::string& name) const {
    const size_t at = ifind(head, "\r\n" + name + ":");
    if (at == std::string::npos)
        return {};
    const size_t start = at + name.size() + 3;
    return std::string(trimSpaces(std::string_view(head).substr(start, head.find("\r\n", start) - start)));
}

LocalHttpServer::LocalHttpServer(std::function<HttpReply(const HttpRequest&)> handler) : m_handler(std::move(handler)) {
    m_listen = boundSocket(m_port);
    if (::listen(m_listen, 16) != 0 || ::pipe(m_wake) != 0)
        throw std::runtime_error("cannot listen");
    m_acceptor = std::thread([this] {
        while (!m_stopping) {
            pollfd waits[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (::poll(waits, 2, -1) > 0 && (waits[0].revents & POLLIN) && !m_stopping) {
                const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    m_connections.emplace_back([this, fd] { answer(fd); });
            }
        }
    });
}

LocalHttpServer::~LocalHttpServer() {
    m_stopping = true;
    [[maybe_unused]] const ssize_t woken = ::write(m_wake[1], "x", 1);
    m_acceptor.join();
    for (std::thread& connection : m_connections)
        connection.join();
    for (const int fd : {m_listen, m_wake[0], m_wake[1]})
        ::close(fd);
}

std::string LocalHttpServer::address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int LocalHttpServer::refusedPort() {
    int port = 0;
    ::close(boundSocket(port));
    return port;
}

void LocalHttpServer::answer(int fd) {
    HttpRequest request;
    char buffer[4096];
    ssize_t n = 0;
    while (request.head.find("\r\n\r\n") == std::string::npos && request.head.size() < 65536 &&
           (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        request.head.append(buffer, static_cast<size_t>(n));
    const size_t space = request.head.find(' ');
    request.path = request.head.substr(space + 1, request.head.find(' ', space + 1) - space - 1);
    const HttpReply reply = m_handler(request);
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\nConnection: close\r\n";
    for (const std::string& header : reply.headers)
        out += header + "\r\n";
    if (reply.withLength)
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "\r\n" + (reply.stall ? reply.body.substr(0, reply.body.size() / 2) : reply.body);
    for (size_t sent = 0; sent < out.size() && n > 0; sent += static_cast<size_t>(n))
        n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    pollfd wait{m_wake[0], POLLIN, 0};
    ::poll(&wait, 1, reply.stall ? 20000 : 0);
    ::close(fd);
}

} // namespace velmora::test
