#include "tools/gameserver/wire.h"

#include <zlib.h>

#include <algorithm>

#include "platform/bytes.h"

namespace gameserver {
namespace {

constexpr size_t kMaxMessage = 1 << 20;  // what one assembled request may hold

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    return uint32_t(crc32(crc, bytes.data(), uInt(bytes.size())));
}

Bytes EncodePacket(const PacketFields& f, std::span<const uint8_t> data, bool withCrc) {
    Bytes out;
    out.reserve(kPacketOverhead + data.size());
    platform::ByteWriter w(out);
    w.U32(uint32_t(56 + data.size()));
    const uint32_t words[kHeaderWords] = {
        f.kind, f.serial, 0, 0, 0, 0, f.messageNumber, f.part, f.lastPart, 0, f.wantsReply, 0, 0};
    for (uint32_t word : words)
        w.U32(word);
    w.U32(uint32_t(data.size()));
    w.Bytes(data);
    if (withCrc) {
        uint32_t crc = Crc32(out);
        platform::StoreLE32(&out[HeaderWordOffset(2)], 1);
        platform::StoreLE32(&out[HeaderWordOffset(3)], crc);
    }
    return out;
}

std::vector<Bytes> SplitMessage(std::span<const uint8_t> message, uint32_t pieceSize) {
    std::vector<Bytes> chunks;
    for (size_t at = 0; at < message.size(); at += pieceSize) {
        size_t n = std::min<size_t>(pieceSize, message.size() - at);
        chunks.emplace_back(message.begin() + at, message.begin() + at + n);
    }
    return chunks;
}

bool PacketReader::Feed(std::span<const uint8_t> bytes) {
    if (broken()) return false;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return Parse();
}

bool PacketReader::Parse() {
    while (buffer_.size() - offset_ >= 4) {
        const uint8_t* p = buffer_.data() + offset_;
        uint32_t length = platform::LoadLE32(p);
        if (length < 57 || length > maxPiece_ + 56) {
            error_ = "bad packet length " + std::to_string(int32_t(length));
            return false;
        }
        if (buffer_.size() - offset_ < length + 4) break;
        uint32_t n = platform::LoadLE32(p + kOffsetChunkLength);
        if (n != length - 56) {
            error_ = "chunk length " + std::to_string(n) + " disagrees with packet length " +
                     std::to_string(length);
            return false;
        }
        Packet packet;
        uint32_t words[kHeaderWords];
        for (size_t i = 0; i < kHeaderWords; ++i)
            words[i] = platform::LoadLE32(p + HeaderWordOffset(i));
        if (words[2] != 0) {
            Bytes copy(p, p + length + 4);
            std::fill_n(copy.begin() + HeaderWordOffset(2), 8, 0);
            if (Crc32(copy) != words[3]) {
                error_ = "bad packet checksum";
                return false;
            }
            packet.hadCrc = true;
        }
        packet.fields = {words[0], words[1], words[6], words[7], words[8], words[10]};
        packet.data.assign(p + 60, p + 60 + n);
        ready_.push_back(std::move(packet));
        offset_ += length + 4;
    }
    if (offset_ > 0 && offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    } else if (offset_ > 65536) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + ptrdiff_t(offset_));
        offset_ = 0;
    }
    return true;
}

std::optional<Packet> PacketReader::Next() {
    if (readyHead_ == ready_.size()) {
        ready_.clear();
        readyHead_ = 0;
        return std::nullopt;
    }
    return std::move(ready_[readyHead_++]);
}

std::optional<MessageAssembler::Message> MessageAssembler::Take(const Packet& packet,
                                                                std::string& error) {
    const PacketFields& f = packet.fields;
    auto fail = [&](std::string why) {
        error = std::move(why);
        number_ = lastPart_ = 0;
        bytes_.clear();
        return std::nullopt;
    };
    if (f.messageNumber == 0 || f.part == 0) return fail("message or part number 0");
    if (number_ == 0) {
        if (f.part != 1) return fail("part " + std::to_string(f.part) + " without part 1");
        number_ = f.messageNumber;
        wantsReply_ = f.wantsReply;
        lastPart_ = 0;
        bytes_.clear();
    }
    if (f.messageNumber != number_ || f.part != lastPart_ + 1)
        return fail("message " + std::to_string(f.messageNumber) + " part " +
                    std::to_string(f.part) + " out of sequence");
    if (bytes_.size() + packet.data.size() > kMaxMessage) return fail("message too large");
    lastPart_ = f.part;
    bytes_.insert(bytes_.end(), packet.data.begin(), packet.data.end());
    if (!f.lastPart) return std::nullopt;
    Message done{number_, wantsReply_, std::move(bytes_)};
    number_ = lastPart_ = 0;
    bytes_ = {};
    return done;
}

}  // namespace gameserver
