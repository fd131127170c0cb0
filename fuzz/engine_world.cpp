// Random sequences of what scenes and scripts ask of the engine: entities of
// every kind made, linked and deleted, controls, buttons, button frames and
// notices bound and removed, messages in every mode, timed actions and their
// commands, input and frames under a test clock. Nothing may crash, overrun,
// hang or leave a pointer dangling.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/advanced_button.h"
#include "engine/anim_entity.h"
#include "engine/apply_steps.h"
#include "engine/button_frame.h"
#include "engine/engine_clock.h"
#include "engine/game_engine.h"
#include "engine/image_entity.h"
#include "engine/particle_entity.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "platform/bytes.h"
#include "platform/clock.h"

namespace {

using namespace engine;

struct Payloadish {
    int value = 0;
};

int32_t Small(platform::ByteReader& in) {
    return int32_t(int16_t(in.U16()));
}

// An id near the ones in use, or any id.
uint32_t SomeId(platform::ByteReader& in, uint32_t last) {
    const uint8_t b = in.U8();
    return b < 200 ? (last ? b % (last + 2) : 0) : in.U32();
}

class Scene : public GameEngine {
  public:
    using GameEngine::GameEngine;
    int OnMessage(uint32_t code, platform::Payload&, uint32_t) override {
        // A handler that queues again must not keep the pump going.
        if (code % 7 == 0) GetWorld().PostMessage(code);
        return 1;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ManualClock clock(int64_t(0xFFFF0000) * 1000);
    platform::ScopedClock scoped(clock);
    ResourceManager resources;
    resources.SetFailHandler([](const std::string&) {});
    Scene engine(resources);
    engine.BeginSystem();
    engine.InitScreen(160, 120);
    World& world = engine.GetWorld();
    platform::ByteReader in({data, size});
    uint32_t lastEntity = 0, lastControl = 0;
    for (int op = 0; op < 400 && in.remaining() > 0; ++op) {
        const uint8_t kind = in.U8();
        Entity* e = world.FindEntity(SomeId(in, lastEntity));
        switch (kind % 28) {
            case 0:
                if (Entity* made = engine.CreateImageEntity(in.U8() % 6, Small(in), Small(in), 0, 0,
                                                            0, in.U8(), in.U8(), kNoBlendColor))
                    lastEntity = made->GetId();
                break;
            case 1:
                if (Entity* made = engine.CreateTextEntity(in.U8() % 6, Small(in), Small(in),
                                                           in.U8() % 64, in.U8() % 64, in.U32()))
                    lastEntity = made->GetId();
                break;
            case 2:
                world.DeleteEntity(SomeId(in, lastEntity));
                break;
            case 3:
                world.AddChildEntity(SomeId(in, lastEntity), SomeId(in, lastEntity), in.U32());
                break;
            case 4:
                if (ControlRecord* c = world.RequestControl(SomeId(in, lastEntity), in.U8()))
                    lastControl = c->id;
                break;
            case 5:
                if (ControlRecord* c = world.GetControl(SomeId(in, lastControl)))
                    c->SetEvent(
                        in.U8() % 32, int32_t(in.U8()) - 20, SomeId(in, lastControl),
                        in.U8() & 1 ? platform::Payload::Make<Payloadish>() : platform::Payload());
                break;
            case 6:
                world.RemoveControl(SomeId(in, lastControl));
                break;
            case 7:
                world.SendMessageTo(SomeId(in, lastControl), in.U8(),
                                    platform::Payload::Make<Payloadish>(), in.U8() % 3);
                break;
            case 8:
                engine.ApplyMove(e, in.U8() % 4, Small(in) * 8, Small(in) * 8, Small(in), Small(in),
                                 Small(in), in.U8() / 16.0, in.U8(), in.U8(),
                                 platform::Payload::Make<Payloadish>(), SomeId(in, lastControl),
                                 in.U8() & 1);
                break;
            case 9:
                engine.ApplyFade(e, Small(in) / 100.0, in.U8() / 100.0, in.U8() % 4, in.U8(),
                                 in.U8(), {}, in.U8() & 1, 0);
                break;
            case 10:
                engine.ApplyResize(e, Small(in), Small(in), Small(in), Small(in), Small(in),
                                   Small(in), in.U8() % 4, in.U8(), in.U8(), {}, 0);
                break;
            case 11:
                engine.ApplyFrames(e, in.U8() % 5, Small(in), in.U8(), in.U8() % 4, in.U8());
                break;
            case 12: {
                ApplyTiming t =
                    MakeApplyTiming(in.U8(), in.U8(), platform::Payload::Make<Payloadish>(),
                                    SomeId(in, lastControl));
                t.t[1] = in.U8() % 8;
                engine.AddApply(0, std::move(t), StepRepeat, in.U8() % 4, 0, 0, 2);
                break;
            }
            case 13:
                engine.ApplyOnce(e, in.U8() % 4, SomeId(in, lastControl), in.U8());
                break;
            case 14:
                engine.PostEvent(SomeId(in, lastEntity), in.U8() % 8, in.U8() % 3);
                break;
            case 15:
                world.PushCommand(in.U16(), in.U8(), in.U8(), in.U16());
                break;
            case 16:
                engine.OnMouseMove(0, Small(in) % 200, Small(in) % 200);
                break;
            case 17: {
                const uint8_t b = in.U8();
                const int32_t x = in.U8(), y = in.U8();
                if (b & 1) engine.OnLButtonDown(0, x, y);
                if (b & 2) engine.OnLButtonUp(0, x, y);
                if (b & 4) engine.OnRButtonDown(0, x, y);
                if (b & 8) engine.OnRButtonUp(0, x, y);
                if (b & 16) engine.OnMouseWheel(0, int8_t(b), x, y);
                if (b & 32) engine.OnKeyDown(b, 0, 0);
                if (b & 64) engine.OnKeyUp(b, 0, 0);
                if (b & 128) engine.OnMouseLeave();
                break;
            }
            case 18:
                engine.Tick();
                break;
            case 19:
                clock.AdvanceMillis(in.U16() % 2000);
                engine.Frame();
                break;
            case 20: {
                platform::Payload p;
                switch (in.U8() % 4) {
                    case 0:
                        p = platform::Payload::Make<EntityRef>(EntityRef{SomeId(in, lastEntity)});
                        break;
                    case 1:
                        p = platform::Payload::Make<ControlRef>(
                            ControlRef{SomeId(in, lastControl)});
                        break;
                    case 2:
                        p = platform::Payload::Make<MouseState>(MouseState{});
                        p.Get<MouseState>()->hoveredControl = SomeId(in, lastControl);
                        break;
                    default:
                        p = platform::Payload::Make<std::string>(std::string(in.U8() % 40, 'x'));
                }
                world.PostMessage(31 + in.U8() % 66, std::move(p));
                break;
            }
            case 21:
                engine.PumpMessages();
                break;
            case 22:
                if (e) engine.MoveEntity(e, Small(in), Small(in));
                break;
            case 23:
                engine.HighlightControl(world.GetControl(SomeId(in, lastControl)), in.U8() & 1);
                break;
            case 24:
                if (AnimEntity* anim = engine.CreateAnimEntity(
                        in.U8() % 6, Small(in), Small(in),
                        MakeUniformStrip(in.U8() % 3, in.U8() % 40, in.U8() % 40, in.U8() % 6,
                                         in.U8() % 4 * 50))) {
                    lastEntity = anim->GetId();
                    if (in.U8() & 1) anim->Play();
                    anim->Advance(EngineClock::Now() + in.U16());
                }
                break;
            case 25:
                if (ParticleEntity* sparks = engine.CreateParticleEntity(
                        in.U8() % 6, Small(in), Small(in), in.U8() % 3, 0, 0, in.U8() % 16,
                        in.U8() % 16, int8_t(in.U8()), Small(in))) {
                    lastEntity = sparks->GetId();
                    if (in.U8() & 1)
                        sparks->UseRisingParticles({in.U8() % 3, 0, in.U8() % 3, 0, 1});
                    engine.ApplyParticles(sparks, in.U8() % 4, in.U8(), {}, in.U8() & 1);
                }
                break;
            case 26:
                if (in.U8() & 1) {
                    auto* button = engine.CreateButton<AdvancedButton>();
                    if (button->Create(in.U8(), Small(in), Small(in), in.U8() % 80, in.U8() % 40,
                                       in.U8() & 1))
                        lastControl = button->GetControlId();
                    button->SetHotKey(in.U8());
                    button->BindEvent(kEvKeyDown, 0, button);
                } else {
                    engine.ShowNotice(std::string(in.U8() % 30, 'n'), in.U8() % 16, in.U16(),
                                      kCentre, kCentre, 100, 80, in.U8(), in.U8(),
                                      SomeId(in, lastControl));
                }
                break;
            default: {
                ButtonFrame* frame = engine.CreateButtonFrame(in.U8() % 6, nullptr, in.U8() % 4);
                const FrameDefinition bar{{1, 0, 0, in.U8() % 20, 10, 0},
                                          {1, 0, 0, in.U8() % 20, 10, 0},
                                          {1, 0, 0, in.U8() % 40, 10, 0}};
                frame->SetButtonCount(in.U8() % 6, &bar, in.U8() % 2);
                frame->OnButton(in.U8() % 8, SomeId(in, lastControl));
                frame->BindEvent(kEvEnter, kEvEnter, frame);
                frame->BindEvent(kEvLeave, kEvLeave, frame);
                lastControl = frame->GetControlId();
                break;
            }
        }
    }
    clock.AdvanceMillis(30);
    engine.Frame();
    engine.EndSystem();
    return 0;
}
