#include "transport/packet.h"

#include <algorithm>

#include "platform/bytes.h"
#include "transport/log.h"

namespace transport {

void PacketHeader::Encode(uint8_t* out) const {
    const uint32_t words[13] = {kind,       serial,        crcFlag,   crc,      reserved4,
                                reserved5,  messageNumber, part,      lastPart, reserved9,
                                wantsReply, reserved11,    reserved12};
    for (int i = 0; i < 13; ++i)
        platform::StoreLE32(out + 4 * i, words[i]);
}

PacketHeader PacketHeader::Decode(const uint8_t* in) {
    uint32_t w[13];
    for (int i = 0; i < 13; ++i)
        w[i] = platform::LoadLE32(in + 4 * i);
    return {w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12]};
}

bool IsPacketLengthValid(int32_t length, uint32_t pieceSize) {
    // A packet carries at least one chunk byte; 24 and 25..56 cannot hold a
    // header and a chunk length.
    return length >= int32_t(kPacketOverhead - 4 + 1) &&
           uint32_t(length) <= std::min(pieceSize, kMaxPieceSize) + kPacketOverhead - 4;
}

int SplitChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize) {
    pieceSize = std::clamp<uint32_t>(pieceSize, 1, kMaxPieceSize);
    target.Clear();
    int chunks = 0;
    uint8_t work[kMaxPieceSize];
    uint8_t length[4];
    while (source.Size() > 0) {
        uint32_t n = source.Read(work, std::min(pieceSize, source.Size()));
        platform::StoreLE32(length, n);
        target.Append(length, 4);
        target.Append(work, n);
        ++chunks;
    }
    return chunks;
}

int ReadChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize) {
    pieceSize = std::min(pieceSize, kMaxPieceSize);
    target.Clear();
    if (source.Size() < 5) return 0;
    int chunks = 0;
    while (source.Size() >= 5) {
        int32_t n = int32_t(platform::LoadLE32(source.Data()));
        if (n > int32_t(pieceSize)) {
            LogPrintf("packet length error! len = %ld", long(n));
            return 0;
        }
        if (n < 0 || uint32_t(n) > source.Size() - 4) {
            LogPrintf("packet decompose error! len = %ld", long(n));
            return 0;
        }
        source.Consume(4);
        target.Append(source.Data(), uint32_t(n));
        source.Consume(uint32_t(n));
        ++chunks;
    }
    if (source.Size() != 0) {
        LogPrintf("packet decompose error! len = %ld", long(source.Size()));
        return 0;
    }
    return chunks;
}

}  // namespace transport
