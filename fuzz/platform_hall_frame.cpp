// Reads an untrusted byte stream as hall link frames, in pieces whose sizes
// the first byte chooses. Every frame taken must re-encode to its bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/hall_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 256 * 1024) return 0;
    const size_t piece = data[0] % 64 + 1;
    const std::span<const uint8_t> stream(data + 1, size - 1);
    platform::HallFrameReader reader;
    size_t consumed = 0;
    for (size_t at = 0; at < stream.size(); at += piece) {
        reader.Append(stream.subspan(at, std::min(piece, stream.size() - at)));
        platform::HallFrame frame;
        platform::HallFrameReader::Status status;
        while ((status = reader.Next(frame)) == platform::HallFrameReader::Status::kFrame) {
            const auto bytes = platform::EncodeHallFrame(frame);
            if (bytes.empty() || consumed + bytes.size() > stream.size() ||
                !std::equal(bytes.begin(), bytes.end(), stream.begin() + std::ptrdiff_t(consumed)))
                std::abort();
            consumed += bytes.size();
        }
        if (status == platform::HallFrameReader::Status::kError) {
            if (reader.error().empty()) std::abort();
            break;
        }
    }
    return 0;
}
