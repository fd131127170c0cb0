#pragma once
// MP3 files from samples, through the LAME encoder: mono, 64 kbit/s, no
// Xing/LAME tag (so the bytes depend only on the samples and the encoder).

#include <cstdint>
#include <vector>

namespace assetgen {

// Samples in -1..1 at `rate` per second; empty when the encoder fails.
std::vector<uint8_t> EncodeMp3(const std::vector<double>& samples, int rate);

}  // namespace assetgen
