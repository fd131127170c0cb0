// The animated picture, the particle effect, the point set and the callback
// list, run by the engine under the test clock and read back from its screen.

#include <gtest/gtest.h>

#include "engine/anim_entity.h"
#include "engine/engine_clock.h"
#include "engine/particle_entity.h"
#include "engine/pool_entity.h"
#include "engine/tests/runtime_fixture.h"
#include "pictures/image_record.h"

namespace engine {
namespace {

constexpr uint32_t kBlack = 0xFF000000;

class SpecialEntitiesTest : public testing::EngineTest {
  protected:
    // The engine clock is the process's: read this test's clock first.
    SpecialEntitiesTest() { EngineClock::Update(); }
    uint32_t Now() const { return EngineClock::Now(); }
    // Every pixel of the output is the background.
    bool ScreenIsBlank() {
        const platform::Surface& out = engine_.Output();
        for (int y = 0; y < out.Height(); ++y)
            for (int x = 0; x < out.Width(); ++x)
                if (out.At(x, y) != kBlack) return false;
        return true;
    }
};

// Three 100 ms cells stacked in one picture: red, red + 0x40, red + 0x80.
FrameSet StackedCells(uint32_t imageId, uint32_t duration) {
    FrameSet set;
    set.frameWidth = set.frameHeight = 10;
    for (int32_t f = 0; f < 3; ++f)
        set.frames.push_back({imageId, 0, f * 10, duration});
    return set;
}

TEST_F(SpecialEntitiesTest, AnAnimationWaitsForPlayAndStopsAtItsEnd) {
    const uint32_t cells = AddPicture("cells", 10, 10, 0xFFC00000, 3);
    AnimEntity* anim = engine_.CreateAnimEntity(1, 40, 40, StackedCells(cells, 100));
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ((Point{anim->GetWidth(), anim->GetHeight()}), (Point{10, 10}));
    engine_.ShowEntity(anim, true);
    const uint32_t t0 = Now();
    // Made still: nothing moves until Play.
    EXPECT_EQ(anim->Advance(t0), kStripStill);
    anim->Play();
    EXPECT_EQ(anim->Advance(t0 + 150), kStripFrame);
    EXPECT_EQ(anim->Strip().srcY, 10);
    RunFor(30);
    EXPECT_EQ(engine_.Output().At(40, 40), 0xFFC00040u);
    // The end of the set, without loops or a next set, stops the strip.
    EXPECT_EQ(anim->Advance(t0 + 300), kStripEnded);
    EXPECT_FALSE(anim->IsPlaying());
}

TEST_F(SpecialEntitiesTest, OwnedFrameSetsAreCopiedLoopsIncluded) {
    const uint32_t cells = AddPicture("cells", 10, 10, 0xFFC00000, 3);
    AnimEntity* anim = engine_.CreateAnimEntity(1, 40, 40, StackedCells(cells, 100));
    {
        // A chain of two sets leading back to the first; both go before the
        // animation plays through them.
        FrameSet first = StackedCells(cells, 50), second = StackedCells(cells, 50);
        first.next = &second;
        second.next = &first;
        anim->SetFrames(&first, 1.0, kStripOwnsSets | kStripPlaying);
    }
    const uint32_t t0 = Now();
    for (uint32_t t = 0; t < 2000; t += 40)
        EXPECT_EQ(anim->Advance(t0 + t), kStripFrame) << t;
}

TEST_F(SpecialEntitiesTest, ParticlesLiveAHundredUpdatesAndFade) {
    const uint32_t dot = AddPicture("dot", 3, 3, 0xFFFFFFFF);
    ParticleEntity* p = engine_.CreateParticleEntity(1, 100, 100, dot, 0, 0, 3, 3, 1, 10);
    ASSERT_NE(p, nullptr);
    p->SetEnabled(true);
    uint32_t t = Now();
    p->Step(t += 20);
    ASSERT_EQ(p->LiveCount(), 1u);
    EXPECT_EQ(p->CountLeft(), 0);
    EXPECT_DOUBLE_EQ(p->Particles().front().opacity, 1.0);
    for (int i = 1; i < 99; ++i)
        p->Step(t += 20);
    ASSERT_EQ(p->LiveCount(), 1u);
    EXPECT_NEAR(p->Particles().front().opacity, 0.02, 1e-9);
    p->Step(t += 20);
    EXPECT_EQ(p->LiveCount(), 0u);
}

TEST_F(SpecialEntitiesTest, AStallOrAPauseBringsNoBurst) {
    const uint32_t dot = AddPicture("dot", 3, 3, 0xFFFFFFFF);
    ParticleEntity* p = engine_.CreateParticleEntity(1, 100, 100, dot, 0, 0, 3, 3, -1, 10);
    ASSERT_NE(engine_.ApplyParticles(p, 0, 0, {}, false), 0u);
    RunFor(60);
    const size_t before = p->LiveCount();
    EXPECT_GT(before, 0u);
    // Ten seconds without a frame: at most the catch-up reach is emitted.
    Advance(10000);
    engine_.Frame();
    EXPECT_LE(p->LiveCount(), before + kParticleCatchUpMs / 10);
    // A configured interval of 0 emits once in 1000000 ms.
    p->Configure(5, 0);
    EXPECT_EQ(p->Interval(), 1000000u);
}

TEST_F(SpecialEntitiesTest, ARemovedApplyStops) {
    const uint32_t dot = AddPicture("dot", 3, 3, 0xFFFFFFFF);
    ParticleEntity* p = engine_.CreateParticleEntity(1, 100, 100, dot, 0, 0, 3, 3, -1, 10);
    const uint32_t apply = engine_.ApplyParticles(p, 0, 600, {}, false);
    // Removed while it waits to be merged, and again once it runs.
    EXPECT_EQ(engine_.RemoveApply(apply), 1);
    RunFor(60);
    EXPECT_EQ(p->LiveCount(), 0u);
    const uint32_t again = engine_.ApplyParticles(p, 0, 600, {}, false);
    RunFor(60);
    EXPECT_GT(p->LiveCount(), 0u);
    EXPECT_EQ(engine_.RemoveApply(again), 1);
    EXPECT_EQ(engine_.RemoveApply(again), 0);
    RunFor(60);
    EXPECT_EQ(engine_.GetWorld().ActiveApplyCount(), 0u);
}

TEST_F(SpecialEntitiesTest, ParticlesDrawOutsideTheirBoxAndLeaveNoTrail) {
    const uint32_t dot = AddPicture("dot", 3, 3, 0xFF20E020);
    // A 1 x 1 emitter: everything it shows lies outside its own box.
    ParticleEntity* p = engine_.CreateParticleEntity(1, 160, 120, dot, 0, 0, 1, 1, 8, 30);
    p->Create(dot, 0, 0, 3, 3);
    p->Configure(8, 30);
    engine_.ShowEntity(p, true);
    engine_.ApplyParticles(p, 0, 0, {}, false);
    bool seenAway = false;
    for (int frame = 0; frame < 400 && (p->LiveCount() > 0 || frame < 20); ++frame) {
        RunFor(30);
        for (const Particle& q : p->Particles()) {
            const int32_t x = q.originX + q.x, y = q.originY + q.y;
            if (std::abs(x - 160) < 4 || std::abs(y - 120) < 4) continue;
            if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
            seenAway = true;
            // Green, dimmed as the particle fades.
            const uint32_t shown = engine_.Output().At(x, y);
            EXPECT_GT(shown >> 8 & 0xFF, shown >> 16 & 0xFF) << x << "," << y;
        }
    }
    EXPECT_TRUE(seenAway);
    EXPECT_EQ(p->LiveCount(), 0u);
    RunFor(60);
    EXPECT_TRUE(ScreenIsBlank());
}

TEST(ParticleImageTest, PalettedPicturesGoThroughThePaletteAndShortOnesAreRefused) {
    ImageRecord image;
    image.width = 2;
    image.height = 2;
    image.flags = kImagePaletted | kImageKeyed;
    image.colorKey = 0;
    image.colorCount = 2;
    image.ownPalette = {255, 0, 255, 10, 20, 30};
    image.pixels = {0, 1, 1, 7};  // key, colour 1, colour 1, past the palette
    ParticleImage out = CopyParticleImage(image, 0, 0, 2, 2);
    ASSERT_EQ(out.pixels.size(), 16u);
    const std::vector<uint8_t> expected = {0,  0,  0,  0,   30, 20, 10, 255,
                                           30, 20, 10, 255, 0,  0,  0,  0};
    EXPECT_EQ(out.pixels, expected);
    // A rectangle past the picture is cut to it.
    EXPECT_EQ(CopyParticleImage(image, 1, 1, 9, 9).width, 1);
    image.pixels.resize(3);
    EXPECT_TRUE(CopyParticleImage(image, 0, 0, 2, 2).pixels.empty());
}

TEST_F(SpecialEntitiesTest, CallbacksRunInOrderWhenTheEntityGoes) {
    std::vector<uint32_t> calls;
    auto record = [&](uint32_t tag) {
        return CallbackRecord{0, tag, 0, [&calls](uint32_t a) { calls.push_back(a); }};
    };
    auto* list = static_cast<CallbackEntity*>(
        world().CreateEntity(kKindCallback, 0, 0, 1, 1, 0.0, 1, 0, 1.0));
    list->Init({record(7)});
    // Replacing the records runs the old ones.
    list->Init({record(1), record(2)});
    EXPECT_EQ(calls, (std::vector<uint32_t>{7}));
    world().DeleteEntity(list->GetId());
    EXPECT_EQ(calls, (std::vector<uint32_t>{7, 1, 2}));
}

TEST_F(SpecialEntitiesTest, APointSetPlotsOnlyInsideItsBox) {
    auto* pool =
        static_cast<PoolEntity*>(world().CreateEntity(kKindPool, 50, 50, 20, 20, 0.0, 1, 1, 1.0));
    pool->SetLayer(&world().Screen(), 1);
    pool->AddPoint({45, 45, 0x30, 0x40, 0x50, 255});
    pool->AddPoint({90, 90, 0x30, 0x40, 0x50, 255});
    pool->Update();
    RunFor(30);
    EXPECT_EQ(engine_.Output().At(45, 45), 0xFF504030u);
    EXPECT_EQ(engine_.Output().At(90, 90), kBlack);
    EXPECT_EQ(pool->PointCount(), 2u);
}

}  // namespace
}  // namespace engine
