#include "engine/entity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/layer_stack.h"
#include "engine/tests/layer_test_util.h"

namespace engine {
namespace {

using testing::KindEntity;
using testing::ShowWorldOneToOne;

class EntityTest : public ::testing::Test {
  protected:
    EntityTest() { ShowWorldOneToOne(screen_, 800, 600); }

    // A kind-0 entity with an id, placed on layer 2 unless told otherwise.
    Entity& Make(int32_t x, int32_t y, int32_t w = 10, int32_t h = 10, int layer = 2) {
        auto e = std::make_unique<Entity>();
        e->Init(x, y, w, h, 0.0, 1, 1, 1.0);
        e->SetId(++lastId_);
        if (layer >= 0) e->SetLayer(&screen_, layer);
        entities_.push_back(std::move(e));
        return *entities_.back();
    }

    const LayerItem* ItemOf(const Entity& e) {
        return screen_.Layer(e.GetLayerIndex())->FindItem(e.GetItem());
    }

    LayerStack screen_;
    uint32_t lastId_ = 0;
    std::vector<std::unique_ptr<Entity>> entities_;
};

TEST_F(EntityTest, ConstructionLeavesTheEntityUnplaced) {
    Entity e(kKindBase);
    EXPECT_EQ(e.GetId(), 0u);
    EXPECT_EQ(e.GetItem(), 0u);
    EXPECT_EQ(e.GetLayerIndex(), -1);
    EXPECT_FALSE(e.IsPlaced());
    EXPECT_EQ(e.GetControlId(), 0u);
    EXPECT_EQ(e.GetPayload(), nullptr);
    EXPECT_EQ(e.GetChildCount(), 0u);
    EXPECT_FALSE(e.IsPickable());
    EXPECT_FALSE(e.IsCreated());
}

TEST_F(EntityTest, InitSetsGeometryAndRadius) {
    Entity e;
    e.Init(100, 50, 20, 10, 15.0, 7, 1, 0.5);
    const DrawRecord box = e.GetBox();
    EXPECT_EQ(box.x, 100);
    EXPECT_EQ(box.y, 50);
    EXPECT_EQ(box.width, 20);
    EXPECT_EQ(box.height, 10);
    EXPECT_EQ(box.depth, 7);
    EXPECT_EQ(box.angle, 15.0);
    EXPECT_EQ(box.radius, DrawRecordRadiusInt(20, 10));
    EXPECT_EQ(box.flags, 0u);
    EXPECT_TRUE(e.IsVisible());
    EXPECT_EQ(e.GetOpacity(), 0.5);
}

TEST_F(EntityTest, ZeroSizeGivesRadiusZero) {
    Entity e;
    e.Init(0, 0, 0, 10, 0.0, 0, 1, 1.0);
    EXPECT_EQ(e.GetBox().radius, 0);
    e.Init(0, 0, 10, 0, 0.0, 0, 1, 1.0);
    EXPECT_EQ(e.GetBox().radius, 0);
}

TEST_F(EntityTest, KindWithoutPayloadCannotBePlacedButKindZeroCan) {
    KindEntity anim(kKindAnim);
    anim.Init(10, 10, 5, 5, 0.0, 1, 1, 1.0);
    EXPECT_EQ(anim.SetLayer(&screen_, 2), 0u);
    EXPECT_FALSE(anim.IsPlaced());
    ASSERT_TRUE(anim.CreatePayload());
    EXPECT_NE(anim.SetLayer(&screen_, 2), 0u);
    EXPECT_TRUE(anim.IsPlaced());

    Entity plain;
    plain.Init(10, 10, 5, 5, 0.0, 1, 1, 1.0);
    EXPECT_NE(plain.SetLayer(&screen_, 2), 0u);
    EXPECT_EQ(plain.GetLayerIndex(), 2);
}

TEST_F(EntityTest, PlacingOnAMissingLayerFails) {
    Entity& e = Make(10, 10, 5, 5, -1);
    EXPECT_EQ(e.SetLayer(&screen_, 5), 0u);
    EXPECT_EQ(e.SetLayer(&screen_, -1), 0u);
    EXPECT_EQ(e.SetLayer(nullptr, 1), 0u);
    EXPECT_FALSE(e.IsPlaced());
}

TEST_F(EntityTest, PlacingAgainMovesTheItem) {
    Entity& e = Make(10, 10);
    const uint32_t first = e.GetItem();
    ASSERT_NE(e.SetLayer(&screen_, 3), 0u);
    EXPECT_EQ(screen_.Layer(2)->FindItem(first), nullptr);
    EXPECT_EQ(screen_.Layer(2)->ItemCount(), 0u);
    EXPECT_EQ(screen_.Layer(3)->ItemCount(), 1u);
    EXPECT_EQ(e.GetLayerIndex(), 3);
}

TEST_F(EntityTest, PlacementMarksTheRecordInView) {
    Entity& on = Make(400, 300);
    Entity& off = Make(-100, 300);
    EXPECT_TRUE(on.IsFrameBound());
    EXPECT_FALSE(off.IsFrameBound());
    EXPECT_EQ(on.GetBox().screenX, 400);
}

TEST_F(EntityTest, MovePassesToPositionLinkedChildrenOnly) {
    Entity& parent = Make(100, 100);
    Entity& follower = Make(120, 100);
    Entity& turner = Make(140, 100);
    parent.AttachChild(&follower, kLinkPosition);
    parent.AttachChild(&turner, kLinkRotation);
    parent.MoveBy(5, 0);
    EXPECT_EQ(parent.GetX(), 105);
    EXPECT_EQ(follower.GetX(), 125);
    EXPECT_EQ(follower.GetY(), 100);
    EXPECT_EQ(turner.GetX(), 140);
    parent.MoveTo(0, 0);
    EXPECT_EQ(follower.GetX(), 20);
    EXPECT_EQ(follower.GetY(), 0);
}

TEST_F(EntityTest, RotationTurnsChildrenAboutTheParentCentre) {
    Entity& parent = Make(100, 100);
    Entity& child = Make(110, 100);
    parent.AttachChild(&child, kLinkRotation);
    parent.RotateBy(90.0);
    EXPECT_EQ(child.GetX(), 100);
    EXPECT_EQ(child.GetY(), 90);  // 10 px above: screen y grows downward
    EXPECT_EQ(child.GetAngle(), 90.0);
    EXPECT_EQ(parent.GetAngle(), 90.0);

    parent.SetRotation(0.0);  // turns back by the difference
    EXPECT_EQ(child.GetX(), 110);
    EXPECT_EQ(child.GetY(), 100);
    EXPECT_EQ(child.GetAngle(), 0.0);
}

TEST_F(EntityTest, RotateAboutMovesThenTurns) {
    Entity& e = Make(10, 0);
    e.RotateAbout(0, 0, 90.0);
    EXPECT_EQ(e.GetX(), 0);
    EXPECT_EQ(e.GetY(), -10);
    EXPECT_EQ(e.GetAngle(), 90.0);
    e.RotateAbout(0, 0, 0.0);
    EXPECT_EQ(e.GetX(), 0);
    EXPECT_EQ(e.GetAngle(), 90.0);
}

TEST_F(EntityTest, GroupLinkedForPositionAndRotationOrbitsTogether) {
    Entity& parent = Make(100, 100);
    Entity& child = Make(110, 100);
    parent.AttachChild(&child, kLinkPosition | kLinkRotation);
    parent.RotateAbout(0, 100, 90.0);  // parent swings to (0, 0)
    EXPECT_EQ(parent.GetX(), 0);
    EXPECT_EQ(parent.GetY(), 0);
    // Moved along with the parent to (10, 0), then turned about its centre.
    EXPECT_EQ(child.GetX(), 0);
    EXPECT_EQ(child.GetY(), -10);
}

TEST_F(EntityTest, DepthAndSizeChangesPassAsDeltas) {
    Entity& parent = Make(100, 100, 10, 10);
    Entity& child = Make(100, 100, 4, 6);
    parent.AttachChild(&child, kLinkDepth | kLinkSize);
    child.SetDepth(5);
    parent.SetDepth(11);  // +10
    EXPECT_EQ(child.GetDepth(), 15);
    parent.AddDepth(-2);
    EXPECT_EQ(child.GetDepth(), 13);
    parent.SetSize(20, 15);  // +10, +5
    EXPECT_EQ(child.GetWidth(), 14);
    EXPECT_EQ(child.GetHeight(), 11);
    parent.ScaleSize(0.5, 2.0);
    EXPECT_EQ(parent.GetWidth(), 10);
    EXPECT_EQ(parent.GetHeight(), 30);
    EXPECT_EQ(child.GetWidth(), 7);
    EXPECT_EQ(child.GetHeight(), 22);
    parent.ShiftDepth(1);
    parent.Grow(1, 1);
    EXPECT_EQ(child.GetDepth(), 14);
    EXPECT_EQ(child.GetWidth(), 8);
}

TEST_F(EntityTest, ChangesMarkDirtyOnlyWhenTheValueChanges) {
    Entity& e = Make(100, 100, 10, 10);
    e.Update();
    ASSERT_FALSE(e.IsDirty());
    e.ScaleSize(1.0, 1.0);
    EXPECT_FALSE(e.IsDirty());
    e.SetSize(10, 10);
    EXPECT_FALSE(e.IsDirty());
    e.MoveBy(0, 0);
    e.MoveTo(100, 100);
    e.SetDepth(e.GetDepth());
    e.SetRotation(0.0);
    e.RotateBy(0.0);
    e.AddSize(0, 0);
    e.SetOpacity(0.5);  // reaches the layer at every update anyway
    EXPECT_FALSE(e.IsDirty());
    e.MoveBy(1, 0);
    EXPECT_TRUE(e.IsDirty());
}

TEST_F(EntityTest, OpacityAndPickablePassToLinkedChildren) {
    Entity& parent = Make(100, 100);
    Entity& fades = Make(100, 100);
    Entity& picks = Make(100, 100);
    parent.AttachChild(&fades, kLinkOpacity);
    parent.AttachChild(&picks, kLinkPickable);
    parent.SetOpacity(0.25);
    parent.SetPickable(1);
    EXPECT_EQ(fades.GetOpacity(), 0.25);
    EXPECT_EQ(picks.GetOpacity(), 1.0);
    EXPECT_TRUE(picks.IsPickable());
    EXPECT_FALSE(fades.IsPickable());
    EXPECT_EQ(parent.GetScale(), 0.25);
}

TEST_F(EntityTest, SourceRectSetsTheClipFlagAndPassesOn) {
    Entity& parent = Make(100, 100);
    Entity& child = Make(100, 100);
    parent.AttachChild(&child, kLinkClip);
    parent.SetSourceRect({1, 2, 3, 4});
    EXPECT_EQ(parent.GetBox().clip, (Rect{1, 2, 3, 4}));
    EXPECT_TRUE(parent.GetDrawFlags() & kDrawClip);
    EXPECT_TRUE(child.GetDrawFlags() & kDrawClip);
    EXPECT_TRUE(parent.IsDirty());
}

TEST_F(EntityTest, ShowAndHidePassOnThroughTheirLinks) {
    Entity& parent = Make(100, 100);
    Entity& linked = Make(100, 100);
    Entity& remembering = Make(100, 100);
    Entity& hiddenBefore = Make(100, 100);
    Entity& unlinked = Make(100, 100);
    parent.AttachChild(&linked, kLinkShowHide);
    parent.AttachChild(&remembering, kLinkHideRemember);
    parent.AttachChild(&hiddenBefore, kLinkHideRemember);
    parent.AttachChild(&unlinked, kLinkPosition);
    hiddenBefore.Hide();

    parent.Hide();
    EXPECT_FALSE(linked.IsVisible());
    EXPECT_FALSE(remembering.IsVisible());
    EXPECT_TRUE(parent.GetChildLink(1)->flags & kLinkHiddenByParent);
    EXPECT_FALSE(parent.GetChildLink(2)->flags & kLinkHiddenByParent);
    EXPECT_TRUE(unlinked.IsVisible());

    parent.Show();
    EXPECT_TRUE(linked.IsVisible());
    EXPECT_TRUE(remembering.IsVisible());
    EXPECT_FALSE(parent.GetChildLink(1)->flags & kLinkHiddenByParent);
    EXPECT_FALSE(hiddenBefore.IsVisible());
}

TEST_F(EntityTest, UpdateHandsTheLayerTheChangedRecord) {
    Entity& e = Make(100, 100, 10, 10);
    EXPECT_EQ(e.Update(), 1);
    e.MoveTo(200, 150);
    EXPECT_EQ(ItemOf(e)->record.x, 100);  // the layer still shows the old place
    e.Update();
    EXPECT_FALSE(e.IsDirty());
    EXPECT_EQ(ItemOf(e)->record.x, 200);
    EXPECT_EQ(ItemOf(e)->record.screenX, 200);
    e.Hide();
    e.SetOpacity(0.5);
    e.Update();  // not dirty: only visibility and opacity
    EXPECT_EQ(ItemOf(e)->visible, 0u);
    EXPECT_EQ(ItemOf(e)->opacity, 0.5);

    Entity unplaced;
    EXPECT_EQ(unplaced.Update(), 0);
}

TEST_F(EntityTest, UpdatePassesToRefreshLinkedChildren) {
    Entity& parent = Make(100, 100);
    Entity& refreshed = Make(100, 100);
    Entity& other = Make(100, 100);
    parent.AttachChild(&refreshed, kLinkPosition | kLinkUpdate);
    parent.AttachChild(&other, kLinkPosition);
    parent.MoveBy(10, 0);
    parent.Update();
    EXPECT_FALSE(refreshed.IsDirty());
    EXPECT_EQ(ItemOf(refreshed)->record.x, 110);
    EXPECT_TRUE(other.IsDirty());
    EXPECT_EQ(ItemOf(other)->record.x, 100);
}

TEST_F(EntityTest, GuardedLinkPassesOnlyWhileTheLayerMapsTheChild) {
    Entity& parent = Make(100, 100);
    Entity& child = Make(100, 100);
    ASSERT_EQ(parent.AttachChild(&child, kLinkPosition | kLinkGuard), 1u);
    parent.MoveBy(5, 0);
    EXPECT_EQ(child.GetX(), 105);
    child.RemoveFromScreen();
    parent.MoveBy(5, 0);
    EXPECT_EQ(child.GetX(), 105);
}

TEST_F(EntityTest, GuardedAttachNeedsTheChildOnTheParentsLayer) {
    Entity& parent = Make(100, 100, 10, 10, 2);
    Entity& elsewhere = Make(100, 100, 10, 10, 3);
    Entity& unplaced = Make(100, 100, 10, 10, -1);
    EXPECT_EQ(parent.AttachChild(&elsewhere, kLinkGuard), 0u);
    EXPECT_EQ(parent.AttachChild(&unplaced, kLinkGuard), 0u);
    EXPECT_EQ(parent.AttachChild(&unplaced, 0), 1u);
}

TEST_F(EntityTest, AttachAndDetachKeepLinkOrder) {
    Entity& parent = Make(0, 0);
    std::vector<Entity*> kids;
    for (int i = 0; i < 25; ++i) {  // past the growth step of the link array
        kids.push_back(&Make(i, 0));
        EXPECT_EQ(parent.AttachChild(kids.back(), kLinkPosition), uint32_t(i + 1));
    }
    EXPECT_EQ(parent.GetChild(parent.GetChildCount()), nullptr);
    EXPECT_EQ(parent.DetachChild(kids[3]->GetId()), 24u);
    EXPECT_EQ(kids[3]->GetAttachedTo(), nullptr);
    EXPECT_EQ(parent.GetChild(3), kids[4]);
    EXPECT_EQ(parent.GetChildId(23), kids[24]->GetId());
    EXPECT_EQ(parent.DetachChild(9999), 0u);
    EXPECT_EQ(parent.GetChildId(24), 0u);
}

TEST_F(EntityTest, AttachingElsewhereLeavesTheOldParent) {
    Entity& first = Make(0, 0);
    Entity& second = Make(0, 0);
    Entity& child = Make(0, 0);
    first.AttachChild(&child, kLinkPosition);
    EXPECT_EQ(second.AttachChild(&child, kLinkPosition), 1u);
    EXPECT_EQ(first.GetChildCount(), 0u);
    EXPECT_EQ(child.GetAttachedTo(), &second);
    // Attaching again to the same parent replaces the link: one link per child.
    EXPECT_EQ(second.AttachChild(&child, kLinkDepth), 1u);
    EXPECT_EQ(second.GetChildLink(0)->flags, kLinkDepth);
    second.MoveBy(3, 0);
    EXPECT_EQ(child.GetX(), 0);
}

TEST_F(EntityTest, LoopsAndOverlongChainsAreRefused) {
    Entity& a = Make(0, 0);
    Entity& b = Make(0, 0);
    Entity& c = Make(0, 0);
    EXPECT_EQ(a.AttachChild(nullptr, 0), 0u);
    EXPECT_EQ(a.AttachChild(&a, kLinkPosition), 0u);
    ASSERT_EQ(a.AttachChild(&b, kLinkPosition), 1u);
    ASSERT_EQ(b.AttachChild(&c, kLinkPosition), 1u);
    EXPECT_EQ(c.AttachChild(&a, kLinkPosition), 0u);
    EXPECT_EQ(c.AttachChild(&b, kLinkPosition), 0u);
    a.MoveBy(1, 1);  // terminates
    EXPECT_EQ(c.GetX(), 1);

    std::vector<Entity*> chain{&Make(0, 0)};
    for (int i = 1; i <= kMaxLinkDepth; ++i) {
        Entity& next = Make(0, 0);
        ASSERT_NE(chain.back()->AttachChild(&next, kLinkPosition), 0u) << i;
        chain.push_back(&next);
    }
    EXPECT_EQ(chain.back()->AttachChild(&Make(0, 0), kLinkPosition), 0u);
    Entity& top = Make(0, 0);
    EXPECT_EQ(top.AttachChild(chain.front(), kLinkPosition), 0u);
}

TEST_F(EntityTest, ReleaseUnlinksEverythingAndLeavesTheScreen) {
    Entity& parent = Make(0, 0);
    auto middle = std::make_unique<Entity>();
    middle->Init(400, 300, 10, 10, 0.0, 1, 1, 1.0);
    middle->SetId(100);
    middle->SetLayer(&screen_, 2);
    Entity& child = Make(0, 0);
    parent.AttachChild(middle.get(), kLinkPosition);
    middle->AttachChild(&child, kLinkPosition);
    const size_t before = screen_.Layer(2)->ItemCount();
    middle->Release();
    EXPECT_EQ(parent.GetChildCount(), 0u);
    EXPECT_EQ(child.GetAttachedTo(), nullptr);
    EXPECT_EQ(screen_.Layer(2)->ItemCount(), before - 1);
    EXPECT_FALSE(middle->IsPlaced());
    middle.reset();
    parent.MoveBy(1, 0);  // nothing dangles
}

TEST_F(EntityTest, ReleaseOfUnnumberedChildDetachesThatChildOnly) {
    Entity parent;
    Entity first, second;  // ids still 0
    parent.AttachChild(&first, kLinkPosition);
    parent.AttachChild(&second, kLinkPosition);
    second.Release();
    ASSERT_EQ(parent.GetChildCount(), 1u);
    EXPECT_EQ(parent.GetChild(0), &first);
}

TEST_F(EntityTest, PickableStateFollowsThePlacement) {
    Entity& e = Make(0, 0, 10, 10, -1);
    e.SetPickable(1);
    e.Init(400, 300, 40, 40, 0.0, 5, 1, 1.0);
    ASSERT_NE(e.SetLayer(&screen_, 2), 0u);
    EXPECT_EQ(screen_.HitTest(400, 300), e.GetId());
    e.SetPickable(0);
    EXPECT_EQ(screen_.HitTest(400, 300), 0u);
}

TEST_F(EntityTest, EdgesAndScreenToLocal) {
    Entity& even = Make(100, 50, 10, 6);
    EXPECT_EQ(even.GetLeft(), 95);
    EXPECT_EQ(even.GetRight(), 105);
    EXPECT_EQ(even.GetTop(), 47);
    EXPECT_EQ(even.GetBottom(), 53);
    Entity& odd = Make(100, 50, 9, 7);
    EXPECT_EQ(odd.GetLeft(), 95);
    EXPECT_EQ(odd.GetRight(), 105);
    EXPECT_EQ(odd.GetTopLeft(), (Point{95, 46}));

    LayerView v = testing::ScreenView(800, 600);
    v.centreX += 30;  // the layer's world scrolled right by 30
    screen_.Layer(2)->SetView(v);
    EXPECT_EQ(even.ScreenToLocal(10, 10), (Point{40, 10}));
    Entity unplaced;
    EXPECT_EQ(unplaced.ScreenToLocal(10, 10), (Point{10, 10}));
}

TEST_F(EntityTest, ExtremeValuesSaturateInsteadOfOverflowing) {
    Entity& e = Make(INT32_MAX - 1, 0);
    e.MoveBy(10, 0);
    EXPECT_EQ(e.GetX(), INT32_MAX);
    e.MoveTo(INT32_MIN, 0);
    EXPECT_EQ(e.GetX(), INT32_MIN);
    e.SetSize(INT32_MAX, INT32_MAX);
    e.AddSize(INT32_MAX, 1);
    EXPECT_EQ(e.GetWidth(), INT32_MAX);
    e.ScaleSize(1e300, -1e300);
    EXPECT_EQ(e.GetWidth(), INT32_MAX);
    EXPECT_EQ(e.GetHeight(), INT32_MIN);
    e.Update();
    EXPECT_EQ(e.GetLeft(), INT32_MIN);
    EXPECT_EQ(e.GetRight(), INT32_MIN + (int64_t(INT32_MAX) + 1) / 2);
}

}  // namespace
}  // namespace engine

