#pragma once
// The pixel blitters: an image (32-bit or paletted, with or without alpha,
// one frame of a strip) onto a 32-bit B, G, R, A surface, placed by a draw
// record: unrotated copies, colour-keyed, alpha and translucent loops,
// nearest and smooth rotation, the invert highlight, nearest-neighbour
// scaling, the dirty-rectangle copy and the pool entity's point list.
//
// Scaling to the draw size happens while sampling (a 10-bit fixed-point step
// per axis), so no draw allocates a buffer the size of the scaled image.
// Every destination pixel is tested against the clip rectangle, itself cut to
// the surface; every source position against the clipped source rectangle.

#include <cstdint>
#include <span>
#include <vector>

namespace engine {

struct ImageRecord;

// Draw flags read by the blitters.
inline constexpr uint32_t kBlitClip = 0x2;        // clip to the record's clip rectangle
inline constexpr uint32_t kBlitOverOpaque = 0x8;  // only over destination alpha 255
inline constexpr uint32_t kBlitSmooth = 0x20;     // bilinear sampling when rotating
inline constexpr uint32_t kBlitInvert = 0x800;    // invert the destination under the image
inline constexpr uint32_t kNoBlendColor = 0xFF00FF;

// Left and top inside, right and bottom outside.
struct BlitRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const BlitRect&, const BlitRect&) = default;
};

// A 32-bit surface: B, G, R, A, rows top-down without gaps. Alpha 0 means
// nothing has been drawn there yet.
struct BlitSurface {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// What the blitters read of an entity's draw record. The clip rectangle is in
// the coordinates of the surface drawn on.
struct BlitPlacement {
    double angle = 0.0;  // degrees
    int32_t drawX = 0;   // where the image's centre lands on the surface
    int32_t drawY = 0;
    int32_t width = 0;  // the drawn size
    int32_t height = 0;
    int32_t radius = 0;  // bounding radius; computed and stored when below 1
    uint32_t flags = 0;
    BlitRect clip;
};

// An image as the loops read it: the frames of one strip, the palette as
// R, G, B triples (paletted images), the colour key (an index for paletted
// images, 256 for none).
struct BlitSource {
    const uint8_t* pixels = nullptr;
    size_t byteSize = 0;  // of `pixels`; rows beyond it are treated as absent
    uint32_t width = 0;   // of a frame
    uint32_t height = 0;
    uint32_t frameCount = 1;
    uint32_t flags = 0;  // image flags: 1 keyed, 2 / 4 paletted, 8 alpha
    uint32_t colorKey = kNoBlendColor;
    const uint8_t* palette = nullptr;
    uint32_t colorCount = 0;
};

BlitSource SourceOf(const ImageRecord& image);

// Draws the source rectangle (srcX, srcY, srcW, srcH) of the strip. Opacity
// at or below 0 (or NaN) draws nothing; above 1 counts as 1. A blend colour
// other than kNoBlendColor replaces the destination in translucent mixes.
void BlitImage(const BlitSurface& surface, BlitPlacement& placement, const BlitSource& image,
               int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH, double opacity,
               uint32_t blendColor);
void BlitImage(const BlitSurface& surface, BlitPlacement& placement, const ImageRecord& image,
               int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH, double opacity,
               uint32_t blendColor);

// The bounding radius of a draw size: sqrt(((w+1)/2)^2 + ((h+1)/2)^2) + 0.5
// with integer halves, truncated; 0 when either size is below 1.
int32_t BlitRadius(int32_t width, int32_t height);

// The clip rectangle (with kBlitClip) or the whole surface, cut to the surface.
BlitRect GetClipRect(const BlitSurface& surface, const BlitPlacement& placement);

// Nearest-neighbour resampling of a source rectangle of a buffer `pitch`
// pixels wide and `rows` rows high: 4 bytes per pixel, or (ScalePaletted) 1
// byte, 2 with image flag 8. Empty when a destination size is 0 or the
// rectangle does not lie inside the buffer.
std::vector<uint8_t> ScaleImage32(const uint8_t* pixels, uint32_t pitch, uint32_t rows,
                                  uint32_t srcX, uint32_t srcY, uint32_t srcW, uint32_t srcH,
                                  uint32_t dstW, uint32_t dstH);
std::vector<uint8_t> ScalePaletted(const uint8_t* pixels, uint32_t pitch, uint32_t rows,
                                   uint32_t srcX, uint32_t srcY, uint32_t srcW, uint32_t srcH,
                                   uint32_t dstW, uint32_t dstH, uint32_t imageFlags);

// Copies each rectangle from `source` to the same place of `target`, cut to
// both surfaces.
void BlitDirtyRects(const BlitSurface& target, const BlitSurface& source,
                    std::span<const BlitRect> rects);

// One point of the pool entity's list, in world coordinates.
struct PoolPoint {
    int32_t x = 0;
    int32_t y = 0;
    uint8_t b = 0, g = 0, r = 0, a = 0;
};

// Draws the points with left <= x < right and top <= y < bottom at surface
// pixel (x - viewX, y - viewY), mixed by their own alpha and the opacity.
void DrawPointList(const BlitSurface& surface, int32_t viewX, int32_t viewY, int32_t left,
                   int32_t top, int32_t right, int32_t bottom, std::span<const PoolPoint> points,
                   double opacity);

}  // namespace engine
