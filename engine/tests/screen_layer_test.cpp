#include "engine/screen_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "engine/layer_stack.h"
#include "engine/tests/layer_test_util.h"

namespace engine {
namespace {

using testing::MaskPayload;
using testing::ScreenView;

constexpr int32_t kW = 64;
constexpr int32_t kH = 48;

DrawRecord Record(int32_t x, int32_t y, int32_t w, int32_t h, int32_t depth = 1,
                  double angle = 0.0) {
    DrawRecord r;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    r.depth = depth;
    r.angle = angle;
    r.radius = DrawRecordRadiusInt(w, h);
    return r;
}

// A layer over a small screen with entities' records kept at stable places.
class LayerFixture : public ::testing::Test {
  protected:
    LayerFixture() : solid_(kKindImage, 1, 1) { layer_.SetView(ScreenView(kW, kH)); }

    uint32_t Add(const DrawRecord& r, uint32_t entity, uint32_t visible = 1, double opacity = 1.0,
                 const EntityPayload* kind = nullptr) {
        records_.push_back(r);
        return layer_.AddItem(entity, &records_.back(), opacity, visible, kind ? kind : &solid_);
    }

    std::vector<Rect> Collect() {
        std::vector<Rect> rects;
        layer_.CollectDirtyRects(rects);
        return rects;
    }

    std::vector<uint32_t> DrawOrder() const {
        std::vector<uint32_t> ids;
        for (const LayerItem* item : layer_.DrawList())
            ids.push_back(item->entityId);
        return ids;
    }

    ScreenLayer layer_;
    MaskPayload solid_;
    std::deque<DrawRecord> records_;
};

// Which pixels of the screen a rectangle list covers.
std::vector<bool> Coverage(const std::vector<Rect>& rects) {
    std::vector<bool> px(size_t(kW) * kH, false);
    for (const Rect& r : rects) {
        for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, kH); ++y)
            for (int32_t x = std::max(r.left, 0); x < std::min(r.right, kW); ++x)
                px[size_t(y) * kW + size_t(x)] = true;
    }
    return px;
}

// ---- draw order -------------------------------------------------------------

TEST_F(LayerFixture, EqualDepthsDrawInAscendingEntityIdWhateverTheOrderAdded) {
    Add(Record(10, 10, 4, 4, 5), 30);
    Add(Record(12, 10, 4, 4, 5), 10);
    Add(Record(14, 10, 4, 4, 2), 99);
    Add(Record(16, 10, 4, 4, 5), 20);
    EXPECT_EQ(DrawOrder(), (std::vector<uint32_t>{99, 10, 20, 30}));
}

TEST_F(LayerFixture, DepthOrderIsUnsigned) {
    Add(Record(10, 10, 4, 4, -1), 1);  // 0xFFFFFFFF: nearest of all
    Add(Record(10, 10, 4, 4, 7), 2);
    EXPECT_EQ(DrawOrder(), (std::vector<uint32_t>{2, 1}));
}

TEST_F(LayerFixture, TransparentOrKindlessItemsAreNotDrawnButCanBeHit) {
    const uint32_t clear = Add(Record(20, 20, 10, 10, 3), 1, 1, 0.0);
    records_.push_back(Record(40, 20, 10, 10, 3));
    const uint32_t bare = layer_.AddItem(2, &records_.back(), 1.0, 1, nullptr);
    EXPECT_TRUE(DrawOrder().empty());
    layer_.SetHitTest(clear, 1);
    layer_.SetHitTest(bare, 1);
    EXPECT_EQ(layer_.HitTest(20, 20), 1u);
    EXPECT_EQ(layer_.HitTest(40, 20), 2u);
}

