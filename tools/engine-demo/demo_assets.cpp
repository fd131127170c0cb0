#include "tools/engine-demo/demo_assets.h"

#include <cmath>
#include <fstream>

#include "platform/gui/surface.h"

namespace engine_demo {
namespace {

constexpr uint32_t kClear = 0;  // transparent

platform::Surface Cloth() {
    platform::Surface s(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            // A felt of two greens in a fine weave, darker towards the edges.
            const double edge = std::min({x, y, kWidth - 1 - x, kHeight - 1 - y}) / 60.0;
            const int shade = int(std::min(edge, 1.0) * 24) + ((x / 3 + y / 3) % 2) * 6;
            s.Set(x, y,
                  0xFF000000u | uint32_t(20 + shade / 3) << 16 | uint32_t(70 + shade) << 8 |
                      uint32_t(30 + shade / 2));
        }
    return s;
}

platform::Surface Tile() {
    platform::Surface s(40, 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool corner = (x < 2 || x > 37) && (y < 2 || y > 57);
            const bool edge = x == 0 || y == 0 || x == 39 || y == 59;
            const double pip = std::hypot(x - 19.5, y - 29.5);
            uint32_t p = 0xFFF2ECD8 - uint32_t(y / 6) * 0x010101;
            if (edge) p = 0xFF607080;
            if (pip < 9) p = pip < 4 ? 0xFFD03020 : 0xFF2060B0;
            s.Set(x, y, corner ? kClear : p);
        }
    return s;
}

// Four 32 x 32 cells side by side, the disc growing from cell to cell.
platform::Surface Strip() {
    platform::Surface s(128, 32);
    for (int f = 0; f < 4; ++f)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const double r = std::hypot(x - 15.5, y - 15.5);
                uint32_t p = kClear;
                if (r < 4 + 3.5 * f) p = r < 4 ? 0xFFFFE060 : 0xFFF08020;
                s.Set(f * 32 + x, y, p);
            }
    return s;
}

// A soft yellow spark with its own alpha.
platform::Surface Spark() {
    platform::Surface s(7, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            const double r = std::hypot(x - 3.0, y - 3.0);
            const int a = r >= 3.5 ? 0 : int(255 * (1.0 - r / 3.5));
            s.Set(x, y, uint32_t(a) << 24 | 0xFFF080);
        }
    return s;
}

// The script: a plane of its own, drawn and walked to and fro by `d` pixels
// a step (0: it stays).
constexpr const char* kScript =
    "脚本开始 main(d);\r\n"
    "p = 创建平面(120, 28, 16711935, 3);\r\n"
    "操作平面(p, 底色, 10543344, 边界色, 6299664, 文字, 20, 4, 脚本平面);\r\n"
    "操作实体(p, 坐标, 372, 470, 显示);\r\n"
    "n = 0;\r\n"
    "当(d){ 操作实体(p, 位移, d, 0); n = n + 1; 如果(n == 40){ d = 0 - d; n = 0; } 等待(40); }\r\n"
    "脚本结束;\r\n";

}  // namespace

bool WriteDemoAssets(const std::string& folder) {
    bool ok = Cloth().SavePng(folder + "cloth.png");
    ok = Tile().SavePng(folder + "tile.png") && ok;
    ok = Strip().SavePng(folder + "strip.png") && ok;
    ok = Spark().SavePng(folder + "spark.png") && ok;
    std::ofstream script(folder + "demo.script", std::ios::binary);
    script << kScript;
    return ok && bool(script);
}

}  // namespace engine_demo
