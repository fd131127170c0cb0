#pragma once
// The engine's packed picture format ".pps": a 32-byte header, the palette
// (a shared palette's 32-byte name, or the image's own R, G, B triples), then
// one chunk per frame coded by one of six methods (raw copy, nothing,
// run-length, run-length with zlib alpha, zlib, per-plane choice), then an
// optional hot spot. Only reading is part of the program.
//
// Everything here reads at most the bytes it is given and writes at most the
// size of its destination. A malformed plane stops at its bound (and logs);
// a malformed structure (short header or chunk, sizes that disagree, a size
// past the limits, indices past the palette) refuses the whole picture.

#include <cstddef>
#include <cstdint>
#include <span>

#include "pictures/image_record.h"

namespace engine {

class PaletteTable;

inline constexpr size_t kPpsHeaderBytes = 32;
inline constexpr size_t kPpsChunkHeaderBytes = 20;

enum PpsChunkFlags : uint32_t {
    kPpsChunkIndex = 1,  // one index byte per pixel instead of three colour bytes
    kPpsChunkAlpha = 4,  // an alpha plane follows
    kPpsChunkZlib = 32,  // method 6: the first plane is a zlib stream
};

// Run-length decoders. Return the bytes written; `complete` (when given) is
// set false when the code was malformed: it ran past `out` or ended inside
// an item.
size_t DecodeRle8(std::span<const uint8_t> coded, std::span<uint8_t> out, bool* complete = nullptr);
size_t DecodeRle24(std::span<const uint8_t> coded, std::span<uint8_t> out,
                   bool* complete = nullptr);

// One plane of method 6: a zlib stream with kPpsChunkZlib, else run-length
// code of 1-byte (kPpsChunkIndex) or 3-byte values. False when malformed or
// when it ends before `out` is full.
bool DecodePpsChunk(std::span<const uint8_t> coded, std::span<uint8_t> out, uint32_t chunkFlags);

// Interleaves a colour (3 bytes) or index (1 byte) plane with an alpha plane
// (or 255 when `alpha` is empty). Shape 8 gives index-alpha pairs, any other
// shape colour-alpha quads.
void MergePlanes(std::span<const uint8_t> colourOrIndex, std::span<const uint8_t> alpha,
                 std::span<uint8_t> out, size_t pixelCount, int shape);

// Fills `image` (its id kept) from ".pps" bytes; returns the total decoded
// size, or 0 with `image` unchanged when the bytes are refused. A shared
// palette is left unbound (its name in `sharedPaletteName`).
uint32_t DecodePps(std::span<const uint8_t> bytes, ImageRecord& image);

// DecodePps, then binds a shared palette from `palettes`. 0 on failure.
uint32_t LoadPps(std::span<const uint8_t> bytes, ImageRecord& image, const PaletteTable& palettes);

}  // namespace engine
