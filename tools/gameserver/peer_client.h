#pragma once
// The server's own small client side, built from the same codec: lets the
// server be tested against itself, and gives tests a raw peer.

#include <chrono>
#include <optional>
#include <string>

#include "tools/gameserver/envelope.h"
#include "tools/gameserver/wire.h"

namespace gameserver {

class PeerClient {
  public:
    struct Incoming {
        uint32_t kind = 0;
        uint32_t messageNumber = 0;
        uint32_t wantsReply = 0;
        Body body;
    };

    explicit PeerClient(Key key, uint32_t cipherFlags = kCipherOn, uint32_t compressFlags = 0);
    ~PeerClient();
    PeerClient(const PeerClient&) = delete;
    PeerClient& operator=(const PeerClient&) = delete;

    bool Connect(uint16_t port);
    bool SendBytes(std::span<const uint8_t> bytes);
    // Sends a request as packets with checksums; returns its message number.
    uint32_t SendMessage(uint32_t code, const Bytes& data, bool wantsReply);
    std::optional<Incoming> Read(std::chrono::milliseconds timeout);
    // True when the server closed the connection within `timeout`.
    bool WaitClosed(std::chrono::milliseconds timeout);
    const std::string& error() const { return error_; }

  private:
    bool Fill(std::chrono::milliseconds timeout);

    Key key_;
    uint32_t cipherFlags_, compressFlags_;
    int fd_ = -1;
    uint32_t messages_ = 0, packets_ = 0;
    PacketReader reader_;
    uint32_t assembling_ = 0, lastPart_ = 0;
    Bytes parts_;
    std::string error_;
};

}  // namespace gameserver
