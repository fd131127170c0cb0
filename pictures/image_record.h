#pragma once
// The loaded form of an image resource, as the blitters and image entities
// read it. Frames lie one after another in `pixels`; frame n starts at
// n * width * height * BytesPerPixel(). A 32-bit pixel is blue, green, red,
// alpha; a paletted pixel is an index byte, followed by an alpha byte when
// the image has alpha. Rows run top-down without gaps.

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class PaletteRecord;

enum ImageFlags : uint32_t {
    kImageKeyed = 1,          // the colour key is in force
    kImageSharedPalette = 2,  // the palette belongs to the palette table
    kImagePaletted = 4,       // one index byte per pixel (index + alpha with kImageAlpha)
    kImageAlpha = 8,          // the alpha bytes are meaningful
    kImageDelays = 16,        // the frames carry delays
    kImageHotSpot = 32,       // a hot spot is present
};

inline constexpr uint32_t kDefaultColorKey = 0xFF00FF;
// A paletted image's colour key when no index is transparent.
inline constexpr uint32_t kNoKeyIndex = 256;

// Limits on what any picture may claim: a side fits the record's 16-bit
// fields, and the total bounds memory, so that a hostile header cannot ask
// for an unbounded buffer.
inline constexpr uint32_t kMaxImageSide = 0xFFFF;
inline constexpr uint64_t kMaxImagePixels = uint64_t(16) << 20;  // all frames together

struct ImageRecord {
    uint32_t id = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> pixels;  // its size is the record's byte size
    uint32_t colorKey = kDefaultColorKey;
    uint16_t frameCount = 0;
    uint32_t flags = kImageKeyed;
    std::vector<uint8_t> ownPalette;               // R, G, B triples (paletted, not shared)
    const PaletteRecord* sharedPalette = nullptr;  // with kImageSharedPalette, once bound
    std::string sharedPaletteName;                 // the name a packed picture carries
    uint16_t colorCount = 0;
    std::vector<uint32_t> frameDelays;  // ms per frame, with kImageDelays
    uint16_t hotSpotX = 0;
    uint16_t hotSpotY = 0;

    uint32_t byteSize() const { return uint32_t(pixels.size()); }
    uint32_t BytesPerPixel() const;
    uint32_t FrameBytes() const { return uint32_t(width) * height * BytesPerPixel(); }
    // Frame n taken as 16 bits, counting past the last frame from the first
    // again; 0 without frames.
    uint32_t WrapFrame(uint32_t n) const { return frameCount ? uint16_t(n) % frameCount : 0u; }
    // The R, G, B triples in use, or null for a 32-bit image or an unbound
    // shared palette.
    const uint8_t* Palette() const;
};

// Clears every field (the buffers are released).
void FreeImageData(ImageRecord& image);

// Whether width x height x frames is within the limits above.
bool ImageSizeAllowed(uint64_t width, uint64_t height, uint64_t frames);

}  // namespace engine
