#include "mahjong/scene/screenshot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "client/chat_view.h"
#include "mahjong/scene/jpeg_file.h"
#include "mahjong/tests/client_fixture.h"
#include "pictures/picture.h"
#include "platform/gui/surface.h"
#include "platform/paths.h"
#include "platform/tests/temp_dir.h"

namespace mahjong {
namespace {

// User 101 at chair 0; message boxes are recorded instead of shown.
struct ShotApp : testing::RecordingApp {
    ShotApp() {
        SetCommandLine("\"7|127.0.0.1|3|1|0|101|5|0|0\"");
        ParseLaunchLine();
    }
    int MessageBox(const std::string& text, uint32_t) override {
        boxes.push_back(text);
        return 1;
    }
    std::vector<std::string> boxes;
};

class ScreenshotTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1); }
    void TearDown() override { unsetenv("QEVO_PROGRAM_DIR"); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    platform::testing::TempDir dir_;
    ShotApp app_;
};

// Flat 16 x 16 blocks of distinct colours, whose insides JPEG keeps nearly exact.
platform::Surface Blocks(int width, int height) {
    platform::Surface s(width, height);
    for (int i = 0; i < width * height; ++i) {
        const uint32_t bx = uint32_t(i % width / 16), by = uint32_t(i / width / 16);
        s.Set(i % width, i / width,
              0xFF000000u | (40 + 50 * bx) % 256 << 16 | (30 + 70 * by) << 8 | 25 * (bx + by));
    }
    return s;
}

// The largest channel difference of the file from `want` inside the blocks.
int MaxFlatError(const std::string& path, const platform::Surface& want) {
    engine::Picture got;
    const auto bytes = platform::ReadFileBytes(path, 1 << 24);
    if (!bytes || !engine::ReadJpeg(*bytes, got) || got.frames[0].bgra.size() != want.ByteSize())
        return 256;
    int worst = 0;
    for (int y = 0; y < want.Height(); ++y) {
        for (int x = 0; x < want.Width(); ++x) {
            if (x % 16 < 2 || x % 16 > 13 || y % 16 < 2 || y % 16 > 13) continue;
            const uint8_t* p = &got.frames[0].bgra[(size_t(y) * got.width + size_t(x)) * 4];
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(p[c] - int(want.At(x, y) >> (8 * c) & 0xFF)));
        }
    }
    return worst;
}

TEST_F(ScreenshotTest, DepthsConvertAtThePaddedStrideAndTheFileShowsTheTopRowFirst) {
    // 16 bits: white, every field 1 (16, not 8), every field 30, red 31 and blue 1.
    const ScreenBits bits{4, 1, 16, {0xFF, 0x7F, 0x21, 0x04, 0xDE, 0x7B, 0x01, 0x7C}};
    EXPECT_EQ(ScreenBitsToRgb(bits),
              (std::vector<uint8_t>{255, 255, 255, 16, 16, 16, 248, 248, 248, 255, 0, 16}));

    platform::Surface screen(3, 2);
    const uint32_t pixels[6] = {0xFF102030, 0xFFF0E0D0, 0xFF808080,
                                0xFF000008, 0xFFFFFFFF, 0xFF4080C0};
    for (int i = 0; i < 6; ++i)
        screen.Set(i % 3, i / 3, pixels[i]);
    for (int depth : {16, 24, 32}) {
        const std::vector<uint8_t> rgb = ScreenBitsToRgb(CaptureScreen(screen, depth));
        ASSERT_EQ(rgb.size(), 18u);
        for (int i = 0; i < 18; ++i) {
            const int x = i / 3 % 3, y = 1 - i / 9;  // the screen's bottom row first
            const uint32_t v = pixels[y * 3 + x] >> (16 - 8 * (i % 3)) & 0xFF, five = v >> 3;
            const uint32_t want = depth != 16 ? v : five == 31 ? 255 : five ? 8 * (five + 1) : 0;
            EXPECT_EQ(rgb[size_t(i)], want) << depth << " bpp, byte " << i;
        }
        const std::string path = dir_ / ("shot" + std::to_string(depth) + ".jpg");
        ASSERT_TRUE(SaveScreenshotJpeg(path, 75, CaptureScreen(Blocks(75, 45), depth)));
        // 16 bits lose three bits a channel before JPEG loses its share.
        EXPECT_LE(MaxFlatError(path, Blocks(75, 45)), depth == 16 ? 12 : 6) << depth << " bpp";
    }
}

TEST_F(ScreenshotTest, FailuresLeaveNoFile) {
    ScreenBits shortBits = CaptureScreen(Blocks(9, 4), 24);
    shortBits.bits.pop_back();
    for (const ScreenBits& bits : {ScreenBits{9, 4, 8, std::vector<uint8_t>(36)}, shortBits,
                                   CaptureScreen(platform::Surface(), 32)}) {
        EXPECT_TRUE(ScreenBitsToRgb(bits).empty()) << bits.bitsPerPixel;
        EXPECT_FALSE(SaveScreenshotJpeg(dir_ / "none.jpg", 75, bits));
    }
    const std::vector<uint8_t> rgb(4 * 4 * 3, 128);
    EXPECT_EQ(JpegFile::WriteRgbJpeg(dir_ / "none.jpg", nullptr, 4, 4, 75), 0);
    EXPECT_FALSE(Exists("none.jpg"));

    const std::string missing = dir_.path() + "no such folder\\shot.jpg";
    EXPECT_EQ(JpegFile::WriteRgbJpeg(missing, rgb.data(), 4, 4, 75), 0);
    EXPECT_EQ(app_.boxes, std::vector<std::string>{"JpegFile :\nCan't open " + missing + "\n"});

    // Files may grow to 100 bytes: the write fails after the open.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{100, old.rlim_max};
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int result = JpegFile::WriteRgbJpeg(dir_ / "cut.jpg", rgb.data(), 4, 4, 75);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(Exists("cut.jpg"));
}

// The screenshot button of the running client: the screen into the temp
// folder under the user's name and the time, and a chat line that says so.
class ScreenshotButtonTest : public testing::ClientFixture {
  protected:
    void SetUp() override { Seat(0); }
};

TEST_F(ScreenshotButtonTest, TheButtonSavesTheTableIntoANewTempFolderAndSaysSoInTheChat) {
    platform::ManualLocalTime clock({2026, 12, 7, 9, 5, 3});
    platform::ScopedLocalTime localTime(clock);
    ASSERT_TRUE(Deal(testing::RoundStart(0, testing::InOrder(17))
                         .Set(snap::kJokerA, -1)
                         .Set(snap::kJokerB, -1)));
    ASSERT_FALSE(std::filesystem::exists(ProgramDir() + "temp"));
    CTableScene& s = Scene();
    const engine::Entity& button = *ButtonEntity(kMsgScreenshotButton);
    Click(button.GetX(), button.GetY());
    const std::string path = ProgramDir() + "temp\\Qevo_101_20261207_90503.jpg";
    engine::Picture shot;
    const auto bytes = platform::ReadFileBytes(path, 1 << 24);
    ASSERT_TRUE(bytes && engine::ReadJpeg(*bytes, shot));
    EXPECT_EQ((std::array{shot.width, shot.height}),
              (std::array{uint32_t(s.GetScreenSizeX()), uint32_t(s.GetScreenSizeY())}));
    platform::CRichEditCtrl& chat = Frame().GetChatView()->ChatText();
    const std::string text = chat.GetTextRange(0, chat.Length());
    EXPECT_NE(text.find("游戏截图已保存到" + platform::ToSlashPath(path)), std::string::npos);
}

}  // namespace
}  // namespace mahjong
