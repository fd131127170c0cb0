// The generated pictures, read back with the engine's own decoders under the
// names the scene's index gives: sizes, frames, transparency, one distinct
// tile in every cell of a strip, backs that match, and clock hands and dice
// that show what the scene expects of them.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>

#include "engine/resources/image_load.h"
#include "pictures/pps.h"
#include "platform/paths.h"
#include "tools/assetgen/asset_files.h"
#include "tools/assetgen/tests/generated.h"

namespace assetgen {
namespace {

namespace assets = mahjong::assets;
using assets::Picture;
using testing::SkinFolder;

struct Image {
    engine::ImageRecord record;
    uint32_t At(int x, int y) const {  // 0xAARRGGBB
        const uint8_t* p = &record.pixels[(size_t(y) * record.width + size_t(x)) * 4];
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    bool Clear(int x, int y) const { return At(x, y) >> 24 == 0; }
    // The pixels of one cell of a strip.
    std::vector<uint32_t> CellPixels(int cell, int width) const {
        std::vector<uint32_t> out;
        for (int y = 0; y < record.height; ++y)
            for (int x = 0; x < width; ++x)
                out.push_back(At(cell * width + x, y));
        return out;
    }
};

// Loads a picture as the scene will: by its GBK name, keyed as its entry says.
Image Load(const std::string& folder, const Picture& entry) {
    Image image;
    image.record.colorKey = entry.colorKey;
    const std::string path = folder + entry.file;
    const std::string file = entry.file;
    if (file.ends_with(".pps")) {
        const auto bytes = platform::ReadFileBytes(path, 1 << 24);
        if (bytes) engine::DecodePps(*bytes, image.record);
    } else {
        engine::DecodeFile(path, file.substr(file.rfind('.')), image.record);
    }
    return image;
}

Image LoadStyle(const char* style, std::string_view file) {
    const bool packed = file.ends_with(".pps");
    const Picture* entry = FindPicture(packed ? std::span<const Picture>(assets::kStylePacked)
                                              : std::span<const Picture>(assets::kStylePictures),
                                       file);
    return entry ? Load(SkinFolder(style), *entry) : Image();
}

TEST(AssetPictures, EveryEntryDecodesAtItsSize) {
    ASSERT_FALSE(testing::Generated().empty());
    std::vector<std::pair<std::string, std::span<const Picture>>> sets = {
        {SkinFolder(assets::kCommonFolder), assets::kCommonPictures},
        {SkinFolder(assets::kCommonFolder), assets::kCommonPacked}};
    for (const char* style : assets::kStyles) {
        sets.push_back({SkinFolder(style), assets::kStylePictures});
        sets.push_back({SkinFolder(style), assets::kStylePacked});
    }
    for (const auto& [folder, entries] : sets) {
        for (const Picture& entry : entries) {
            SCOPED_TRACE(folder + entry.file);
            const Image image = Load(folder, entry);
            const engine::ImageRecord& r = image.record;
            ASSERT_FALSE(r.pixels.empty());
            EXPECT_EQ(r.width, entry.Width());
            EXPECT_EQ(r.height * r.frameCount, entry.Height());
            EXPECT_EQ(r.frameCount, entry.frames);
            if (entry.frames > 1) {
                EXPECT_EQ(r.frameDelays, std::vector<uint32_t>(size_t(entry.frames), 100));
            }
        }
    }
}

TEST(AssetPictures, TitlesNameOnePictureEach) {
    // A title registered twice replaces the first picture; only the two
    // files of one screen-size choice may share one (one of them is loaded).
    std::map<std::string, std::vector<std::string>> files;
    for (auto set : {std::span<const Picture>(assets::kCommonPictures),
                     std::span<const Picture>(assets::kCommonPacked),
                     std::span<const Picture>(assets::kStylePictures),
                     std::span<const Picture>(assets::kStylePacked)})
        for (const Picture& entry : set)
            files[entry.title].push_back(entry.file);
    for (const auto& [title, names] : files) {
        if (names.size() == 1) continue;
        ASSERT_EQ(names.size(), 2u) << names[0];
        EXPECT_NE(names[0].find("800"), std::string::npos) << names[0];
        EXPECT_EQ(names[1], names[0].substr(0, names[0].find("800")) + "1024.bmp");
    }
}

TEST(AssetPictures, EveryStripCellHoldsOneDistinctTile) {
    for (const char* style : assets::kStyles) {
        for (const Picture& entry : assets::kStylePictures) {
            if (entry.cells != assets::kTileCells) continue;
            SCOPED_TRACE(std::string(style) + "/" + entry.file);
            const Image image = LoadStyle(style, entry.file);
            const int w = entry.cellWidth, h = entry.cellHeight;
            // The wall's end strip keeps its first column clear (see below).
            const int left = std::string_view(entry.file) == "mj_small0.bmp" ? 1 : 0;
            std::set<std::vector<uint32_t>> seen;
            for (int cell = 0; cell < entry.cells; ++cell) {
                EXPECT_TRUE(image.Clear(cell * w + left, 0)) << "cell " << cell;
                EXPECT_FALSE(image.Clear(cell * w + w / 2, h / 2)) << "cell " << cell;
                EXPECT_TRUE(seen.insert(image.CellPixels(cell, w)).second) << "cell " << cell;
            }
        }
    }
}

TEST(AssetPictures, BackCellsAreTheBackPicturesAndJokersDifferElsewhere) {
    const std::pair<const char*, const char*> kBacks[] = {
        {"mj_middle0.bmp", "mj_back0.bmp"},     {"mj_middle2.bmp", "mj_back0.bmp"},
        {"mj_middle1.bmp", "mj_back1.bmp"},     {"mj_middle3.bmp", "mj_back1.bmp"},
        {"joker_middle0.bmp", "mj_back0.bmp"},  {"joker_middle3.bmp", "mj_back1.bmp"},
        {"mj_small0.bmp", "mj_smallback0.bmp"}, {"mj_small1.bmp", "mj_smallback1.bmp"}};
    for (const auto& [strip, back] : kBacks) {
        SCOPED_TRACE(strip);
        const Image s = LoadStyle("Classic", strip), b = LoadStyle("Classic", back);
        EXPECT_EQ(s.CellPixels(assets::kBackCell, b.record.width), b.CellPixels(0, b.record.width));
    }
    const Image plain = LoadStyle("Classic", "mj_large800.bmp");
    const Image joker = LoadStyle("Classic", "joker_large800.bmp");
    for (int cell = 0; cell < assets::kTileCells; ++cell)
        EXPECT_EQ(plain.CellPixels(cell, 42) == joker.CellPixels(cell, 42),
                  cell == assets::kBackCell)
            << "cell " << cell;
}

TEST(AssetPictures, WallCellsKeepAColumnClearForTheEnginesWiderAndNarrowerReads) {
    // The engine shows the side walls' 22-wide cells 23 wide (one column of
    // the next cell) and the end walls' 17-wide cells 16 wide.
    const Image side = LoadStyle("Classic", "mj_small0.bmp");
    const Image end = LoadStyle("Classic", "mj_small1.bmp");
    for (int cell = 0; cell < assets::kTileCells; ++cell) {
        for (int y = 0; y < 23; ++y)
            EXPECT_TRUE(side.Clear(cell * 22, y)) << "cell " << cell;
        for (int y = 0; y < 26; ++y)
            EXPECT_TRUE(end.Clear(cell * 17 + 16, y)) << "cell " << cell;
    }
}

TEST(AssetPictures, ClockHandCellsPointAtTheirPositions) {
    // Position n: 0 left, 2 up, 4 right, 6 down, the odd ones between.
    const Image hand = LoadStyle("Azure", "clock_hand.bmp");
    for (int n = 0; n < 8; ++n) {
        double sx = 0, sy = 0, count = 0;
        for (int y = 0; y < 56; ++y)
            for (int x = 0; x < 56; ++x)
                if (!hand.Clear(n * 56 + x, y)) {
                    sx += x - 27.5;
                    sy += 27.5 - y;
                    ++count;
                }
        ASSERT_GT(count, 0) << n;
        const double degrees = std::atan2(sy, sx) * 180 / std::numbers::pi;
        const double expected = 180 - 45 * n;
        EXPECT_NEAR(std::remainder(degrees - expected, 360), 0, 8) << "cell " << n;
    }
}

// Pips of a die's face in a frame: 4-connected groups of dark or red pixels.
int CountPips(const Image& die, int frame) {
    const int w = 106, h = 99;
    auto pip = [&](int x, int y) {
        const uint32_t p = die.At(frame * w + x, y);
        const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
        // Black pips are darker than the die's outline.
        return !die.Clear(frame * w + x, y) &&
               ((r < 45 && g < 45 && b < 45) || (r > 150 && g < 90 && b < 90));
    };
    std::vector<bool> seen(size_t(w * h));
    int groups = 0;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen[size_t(y0 * w + x0)] || !pip(x0, y0)) continue;
            ++groups;
            std::vector<std::pair<int, int>> todo = {{x0, y0}};
            seen[size_t(y0 * w + x0)] = true;
            while (!todo.empty()) {
                auto [x, y] = todo.back();
                todo.pop_back();
                for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h || seen[size_t(ny * w + nx)])
                        continue;
                    if (!pip(nx, ny)) continue;
                    seen[size_t(ny * w + nx)] = true;
                    todo.push_back({nx, ny});
                }
            }
        }
    }
    return groups;
}

TEST(AssetPictures, EachDieRollsOnBlueAndLandsOnItsNumber) {
    for (int n = 1; n <= 12; ++n) {
        const Picture& entry = assets::kCommonPictures[n - 1];
        SCOPED_TRACE(entry.file);
        const Image die = Load(SkinFolder(assets::kCommonFolder), entry);
        EXPECT_TRUE(die.Clear(0, 0));  // pure blue is the key
        EXPECT_EQ(CountPips(die, 8), (n - 1) % 6 + 1);
    }
}

}  // namespace
}  // namespace assetgen
