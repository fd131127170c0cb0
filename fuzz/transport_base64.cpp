// Decodes untrusted text as Base64; what decodes must encode back to the
// same symbols.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "transport/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    transport::CBase64Coder coder;
    std::vector<uint8_t> bytes;
    const bool ok = coder.DecodeBytes(std::span<const uint8_t>(data, size), bytes);
    if (!ok && !bytes.empty()) std::abort();
    if (bytes.size() > size) std::abort();
    std::string text;
    coder.EncodeToString(bytes, text);
    std::vector<uint8_t> again;
    if (!coder.Decode(text, again) || again != bytes) std::abort();
    return 0;
}
