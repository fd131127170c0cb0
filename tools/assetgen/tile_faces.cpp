#include "tools/assetgen/tile_faces.h"

#include <string>

#include "platform/gui/painter.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/smooth_draw.h"

namespace assetgen {
namespace {

using platform::COLORREF;
using platform::Painter;
using platform::RECT;
using platform::RGB;

constexpr COLORREF kInk = RGB(20, 34, 96);
constexpr COLORREF kRed = RGB(196, 24, 24);
constexpr COLORREF kGreen = RGB(24, 128, 64);
constexpr COLORREF kBlue = RGB(28, 78, 176);

const char* const kNumerals[9] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kHonours[6] = {"东", "南", "西", "北", "中", "发"};
const char* const kFlowers[12] = {"春", "夏", "秋", "冬", "梅", "兰",
                                  "竹", "菊", "琴", "棋", "书", "画"};


// Where the pips of ranks 1-9 stand on a 3 x 3 grid (column, row).
struct Spot {
    int col, row;
};
const std::vector<Spot>& Spots(int rank) {
    static const std::vector<Spot> kSpots[10] = {
        {},
        {{1, 1}},
        {{1, 0}, {1, 2}},
        {{0, 0}, {1, 1}, {2, 2}},
        {{0, 0}, {2, 0}, {0, 2}, {2, 2}},
        {{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}},
        {{0, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {2, 2}},
        {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {2, 2}},
        {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}},
        {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}},
    };
    return kSpots[rank];
}

constexpr int kGridX[3] = {32, 75, 118};
constexpr int kGridY[3] = {38, 100, 162};

void Stick(Painter& p, int cx, int cy, int w, int h, COLORREF colour) {
    const COLORREF dark = Mix(colour, RGB(0, 0, 0), 90);
    const COLORREF light = Mix(colour, RGB(255, 255, 255), 110);
    Disc(p, {cx - w / 2, cy - h / 2, cx + w / 2, cy - h / 2 + w}, colour);
    Disc(p, {cx - w / 2, cy + h / 2 - w, cx + w / 2, cy + h / 2}, colour);
    p.FillSolidRect({cx - w / 2, cy - h / 2 + w / 2, cx + w / 2, cy + h / 2 - w / 2}, colour);
    p.FillSolidRect({cx - w / 6, cy - h / 2 + w / 2, cx, cy + h / 2 - w / 2}, light);
    for (int joint : {-h / 4, h / 4})
        p.FillSolidRect({cx - w / 2, cy + joint - 2, cx + w / 2, cy + joint + 3}, dark);
}

void Circle(Painter& p, int cx, int cy, int r, COLORREF colour, COLORREF ground) {
    Disc(p, {cx - r, cy - r, cx + r, cy + r}, colour);
    const int r1 = r * 3 / 4, r2 = r / 2, r3 = r / 5;
    Disc(p, {cx - r1, cy - r1, cx + r1, cy + r1}, ground);
    Disc(p, {cx - r2, cy - r2, cx + r2, cy + r2}, colour);
    Disc(p, {cx - r3, cy - r3, cx + r3, cy + r3}, ground);
}

// Bold strokes stay visible in the smallest pictures.
void Characters(Painter& p, int rank) {
    CentredText(p, {0, 2, kFaceWidth, 102}, kNumerals[rank - 1], Bold(92), kInk);
    CentredText(p, {0, 98, kFaceWidth, 198}, "万", Bold(96), kRed);
}

void Bamboo(Painter& p, int rank) {
    if (rank == 1) {
        Stick(p, 75, 100, 44, 168, kGreen);
        Disc(p, {61, 86, 89, 114}, kRed);
        return;
    }
    int i = 0;
    for (Spot s : Spots(rank)) {
        // The middle stick of the odd ranks is red.
        const bool red = rank % 2 == 1 && s.col == 1 && s.row == 1;
        Stick(p, kGridX[s.col], kGridY[s.row], 24, 56, red ? kRed : i % 3 == 2 ? kBlue : kGreen);
        ++i;
    }
}

void Circles(Painter& p, int rank, COLORREF ground) {
    if (rank == 1) {
        Circle(p, 75, 100, 62, kBlue, ground);
        Circle(p, 75, 100, 24, kRed, ground);
        return;
    }
    static const COLORREF kColours[3] = {kBlue, kGreen, kRed};
    for (Spot s : Spots(rank))
        Circle(p, kGridX[s.col], kGridY[s.row], 21, kColours[(s.row + s.col) % 3], ground);
}

void Honour(Painter& p, int kind) {
    if (kind == 6) {  // 白: a blue frame
        p.FillSolidRect({28, 36, 122, 164}, kBlue);
        p.FillSolidRect({38, 46, 112, 154}, RGB(255, 255, 255));
        p.FillSolidRect({44, 52, 106, 148}, kBlue);
        p.FillSolidRect({50, 58, 100, 142}, RGB(255, 255, 255));
        return;
    }
    const COLORREF colour = kind == 4 ? kRed : kind == 5 ? kGreen : kInk;
    CentredText(p, {0, 0, kFaceWidth, kFaceHeight}, kHonours[kind], Bold(124), colour);
}

void Flower(Painter& p, int n) {
    static const COLORREF kGroups[3] = {kRed, kGreen, RGB(120, 40, 150)};
    const COLORREF colour = kGroups[n / 4];
    CentredText(p, {0, 30, kFaceWidth, 196}, kFlowers[n], Bold(104), colour);
    CentredText(p, {4, 4, 50, 52}, std::to_string(n % 4 + 1),
                {.face = "Arial", .height = -40, .weight = platform::FW_BOLD}, colour);
}

void Seal(Painter& p) {
    Disc(p, {100, 4, 146, 50}, kRed);
    CentredText(p, {100, 4, 146, 50}, "财", Bold(32), RGB(255, 236, 150));
}

}  // namespace

platform::Surface DrawFace(int cell, COLORREF ground, bool joker) {
    if (joker) ground = Mix(ground, RGB(250, 196, 40), 110);
    platform::Surface s(kFaceWidth, kFaceHeight);
    s.Fill(platform::PixelOf(ground));
    Painter p(s);
    if (cell < 9) {
        Characters(p, cell + 1);
    } else if (cell < 18) {
        Bamboo(p, cell - 8);
    } else if (cell < 27) {
        Circles(p, cell - 17, ground);
    } else if (cell < 34) {
        Honour(p, cell - 27);
    } else if (cell < 46) {
        Flower(p, cell - 34);
    }
    if (joker) Seal(p);
    return s;
}

platform::Surface DrawJokerSign(COLORREF ground) {
    platform::Surface s(kFaceWidth, kFaceHeight);
    s.Fill(platform::PixelOf(Mix(ground, RGB(250, 196, 40), 110)));
    Painter p(s);
    CentredText(p, {0, 4, kFaceWidth, 104}, "财", Bold(92), kRed);
    CentredText(p, {0, 96, kFaceWidth, 198}, "神", Bold(92), kRed);
    return s;
}

}  // namespace assetgen
