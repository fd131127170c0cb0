#include "transport/tests/proxy_test_util.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/message_queue.h"

extern char** environ;

namespace transport::testing {

namespace {

using Steady = std::chrono::steady_clock;

int MillisLeft(Steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    return left.count() < 0 ? 0 : int(left.count());
}

bool ConnectsNow(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0;
    close(fd);
    return ok;
}

// Waits (real time) until `fd` is readable; false on time-out.
bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

int ListenLoopback(uint16_t* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(local);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(local.sin_port);
    return fd;
}

uint16_t FreePort() {
    uint16_t port = 0;
    const int fd = ListenLoopback(&port);
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

bool PeerClosed(int fd, int timeoutMs) {
    const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!Readable(fd, MillisLeft(deadline))) return false;
        uint8_t buf[256];
        const ssize_t got = recv(fd, buf, sizeof(buf), MSG_DONTWAIT);
        if (got == 0) return true;
        if (got < 0 && errno != EAGAIN && errno != EINTR) return true;
    }
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

EchoServer::EchoServer() {
    listen_ = ListenLoopback(&port_);
    thread_ = std::thread([this] {
        while (!stop_) {
            if (!Readable(listen_, 50)) continue;
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            while (!stop_) {
                if (!Readable(fd, 50)) continue;
                uint8_t buf[4096];
                const ssize_t got = recv(fd, buf, sizeof(buf), 0);
                if (got <= 0 || !SendAllBlocking(fd, Bytes(buf, buf + got))) break;
            }
            close(fd);
        }
    });
}

EchoServer::~EchoServer() {
    stop_ = true;
    thread_.join();
    close(listen_);
}

FakeProxy::FakeProxy(std::vector<Step> script) : script_(std::move(script)) {
    listen_ = ListenLoopback(&port_);
    thread_ = std::thread([this] { Run(); });
}

FakeProxy::~FakeProxy() {
    stop_ = true;
    thread_.join();
    if (listen_ >= 0) close(listen_);
}

void FakeProxy::Record(const uint8_t* p, size_t n) {
    std::lock_guard lock(mu_);
    received_.insert(received_.end(), p, p + n);
    cv_.notify_all();
}

void FakeProxy::Run() {
    int fd = -1;
    while (!stop_ && fd < 0) {
        if (Readable(listen_, 50)) fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (fd < 0) return;
    accepted_ = true;
    bool open = true;
    for (const Step& step : script_) {
        if (!open || stop_) break;
        switch (step.kind) {
            case Step::kExpect: {
                size_t left = step.count;
                while (left > 0 && !stop_) {
                    if (!Readable(fd, 50)) continue;
                    uint8_t buf[512];
                    const ssize_t got = recv(fd, buf, std::min(sizeof(buf), left), 0);
                    if (got <= 0) {
                        open = false;
                        break;
                    }
                    Record(buf, size_t(got));
                    left -= size_t(got);
                }
                break;
            }
            case Step::kSend:
                if (!SendAllBlocking(fd, step.bytes)) open = false;
                break;
            case Step::kClose:
                close(fd);
                fd = -1;
                open = false;
                break;
            case Step::kHold:
            case Step::kEcho:
                while (!stop_) {
                    if (!Readable(fd, 50)) continue;
                    uint8_t buf[512];
                    const ssize_t got = recv(fd, buf, sizeof(buf), 0);
                    if (got <= 0) break;
                    if (step.kind == Step::kHold) {
                        Record(buf, size_t(got));
                    } else if (!SendAllBlocking(fd, Bytes(buf, buf + got))) {
                        break;
                    }
                }
                open = false;
                break;
        }
    }
    // Without a closing step, wait for the client to go.
    if (fd >= 0 && open) {
        while (!stop_) {
            if (!Readable(fd, 50)) continue;
            uint8_t buf[512];
            if (recv(fd, buf, sizeof(buf), 0) <= 0) break;
        }
    }
    {
        std::lock_guard lock(mu_);
        clientClosed_ = !stop_;
        cv_.notify_all();
    }
    if (fd >= 0) close(fd);
}

Bytes FakeProxy::Received() {
    std::lock_guard lock(mu_);
    return received_;
}

bool FakeProxy::WaitReceived(size_t n, int timeoutMs) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return received_.size() >= n; });
}

bool FakeProxy::WaitClientClosed(int timeoutMs) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return clientClosed_; });
}

Daemon::~Daemon() {
    Stop();
}

bool Daemon::Start(const std::vector<std::string>& argv, const std::string& logPath, uint16_t port,
                   int timeoutMs) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    pid_ = pid;
    const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    while (Steady::now() < deadline) {
        if (ConnectsNow(port)) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        // Waiting on another process to come up; nothing to drive here.
        usleep(20 * 1000);
    }
    Stop();
    return false;
}

void Daemon::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        usleep(20 * 1000);
    }
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/qevo-proxy-XXXXXX";
    if (const char* made = mkdtemp(pattern)) path_ = made;
    // Daemons that drop privileges still read their files here.
    chmod(path_.c_str(), 0755);
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

bool TempDir::Write(const std::string& name, const std::string& text) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out);
}

bool IsRoot() {
    return geteuid() == 0;
}

bool RunCommand(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool PrivateMountsWork() {
    static const bool works = [] {
        TempDir dir;
        dir.Write("hosts", "127.0.0.1 qevo-probe.test\n");
        return RunCommand({"unshare", "--mount", "sh", "-c",
                           "mount --bind " + dir.File("hosts") +
                               " /etc/hosts && grep -q qevo-probe.test /etc/hosts"});
    }();
    return works;
}

}  // namespace transport::testing
