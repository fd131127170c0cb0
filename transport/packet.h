#pragma once
// Wire packets: [u32 L = 56 + n][13 header words][u32 n][n chunk bytes],
// all little-endian, with an optional CRC-32 over the whole packet. A message
// is cut into a chunk stream ([u32 n][n bytes]...) whose elements travel one
// per packet, numbered by message and part.

#include <cstdint>

#include "transport/byte_buffer.h"

namespace transport {

inline constexpr uint32_t kPacketKindRequest = 1;
inline constexpr uint32_t kPacketKindReply = 2;
inline constexpr uint32_t kPacketHeaderSize = 52;
// Bytes of a packet besides its chunk: length word, header, chunk length.
inline constexpr uint32_t kPacketOverhead = 60;
// The largest chunk a packet may carry, whatever a connection asks for.
inline constexpr uint32_t kMaxPieceSize = 4000;
// The one size limit of a message, sent or received: its data bytes inside
// the chunk stream (the message with its envelopes), however it is cut. The
// protocol's largest messages are a few KB (a round-start block is 5052
// bytes), so a peer gets ample room but cannot grow a buffer without end.
inline constexpr uint32_t kMaxMessageSize = 1u << 20;

struct PacketHeader {
    uint32_t kind = 0;           // word 0
    uint32_t serial = 0;         // word 1
    uint32_t crcFlag = 0;        // word 2
    uint32_t crc = 0;            // word 3
    uint32_t reserved4 = 0;      // word 4
    uint32_t reserved5 = 0;      // word 5
    uint32_t messageNumber = 0;  // word 6
    uint32_t part = 0;           // word 7
    uint32_t lastPart = 0;       // word 8
    uint32_t reserved9 = 0;      // word 9
    uint32_t wantsReply = 0;     // word 10
    uint32_t reserved11 = 0;     // word 11
    uint32_t reserved12 = 0;     // word 12

    void Encode(uint8_t* out) const;
    static PacketHeader Decode(const uint8_t* in);
};

// Whether a received length word L (the bytes after it) can start a packet
// of a connection whose pieces are at most `pieceSize`.
bool IsPacketLengthValid(int32_t length, uint32_t pieceSize);

// Empties `target`, then moves `source` into it as a chunk stream of pieces
// of at most `pieceSize` (at most kMaxPieceSize); `source` ends empty.
// Returns the number of chunks.
int SplitChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize);
// Empties `target`, then joins the chunks of `source` into it. Fails (0, with
// a log line) on a chunk longer than `pieceSize` or than the bytes left, or
// when `source` held fewer than 5 bytes. Returns the number of chunks.
int ReadChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize);

}  // namespace transport
