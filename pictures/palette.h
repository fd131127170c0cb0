#pragma once
// Palettes: the palette table's record, the ".quad" palette file and the
// nearest-colour lookup used when a picture is loaded with a colour key.
//
// ".quad" layout (little-endian): name (32 bytes, NUL-terminated), colour
// count n (u16), n triples R, G, B. Counts above 256 are taken as 256.
// A name without its NUL is refused, here and in the ".pps" pictures that
// name a palette, so that both read the same name.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace engine {

inline constexpr size_t kPaletteNameBytes = 32;
inline constexpr size_t kMaxPaletteColors = 256;

// Reads a 32-byte palette name field. Nothing, with a log line, when the name
// has no NUL; an empty name when the field is cut (`reader` then fails).
std::optional<std::string> ReadPaletteName(platform::ByteReader& reader);

class PaletteRecord {
  public:
    // Copies the name (cut to 31 bytes), min(count, 256) triples.
    void Set(std::span<const uint8_t> rgbTriples, uint32_t count, std::string_view name);

    // Fills the record from ".quad" bytes; false (record unchanged) when the
    // bytes are shorter than the header or than the triples they announce, or
    // the name has no NUL.
    bool Assign(std::span<const uint8_t> quadBytes);

    // Index of the nearest colour to a COLORREF (0x00BBGGRR): least sum of the
    // absolute cubed channel differences, first of equals, 0 when none comes
    // below 1,000,000.
    uint32_t Lookup(uint32_t colorref) const;

    const uint8_t* Colors() const { return colors_.data(); }
    uint32_t count() const { return count_; }
    const std::string& name() const { return name_; }

  private:
    std::string name_;
    std::array<uint8_t, kMaxPaletteColors * 3> colors_{};
    uint32_t count_ = 0;
};

// The manager's palette table, keyed by the palette's own name.
class PaletteTable {
  public:
    // Reads ".quad" bytes and enters the palette under the name in the file;
    // an entry of that name already present stays. False when unreadable.
    bool LoadQuad(std::span<const uint8_t> quadBytes);

    const PaletteRecord* Find(std::string_view name) const;
    size_t size() const { return table_.size(); }
    void Clear() { table_.clear(); }

  private:
    std::map<std::string, PaletteRecord, std::less<>> table_;
};

}  // namespace engine
