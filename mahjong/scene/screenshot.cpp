#include "mahjong/scene/screenshot.h"

#include <array>
#include <cstdio>

#include "client/game_app.h"
#include "engine/game_log.h"
#include "mahjong/scene/jpeg_file.h"
#include "mahjong/scene/table_scene.h"
#include "platform/bytes.h"
#include "platform/paths.h"
#include "platform/gui/surface.h"

namespace mahjong {
namespace {

// The display's depth: the window system draws on 32-bit surfaces.
constexpr int32_t kScreenDepth = 32;
constexpr int32_t kScreenshotQuality = 75;
constexpr uint32_t kScreenshotTextColor = 0xff0000;

bool DepthSupported(int32_t bitsPerPixel) {
    return bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

// A five-bit field to eight bits: 1 becomes 16 and 30 becomes 248, so only
// 0 and 31 reach black and full intensity.
constexpr std::array<uint8_t, 32> kFiveBitLevels = [] {
    std::array<uint8_t, 32> t{};
    for (int v = 1; v < 31; ++v)
        t[size_t(v)] = uint8_t(8 * (v + 1));
    t[31] = 255;
    return t;
}();

}  // namespace

size_t DibStride(int32_t width, int32_t bitsPerPixel) {
    if (width <= 0 || bitsPerPixel <= 0) return 0;
    return (size_t(width) * size_t(bitsPerPixel) + 31) / 32 * 4;
}

ScreenBits CaptureScreen(const platform::Surface& screen, int32_t bitsPerPixel) {
    ScreenBits out;
    out.width = screen.Width();
    out.height = screen.Height();
    out.bitsPerPixel = bitsPerPixel;
    if (!DepthSupported(bitsPerPixel) || screen.Empty()) return out;
    const size_t stride = DibStride(out.width, bitsPerPixel);
    out.bits.assign(stride * size_t(out.height), 0);
    for (int32_t y = 0; y < out.height; ++y) {
        const uint32_t* src = screen.Row(y);
        uint8_t* row = out.bits.data() + size_t(out.height - 1 - y) * stride;
        for (int32_t x = 0; x < out.width; ++x) {
            const uint32_t p = src[x];
            const uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            if (bitsPerPixel == 16) {
                platform::StoreLE16(row + size_t(x) * 2,
                                    uint16_t((r >> 3) << 10 | (g >> 3) << 5 | b >> 3));
            } else if (bitsPerPixel == 24) {
                uint8_t* d = row + size_t(x) * 3;
                d[0] = uint8_t(b), d[1] = uint8_t(g), d[2] = uint8_t(r);
            } else {
                platform::StoreLE32(row + size_t(x) * 4, p & 0xFFFFFF);
            }
        }
    }
    return out;
}

std::vector<uint8_t> ScreenBitsToRgb(const ScreenBits& screen) {
    if (!DepthSupported(screen.bitsPerPixel) || screen.width <= 0 || screen.height <= 0) return {};
    const size_t stride = DibStride(screen.width, screen.bitsPerPixel);
    if (screen.bits.size() / stride < size_t(screen.height)) return {};
    const size_t width = size_t(screen.width);
    std::vector<uint8_t> rgb(width * size_t(screen.height) * 3);
    uint8_t* out = rgb.data();
    for (size_t y = 0; y < size_t(screen.height); ++y) {
        const uint8_t* row = screen.bits.data() + y * stride;
        for (size_t x = 0; x < width; ++x, out += 3) {
            if (screen.bitsPerPixel == 16) {
                const uint16_t w = platform::LoadLE16(row + x * 2);
                out[0] = kFiveBitLevels[w >> 10 & 31];
                out[1] = kFiveBitLevels[w >> 5 & 31];
                out[2] = kFiveBitLevels[w & 31];
            } else {
                const uint8_t* s = row + x * size_t(screen.bitsPerPixel / 8);
                out[0] = s[2], out[1] = s[1], out[2] = s[0];
            }
        }
    }
    return rgb;
}

bool SaveScreenshotJpeg(const std::string& path, int32_t quality, const ScreenBits& screen) {
    const std::vector<uint8_t> rgb = ScreenBitsToRgb(screen);
    if (rgb.empty()) {
        engine::WriteGameLog("截图失败:屏幕%dx%d,颜色深度%d位,无法保存%s", screen.width,
                             screen.height, screen.bitsPerPixel, path.c_str());
        return false;
    }
    return JpegFile::WriteRgbJpeg(path, rgb.data(), screen.width, screen.height, quality) == 1;
}

std::string ScreenshotFileName(std::string_view iniName, uint32_t userId,
                               const platform::LocalDateTime& when) {
    char tail[64];
    std::snprintf(tail, sizeof(tail), "_%d_%d%d_%d", int32_t(userId), when.year,
                  when.month * 100 + when.day, when.hour * 10000 + when.minute * 100 + when.second);
    return std::string(iniName) + tail;
}

bool CMJTableScene::SaveScreenshot() {
    client::CGameApp* app = client::CGameApp::Current();
    if (!app) return false;
    const ScreenBits screen = CaptureScreen(Output(), kScreenDepth);
    if (screen.bits.empty()) {
        engine::WriteGameLog("截图失败:屏幕尚未建立");
        return false;
    }
    // GetTempDir makes the folder when it is missing.
    const std::string path =
        app->GetTempDir() +
        ScreenshotFileName(app->GetIniName(), app->GetUserId(), platform::LocalNow()) + ".jpg";
    if (!SaveScreenshotJpeg(path, kScreenshotQuality, screen)) return false;
    // The folder as the person finds it on this system.
    AddChatLine("<c=255>[系统]：<c=" + std::to_string(kScreenshotTextColor) + ">游戏截图已保存到" +
                platform::ToSlashPath(path) + "\r\n");
    return true;
}

}  // namespace mahjong
