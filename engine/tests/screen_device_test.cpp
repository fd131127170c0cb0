#include "engine/screen_device.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "engine/draw_payloads.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"
#include "platform/bytes.h"
#include "platform/gui/surface.h"

namespace engine {
namespace {

// Images 1 (12 x 9, opaque), 2 (10 x 10, keyed), 3 (8 x 14, alpha) and 10
// (40 x 30, opaque), each pixel a function of its place.
class ImageTable : public ImageProvider {
  public:
    ImageTable() {
        Add(1, 12, 9, 0,
            [](uint32_t x, uint32_t y) { return 0xFF000000u | x * 20 << 16 | y * 25; });
        Add(2, 10, 10, kImageKeyed,
            [](uint32_t x, uint32_t y) { return (x + y) % 3 == 0 ? 0u : 0xFF00FF00u | x * 20; });
        Add(3, 8, 14, kImageAlpha,
            [](uint32_t x, uint32_t y) { return uint32_t(y * 18) << 24 | 0x00FF0000u | x * 30; });
        Add(10, 40, 30, 0, [](uint32_t x, uint32_t y) { return 0xFF000000u | (x ^ y) * 0x010203; });
    }
    const ImageRecord* GetImage(uint32_t id) override {
        auto it = images_.find(id);
        return it == images_.end() ? nullptr : &it->second;
    }