TEST_F(LayerFixture, DrawListMatchesASortOfTheDrawnItemsOnRandomScenes) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> coord(-20, 84), size(0, 20), depth(0, 6), coin(0, 3);
    for (int scene = 0; scene < 40; ++scene) {
        layer_ = ScreenLayer();
        layer_.SetView(ScreenView(kW, kH));
        records_.clear();
        struct Expect {
            uint32_t depth, entity, item;
            auto operator<=>(const Expect&) const = default;
        };
        std::vector<Expect> expected;
        std::vector<uint32_t> ids;
        for (int i = 0; i < 60; ++i) {
            const uint32_t entity = uint32_t(1 + (i * 37) % 61);
            const DrawRecord r = Record(coord(rng), coord(rng), size(rng), size(rng), depth(rng));
            const uint32_t visible = coin(rng) != 0;
            const double opacity = coin(rng) == 0 ? 0.0 : 1.0;
            ids.push_back(Add(r, entity, visible, opacity));
        }
        // Shuffle some state through updates and removals.
        for (int k = 0; k < 30; ++k) {
            const uint32_t id = ids[size_t(rng() % ids.size())];
            switch (coin(rng)) {
                case 0:
                    layer_.RemoveItem(id);
                    break;
                case 1:
                    layer_.SetItemState(id, rng() % 3, coin(rng) ? 1.0 : 0.0);
                    break;
                default: {
                    const DrawRecord r =
                        Record(coord(rng), coord(rng), size(rng), size(rng), depth(rng));
                    layer_.UpdateItem(id, rng() % 3, 1.0, r);
                }
            }
        }
        for (uint32_t id : ids) {
            const LayerItem* item = layer_.FindItem(id);
            if (!item || !item->inView || !item->visible || !item->kind || !(item->opacity > 0.0))
                continue;
            expected.push_back({uint32_t(item->record.depth), item->entityId, item->id});
        }
        std::sort(expected.begin(), expected.end());
        const auto list = layer_.DrawList();
        ASSERT_EQ(list.size(), expected.size());
        for (size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(list[i]->id, expected[i].item);
    }
}

// ---- culling ----------------------------------------------------------------

TEST_F(LayerFixture, UnrotatedCullingMatchesAPixelScan) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> coord(-40, 110), size(0, 30);
    for (int i = 0; i < 5000; ++i) {
        DrawRecord r = Record(coord(rng), coord(rng), size(rng), size(rng));
        const bool in = layer_.IsInView(r);
        // The closed extent centre +- (size + 1) / 2 on each axis meets the screen.
        const int hx = (r.width + 1) / 2, hy = (r.height + 1) / 2;
        bool any = false;
        for (int y = r.screenY - hy; y <= r.screenY + hy && !any; ++y)
            for (int x = r.screenX - hx; x <= r.screenX + hx && !any; ++x)
                any = x >= 0 && x < kW && y >= 0 && y < kH;
        ASSERT_EQ(in, any) << r.x << "," << r.y << " " << r.width << "x" << r.height;
    }
}

TEST_F(LayerFixture, CullingWritesTheScreenCentreFollowingTheView) {
    LayerView v = ScreenView(kW, kH);
    v.centreX = 132;  // world x 100 sits at the screen's left edge
    v.centreY = 24;
    layer_.SetView(v);
    DrawRecord r = Record(110, 30, 4, 4);
    EXPECT_TRUE(layer_.IsInView(r));
    EXPECT_EQ(r.screenX, 10);
    EXPECT_EQ(r.screenY, 30);
    DrawRecord left = Record(20, 30, 4, 4);
    EXPECT_FALSE(layer_.IsInView(left));
}

TEST_F(LayerFixture, RotatedCullingNeverDropsAVisibleItem) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coord(-60, 130), size(1, 40);
    std::uniform_real_distribution<double> angle(-180.0, 180.0);
    int culled = 0;
    for (int i = 0; i < 3000; ++i) {
        DrawRecord r = Record(coord(rng), coord(rng), size(rng), size(rng), 1, angle(rng));
        if (r.angle == 0.0) continue;
        const bool in = layer_.IsInView(r);
        if (!in) ++culled;
        // Sample the turned rectangle; any sample on screen demands "in view".
        for (int sy = 0; sy <= 8 && !in; ++sy) {
            for (int sx = 0; sx <= 8; ++sx) {
                const double px = r.x - r.width / 2.0 + r.width * sx / 8.0;
                const double py = r.y - r.height / 2.0 + r.height * sy / 8.0;
                const PointF p = RotatePointF(px, py, r.x, r.y, r.angle, 1);
                ASSERT_FALSE(p.x >= 0 && p.x < kW && p.y >= 0 && p.y < kH)
                    << "dropped " << r.x << "," << r.y << " " << r.width << "x" << r.height
                    << " at " << r.angle;
            }
        }
    }
    EXPECT_GT(culled, 100);  // the test did cull something
}

TEST_F(LayerFixture, ClipRectangleLimitsWhatCountsAsInView) {
    DrawRecord r = Record(20, 20, 10, 10);
    r.flags = kDrawClip;
    r.clip = {0, 0, 10, 10};  // far from the item
    EXPECT_FALSE(layer_.IsInView(r));
    r.clip = {24, 24, 40, 40};  // overlaps its corner
    EXPECT_TRUE(layer_.IsInView(r));
    r.clip = {25, 25, 40, 40};  // meets the test rectangle's last pixel
    EXPECT_TRUE(layer_.IsInView(r));
    r.clip = {26, 26, 40, 40};
    EXPECT_FALSE(layer_.IsInView(r));
}

