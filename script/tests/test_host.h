#pragma once
// A host for the interpreter in tests: it queues the interpreter's messages
// for the test to deliver, keeps the notices, and offers a small command set
// ("record" keeps its arguments, "fail" fails with its code).

#include <deque>
#include <string>
#include <vector>

#include "script/interpreter.h"
#include "script/status.h"

namespace script::test_support {

struct PostedMessage {
    int code;
    int32_t contextId;
    uint32_t delayMs;
};

class TestHost : public ScriptHost {
  public:
    void PostMessage(int code, int32_t contextId, uint32_t delayMs) override {
        posted.push_back({code, contextId, delayMs});
    }
    void ShowNotice(std::string text) override { notices.push_back(std::move(text)); }
    void GetScreenSize(int32_t& width, int32_t& height) override {
        width = 1024;
        height = 768;
    }
    uint32_t NowMillis() override { return now; }
    void WriteLog(std::string_view line) override { logs.emplace_back(line); }
    void PlaySoundByName(std::string_view name) override { sounds.emplace_back(name); }

    std::deque<PostedMessage> posted;
    std::vector<std::string> notices;
    std::vector<std::string> logs;
    std::vector<std::string> sounds;
    uint32_t now = 0;
};

// The texts joined with line ends between them.
inline std::string Lines(const std::vector<std::string>& texts) {
    std::string out;
    for (size_t i = 0; i < texts.size(); ++i)
        out += (i ? "\n" : "") + texts[i];
    return out;
}

// "record": keeps its handed values joined with "|" and hands back "ok".
// "fail": reports the failure code given as its argument.
class TestCommands : public CommandGroup {
  public:
    int Call(ScriptInterpreter& interpreter, ScriptContext& context) override {
        const std::string& name = context.calledName.Text();
        if (name == "record") {
            std::string line;
            for (size_t i = 0; i < context.ArgCount(); ++i) {
                if (i) line += '|';
                line += context.args[i].Text();
            }
            records.push_back(line);
            context.ClearArgs();
            context.PushValue(ScriptValue::FromText("ok"));
            return kStatusNext;
        }
        if (name == "fail") {
            return interpreter.ReportCallFailure(context, context.GetArg(0).ToInt());
        }
        return kStatusUnknown;
    }
    std::vector<std::string> records;
};

// An interpreter with the test command set as its create group.
class TestInterpreter {
  public:
    TestInterpreter() : interpreter(host) {
        interpreter.SetCommandGroup(CommandGroupKind::kCreate, &commands);
        interpreter.EnableCreateCommands();
        interpreter.EnableEntityCommands();
        interpreter.EnableResourceCommands();
    }

    int Compile(const std::string& text) {
        return interpreter.Compile(ScriptValue::FromText(text));
    }

    // Compiles `body` as the function "main" and starts it (later calls name
    // their functions main2, main3 and so on).
    int RunMain(const std::string& body) {
        std::string name = runs_++ ? "main" + std::to_string(runs_) : "main";
        if (Compile("脚本开始 " + name + "();\r\n" + body + "\r\n脚本结束;") < 0) return -1;
        return interpreter.CallScript(name, "");
    }

    // Delivers the queued messages in order (a wait's delay is not modelled:
    // messages arrive in the order posted). Returns how many were delivered.
    int DeliverAll(int limit = 10000) {
        int delivered = 0;
        while (!host.posted.empty() && delivered < limit) {
            PostedMessage m = host.posted.front();
            host.posted.pop_front();
            interpreter.HandleEngineMessage(m.code, m.contextId);
            ++delivered;
        }
        return delivered;
    }

    TestHost host;
    TestCommands commands;
    ScriptInterpreter interpreter;

  private:
    int runs_ = 0;
};

// An interpreter with the bounds a host sets for scripts it does not trust.
struct BoundedInterpreter : TestInterpreter {
    BoundedInterpreter() {
        interpreter.SetStepBudget(20000);
        interpreter.SetMaxCallDepth(32);
        interpreter.SetMaxContexts(64);
        interpreter.SetMaxValueLength(4096);
    }
};

}  // namespace script::test_support
