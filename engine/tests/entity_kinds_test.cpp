// Image, text and clone entities, frame-strip timing and particle maths.

#include <gtest/gtest.h>

#include <utility>

#include "engine/clone_entity.h"
#include "engine/frame_strip.h"
#include "engine/image_entity.h"
#include "engine/particles.h"
#include "engine/resources/image_provider.h"
#include "engine/tests/runtime_fixture.h"
#include "engine/text_entity.h"
#include "pictures/image_record.h"
#include "platform/bytes.h"

namespace engine {
namespace {

// One image: three frames of 4 x 2 with delays 100, 200, 300.
class Strip : public ImageProvider {
  public:
    Strip() {
        image.id = 1;
        image.width = 4;
        image.height = 2;
        image.frameCount = 3;
        image.flags = kImageDelays;
        image.frameDelays = {100, 200, 300};
        image.pixels.assign(4 * 2 * 3 * 4, 0xFF);
    }
    const ImageRecord* GetImage(uint32_t id) override { return id == 1 ? &image : nullptr; }
    ImageRecord image;
};

TEST(ImageEntityTest, FramesFollowTheDelays) {
    Strip strip;
    ImageEntity e(&strip);
    e.SetImage(1, 0, 0, 4, 2, kNoBlendColor);
    EXPECT_EQ(e.SetFrame(5), 300u);
    EXPECT_EQ(e.GetFrame(), 2u);
    EXPECT_EQ(e.GetTotalDuration(), 600u);
    EXPECT_EQ(e.GetDurationBetween(0, 2), 300u);
    EXPECT_EQ(e.GetDurationBetween(2, 1), 0u);
    EXPECT_EQ(e.SetFrameByTime(650), 100u);
    EXPECT_EQ(e.GetFrame(), 0u);
    EXPECT_EQ(e.SetFrameByTime(250), 200u);
    EXPECT_EQ(e.SetFrameByTime(260), 0u);
    EXPECT_EQ(e.GetFrame(), 1u);
    EXPECT_EQ(e.NextFrame(), 300u);

    strip.image.frameCount = 1;
    strip.image.flags = 0;
    EXPECT_EQ(e.GetFrameDelay(), 100u);
    strip.image.frameCount = 0;  // a header may claim no frames at all
    EXPECT_EQ(e.SetFrame(1), 0u);
    ImageEntity none(&strip);
    none.SetImage(0, 0, 0, 1, 1, kNoBlendColor);
    EXPECT_EQ(none.GetFrameDelay(), 0u);
}

TEST(TextEntityTest, ColoursAndTheKey) {
    EXPECT_EQ(ColorToPixel(0x0000FF, 0xFF00FF), 0xFFFF0000u);
    EXPECT_EQ(ColorToPixel(0xFF00FF, 0xFF00FF) >> 24, 0u);

    TextEntity e(nullptr);
    e.Init(0, 10, 0);
    EXPECT_FALSE(e.IsCreated());
    e.Init(3, 2, 0xFF00FF);
    ASSERT_TRUE(e.IsCreated());
    EXPECT_EQ(std::count(e.GetPixels(), e.GetPixels() + 24, 0), 24);
    e.SetBackColor(0x00FF00);
    e.DrawFrame(0x0000FF);
    e.ReplaceColor(0x0000FF, 0xFF0000);
    EXPECT_EQ(platform::LoadLE32(e.GetPixels()), 0xFF0000FFu);
    e.SetPixel(5, 5, 0);  // outside: nothing
}

// Surfaces used to be width * height * 4 in 32 bits.
TEST(TextEntityTest, SurfacesPastThePictureLimitsAreRefused) {
    struct Case {
        int64_t w, h;
        bool allowed;
    };
    for (const Case c : {Case{16384, 1024, true}, Case{65535, 1, true}, Case{65536, 1, false},
                         Case{65536, 65536, false}, Case{8192, 8192, false}, Case{1, 0, false}}) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h);
        EXPECT_EQ(TextSurfaceAllowed(c.w, c.h), c.allowed);
    }
    TextEntity e(nullptr);
    e.Init(65536, 65536, 0);
    EXPECT_FALSE(e.IsCreated());
}

TEST(CloneEntityTest, AClonesSourceMustBeAPlainKind) {
    Strip strip;
    ImageEntity source(&strip);
    source.SetImage(1, 0, 0, 4, 2, kNoBlendColor);
    source.SetSize(8, 6);
    CloneEntity clone;
    clone.Init(&source, true);
    EXPECT_TRUE(clone.IsCreated());
    EXPECT_EQ(clone.GetWidth(), 8);
    CloneEntity second;
    second.Init(&clone, false);
    EXPECT_FALSE(second.IsCreated());
}

