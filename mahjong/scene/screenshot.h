#pragma once
// Screenshots: the engine's screen read back as a device-independent bitmap
// holds it (rows padded to 4 bytes, the bottom row first, at the display's
// depth), turned into the JPEG writer's RGB rows and saved; and the file
// name of the table's screenshot command.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/daily_log.h"

namespace platform {
class Surface;
}

namespace mahjong {

struct ScreenBits {
    int32_t width = 0;
    int32_t height = 0;
    // 16: words of 5-5-5 red, green, blue; 24: blue, green, red; 32: blue,
    // green, red and an unused byte.
    int32_t bitsPerPixel = 0;
    std::vector<uint8_t> bits;  // height rows of DibStride bytes, bottom row first
};

// The bytes of one bitmap row: width x bits per pixel, rounded up to 4 bytes.
size_t DibStride(int32_t width, int32_t bitsPerPixel);

// A 32-bit surface read at the given depth; no bits for a depth other than
// 16, 24 or 32.
ScreenBits CaptureScreen(const platform::Surface& screen, int32_t bitsPerPixel);

// Red, green, blue per pixel, rows without gaps, bottom row first; empty for
// an unsupported depth or bits shorter than the size says.
std::vector<uint8_t> ScreenBitsToRgb(const ScreenBits& screen);

// Converts and writes the JPEG file; false, with a game log line or the
// writer's message box, when no file was saved.
bool SaveScreenshotJpeg(const std::string& path, int32_t quality, const ScreenBits& screen);

// "<ini name>_<user id>_<year><month x 100 + day>_<hour x 10000 + minute x
// 100 + second>", without the extension.
std::string ScreenshotFileName(std::string_view iniName, uint32_t userId,
                               const platform::LocalDateTime& when);

}  // namespace mahjong
