// The generator as a whole: two runs write the same bytes, a picture that
// disagrees with its index entry is refused, and the picture operations the
// art is made with.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/tests/temp_dir.h"
#include "tools/assetgen/asset_files.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/tests/generated.h"

namespace assetgen {
namespace {

using platform::Surface;

std::map<std::string, std::string> FilesUnder(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[std::filesystem::relative(entry.path(), root).string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

TEST(AssetGenerator, TwoRunsWriteTheSameFiles) {
    ASSERT_FALSE(testing::Generated().empty());
    platform::testing::TempDir second;
    ASSERT_EQ(testing::RunGenerator(second.path()), 0);
    const auto a = FilesUnder(testing::Generated()), b = FilesUnder(second.path());
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, bytes] : a) {
        ASSERT_TRUE(b.count(name)) << name;
        EXPECT_TRUE(bytes == b.at(name)) << name << " differs between two runs";
    }
}

TEST(AssetGenerator, APictureThatDisagreesWithItsEntryIsRefused) {
    platform::testing::TempDir dir;
    const auto common = std::span(mahjong::assets::kCommonPictures);
    const auto packed = std::span(mahjong::assets::kStylePacked);
    EXPECT_FALSE(WritePicture(dir.path(), common, "hu.bmp", Surface(71, 72)));
    EXPECT_FALSE(WritePicture(dir.path(), common, "no-such.bmp", Surface(72, 72)));
    // An animation needs all its frames.
    EXPECT_FALSE(WritePacked(dir.path(), packed, "财神动画800.pps", {Surface(76, 100)}, 100));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_TRUE(WritePicture(dir.path(), common, "hu.bmp", Surface(72, 72)));
}

TEST(Raster, AveragingKeepsTheColourOfAClearEdge) {
    // Red beside clear black: the mean is red at half alpha, not dark red.
    Surface s(2, 1);
    s.Set(0, 0, 0xFFFF0000u);
    EXPECT_EQ(Resample(s, 1, 1).At(0, 0), 0x80FF0000u);
    Surface grey(6, 6);
    grey.Fill(0xFF808080u);
    const Surface down = Resample(grey, 4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(down.At(x, y), 0xFF808080u);
}

TEST(Raster, QuarterTurnsGoClockwise) {
    Surface s(2, 3);  // pixels numbered 1..6 row by row
    for (int i = 0; i < 6; ++i)
        s.Set(i % 2, i / 2, uint32_t(i + 1));
    const Surface once = Turn(s, 1);
    ASSERT_EQ(once.Width(), 3);
    // The left column, bottom up, becomes the top row.
    EXPECT_EQ(once.At(0, 0), 5u);
    EXPECT_EQ(once.At(1, 0), 3u);
    EXPECT_EQ(once.At(2, 0), 1u);
    EXPECT_EQ(once.At(2, 1), 2u);
    EXPECT_TRUE(Turn(Turn(once, 1), 2) == s);
    EXPECT_TRUE(Turn(s, 2) == Turn(once, 1));
}

}  // namespace
}  // namespace assetgen
