// A headless scene run under the test clock: pictures, rich text, an entity
// that moves and fades, and an animated strip, rendered at 0, 300 and 900 ms
// and compared with golden pictures. QEVO_UPDATE_GOLDEN=1 rewrites them.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/image_entity.h"
#include "engine/tests/runtime_fixture.h"
#include "engine/text_entity.h"
#include "platform/tests/source_path.h"

namespace engine {
namespace {

constexpr int32_t kW = 240, kH = 180;

std::string GoldenPath(int ms) {
    return platform::testing_support::SourcePath("engine/tests/golden/scene_" + std::to_string(ms) +
                                                 ".png");
}

class SceneTest : public testing::RuntimeTest {
  protected:
    // Pictures drawn here: a tile with a border and a pip, a strip of four
    // growing discs (200 ms each), a square.
    void MakePictures() {
        platform::Surface tile(20, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool edge = x == 0 || y == 0 || x == 19 || y == 29;
                const bool pip = std::hypot(x - 9.5, y - 14.5) < 4;
                tile.Set(x, y, edge ? 0xFF405060 : pip ? 0xFFC02020 : 0xFFF0EAD8);
            }
        tile.SavePng(dir_ / "tile.png");
        AddStrip("strip", 16, 16, 4, 200, {255, 0, 255, 255, 160, 0, 255, 255, 255, 0, 0, 0},
                 [](int f, int x, int y) {
                     const double r = std::hypot(x - 7.5, y - 7.5);
                     return r < 2 + 2 * f ? (r < 2 ? 2 : 1) : 0;
                 });
        platform::Surface square(24, 24);
        square.Fill(0xFF3060E0);
        square.SavePng(dir_ / "square.png");
    }

    void Build(GameEngine& engine) {
        for (int i = 0; i < 5; ++i) {
            const FrameRect tile = engine.GetFrameRectByName("tile", 0);
            engine.ShowEntity(engine.CreateImageEntityEx(1, 30 + i * 22, 150, tile, kNoBlendColor),
                              true);
        }
        TextEntity* text = engine.CreateTextEntity(3, 120, 24, 220, 40, 0xFF00FF);
        text->SetFontFace(16, 400, "宋体");
        text->SetTextColor(0xFFFFFF);
        text->SetText(2, 2, "牌桌<color=255>场景</color> scene");
        engine.ShowEntity(text, true);
        Entity* square =
            engine.CreateImageEntityEx(2, 20, 80, engine.GetFrameRectByName("square", 0), 0xFF00FF);
        engine.ShowEntity(square, true);
        engine.ApplyMoveTo(square, 0, 220, 80, 10, 0, 0);
        engine.ApplyFade(square, -0.05, 0.2, 0, 0, 0, {}, false, 0);
        ImageEntity* disc = engine.CreateImageEntityEx(
            2, 200, 130, engine.GetFrameRectByName("strip", 0), 0xFF00FF);
        engine.ShowEntity(disc, true);
        engine.ApplyFrames(disc, 0, -1, 0, 0, 0);
    }
};

TEST_F(SceneTest, RendersTheSameAt0_300And900Ms) {
    MakePictures();
    GameEngine engine(resources_);
    engine.BeginSystem();
    engine.GetAppDirFile("");
    for (const char* name : {"tile", "square"})
        ASSERT_NE(engine.LoadImageFile(std::string(name) + ".png", 1, name, 0xFF00FF, true), 0u);
    engine.Screen().SetFillColor(0x305020);
    engine.InitScreen(kW, kH);
    Build(engine);
    int64_t elapsed = 0;
    for (int at : {0, 300, 900}) {
        while (elapsed < at) {
            Advance(30);
            elapsed += 30;
            engine.Frame();
        }
        if (at == 0) engine.Frame();
        const platform::Surface& shown = engine.Output();
        if (std::getenv("QEVO_UPDATE_GOLDEN")) shown.SavePng(GoldenPath(at));
        const platform::Surface golden = platform::Surface::LoadPng(GoldenPath(at));
        ASSERT_FALSE(golden.Empty()) << "missing " << GoldenPath(at);
        EXPECT_TRUE(shown == golden)
            << "the frame at " << at << " ms differs from its golden picture";
    }
    engine.EndSystem();
}

}  // namespace
}  // namespace engine
