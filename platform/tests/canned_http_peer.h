#pragma once
// A loopback peer that answers every HTTP request with the same bytes, or
// holds the connection open after sending them, for tests of HTTP clients.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

class CannedHttpPeer {
  public:
    // `hold`: keep each connection open after the answer until the peer goes.
    explicit CannedHttpPeer(std::string answer, bool hold = false)
        : answer_(std::move(answer)), hold_(hold) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listen_, 8);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        pipe2(wake_, O_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }
    ~CannedHttpPeer() {
        [[maybe_unused]] ssize_t n = write(wake_[1], "x", 1);
        thread_.join();
        for (int fd : {listen_, wake_[0], wake_[1]})
            close(fd);
    }

    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int requests() const { return requests_; }

  private:
    void Run() {
        std::vector<int> open;
        for (;;) {
            pollfd fds[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 || fds[1].revents) break;
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::string head;
            char buffer[1024];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                head.append(buffer, size_t(n));
            }
            ++requests_;
            [[maybe_unused]] ssize_t sent = send(fd, answer_.data(), answer_.size(), MSG_NOSIGNAL);
            if (hold_) {
                open.push_back(fd);
            } else {
                close(fd);
            }
        }
        for (int fd : open)
            close(fd);
    }

    std::string answer_;
    bool hold_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace platform::testing
