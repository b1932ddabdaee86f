#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

// A request as the server read it.
struct HttpRequest {
    std::string path;
    std::string head; // the request line and headers as sent
    // The value of a header, or empty.
    std::string header(const std::string& name) const;
};

// What the server answers.
struct HttpReply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::string> headers; // "Name: value"
    std::string body;
    bool withLength = true; // Content-Length; otherwise the body ends when the connection closes
    bool stall = false;     // sends the headers and half the body, then nothing until the server stops
};

// An HTTP server on 127.0.0.1 for tests, on a port the system picks: one thread accepts, one thread
// per connection answers one request and closes. Requests are read up to 64 KiB of head; a stalled
// reply waits at most 20 seconds. Everything stops and is joined when the server is destroyed.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::function<HttpReply(const HttpRequest&)> handler);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int port() const { return m_port; }
    std::string address(const std::string& path) const;
    std::vector<HttpRequest> requests() const;

    // A port on 127.0.0.1 where nothing listens: the system gave it out and it was closed again.
    static int refusedPort();

private:
    void acceptLoop();
    void answer(int fd);

    std::function<HttpReply(const HttpRequest&)> m_handler;
    int m_listen = -1;
    int m_wake[2] = {-1, -1}; // written to when the server stops, to end every wait
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

} // namespace velmora::test
