// DrawText and the painter's shapes with untrusted text (chat lines, skin
// captions) and arbitrary rectangles, flags and polygons.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/bytes.h"
#include "platform/gui/painter.h"

// Some face names make fontconfig keep a small record it never frees;
// that is fontconfig's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// Fontconfig makes its process-wide tables on first use and frees them only
// at exit; making them before the first input keeps them out of the
// per-input leak check.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* face : {"宋体", "Arial", "no such face"}) {
        platform::Font::Open({.face = face, .height = -12})->MeasureText("a");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ByteReader in({data, size});
    const int left = int(int8_t(in.U8()));
    const int top = int(int8_t(in.U8()));
    const int width = int(in.U8());
    const int height = int(in.U8());
    const unsigned format = in.U16();
    const int fontHeight = int(int8_t(in.U8()));
    const uint8_t weight = in.U8();
    const uint8_t style = in.U8();
    const uint8_t points = in.U8() % 8;
    std::vector<platform::POINT> polygon;
    for (uint8_t i = 0; i < points; ++i) {
        polygon.push_back({int(int8_t(in.U8())) * 1000, int(int8_t(in.U8()))});
    }
    if (!in.ok()) return 0;
    const size_t used = in.position();
    std::string_view text(reinterpret_cast<const char*>(data) + used, size - used);

    platform::Surface surface(64, 48);
    platform::Painter painter(surface);
    painter.SelectFont(platform::FontSpec{.face = (style & 1) ? "Arial" : "宋体",
                                          .height = fontHeight,
                                          .weight = weight * 4,
                                          .italic = (style & 2) != 0,
                                          .underline = (style & 4) != 0});
    painter.SetBkMode((style & 8) ? platform::OPAQUE : platform::TRANSPARENT);
    platform::RECT rect{left, top, left + width, top + height};
    painter.DrawText(text, rect, format & ~platform::DT_CALCRECT);
    platform::RECT measured = rect;
    painter.DrawText(text, measured, format | platform::DT_CALCRECT);
    painter.TextOut(left, top, text);
    painter.Polygon(polygon, (style & 16) ? platform::WINDING : platform::ALTERNATE);
    painter.Polyline(polygon);
    return 0;
}
