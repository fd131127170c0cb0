#pragma once
// The test's end of a program's clock channel (mahjong/app/clock_channel.h):
// a Unix socket the program connects to, "step <ms>" lines that move its
// clock and the "rest ..." lines it answers with.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace screen {

// What a "rest" line tells.
struct Rest {
    uint64_t steps = 0, requests = 0, notices = 0, buttons = 0;
    int x = 0, y = 0;
    bool operator==(const Rest&) const = default;
};

inline std::optional<Rest> ParseRest(const std::string& line) {
    Rest r;
    unsigned long long s, q, n, b;
    if (std::sscanf(line.c_str(), "rest %llu %llu %llu %llu %d %d", &s, &q, &n, &b, &r.x, &r.y) !=
        6)
        return std::nullopt;
    r.steps = s, r.requests = q, r.notices = n, r.buttons = b;
    return r;
}

class ClockConductor {
  public:
    explicit ClockConductor(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof(address.sun_path)) return;
        std::memcpy(address.sun_path, path.data(), path.size());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(fd_, 1) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~ClockConductor() {
        Hangup();
        if (fd_ >= 0) ::close(fd_);
    }
    ClockConductor(const ClockConductor&) = delete;
    ClockConductor& operator=(const ClockConductor&) = delete;

    bool Listening() const { return fd_ >= 0; }
    // Waits up to `ms` of real time for the program to connect.
    bool Accept(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) != 1) return false;
        peer_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        return peer_ >= 0;
    }
    bool Step(int64_t ms) {
        const std::string line = "step " + std::to_string(ms) + "\n";
        if (::send(peer_, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size()))
            return false;
        ++steps_;
        return true;
    }
    uint64_t StepsSent() const { return steps_; }
    // The next line within `ms` of real time, without its end; nullopt when
    // none came or the program went away (then Gone()).
    std::optional<std::string> Next(int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (const size_t end = pending_.find('\n'); end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd p{peer_, POLLIN, 0};
            if (peer_ < 0 || left.count() < 0 || ::poll(&p, 1, int(left.count())) != 1)
                return std::nullopt;
            char buffer[512];
            const ssize_t n = ::read(peer_, buffer, sizeof buffer);
            if (n <= 0) {
                gone_ = true;
                return std::nullopt;
            }
            pending_.append(buffer, size_t(n));
        }
    }
    // The latest rest the program told, reading what has come within `ms`.
    const Rest& Latest(int ms) {
        while (auto line = Next(ms)) {
            if (auto rest = ParseRest(*line)) latest_ = *rest;
            ms = 0;
        }
        return latest_;
    }
    const Rest& Last() const { return latest_; }
    bool Gone() const { return gone_; }
    void Hangup() {
        if (peer_ >= 0) ::close(peer_);
        peer_ = -1;
    }

  private:
    int fd_ = -1, peer_ = -1;
    std::string pending_;
    uint64_t steps_ = 0;
    Rest latest_;
    bool gone_ = false;
};

}  // namespace screen