TEST(FrameStripTest, ThreeFramesAtTwoSpeeds) {
    const FrameSet set = MakeUniformStrip(9, 10, 10, 3, 100);
    struct Case {
        double speed;
        uint32_t at;
        int32_t x;
    };
    for (const Case c : {Case{1.0, 150, 10}, Case{1.0, 200, 20}, Case{2.0, 100, 20}}) {
        FrameStrip strip;
        strip.Bind(&set, c.speed, kStripPlaying);
        ASSERT_EQ(strip.Step(1000), kStripFrame);
        EXPECT_EQ(strip.Step(1000 + c.at), kStripFrame);
        EXPECT_EQ(strip.srcX, c.x) << c.speed << " at " << c.at;
    }
}

// Stopped on a frame, a strip goes on from it at any speed and reaches the
// next one a frame's time later; its end leaves the last frame shown.
TEST(FrameStripTest, StoppingHoldsTheFrameAtAnySpeedAndTheEndGivesZero) {
    const FrameSet set = MakeUniformStrip(9, 10, 10, 3, 100);
    for (double speed : {1.0, 2.0, 0.5}) {
        const uint32_t frame = uint32_t(100 / speed);
        FrameStrip strip;
        strip.Bind(&set, speed, kStripPlaying);
        strip.Step(0);
        strip.Step(frame + frame / 2);
        strip.flags &= ~kStripPlaying;
        EXPECT_EQ(strip.Step(5000), kStripStill);
        strip.flags |= kStripPlaying;
        for (const auto& [t, x] : {std::pair{0u, 10}, {frame - 1, 10}, {frame, 20}}) {
            EXPECT_EQ(strip.Step(5000 + t), kStripFrame);
            EXPECT_EQ(strip.srcX, x) << speed << " at " << t;
        }
        EXPECT_EQ(strip.Step(5000 + 2 * frame), kStripEnded);
        EXPECT_EQ(strip.srcX, 20);
    }
}

TEST(FrameStripTest, ALoopingChainStartsOverFromItsFirstSet) {
    FrameSet first = MakeUniformStrip(9, 10, 10, 1, 100);
    const FrameSet second = MakeUniformStrip(8, 10, 10, 2, 100);
    first.next = &second;
    FrameStrip strip;
    strip.Bind(&first, 1.0, kStripPlaying | kStripLoopChain);
    for (const auto& [t, image] : {std::pair{0u, 9u}, {100u, 8u}, {300u, 9u}}) {
        EXPECT_EQ(strip.Step(t), kStripFrame);
        EXPECT_EQ(strip.imageId, image) << t;
    }
}

// Degenerate timings: a set of total duration 0 used to loop for ever; a
// looping 1 ms strip catches up after a long pause; a rewinding one restarts.
TEST(FrameStripTest, DegenerateTimingsEndCatchUpOrRestart) {
    FrameSet empty = MakeUniformStrip(9, 10, 10, 3, 0);
    FrameStrip strip;
    strip.Bind(&empty, 1.0, kStripPlaying | kStripLoopChain);
    EXPECT_EQ(strip.Step(100), kStripEnded);
    EXPECT_EQ(std::pair(strip.imageId, strip.srcX), std::pair(9u, 0));
    const FrameSet set = MakeUniformStrip(9, 10, 10, 3, 1);
    strip.Bind(&set, 1.0, kStripPlaying | kStripLoopChain);
    strip.Step(0);
    EXPECT_EQ(strip.Step(4000000000u), kStripFrame);
    EXPECT_EQ(strip.Step(4000000001u), kStripFrame);
    FrameStrip rewinding;
    rewinding.Bind(&set, 1.0, kStripPlaying | kStripRewind | kStripRestartCode);
    rewinding.Step(0);
    EXPECT_EQ(rewinding.Step(3), kStripRestarted);
}

TEST(ParticleTest, LivesAndFades) {
    ParticleRandom random(3);
    Particle p = SpawnDefaultParticle(random);
    int updates = 1;
    while (StepDefaultParticle(p))
        ++updates;
    EXPECT_EQ(updates, 100);
    EXPECT_NEAR(p.opacity, 0.01, 1e-12);
    // Parameters of 0 used to divide by zero.
    const RisingParameters zero{0, 0, 0, 0, 0};
    Particle r = SpawnRisingParticle(random, &zero);
    EXPECT_EQ(r.life, 1);
    EXPECT_FALSE(StepRisingParticle(r, &zero));
    EXPECT_EQ(r.y, -2);
}

}  // namespace
}  // namespace engine
