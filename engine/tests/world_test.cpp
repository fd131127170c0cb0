// The World's bookkeeping: ids, entities and their controls, objects,
// message modes and who frees a payload, the frame clock, and the engine's
// message pump.

#include "engine/world.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/tests/runtime_fixture.h"

namespace engine {
namespace {

using testing::Counted;
using testing::Recorder;

class WorldTest : public testing::EngineTest {};

TEST_F(WorldTest, IdsStartAtOneAndAnUnknownKindMakesNothing) {
    World w(&resources_);
    EXPECT_EQ(w.CreateEntity(2, 0, 0, 1, 1, 0.0, 1, 1, 1.0), nullptr);
    EXPECT_EQ(w.CreateEntity(kKindBase, 0, 0, 1, 1, 0.0, 1, 1, 1.0)->GetId(), 1u);
    EXPECT_EQ(w.NewControl()->id, 1u);
    EXPECT_EQ(w.NextApplyId(), 1u);
    EXPECT_EQ(w.NextEventId(), 1u);
}

// The World used to delete "GameLog.ini" in the current folder.
TEST_F(WorldTest, MakingAWorldLeavesTheCurrentFolderAlone) {
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    dir_.Write("GameLog.ini", "[x]\n");
    { World w(&resources_); }
    EXPECT_EQ(dir_.Read("GameLog.ini"), "[x]\n");
    ASSERT_EQ(chdir(old), 0);
}

TEST_F(WorldTest, MessagesFollowTheirMode) {
    const uint32_t target = recorder_->GetControlId();
    struct Case {
        uint32_t target;
        int mode;
        int result;
        size_t queued;
        uint32_t queuedTarget;
        size_t delivered;
    };
    world().SetDefaultTarget(77);
    const Case cases[] = {
        {0, kSendNow, 1, 1, 77, 0},
        {0, kSendQueue, 1, 1, 77, 0},
        {0, kSendQueueRaw, 1, 1, 0, 0},
        {target, kSendNow, 1, 0, 0, 1},
        {target, kSendQueue, 1, 1, target, 0},
        {target, kSendQueueRaw, 1, 0, 0, 1},
        {9999, kSendNow, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.target << " mode " << c.mode);
        recorder_->codes.clear();
        EXPECT_EQ(world().SendMessage({5, platform::Payload::Make<Counted>(1), c.target}, c.mode),
                  c.result);
        EXPECT_EQ(world().QueuedMessages(), c.queued);
        EXPECT_EQ(recorder_->codes.size(), c.delivered);
        if (c.queued) {
            EXPECT_EQ(world().PopMessage().target, c.queuedTarget);
        }
        // Delivered, refused or popped: freed once either way.
        EXPECT_EQ(Counted::live, 0);
    }
    EXPECT_EQ(world().SendMessage({0, {}, 0}, kSendQueue), 0);
    EXPECT_EQ(world().PopMessage().code, 0u);
}

TEST_F(WorldTest, BindingTakesTheEntityOverAndLetsGoOfTheOneBoundBefore) {
    Entity* e = world().CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    Entity* f = world().CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    ControlRecord* first = world().RequestControl(e->GetId(), 0);
    ControlRecord* second = world().RequestControl(e->GetId(), 0);
    EXPECT_EQ(first->entityId, 0u);
    EXPECT_EQ(first->entity, nullptr);
    EXPECT_EQ(e->GetControlId(), second->id);
    const std::string log = LogText();
    EXPECT_NE(log.find("控件申请冲突，申请绑定实体已被其他控件绑定!"), std::string::npos);
    EXPECT_NE(log.find("强制解除原有绑定，可能造成逻辑错误，care!"), std::string::npos);
    // Bound anew, it lets go of e: deleting e leaves it alive.
    second->SetEvent(kEvClick, 5, 0);
    world().BindControl(second, f, kControlDiesWithEntity);
    EXPECT_EQ(e->GetControlId(), 0u);
    EXPECT_FALSE(e->IsPickable());
    world().DeleteEntity(e->GetId());
    EXPECT_EQ(world().GetControl(second->id), second);
}

TEST_F(WorldTest, EventEntriesDecideWhetherTheEntityIsPicked) {
    Entity* e = world().CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    ControlRecord* c = world().RequestControl(e->GetId(), 0);
    EXPECT_EQ(c->SetEvent(30, 5, 0), 0);
    EXPECT_FALSE(e->IsPickable());
    c->SetEvent(kEvClick, 5, 0);
    EXPECT_TRUE(e->IsPickable());
    EXPECT_TRUE(c->IsClickable());
    c->SetEvent(kEvClick, 0, 0);
    c->SetEvent(0, 0, 0);
    EXPECT_FALSE(e->IsPickable());
    c->SetEvent(kEvClick, 5, 0);
    c->enabled = 0;
    EXPECT_FALSE(c->IsClickable());
}

TEST_F(WorldTest, DeletingAnEntityTakesOwnedChildrenAndItsControl) {
    Entity* parent = world().CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    Entity* owned = world().CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    Entity* loose = world().CreateEntity(kKindBase, 0, 0, 4, 4, 0.0, 1, 1, 1.0);
    const uint32_t ownedId = owned->GetId();
    world().AddChildEntity(parent->GetId(), ownedId, kLinkOwned);
    world().AddChildEntity(parent->GetId(), loose->GetId(), kLinkPosition);
    const uint32_t dies = world().RequestControl(parent->GetId(), kControlDiesWithEntity)->id;
    const uint32_t stays = world().RequestControl(loose->GetId(), 0)->id;
    world().DeleteEntity(parent->GetId());
    EXPECT_EQ(world().FindEntity(ownedId), nullptr);
    EXPECT_EQ(loose->GetAttachedTo(), nullptr);
    EXPECT_EQ(world().GetControl(dies), nullptr);
    world().DeleteEntity(loose->GetId());
    ASSERT_NE(world().GetControl(stays), nullptr);
    EXPECT_EQ(world().GetControl(stays)->entityId, 0u);
}

// An object that removes itself in its own handler stays alive until the
// handler has returned.
TEST_F(WorldTest, AnObjectMayRemoveItselfWhileHandlingAMessage) {
    auto* self = world().MakeObject<Recorder>();
    const uint32_t id = self->GetControlId();
    self->onEvent = [&](EngineMessage&) {
        self->Detach();
        EXPECT_EQ(self->codes.size(), 1u);  // still readable
    };
    const size_t objects = world().ObjectCount();
    EXPECT_EQ(world().SendMessageTo(id, 9, {}, kSendNow), 1);
    EXPECT_EQ(world().ObjectCount(), objects - 1);
    EXPECT_EQ(world().GetControl(id), nullptr);
}

TEST_F(WorldTest, AFrameIsDueOncePerPeriod) {
    world().IsFrameDue();
    EXPECT_EQ(world().IsFrameDue(), 0);
    Advance(29);
    EXPECT_EQ(world().IsFrameDue(), 0);
    Advance(1);
    EXPECT_EQ(world().IsFrameDue(), 1);
    EXPECT_EQ(world().IsFrameDue(), 0);
}

// A handler that posts again used to keep the pump going for ever.
TEST_F(WorldTest, APumpHandsOutOnlyWhatWasQueuedWhenItBegan) {
    class Echo : public GameEngine {
      public:
        using GameEngine::GameEngine;
        int OnMessage(uint32_t code, platform::Payload&, uint32_t) override {
            ++handled;
            GetWorld().PostMessage(code);
            return 1;
        }
        int handled = 0;
    } engine(resources_);
    engine.BeginSystem();
    engine.GetWorld().PostMessage(4000);
    engine.GetWorld().PostMessage(4001);
    engine.PumpMessages();
    EXPECT_EQ(engine.handled, 2);
    EXPECT_EQ(engine.GetWorld().QueuedMessages(), 2u);
    engine.EndSystem();
}

TEST_F(WorldTest, AMessageIntoAnEmptyQueueAsksTheHostForAPump) {
    struct Host : EngineHost {
        void RequestPump() override { ++pumps; }
        int pumps = 0;
    } host;
    engine_.SetHost(&host);
    world().PostMessage(4000);
    world().PostMessage(4001);
    EXPECT_EQ(host.pumps, 1);
    engine_.PumpMessages();
    world().PostMessage(4002);
    EXPECT_EQ(host.pumps, 2);
    engine_.SetHost(nullptr);
}

}  // namespace
}  // namespace engine
