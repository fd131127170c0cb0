#include "transport/notice.h"

#include <cstring>

#include "platform/bytes.h"

namespace transport {

void TransportInfo::Encode(uint8_t* out) const {
    const uint32_t words[6] = {socket, messageNumber, wantsReply, serial, reserved4, reserved5};
    for (int i = 0; i < 6; ++i)
        platform::StoreLE32(out + 4 * i, words[i]);
}

TransportInfo TransportInfo::Decode(const uint8_t* in) {
    TransportInfo info;
    info.socket = platform::LoadLE32(in);
    info.messageNumber = platform::LoadLE32(in + 4);
    info.wantsReply = platform::LoadLE32(in + 8);
    info.serial = platform::LoadLE32(in + 12);
    info.reserved4 = platform::LoadLE32(in + 16);
    info.reserved5 = platform::LoadLE32(in + 20);
    return info;
}

void FreeNotice(TransportNotice* notice) {
    if (notice) notice->data.reset();
}

void CopyNotice(TransportNotice& target, const TransportNotice& source) {
    if (&target == &source) return;
    std::memcpy(target.head, source.head, sizeof target.head);
    target.length = source.data ? source.length : 0;
    target.data.reset();
    if (source.length != 0 && source.data) {
        target.data = std::make_unique<uint8_t[]>(source.length);
        std::memcpy(target.data.get(), source.data.get(), source.length);
    }
}

}  // namespace transport
