#include "script/basic_commands.h"

#include <algorithm>

#include "script/interpreter.h"
#include "script/keywords.h"
#include "script/status.h"

namespace script {

int CallBasicCommand(ScriptInterpreter& interpreter, ScriptContext& context) {
    std::string_view name = context.calledName.Text();
    ScriptHost& host = interpreter.Host();
    size_t argc = context.ArgCount();

    if (name == kw::kWait || name == kw::kWaitLatin) {
        if (argc < 1) return interpreter.ReportCallFailure(context, kFailTooFewArgs);
        int32_t ms = std::max(0, context.GetArg(0).ToInt());
        host.PostMessage(kMessageWaitExpired, context.id, static_cast<uint32_t>(ms));
        return kStatusSuspended;
    }
    if (name == kw::kRgb || name == kw::kColour || name == kw::kRgbLatin) {
        if (argc < 3) return interpreter.ReportCallFailure(context, kFailTooFewArgs);
        uint32_t r = uint32_t(context.GetArg(0).ToInt()) & 0xFF;
        uint32_t g = uint32_t(context.GetArg(1).ToInt()) & 0xFF;
        uint32_t b = uint32_t(context.GetArg(2).ToInt()) & 0xFF;
        context.ClearArgs();
        context.PushValue(ScriptValue::FromUInt(r + g * 256 + b * 65536));
        return kStatusNext;
    }
    if (name == kw::kRunScript || name == kw::kRunScriptLatin) {
        if (argc < 1) return interpreter.ReportCallFailure(context, kFailTooFewArgs);
        std::string script = context.GetArg(0).Text();
        std::string arguments;
        for (size_t i = 1; i < argc; ++i) {
            if (i > 1) arguments += ',';
            arguments += context.args[i].Text();
        }
        // The started script runs on its own; its outcome is not awaited.
        interpreter.CallScript(script, arguments);
        return kStatusNext;
    }
    if (name == kw::kScreenSize) {
        int32_t width = 0, height = 0;
        host.GetScreenSize(width, height);
        context.ClearArgs();
        context.PushValue(ScriptValue::FromInt(width));
        context.PushValue(ScriptValue::FromInt(height));
        return kStatusNext;
    }
    if (name == kw::kTimestamp) {
        if (argc < 1) return interpreter.ReportCallFailure(context, kFailTooFewArgs);
        host.WriteLog(std::to_string(static_cast<int32_t>(host.NowMillis())) + ":" +
                      context.GetArg(0).Text());
        return kStatusNext;
    }
    if (name == kw::kPlaySound) {
        if (argc < 1) return interpreter.ReportCallFailure(context, kFailTooFewArgs);
        host.PlaySoundByName(context.GetArg(0).Text());
        return kStatusNext;
    }
    return kStatusUnknown;
}

}  // namespace script
