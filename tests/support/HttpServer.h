#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

struct HttpRequest {
    std::string path;
    std::string head;                                  // the request line and headers as sent
    std::string header(const std::string& name) const; // its value, or empty
};

struct HttpReply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::string> headers{}; // "Name: value"
    std::string body{};
    bool withLength = true; // else the body ends when the connection closes
    bool stall = false;     // half the body, then nothing until the server stops
    int dripMs = 0;         // the body a byte at a time, this far apart, until the server stops
};

// An HTTP server on 127.0.0.1 (a port the system picks) for tests, on POSIX sockets or Winsock: a
// thread per connection answers one request of at most 64 KiB of head and closes; a stall lasts 20
// seconds at most. Destroying the server ends every wait and joins every thread.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::function<HttpReply(const HttpRequest&)> handler);
    ~LocalHttpServer();

    std::string address(const std::string& path) const;
    // A port on 127.0.0.1 where nothing listens: given out by the system and closed again.
    static int refusedPort();
    // A port on 127.0.0.1 whose queue of connections waiting to be taken is full as long as the server
    // lives: a connection there is never made, and waits for its timeout.
    int unansweredPort();

private:
    void answer(std::intptr_t connection);

    std::function<HttpReply(const HttpRequest&)> m_handler;
    std::intptr_t m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::condition_variable m_stopped; // notified when the server stops, ending stalls
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
    std::vector<std::intptr_t> m_unanswered; // the full queue's socket and the connections in it
};

} // namespace velmora::test
