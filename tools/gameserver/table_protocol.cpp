#include "tools/gameserver/table_protocol.h"

#include "platform/bytes.h"

namespace gameserver::table {

Bytes ToBytes(const Words& words) {
    Bytes out;
    out.reserve(words.size() * 4);
    platform::ByteWriter w(out);
    for (int32_t word : words)
        w.I32(word);
    return out;
}

Words ToWords(std::span<const uint8_t> bytes) {
    Words out(bytes.size() / 4);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int32_t(platform::LoadLE32(&bytes[i * 4]));
    return out;
}

size_t MinimumBytes(uint32_t id) {
    switch (id) {
        case kVersion:
            return 0;
        case kKeepAlive:
            return 16;
        case kIsRunning:
        case kTableData:
        case kStart:
        case kSeeHand:
        case kStalled:
        case kPresent:
        case kSceneRequest:
            return 32;
        case 201180:
            return 36;
        case kCall:
        case kSeeHandAnswer:
        case kPass:
        case kExitAnswer:
            return 40;
        case kFlower:
            return 44;
        case kHu:
            return 48;
        case kPung:
        case kKong:
        case kChow:
        case kPungDone:
        case kChowDone:
        case kExposedKong:
        case kConcealedKong:
        case kAddedKong:
            return 64;
        case kExitRequest:
            return kExitRequestBytes;
        case kLeave:
        case kDraw:
            return 96;
        case kDiscard:
            return kDiscardBaseBytes;
        case kChat:
            return 128;
        case kEnter:
            return kEnterBytes;
        default:
            return 0;
    }
}

bool IsWaited(uint32_t id) {
    switch (id) {
        case kEnter:
        case kVersion:
        case kIsRunning:
        case kTableData:
        case kDiscard:
        case kDraw:
        case kKong:
        case kPungDone:
        case kChowDone:
        case kExposedKong:
        case kConcealedKong:
        case kAddedKong:
        case kFlower:
        case kHu:
            return true;
        default:
            return false;
    }
}

}  // namespace gameserver::table
