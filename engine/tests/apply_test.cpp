// Timed actions under the test clock: when steps run, how moves, resizes,
// fades, frames and repeats behave, channels, cancelling, and the faults
// that used to hang, overflow or free twice.

#include "engine/apply.h"

#include <gtest/gtest.h>

#include <utility>

#include "engine/apply_steps.h"
#include "engine/image_entity.h"
#include "engine/tests/runtime_fixture.h"
#include "engine/text_entity.h"

namespace engine {
namespace {

using testing::Counted;

class ApplyTest : public testing::EngineTest {
  protected:
    Entity* Plain(int32_t x, int32_t y, int32_t w = 10, int32_t h = 10) {
        Entity* e = world().CreateEntity(kKindBase, x, y, w, h, 0.0, 1, 1, 1.0);
        e->SetLayer(&world().Screen(), 1);
        return e;
    }
    // The frames run at exact multiples of the period from here on.
    void Frame() {
        Advance(30);
        engine_.Frame();
    }
    uint32_t Target() const { return recorder_->GetControlId(); }
};

// The first step comes one period after the merge; a speed-5 move to a point
// three pixels away ends on its second step and reports one frame later.
TEST_F(ApplyTest, AMoveStepsFromThePeriodAfterItsMergeAndEndsOnItsTarget) {
    Entity* far = Plain(0, 0);
    Entity* near = Plain(0, 0);
    engine_.ApplyMoveTo(far, 0, 100, 0, 5, 0, 600, {}, Target());
    engine_.ApplyMoveTo(near, 0, 3, 0, 5, 0, 500, {}, Target());
    Frame();  // merged
    EXPECT_EQ(std::pair(far->GetX(), near->GetX()), std::pair(0, 0));
    Frame();
    EXPECT_EQ(std::pair(far->GetX(), near->GetX()), std::pair(5, 3));
    EXPECT_TRUE(recorder_->codes.empty());
    Frame();
    EXPECT_EQ(far->GetX(), 10);
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{500}));
}

TEST_F(ApplyTest, MovesOnOneChannelRunOneAfterTheOther) {
    Entity* e = Plain(0, 0);
    const uint32_t channel = engine_.NextEventId();
    engine_.ApplyMoveTo(e, channel, 10, 0, 10, 0, 501, {}, Target());
    engine_.ApplyMoveTo(e, channel, 10, 20, 10, 0, 502, {}, Target());
    Frame();
    Frame();
    EXPECT_EQ((Point{e->GetX(), e->GetY()}), (Point{10, 0}));
    Frame();  // the first ends; the second starts now
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{501}));
    EXPECT_EQ(e->GetY(), 0);
    Frame();
    EXPECT_EQ(e->GetY(), 10);
    Frame();
    Frame();
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{501, 502}));
    EXPECT_EQ(engine_.IsChannelActive(channel), 0);
}

