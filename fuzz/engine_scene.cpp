// Random sequences of entity and layer operations, as scripts can order
// them: nothing may crash, overrun, hang or leave a pointer dangling.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "engine/entity.h"
#include "engine/layer_stack.h"
#include "platform/bytes.h"

namespace {

using namespace engine;

class Solid : public EntityPayload {
  public:
    Solid(uint32_t kind, int32_t w, int32_t h) : EntityPayload(kind), w_(w), h_(h) {}
    bool HitPixel(int32_t lx, int32_t ly) const override {
        return lx >= 0 && ly >= 0 && lx < w_ && ly < h_;
    }

  private:
    int32_t w_, h_;
};

class Drawable : public Entity {
  public:
    Drawable() : Entity(kKindImage) {}
    bool CreatePayload() override {
        SetPayload(std::make_unique<Solid>(GetKind(), GetWidth(), GetHeight()));
        return true;
    }
};

double Angle(platform::ByteReader& in) {
    double d;
    const uint64_t bits = in.U64();
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

int32_t Small(platform::ByteReader& in) {
    return int32_t(int16_t(in.U16()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ByteReader in(std::span<const uint8_t>(data, size));
    LayerStack screen;
    const int32_t width = 1 + in.U8() * 4, height = 1 + in.U8() * 4;
    for (int l = 0; l < kLayerCount; ++l) {
        LayerView v;
        v.halfWidth = width / 2;
        v.halfHeight = height / 2;
        v.centreX = width / 2;
        v.centreY = height / 2;
        v.screenWidth = width;
        v.screenHeight = height;
        screen.Layer(l)->SetView(v);
    }
    std::vector<std::unique_ptr<Entity>> pool(16);
    uint32_t lastId = 0;
    std::vector<Rect> rects;
    for (int steps = 0; steps < 4000 && in.remaining() > 0; ++steps) {
        const uint8_t op = in.U8();
        auto& slot = pool[in.U8() % pool.size()];
        Entity* other = pool[in.U8() % pool.size()].get();
        Entity* e = slot.get();
        switch (op % 20) {
            case 0: {
                slot.reset();  // its destructor releases it
                if (in.U8() & 1) {
                    auto d = std::make_unique<Drawable>();
                    d->Init(Small(in), Small(in), Small(in), Small(in), 0.0, Small(in), 1, 1.0);
                    if (in.U8() & 1) d->CreatePayload();
                    slot = std::move(d);
                } else {
                    slot = std::make_unique<Entity>();
                    slot->Init(Small(in), Small(in), Small(in), Small(in), Angle(in), Small(in),
                               in.U8() & 1, 1.0);
                }
                slot->SetId(++lastId);
                break;
            }
            case 1:
                if (e) e->SetLayer(&screen, in.U8() % 7 - 1);
                break;
            case 2:
                if (e) e->MoveBy(Small(in), Small(in));
                break;
            case 3:
                if (e) e->MoveTo(int32_t(in.U32()), int32_t(in.U32()));
                break;
            case 4:
                if (e) e->RotateBy(Angle(in));
                break;
            case 5:
                if (e) e->RotateAbout(Small(in), Small(in), Angle(in));
                break;
            case 6:
                if (e) e->SetSize(int32_t(in.U32()), Small(in));
                break;
            case 7:
                if (e) e->ScaleSize(Angle(in), Angle(in));
                break;
            case 8:
                if (e) e->SetDepth(int32_t(in.U32()));
                break;
            case 9:
                if (e) (in.U8() & 1) ? e->Show() : e->Hide();
                break;
            case 10:
                if (e) e->Update();
                break;
            case 11:
                if (e) e->AttachChild(other, in.U32());
                break;
            case 12:
                if (e && other) e->DetachChild(other->GetId());
                break;
            case 13:
                if (e) e->SetPickable(in.U8() & 1);
                break;
            case 14:
                if (e) e->SetSourceRect({Small(in), Small(in), Small(in), Small(in)});
                break;
            case 15:
                if (e) e->SetDrawFlags(in.U32());
                break;
            case 16:
                if (e) e->SetOpacity(Angle(in));
                break;
            case 17:
                screen.HitTest(Small(in), Small(in));
                break;
            case 18: {
                ScreenLayer* layer = screen.Layer(in.U8() % kLayerCount);
                rects.clear();
                layer->CollectDirtyRects(rects);
                layer->SelectRedraw(rects);
                layer->ClearSelection();
                break;
            }
            case 19: {
                const uint8_t which = in.U8();
                if (which & 1) {
                    screen.TopLayerSelect(which >> 1);
                } else if (which & 2) {
                    screen.TopLayerRemove(which >> 2);
                } else {
                    ScreenLayer* layer = screen.Layer(which % 3);
                    layer->SetViewCentre(Small(in), Small(in));
                }
                break;
            }
        }
    }
    return 0;
}
