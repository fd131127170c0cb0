#pragma once
// Peers for proxy tests on loopback: a scripted proxy that follows a list of
// steps on its first connection (its last step may echo, standing for the
// tunnel's far end), and blocking socket helpers bounded by real time (the peers run on
// threads of their own, so waiting on them needs no clock of ours).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace proxypeer {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view text);
// The bytes of hexadecimal digit pairs; blanks between them are skipped.
Bytes FromHex(std::string_view hex);
Bytes Cat(std::initializer_list<Bytes> parts);
// A loopback port nobody listens on right now.
uint16_t FreePort();
bool SendAllBlocking(int fd, const Bytes& bytes);
// Reads exactly n bytes within `timeoutMs`.
bool RecvExactly(int fd, size_t n, Bytes& out, int timeoutMs = 5000);
// Pumps the calling thread's messages until `done` or `timeoutMs`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// A proxy that follows a script on its first connection.
class ScriptedProxy {
  public:
    struct Step {
        enum Kind { kExpect, kSend, kClose, kHold, kEcho } kind;
        Bytes bytes;       // kSend: sent
        size_t count = 0;  // kExpect: this many bytes are read and recorded
    };
    static Step Expect(size_t n) { return {Step::kExpect, {}, n}; }
    static Step Send(Bytes b) { return {Step::kSend, std::move(b), 0}; }
    static Step Send(std::string_view text) { return {Step::kSend, ToBytes(text), 0}; }
    static Step CloseNow() { return {Step::kClose, {}, 0}; }
    // Reads until the client closes, recording what came.
    static Step Hold() { return {Step::kHold, {}, 0}; }
    // Acts as the tunnel's far end: echoes until the client closes.
    static Step Echo() { return {Step::kEcho, {}, 0}; }

    explicit ScriptedProxy(std::vector<Step> script);
    ~ScriptedProxy();
    uint16_t Port() const { return port_; }

    // Everything the client sent before the script reached kEcho.
    Bytes Received();
    bool WaitReceived(size_t n, int timeoutMs = 5000);
    // Until the script has ended and the client's side is closed.
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

}  // namespace proxypeer