  private:
    template <class F>
    void Add(uint32_t id, uint16_t w, uint16_t h, uint32_t flags, F f) {
        ImageRecord& r = images_[id];
        r.id = id, r.width = w, r.height = h, r.frameCount = 1, r.flags = flags;
        r.pixels.resize(size_t(w) * h * 4);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                platform::StoreLE32(&r.pixels[(size_t(y) * w + x) * 4], f(x, y));
    }
    std::map<uint32_t, ImageRecord> images_;
};

DrawRecord RecordAt(int32_t x, int32_t y, int32_t w, int32_t h, int32_t depth = 0) {
    DrawRecord r;
    r.x = x, r.y = y, r.width = w, r.height = h, r.depth = depth;
    return r;
}

TEST(ScreenDevice, PresentCopiesWhatWasInvalidatedOrEverythingInFullRedraw) {
    ImageTable images;
    ScreenDevice screen(&images);
    screen.Create(16, 12);
    screen.SetFillColor(0x0000FF);  // red
    platform::Surface target(16, 12);
    screen.Present(0, target);  // what Create invalidated
    target.Fill(0x11111111);
    EXPECT_EQ(screen.Present(1, target), -1);  // nothing pending: untouched
    screen.InvalidateRect(2, 3, 6, 5);
    EXPECT_TRUE(screen.TakeScreenChanged());
    ASSERT_EQ(screen.Present(2, target), 0);
    EXPECT_TRUE(screen.TakeScreenChanged());
    EXPECT_FALSE(screen.TakeScreenChanged());
    for (auto [x, y, red] : {std::tuple{3, 3, true}, {5, 4, true}, {6, 4, false}, {5, 5, false}})
        EXPECT_EQ(target.At(x, y), red ? 0xFFFF0000u : 0x11111111u) << x << "," << y;
    screen.SetFullRedraw(1);
    screen.InvalidateRect(0, 0, 1, 1);
    for (uint32_t i = 3; i < 5; ++i) {
        target.Fill(0x11111111);
        ASSERT_EQ(screen.Present(i, target), 0);
        EXPECT_EQ(target.At(15, 11), 0xFFFF0000u);
    }
}

TEST(ScreenDevice, ViewIsClampedToTheWorldAndPixelModesFollowTheirTable) {
    ImageTable images;
    ScreenDevice screen(&images);
    screen.Create(100, 80);
    screen.SetWorldSize(400, 300);
    screen.SetViewOrigin(1000, -50, false);
    EXPECT_EQ(screen.GetViewState().centreX, 350);
    EXPECT_EQ(screen.GetViewState().centreY, 40);
    screen.MoveView(-1000, 1000);
    EXPECT_EQ(screen.GetViewState().centreX, 50);
    EXPECT_EQ(screen.GetViewState().centreY, 260);
    screen.SetWorldSize(20, 20);  // smaller than the screen
    EXPECT_EQ(screen.GetViewState().centreX, 50);
    EXPECT_EQ(screen.GetViewState().centreY, 40);
    using Format = std::array<uint32_t, 3>;
    EXPECT_EQ(screen.PixelFormat(), (Format{2, 512, 2}));
    const std::pair<uint32_t, Format> modes[] = {
        {0, {0, 256, 2}}, {1, {2, 512, 2}},    {2, {2, 256, 2}}, {4, {2, 256, 4}},
        {8, {2, 256, 8}}, {4096, {1, 256, 8}}, {3, {1, 256, 8}},  // outside the table: kept
    };
    for (auto [mode, format] : modes) {
        screen.SetPixelMode(mode);
        EXPECT_EQ(screen.PixelFormat(), format) << mode;
    }
    EXPECT_EQ(screen.SetRefreshMode(2), kEngineOk);
}

TEST(ScreenDevice, ImageBackgroundIsScaledToTheScreenCachedOrNot) {
    ImageTable images;
    for (uint32_t flags : {0u, kBackCached}) {
        ScreenDevice screen(&images);
        screen.Create(20, 15);
        EXPECT_EQ(screen.CreateFromImage(10, 41, 0, 10, 10, 0), 0);  // offset beyond the image
        EXPECT_EQ(screen.CreateFromImage(99, 0, 0, 10, 10, 0), 0);   // no such image
        EXPECT_EQ(screen.backgroundMode(), kBackFill);
        ASSERT_EQ(screen.CreateFromImage(10, 0, 0, 40, 30, flags), kEngineOk);
        EXPECT_EQ(screen.backgroundMode(), kBackImage);
        platform::Surface target(20, 15);
        ASSERT_EQ(screen.Present(0, target), 0);
        const ImageRecord* bg = images.GetImage(10);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(target.At(x, y),
                          platform::LoadLE32(&bg->pixels[(size_t(y * 2) * 40 + x * 2) * 4]))
                    << flags;
    }
}

class CountingPayload : public SelfDrawnPayload {
  public:
    CountingPayload() : SelfDrawnPayload(kKindPool) {}
    void Draw(const DrawContext& c, const DrawRecord&, double) const override {
        ++calls;
        lastNow = c.now;
        if (c.clip.IsEmpty()) return;
        platform::StoreLE32(
            c.surface.pixels + (size_t(c.clip.top) * c.surface.width + c.clip.left) * 4,
            0xFFABCDEF);
    }
    mutable int calls = 0;
    mutable uint32_t lastNow = 0;
};

TEST(ScreenDevice, ClonesAndSelfDrawnKindsAreDrawnAndLayerZeroNever) {
    ImageTable images;
    ScreenDevice screen(&images);
    screen.Create(40, 40);
    auto place = [&](int layer, uint32_t entity, DrawRecord& r, const EntityPayload* kind) {
        const uint32_t item = screen.AddLayerItem(layer, entity, &r, 1.0, 1, kind);
        screen.UpdateLayerItem(layer, item, kItemShow, 1.0, r);
        screen.SetItemHitTest(layer, item, 1);
        return item;
    };
    ImagePayload image;
    image.imageId = 1, image.srcW = 12, image.srcH = 9;
    DrawRecord a = RecordAt(8, 8, 12, 9), b = RecordAt(28, 28, 12, 9), c = RecordAt(30, 5, 4, 4),
               d = RecordAt(5, 35, 4, 4), hidden = RecordAt(20, 20, 12, 9);
    ClonePayload clone, self;
    clone.item = place(1, 1, a, &image), clone.layer = 1;
    place(2, 2, b, &clone);
    CountingPayload pool;
    place(3, 3, c, &pool);
    self.item = place(4, 4, d, &self), self.layer = 4;  // a clone of itself: no recursion
    place(0, 77, hidden, &image);                       // layer 0 only gathers dirty areas
    platform::Surface target(40, 40);
    screen.InvalidateAll();
    ASSERT_EQ(screen.Present(1234, target), 0);
    // Item a's top-left pixel (8 - 6, 8 - 5), its last one, and the clone's.
    EXPECT_EQ(target.At(2, 3), 0xFF000000u);
    EXPECT_EQ(target.At(2 + 11, 3 + 8), 0xFF000000u | 220 << 16 | 200);
    EXPECT_EQ(target.At(22 + 11, 23 + 8), 0xFF000000u | 220 << 16 | 200);
    EXPECT_GE(pool.calls, 1);
    EXPECT_EQ(pool.lastNow, 1234u);
    EXPECT_EQ(target.At(28, 3), 0xFFABCDEFu);
    EXPECT_EQ(target.At(20, 20), 0xFF000000u);
    EXPECT_EQ(screen.HitTest(20, 20), 0u);
}

// Property: an incremental present equals a full redraw. Every change goes to
// two devices, the second in full-redraw mode, each with records of its own.
class ScreenDeviceProperty : public ::testing::TestWithParam<int> {};

TEST_P(ScreenDeviceProperty, IncrementalPresentEqualsFullRedraw) {
    ImageTable images;
    constexpr int32_t kW = 96, kH = 72;
    std::mt19937 rng(uint32_t(GetParam()) * 7919u + 1);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto record = [&] {
        DrawRecord r =
            RecordAt(pick(-10, kW + 10), pick(-10, kH + 10), pick(1, 30), pick(1, 30), pick(0, 5));
        const int turn = pick(0, 5);
        r.angle = turn == 1 ? pick(1, 359) : turn == 2 ? 0.5 : 0.0;  // 0.5 turns alpha images only
        r.flags |= pick(0, 6) ? 0 : 0x20;                            // smooth
        if (pick(0, 6) == 0) {
            r.flags |= kDrawClip;
            r.clip = {pick(0, kW / 2), pick(0, kH / 2), pick(kW / 2, kW), pick(kH / 2, kH)};
        }
        return r;
    };
    ScreenDevice devices[2] = {ScreenDevice(&images), ScreenDevice(&images)};
    struct Item {
        int layer;
        uint32_t id[2];
        DrawRecord record[2];
        ImagePayload kind;
        double opacity;
    };
    std::vector<std::unique_ptr<Item>> items;
    for (int i = 0; i < 2; ++i) {
        devices[i].Create(kW, kH);
        devices[i].SetFullRedraw(i);
        if (GetParam() % 2) {
            devices[i].CreateFromImage(10, 0, 0, 40, 30, uint32_t(GetParam() % 4 == 1));
        } else {
            devices[i].SetFillColor(0x336699);
        }
        devices[i].InvalidateAll();
    }
    platform::Surface a(kW, kH), b(kW, kH);
    for (int step = -12; step < 120; ++step) {  // twelve items first
        const int op = step < 0 || items.empty() ? 7 : pick(0, 9);
        Item* it = items.empty() ? nullptr : items[size_t(pick(0, int(items.size()) - 1))].get();
        if (op == 7) {
            it = items.emplace_back(std::make_unique<Item>()).get();
            it->kind.imageId = uint32_t(pick(1, 3)), it->kind.srcW = 12, it->kind.srcH = 14;
            it->kind.backColor = pick(0, 5) ? kNoBlendColor : 0x00FF00;
            it->layer = pick(1, 4), it->record[0] = it->record[1] = record();
            it->opacity = pick(0, 4) ? 1.0 : 0.6;
            for (int i = 0; i < 2; ++i) {
                it->id[i] = devices[i].AddLayerItem(it->layer, uint32_t(items.size()),
                                                    &it->record[i], it->opacity, 1, &it->kind);
                devices[i].UpdateLayerItem(it->layer, it->id[i], kItemShow, it->opacity,
                                           it->record[i]);
            }
        } else if (op == 6 && items.size() > 2) {
            for (int i = 0; i < 2; ++i)
                devices[i].RemoveLayerItem(it->layer, it->id[i]);
            std::erase_if(items, [&](const auto& p) { return p.get() == it; });
        } else if (op == 8) {
            const int l = pick(-5, kW), t = pick(-5, kH), r = l + pick(0, 30), bt = t + pick(0, 30);
            for (ScreenDevice& d : devices)
                d.InvalidateRect(l, t, r, bt);
        } else if (op == 5) {
            const uint32_t mode = pick(0, 1) ? kItemShow : kItemHide;
            it->opacity = pick(0, 3) ? 1.0 : 0.4;
            for (int i = 0; i < 2; ++i)
                devices[i].SetLayerItemState(it->layer, it->id[i], mode, it->opacity);
        } else if (op < 5) {
            DrawRecord r = pick(0, 2) ? it->record[0] : record();
            r.x += pick(-6, 6), r.y += pick(-6, 6);
            for (int i = 0; i < 2; ++i) {
                it->record[i] = r;
                devices[i].UpdateLayerItem(it->layer, it->id[i], kItemKeepVisibility, it->opacity,
                                           r);
            }
        }
        devices[0].Present(uint32_t(step), a);
        devices[1].Present(uint32_t(step), b);
        ASSERT_EQ(a, b) << "step " << step << " op " << op;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ScreenDeviceProperty, ::testing::Range(0, 8));

}  // namespace
}  // namespace engine
