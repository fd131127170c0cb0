// The demo under Xvfb through the SDL2 display, its sounds recorded: real X
// input (a pointer move, a key and a click) reaches the scene and plays the
// button's tones, the music starts, and the window's pixels match the golden
// picture within a small tolerance. The test clock stands still while each
// X event travels, so every frame is the same on every run.
// QEVO_UPDATE_GOLDEN=1 rewrites the golden picture from the window's frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "engine/tests/recorded_sound.h"
#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/program_resources.h"
#include "platform/tests/source_path.h"
#include "tools/engine-demo/demo_app.h"

namespace engine_demo {
namespace {

using platform::testing_support::Mismatch;

constexpr int kLeft = 40, kTop = 40;

std::string GoldenPath() {
    return platform::testing_support::SourcePath("tools/engine-demo/tests/golden/demo.png");
}

class DemoTest : public ::testing::Test {
  protected:
    DemoTest() : clock_(int64_t(5000000) * 1000) { setenv("QEVO_PROGRAM_DIR", QEVO_ASSET_DIR, 1); }
    ~DemoTest() override { unsetenv("QEVO_PROGRAM_DIR"); }

    // Hands the window's messages out until `done` holds; the X server
    // answers in milliseconds, the bound only keeps a broken one from
    // hanging the run.
    bool PumpUntil(DemoApp& app, const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (app.Pump() == 0) std::this_thread::yield();
        }
        return true;
    }
    void Frames(DemoApp& app, int count) {
        for (int i = 0; i < count; ++i) {
            clock_.AdvanceMillis(30);
            app.Pump();
        }
    }
    bool Said(const std::string& line) const {
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }

    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    engine::testing::RecordedSound sound_;
    std::vector<std::string> lines_;
};

TEST_F(DemoTest, RealInputReachesTheSceneAndTheWindowMatchesItsGoldenPicture) {
    platform::testing_support::XvfbServer server;
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::shared_ptr<platform::Display> sdl = platform::OpenSdlDisplay();
    ASSERT_NE(sdl, nullptr);
    platform::SetDisplay(sdl);
    {
        DemoApp app([this](const std::string& line) { lines_.push_back(line); });
        ASSERT_TRUE(app.Open(kLeft, kTop));
        Frames(app, 10);
        platform::testing_support::X11Client x(server.Display());
        ASSERT_TRUE(x.Connected());

        x.WarpPointer(kLeft + kNoticeButtonX, kTop + kNoticeButtonY);
        ASSERT_TRUE(PumpUntil(app, [&] {
            return app.Scene().GetMousePos() == engine::Point{kNoticeButtonX, kNoticeButtonY};
        }));
        ASSERT_TRUE(x.SendKeyPress("2"));
        ASSERT_TRUE(PumpUntil(app, [&] { return Said("key 50"); }));
        ASSERT_TRUE(x.SendButtonPress(1, kNoticeButtonX, kNoticeButtonY));
        ASSERT_TRUE(x.SendButtonRelease(1, kNoticeButtonX, kNoticeButtonY));
        ASSERT_TRUE(PumpUntil(app, [&] { return Said("clicked notice"); }));
        EXPECT_EQ(lines_, (std::vector<std::string>{"key 50", "clicked notice"}));
        // The music plays; the pointer's arrival and the press sounded once each.
        using Kind = engine::testing::RecordedSound::Kind;
        EXPECT_EQ(sound_.Count(Kind::kMusicOpen), 1u);
        EXPECT_EQ(sound_.Count(Kind::kMusicPlay), 1u);
        const auto tone = [](uint32_t id) {
            return *platform::LoadProgramResource(platform::ResourceType::kSound, id);
        };
        EXPECT_EQ(sound_.recorder->Played(),
                  (std::vector<std::vector<uint8_t>>{tone(29001), tone(29002)}));

        Frames(app, 20);
        const platform::Surface* frame = app.Window().BackBuffer();
        ASSERT_NE(frame, nullptr);
        if (std::getenv("QEVO_UPDATE_GOLDEN")) frame->SavePng(GoldenPath());
        const platform::Surface golden = platform::Surface::LoadPng(GoldenPath());
        ASSERT_FALSE(golden.Empty()) << "missing " << GoldenPath();
        sdl->Flush();  // what was presented is on the screen
        EXPECT_LE(Mismatch(x.Grab(app.Window().GetWindowRect()), golden, 2), 0.001);
    }
    platform::SetDisplay(nullptr);
    sdl.reset();
}

}  // namespace
}  // namespace engine_demo
