#include "engine/entity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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
    const LayerItem* ItemOf(const Entity* e) {
        return screen_.Layer(e->GetLayerIndex())->FindItem(e->GetItem());
    }

    LayerStack screen_;
    uint32_t lastId_ = 0;
    std::vector<std::unique_ptr<Entity>> entities_;
};

// What a parent's change may pass on to a child.
struct Look {
    int32_t x, y;
    double angle;
    int32_t depth, width, height;
    double opacity;
    bool pickable, visible;
    uint32_t flags;
    friend bool operator==(const Look&, const Look&) = default;
};
Look LookOf(const Entity& e) {
    return {e.GetX(),      e.GetY(),       e.GetAngle(),   e.GetDepth(),  e.GetWidth(),
            e.GetHeight(), e.GetOpacity(), e.IsPickable(), e.IsVisible(), e.GetDrawFlags()};
}

TEST_F(EntityTest, EachLinkPassesItsChangeAndNoOther) {
    const Look start{110, 100, 0.0, 5, 4, 6, 1.0, false, true, kDrawInView};
    const struct {
        uint32_t link;
        void (*change)(Entity& parent);  // at (100, 100), 10 x 10
        void (*linked)(Look& child);     // from `start`
    } cases[] = {
        {kLinkPosition, [](Entity& p) { p.MoveBy(5, -2); }, [](Look& c) { c.x = 115, c.y = 98; }},
        {kLinkPosition, [](Entity& p) { p.MoveTo(0, 0); }, [](Look& c) { c.x = 10, c.y = 0; }},
        {kLinkRotation, [](Entity& p) { p.RotateBy(90.0); },  // screen y grows downward
         [](Look& c) { c.x = 100, c.y = 90, c.angle = 90.0; }},
        {kLinkRotation, [](Entity& p) { p.SetRotation(-90.0); },
         [](Look& c) { c.x = 100, c.y = 110, c.angle = -90.0; }},
        {kLinkDepth, [](Entity& p) { p.SetDepth(11); }, [](Look& c) { c.depth = 15; }},
        {kLinkDepth, [](Entity& p) { p.ShiftDepth(-2); }, [](Look& c) { c.depth = 3; }},
        {kLinkSize, [](Entity& p) { p.SetSize(20, 15); },
         [](Look& c) { c.width = 14, c.height = 11; }},
        {kLinkSize, [](Entity& p) { p.Grow(1, -1); }, [](Look& c) { c.width = 5, c.height = 5; }},
        {kLinkSize, [](Entity& p) { p.ScaleSize(0.5, 2.0); },
         [](Look& c) { c.width = 2, c.height = 12; }},
        {kLinkOpacity, [](Entity& p) { p.SetScale(0.25); }, [](Look& c) { c.opacity = 0.25; }},
        {kLinkPickable, [](Entity& p) { p.SetPickable(1); }, [](Look& c) { c.pickable = true; }},
        {kLinkShowHide, [](Entity& p) { p.Hide(); }, [](Look& c) { c.visible = false; }},
        {kLinkClip, [](Entity& p) { p.SetSourceRect(Rect(1, 2, 3, 4)); },
         [](Look& c) { c.flags |= kDrawClip; }},
    };
    for (const auto& c : cases) {
        Look want = start;
        c.linked(want);
        for (uint32_t link : {c.link, kLinkUpdate}) {
            Entity& parent = Make(100, 100);
            Entity& child = Make(110, 100, 4, 6);
            child.SetDepth(5);
            ASSERT_EQ(LookOf(child), start);
            parent.AttachChild(&child, link);
            c.change(parent);
            EXPECT_EQ(LookOf(child), link == c.link ? want : start) << &c - cases << " " << link;
        }
    }
}

