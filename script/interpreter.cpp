#include "script/interpreter.h"

#include <algorithm>
#include <vector>

#include "script/basic_commands.h"
#include "script/keywords.h"
#include "script/messages.h"
#include "script/preprocessor.h"
#include "script/readers.h"
#include "script/status.h"
#include "script/text_scan.h"

namespace script {
namespace {

// Keeps the count of nested runs.
class RunDepth {
  public:
    explicit RunDepth(int& depth) : depth_(depth) { ++depth_; }
    ~RunDepth() { --depth_; }
    RunDepth(const RunDepth&) = delete;
    RunDepth& operator=(const RunDepth&) = delete;

  private:
    int& depth_;
};

}  // namespace

ScriptInterpreter::ScriptInterpreter(ScriptHost& host) : host_(host) {}

ScriptInterpreter::~ScriptInterpreter() = default;

int32_t ScriptInterpreter::NextContextId() {
    // Ids stay positive; 0 means "none".
    lastId_ = lastId_ == INT32_MAX ? 1 : lastId_ + 1;
    return lastId_;
}

ScriptContext* ScriptInterpreter::FindContext(int32_t id) {
    auto it = running_.find(id);
    return it != running_.end() ? it->second.get() : nullptr;
}

const ScriptFunction* ScriptInterpreter::FindFunction(std::string_view name) const {
    auto it = functions_.find(name);
    return it != functions_.end() ? &it->second : nullptr;
}

void ScriptInterpreter::SetCommandGroup(CommandGroupKind kind, CommandGroup* group) {
    groups_[static_cast<int>(kind)] = group;
}

void ScriptInterpreter::ReportError(std::string_view text) {
    host_.ShowNotice(std::string(text));
}

int ScriptInterpreter::ReportCallFailure(ScriptContext& context, int code) {
    std::string_view script = context.GetScriptName().Text();
    std::string_view called = context.GetName().Text();
    std::string text;
    switch (code) {
        case kFailTooFewArgs:
            text = msg::FormatMessage(msg::kCallTooFewArgs, {script, called});
            break;
        case kFailRefused:
            text = msg::FormatMessage(msg::kCallFailed, {script, called});
            break;
        case kFailBadArgument:
            text = msg::FormatMessage(msg::kCallBadArgs, {script, called});
            break;
        case kFailInterrupted:
            text = msg::FormatMessage(msg::kCallInterrupted, {script});
            break;
        default:
            break;
    }
    ReportError(text);
    return kStatusError;
}

int ScriptInterpreter::CallExtension(ScriptContext&) {
    return kStatusUnknown;
}

int ScriptInterpreter::RunGroups(ScriptContext& context) {
    int status = CallBasicCommand(*this, context);
    if (status != kStatusUnknown) return status;
    static constexpr uint32_t kBits[] = {kCreateCommands, kEntityCommands, kResourceCommands};
    for (int i = 0; i < 3; ++i) {
        if (!(options_ & kBits[i]) || !groups_[i]) continue;
        status = groups_[i]->Call(*this, context);
        if (status != kStatusUnknown) return status;
    }
    return CallExtension(context);
}

ScriptContext* ScriptInterpreter::StartContext(const ScriptFunction& function,
                                               const ScriptContext* starter) {
    if (running_.size() >= maxContexts_) {
        std::string_view who = starter ? starter->name.Text() : function.templ.name.Text();
        ReportError(msg::FormatMessage(msg::kTooManyContexts, {who}));
        return nullptr;
    }
    auto context = std::make_unique<ScriptContext>(function.templ);
    context->id = NextContextId();
    context->globals = &globals_;
    ScriptContext* raw = context.get();
    running_[raw->id] = std::move(context);
    return raw;
}

void ScriptInterpreter::Abandon(int32_t id) {
    // A caller that waits for a failed callee can never resume: it fails too.
    while (id != 0) {
        auto it = running_.find(id);
        if (it == running_.end()) return;
        int32_t caller = it->second->caller;
        running_.erase(it);
        ScriptContext* waiting = FindContext(caller);
        if (!waiting || waiting->awaited != id) return;
        ReportCallFailure(*waiting, kFailInterrupted);
        id = caller;
    }
}

int ScriptInterpreter::Execute(ScriptContext& start) {
    if (runDepth_ == 0) stepsLeft_ = stepBudget_;
    RunDepth guard(runDepth_);
    ScriptContext* context = &start;
    if (runDepth_ > maxCallDepth_) {
        context->message = msg::FormatMessage(msg::kCallTooDeep, {context->name.Text()});
        context->status = kStatusError;
        ReportError(context->message);
        Abandon(context->id);
        return kStatusError;
    }
    context->active = true;
    for (;;) {
        int status;
        if (stepsLeft_ == 0) {
            context->message = msg::FormatMessage(msg::kStepBudget, {context->name.Text()});
            status = context->status = kStatusError;
        } else {
            --stepsLeft_;
            status = RunStatement(*context, limits_);
        }
        switch (status) {
            case kStatusError:
                ReportError(context->message);
                Abandon(context->id);
                return kStatusError;
            case kStatusCall: {
                int result = CallFunction(*context);
                if (result == kStatusSuspended || result == kStatusPassUp) {
                    context->active = false;
                    return result;
                }
                if (result == kStatusError) {
                    // Already reported where it happened.
                    context->status = kStatusError;
                    Abandon(context->id);
                    return kStatusError;
                }
                break;
            }
            case kStatusEnded: {
                int32_t id = context->id;
                ScriptContext* caller = FindContext(context->caller);
                if (caller) caller->SplitArgs(context->JoinArgs());
                running_.erase(id);
                if (!caller || caller->awaited != id) return kStatusEnded;
                // The caller waited for this callee: it resumes after its call.
                caller->awaited = 0;
                context = caller;
                context->active = true;
                break;
            }
            case kStatusPassUp:
                context->active = false;
                return kStatusPassUp;
            default:
                break;
        }
    }
}

int ScriptInterpreter::CallFunction(ScriptContext& context) {
    int status = RunGroups(context);
    if (status != kStatusUnknown) return status;
    const ScriptFunction* function = FindFunction(context.calledName.Text());
    if (!function) {
        ReportError(msg::FormatMessage(msg::kUnsupportedFunction,
                                       {context.name.Text(), context.calledName.Text()}));
        return kStatusError;
    }
    ScriptContext* callee = StartContext(*function, &context);
    if (!callee) return kStatusError;
    callee->ClearArgs();
    callee->SplitArgs(context.JoinArgs());
    context.ClearArgs();
    int32_t calleeId = callee->id;
    if (context.parallel > 0) {
        --context.parallel;
        host_.PostMessage(kMessageParallelStart, calleeId, 0);
        return kStatusNext;
    }
    callee->caller = context.id;
    status = Execute(*callee);  // may destroy the callee
    if (status == kStatusError) return kStatusError;
    if (status == kStatusSuspended) {
        context.awaited = calleeId;
        context.status = kStatusSuspended;
        return kStatusSuspended;
    }
    return kStatusNext;
}

int ScriptInterpreter::CallScript(std::string_view name, std::string_view argumentText) {
    const ScriptFunction* function = FindFunction(name);
    if (!function) {
        ReportError(msg::FormatMessage(msg::kMissingScript, {name}));
        return kStatusError;
    }
    ScriptContext* context = StartContext(*function, nullptr);
    if (!context) return kStatusError;
    if (!argumentText.empty()) context->SplitArgs(argumentText);
    return Execute(*context);
}

int ScriptInterpreter::HandleEngineMessage(int code, int64_t argument) {
    if (code != kMessageWaitExpired && code != kMessageParallelStart) return 1;
    // The argument names the context by id: one that has ended or failed
    // since the message was posted is simply gone. One that waits for a
    // callee, or runs right now, is not resumed from outside.
    if (argument <= 0 || argument > INT32_MAX) return 0;
    ScriptContext* context = FindContext(static_cast<int32_t>(argument));
    if (context && !context->active && context->awaited == 0) Execute(*context);
    return 0;
}

int ScriptInterpreter::Compile(const ScriptValue& text, int /*reserved*/) {
    std::string_view source = text.Text();
    int count = 0;
    size_t pos = 0;
    for (;;) {
        size_t begin = FindText(source, kw::kScriptBegin, pos);
        if (begin == kNotFound) break;
        size_t end = FindText(source, kw::kScriptEnd, begin);
        if (end == kNotFound) break;
        size_t semi = FindText(source, ";", end);
        if (semi == kNotFound) break;
        std::string_view function = source.substr(begin, semi + 1 - begin);
        pos = semi + 1;
        ++count;

        std::string stripped = StripComments(function);
        // The name for messages, before anything else is known.
        std::string error;
        ReadResult head = ReadFunctionName(stripped, kw::kScriptBegin.size(), &error);
        PreprocessResult compiled = Preprocess(stripped, head.value.Text());
        for (const std::string& notice : compiled.notices)
            ReportError(notice);
        for (const std::string& line : compiled.logLines)
            host_.WriteLog(line);
        if (!compiled.ok) {
            ReportError(compiled.error);
            return -1;
        }
        if (compiled.text.empty()) return -1;

        // The head: the name, and the parameter list in parentheses.
        std::string_view out = compiled.text;
        size_t at = FindText(out, kw::kScriptBegin, 0);
        if (at == kNotFound) {
            ReportError(msg::kEmptyName);
            return -1;
        }
        at += kw::kScriptBegin.size();
        error.clear();
        ReadResult name = ReadFunctionName(out, at, &error);
        if (!name.ok || name.value.Text().empty()) {
            ReportError(name.ok ? std::string(msg::kEmptyName) : error);
            return -1;
        }
        size_t open = FindText(out, "(", at + name.consumed);
        size_t close = open == kNotFound ? kNotFound : FindText(out, ")", open);
        if (close == kNotFound) {
            ReportError(msg::FormatMessage(msg::kBadStatement,
                                           {name.value.Text(), out.substr(0, out.find('\n'))}));
            return -1;
        }
        int params = CountParams(out.substr(open + 1, close - open - 1));

        ScriptFunction fn;
        fn.templ.text = std::make_shared<const std::string>(std::move(compiled.text));
        fn.templ.name = name.value;
        fn.templ.paramCount = static_cast<uint8_t>(std::min(params, 255));
        fn.templ.globals = &globals_;
        functions_.try_emplace(name.value.Text(), std::move(fn));
    }
    return count;
}

}  // namespace script
