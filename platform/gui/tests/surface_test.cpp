#include "platform/gui/surface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace platform {
namespace {

TEST(SurfaceTest, ColoursMapBetweenColorrefAndPixels) {
    EXPECT_EQ(PixelOf(RGB(0x12, 0x34, 0x56)), 0xFF123456u);
    EXPECT_EQ(ColorOf(0x80123456u), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(GetRValue(RGB(1, 2, 3)), 1);
    EXPECT_EQ(GetGValue(RGB(1, 2, 3)), 2);
    EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
    // Bytes in memory are B, G, R, A.
    Surface s(1, 1);
    s.Set(0, 0, PixelOf(RGB(10, 20, 30)));
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.Data());
    EXPECT_EQ(bytes[0], 30);
    EXPECT_EQ(bytes[1], 20);
    EXPECT_EQ(bytes[2], 10);
    EXPECT_EQ(bytes[3], 255);
}

TEST(SurfaceTest, AccessOutsideIsHarmless) {
    Surface s(3, 2);
    EXPECT_EQ(s.At(0, 0), 0u);
    s.Set(-1, 0, 1);
    s.Set(3, 0, 1);
    s.Set(0, 2, 1);
    EXPECT_EQ(s.At(5, 5), 0u);
    s.Fill(7);
    EXPECT_EQ(s.At(2, 1), 7u);
    EXPECT_TRUE(Surface(-4, 5).Empty());
    EXPECT_LE(Surface(1, 1 << 30).Height(), 16384);
}

TEST(SurfaceTest, ResizeKeepsTheOverlap) {
    Surface s(2, 2);
    s.Set(0, 0, 1);
    s.Set(1, 1, 2);
    s.Resize(3, 1);
    EXPECT_EQ(s.Width(), 3);
    EXPECT_EQ(s.Height(), 1);
    EXPECT_EQ(s.At(0, 0), 1u);
    EXPECT_EQ(s.At(2, 0), 0u);
}

TEST(SurfaceTest, PngRoundTripKeepsEveryPixel) {
    Surface s(17, 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 17; ++x)
            s.Set(x, y, 0xFF000000u | uint32_t(x * 15) << 16 | y * 28);
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / "qevo_surface_test.png").string();
    ASSERT_TRUE(s.SavePng(path));
    Surface back = Surface::LoadPng(path);
    EXPECT_EQ(back, s);
    std::remove(path.c_str());
}

TEST(SurfaceTest, BadPngFilesLoadAsEmpty) {
    EXPECT_TRUE(Surface::LoadPng("/nonexistent/x.png").Empty());
    const std::string path =
        (std::filesystem::temp_directory_path() / "qevo_surface_bad.png").string();
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n garbage";
    EXPECT_TRUE(Surface::LoadPng(path).Empty());
    std::remove(path.c_str());
    EXPECT_FALSE(Surface().SavePng(path));
    EXPECT_FALSE(Surface(2, 2).SavePng("/nonexistent/dir/x.png"));
}

}  // namespace
}  // namespace platform