TEST_F(EntityTest, ATurnAboutAPointMovesThenTurnsAndAGroupOrbitsTogether) {
    Entity& e = Make(10, 0);
    e.RotateAbout(0, 0, 90.0);
    EXPECT_EQ(LookOf(e), (Look{0, -10, 90.0, 1, 10, 10, 1.0, false, true, e.GetDrawFlags()}));
    e.SetSizeRotated(0, 0, 0.0);
    EXPECT_EQ(e.GetAngle(), 90.0);
    Entity& parent = Make(100, 100);
    Entity& child = Make(110, 100);
    parent.AttachChild(&child, kLinkPosition | kLinkRotation);
    parent.RotateAbout(0, 100, 90.0);  // the parent swings to (0, 0)
    EXPECT_EQ(parent.GetTopLeft(), (Point{-5, -5}));
    // Moved along with the parent to (10, 0), then turned about its centre.
    EXPECT_EQ(Point(child.GetX(), child.GetY()), (Point{0, -10}));
}

TEST_F(EntityTest, HidingRemembersWhatTheParentHidAndShowingBringsOnlyThatBack) {
    Entity *parent = &Make(100, 100), *linked = &Make(100, 100);
    Entity *remembering = &Make(100, 100), *hiddenBefore = &Make(100, 100);
    parent->AttachChild(linked, kLinkShowHide);
    parent->AttachChild(remembering, kLinkHideRemember);
    parent->AttachChild(hiddenBefore, kLinkHideRemember);
    hiddenBefore->Hide();
    parent->Hide();
    EXPECT_FALSE(remembering->IsVisible());
    EXPECT_TRUE(parent->GetChildLink(1)->flags & kLinkHiddenByParent);
    EXPECT_FALSE(parent->GetChildLink(2)->flags & kLinkHiddenByParent);
    parent->Show();
    EXPECT_TRUE(linked->IsVisible());
    EXPECT_TRUE(remembering->IsVisible());
    EXPECT_FALSE(parent->GetChildLink(1)->flags & kLinkHiddenByParent);
    EXPECT_FALSE(hiddenBefore->IsVisible());
}

TEST_F(EntityTest, InitAndPlacement) {
    Entity e(kKindBase);
    EXPECT_FALSE(e.IsPlaced());
    EXPECT_EQ(e.Update(), 0);
    e.Init(100, 50, 20, 10, 15.0, 7, 1, 0.5);
    EXPECT_EQ(LookOf(e), (Look{100, 50, 15.0, 7, 20, 10, 0.5, false, true, 0}));
    EXPECT_EQ(e.GetBox().radius, DrawRecordRadiusInt(20, 10));
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}}) {
        e.Init(0, 0, w, h, 0.0, 0, 1, 1.0);
        EXPECT_EQ(e.GetBox().radius, 0);
    }
    // A kind other than 0 is placed only once its payload exists; missing
    // layers refuse; placing again moves the item; in view marks the record.
    KindEntity anim(kKindAnim);
    anim.Init(400, 300, 40, 40, 0.0, 5, 1, 1.0);
    anim.SetId(99);
    EXPECT_EQ(anim.SetLayer(&screen_, 2), 0u);
    ASSERT_TRUE(anim.CreatePayload());
    EXPECT_EQ(anim.SetLayer(&screen_, 5), 0u);
    EXPECT_EQ(anim.SetLayer(&screen_, -1), 0u);
    EXPECT_EQ(anim.SetLayer(nullptr, 1), 0u);
    EXPECT_FALSE(anim.IsPlaced());
    anim.SetPickable(1);
    ASSERT_NE(anim.SetLayer(&screen_, 2), 0u);
    EXPECT_TRUE(anim.IsFrameBound());
    EXPECT_EQ(screen_.HitTest(400, 300), 99u);
    ASSERT_NE(anim.SetLayer(&screen_, 3), 0u);
    EXPECT_EQ(screen_.Layer(2)->ItemCount(), 0u);
    EXPECT_EQ(screen_.Layer(3)->ItemCount(), 1u);
    anim.SetPickable(0);
    EXPECT_EQ(screen_.HitTest(400, 300), 0u);
    EXPECT_FALSE(Make(-100, 300).IsFrameBound());
}