namespace engine {
namespace {

TEST(EntityAngleTest, NonFiniteAnglesFromScriptsAreDropped) {
    Entity e;
    e.Init(10, 0, 4, 4, std::nan(""), 0, 1, 1.0);
    EXPECT_EQ(e.GetAngle(), 0.0);
    e.RotateBy(30.0);
    e.RotateBy(std::numeric_limits<double>::infinity());
    e.SetRotation(std::nan(""));
    e.RotateAbout(0, 0, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(e.GetAngle(), 30.0);
    EXPECT_EQ(e.GetX(), 10);
}

TEST(EntityAngleTest, NonFiniteScaleFactorsGiveSizeZero) {
    Entity e;
    e.Init(0, 0, 40, 40, 0.0, 0, 1, 1.0);
    e.ScaleSize(std::nan(""), 0.5);
    EXPECT_EQ(e.GetWidth(), 0);
    EXPECT_EQ(e.GetHeight(), 20);
}

}  // namespace
}  // namespace engine

namespace engine {
namespace {

// Entities through the five layers, as the screen device sees them per frame.
TEST(EntityOnScreenTest, MovesShowUpAsDirtyRectanglesAndDrawOrder) {
    LayerStack screen;
    testing::ShowWorldOneToOne(screen, 200, 100);
    std::vector<Rect> rects;
    for (int l = 0; l < kLayerCount; ++l)
        screen.Layer(l)->CollectDirtyRects(rects);
    rects.clear();

    testing::KindEntity back, front;
    back.Init(50, 50, 20, 20, 0.0, 1, 1, 1.0);
    front.Init(60, 50, 20, 20, 0.0, 2, 1, 1.0);
    back.SetId(1);
    front.SetId(2);
    ASSERT_TRUE(back.CreatePayload());
    ASSERT_TRUE(front.CreatePayload());
    back.SetLayer(&screen, 1);
    front.SetLayer(&screen, 1);
    ScreenLayer& layer = *screen.Layer(1);
    layer.CollectDirtyRects(rects);
    EXPECT_EQ(rects, (std::vector<Rect>{{40, 40, 70, 60}}));  // same top and bottom: merged
    ASSERT_EQ(layer.DrawList().size(), 2u);
    EXPECT_EQ(layer.DrawList()[0]->entityId, 1u);

    rects.clear();
    back.SetDepth(3);  // now in front
    back.MoveBy(100, 0);
    back.Update();
    layer.CollectDirtyRects(rects);
    EXPECT_EQ(rects, (std::vector<Rect>{{40, 40, 60, 60}, {140, 40, 160, 60}}));
    EXPECT_EQ(layer.DrawList()[0]->entityId, 2u);

    rects.clear();
    front.Hide();
    front.Update();
    layer.CollectDirtyRects(rects);
    EXPECT_EQ(rects, (std::vector<Rect>{{50, 40, 70, 60}}));
    ASSERT_EQ(layer.DrawList().size(), 1u);

    front.SetPickable(1);
    back.SetPickable(1);
    EXPECT_EQ(screen.HitTest(60, 50), 0u);  // hidden
    EXPECT_EQ(screen.HitTest(150, 50), 1u);
    front.Show();
    front.Update();
    EXPECT_EQ(screen.HitTest(60, 50), 2u);
}

TEST(EntityOnScreenTest, ModalBoxesOnTheTopLayer) {
    LayerStack screen;
    testing::ShowWorldOneToOne(screen, 200, 100);
    Entity box, button, under;
    box.Init(100, 50, 80, 60, 0.0, 10, 1, 1.0);
    button.Init(100, 50, 20, 10, 0.0, 11, 1, 1.0);
    under.Init(40, 20, 20, 20, 0.0, 5, 1, 1.0);
    box.SetId(1);
    button.SetId(2);
    under.SetId(3);
    for (Entity* e : {&box, &button, &under}) {
        e->SetLayer(&screen, kTopLayer);
        e->SetPickable(1);
    }
    EXPECT_EQ(screen.HitTest(40, 20), 3u);
    screen.TopLayerSelect(box.GetItem());
    EXPECT_EQ(screen.TopLayerCurrent(), 1u);
    EXPECT_EQ(screen.HitTest(40, 20), 0u);
    EXPECT_EQ(screen.HitTest(100, 50), 2u);
    EXPECT_EQ(screen.HitTest(70, 30), 1u);
    box.Hide();
    box.Update();  // a hidden modal box leaves the stack
    EXPECT_EQ(screen.TopLayerCurrent(), 0u);
    EXPECT_EQ(screen.HitTest(40, 20), 3u);
}

}  // namespace
}  // namespace engine
