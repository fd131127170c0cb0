// The entity group: changing, reading, binding and drawing into entities.

#include <algorithm>
#include <functional>

#include "engine/apply_steps.h"
#include "engine/game_engine.h"
#include "engine/image_entity.h"
#include "engine/text_entity.h"
#include "script/bridge/command_words.h"
#include "script/bridge/commands.h"
#include "script/interpreter.h"
#include "script/status.h"

namespace script {
namespace {

constexpr uint32_t kKeyColour = 0xFF00FF;

// The handed values of a command, read as numbers or text.
class Args {
  public:
    explicit Args(const ScriptContext& context) : context_(context) {}
    size_t size() const { return context_.ArgCount(); }
    int32_t Int(size_t i) const { return context_.GetArg(i).ToInt(); }
    uint32_t UInt(size_t i) const { return uint32_t(Int(i)); }
    double Float(size_t i) const { return context_.GetArg(i).ToFloat(); }
    const std::string& Text(size_t i) const { return context_.args[i].Text(); }

  private:
    const ScriptContext& context_;
};

// A sub-command of "操作实体": its word, the values it takes and what it does.
struct EntityStep {
    std::string_view word;
    size_t count;
    std::function<void(engine::Entity&, const Args&, size_t)> apply;
};

const std::vector<EntityStep>& EntitySteps() {
    using engine::Entity;
    static const std::vector<EntityStep> steps = {
        {cw::kPosition, 2,
         [](Entity& e, const Args& a, size_t i) { e.MoveTo(a.Int(i), a.Int(i + 1)); }},
        {cw::kShift, 2,
         [](Entity& e, const Args& a, size_t i) { e.MoveBy(a.Int(i), a.Int(i + 1)); }},
        {cw::kShow, 0, [](Entity& e, const Args&, size_t) { e.Show(); }},
        {cw::kHide, 0, [](Entity& e, const Args&, size_t) { e.Hide(); }},
        {cw::kBlend, 1, [](Entity& e, const Args& a, size_t i) { e.SetScale(a.Float(i)); }},
        {cw::kDepth, 1, [](Entity& e, const Args& a, size_t i) { e.SetDepth(a.Int(i)); }},
        {cw::kDepthBy, 1, [](Entity& e, const Args& a, size_t i) { e.ShiftDepth(a.Int(i)); }},
        {cw::kAngle, 1, [](Entity& e, const Args& a, size_t i) { e.SetRotation(a.Float(i)); }},
        {cw::kTurn, 1, [](Entity& e, const Args& a, size_t i) { e.RotateBy(a.Float(i)); }},
        {cw::kTurnAbout, 3,
         [](Entity& e, const Args& a, size_t i) {
             e.SetSizeRotated(a.Int(i), a.Int(i + 1), a.Float(i + 2));
         }},
        {cw::kSize, 2,
         [](Entity& e, const Args& a, size_t i) { e.SetSize(a.Int(i), a.Int(i + 1)); }},
        {cw::kGrow, 2, [](Entity& e, const Args& a, size_t i) { e.Grow(a.Int(i), a.Int(i + 1)); }},
    };
    return steps;
}

int Fail(ScriptInterpreter& interpreter, ScriptContext& context, int code) {
    return interpreter.ReportCallFailure(context, code);
}

std::string Decimal(double v) {
    return ScriptValue::FromFloat(v).Text();
}

bool PlaneSideAllowed(int32_t w, int32_t h) {
    return w >= 1 && h >= 1 && w <= kMaxPlaneSide && h <= kMaxPlaneSide;
}

engine::ImageRef RefOf(const engine::FrameRect& r) {
    return {r.imageId, r.x, r.y, r.width, r.height};
}

}  // namespace

int EntityCommands::Call(ScriptInterpreter& interpreter, ScriptContext& context) {
    const std::string_view name = context.calledName.Text();
    const bool known = name == cw::kOperateEntity || name == cw::kReadEntity ||
                       name == cw::kBindEntity || name == cw::kUnbind || name == cw::kPaste ||
                       name == cw::kOperatePicture || name == cw::kOperatePlane;
    if (!known) return kStatusUnknown;
    const Args a(context);
    if (a.size() < 2) return Fail(interpreter, context, kFailTooFewArgs);
    const uint32_t id = a.UInt(0);
    engine::Entity* entity = engine_.GetEntity(id);
    if (!entity) return Fail(interpreter, context, kFailRefused);

    if (name == cw::kOperateEntity) {
        for (size_t i = 1; i < a.size();) {
            const std::string& word = a.Text(i);
            // Nothing comes after a deletion: the entity is gone.
            if (word == cw::kDelete) {
                engine_.GetWorld().DeleteEntity(id);
                return kStatusNext;
            }
            const auto& steps = EntitySteps();
            auto step = std::find_if(steps.begin(), steps.end(),
                                     [&](const EntityStep& s) { return s.word == word; });
            if (step == steps.end()) return Fail(interpreter, context, kFailBadArgument);
            if (i + 1 + step->count > a.size()) return Fail(interpreter, context, kFailTooFewArgs);
            step->apply(*entity, a, i + 1);
            i += 1 + step->count;
        }
        entity->Update();
        return kStatusNext;
    }

    if (name == cw::kReadEntity) {
        std::string text;
        auto add = [&](const std::string& field) {
            if (!text.empty()) text += ',';
            text += field;
        };
        for (size_t i = 1; i < a.size(); ++i) {
            const std::string& word = a.Text(i);
            if (word == cw::kPosition) {
                add(std::to_string(entity->GetX()) + "," + std::to_string(entity->GetY()));
            } else if (word == cw::kLeft) {
                add(std::to_string(entity->GetLeft()));
            } else if (word == cw::kRight) {
                add(std::to_string(entity->GetRight()));
            } else if (word == cw::kTop) {
                add(std::to_string(entity->GetTop()));
            } else if (word == cw::kBottom) {
                add(std::to_string(entity->GetBottom()));
            } else if (word == cw::kWidth) {
                add(std::to_string(entity->GetWidth()));
            } else if (word == cw::kHeight) {
                add(std::to_string(entity->GetHeight()));
            } else if (word == cw::kShow) {
                add(entity->IsVisible() ? "TRUE" : "FALSE");
            } else if (word == cw::kBlend) {
                add(Decimal(entity->GetScale()));
            } else if (word == cw::kDepth) {
                add(std::to_string(entity->GetLayerIndex()));
            } else if (word == cw::kAngle) {
                add(Decimal(entity->GetAngle()));
            } else if (word == cw::kParent) {
                const engine::Entity* parent = entity->GetAttachedTo();
                add(std::to_string(parent ? parent->GetId() : 0));
            } else if (word == cw::kKind) {
                add(std::to_string(entity->GetKind()));
            } else if (word == cw::kChild) {
                if (i + 1 >= a.size()) return Fail(interpreter, context, kFailTooFewArgs);
                const int32_t n = a.Int(++i);
                const uint32_t child = n >= 0 ? entity->GetChildId(uint32_t(n)) : 0;
                if (child == 0) return Fail(interpreter, context, kFailRefused);
                add(std::to_string(child));
            } else {
                return Fail(interpreter, context, kFailBadArgument);
            }
        }
        context.ClearArgs();
        context.SplitArgs(text);
        return kStatusNext;
    }

    if (name == cw::kBindEntity) {
        engine::Entity* child = engine_.GetEntity(a.UInt(1));
        if (!child) return Fail(interpreter, context, kFailRefused);
        uint32_t flags = a.size() == 2 ? cw::kStandardBinding : 0;
        for (size_t i = 2; i < a.size(); ++i) {
            const auto* bind =
                std::find_if(std::begin(cw::kBindWords), std::end(cw::kBindWords),
                             [&](const cw::BindWord& b) { return b.word == a.Text(i); });
            if (bind == std::end(cw::kBindWords))
                return Fail(interpreter, context, kFailBadArgument);
            flags |= bind->bits;
        }
        // Refused for the entity itself or one of its parents: the changes
        // would go round for ever.
        if (entity->AttachChild(child, flags) == 0) return Fail(interpreter, context, kFailRefused);
        return kStatusNext;
    }

    if (name == cw::kUnbind) {
        for (size_t i = 1; i < a.size(); ++i)
            engine_.GetWorld().RemoveChildEntity(id, a.UInt(i));
        return kStatusNext;
    }

    if (name == cw::kPaste) {
        auto* plane = dynamic_cast<engine::TextEntity*>(entity);
        if (!plane) return Fail(interpreter, context, kFailRefused);
        const uint32_t frame = a.size() >= 3 ? a.UInt(2) : 0;
        const int32_t x = a.size() >= 5 ? a.Int(3) : 0, y = a.size() >= 5 ? a.Int(4) : 0;
        const int32_t w = a.size() >= 7 ? a.Int(5) : 0, h = a.size() >= 7 ? a.Int(6) : 0;
        plane->DrawImage(x, y, RefOf(engine_.GetFrameRectByName(a.Text(1), frame)), w, h, 0.0, 1.0,
                         engine::kNoBlendColor);
        return kStatusNext;
    }

    if (name == cw::kOperatePicture) {
        auto* picture = dynamic_cast<engine::ImageEntity*>(entity);
        if (!picture) return Fail(interpreter, context, kFailRefused);
        const std::string& word = a.Text(1);
        if (word == cw::kNextFrame) {
            picture->SetFrame(picture->GetFrame() + (a.size() > 2 ? a.UInt(2) : 1));
        } else if (word == cw::kJumpFrame) {
            picture->SetFrame(a.size() > 2 ? a.UInt(2) : 1);
        } else if (word == cw::kLoad) {
            if (a.size() < 4) return Fail(interpreter, context, kFailTooFewArgs);
            const engine::FrameRect r = engine_.GetFrameRectByName(a.Text(2), a.UInt(3));
            picture->Init(r.imageId, r.x, r.y, r.width, r.height, kKeyColour);
        } else if (word == cw::kBackColor) {
            if (a.size() < 3) return Fail(interpreter, context, kFailTooFewArgs);
            picture->SetBackColor(a.UInt(2));
        } else if (word == cw::kPlay) {
            int32_t mode = engine::kFramesByPasses;
            int32_t count = -1;
            if (a.size() >= 4) {
                const std::string& how = a.Text(2);
                const int32_t n = a.Int(3);
                if (how == cw::kByTime) {
                    mode = engine::kFramesByTime;
                    count = n;
                } else if (how == cw::kByFrames) {
                    mode = engine::kFramesOneByOne;
                    count = n;
                } else if (how == cw::kByPasses) {
                    count = n;
                }
            }
            engine_.ApplyFrames(picture, mode, count, picture->GetFrame(), 0, 0);
        } else {
            return Fail(interpreter, context, kFailBadArgument);
        }
        picture->Update();
        return kStatusNext;
    }

    // "操作平面"
    auto* plane = dynamic_cast<engine::TextEntity*>(entity);
    if (!plane) return Fail(interpreter, context, kFailRefused);
    for (size_t i = 1; i < a.size();) {
        const std::string& word = a.Text(i);
        auto need = [&](size_t n) { return i + 1 + n <= a.size(); };
        if (word == cw::kSize) {
            if (!need(2)) return Fail(interpreter, context, kFailTooFewArgs);
            const int32_t w = a.Int(i + 1), h = a.Int(i + 2);
            if (!PlaneSideAllowed(w, h) || !made_.Resize(id, uint64_t(w) * uint64_t(h)))
                return Fail(interpreter, context, kFailRefused);
            plane->Resize(w, h);
            plane->SetSize(w, h);
            i += 3;
        } else if (word == cw::kGround || word == cw::kBackColor || word == cw::kBorder) {
            if (!need(1)) return Fail(interpreter, context, kFailTooFewArgs);
            const uint32_t colour = a.UInt(i + 1);
            if (word == cw::kGround) plane->SetBackColor(colour);
            if (word == cw::kBackColor) plane->SetColor(colour);
            if (word == cw::kBorder) plane->DrawFrame(colour);
            i += 2;
        } else if (word == cw::kText) {
            if (!need(3)) return Fail(interpreter, context, kFailTooFewArgs);
            plane->SetText(a.Int(i + 1), a.Int(i + 2), a.Text(i + 3));
            i += 4;
        } else if (word == cw::kPaste) {
            if (!need(4)) return Fail(interpreter, context, kFailTooFewArgs);
            const engine::FrameRect r = engine_.GetFrameRectByName(a.Text(i + 3), a.UInt(i + 4));
            plane->DrawImage(a.Int(i + 1), a.Int(i + 2), RefOf(r), r.width, r.height, 0.0, 1.0,
                             engine::kNoBlendColor);
            i += 5;
        } else {
            return Fail(interpreter, context, kFailBadArgument);
        }
    }
    plane->Update();
    return kStatusNext;
}

}  // namespace script
