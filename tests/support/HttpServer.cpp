#include "support/HttpServer.h"

#include "core/TextUtil.h"

#include <chrono>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace velmora::test {

namespace {

#ifdef _WIN32
using Socket = SOCKET;
constexpr int kSendFlags = 0;

void closeSocket(Socket s) {
    ::closesocket(s);
}

// Winsock is started once for the test program, and its sockets are not handed to the programs a
// test starts.
Socket newSocket() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const Socket s = started ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    if (s != INVALID_SOCKET)
        SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return s;
}

Socket acceptOn(Socket listening) {
    const Socket s = ::accept(listening, nullptr, nullptr);
    if (s != INVALID_SOCKET)
        SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return s;
}

bool valid(Socket s) {
    return s != INVALID_SOCKET;
}
#else
using Socket = int;
constexpr int kSendFlags = MSG_NOSIGNAL;

void closeSocket(Socket s) {
    ::close(s);
}

Socket newSocket() {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

Socket acceptOn(Socket listening) {
    return ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
}

bool valid(Socket s) {
    return s >= 0;
}
#endif

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

Socket boundSocket(int& port) {
    const Socket s = newSocket();
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (!valid(s) || ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind to 127.0.0.1");
    port = ntohs(address.sin_port);
    return s;
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
    const Socket listening = boundSocket(m_port);
    m_listen = static_cast<std::intptr_t>(listening);
    if (::listen(listening, 16) != 0)
        throw std::runtime_error("cannot listen");
    m_acceptor = std::thread([this, listening] {
        for (;;) {
            const Socket connection = acceptOn(listening);
            if (m_stopping) {
                if (valid(connection))
                    closeSocket(connection);
                return;
            }
            if (valid(connection))
                m_connections.emplace_back([this, connection] { answer(static_cast<std::intptr_t>(connection)); });
        }
    });
}

LocalHttpServer::~LocalHttpServer() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    // The acceptor waits in accept: a connection of our own wakes it to see that the server stops.
    const Socket wake = newSocket();
    sockaddr_in address = loopback(m_port);
    ::connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof address);
    m_acceptor.join();
    closeSocket(wake);
    for (std::thread& connection : m_connections)
        connection.join();
    closeSocket(static_cast<Socket>(m_listen));
    for (const std::intptr_t s : m_unanswered)
        closeSocket(static_cast<Socket>(s));
}

int LocalHttpServer::unansweredPort() {
    int port = 0;
    const Socket listening = boundSocket(port);
    m_unanswered.push_back(static_cast<std::intptr_t>(listening));
    if (::listen(listening, 0) != 0)
        throw std::runtime_error("cannot listen");
    // A queue of no connections still takes one or two before it refuses more: fill it, without
    // waiting on a connection that is not taken any more.
    for (int i = 0; i < 2; ++i) {
        const Socket waiting = newSocket();
        m_unanswered.push_back(static_cast<std::intptr_t>(waiting));
#ifdef _WIN32
        u_long nonBlocking = 1;
        ::ioctlsocket(waiting, FIONBIO, &nonBlocking);
#else
        ::fcntl(waiting, F_SETFL, O_NONBLOCK);
#endif
        sockaddr_in address = loopback(port);
        ::connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    return port;
}

std::string LocalHttpServer::address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int LocalHttpServer::refusedPort() {
    int port = 0;
    closeSocket(boundSocket(port));
    return port;
}

void LocalHttpServer::answer(std::intptr_t handle) {
    const auto connection = static_cast<Socket>(handle);
    HttpRequest request;
    char buffer[4096];
    long n = 0;
    while (request.head.find("\r\n\r\n") == std::string::npos && request.head.size() < 65536 &&
           (n = ::recv(connection, buffer, sizeof buffer, 0)) > 0)
        request.head.append(buffer, static_cast<size_t>(n));
    const size_t space = request.head.find(' ');
    request.path = request.head.substr(space + 1, request.head.find(' ', space + 1) - space - 1);
    const HttpReply reply = m_handler(request);
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\nConnection: close\r\n";
    for (const std::string& header : reply.headers)
        out += header + "\r\n";
    if (reply.withLength)
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "\r\n" + (reply.stall ? reply.body.substr(0, reply.body.size() / 2) : reply.dripMs ? "" : reply.body);
    for (size_t sent = 0; sent < out.size() && n > 0; sent += static_cast<size_t>(n))
        n = ::send(connection, out.data() + sent, static_cast<int>(out.size() - sent), kSendFlags);
    // Waits for the server to stop, at most this long; true when it has.
    const auto stopped = [this](std::chrono::milliseconds most) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_stopped.wait_for(lock, most, [this] { return m_stopping.load(); });
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    if (reply.stall)
        stopped(std::chrono::seconds(20));
    for (size_t i = 0; reply.dripMs && i < reply.body.size() && n > 0 && std::chrono::steady_clock::now() < end; ++i) {
        if (stopped(std::chrono::milliseconds(reply.dripMs)))
            break;
        n = ::send(connection, reply.body.data() + i, 1, kSendFlags);
    }
    closeSocket(connection);
}

} // namespace velmora::test
