// The pictures of the web server's advert page (web/pictures/): a 160 x 48
// banner and a 16 x 16 tile for the page's background.

#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/writers.h"

namespace assetgen {

using platform::RGB;

bool MakeWebPictures(const std::string& root) {
    const std::string dir = root + "web/pictures/";
    platform::Surface banner(160, 48);
    {
        platform::Painter p(banner);
        p.GradientFill({0, 0, 160, 48}, RGB(170, 30, 20), RGB(240, 150, 40),
                       platform::GRADIENT_FILL_RECT_H);
        // Three tiles standing on the left.
        for (int i = 0; i < 3; ++i) {
            const platform::RECT tile{6 + i * 14, 10, 18 + i * 14, 38};
            p.FillSolidRect(tile, RGB(250, 245, 230));
            p.FrameRect(tile, RGB(90, 60, 30));
            Disc(p, {tile.left + 3, 20, tile.left + 9, 26}, RGB(30, 110 + 40 * i, 60));
        }
        CentredText(p, {50, 0, 160, 48}, "雀友俱乐部",
                    {.face = "宋体", .height = -16, .weight = platform::FW_BOLD},
                    RGB(255, 250, 220));
    }
    platform::Surface back(16, 16);
    back.Fill(platform::PixelOf(RGB(255, 246, 220)));
    for (int i = 0; i < 16; i += 4)
        back.Set(i, i, platform::PixelOf(RGB(240, 220, 180)));
    return WriteBmp(dir + "advert_banner.bmp", banner) && WriteBmp(dir + "advert_back.bmp", back);
}

}  // namespace assetgen
