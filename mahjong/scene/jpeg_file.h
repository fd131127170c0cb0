#pragma once
// JpegFile: writes an RGB picture as a baseline JPEG file through libjpeg.
// The buffer is the screen as a bottom-up bitmap holds it: width x height
// pixels of red, green, blue, rows without gaps, the bottom row first; the
// file shows the top row first.

#include <cstdint>
#include <string>

namespace mahjong {

class JpegFile {
  public:
    // 1 when the file was written, 0 otherwise. A file that cannot be opened
    // is reported in the application's message box; a write that fails
    // later leaves no file behind and a game log line. `fileName` is a
    // client path.
    static int WriteRgbJpeg(const std::string& fileName, const uint8_t* rgb, int32_t width,
                            int32_t height, int32_t quality);
};

}  // namespace mahjong
