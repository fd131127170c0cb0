// The hall's face pictures: 20 x 20 bitmaps "1.bmp" to "30.bmp" on white
// (the clear colour), each a round face with its own colour, eyes and
// mouth, and "face.ini" with a tool tip for each.

#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/writers.h"

namespace assetgen {

using platform::RGB;
namespace {

constexpr int kFaces = 30;

const char* const kRemarks[] = {"微笑", "大笑", "害羞", "惊讶", "难过", "生气", "得意", "调皮",
                                "发呆", "睡觉", "可爱", "酷",   "疑问", "晕",   "再见", "鼓掌",
                                "胜利", "握手", "加油", "流泪", "偷笑", "无语", "委屈", "思考",
                                "坏笑", "亲亲", "惊恐", "抓狂", "点赞", "抱拳"};

platform::Surface Face(int n) {
    using platform::COLORREF;
    platform::Surface s(20, 20);
    s.Fill(platform::PixelOf(RGB(255, 255, 255)));
    platform::Painter p(s);
    static const COLORREF kSkins[] = {RGB(250, 210, 60),  RGB(250, 170, 60),  RGB(240, 140, 140),
                                      RGB(140, 200, 250), RGB(160, 220, 140), RGB(210, 170, 240)};
    const COLORREF skin = kSkins[n % 6];
    Disc(p, {1, 1, 19, 19}, skin);
    const COLORREF ink = RGB(60, 40, 20);
    // Eyes: dots, lines or closed arcs by n.
    for (int x : {6, 12}) {
        switch (n / 6 % 3) {
            case 0:
                p.FillSolidRect({x, 7, x + 2, 9}, ink);
                break;
            case 1:
                p.FillSolidRect({x - 1, 8, x + 3, 9}, ink);
                break;
            default:
                p.FillSolidRect({x, 6, x + 2, 10}, ink);
                break;
        }
    }
    // Mouth: a smile, a line or an open mouth by n.
    switch (n % 3) {
        case 0:
            for (int x = 6; x <= 13; ++x)
                p.SetPixel(x, x == 6 || x == 13 ? 12 : 13 + (x > 7 && x < 12 ? 1 : 0), ink);
            break;
        case 1:
            p.FillSolidRect({7, 13, 13, 14}, ink);
            break;
        default:
            Disc(p, {8, 12, 12, 16}, RGB(180, 40, 40));
            break;
    }
    return s;
}

}  // namespace

bool MakeFaces(const std::string& root) {
    const std::string dir = root + "hall/Share/Image/face/";
    bool ok = true;
    std::string ini = "[Remark]\r\n";
    for (int n = 1; n <= kFaces; ++n) {
        ok = WriteBmp(dir + std::to_string(n) + ".bmp", Face(n)) && ok;
        ini += std::to_string(n) + "=" + kRemarks[n - 1] + "\r\n";
    }
    return WriteText(dir + "face.ini", ini) && ok;
}

}  // namespace assetgen
