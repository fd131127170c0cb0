#pragma once
// A web server on loopback, for tests and demos: the pages the client
// fetches over HTTP (the advert page, the notice text, the rules and skin
// pages, and the files of an optional folder), with switches that make it
// slow, missing, wrong, chunked or huge, and a log of every request. Each
// connection is served on its own thread, one request per connection.
// Every public call is thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace webserver {

struct WebOptions {
    // Each answer waits this long first (ReleaseDelayed ends the waits).
    std::chrono::milliseconds delay{0};
    bool notFound = false;     // every request answers 404
    bool wrongPrefix = false;  // the notice path answers an HTML page instead
    bool chunked = false;      // bodies go in chunked transfer coding
    uint64_t hugeBytes = 0;    // when set, the notice text is this long
    std::string logPath;       // the request log is also appended to this file
    std::string fileRoot;      // other paths are files under this folder
};

struct LoggedRequest {
    std::string method;
    std::string target;
    int status = 0;
    uint64_t bytes = 0;  // body bytes sent
};

class WebServer {
  public:
    static constexpr size_t kMaxHead = 8 * 1024;
    static constexpr size_t kMaxConnections = 16;
    static constexpr std::chrono::seconds kConnectionTime{5};

    explicit WebServer(WebOptions options = {});
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens on 127.0.0.1:port (0: a free port). Returns the port, 0 on failure.
    uint16_t Start(uint16_t port = 0);
    void Stop();
    uint16_t port() const { return port_; }
    // "127.0.0.1:port", what the hall hands out as the notice and advert host.
    std::string HostAndPort() const;

    void SetOptions(const WebOptions& options);
    void ReleaseDelayed();
    // Waits until `count` answers are held back by the delay.
    bool WaitForDelayed(size_t count, std::chrono::milliseconds timeout) const;
    // Requests answered so far, in order.
    std::vector<LoggedRequest> Requests() const;
    // Waits until `count` requests were answered or `timeout` passed.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;

  private:
    struct Connection {
        int fd = -1;
        std::thread thread;
        bool done = false;
    };

    void AcceptLoop();
    void Serve(Connection& connection);
    bool WaitOutDelay(std::chrono::milliseconds delay);
    void Log(LoggedRequest request);
    void ReapFinished();

    uint16_t port_ = 0;
    int listenFd_ = -1;
    int wakeRead_ = -1, wakeWrite_ = -1;
    std::thread acceptor_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    WebOptions options_;
    bool stopping_ = false;
    uint64_t releases_ = 0;
    size_t delayed_ = 0;
    std::list<Connection> connections_;
    std::vector<LoggedRequest> requests_;
};

}  // namespace webserver