TEST_F(ApplyTest, MovesArriveWhateverTheirNumbers) {
    struct Case {
        const char* name;
        int32_t from, to, speed, maxSpeed, acceleration;
        double growth;
        int steps;
    };
    const Case cases[] = {
        // A speed of 0 used to block its channel for ever.
        {"speed 0", 0, 40, 0, 0, 0, 0.0, 45},
        {"negative speed", 0, 40, -5, 0, 0, 0.0, 45},
        // The growth factor overflowed 32 bits after a few steps.
        {"runaway growth", 0, 100000, 1000, 0, 0, 1000000.0, 5},
        // Planes start at -100000: squares of distances overflowed 32 bits.
        {"far planes", -100000, 100000, 50000, 0, 0, 0.0, 8},
        {"top speed", 0, 90, 1, 3000, 100000, 0.0, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Entity* e = Plain(c.from, c.from);
        engine_.ApplyMove(e, 0, c.to, c.to, c.speed, c.maxSpeed, c.acceleration, c.growth, 0, 0, {},
                          0, false);
        for (int i = 0; i <= c.steps + 1; ++i)
            Frame();
        EXPECT_EQ((Point{e->GetX(), e->GetY()}), (Point{c.to, c.to}));
        EXPECT_FALSE(world().HasApplyFor(e->GetId()));
    }
}

TEST_F(ApplyTest, ResizeStepsTowardTheTargetAndAStepOfZeroJumps) {
    Entity* e = Plain(50, 50);
    engine_.ApplyResize(e, 10, 10, 20, 4, -3, 0, 0, 0, 0, {}, 0);
    EXPECT_EQ(e->GetWidth(), 10);
    Frame();
    Frame();
    EXPECT_EQ((Point{e->GetWidth(), e->GetHeight()}), (Point{13, 4}));
    for (int i = 0; i < 4; ++i)
        Frame();
    EXPECT_EQ(e->GetWidth(), 20);
    Frame();
    EXPECT_FALSE(world().HasApplyFor(e->GetId()));
}

// The repeated message used to be the Apply's own payload, freed by every
// receiver in turn.
TEST_F(ApplyTest, RepeatDeliversACopyEachTimeAndFreesItsOwnOnce) {
    std::vector<int> seen;
    recorder_->onEvent = [&](EngineMessage& m) {
        if (const Counted* c = m.payload.Get<Counted>()) seen.push_back(c->value);
    };
    ApplyTiming timing = MakeApplyTiming(30, 600, platform::Payload::Make<Counted>(7), Target());
    timing.t[1] = 3;
    ASSERT_NE(engine_.AddApply(0, std::move(timing), StepRepeat, 0, 0, 0, 2), 0u);
    for (int i = 0; i < 6; ++i)
        Frame();
    EXPECT_EQ(seen, (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(world().ActiveApplyCount(), 0u);
    EXPECT_EQ(Counted::live, 0);
}

// Deleting an entity cancels its Applies; the cancelled Apply that was to
// delete the entity when it ended used to delete it again.
TEST_F(ApplyTest, DeletingAnEntityCancelsItsAppliesWithoutDeletingItAgain) {
    Entity* e = Plain(0, 0);
    const uint32_t id = e->GetId();
    Entity* other = Plain(5, 5);
    engine_.ApplyOnce(e, 0, Target(), 700, platform::Payload::Make<Counted>(1));
    Frame();
    world().DeleteEntity(id);
    Frame();
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{700}));
    EXPECT_EQ(world().FindEntity(other->GetId()), other);
    EXPECT_EQ(world().ActiveApplyCount(), 0u);
    EXPECT_EQ(Counted::live, 0);
}

// Stopped, an Apply waits; World commands 4096 and 64 stop and resume an
// entity's Applies, 16 the head of a channel, and 256 cancels a channel,
// its message still sent.
TEST_F(ApplyTest, StoppedAppliesWaitAndWorldCommandsStopResumeAndCancel) {
    Entity* e = Plain(0, 0);
    const uint32_t channel = engine_.NextEventId(), id = e->GetId();
    const uint32_t apply = engine_.ApplyMoveTo(e, channel, 1000, 0, 10, 0, 800, {}, Target());
    engine_.PostTimerEvent(apply, 0);
    for (int i = 0; i < 5; ++i)
        Frame();
    EXPECT_EQ(e->GetX(), 0);
    EXPECT_TRUE(world().HasApplyFor(id));
    world().ResetApplyClock(apply);
    Frame();
    EXPECT_EQ(e->GetX(), 10);
    const struct {
        uint32_t command, a, b;
        int32_t x;
    } steps[] = {{kCmdStopEntity, id, 7, 10},
                 {kCmdResumeEntity, id, 0, 20},
                 {kCmdStopEntity, id, 7, 20},
                 {kCmdResumeChannel, channel, 0, 30},
                 {kCmdCancel, channel, 2, 30}};
    for (const auto& s : steps) {
        world().PushCommand(s.command, s.a, s.b, s.command == kCmdCancel ? kCancelByChannel : 0);
        Frame();
        Frame();
        EXPECT_EQ(e->GetX(), s.x) << s.command;
    }
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{800}));
}

// A step whose handler clears the World (which stops every Apply) used to
// be ended a second time, its message sent into the cleared World.
TEST_F(ApplyTest, AStepThatClearsTheWorldEndsItsApplyOnce) {
    auto step = [](Entity*, ApplyTiming&, World& w, uint32_t) {
        w.Clear();
        return 1;
    };
    world().AddApply(0, MakeApplyTiming(30, 802, {}, 0), step, 0, 0, 0, kFacadeLevel);
    RunFor(60);
    EXPECT_EQ(world().QueuedMessages(), 0u);
}