TEST_F(LayerFixture, RotatedClipTestFindsEveryOverlap) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> coord(0, 63), size(2, 30);
    std::uniform_real_distribution<double> angle(1.0, 359.0);
    for (int i = 0; i < 2000; ++i) {
        DrawRecord r =
            Record(coord(rng) % kW, coord(rng) % kH, size(rng), size(rng), 1, angle(rng));
        const int cl = coord(rng) % kW, ct = coord(rng) % kH;
        r.flags = kDrawClip;
        r.clip = {cl, ct, cl + size(rng), ct + size(rng)};
        const bool in = layer_.IsInView(r);
        if (in) continue;
        // No sample strictly inside the turned rectangle lies strictly inside the clip.
        for (int sy = 1; sy < 12; ++sy) {
            for (int sx = 1; sx < 12; ++sx) {
                const double px = r.x - r.width / 2.0 + r.width * sx / 12.0;
                const double py = r.y - r.height / 2.0 + r.height * sy / 12.0;
                const PointF p = RotatePointF(px, py, r.x, r.y, r.angle, 1);
                const bool inside = p.x > r.clip.left + 1 && p.x < r.clip.right - 1 &&
                                    p.y > r.clip.top + 1 && p.y < r.clip.bottom - 1;
                ASSERT_FALSE(inside) << i;
            }
        }
    }
}

TEST_F(LayerFixture, AddItemSetsAndClearsTheInViewFlags) {
    Add(Record(10, 10, 4, 4), 1);
    Add(Record(-50, 10, 4, 4), 2);
    EXPECT_EQ(records_[0].flags & kDrawInView, kDrawInView);
    EXPECT_EQ(records_[1].flags & kDrawInView, 0u);
    EXPECT_EQ(DrawOrder(), (std::vector<uint32_t>{1}));
}

// ---- dirty rectangles -------------------------------------------------------

std::vector<Rect> Merge(const std::vector<Rect>& input) {
    ScreenLayer layer;
    layer.SetView(ScreenView(kW, kH));
    std::vector<Rect> rects;
    layer.CollectDirtyRects(rects);  // drops the re-cull's whole-screen record
    rects.clear();
    for (const Rect& r : input) {
        DrawRecord d;
        d.width = r.right - r.left;
        d.height = r.bottom - r.top;
        d.screenX = r.left + (d.width + 1) / 2;
        d.screenY = r.top + (d.height + 1) / 2;
        layer.AddDirty(d);
    }
    layer.CollectDirtyRects(rects);
    return rects;
}

TEST(DirtyMergeTest, KnownCases) {
    // Overlapping diagonally: two rectangles.
    EXPECT_EQ(Merge({{0, 0, 10, 10}, {5, 5, 15, 15}}).size(), 2u);
    // One inside the other, either order: the larger alone.
    EXPECT_EQ(Merge({{0, 0, 20, 20}, {5, 5, 10, 10}}), (std::vector<Rect>{{0, 0, 20, 20}}));
    EXPECT_EQ(Merge({{5, 5, 10, 10}, {0, 0, 20, 20}}), (std::vector<Rect>{{0, 0, 20, 20}}));
    // Same top and bottom, overlapping or meeting: their union.
    EXPECT_EQ(Merge({{0, 0, 10, 10}, {5, 0, 20, 10}}), (std::vector<Rect>{{0, 0, 20, 10}}));
    EXPECT_EQ(Merge({{0, 0, 10, 10}, {10, 0, 20, 10}}), (std::vector<Rect>{{0, 0, 20, 10}}));
    // Same left and right, meeting: their union.
    EXPECT_EQ(Merge({{0, 0, 10, 10}, {0, 10, 10, 30}}), (std::vector<Rect>{{0, 0, 10, 30}}));
    // Same edges across a gap: kept apart, so the gap is not repainted.
    EXPECT_EQ(Merge({{0, 0, 10, 5}, {0, 20, 10, 25}}).size(), 2u);
    EXPECT_EQ(Merge({{0, 0, 5, 10}, {30, 0, 40, 10}}).size(), 2u);
}

