#pragma once
// Pictures decoded from the standard formats, before they become an
// ImageRecord: our adapter over libpng, libjpeg, giflib and libtiff, and our
// own readers for BMP, ICO, TGA, PCX and WBMP. Rows run top-down. Every
// reader refuses (false, with a log line) truncated data, lengths past the
// end, sizes that disagree, dimensions past the limits of image_record.h,
// run-length overruns and indices past the palette. Two truncations still
// show, with a log line: a JPEG cut inside its scans (the rest is filled, as
// libjpeg recovers) and a GIF cut after a whole frame (the whole frames).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace engine {

// The decoder format numbers that file extensions map to.
enum class PictureFormat : uint32_t {
    kBmp = 1,
    kGif = 2,
    kJpg = 3,
    kPng = 4,
    kIco = 5,
    kTif = 6,
    kTga = 7,
    kPcx = 8,
    kWbmp = 9,
    kWmf = 10,
    kMng = 17,
};

struct PictureFrame {
    std::vector<uint8_t> index;  // paletted: one index per pixel
    std::vector<uint8_t> alpha;  // paletted with alpha: one alpha per pixel
    std::vector<uint8_t> bgra;   // 32-bit: B, G, R, A per pixel (A 255 without alpha)
    uint32_t delayCs = 0;        // animation delay in hundredths of a second
};

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    bool paletted = false;
    std::vector<uint8_t> palette;  // R, G, B triples, 1 to 256 of them when paletted
    bool alphaValid = false;
    int transIndex = -1;                 // paletted: the transparent index, or -1
    std::optional<uint32_t> transColor;  // 32-bit: the transparent COLORREF, if the file has one
    std::vector<PictureFrame> frames;

    uint32_t colorCount() const { return uint32_t(palette.size() / 3); }
};

// The format of an extension (exact, case-sensitive: ".gif", ".bmp", ...).
std::optional<PictureFormat> FormatForExtension(std::string_view extension);

// Decodes `bytes` in `format` and checks the result's consistency.
bool ReadPicture(PictureFormat format, std::span<const uint8_t> bytes, Picture& out);

// The individual readers; ReadPicture picks one and validates what it made.
bool ReadBmp(std::span<const uint8_t> bytes, Picture& out);
bool ReadIco(std::span<const uint8_t> bytes, Picture& out);
bool ReadTga(std::span<const uint8_t> bytes, Picture& out);
bool ReadPcx(std::span<const uint8_t> bytes, Picture& out);
bool ReadWbmp(std::span<const uint8_t> bytes, Picture& out);
bool ReadPng(std::span<const uint8_t> bytes, Picture& out);
bool ReadJpeg(std::span<const uint8_t> bytes, Picture& out);
bool ReadGif(std::span<const uint8_t> bytes, Picture& out);
bool ReadTiff(std::span<const uint8_t> bytes, Picture& out);

// Helpers the readers share.
namespace picture_detail {
// A grey ramp of `count` entries from black to white.
std::vector<uint8_t> GreyPalette(uint32_t count);
// Whether any alpha byte of a BGRA buffer is not 0: 32-bit BMP, ICO and TGA
// files often leave the fourth byte 0 when they mean opaque.
bool AnyAlpha(const std::vector<uint8_t>& bgra);
// Sets every alpha byte to 255.
void MakeOpaque(std::vector<uint8_t>& bgra);
}  // namespace picture_detail

}  // namespace engine
