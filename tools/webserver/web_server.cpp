#include "tools/webserver/web_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "tools/loopback_server.h"
#include "tools/webserver/http_wire.h"
#include "tools/webserver/pages.h"

namespace webserver {
namespace {

constexpr size_t kPiece = 64 * 1024;

bool SendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(size_t(n));
    }
    return true;
}

// Reads the request head until its blank line, the size limit or the deadline.
// nullopt: the peer went or took too long; an empty head: too large.
std::optional<std::string> ReadHead(int fd, std::chrono::steady_clock::time_point deadline) {
    std::string bytes;
    char buffer[2048];
    for (;;) {
        if (const size_t length = HeadLength(bytes)) return bytes.substr(0, length);
        if (bytes.size() > WebServer::kMaxHead) return std::string();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) return std::nullopt;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return std::nullopt;
        bytes.append(buffer, size_t(n));
    }
}

// Readable filler text: the same GBK line over and over, cut to `n` bytes
// on a line's end or an ASCII character.
std::string Filler(size_t n) {
    static const std::string kLine = "公告内容 notice text 0123456789\n";
    std::string out;
    out.reserve(n);
    while (out.size() + kLine.size() <= n)
        out += kLine;
    out.append(n - out.size(), '.');
    return out;
}

// Says the answer is complete and lets the reader take it before the close:
// unread bytes at the close would reset the connection under the reader.
// The descriptor itself is closed after the thread is joined.
void EndConnection(int fd) {
    shutdown(fd, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) break;
        if (recv(fd, buffer, sizeof buffer, 0) <= 0) break;
    }
    shutdown(fd, SHUT_RDWR);
}

}  // namespace

WebServer::WebServer(WebOptions options) : options_(std::move(options)) {}

WebServer::~WebServer() {
    Stop();
}

uint16_t WebServer::Start(uint16_t port) {
    listenFd_ = tools::ListenOnLoopback(port, 64);
    int pipeFds[2];
    if (listenFd_ < 0 || pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (listenFd_ >= 0) close(listenFd_);
        listenFd_ = -1;
        return 0;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    port_ = port;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return port_;
}

void WebServer::Stop() {
    if (!acceptor_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Wakes every connection waiting to read, to send, or out its delay.
        for (Connection& c : connections_)
            shutdown(c.fd, SHUT_RDWR);
    }
    changed_.notify_all();
    [[maybe_unused]] ssize_t n = write(wakeWrite_, "x", 1);
    acceptor_.join();
    for (Connection& c : connections_) {
        c.thread.join();
        close(c.fd);
    }
    connections_.clear();
    for (int* fd : {&listenFd_, &wakeRead_, &wakeWrite_}) {
        close(*fd);
        *fd = -1;
    }
}

std::string WebServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void WebServer::SetOptions(const WebOptions& options) {
    std::lock_guard lock(mutex_);
    options_ = options;
}

void WebServer::ReleaseDelayed() {
    {
        std::lock_guard lock(mutex_);
        ++releases_;
    }
    changed_.notify_all();
}

std::vector<LoggedRequest> WebServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool WebServer::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void WebServer::ReapFinished() {
    std::list<Connection> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if (it->done) finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (Connection& c : finished) {
        c.thread.join();
        close(c.fd);
    }
}

void WebServer::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;  // Stop
        if (!fds[0].revents) continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ReapFinished();
        const timeval sendLimit{std::chrono::seconds(kConnectionTime).count(), 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
        std::lock_guard lock(mutex_);
        if (stopping_ || connections_.size() >= kMaxConnections) {
            SendAll(fd, ResponseHead(503, "text/plain", 0, false));
            close(fd);
            requests_.push_back({"", "", 503, 0});
            changed_.notify_all();
            continue;
        }
        Connection& c = connections_.emplace_back();
        c.fd = fd;
        c.thread = std::thread([this, &c] {
            Serve(c);
            EndConnection(c.fd);
            std::lock_guard doneLock(mutex_);
            c.done = true;
        });
    }
}

bool WebServer::WaitForDelayed(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return delayed_ >= count; });
}

bool WebServer::WaitOutDelay(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex_);
    const uint64_t releases = releases_;
    ++delayed_;
    changed_.notify_all();
    changed_.wait_for(lock, delay, [&] { return stopping_ || releases_ != releases; });
    --delayed_;
    return !stopping_;
}

void WebServer::Log(LoggedRequest request) {
    std::lock_guard lock(mutex_);
    if (!options_.logPath.empty()) {
        if (FILE* f = std::fopen(options_.logPath.c_str(), "a")) {
            std::fprintf(f, "%s %s %d %llu\n", request.method.c_str(), request.target.c_str(),
                         request.status, static_cast<unsigned long long>(request.bytes));
            std::fclose(f);
        }
    }
    requests_.push_back(std::move(request));
    changed_.notify_all();
}

void WebServer::Serve(Connection& connection) {
    const int fd = connection.fd;
    const auto head = ReadHead(fd, std::chrono::steady_clock::now() + kConnectionTime);
    if (!head) return;
    if (head->empty()) {
        SendAll(fd, ResponseHead(431, "text/plain", 0, false));
        Log({"", "", 431, 0});
        return;
    }
    const auto request = ParseRequestHead(*head);
    if (!request) {
        SendAll(fd, ResponseHead(400, "text/plain", 0, false));
        Log({"", "", 400, 0});
        return;
    }
    WebOptions options;
    {
        std::lock_guard lock(mutex_);
        options = options_;
    }
    const Reply reply = Answer(*request, options, HostAndPort());
    if (options.delay.count() > 0 && !WaitOutDelay(options.delay)) return;
    const uint64_t length = reply.body.size() + reply.filler;
    bool ok = SendAll(fd, ResponseHead(reply.status, reply.contentType, length, options.chunked));
    uint64_t sent = 0;
    auto body = [&](std::string_view data) {
        if (!ok || data.empty()) return;
        ok = SendAll(fd, options.chunked ? Chunk(data) : std::string(data));
        if (ok) sent += data.size();
    };
    if (request->method != "HEAD") {
        // A chunked body starts with a piece of three bytes, so that a reader
        // gets even a short prefix in more than one piece.
        const std::string_view text = reply.body;
        const size_t first = options.chunked ? std::min<size_t>(3, text.size()) : text.size();
        body(text.substr(0, first));
        body(text.substr(first));
        const std::string filler = reply.filler ? Filler(kPiece) : std::string();
        for (uint64_t left = reply.filler; ok && left > 0;) {
            const size_t n = size_t(std::min<uint64_t>(left, kPiece));
            body(std::string_view(filler).substr(0, n));
            left -= n;
        }
        if (ok && options.chunked) ok = SendAll(fd, Chunk({}));
    }
    Log({request->method, request->target, reply.status, sent});
}

}  // namespace webserver