TEST(DirtyMergeTest, RectanglesAreCutToTheScreen) {
    EXPECT_EQ(Merge({{-10, -10, 10, 10}}), (std::vector<Rect>{{0, 0, 10, 10}}));
    EXPECT_EQ(Merge({{50, 40, 100, 100}}), (std::vector<Rect>{{50, 40, kW, kH}}));
    EXPECT_TRUE(Merge({{-30, 0, -5, 10}, {kW, 0, kW + 5, 10}, {3, 3, 3, 9}}).empty());
}

TEST(DirtyMergeTest, MergedListCoversExactlyTheDirtyPixelsOnRandomScenes) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> coord(-20, 80), size(0, 40), count(1, 40), snap(0, 3);
    for (int scene = 0; scene < 500; ++scene) {
        std::vector<Rect> input;
        const int n = count(rng);
        for (int i = 0; i < n; ++i) {
            Rect r{coord(rng), coord(rng), 0, 0};
            r.right = r.left + size(rng);
            r.bottom = r.top + size(rng);
            // Share edges with an earlier rectangle now and then, to exercise the merges.
            if (!input.empty() && snap(rng) == 0) {
                const Rect& o = input[size_t(rng() % input.size())];
                if (rng() % 2) {
                    r.left = o.left;
                    r.right = o.right;
                } else {
                    r.top = o.top;
                    r.bottom = o.bottom;
                }
            }
            input.push_back(r);
        }
        const std::vector<Rect> merged = Merge(input);
        ASSERT_EQ(Coverage(merged), Coverage(input)) << "scene " << scene;
        for (const Rect& r : merged) {
            ASSERT_FALSE(r.IsEmpty());
            ASSERT_GE(r.left, 0);
            ASSERT_GE(r.top, 0);
            ASSERT_LE(r.right, kW);
            ASSERT_LE(r.bottom, kH);
        }
        ASSERT_LE(merged.size(), input.size());
    }
}

TEST_F(LayerFixture, ChangesMakeTheOldAndNewAreasDirty) {
    const uint32_t id = Add(Record(10, 10, 4, 4), 1);
    Collect();  // drains what the view set-up and the placement left
    layer_.UpdateItem(id, kItemKeepVisibility, 1.0, Record(40, 30, 4, 4));
    EXPECT_EQ(Collect(), (std::vector<Rect>{{8, 8, 12, 12}, {38, 28, 42, 32}}));
    layer_.SetItemState(id, kItemHide, 1.0);
    EXPECT_EQ(Collect(), (std::vector<Rect>{{38, 28, 42, 32}}));
    EXPECT_TRUE(DrawOrder().empty());
    layer_.SetItemState(id, kItemHide, 1.0);  // hidden stays hidden: nothing to repaint
    EXPECT_FALSE(layer_.HasDirty());
    layer_.SetItemState(id, kItemShow, 1.0);
    EXPECT_EQ(Collect(), (std::vector<Rect>{{38, 28, 42, 32}}));
    layer_.RemoveItem(id);
    EXPECT_EQ(Collect(), (std::vector<Rect>{{38, 28, 42, 32}}));
    EXPECT_EQ(layer_.FindItem(id), nullptr);
    EXPECT_EQ(records_[0].flags & kDrawInView, 0u);
}

TEST_F(LayerFixture, UnknownItemIdsDoNothing) {
    layer_.UpdateItem(77, kItemShow, 1.0, Record(1, 1, 1, 1));
    layer_.SetItemState(77, kItemShow, 1.0);
    layer_.RemoveItem(77);
    layer_.MarkRedraw(77);
    EXPECT_EQ(layer_.SetHitTest(77, 1), 0);
    EXPECT_EQ(layer_.SetHitTest(77, 0), 1);
    EXPECT_EQ(layer_.GetItemEntity(77), 0u);
    EXPECT_EQ(layer_.FindItem(77), nullptr);
}

TEST_F(LayerFixture, ClipFlagCutsTheDirtyRectangle) {
    DrawRecord r = Record(20, 20, 10, 10);
    r.flags = kDrawClip;
    r.clip = {18, 0, 40, 22};
    Collect();
    Add(r, 1);
    EXPECT_EQ(Collect(), (std::vector<Rect>{{18, 15, 25, 22}}));
}

