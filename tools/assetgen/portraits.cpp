// The hall's player portraits: 32 x 32 bitmaps "<n>_0.bmp" for n = 1 to 12,
// each a person in its own colours.

#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/writers.h"

namespace assetgen {

using platform::RGB;

bool MakePortraits(const std::string& root) {
    using platform::COLORREF;
    static const COLORREF kBacks[] = {RGB(190, 220, 250), RGB(250, 220, 190), RGB(210, 240, 200),
                                      RGB(240, 210, 240)};
    static const COLORREF kClothes[] = {RGB(200, 40, 40), RGB(40, 90, 200), RGB(40, 150, 60)};
    const std::string dir = root + "hall/Share/Image/portrait/";
    bool ok = true;
    for (int n = 1; n <= 12; ++n) {
        platform::Surface s(32, 32);
        s.Fill(platform::PixelOf(kBacks[n % 4]));
        platform::Painter p(s);
        DrawPerson(p, {2, 2, 30, 30}, kClothes[n % 3],
                   Mix(RGB(240, 205, 170), RGB(150, 100, 60), n * 12));
        // Hair of a shade of its own.
        p.FillSolidRect({11, 5, 21, 8}, Mix(RGB(30, 20, 10), RGB(200, 160, 60), n * 20));
        ok = WriteBmp(dir + std::to_string(n) + "_0.bmp", s) && ok;
    }
    return ok;
}

}  // namespace assetgen
