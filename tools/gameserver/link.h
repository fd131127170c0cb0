#pragma once
// One client connection as the game servers see it: the greeting first, then
// packets cut and checked as the bytes come, joined into messages and opened
// into bodies; and the packets of the messages that go back.

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/gameserver/envelope.h"
#include "tools/gameserver/wire.h"

namespace gameserver {

// The greeting every client sends first: the u32 21, then "Hello! Mirb Station." and its NUL.
Bytes StandardGreeting();
// The key the server uses unless told otherwise.
Key DefaultKey();

struct ServerOptions {
    Key key = DefaultKey();
    uint32_t cipherFlags = kCipherOn;
    uint32_t compressFlags = 0;
    bool crc = true;
    uint32_t maxPiece = kMaxPiece;
    Bytes greeting = StandardGreeting();
    // Sent to each client right after its greeting checked out (scripted
    // server only).
    std::vector<Body> welcome;
};

struct ReceivedRequest {
    uint32_t messageNumber = 0;
    uint32_t wantsReply = 0;
    uint32_t id = 0;
    Bytes data;
    bool hadCrc = false;  // every packet of it carried a checksum
};

class ClientLink {
  public:
    struct Events {
        virtual ~Events() = default;
        virtual void OnGreeting(const Bytes& greeting, bool expected) = 0;
        virtual void OnRequest(ReceivedRequest request) = 0;
        // A message whose envelopes or body did not open; the link goes on.
        virtual void OnBadMessage(std::string error) = 0;
    };

    explicit ClientLink(const ServerOptions& options)
        : options_(options), reader_(options.maxPiece) {}

    // Takes received bytes; false once the connection must be dropped (a bad
    // greeting, a broken packet stream or part sequence): see error().
    bool Feed(std::span<const uint8_t> bytes, Events& events);
    const std::string& error() const { return error_; }

  private:
    bool Fail(std::string why);

    const ServerOptions& options_;
    bool greeted_ = false;
    Bytes greeting_;
    PacketReader reader_;
    MessageAssembler assembler_;
    bool allCrc_ = true;
    std::string error_;
};

// A listening socket on 127.0.0.1 and a pipe that wakes the server's poll
// when another thread has work for it.
struct Listener {
    int socket = -1, wakeRead = -1, wakeWrite = -1;
    uint16_t port = 0;
    // Listens on `wanted` (0: a free port); the port, or 0 with nothing open.
    uint16_t Open(uint16_t wanted, int backlog);
    void Close();
    void Wake() const;
    void Drain() const;
};

// Seals messages and cuts them into packets as the options say.
class PacketWriter {
  public:
    explicit PacketWriter(const ServerOptions& options) : options_(options) {}
    std::vector<Bytes> Build(uint32_t kind, uint32_t messageNumber, const Body& body,
                             uint32_t wantsReply = 0);
    Bytes Joined(uint32_t kind, uint32_t messageNumber, const Body& body, uint32_t wantsReply = 0);

  private:
    const ServerOptions& options_;
    std::atomic<uint32_t> serial_{0};
};

}  // namespace gameserver