TEST_F(EntityTest, ChangesMarkDirtyOnlyWhenTheValueChanges) {
    Entity& e = Make(100, 100, 10, 10);
    e.Update();
    const std::function<void(Entity&)> same[] = {
        [](Entity& e) { e.ScaleSize(1.0, 1.0); }, [](Entity& e) { e.SetSize(10, 10); },
        [](Entity& e) { e.MoveBy(0, 0); },        [](Entity& e) { e.MoveTo(100, 100); },
        [](Entity& e) { e.SetDepth(1); },         [](Entity& e) { e.SetRotation(0.0); },
        [](Entity& e) { e.RotateBy(0.0); },       [](Entity& e) { e.AddSize(0, 0); },
        [](Entity& e) { e.SetOpacity(0.5); },  // reaches the layer at every update anyway
    };
    for (const auto& change : same) {
        change(e);
        EXPECT_FALSE(e.IsDirty());
    }
    e.MoveBy(1, 0);
    EXPECT_TRUE(e.IsDirty());
}

TEST_F(EntityTest, UpdateHandsTheLayerTheRecordAndRefreshesLinkedChildren) {
    Entity *e = &Make(100, 100), *refreshed = &Make(100, 100), *other = &Make(100, 100);
    e->AttachChild(refreshed, kLinkPosition | kLinkUpdate);
    e->AttachChild(other, kLinkPosition);
    e->MoveTo(200, 150);
    EXPECT_EQ(ItemOf(e)->record.x, 100);  // the layer still shows the old place
    EXPECT_EQ(e->Update(), 1);
    EXPECT_EQ(std::pair(ItemOf(e)->record.screenX, e->IsDirty()), std::pair(200, false));
    EXPECT_EQ(std::pair(ItemOf(refreshed)->record.x, refreshed->IsDirty()), std::pair(200, false));
    EXPECT_EQ(std::pair(ItemOf(other)->record.x, other->IsDirty()), std::pair(100, true));
    e->Hide(), e->SetOpacity(0.5);
    e->Update();  // not dirty: only visibility and opacity
    EXPECT_EQ(std::pair(ItemOf(e)->visible, ItemOf(e)->opacity), std::pair(0u, 0.5));
}

TEST_F(EntityTest, GuardedLinksHoldOnlyWhileTheParentsLayerMapsTheChild) {
    Entity *parent = &Make(100, 100), *elsewhere = &Make(100, 100, 10, 10, 3);
    Entity *unplaced = &Make(100, 100, 10, 10, -1), *child = &Make(100, 100);
    EXPECT_EQ(parent->AttachChild(elsewhere, kLinkGuard), 0u);
    EXPECT_EQ(parent->AttachChild(unplaced, kLinkGuard), 0u);
    EXPECT_EQ(parent->AttachChild(unplaced, 0), 1u);
    ASSERT_EQ(parent->AttachChild(child, kLinkPosition | kLinkGuard), 2u);
    parent->MoveBy(5, 0);
    EXPECT_EQ(child->GetX(), 105);
    child->RemoveFromScreen();
    parent->MoveBy(5, 0);
    EXPECT_EQ(child->GetX(), 105);
}

TEST_F(EntityTest, AttachAndDetachKeepOneOrderedLinkPerChild) {
    Entity& parent = Make(0, 0);
    Entity& second = Make(0, 0);
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
    // Attaching elsewhere leaves the old parent; again to the same parent
    // replaces the link.
    EXPECT_EQ(second.AttachChild(kids[0], kLinkPosition), 1u);
    EXPECT_EQ(parent.GetChildCount(), 23u);
    EXPECT_EQ(kids[0]->GetAttachedTo(), &second);
    EXPECT_EQ(second.AttachChild(kids[0], kLinkDepth), 1u);
    EXPECT_EQ(second.GetChildLink(0)->flags, kLinkDepth);
}

