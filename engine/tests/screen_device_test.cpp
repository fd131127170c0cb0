#include "engine/screen_device.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "engine/draw_payloads.h"
#include "engine/resources/image_provider.h"
#include "engine/resources/image_record.h"
#include "platform/bytes.h"
#include "platform/gui/surface.h"

namespace engine {
namespace {

class ImageTable : public ImageProvider {
  public:
    const ImageRecord* GetImage(uint32_t id) override {
        auto it = images_.find(id);
        return it == images_.end() ? nullptr : &it->second;
    }
    // A w x h image whose pixel is f(x, y) (0xAARRGGBB).
    template <class F>
    void Add(uint32_t id, uint16_t w, uint16_t h, uint32_t flags, F f) {
        ImageRecord& r = images_[id];
        r.id = id, r.width = w, r.height = h, r.frameCount = 1, r.flags = flags;
        r.pixels.resize(size_t(w) * h * 4);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                platform::StoreLE32(&r.pixels[(size_t(y) * w + x) * 4], f(x, y));
    }

  private:
    std::map<uint32_t, ImageRecord> images_;
};

void AddTestImages(ImageTable& t) {
    t.Add(1, 12, 9, 0, [](uint32_t x, uint32_t y) { return 0xFF000000u | x * 20 << 16 | y * 25; });
    t.Add(2, 10, 10, kImageKeyed,
          [](uint32_t x, uint32_t y) { return (x + y) % 3 == 0 ? 0u : 0xFF00FF00u | x * 20; });
    t.Add(3, 8, 14, kImageAlpha,
          [](uint32_t x, uint32_t y) { return uint32_t(y * 18) << 24 | 0x00FF0000u | x * 30; });
    t.Add(10, 40, 30, 0, [](uint32_t x, uint32_t y) { return 0xFF000000u | (x ^ y) * 0x010203; });
}

BlitRect Whole(const platform::Surface& s) {
    return {0, 0, s.Width(), s.Height()};
}

TEST(ScreenDevice, PresentWithNothingPendingLeavesTheTargetAlone) {
    ImageTable images;
    ScreenDevice screen(&images);
    screen.Create(16, 12);
    platform::Surface target(16, 12);
    // Create invalidates nothing by itself beyond its view change.
    screen.Present(0, target);
    target.Fill(0x12345678);
    EXPECT_EQ(screen.Present(1, target), -1);
    EXPECT_EQ(target.At(3, 3), 0x12345678u);
}

TEST(ScreenDevice, InvalidatedRectangleIsRepaintedAndNothingElse) {
    ImageTable images;
    ScreenDevice screen(&images);
    screen.Create(16, 12);
    screen.SetFillColor(0x0000FF);  // red
    platform::Surface target(16, 12);
    screen.Present(0, target);
    target.Fill(0x11111111);
    screen.InvalidateRect(2, 3, 6, 5);
    EXPECT_TRUE(screen.TakeScreenChanged());
    ASSERT_EQ(screen.Present(1, target), 0);
    EXPECT_EQ(target.At(3, 3), 0xFFFF0000u);
    EXPECT_EQ(target.At(5, 4), 0xFFFF0000u);
    EXPECT_EQ(target.At(10, 10), 0x11111111u);
    EXPECT_EQ(target.At(7, 7), 0x11111111u);
    EXPECT_TRUE(screen.TakeScreenChanged());
    EXPECT_FALSE(screen.TakeScreenChanged());
}

TEST(ScreenDevice, FullRedrawCopiesEverythingOnEveryPresentOnceInvalidated) {
    ImageTable images;
    ScreenDevice screen(&images);
    screen.Create(8, 8);
    screen.SetFullRedraw(1);
    platform::Surface target(8, 8);
    screen.InvalidateRect(0, 0, 1, 1);
    for (int i = 0; i < 3; ++i) {
        target.Fill(0x11111111);
        ASSERT_EQ(screen.Present(uint32_t(i), target), 0);
        EXPECT_EQ(target.At(7, 7), 0xFF000000u);
    }
}

TEST(ScreenDevice, ViewIsClampedToTheWorld) {
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
}

TEST(ScreenDevice, SixteenBitConversionRoundTrip) {
    EXPECT_EQ(PixelTo565(0x00FF0000), 0xF800);
    EXPECT_EQ(PixelFrom565(0xF800), 0x00F80000u);
    EXPECT_EQ(PixelTo565(0x0000FF00), 0x07E0);
    EXPECT_EQ(PixelTo565(0x000000FF), 0x001F);
    for (uint32_t v = 0; v < 0x10000; v += 97)
        EXPECT_EQ(PixelTo565(PixelFrom565(uint16_t(v))), v);
}

TEST(ScreenDevice, PixelModesOutsideTheTableChangeNothing) {
    ImageTable images;
    ScreenDevice screen(&images);
    EXPECT_EQ(screen.PixelFormat(), (std::array<uint32_t, 3>{2, 512, 2}));
    screen.SetPixelMode(4096);
    EXPECT_EQ(screen.PixelFormat(), (std::array<uint32_t, 3>{1, 256, 8}));
    screen.SetPixelMode(3);
    EXPECT_EQ(screen.PixelFormat(), (std::array<uint32_t, 3>{1, 256, 8}));
    EXPECT_EQ(screen.SetRefreshMode(2), kEngineOk);
}

TEST(ScreenDevice, ImageBackgroundIsScaledToTheScreenAndCanBeCached) {
    ImageTable images;
    AddTestImages(images);
    for (uint32_t flags : {0u, 1u}) {
        ScreenDevice screen(&images);
        screen.Create(20, 15);
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

TEST(ScreenDevice, BackgroundOffsetBeyondTheImageIsRefused) {
    ImageTable images;
    AddTestImages(images);
    ScreenDevice screen(&images);
    screen.Create(20, 15);
    EXPECT_EQ(screen.CreateFromImage(10, 41, 0, 10, 10, 0), 0);
    EXPECT_EQ(screen.CreateFromImage(99, 0, 0, 10, 10, 0), 0);
    EXPECT_EQ(screen.backgroundMode(), kBackFill);
}

DrawRecord RecordAt(int32_t x, int32_t y, int32_t w, int32_t h, int32_t depth = 0) {
    DrawRecord r;
    r.x = x, r.y = y, r.width = w, r.height = h, r.depth = depth;
    return r;
}

TEST(ScreenDevice, LayerZeroItemsAreNeverDrawnNorHit) {
    ImageTable images;
    AddTestImages(images);
    ScreenDevice screen(&images);
    screen.Create(20, 20);
    ImagePayload payload;
    payload.imageId = 1, payload.srcW = 12, payload.srcH = 9;
    DrawRecord rec = RecordAt(10, 10, 12, 9);
    const uint32_t item = screen.AddLayerItem(0, 77, &rec, 1.0, 1, &payload);
    screen.UpdateLayerItem(0, item, kItemShow, 1.0, rec);
    screen.SetItemHitTest(0, item, 1);
    platform::Surface target(20, 20);
    screen.InvalidateAll();
    screen.Present(0, target);
    EXPECT_EQ(target.At(10, 10), 0xFF000000u);
    EXPECT_EQ(screen.HitTest(10, 10), 0u);
}

class CountingPayload : public SelfDrawnPayload {
  public:
    CountingPayload() : SelfDrawnPayload(kKindPool) {}
    void Draw(const DrawContext& context, const DrawRecord&, double) const override {
        ++calls;
        lastNow = context.now;
        FillOne(context);
    }
    static void FillOne(const DrawContext& c) {
        if (c.clip.IsEmpty()) return;
        platform::StoreLE32(
            c.surface.pixels + (size_t(c.clip.top) * c.surface.width + c.clip.left) * 4,
            0xFFABCDEF);
    }
    mutable int calls = 0;
    mutable uint32_t lastNow = 0;
};

TEST(ScreenDevice, ClonesAndSelfDrawnKindsAreDrawn) {
    ImageTable images;
    AddTestImages(images);
    ScreenDevice screen(&images);
    screen.Create(40, 40);
    ImagePayload image;
    image.imageId = 1, image.srcW = 12, image.srcH = 9;
    DrawRecord a = RecordAt(8, 8, 12, 9);
    const uint32_t ia = screen.AddLayerItem(1, 1, &a, 1.0, 1, &image);
    screen.UpdateLayerItem(1, ia, kItemShow, 1.0, a);
    ClonePayload clone;
    clone.item = ia, clone.layer = 1;
    DrawRecord b = RecordAt(28, 28, 12, 9);
    const uint32_t ib = screen.AddLayerItem(2, 2, &b, 1.0, 1, &clone);
    screen.UpdateLayerItem(2, ib, kItemShow, 1.0, b);
    CountingPayload pool;
    DrawRecord c = RecordAt(30, 5, 4, 4);
    const uint32_t ic = screen.AddLayerItem(3, 3, &c, 1.0, 1, &pool);
    screen.UpdateLayerItem(3, ic, kItemShow, 1.0, c);
    // A clone of itself draws nothing and does not recurse.
    ClonePayload self;
    DrawRecord d = RecordAt(5, 35, 4, 4);
    const uint32_t id = screen.AddLayerItem(4, 4, &d, 1.0, 1, &self);
    self.item = id, self.layer = 4;
    screen.UpdateLayerItem(4, id, kItemShow, 1.0, d);

    platform::Surface target(40, 40);
    screen.InvalidateAll();
    ASSERT_EQ(screen.Present(1234, target), 0);
    // Item a's top-left pixel (8 - 6, 8 - 5) and the clone's.
    EXPECT_EQ(target.At(2, 3), 0xFF000000u);
    EXPECT_EQ(target.At(2 + 11, 3 + 8), 0xFF000000u | 220 << 16 | 200);
    EXPECT_EQ(target.At(22 + 11, 23 + 8), 0xFF000000u | 220 << 16 | 200);
    EXPECT_GE(pool.calls, 1);
    EXPECT_EQ(pool.lastNow, 1234u);
    EXPECT_EQ(target.At(28, 3), 0xFFABCDEFu);
}

// ---- Property: an incremental present equals a full redraw ------------------

struct SceneItem {
    int layer;
    uint32_t entity;
    uint32_t item[2];
    DrawRecord record[2];
    std::unique_ptr<EntityPayload> payload;
    double opacity = 1.0;
    bool visible = true;
};

class Scene {
  public:
    Scene(ImageTable* images, int32_t w, int32_t h) : incremental_(images), full_(images) {
        for (ScreenDevice* s : {&incremental_, &full_})
            s->Create(w, h);
        full_.SetFullRedraw(1);
    }
    ScreenDevice& device(int i) { return i ? full_ : incremental_; }

    void Add(std::mt19937& rng, uint32_t entity, int layer, const DrawRecord& r,
             std::unique_ptr<EntityPayload> payload) {
        auto it = std::make_unique<SceneItem>();
        it->layer = layer;
        it->entity = entity;
        it->payload = std::move(payload);
        it->opacity = std::uniform_int_distribution<int>(0, 4)(rng) == 0 ? 0.6 : 1.0;
        for (int i = 0; i < 2; ++i) {
            it->record[i] = r;
            it->item[i] = device(i).AddLayerItem(layer, entity, &it->record[i], it->opacity, 1,
                                                 it->payload.get());
            device(i).UpdateLayerItem(layer, it->item[i], kItemShow, it->opacity, r);
        }
        items_.push_back(std::move(it));
    }
    void Move(size_t k, const DrawRecord& r) {
        SceneItem& it = *items_[k];
        for (int i = 0; i < 2; ++i) {
            it.record[i] = r;
            device(i).UpdateLayerItem(it.layer, it.item[i], kItemKeepVisibility, it.opacity, r);
        }
    }
    void SetState(size_t k, bool visible, double opacity) {
        SceneItem& it = *items_[k];
        it.visible = visible;
        it.opacity = opacity;
        for (int i = 0; i < 2; ++i)
            device(i).SetLayerItemState(it.layer, it.item[i], visible ? kItemShow : kItemHide,
                                        opacity);
    }
    void Remove(size_t k) {
        SceneItem& it = *items_[k];
        for (int i = 0; i < 2; ++i)
            device(i).RemoveLayerItem(it.layer, it.item[i]);
        items_.erase(items_.begin() + ptrdiff_t(k));
    }
    size_t size() const { return items_.size(); }
    const SceneItem& at(size_t k) const { return *items_[k]; }

  private:
    ScreenDevice incremental_, full_;
    std::vector<std::unique_ptr<SceneItem>> items_;
};

DrawRecord RandomRecord(std::mt19937& rng, int32_t w, int32_t h) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    DrawRecord r =
        RecordAt(pick(-10, w + 10), pick(-10, h + 10), pick(1, 30), pick(1, 30), pick(0, 5));
    const int turn = pick(0, 5);
    if (turn == 1) r.angle = pick(1, 359);
    if (turn == 2) r.angle = 0.5;          // unrotated for opaque images, turned for alpha ones
    if (pick(0, 6) == 0) r.flags |= 0x20;  // smooth
    if (pick(0, 6) == 0) {
        r.flags |= kDrawClip;
        r.clip = {pick(0, w / 2), pick(0, h / 2), pick(w / 2, w), pick(h / 2, h)};
    }
    return r;
}

std::unique_ptr<EntityPayload> RandomPayload(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto p = std::make_unique<ImagePayload>();
    p->imageId = uint32_t(pick(1, 3));
    p->srcW = 12, p->srcH = 14;
    if (pick(0, 5) == 0) p->backColor = 0x00FF00;
    return p;
}

class ScreenDeviceProperty : public ::testing::TestWithParam<int> {};

TEST_P(ScreenDeviceProperty, IncrementalPresentEqualsFullRedraw) {
    ImageTable images;
    AddTestImages(images);
    constexpr int32_t kW = 96, kH = 72;
    std::mt19937 rng(uint32_t(GetParam()) * 7919u + 1);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Scene scene(&images, kW, kH);
    if (GetParam() % 2) {
        for (int i = 0; i < 2; ++i)
            scene.device(i).CreateFromImage(10, 0, 0, 40, 30, uint32_t(GetParam() % 4 == 1));
    } else {
        for (int i = 0; i < 2; ++i)
            scene.device(i).SetFillColor(0x336699);
    }
    uint32_t nextEntity = 1;
    for (int i = 0; i < 12; ++i)
        scene.Add(rng, nextEntity++, pick(1, 4), RandomRecord(rng, kW, kH), RandomPayload(rng));
    platform::Surface a(kW, kH), b(kW, kH);
    for (int i = 0; i < 2; ++i)
        scene.device(i).InvalidateAll();
    for (int step = 0; step < 120; ++step) {
        const int op = pick(0, 9);
        if (op < 5 && scene.size()) {
            const size_t k = size_t(pick(0, int(scene.size()) - 1));
            DrawRecord r = scene.at(k).record[0];
            if (pick(0, 2) == 0) {
                r = RandomRecord(rng, kW, kH);
            } else {
                r.x += pick(-6, 6), r.y += pick(-6, 6);
            }
            scene.Move(k, r);
        } else if (op == 5 && scene.size()) {
            const size_t k = size_t(pick(0, int(scene.size()) - 1));
            scene.SetState(k, pick(0, 1) != 0, pick(0, 3) == 0 ? 0.4 : 1.0);
        } else if (op == 6 && scene.size() > 2) {
            scene.Remove(size_t(pick(0, int(scene.size()) - 1)));
        } else if (op == 7) {
            scene.Add(rng, nextEntity++, pick(1, 4), RandomRecord(rng, kW, kH), RandomPayload(rng));
        } else if (op == 8) {
            const int l = pick(-5, kW), t = pick(-5, kH);
            for (int i = 0; i < 2; ++i)
                scene.device(i).InvalidateRect(l, t, l + pick(0, 30), t + pick(0, 30));
        }
        scene.device(0).Present(uint32_t(step), a);
        scene.device(1).Present(uint32_t(step), b);
        ASSERT_EQ(a, b) << "step " << step << " op " << op;
    }
    (void)Whole(a);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ScreenDeviceProperty, ::testing::Range(0, 8));

}  // namespace
}  // namespace engine
