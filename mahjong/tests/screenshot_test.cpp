#include "mahjong/scene/screenshot.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "client/game_app.h"
#include "engine/resources/picture.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/jpeg_file.h"
#include "mahjong/scene/table_scene.h"
#include "platform/gui/surface.h"
#include "platform/paths.h"
#include "platform/tests/temp_dir.h"

namespace mahjong {
namespace {

// An application whose message boxes are recorded instead of shown.
class ShotApp : public client::CGameApp, public client::GameFrameAccess {
  public:
    ShotApp() : CGameApp("Qevo", 31201, 14, 0) {
        SetMainFrame(this);
        SetCommandLine("\"7|127.0.0.1|3|1|0|101|5|0|0\"");
        ParseLaunchLine();
    }
    ~ShotApp() override { SetMainFrame(nullptr); }
    int MessageBox(const std::string& text, uint32_t) override {
        boxes.push_back(text);
        return 1;
    }
    platform::HWND Handle() const override { return {}; }
    bool HasChatView() const override { return true; }
    void AppendChatLine(const std::string& text) override { chat.push_back(text); }

    std::vector<std::string> boxes;
    std::vector<std::string> chat;
};

class ScreenshotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", "/nonexistent-qevo-hall", 1);
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("QEVO_PROGRAM_DIR"); }

    platform::testing::TempDir dir_;
};

// Flat 16 x 16 blocks of distinct colours (JPEG keeps flat blocks of its
// subsampled colour planes nearly exact), so a flipped, sheared or swapped
// picture shows at once.
platform::Surface Blocks(int width, int height) {
    platform::Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t bx = uint32_t(x / 16), by = uint32_t(y / 16);
            s.Set(x, y,
                  0xFF000000u | (40 + 50 * bx) % 256 << 16 | (30 + 70 * by) % 256 << 8 |
                      (200 - 40 * ((bx + by) % 5)));
        }
    }
    return s;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    return platform::ReadFileBytes(path, 1 << 24).value_or(std::vector<uint8_t>{});
}

// The largest difference of any channel of any pixel at least two pixels
// inside its block (JPEG blurs the edges between blocks).
int MaxFlatError(const engine::Picture& got, const platform::Surface& want) {
    int worst = 0;
    for (int y = 0; y < want.Height(); ++y) {
        for (int x = 0; x < want.Width(); ++x) {
            if (x % 16 < 2 || x % 16 > 13 || y % 16 < 2 || y % 16 > 13) continue;
            const uint8_t* p = &got.frames[0].bgra[(size_t(y) * got.width + size_t(x)) * 4];
            const uint32_t w = want.At(x, y);
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(p[c]) - int(w >> (8 * c) & 0xFF)));
        }
    }
    return worst;
}

TEST(ScreenBits, SixteenBitFieldsExpandThroughTheTable) {
    struct Case {
        uint16_t word;
        uint8_t r, g, b;
    };
    const Case cases[] = {
        {0x7FFF, 255, 255, 255},                        // white
        {0x0421, 16, 16, 16},                           // every field 1: 16, not 8
        {0x7BDE, 248, 248, 248},                        // every field 30
        {0x0000, 0, 0, 0},       {0x7C01, 255, 0, 16},  // red 31, green 0, blue 1
        {0x83E0, 0, 255, 0},                            // the top bit is not a colour
    };
    for (const Case& c : cases) {
        ScreenBits bits{1, 1, 16, {uint8_t(c.word), uint8_t(c.word >> 8), 0, 0}};
        EXPECT_EQ(ScreenBitsToRgb(bits), (std::vector<uint8_t>{c.r, c.g, c.b})) << c.word;
    }
}

TEST(ScreenBits, OddWidthsAreReadAtThePaddedStrideBottomRowFirst) {
    EXPECT_EQ(DibStride(3, 16), 8u);
    EXPECT_EQ(DibStride(3, 24), 12u);
    EXPECT_EQ(DibStride(5, 24), 16u);
    EXPECT_EQ(DibStride(3, 32), 12u);
    platform::Surface screen(3, 2);
    const uint32_t pixels[2][3] = {{0xFF102030, 0xFFF0E0D0, 0xFF808080},
                                   {0xFF000008, 0xFFFFFFFF, 0xFF4080C0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            screen.Set(x, y, pixels[y][x]);
    for (int depth : {16, 24, 32}) {
        const ScreenBits bits = CaptureScreen(screen, depth);
        ASSERT_EQ(bits.bits.size(), DibStride(3, depth) * 2) << depth;
        const std::vector<uint8_t> rgb = ScreenBitsToRgb(bits);
        ASSERT_EQ(rgb.size(), 18u);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const uint8_t* got = &rgb[size_t((1 - y) * 3 + x) * 3];
                for (int c = 0; c < 3; ++c) {
                    const uint32_t v = pixels[y][x] >> (16 - 8 * c) & 0xFF;
                    const uint32_t five = v >> 3;
                    const uint32_t want = depth != 16  ? v
                                          : five == 0  ? 0
                                          : five == 31 ? 255
                                                       : 8 * (five + 1);
                    EXPECT_EQ(got[c], want) << depth << " bpp at " << x << "," << y << " " << c;
                }
            }
        }
    }
}

