// Rich text from untrusted sources (scripts, the server's messages): any
// markup must lay out in bounded time and draw only inside its box.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/resources/font_store.h"

namespace {

// Fixed metrics: every character fills its cell.
class BoxRasterizer : public engine::GlyphRasterizer {
  public:
    void SetFont(const engine::GlyphFont&) override {}
    void Render(std::string_view, uint8_t* cell, int32_t pitch, int32_t width,
                int32_t height) override {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                cell[y * pitch + x] = uint8_t(x * 7 + y);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    static engine::FontStore store(std::make_unique<BoxRasterizer>());
    static bool created = false;
    if (!created) {
        store.Create();
        created = true;
    }
    const int32_t w = data[0] % 97, h = data[1] % 61;
    store.SetFont(data[2] % 40, 400, "宋体", false, false);
    store.state().wrap = data[3] & 1;
    store.state().leftMargin = int8_t(data[4]) / 8;
    store.state().rightMargin = int8_t(data[5]) / 8;
    const std::string_view text(reinterpret_cast<const char*>(data + 6), size - 6);
    std::vector<uint8_t> box(size_t(w) * size_t(h) * 4);
    store.DrawText(box.data(), w, h, int8_t(data[4]) / 16, int8_t(data[5]) / 16, text);
    int32_t mw = 0, mh = 0;
    store.MeasureText(0, 0, text, &mw, &mh);
    store.ClearScriptItems();
    return 0;
}
