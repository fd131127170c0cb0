// Unwraps untrusted bytes as an incoming message: both envelopes, with and
// without a key. Whatever it accepts must be a whole, bounded message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "transport/message_transform.h"

namespace {
const uint8_t kKey[16] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                          0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    for (const uint8_t* key : {kKey, static_cast<const uint8_t*>(nullptr)}) {
        transport::CByteBuffer buffer;
        buffer.Append(data, uint32_t(size));
        transport::CMessageTransform transform(key, 128, 0, 0);
        if (transform.Apply(buffer, transport::kTransformIn) &&
            buffer.Size() > transport::kMaxPlainSize)
            std::abort();
    }
    // Each envelope on its own, as the receiver meets them, through one
    // transform kept across inputs (its zlib streams are reused).
    static transport::CMessageTransform kept(kKey, 128, 0, 0);
    transport::CByteBuffer inner;
    inner.Append(data, uint32_t(size));
    if (kept.Compress(inner, 2) && inner.Size() > transport::kMaxPlainSize) std::abort();
    return 0;
}
