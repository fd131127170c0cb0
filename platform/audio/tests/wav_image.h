#pragma once
// A WAV file image for tests: 8 kHz, mono, 8 bits, every sample `level`.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/bytes.h"

namespace platform::testing_support {

inline std::vector<uint8_t> WavImage(uint32_t samples, uint8_t level) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    auto tag = [&](std::string_view t) { out.insert(out.end(), t.begin(), t.end()); };
    tag("RIFF");
    w.U32(36 + samples);
    tag("WAVEfmt ");
    for (uint32_t v : {16u, 0x10001u, 8000u, 8000u, 0x80001u})
        w.U32(v);
    tag("data");
    w.U32(samples);
    out.insert(out.end(), samples, level);
    return out;
}

}  // namespace platform::testing_support