TEST_F(LayerFixture, AViewChangeRepaintsTheWholeScreen) {
    Add(Record(10, 10, 4, 4), 1);
    Add(Record(70, 10, 4, 4), 2);  // off screen until the view moves
    Collect();
    LayerView v = ScreenView(kW, kH);
    layer_.SetViewCentre(v.centreX + 40, v.centreY);
    EXPECT_EQ(Collect(), (std::vector<Rect>{{0, 0, kW, kH}}));
    EXPECT_EQ(records_[0].flags & kDrawInView, 0u);
    EXPECT_EQ(records_[1].flags & kDrawInView, kDrawInView);
    EXPECT_EQ(records_[1].screenX, 30);
    EXPECT_EQ(DrawOrder(), (std::vector<uint32_t>{2}));
}

TEST_F(LayerFixture, PendingDirtyRecordsStayBounded) {
    const uint32_t id = Add(Record(10, 10, 4, 4), 1);
    for (int i = 0; i < 5000; ++i)
        layer_.UpdateItem(id, kItemShow, 1.0, Record(10 + i % 7, 10, 4, 4));
    EXPECT_LE(layer_.PendingCount(), kMaxPendingDirty);
    EXPECT_EQ(Collect(), (std::vector<Rect>{{0, 0, kW, kH}}));
    layer_.UpdateItem(id, kItemShow, 1.0, Record(30, 30, 2, 2));
    EXPECT_EQ(layer_.PendingCount(), 2u);  // back to per-change records
}

// ---- redraw selection -------------------------------------------------------

TEST_F(LayerFixture, SelectionMatchesTheRectanglesAPixelScanFinds) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int> coord(-10, 74), size(0, 16), count(0, 6);
    for (int scene = 0; scene < 100; ++scene) {
        layer_ = ScreenLayer();
        layer_.SetView(ScreenView(kW, kH));
        records_.clear();
        for (int i = 0; i < 30; ++i)
            Add(Record(coord(rng), coord(rng), size(rng), size(rng), i % 5), uint32_t(i + 1));
        std::vector<Rect> dirty;
        const int n = count(rng);
        for (int i = 0; i < n; ++i) {
            const int l = coord(rng), t = coord(rng);
            dirty.push_back({l, t, l + size(rng), t + size(rng)});
        }
        layer_.SelectRedraw(dirty);
        std::vector<uint32_t> got;
        for (const LayerItem& item : layer_.Selection())
            got.push_back(item.id);
        std::vector<uint32_t> want;
        for (const LayerItem* item : layer_.DrawList()) {
            const DrawRecord& r = *item->live;
            const int left = r.screenX - (r.width + 1) / 2, top = r.screenY - (r.height + 1) / 2;
            bool touches = false;
            for (const Rect& d : dirty)
                for (int y = top; y < top + r.height + 1 && !touches; ++y)
                    for (int x = left; x < left + r.width + 1 && !touches; ++x)
                        touches = d.Contains(x, y);
            if (touches) want.push_back(item->id);
        }
        ASSERT_EQ(got, want) << "scene " << scene;
    }
}

TEST_F(LayerFixture, RedrawMarkSelectsOnceAndSelectAllTakesEverything) {
    const uint32_t a = Add(Record(10, 10, 4, 4, 1), 1);
    Add(Record(40, 10, 4, 4, 2), 2);
    layer_.MarkRedraw(a);
    layer_.SelectRedraw({});
    ASSERT_EQ(layer_.Selection().size(), 1u);
    EXPECT_EQ(layer_.Selection()[0].id, a);
    layer_.SelectRedraw({});
    EXPECT_TRUE(layer_.Selection().empty());
    layer_.SelectAll();
    EXPECT_EQ(layer_.Selection().size(), 2u);
    layer_.ClearSelection();
    EXPECT_TRUE(layer_.Selection().empty());
}

TEST_F(LayerFixture, RotatedItemsAreSelectedByTheirTurnedFootprint) {
    Add(Record(32, 24, 40, 4, 1, 90.0), 1);  // a bar stood upright: x 30..34, y 4..44
    layer_.SelectRedraw({{30, 5, 34, 8}});   // above the centre, outside the flat bar
    EXPECT_EQ(layer_.Selection().size(), 1u);
    layer_.SelectRedraw({{14, 23, 18, 26}});  // inside the flat bar, beside the upright one
    EXPECT_TRUE(layer_.Selection().empty());
    layer_.SelectRedraw({{0, 0, 64, 48}});  // the bar inside the rectangle
    EXPECT_EQ(layer_.Selection().size(), 1u);
    layer_.SelectRedraw({{31, 20, 33, 22}});  // the rectangle inside the bar
    EXPECT_EQ(layer_.Selection().size(), 1u);
}

