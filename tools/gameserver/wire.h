#pragma once
// The game server's side of the wire: packets with their 52-byte header and
// CRC-32, the chunk cut of a message, and an incremental reader that checks
// every length as soon as it arrives. Written apart from the client's framing
// (the CRC comes from zlib) so that one mistake cannot hide in both.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gameserver {

using Bytes = std::vector<uint8_t>;

inline constexpr uint32_t kKindRequest = 1;
inline constexpr uint32_t kKindReply = 2;
inline constexpr size_t kHeaderWords = 13;
inline constexpr size_t kPacketOverhead = 60;  // length word, header, chunk length
inline constexpr uint32_t kMaxPiece = 4000;

// The header words a packet carries, besides its CRC words.
struct PacketFields {
    uint32_t kind = kKindRequest;
    uint32_t serial = 0;
    uint32_t messageNumber = 0;
    uint32_t part = 0;
    uint32_t lastPart = 0;
    uint32_t wantsReply = 0;
};

struct Packet {
    PacketFields fields;
    bool hadCrc = false;
    Bytes data;
};

// CRC-32 (ISO-HDLC) through zlib.
uint32_t Crc32(std::span<const uint8_t> bytes);

// [L = 56 + n][13 header words][n][data]; with `withCrc`, word 2 = 1 and
// word 3 = CRC over the whole packet computed with words 2 and 3 zero.
Bytes EncodePacket(const PacketFields& fields, std::span<const uint8_t> data, bool withCrc);

// Offsets of interest inside an encoded packet, for fault injection.
inline constexpr size_t kOffsetLength = 0;
inline constexpr size_t kOffsetCrc = 16;
inline constexpr size_t kOffsetChunkLength = 56;
inline constexpr size_t HeaderWordOffset(size_t word) {
    return 4 + 4 * word;
}

// The chunks of a message: pieces of at most `pieceSize` bytes, in order; an
// empty message gives no chunk.
std::vector<Bytes> SplitMessage(std::span<const uint8_t> message, uint32_t pieceSize);

// Cuts a byte stream into packets. Every length word is judged as soon as its
// four bytes are in, so a bad length never makes the reader buffer more.
class PacketReader {
  public:
    explicit PacketReader(uint32_t maxPiece = kMaxPiece) : maxPiece_(maxPiece) {}

    // Adds bytes; false once the stream is broken (see error()).
    bool Feed(std::span<const uint8_t> bytes);
    // The next whole packet, when one is ready.
    std::optional<Packet> Next();
    bool broken() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    size_t buffered() const { return buffer_.size() - offset_; }

  private:
    bool Parse();

    uint32_t maxPiece_;
    Bytes buffer_;
    size_t offset_ = 0;
    std::vector<Packet> ready_;
    size_t readyHead_ = 0;
    std::string error_;
};

// Joins the parts of kind-1 messages (one message at a time, parts in order).
class MessageAssembler {
  public:
    struct Message {
        uint32_t number = 0;
        uint32_t wantsReply = 0;
        Bytes bytes;
    };
    // A finished message, or nothing; `error` is set for a broken sequence.
    std::optional<Message> Take(const Packet& packet, std::string& error);

  private:
    uint32_t number_ = 0;
    uint32_t lastPart_ = 0;
    uint32_t wantsReply_ = 0;
    Bytes bytes_;
};

}  // namespace gameserver
