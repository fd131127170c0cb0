#pragma once
// A scripted game server on loopback, for tests and demos. It accepts one
// client at a time, checks the greeting, answers requests from its script,
// pushes notifications, and injects wire faults on demand. Every public call
// is thread-safe; the server's own thread does all socket work.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/gameserver/link.h"

namespace gameserver {

// What the script does with one request id.
struct Reply {
    uint32_t result = 0;
    Bytes data;
    bool answer = true;  // false: never answer
    std::chrono::milliseconds delay{0};
    bool hold = false;  // keep the reply until ReleaseHeld()

    static Reply With(uint32_t result, Bytes data = {}) {
        Reply r;
        r.result = result;
        r.data = std::move(data);
        return r;
    }
    static Reply Silent() {
        Reply r;
        r.answer = false;
        return r;
    }
    static Reply Held(uint32_t result) {
        Reply r = With(result);
        r.hold = true;
        return r;
    }
    static Reply After(std::chrono::milliseconds delay, uint32_t result) {
        Reply r = With(result);
        r.delay = delay;
        return r;
    }
};

enum class WriteMode {
    kPerPacket,  // one send per packet
    kCoalesced,  // everything in one send
    kBytewise,   // one byte per send
};

class GameServer : private ClientLink::Events {
  public:
    explicit GameServer(ServerOptions options = {});
    ~GameServer();
    GameServer(const GameServer&) = delete;
    GameServer& operator=(const GameServer&) = delete;

    // Listens on 127.0.0.1:port (0 = a free port) with the given backlog and
    // starts the server's thread. Returns the port, or 0 on failure.
    uint16_t Start(uint16_t port = 0, int backlog = 4);
    void Stop();
    uint16_t port() const { return listener_.port; }

    // Script.
    // A responder sees every request first, on the server's thread; the
    // reply it gives (for a request that wants one) goes before the script's.
    using Responder = std::function<std::optional<Reply>(const ReceivedRequest&)>;
    void SetResponder(Responder responder);
    void SetReply(uint32_t requestId, Reply reply);
    void SetDefaultReply(std::optional<Reply> reply);  // for ids without a script line
    void ReleaseHeld();                                // sends every held reply now

    // Notifications and raw bytes to the current client.
    bool Notify(uint32_t id, Bytes data);
    // A whole message as packets, for tests to tamper with before SendRaw.
    std::vector<Bytes> BuildPackets(uint32_t kind, uint32_t messageNumber, const Body& body,
                                    uint32_t wantsReply = 0);
    uint32_t NextMessageNumber();
    bool SendRaw(std::vector<Bytes> pieces, WriteMode mode = WriteMode::kPerPacket);

    // Connection faults.
    void Fin();         // shutdown(SHUT_WR): the client sees an orderly close
    void Reset();       // RST: SO_LINGER 0, then close
    void Disconnect();  // plain close
    void StopReading(bool stop);

    // Observation; waits end when the event happens or `timeout` passes.
    bool WaitForClient(std::chrono::milliseconds timeout);
    std::optional<Bytes> WaitForGreeting(std::chrono::milliseconds timeout);
    std::optional<ReceivedRequest> WaitForRequest(std::chrono::milliseconds timeout);
    bool WaitForClientGone(std::chrono::milliseconds timeout);
    std::vector<std::string> Errors() const;

  private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        Bytes bytes;
    };
    struct Connection;

    void Run();
    void Post(std::function<void()> job);
    bool RunOnThread(std::function<bool()> job);
    void Accept();
    void ReadClient();
    void OnGreeting(const Bytes& greeting, bool expected) override;
    void OnRequest(ReceivedRequest request) override;
    void OnBadMessage(std::string error) override;
    void Answer(const ReceivedRequest& request);
    bool WriteAll(std::span<const uint8_t> bytes);
    void DropClient(const std::string& why);
    void NoteError(std::string error);
    Bytes PacketsFor(uint32_t kind, uint32_t number, const Body& body, uint32_t wantsReply);

    ServerOptions options_;
    Listener listener_;
    std::thread thread_;
    PacketWriter writer_{options_};
    std::atomic<uint32_t> messageCounter_{0};
    bool stopping_ = false;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    std::map<uint32_t, Reply> script_;
    Responder responder_;
    std::optional<Reply> defaultReply_;
    std::vector<std::string> errors_;
    std::deque<Bytes> greetings_;
    std::deque<ReceivedRequest> requests_;
    bool connected_ = false;

    // Server thread only.
    int clientFd_ = -1;
    bool greeted_ = false;
    bool stopReading_ = false;
    std::optional<ClientLink> link_;
    std::vector<Pending> delayed_;
    std::vector<Bytes> held_;
};

}  // namespace gameserver