TEST_F(EntityTest, LoopsAndOverlongChainsAreRefused) {
    Entity *a = &Make(0, 0), *b = &Make(0, 0), *c = &Make(0, 0);
    EXPECT_EQ(a->AttachChild(nullptr, 0), 0u);
    EXPECT_EQ(a->AttachChild(a, kLinkPosition), 0u);
    ASSERT_EQ(a->AttachChild(b, kLinkPosition), 1u);
    ASSERT_EQ(b->AttachChild(c, kLinkPosition), 1u);
    EXPECT_EQ(c->AttachChild(a, kLinkPosition), 0u);
    EXPECT_EQ(c->AttachChild(b, kLinkPosition), 0u);
    a->MoveBy(1, 1);  // terminates
    EXPECT_EQ(c->GetX(), 1);
    std::vector<Entity*> chain{&Make(0, 0)};
    for (int i = 1; i <= kMaxLinkDepth; ++i) {
        chain.push_back(&Make(0, 0));
        ASSERT_NE(chain[i - 1]->AttachChild(chain[i], kLinkPosition), 0u) << i;
    }
    EXPECT_EQ(chain.back()->AttachChild(&Make(0, 0), kLinkPosition), 0u);
    EXPECT_EQ(Make(0, 0).AttachChild(chain.front(), kLinkPosition), 0u);
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
    // An unnumbered child's release detaches that child only.
    Entity first, second;
    parent.AttachChild(&first, kLinkPosition);
    parent.AttachChild(&second, kLinkPosition);
    second.Release();
    ASSERT_EQ(parent.GetChildCount(), 1u);
    EXPECT_EQ(parent.GetChild(0), &first);
}

TEST_F(EntityTest, EdgesAndScreenToLocal) {
    auto edges = [](const Entity& e) {
        return Rect(e.GetLeft(), e.GetTop(), e.GetRight(), e.GetBottom());
    };
    Entity& even = Make(100, 50, 10, 6);
    EXPECT_EQ(edges(even), (Rect{95, 47, 105, 53}));
    EXPECT_EQ(edges(Make(100, 50, 9, 7)), (Rect{95, 46, 105, 54}));
    LayerView v = testing::ScreenView(800, 600);
    v.centreX += 30;  // the layer's world scrolled right by 30
    screen_.Layer(2)->SetView(v);
    EXPECT_EQ(even.ScreenToLocal(10, 10), (Point{40, 10}));
    EXPECT_EQ(Entity().ScreenToLocal(10, 10), (Point{10, 10}));
}

TEST_F(EntityTest, HostileValuesSaturateOrAreDropped) {
    Entity& e = Make(INT32_MAX - 1, 0);
    e.MoveBy(10, 0);
    EXPECT_EQ(e.GetX(), INT32_MAX);
    e.MoveTo(INT32_MIN, 0);
    EXPECT_EQ(e.GetX(), INT32_MIN);
    e.SetSize(INT32_MAX, INT32_MAX);
    e.AddSize(INT32_MAX, 1);
    EXPECT_EQ(e.GetWidth(), INT32_MAX);
    e.ScaleSize(1e300, -1e300);
    EXPECT_EQ(std::pair(e.GetWidth(), e.GetHeight()), std::pair(INT32_MAX, INT32_MIN));
    e.Update();
    EXPECT_EQ(std::pair(e.GetLeft(), e.GetRight()),
              std::pair(INT32_MIN, int32_t(INT32_MIN + (int64_t(INT32_MAX) + 1) / 2)));
    // Angles that are no number, from scripts, are dropped; scale factors
    // that are none give size 0.
    const double inf = std::numeric_limits<double>::infinity();
    Entity f;
    f.Init(10, 0, 40, 40, std::nan(""), 0, 1, 1.0);
    EXPECT_EQ(f.GetAngle(), 0.0);
    f.RotateBy(30.0), f.RotateBy(inf), f.SetRotation(std::nan("")), f.RotateAbout(0, 0, -inf);
    EXPECT_EQ(std::pair(f.GetAngle(), f.GetX()), std::pair(30.0, 10));
    f.ScaleSize(std::nan(""), 0.5);
    EXPECT_EQ(std::pair(f.GetWidth(), f.GetHeight()), std::pair(0, 20));
}

}  // namespace
}  // namespace engine
