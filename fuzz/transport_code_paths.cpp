// The processor's instructions against the table code on any input: CRC-32
// of every length and alignment, AES of any key and buffer, both directions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "transport/crc32.h"
#include "transport/rijndael.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16)) return 0;
    using transport::CodePath;
    const transport::CCrc32 fast, table(CodePath::kTable);
    const size_t skip = data[0] % 16;  // varies the alignment
    if (skip < size) {
        const uint32_t n = uint32_t(size - skip);
        if (fast.Compute(data + skip, n) != table.Compute(data + skip, n)) std::abort();
    }

    const int bits = 128 + 64 * (data[0] % 3);
    const size_t keyBytes = size_t(bits / 8);
    if (size < 1 + keyBytes) return 0;
    const uint8_t* key = data + 1;
    const uint8_t* in = key + keyBytes;
    const uint32_t length = uint32_t(size - 1 - keyBytes);
    transport::CRijndael hw, sw(CodePath::kTable);
    if (!hw.SetKey(key, bits) || !sw.SetKey(key, bits)) std::abort();
    uint32_t n = 0;
    std::vector<uint8_t> a(length + 16), b(length + 16);
    if (!hw.EncryptBuffer(in, length, a.data(), &n) ||
        !sw.EncryptBuffer(in, length, b.data(), &n) || a != b)
        std::abort();
    const uint32_t whole = length - length % 16;
    if (!hw.DecryptBuffer(in, whole, a.data(), &n) || !sw.DecryptBuffer(in, whole, b.data(), &n) ||
        a != b)
        std::abort();
    return 0;
}