TEST_F(ApplyTest, AMoveWithoutChannelReplacesTheEntitysEarlierMoves) {
    Entity* e = Plain(0, 0);
    engine_.ApplyMoveTo(e, 0, 100, 0, 10, 0, 901, platform::Payload::Make<Counted>(1), Target());
    Frame();
    Frame();
    engine_.ApplyMoveTo(e, 0, 10, 100, 10, 0, 902, {}, Target());
    for (int i = 0; i < 14; ++i)
        Frame();
    EXPECT_EQ((Point{e->GetX(), e->GetY()}), (Point{10, 100}));
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{902}));
    EXPECT_EQ(Counted::live, 0);
}

TEST_F(ApplyTest, DelaysAndCallbacksDeliverTheirMessage) {
    engine_.ApplyDelay(100, 1001, {}, Target(), 0);
    engine_.ApplyCallback(0, 1002, {}, Target(), 0);
    Frame();
    Frame();
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{1002}));
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{1002}));
    Frame();
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{1002, 1001}));
}

TEST_F(ApplyTest, FramesModesPlayTheImagesStrip) {
    const uint32_t strip =
        AddStrip("strip", 8, 8, 4, 100, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255},
                 [](int f, int, int) { return 1 + f % 3; });
    struct Case {
        int32_t mode, count;
        int frames;
        uint32_t frameAfter;
        bool ended;
    };
    // Four frames of 100 ms: a step every fourth frame of 30 ms.
    const Case cases[] = {
        {kFramesShowOne, 2, 6, 2, true},   {kFramesOneByOne, 2, 10, 2, true},
        {kFramesByTime, 250, 6, 1, false}, {kFramesByTime, 250, 14, 2, true},
        {kFramesByPasses, 1, 18, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " count " << c.count);
        ImageEntity* e = engine_.CreateImageEntity(1, 20, 20, strip, 0, 0, 8, 8, kNoBlendColor);
        ASSERT_NE(e, nullptr);
        ASSERT_NE(engine_.ApplyFrames(e, c.mode, c.count, 0, 0, 0), 0u);
        for (int i = 0; i < c.frames; ++i)
            Frame();
        EXPECT_EQ(e->GetFrame(), c.frameAfter);
        EXPECT_EQ(!world().HasApplyFor(e->GetId()), c.ended);
    }
    EXPECT_EQ(engine_.ApplyFrames(world().FindEntity(1), 4, 1, 0, 0, 0), 0u);
}

TEST_F(ApplyTest, AShortNoticeGrowsShrinksAndGoes) {
    const uint32_t id = engine_.ShowNotice("note", 0, 500, kCentre, kCentre, 60, 30, 0, 0, 0);
    ASSERT_NE(id, 0u);
    Entity* box = world().FindEntity(id);
    std::vector<double> seen;
    for (int i = 0; i < 30 && world().FindEntity(id); ++i) {
        Frame();
        if (world().FindEntity(id)) seen.push_back(box->GetOpacity());
    }
    EXPECT_EQ(world().FindEntity(id), nullptr);
    ASSERT_GE(seen.size(), 19u);
    const auto top = std::max_element(seen.begin(), seen.end());
    EXPECT_DOUBLE_EQ(*top, 1.0);
    EXPECT_NEAR(seen[1], 0.2, 1e-9);
    EXPECT_NEAR(seen.back(), 0.0, 1e-9);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LE(std::abs(seen[i] - seen[i - 1]), 0.1 + 1e-9);
}

class WrapTest : public testing::RuntimeTest {
  protected:
    // 45 ms before the tick counter wraps.
    WrapTest() : RuntimeTest((int64_t(1) << 32) - 45) {}
};

// "Not due while now < next + period" stalled for 49 days at the wrap.
TEST_F(WrapTest, FramesAndStepsGoOnAcrossTheTickCountersWrap) {
    GameEngine engine(resources_);
    engine.BeginSystem();
    engine.InitScreen(64, 64);
    World& world = engine.GetWorld();
    Entity* e = world.CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    e->SetLayer(&world.Screen(), 1);
    engine.ApplyMoveTo(e, 0, 1000, 0, 1, 0, 0);
    int frames = 0;
    for (int i = 0; i < 10; ++i) {
        Advance(30);
        if (world.IsFrameDue()) {
            ++frames;
            world.Update();
        }
        EXPECT_EQ(world.IsFrameDue(), 0);
    }
    EXPECT_EQ(frames, 10);
    EXPECT_EQ(e->GetX(), 9);
    engine.EndSystem();
}

}  // namespace
}  // namespace engine
