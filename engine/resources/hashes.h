#pragma once
// The three name hashes from which every resource id and resource-type id is
// made. Single passes over the bytes up to the end of the text, no allocation;
// unsigned 32-bit arithmetic that wraps.

#include <cstdint>
#include <string_view>

namespace engine {

// h = h * 31 + b over unsigned bytes; full 32 bits.
constexpr uint32_t HashX31(std::string_view text) {
    uint32_t h = 0;
    for (char c : text)
        h = h * 31 + uint8_t(c);
    return h;
}

// Bytes are taken signed on purpose: a double-byte character's bytes add
// negative values, and ids stored in files depend on it.
constexpr uint32_t HashJS(std::string_view text) {
    uint32_t h = 1315423911u;
    for (char c : text)
        h ^= (h << 5) + (h >> 2) + uint32_t(int32_t(static_cast<signed char>(c)));
    return h & 0x7FFFFFFFu;
}

constexpr uint32_t HashRS(std::string_view text) {
    uint32_t h = 0, a = 63689u;
    const uint32_t b = 378551u;
    for (char c : text) {
        h = h * a + uint32_t(int32_t(static_cast<signed char>(c)));
        a *= b;
    }
    return h & 0x7FFFFFFFu;
}

// The six resource categories and their type ids.
inline constexpr std::string_view kImageCategory = ".imge";
inline constexpr std::string_view kScriptCategory = ".script";
inline constexpr std::string_view kSoundCategory = ".sound";
inline constexpr std::string_view kPaletteCategory = ".quad";
inline constexpr std::string_view kUnknownCategory = ".unkown";
inline constexpr std::string_view kPpsCategory = ".pps";

struct ResourceTypeIds {
    uint32_t image = HashRS(kImageCategory);
    uint32_t script = HashRS(kScriptCategory);
    uint32_t sound = HashRS(kSoundCategory);
    uint32_t palette = HashRS(kPaletteCategory);
    uint32_t unknown = HashRS(kUnknownCategory);
    uint32_t pps = HashRS(kPpsCategory);
};

inline constexpr ResourceTypeIds kResourceTypeIds{};

}  // namespace engine
