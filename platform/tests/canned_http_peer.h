#pragma once
// A loopback peer that answers every HTTP request with the same bytes and
// closes, or (`hold`) keeps the connection open after them, for tests of
// HTTP clients.

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

class CannedHttpPeer {
  public:
    explicit CannedHttpPeer(std::string answer, bool hold = false)
        : listen_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t len = sizeof addr;
        bind(listen_, reinterpret_cast<sockaddr*>(&addr), len);
        listen(listen_, 8);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, answer = std::move(answer), hold] {
            std::vector<int> held;
            for (int fd; (fd = accept(listen_, nullptr, nullptr)) >= 0;) {
                std::string head;
                char buffer[1024];
                for (ssize_t n; head.find("\r\n\r\n") == std::string::npos &&
                                (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
                    head.append(buffer, size_t(n));
                ++requests_;
                [[maybe_unused]] ssize_t sent =
                    send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
                hold ? held.push_back(fd) : void(close(fd));
            }
            for (int fd : held)
                close(fd);
        });
    }
    ~CannedHttpPeer() {
        shutdown(listen_, SHUT_RDWR);  // ends the accept
        thread_.join();
        close(listen_);
    }

    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int requests() const { return requests_; }

  private:
    int listen_;
    uint16_t port_ = 0;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace platform::testing
