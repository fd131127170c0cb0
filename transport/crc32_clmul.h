#pragma once
// CRC-32 by carry-less multiplication (x86-64 PCLMULQDQ): 64 bytes are folded
// per step into four 128-bit lanes, which are then folded into one and
// reduced to 32 bits by Barrett reduction.

#include <cstddef>
#include <cstdint>

namespace transport::crc32_clmul {

// True when this processor runs Update.
bool Available();

// Advances the running register `crc` (as the byte-wise rule keeps it: no
// inversions) over `length` bytes; `length` is a multiple of 16, at least 64.
uint32_t Update(uint32_t crc, const uint8_t* data, size_t length);

}  // namespace transport::crc32_clmul
