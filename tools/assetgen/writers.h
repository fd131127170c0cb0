#pragma once
// The file formats the generated assets are written in: 24-bit BMP, 32-bit
// ICO with its AND mask, 16-bit mono PCM WAV, and plain bytes. Paths are
// OS paths; folders are made as needed. Each writer answers false when the
// file cannot be written.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/gui/surface.h"

namespace assetgen {

bool WriteBytes(const std::string& path, std::span<const uint8_t> bytes);
bool WriteText(const std::string& path, const std::string& text);
// Opaque pixels, rows bottom-up, each padded to four bytes.
bool WriteBmp(const std::string& path, const platform::Surface& picture);
// One image per size, straight alpha; the AND mask marks what is clear.
bool WriteIco(const std::string& path, const std::vector<platform::Surface>& images);
// Samples in -1..1 at `rate` per second.
bool WriteWav(const std::string& path, const std::vector<double>& samples, int rate);

}  // namespace assetgen
