#pragma once
// Finding a picture on a screen grab, as a person finds a button by its
// look: the picture may be drawn a little larger or smaller, its colour-key
// pixels let the background through, and a few of its pixels may be
// covered or blended. Tests use it to click what the program shows, never
// where the program's own constants say it is.

#include <optional>
#include <string>
#include <vector>

#include "platform/gui/surface.h"

namespace screen {

using platform::POINT;
using platform::RECT;
using platform::Surface;

struct FindOptions {
    // Pixels of the picture in this colour (0xAARRGGBB, alpha ignored) are
    // not compared: the screen shows what lies behind them.
    std::optional<uint32_t> key;
    // A colour channel may differ by this much and still match.
    int tolerance = 24;
    // The share of compared pixels that may still differ.
    double misses = 0.06;
    // Where on the screen to look; empty: everywhere.
    RECT area{};
    // The sizes the picture may be drawn at (1.1: a tenth larger).
    std::vector<double> scales{1.0};
};

struct Found {
    RECT rect;  // where the picture stands on the screen
    double misses = 0;
    double scale = 1.0;
    POINT Centre() const { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }
};

// Every place the picture shows, best first, none overlapping a better one.
std::vector<Found> FindPictures(const Surface& screen, const Surface& picture,
                                const FindOptions& options = {});
// The best place, if any.
std::optional<Found> FindPicture(const Surface& screen, const Surface& picture,
                                 const FindOptions& options = {});

// The part of a surface in `area`.
Surface Crop(const Surface& surface, const RECT& area);
// Cell n of a picture strip whose cells are `width` x `height`, side by side.
Surface CellOf(const Surface& strip, int n, int width, int height);
// The picture drawn `scale` times its size, each pixel from the nearest one.
Surface Scaled(const Surface& picture, double scale);
// An uncompressed 24- or 32-bit BMP file; empty when it is none.
Surface LoadBmp(const std::string& path);
// A picture as the asset generator writes them: a BMP, a PNG or a 32-bit
// packed picture (".pps"), by its extension; empty when it is none.
Surface LoadPicture(const std::string& path);

}  // namespace screen
