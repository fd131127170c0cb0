// The create and resource groups, and the bounds on what scripts make.

#include <algorithm>

#include "engine/game_engine.h"
#include "engine/image_entity.h"
#include "engine/text_entity.h"
#include "script/bridge/command_words.h"
#include "script/bridge/commands.h"
#include "script/interpreter.h"
#include "script/status.h"

namespace script {
namespace {

constexpr int32_t kOffScreen = -100000;
constexpr int kDefaultLayer = 4;
constexpr uint32_t kKeyColour = 0xFF00FF;

int Fail(ScriptInterpreter& interpreter, ScriptContext& context, int code) {
    return interpreter.ReportCallFailure(context, code);
}

int Result(ScriptContext& context, uint32_t id) {
    context.ClearArgs();
    context.PushValue(ScriptValue::FromUInt(id));
    return kStatusNext;
}

// A resource path a script names stays below the program folder: nothing
// absolute, no drive, no way up.
bool IsSafeResourcePath(std::string_view path) {
    if (path.empty()) return true;
    if (path.front() == '/' || path.front() == '\\' || path.find(':') != std::string_view::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        if (path.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

uint64_t ScriptEntities::Prune() {
    uint64_t total = 0;
    for (auto it = pixels_.begin(); it != pixels_.end();) {
        if (!engine_.GetEntity(it->first)) {
            it = pixels_.erase(it);
            continue;
        }
        total += it->second;
        ++it;
    }
    return total;
}

bool ScriptEntities::Allows(uint64_t pixels) {
    const uint64_t total = Prune();
    return pixels_.size() < kMaxScriptEntities && total + pixels <= kMaxScriptPixels;
}

bool ScriptEntities::Resize(uint32_t id, uint64_t pixels) {
    auto it = pixels_.find(id);
    if (it == pixels_.end()) return true;  // not the script's own: the side bound holds
    const uint64_t total = Prune() - it->second;
    if (total + pixels > kMaxScriptPixels) return false;
    it->second = pixels;
    return true;
}

int CreateCommands::Call(ScriptInterpreter& interpreter, ScriptContext& context) {
    const std::string_view name = context.calledName.Text();
    const size_t argc = context.ArgCount();
    if (name == cw::kCreatePlane) {
        if (argc < 2) return Fail(interpreter, context, kFailTooFewArgs);
        const int32_t width = context.GetArg(0).ToInt(), height = context.GetArg(1).ToInt();
        const uint32_t colour = argc > 2 ? uint32_t(context.GetArg(2).ToInt()) : kKeyColour;
        const int layer = argc > 3 ? context.GetArg(3).ToInt() : kDefaultLayer;
        const uint64_t pixels = uint64_t(std::max(width, 0)) * uint64_t(std::max(height, 0));
        if (width < 1 || height < 1 || width > kMaxPlaneSide || height > kMaxPlaneSide ||
            !made_.Allows(pixels))
            return Fail(interpreter, context, kFailRefused);
        engine::TextEntity* plane =
            engine_.CreateTextEntity(layer, kOffScreen, kOffScreen, width, height, colour);
        if (!plane) return Fail(interpreter, context, kFailRefused);
        made_.Add(plane->GetId(), pixels);
        return Result(context, plane->GetId());
    }
    if (name == cw::kCreatePicture) {
        if (argc < 1) return Fail(interpreter, context, kFailTooFewArgs);
        const uint32_t frame = argc > 1 ? uint32_t(context.GetArg(1).ToInt()) : 0;
        const int layer = argc > 2 ? context.GetArg(2).ToInt() : kDefaultLayer;
        const engine::FrameRect rect = engine_.GetFrameRectByName(context.GetArg(0).Text(), frame);
        if (rect.imageId == 0 || !made_.Allows(0)) return Fail(interpreter, context, kFailRefused);
        engine::ImageEntity* picture =
            engine_.CreateImageEntityEx(layer, kOffScreen, kOffScreen, rect, kKeyColour);
        if (!picture) return Fail(interpreter, context, kFailRefused);
        made_.Add(picture->GetId(), 0);
        return Result(context, picture->GetId());
    }
    return kStatusUnknown;
}

int ResourceCommands::Call(ScriptInterpreter& interpreter, ScriptContext& context) {
    const std::string_view name = context.calledName.Text();
    const size_t argc = context.ArgCount();
    if (name == cw::kResourceFolder) {
        if (argc < 1) return Fail(interpreter, context, kFailTooFewArgs);
        const std::string folder = context.GetArg(0).Text();
        if (!IsSafeResourcePath(folder)) return Fail(interpreter, context, kFailBadArgument);
        engine_.GetAppDirFile(folder);
        return kStatusNext;
    }
    if (name == cw::kLoadOnDemand) {
        if (argc < 1) return Fail(interpreter, context, kFailTooFewArgs);
        for (size_t i = 0; i < argc; ++i) {
            const std::string file = context.GetArg(i).Text();
            if (!IsSafeResourcePath(file)) return Fail(interpreter, context, kFailBadArgument);
            engine_.LoadImageRes(file, kKeyColour, false);
        }
        return kStatusNext;
    }
    return kStatusUnknown;
}

}  // namespace script
