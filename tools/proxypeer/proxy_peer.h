#pragma once
// Test peers for the proxy socket: a loopback echo target, a scripted fake
// proxy, real proxy daemons started from a temporary directory, and a
// message pump with a real-time bound for waiting on loopback traffic.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace transport::testing {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view text);
// A loopback port nobody listens on right now.
uint16_t FreePort();
// A listening loopback socket (blocking) on a free port; -1 on failure.
int ListenLoopback(uint16_t* port);
// Blocking helpers on a plain socket, each bounded by `timeoutMs` of real time.
bool SendAllBlocking(int fd, const Bytes& bytes);
bool RecvExactly(int fd, size_t n, Bytes& out, int timeoutMs = 5000);
// True when the peer closed the connection (read returns 0 or a reset) within the bound.
bool PeerClosed(int fd, int timeoutMs = 5000);
// Pumps the calling thread's messages until `done` or `timeoutMs` of real time.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Echoes every connection's bytes back (one connection at a time).
class EchoServer {
  public:
    EchoServer();
    ~EchoServer();
    uint16_t Port() const { return port_; }

  private:
    int listen_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A proxy that follows a script on its first connection.
class FakeProxy {
  public:
    struct Step {
        enum Kind { kExpect, kSend, kClose, kHold, kEcho } kind;
        Bytes bytes;  // kExpect: this many bytes are read (content recorded); kSend: sent
        size_t count = 0;
    };
    static Step Expect(size_t n) { return {Step::kExpect, {}, n}; }
    static Step Send(Bytes b) { return {Step::kSend, std::move(b), 0}; }
    static Step Send(std::string_view text) { return {Step::kSend, ToBytes(text), 0}; }
    static Step CloseNow() { return {Step::kClose, {}, 0}; }
    // Reads until the client closes, recording what came.
    static Step Hold() { return {Step::kHold, {}, 0}; }
    // Acts as the tunnel's far end: echoes until the client closes.
    static Step Echo() { return {Step::kEcho, {}, 0}; }

    explicit FakeProxy(std::vector<Step> script);
    ~FakeProxy();
    uint16_t Port() const { return port_; }

    // Everything the client sent before the script reached kHold or kEcho.
    Bytes Received();
    // Blocks (real time) until `n` bytes have arrived.
    bool WaitReceived(size_t n, int timeoutMs = 5000);
    // Blocks until the script has ended and the client's side is closed.
    bool WaitClientClosed(int timeoutMs = 5000);
    bool Accepted() const { return accepted_; }

  private:
    void Run();
    void Record(const uint8_t* p, size_t n);

    std::vector<Step> script_;
    int listen_ = -1;
    uint16_t port_ = 0;
    std::mutex mu_;
    std::condition_variable cv_;
    Bytes received_;
    bool clientClosed_ = false;
    std::atomic<bool> accepted_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A daemon in the foreground, killed (SIGTERM, then SIGKILL) on destruction.
class Daemon {
  public:
    Daemon() = default;
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;
    // Starts argv (stdout and stderr into `logPath`) and waits for `port` to accept.
    bool Start(const std::vector<std::string>& argv, const std::string& logPath, uint16_t port,
               int timeoutMs = 10000);
    void Stop();
    bool Running() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

// A temporary directory removed with its contents on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    bool Write(const std::string& name, const std::string& text) const;

  private:
    std::string path_;
};

bool IsRoot();
// Runs a command (argv) to completion; true on exit status 0.
bool RunCommand(const std::vector<std::string>& argv);
// Whether `unshare --mount` with a bind mount works here.
bool PrivateMountsWork();

}  // namespace transport::testing
