#include "tools/proxypeer/proxy_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "platform/message_queue.h"
#include "tools/loopback_server.h"

namespace proxypeer {

namespace {

using Steady = std::chrono::steady_clock;

int MillisLeft(Steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    return left.count() < 0 ? 0 : int(left.count());
}

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

// Reads what is there (up to `limit`); false when the peer has gone. The
// stop flag is looked at every 50 ms.
bool ReadSome(int fd, const std::atomic<bool>& stop, size_t limit, Bytes& out) {
    while (!stop) {
        if (!Readable(fd, 50)) continue;
        uint8_t buf[4096];
        const ssize_t got = recv(fd, buf, std::min(sizeof(buf), limit), 0);
        if (got <= 0) return false;
        out.assign(buf, buf + got);
        return true;
    }
    return false;
}

}  // namespace

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes FromHex(std::string_view hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); ++i) {
        if (hex[i] == ' ') continue;
        out.push_back(uint8_t(std::stoi(std::string(hex.substr(i++, 2)), nullptr, 16)));
    }
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

uint16_t FreePort() {
    uint16_t port = 0;
    const int fd = tools::ListenOnLoopback(port, 1);
    if (fd >= 0) close(fd);
    return port;
}

bool SendAllBlocking(int fd, const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool RecvExactly(int fd, size_t n, Bytes& out, int timeoutMs) {
    const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    out.clear();
    while (out.size() < n) {
        if (!Readable(fd, MillisLeft(deadline))) return false;
        uint8_t buf[4096];
        const ssize_t got = recv(fd, buf, std::min(sizeof(buf), n - out.size()), MSG_DONTWAIT);
        if (got == 0) return false;
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return false;
        }
        out.insert(out.end(), buf, buf + got);
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
            platform::DispatchMessage(msg);
        if (done()) return true;
        const int left = MillisLeft(deadline);
        if (left == 0) return false;
        platform::MsgWaitForMultipleObjects({}, platform::DWORD(std::min(left, 50)));
    }
}

ScriptedProxy::ScriptedProxy(std::vector<Step> script) : script_(std::move(script)) {
    listen_ = tools::ListenOnLoopback(port_, 8);
    thread_ = std::thread([this] { Run(); });
}

ScriptedProxy::~ScriptedProxy() {
    stop_ = true;
    thread_.join();
    if (listen_ >= 0) close(listen_);
}

void ScriptedProxy::Record(const uint8_t* p, size_t n) {
    std::lock_guard lock(mu_);
    received_.insert(received_.end(), p, p + n);
    cv_.notify_all();
}

void ScriptedProxy::Run() {
    int fd = -1;
    while (!stop_ && fd < 0) {
        if (Readable(listen_, 50)) fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (fd < 0) return;
    accepted_ = true;
    bool open = true;
    Bytes got;
    for (const Step& step : script_) {
        if (!open || stop_) break;
        switch (step.kind) {
            case Step::kExpect:
                for (size_t left = step.count; left > 0 && open;) {
                    open = ReadSome(fd, stop_, left, got);
                    if (open) Record(got.data(), got.size());
                    left -= open ? got.size() : 0;
                }
                break;
            case Step::kSend:
                open = SendAllBlocking(fd, step.bytes);
                break;
            case Step::kClose:
                close(fd);
                fd = -1;
                open = false;
                break;
            case Step::kHold:
            case Step::kEcho:
                while (ReadSome(fd, stop_, 4096, got)) {
                    if (step.kind == Step::kHold)
                        Record(got.data(), got.size());
                    else if (!SendAllBlocking(fd, got))
                        break;
                }
                open = false;
                break;
        }
    }
    // Without a closing step, wait for the client to go.
    while (fd >= 0 && open && ReadSome(fd, stop_, 4096, got)) {
    }
    {
        std::lock_guard lock(mu_);
        clientClosed_ = !stop_;
        cv_.notify_all();
    }
    if (fd >= 0) close(fd);
}

Bytes ScriptedProxy::Received() {
    std::lock_guard lock(mu_);
    return received_;
}

bool ScriptedProxy::WaitReceived(size_t n, int timeoutMs) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return received_.size() >= n; });
}

bool ScriptedProxy::WaitClientClosed(int timeoutMs) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return clientClosed_; });
}

}  // namespace proxypeer
