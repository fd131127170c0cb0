#include "engine/screen_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <random>
#include <sstream>
#include <vector>

#include "engine/layer_stack.h"
#include "engine/tests/layer_test_util.h"

namespace engine {
namespace {

using testing::MaskPayload;
using testing::ScreenView;
using Rects = std::vector<Rect>;

constexpr int32_t kW = 64;
constexpr int32_t kH = 48;

DrawRecord Record(int32_t x, int32_t y, int32_t w, int32_t h, int32_t depth = 1,
                  double angle = 0.0) {
    DrawRecord r;
    r.x = x, r.y = y, r.width = w, r.height = h, r.depth = depth, r.angle = angle;
    r.radius = DrawRecordRadiusInt(w, h);
    return r;
}

// A layer over a small screen with entities' records kept at stable places.
class LayerFixture : public ::testing::Test {
  protected:
    LayerFixture() : solid_(kKindImage, 1, 1) { Reset(); }
    void Reset() {
        layer_ = ScreenLayer();
        layer_.SetView(ScreenView(kW, kH));
        records_.clear();
    }
    uint32_t Add(const DrawRecord& r, uint32_t entity, const EntityPayload* kind = nullptr) {
        records_.push_back(r);
        return layer_.AddItem(entity, &records_.back(), 1.0, 1, kind ? kind : &solid_);
    }
    uint32_t AddPickable(const DrawRecord& r, uint32_t entity) {
        const uint32_t id = Add(r, entity);
        layer_.SetHitTest(id, 1);
        return id;
    }
    Rects Collect() {
        Rects rects;
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

// ---- random scenes against brute force ----------------------------------------

// Scenes of items with random records (some turned), visibility, opacity,
// kind and pickability, changed by updates and removals: the draw list is
// the drawn items sorted by unsigned depth, entity and item; a hit finds the
// deepest item under the point (the first made of equals) among the
// pickable ones in view at depths other than 0; a redraw selects the drawn
// unturned items whose rectangle, one pixel wider and taller, meets a
// dirty rectangle.
TEST_F(LayerFixture, RandomScenesAgreeWithBruteForce) {
    std::mt19937 rng(1234);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto record = [&] {
        return Record(pick(-20, 84), pick(-20, 84), pick(0, 24), pick(0, 24), pick(-1, 6),
                      pick(0, 4) ? 0.0 : pick(-90, 90));
    };
    int hits = 0;
    for (int scene = 0; scene < 60; ++scene) {
        Reset();
        std::vector<uint32_t> ids;
        std::vector<bool> pickable;
        for (int i = 0; i < 40; ++i) {
            records_.push_back(record());
            ids.push_back(layer_.AddItem(uint32_t(1 + (i * 37) % 41), &records_.back(),
                                         pick(0, 3) ? 1.0 : 0.0, pick(0, 3) != 0,
                                         pick(0, 3) ? &solid_ : nullptr));  // kindless: not drawn
            pickable.push_back(pick(0, 3) != 0);
            layer_.SetHitTest(ids.back(), pickable.back());
        }
        for (int k = 0; k < 20; ++k) {
            const uint32_t id = ids[size_t(pick(0, 39))];
            const int what = pick(0, 3);
            if (what == 0) layer_.RemoveItem(id);
            if (what == 1) layer_.SetItemState(id, uint32_t(pick(0, 2)), pick(0, 1) ? 1.0 : 0.0);
            if (what >= 2) layer_.UpdateItem(id, uint32_t(pick(0, 2)), 1.0, record());
        }
        std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> drawn;  // depth, entity, item
        for (uint32_t id : ids) {
            const LayerItem* item = layer_.FindItem(id);
            if (item && item->inView && item->visible && item->kind && item->opacity > 0.0)
                drawn.emplace_back(uint32_t(item->record.depth), item->entityId, item->id);
        }
        std::sort(drawn.begin(), drawn.end());
        const auto list = layer_.DrawList();
        ASSERT_EQ(list.size(), drawn.size());
        for (size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(list[i]->id, std::get<2>(drawn[i]));
        for (int y = 0; y < kH; y += 2) {
            for (int x = 0; x < kW; x += 2) {
                uint32_t best = 0, bestDepth = 0;
                for (size_t i = 0; i < ids.size(); ++i) {
                    const LayerItem* item = layer_.FindItem(ids[i]);
                    if (!item || !pickable[i]) continue;
                    const DrawRecord& r = *item->live;
                    if (!item->visible || !item->inView || uint32_t(r.depth) <= bestDepth) continue;
                    const Point q = RotatePoint(x, y, r.x, r.y, r.angle, 0);
                    if (std::abs(q.x - r.x) < (r.width + 1) / 2 &&
                        std::abs(q.y - r.y) < (r.height + 1) / 2)
                        best = ids[i], bestDepth = uint32_t(r.depth);
                }
                hits += best != 0;
                ASSERT_EQ(layer_.HitTest(x, y), best ? layer_.GetItemEntity(best) : 0u)
                    << "scene " << scene << " at " << x << "," << y;
            }
        }
        Rects dirty;
        for (int i = 0, n = pick(0, 6); i < n; ++i) {
            const int l = pick(-10, 74), t = pick(-10, 74);
            dirty.push_back({l, t, l + pick(0, 16), t + pick(0, 16)});
        }
        layer_.SelectRedraw(dirty);
        std::vector<uint32_t> got, want;
        for (const LayerItem& item : layer_.Selection())
            if (item.live->angle == 0.0) got.push_back(item.id);
        for (const LayerItem* item : list) {
            const DrawRecord& r = *item->live;
            const Rect closed{r.screenX - (r.width + 1) / 2, r.screenY - (r.height + 1) / 2,
                              r.screenX - (r.width + 1) / 2 + r.width + 1,
                              r.screenY - (r.height + 1) / 2 + r.height + 1};
            if (r.angle == 0.0 && std::any_of(dirty.begin(), dirty.end(),
                                              [&](const Rect& d) { return Intersects(d, closed); }))
                want.push_back(item->id);
        }
        ASSERT_EQ(got, want) << "scene " << scene;
    }
    EXPECT_GT(hits, 1000);
}

// ---- culling ------------------------------------------------------------------

// Unturned items are in view exactly when a pixel of their closed extent,
// centre +- (size + 1) / 2, is on screen; a turned item dropped has no sample
// on screen or, clipped, none strictly inside its clip.
TEST_F(LayerFixture, CullingAgreesWithTheExtentAndWithSamples) {
    std::mt19937 rng(5);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int culled = 0;
    for (int i = 0; i < 8000; ++i) {
        const bool clipped = i % 4 == 0;
        DrawRecord r = Record(pick(-60, 130), pick(-60, 130), pick(0, 40), pick(0, 40), 1,
                              i % 2 ? pick(1, 359) : 0.0);
        if (clipped) {
            const int l = pick(0, kW), t = pick(0, kH);
            r.flags = kDrawClip, r.clip = {l, t, l + pick(2, 30), t + pick(2, 30)};
        }
        const bool in = layer_.IsInView(r);
        const int hx = (r.width + 1) / 2, hy = (r.height + 1) / 2;
        if (r.angle == 0.0 && !clipped) {
            ASSERT_EQ(in, r.screenX + hx >= 0 && r.screenX - hx < kW && r.screenY + hy >= 0 &&
                              r.screenY - hy < kH)
                << r.x << "," << r.y << " " << r.width << "x" << r.height;
        } else if (!in && r.angle != 0.0 && r.width && r.height) {
            ++culled;  // no sample of the rectangle (inside it, when clipped) is on screen
            const Rect inner =
                clipped ? Rect{r.clip.left + 1, r.clip.top + 1, r.clip.right - 1, r.clip.bottom - 1}
                        : Rect{0, 0, kW, kH};
            for (int sy = clipped; sy <= 12 - clipped; ++sy)
                for (int sx = clipped; sx <= 12 - clipped; ++sx) {
                    const PointF p = RotatePointF(r.x - r.width / 2.0 + r.width * sx / 12.0,
                                                  r.y - r.height / 2.0 + r.height * sy / 12.0, r.x,
                                                  r.y, r.angle, 1);
                    ASSERT_FALSE(p.x > inner.left && p.x < inner.right && p.y > inner.top &&
                                 p.y < inner.bottom)
                        << i;
                }
        }
    }
    EXPECT_GT(culled, 500);                 // the test did cull something
    DrawRecord r = Record(20, 20, 10, 10);  // covers 15..25, tested through 25
    r.flags = kDrawClip;
    for (auto [l, in] : {std::pair{26, false}, {25, true}, {24, true}, {-10, false}}) {
        r.clip = {l, l, l < 0 ? 0 : 40, l < 0 ? 0 : 40};
        EXPECT_EQ(layer_.IsInView(r), in) << l;
    }
}

TEST_F(LayerFixture, TheViewMovesCullingHitsAndCoordinates) {
    AddPickable(Record(10, 10, 4, 4), 1);
    AddPickable(Record(70, 10, 4, 4), 2);  // off screen until the view moves
    EXPECT_EQ(records_[0].flags & kDrawInView, kDrawInView);
    EXPECT_EQ(records_[1].flags & kDrawInView, 0u);
    Collect();
    layer_.SetViewCentre(kW / 2 + 40, kH / 2);
    EXPECT_EQ(Collect(), (Rects{{0, 0, kW, kH}}));  // a view change repaints everything
    EXPECT_EQ(records_[0].flags & kDrawInView, 0u);
    EXPECT_EQ(records_[1].screenX, 30);
    EXPECT_EQ(DrawOrder(), (std::vector<uint32_t>{2}));
    EXPECT_EQ(layer_.HitTest(30, 10), 2u);
    LayerView v = ScreenView(kW, kH);
    v.centreX = 100;
    v.centreY = 50;
    layer_.SetView(v);
    EXPECT_EQ(layer_.ScreenToLayer(0, 0), (Point{68, 26}));
    EXPECT_EQ(layer_.LayerToScreen(68, 26), (Point{0, 0}));
    Rect r{60, 20, 80, 40};
    ASSERT_TRUE(layer_.ClipToView(r));
    EXPECT_EQ(r, (Rect{0, 0, 12, 14}));
    Rect touching{132, 20, 140, 30};  // its left edge on the view's right edge
    EXPECT_TRUE(layer_.ClipToView(touching));
    Rect away{133, 20, 140, 30};
    EXPECT_FALSE(layer_.ClipToView(away));
}

// ---- dirty rectangles ---------------------------------------------------------

Rects Merge(const Rects& input) {
    ScreenLayer layer;
    layer.SetView(ScreenView(kW, kH));
    Rects rects;
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
    const std::pair<Rects, Rects> cases[] = {
        {{{0, 0, 10, 10}, {5, 5, 15, 15}}, {{0, 0, 10, 10}, {5, 5, 15, 15}}},  // diagonal overlap
        {{{5, 5, 10, 10}, {0, 0, 20, 20}}, {{0, 0, 20, 20}}},   // one inside the other
        {{{0, 0, 10, 10}, {5, 0, 20, 10}}, {{0, 0, 20, 10}}},   // same top and bottom
        {{{0, 0, 10, 10}, {0, 10, 10, 30}}, {{0, 0, 10, 30}}},  // same sides, meeting
        {{{0, 0, 10, 5}, {0, 20, 10, 25}}, {{0, 0, 10, 5}, {0, 20, 10, 25}}},  // across a gap
        {{{-10, -10, 10, 10}, {50, 40, 100, 100}}, {{0, 0, 10, 10}, {50, 40, kW, kH}}},  // cut
        {{{-30, 0, -5, 10}, {kW, 0, kW + 5, 10}, {3, 3, 3, 9}}, {}},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Merge(in), out) << &in - &cases[0].first;
}

// Which pixels of the screen a rectangle list covers.
std::vector<bool> Coverage(const Rects& rects) {
    std::vector<bool> px(size_t(kW) * kH, false);
    for (const Rect& r : rects) {
        for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, kH); ++y)
            for (int32_t x = std::max(r.left, 0); x < std::min(r.right, kW); ++x)
                px[size_t(y) * kW + size_t(x)] = true;
    }
    return px;
}

TEST(DirtyMergeTest, MergedListCoversExactlyTheDirtyPixelsOnRandomScenes) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> coord(-20, 80), size(0, 40), count(1, 40), snap(0, 3);
    for (int scene = 0; scene < 500; ++scene) {
        Rects input;
        for (int i = 0, n = count(rng); i < n; ++i) {
            Rect r{coord(rng), coord(rng), 0, 0};
            r.right = r.left + size(rng);
            r.bottom = r.top + size(rng);
            // Share edges with an earlier rectangle now and then, to exercise the merges.
            if (!input.empty() && snap(rng) == 0) {
                const Rect& o = input[size_t(rng() % input.size())];
                if (rng() % 2) {
                    r.left = o.left, r.right = o.right;
                } else {
                    r.top = o.top, r.bottom = o.bottom;
                }
            }
            input.push_back(r);
        }
        const Rects merged = Merge(input);
        ASSERT_EQ(Coverage(merged), Coverage(input)) << "scene " << scene;
        for (const Rect& r : merged)
            ASSERT_FALSE(r.IsEmpty());
        ASSERT_LE(merged.size(), input.size());
    }
}

TEST_F(LayerFixture, ChangesMakeTheOldAndNewAreasDirty) {
    DrawRecord clipped = Record(20, 20, 10, 10);
    clipped.flags = kDrawClip;
    clipped.clip = {18, 0, 40, 22};
    const uint32_t id = Add(Record(10, 10, 4, 4), 1);
    Collect();  // drains what the view set-up and the placement left
    Add(clipped, 2);
    EXPECT_EQ(Collect(), (Rects{{18, 15, 25, 22}}));  // cut by its clip
    layer_.UpdateItem(id, kItemKeepVisibility, 1.0, Record(40, 30, 4, 4));
    EXPECT_EQ(Collect(), (Rects{{8, 8, 12, 12}, {38, 28, 42, 32}}));
    layer_.SetItemState(id, kItemHide, 1.0);
    EXPECT_EQ(Collect(), (Rects{{38, 28, 42, 32}}));
    EXPECT_EQ(DrawOrder(), (std::vector<uint32_t>{2}));
    layer_.SetItemState(id, kItemHide, 1.0);  // hidden stays hidden: nothing to repaint
    EXPECT_FALSE(layer_.HasDirty());
    layer_.SetItemState(id, kItemShow, 1.0);
    EXPECT_EQ(Collect(), (Rects{{38, 28, 42, 32}}));
    layer_.RemoveItem(id);
    EXPECT_EQ(Collect(), (Rects{{38, 28, 42, 32}}));
    EXPECT_EQ(layer_.FindItem(id), nullptr);
    EXPECT_EQ(records_[0].flags & kDrawInView, 0u);
    // Unknown ids do nothing.
    layer_.UpdateItem(77, kItemShow, 1.0, Record(1, 1, 1, 1));
    layer_.SetItemState(77, kItemShow, 1.0);
    layer_.RemoveItem(77);
    layer_.MarkRedraw(77);
    EXPECT_FALSE(layer_.HasDirty());
    EXPECT_EQ(layer_.SetHitTest(77, 1), 0);
    EXPECT_EQ(layer_.SetHitTest(77, 0), 1);
    EXPECT_EQ(layer_.GetItemEntity(77), 0u);
}

TEST_F(LayerFixture, PendingDirtyRecordsStayBounded) {
    const uint32_t id = Add(Record(10, 10, 4, 4), 1);
    for (int i = 0; i < 5000; ++i)
        layer_.UpdateItem(id, kItemShow, 1.0, Record(10 + i % 7, 10, 4, 4));
    EXPECT_LE(layer_.PendingCount(), kMaxPendingDirty);
    EXPECT_EQ(Collect(), (Rects{{0, 0, kW, kH}}));
    layer_.UpdateItem(id, kItemShow, 1.0, Record(30, 30, 2, 2));
    EXPECT_EQ(layer_.PendingCount(), 2u);  // back to per-change records
}

// ---- redraw selection ----------------------------------------------------------

TEST_F(LayerFixture, RedrawMarksSelectAllAndTurnedFootprints) {
    const uint32_t a = Add(Record(10, 10, 4, 4, 1), 1);
    Add(Record(40, 10, 4, 4, 2), 2);
    layer_.MarkRedraw(a);
    layer_.SelectRedraw({});
    ASSERT_EQ(layer_.Selection().size(), 1u);
    EXPECT_EQ(layer_.Selection()[0].id, a);
    layer_.SelectRedraw({});  // once
    EXPECT_TRUE(layer_.Selection().empty());
    layer_.SelectAll();
    EXPECT_EQ(layer_.Selection().size(), 2u);
    layer_.ClearSelection();
    EXPECT_TRUE(layer_.Selection().empty());
    Reset();
    AddPickable(Record(32, 24, 40, 4, 1, 90.0), 1);  // a bar stood upright: x 30..34, y 4..44
    const std::pair<Rect, bool> rects[] = {
        {{30, 5, 34, 8}, true},     // above the centre, outside the flat bar
        {{14, 23, 18, 26}, false},  // inside the flat bar, beside the upright one
        {{0, 0, 64, 48}, true},     // the bar inside the rectangle
        {{31, 20, 33, 22}, true},   // the rectangle inside the bar
    };
    for (auto [rect, selected] : rects) {
        layer_.SelectRedraw({rect});
        EXPECT_EQ(layer_.Selection().size(), size_t(selected)) << rect.left << "," << rect.top;
    }
    EXPECT_EQ(layer_.HitTest(32, 8), 1u);
    EXPECT_EQ(layer_.HitTest(16, 24), 0u);
}

// ---- hit tests -----------------------------------------------------------------

TEST_F(LayerFixture, HitsStopAtTheEdgeAndAskThePayloadForPixels) {
    const uint32_t id = AddPickable(Record(20, 20, 10, 10, 1), 1);  // extent 15..25
    const std::pair<Point, uint32_t> points[] = {
        {{20, 20}, 1}, {{16, 24}, 1}, {{15, 20}, 0}, {{25, 20}, 0}, {{20, 15}, 0}};
    for (auto [p, hit] : points)
        EXPECT_EQ(layer_.HitTest(p.x, p.y), hit) << p.x << "," << p.y;
    layer_.SetHitTest(id, 0);
    EXPECT_EQ(layer_.HitTest(20, 20), 0u);
    MaskPayload mask(kKindImage, 10, 10, false);
    mask.Set(0, 0, true);
    mask.Set(9, 9, true);
    DrawRecord r = Record(20, 20, 10, 10, 1);  // local (0, 0) is screen (15, 15)
    r.flags = kDrawHitPixel;
    layer_.SetHitTest(Add(r, 2, &mask), 1);
    EXPECT_EQ(layer_.HitTest(20, 20), 0u);
    EXPECT_EQ(layer_.HitTest(24, 24), 2u);  // local (9, 9)
    mask.Set(5, 5, true);
    EXPECT_EQ(layer_.HitTest(20, 20), 2u);
    // An odd size reaches one past the last column: the payload must refuse it.
    MaskPayload odd(kKindImage, 9, 9, true);
    DrawRecord o = Record(40, 20, 9, 9, 2);
    o.flags = kDrawHitPixel;
    layer_.SetHitTest(Add(o, 3, &odd), 1);
    EXPECT_EQ(layer_.HitTest(43, 20), 3u);  // local x 8, the last column
    EXPECT_EQ(layer_.HitTest(44, 20), 0u);  // local x 9: inside the item, past the pixels
}

// ---- the modal stack -----------------------------------------------------------

// Four pickable items at depths 2, 5, 8 and 11 over (30, 20), entities 100 +
// depth, and one at depth 3 aside at (56, 40), entity 200.
class ModalTest : public LayerFixture {
  protected:
    void Place() {
        Reset();
        for (int32_t d : {2, 5, 8, 11})
            item_[d] = AddPickable(Record(30, 20, 20, 20, d), uint32_t(100 + d));
        AddPickable(Record(56, 40, 10, 10, 3), 200);
    }
    std::map<int32_t, uint32_t> item_;
};

// Scripts of steps "<op><depth>=<modal>/<hit>": p pushes the item at that
// depth (0: none, 99: no such item), r removes it from the stack, h hides, s
// shows, d removes the item, u takes it out of the hit tests, t moves it to
// depth 9; then the modal entity and the entity hit at (30, 20) must follow.
TEST_F(ModalTest, ScriptsOfPushesRemovalsAndItemChanges) {
    const char* scripts[] = {
        "h11=0/108 p5=105/108 h8=105/105 u5=0/102",  // below the modal item: out of reach
        "p5=105/111 p8=108/111 p8=108/111 h8=105/111 h11=105/105",  // hiding brings back the last
        "p5=105/111 p8=108/111 p5=105/111 r5=108/111 r8=0/111",     // pushing again: to the top
        "p5=105/111 p8=108/111 r5=108/111 r8=0/111",                // removed below the top
        "p5=105/111 p8=108/111 p0=0/111 r8=0/111 p99=0/111",        // 0 clears the stack
        "p5=105/111 p8=108/111 d8=105/111 d5=0/111",                // removed items hand over
        "p5=105/111 h11=105/108 h8=105/105 t5=105/105 s8=105/105",  // updates move the threshold
    };
    for (const char* script : scripts) {
        Place();
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            char op = 0;
            int depth = 0;
            uint32_t modal = 0, hit = 0;
            ASSERT_EQ(std::sscanf(step.c_str(), "%c%d=%u/%u", &op, &depth, &modal, &hit), 4);
            const uint32_t id = depth == 0 ? 0 : item_.count(depth) ? item_[depth] : 999;
            if (op == 'p') layer_.ModalPush(id);
            if (op == 'r') layer_.ModalRemove(id);
            if (op == 'h' || op == 's')
                layer_.SetItemState(id, op == 's' ? kItemShow : kItemHide, 1.0);
            if (op == 'd') layer_.RemoveItem(id);
            if (op == 'u') layer_.SetHitTest(id, 0);
            if (op == 't') {
                records_[id - 1].depth = 9;  // the item's live record
                layer_.UpdateItem(id, kItemShow, 1.0, records_[id - 1]);
            }
            EXPECT_EQ(layer_.ModalCurrent(), modal) << script << ": " << step;
            EXPECT_EQ(layer_.HitTest(30, 20), hit) << script << ": " << step;
            // The item aside, at depth 3, is hit only while no modal item is above it.
            EXPECT_EQ(layer_.HitTest(56, 40), modal > 103 ? 0u : 200u) << script << ": " << step;
        }
    }
}

TEST_F(LayerFixture, ModalItemAtDepthZeroDoesNotShutTheLayer) {
    const uint32_t floor = AddPickable(Record(30, 20, 20, 20, 0), 1);
    AddPickable(Record(30, 20, 20, 20, 3), 2);
    layer_.ModalPush(floor);
    EXPECT_EQ(layer_.HitTest(30, 20), 2u);
}

// ---- the five layers -----------------------------------------------------------

TEST(LayerStackTest, HitTestAsksTheTopLayerFirstAndNeverLayerZero) {
    LayerStack stack;
    testing::ShowWorldOneToOne(stack, 100, 100);
    MaskPayload solid(kKindImage, 1, 1);
    DrawRecord records[5];
    uint32_t items[5] = {}, hits[5] = {};
    for (int layer : {0, 1, 4, 3}) {  // each hit after placing one more
        records[layer] = Record(50, 50, 20, 20, 1);
        items[layer] = stack.AddLayerItem(layer, 10u + layer, &records[layer], 1.0, 1, &solid);
        stack.SetItemHitTest(layer, items[layer], 1);
        hits[layer] = stack.HitTest(50, 50);
    }
    EXPECT_EQ(std::vector(hits, hits + 5), (std::vector<uint32_t>{0, 11, 0, 14, 14}));
    stack.TopLayerSelect(items[4]);
    EXPECT_EQ(stack.TopLayerCurrent(), 14u);
    stack.TopLayerRemove(items[4]);
    EXPECT_EQ(stack.TopLayerCurrent(), 0u);
    stack.RemoveLayerItem(4, items[4]);
    EXPECT_EQ(stack.HitTest(50, 50), 13u);
    EXPECT_EQ(stack.AddLayerItem(5, 1, &records[0], 1.0, 1, &solid), 0u);
    EXPECT_EQ(stack.GetItemEntity(7, 1), 0u);
}

}  // namespace
}  // namespace engine