TEST_F(LayerFixture, RotatedItemsAreHitInTheirTurnedFootprint) {
    const uint32_t id = Add(Record(32, 24, 40, 4, 1, 90.0), 1);
    layer_.SetHitTest(id, 1);
    EXPECT_EQ(layer_.HitTest(32, 8), 1u);
    EXPECT_EQ(layer_.HitTest(16, 24), 0u);
}

// ---- hit tests --------------------------------------------------------------

TEST_F(LayerFixture, APointOnTheEdgeDoesNotHit) {
    const uint32_t id = Add(Record(20, 20, 10, 10, 1), 1);  // extent 15..25
    layer_.SetHitTest(id, 1);
    EXPECT_EQ(layer_.HitTest(20, 20), 1u);
    EXPECT_EQ(layer_.HitTest(16, 24), 1u);
    EXPECT_EQ(layer_.HitTest(15, 20), 0u);
    EXPECT_EQ(layer_.HitTest(25, 20), 0u);
    EXPECT_EQ(layer_.HitTest(20, 15), 0u);
    layer_.SetHitTest(id, 0);
    EXPECT_EQ(layer_.HitTest(20, 20), 0u);
}

TEST_F(LayerFixture, HitTestMatchesABruteForceSearchOnRandomScenes) {
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> coord(-5, 70), size(0, 24), depth(0, 4), coin(0, 4);
    std::uniform_real_distribution<double> angle(-90.0, 90.0);
    int hits = 0;
    for (int scene = 0; scene < 60; ++scene) {
        layer_ = ScreenLayer();
        layer_.SetView(ScreenView(kW, kH));
        records_.clear();
        std::vector<uint32_t> pickable;
        for (int i = 0; i < 25; ++i) {
            const double a = coin(rng) == 0 ? angle(rng) : 0.0;
            const uint32_t id =
                Add(Record(coord(rng), coord(rng), size(rng), size(rng), depth(rng), a),
                    uint32_t(100 + i), coin(rng) != 0);
            if (coin(rng) != 0) {
                layer_.SetHitTest(id, 1);
                pickable.push_back(id);
            }
        }
        for (int y = 0; y < kH; y += 2) {
            for (int x = 0; x < kW; x += 2) {
                // Every candidate, then the deepest, then the first made.
                std::vector<std::pair<uint32_t, uint32_t>> candidates;  // (depth, item)
                for (uint32_t id : pickable) {
                    const LayerItem* item = layer_.FindItem(id);
                    const DrawRecord& r = *item->live;
                    if (!item->visible || !item->inView || uint32_t(r.depth) == 0) continue;
                    const Point q = RotatePoint(x, y, r.x, r.y, r.angle, 0);
                    const double hx = (r.width + 1) / 2, hy = (r.height + 1) / 2;
                    if (std::abs(q.x - r.x) < hx && std::abs(q.y - r.y) < hy)
                        candidates.push_back({uint32_t(r.depth), id});
                }
                uint32_t want = 0;
                if (!candidates.empty()) {
                    auto best = std::min_element(
                        candidates.begin(), candidates.end(), [](auto& a, auto& b) {
                            return a.first != b.first ? a.first > b.first : a.second < b.second;
                        });
                    want = layer_.GetItemEntity(best->second);
                    ++hits;
                }
                ASSERT_EQ(layer_.HitTest(x, y), want)
                    << "scene " << scene << " at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(hits, 1000);
}

TEST_F(LayerFixture, HitTestFollowsTheView) {
    const uint32_t id = Add(Record(100, 10, 10, 10, 1), 1);
    layer_.SetHitTest(id, 1);
    EXPECT_EQ(layer_.HitTest(36, 10), 0u);
    LayerView v = ScreenView(kW, kH);
    layer_.SetViewCentre(v.centreX + 64, v.centreY);  // world x 100 at screen x 36
    EXPECT_EQ(layer_.HitTest(36, 10), 1u);
}

TEST_F(LayerFixture, PixelHitTestAsksThePayload) {
    MaskPayload mask(kKindImage, 10, 10, false);
    mask.Set(0, 0, true);
    mask.Set(9, 9, true);
    DrawRecord r = Record(20, 20, 10, 10, 1);  // local (0, 0) is screen (15, 15)
    r.flags = kDrawHitPixel;
    const uint32_t id = Add(r, 1, 1, 1.0, &mask);
    layer_.SetHitTest(id, 1);
    EXPECT_EQ(layer_.HitTest(20, 20), 0u);
    EXPECT_EQ(layer_.HitTest(24, 24), 1u);  // local (9, 9)
    mask.Set(5, 5, true);
    EXPECT_EQ(layer_.HitTest(20, 20), 1u);

    // An odd size reaches one past the last column: the payload must refuse it.
    MaskPayload odd(kKindImage, 9, 9, true);
    DrawRecord o = Record(40, 20, 9, 9, 2);
    o.flags = kDrawHitPixel;
    const uint32_t oid = Add(o, 2, 1, 1.0, &odd);
    layer_.SetHitTest(oid, 1);
    EXPECT_EQ(layer_.HitTest(43, 20), 2u);  // local x 8, the last column
    EXPECT_EQ(layer_.HitTest(44, 20), 0u);  // local x 9: inside the item, past the pixels
}

// ---- the modal stack --------------------------------------------------------

class ModalTest : public LayerFixture {
  protected:
    ModalTest() {
        for (int32_t d : {2, 5, 8, 11}) {
            const uint32_t id = Add(Record(30, 20, 20, 20, d), uint32_t(100 + d));
            layer_.SetHitTest(id, 1);
            byDepth_[d] = id;
        }
    }
    uint32_t Hit() const { return layer_.HitTest(30, 20); }
    std::map<int32_t, uint32_t> byDepth_;
};

TEST_F(ModalTest, ItemsBelowTheModalItemAreNeverHit) {
    const uint32_t aside = Add(Record(56, 40, 10, 10, 3), 200);  // away from the others
    layer_.SetHitTest(aside, 1);
    EXPECT_EQ(Hit(), 111u);
    EXPECT_EQ(layer_.HitTest(56, 40), 200u);
    layer_.SetItemState(byDepth_[11], kItemHide, 1.0);
    layer_.ModalPush(byDepth_[5]);
    EXPECT_EQ(layer_.ModalCurrent(), 105u);
    EXPECT_EQ(layer_.HitTest(56, 40), 0u);  // depth 3 < 5: out of reach anywhere
    EXPECT_EQ(Hit(), 108u);                 // above the modal item: still hit
    layer_.SetItemState(byDepth_[8], kItemHide, 1.0);
    EXPECT_EQ(Hit(), 105u);  // the modal item itself, not depth 2 beneath it
    // Taking the modal item out of the hit tests also ends its modality.
    layer_.SetHitTest(byDepth_[5], 0);
    EXPECT_EQ(layer_.ModalCurrent(), 0u);
    EXPECT_EQ(Hit(), 102u);
    EXPECT_EQ(layer_.HitTest(56, 40), 200u);
}

TEST_F(ModalTest, HidingTheCurrentModalItemBringsBackThePreviousOne) {
    layer_.ModalPush(byDepth_[5]);
    layer_.ModalPush(byDepth_[8]);
    EXPECT_EQ(layer_.ModalCurrent(), 108u);
    layer_.ModalPush(byDepth_[8]);  // the current one again: nothing changes
    EXPECT_EQ(layer_.ModalCurrent(), 108u);
    layer_.SetItemState(byDepth_[8], kItemHide, 1.0);
    EXPECT_EQ(layer_.ModalCurrent(), 105u);
    layer_.SetItemState(byDepth_[11], kItemHide, 1.0);
    EXPECT_EQ(Hit(), 105u);
}

TEST_F(ModalTest, PushingAnEarlierItemMovesItToTheTop) {
    layer_.ModalPush(byDepth_[5]);
    layer_.ModalPush(byDepth_[8]);
    layer_.ModalPush(byDepth_[5]);
    EXPECT_EQ(layer_.ModalCurrent(), 105u);
    layer_.ModalRemove(byDepth_[5]);
    EXPECT_EQ(layer_.ModalCurrent(), 108u);
    layer_.ModalRemove(byDepth_[8]);
    EXPECT_EQ(layer_.ModalCurrent(), 0u);
    EXPECT_EQ(Hit(), 111u);
}

TEST_F(ModalTest, RemovingAnItemBelowTheTopKeepsTheCurrentOne) {
    layer_.ModalPush(byDepth_[5]);
    layer_.ModalPush(byDepth_[8]);
    layer_.ModalRemove(byDepth_[5]);
    EXPECT_EQ(layer_.ModalCurrent(), 108u);
    layer_.ModalRemove(byDepth_[8]);
    EXPECT_EQ(layer_.ModalCurrent(), 0u);  // 5 is no longer stacked
}

TEST_F(ModalTest, PushingZeroClearsTheStack) {
    layer_.ModalPush(byDepth_[5]);
    layer_.ModalPush(byDepth_[8]);
    layer_.ModalPush(0);
    EXPECT_EQ(layer_.ModalCurrent(), 0u);
    layer_.ModalRemove(byDepth_[8]);
    EXPECT_EQ(layer_.ModalCurrent(), 0u);
    layer_.ModalPush(999);  // no such item
    EXPECT_EQ(layer_.ModalCurrent(), 0u);
}

TEST_F(ModalTest, RemovedModalItemHandsOverToTheOneBelow) {
    layer_.ModalPush(byDepth_[5]);
    layer_.ModalPush(byDepth_[8]);
    layer_.RemoveItem(byDepth_[8]);
    EXPECT_EQ(layer_.ModalCurrent(), 105u);
    layer_.RemoveItem(byDepth_[5]);
    EXPECT_EQ(layer_.ModalCurrent(), 0u);
    EXPECT_EQ(Hit(), 111u);
}

TEST_F(ModalTest, UpdatingTheModalItemMovesTheThreshold) {
    layer_.ModalPush(byDepth_[5]);
    layer_.SetItemState(byDepth_[11], kItemHide, 1.0);
    layer_.SetItemState(byDepth_[8], kItemHide, 1.0);
    records_[1].depth = 9;  // the modal item rises above depth 8
    layer_.UpdateItem(byDepth_[5], kItemShow, 1.0, records_[1]);
    layer_.SetItemState(byDepth_[8], kItemShow, 1.0);
    EXPECT_EQ(Hit(), 105u);
}

TEST_F(LayerFixture, ModalItemAtDepthZeroDoesNotShutTheLayer) {
    const uint32_t floor = Add(Record(30, 20, 20, 20, 0), 1);
    const uint32_t above = Add(Record(30, 20, 20, 20, 3), 2);
    layer_.SetHitTest(floor, 1);
    layer_.SetHitTest(above, 1);
    layer_.ModalPush(floor);
    EXPECT_EQ(layer_.HitTest(30, 20), 2u);
}

// ---- view helpers and the five layers ---------------------------------------

TEST_F(LayerFixture, ScreenAndLayerCoordinates) {
    LayerView v = ScreenView(kW, kH);
    v.centreX = 100;
    v.centreY = 50;
    layer_.SetView(v);
    EXPECT_EQ(layer_.ScreenToLayer(0, 0), (Point{68, 26}));
    EXPECT_EQ(layer_.LayerToScreen(68, 26), (Point{0, 0}));
    Rect r{60, 20, 80, 40};
    ASSERT_TRUE(layer_.ClipToView(r));
    EXPECT_EQ(r, (Rect{0, 0, 12, 14}));
    Rect touching{132, 20, 140, 30};  // its left edge lies on the view's right edge
    EXPECT_TRUE(layer_.ClipToView(touching));
    Rect away{133, 20, 140, 30};
    EXPECT_FALSE(layer_.ClipToView(away));
}

TEST(LayerStackTest, HitTestAsksTheTopLayerFirstAndNeverLayerZero) {
    LayerStack stack;
    testing::ShowWorldOneToOne(stack, 100, 100);
    MaskPayload solid(kKindImage, 1, 1);
    std::deque<DrawRecord> records;
    auto place = [&](int layer, uint32_t entity) {
        records.push_back(Record(50, 50, 20, 20, 1));
        const uint32_t item = stack.AddLayerItem(layer, entity, &records.back(), 1.0, 1, &solid);
        stack.SetItemHitTest(layer, item, 1);
        return item;
    };
    place(0, 10);
    EXPECT_EQ(stack.HitTest(50, 50), 0u);
    place(1, 11);
    EXPECT_EQ(stack.HitTest(50, 50), 11u);
    const uint32_t top = place(4, 14);
    place(3, 13);
    EXPECT_EQ(stack.HitTest(50, 50), 14u);
    stack.TopLayerSelect(top);
    EXPECT_EQ(stack.TopLayerCurrent(), 14u);
    stack.TopLayerRemove(top);
    EXPECT_EQ(stack.TopLayerCurrent(), 0u);
    stack.RemoveLayerItem(4, top);
    EXPECT_EQ(stack.HitTest(50, 50), 13u);
    EXPECT_EQ(stack.AddLayerItem(5, 1, &records.back(), 1.0, 1, &solid), 0u);
    EXPECT_EQ(stack.GetItemEntity(7, 1), 0u);
}

}  // namespace
}  // namespace engine