TEST_F(ScreenshotTest, WrittenFileDecodesToTheScreenAtEachDepthTopRowFirst) {
    const platform::Surface screen = Blocks(75, 45);
    for (int depth : {16, 24, 32}) {
        const std::string path = dir_ / ("shot" + std::to_string(depth) + ".jpg");
        ASSERT_TRUE(SaveScreenshotJpeg(path, 75, CaptureScreen(screen, depth)));
        engine::Picture picture;
        ASSERT_TRUE(engine::ReadJpeg(FileBytes(path), picture)) << depth;
        ASSERT_EQ(picture.width, 75u);
        ASSERT_EQ(picture.height, 45u);
        // 16 bits lose three bits a channel before JPEG loses its share.
        EXPECT_LE(MaxFlatError(picture, screen), depth == 16 ? 12 : 6) << depth << " bpp";
    }
}

TEST_F(ScreenshotTest, NothingIsWrittenForAnUnsupportedDepthOrShortBits) {
    ShotApp app;
    const platform::Surface screen = Blocks(9, 4);
    ScreenBits shortBits = CaptureScreen(screen, 24);
    shortBits.bits.pop_back();
    const ScreenBits cases[] = {CaptureScreen(screen, 8), CaptureScreen(screen, 1),
                                ScreenBits{9, 4, 8, std::vector<uint8_t>(36, 0)}, shortBits,
                                CaptureScreen(platform::Surface(), 32)};
    for (const ScreenBits& bits : cases) {
        EXPECT_TRUE(ScreenBitsToRgb(bits).empty()) << bits.bitsPerPixel;
        EXPECT_FALSE(SaveScreenshotJpeg(dir_ / "none.jpg", 75, bits));
        EXPECT_FALSE(std::filesystem::exists(dir_ / "none.jpg"));
    }
    EXPECT_TRUE(app.boxes.empty());
}

TEST_F(ScreenshotTest, WriterRefusesWithoutLeavingAFile) {
    ShotApp app;
    const std::vector<uint8_t> rgb(4 * 4 * 3, 128);
    EXPECT_EQ(JpegFile::WriteRgbJpeg(dir_ / "null.jpg", nullptr, 4, 4, 75), 0);
    EXPECT_EQ(JpegFile::WriteRgbJpeg(dir_ / "flat.jpg", rgb.data(), 0, 4, 75), 0);
    EXPECT_TRUE(app.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(dir_ / "null.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "flat.jpg"));

    const std::string missing = dir_.path() + "no such folder\\shot.jpg";
    EXPECT_EQ(JpegFile::WriteRgbJpeg(missing, rgb.data(), 4, 4, 75), 0);
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0], "JpegFile :\nCan't open " + missing + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "no such folder"));

    // Files may grow to 100 bytes: the write fails after the open, and the
    // cut file is removed.
    {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small{100, old.rlim_max};
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const int result = JpegFile::WriteRgbJpeg(dir_ / "cut.jpg", rgb.data(), 4, 4, 75);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(std::filesystem::exists(dir_ / "cut.jpg"));
    }
    EXPECT_EQ(JpegFile::WriteRgbJpeg(dir_ / "flat.jpg", rgb.data(), 4, 4, 75), 1);
}

TEST(ScreenshotName, YearDayAndTimeAreRunTogetherAsNumbers) {
    EXPECT_EQ(ScreenshotFileName("Qevo", 101, {2026, 12, 7, 23, 59, 58}),
              "Qevo_101_20261207_235958");
    EXPECT_EQ(ScreenshotFileName("Qevo", 7, {2027, 1, 5, 0, 4, 3}), "Qevo_7_2027105_403");
}

TEST_F(ScreenshotTest, CommandSavesTheTableIntoANewTempFolderAndSaysSoInTheChat) {
    ShotApp app;
    CTableLogic logic;
    CTableScene scene(&logic);
    platform::ManualLocalTime clock({2026, 12, 7, 9, 5, 3});
    platform::ScopedLocalTime localTime(clock);

    // No screen yet: nothing saved, nothing said.
    EXPECT_FALSE(scene.SaveScreenshot());
    EXPECT_TRUE(app.chat.empty());

    scene.Screen().SetFillColor(0x2080C0);
    scene.InitScreen(57, 33);
    ASSERT_FALSE(std::filesystem::exists(dir_ / "temp"));
    ASSERT_TRUE(scene.SaveScreenshot());
    const std::string path = dir_.path() + "temp\\Qevo_101_20261207_90503.jpg";
    ASSERT_EQ(app.chat.size(), 1u);
    EXPECT_EQ(app.chat[0], "<c=255>[系统]：<c=16711680>游戏截图已保存到" + path + "\r\n");
    engine::Picture picture;
    ASSERT_TRUE(engine::ReadJpeg(FileBytes(path), picture));
    EXPECT_LE(MaxFlatError(picture, scene.Output()), 6);
    EXPECT_TRUE(app.boxes.empty());

    // A file where the folder should be: the writer's box, no chat line.
    std::filesystem::remove_all(dir_ / "temp");
    dir_.Write("temp", "x");
    EXPECT_FALSE(scene.SaveScreenshot());
    EXPECT_EQ(app.chat.size(), 1u);
    EXPECT_EQ(app.boxes.size(), 1u);
}

}  // namespace
}  // namespace mahjong
