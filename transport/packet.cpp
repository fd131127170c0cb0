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

namespace {

// Gathers small appends into blocks: a message cut into tiny pieces costs a
// buffer call per block, not per piece.
class StagedAppend {
  public:
    explicit StagedAppend(CByteBuffer& target) : target_(target) {}
    ~StagedAppend() { Flush(); }
    void Put(const uint8_t* bytes, uint32_t n) {
        if (n > 8) {
            Flush();
            target_.Append(bytes, n);
            return;
        }
        if (n > sizeof stage_ - used_) Flush();
        for (uint32_t i = 0; i < n; ++i)
            stage_[used_ + i] = bytes[i];
        used_ += n;
    }
    void Flush() {
        if (used_) target_.Append(stage_, used_);
        used_ = 0;
    }

  private:
    CByteBuffer& target_;
    uint8_t stage_[4096];
    uint32_t used_ = 0;
};

}  // namespace

// Both walk their source with an offset and reserve their target once, so
// the cost stays linear in the message, whatever the piece size.
int SplitChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize) {
    pieceSize = std::clamp<uint32_t>(pieceSize, 1, kMaxPieceSize);
    target.Clear();
    const uint32_t size = source.Size();
    const uint32_t chunks = size / pieceSize + (size % pieceSize != 0);
    if (uint64_t(size) + 4ull * chunks > CByteBuffer::kMaxCapacity) return 0;
    target.Reserve(size + 4 * chunks);
    {
        StagedAppend out(target);
        uint8_t length[4];
        for (uint32_t at = 0; at < size;) {
            uint32_t n = std::min(pieceSize, size - at);
            platform::StoreLE32(length, n);
            out.Put(length, 4);
            out.Put(source.Data(at), n);
            at += n;
        }
    }
    source.Clear();
    return int(chunks);
}

int ReadChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize) {
    pieceSize = std::min(pieceSize, kMaxPieceSize);
    target.Clear();
    const uint32_t size = source.Size();
    if (size < 5) return 0;
    target.Reserve(size);
    StagedAppend out(target);
    int chunks = 0;
    uint32_t at = 0;
    bool good = true;
    while (size - at >= 5) {
        int32_t n = int32_t(platform::LoadLE32(source.Data(at)));
        if (n > int32_t(pieceSize)) {
            LogPrintf("packet length error! len = %ld", long(n));
            good = false;
            break;
        }
        if (n < 0 || uint32_t(n) > size - at - 4) {
            LogPrintf("packet decompose error! len = %ld", long(n));
            good = false;
            break;
        }
        out.Put(source.Data(at + 4), uint32_t(n));
        at += 4 + uint32_t(n);
        ++chunks;
    }
    if (good && at != size) {
        LogPrintf("packet decompose error! len = %ld", long(size - at));
        good = false;
    }
    out.Flush();
    source.Consume(at);
    return good ? chunks : 0;
}

}  // namespace transport
