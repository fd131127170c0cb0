// Arbitrary bytes into the worker's receive path, in slices, as recv would
// hand them over: whatever arrives must end in a clear result, never an
// overrun, and no buffer may grow past one packet and one read block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "transport/transport_socket.h"

namespace {
const uint8_t kKey[16] = {0x51, 0x65, 0x76, 0x6f, 0x2d, 0x74, 0x61, 0x62,
                          0x6c, 0x65, 0x2d, 0x6b, 0x65, 0x79, 0x21, 0x07};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 20)) return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    transport::CTransportSocket socket(kKey, 128, (mode & 2) ? 0x100 : 0, 0, 1, 4000);
    socket.AddEntry(nullptr, 0);
    transport::EntryPtr entry = socket.FirstEntry(nullptr);
    // Awaiting the reply to message 1 opens the reply path too.
    if (mode & 1) socket.ResetReplyState(1, *entry);
    const size_t slice = 1 + size_t(mode >> 2) * 67;
    for (size_t at = 0; at < size; at += slice) {
        size_t n = size - at < slice ? size - at : slice;
        entry->receiveBuffer.Append(data + at, uint32_t(n));
        bool good = socket.ProcessReceived(*entry);
        if (entry->receiveBuffer.Size() > 4060 + slice) std::abort();
        if (!good) break;  // the worker reports the connection broken here
    }
    return 0;
}
