// Compiles and runs arbitrary script text with every budget in force, then
// delivers the messages it posts; also runs the text itself as the body of a
// function, so short inputs reach the statements.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "script/interpreter.h"
#include "script/keywords.h"
#include "script/readers.h"
#include "script/status.h"

namespace {

class FuzzHost : public script::ScriptHost {
  public:
    void PostMessage(int code, int32_t contextId, uint32_t) override {
        if (posted.size() < 256) posted.push_back({code, contextId});
    }
    void ShowNotice(std::string) override {}
    void GetScreenSize(int32_t& width, int32_t& height) override {
        width = 800;
        height = 600;
    }
    uint32_t NowMillis() override { return 0; }
    void WriteLog(std::string_view) override {}
    void PlaySoundByName(std::string_view) override {}

    std::deque<std::pair<int, int32_t>> posted;
};

void Exercise(const std::string& text) {
    FuzzHost host;
    script::ScriptInterpreter interpreter(host);
    interpreter.EnableCreateCommands();
    interpreter.EnableEntityCommands();
    interpreter.EnableResourceCommands();
    interpreter.SetStepBudget(1000);
    interpreter.SetMaxCallDepth(16);
    interpreter.SetMaxContexts(32);
    interpreter.SetMaxValueLength(4096);
    if (interpreter.Compile(script::ScriptValue::FromText(text)) <= 0) return;
    // Start each function once, then let the queued messages run a while.
    size_t pos = 0;
    for (int started = 0; started < 4; ++started) {
        size_t at = script::FindText(text, script::kw::kScriptBegin, pos);
        if (at == script::kNotFound) break;
        pos = at + script::kw::kScriptBegin.size();
        script::ReadResult name = script::ReadFunctionName(text, pos, nullptr);
        if (name.ok) interpreter.CallScript(name.value.Text(), "1,a,\"b,c\"");
    }
    for (int i = 0; i < 20 && !host.posted.empty(); ++i) {
        auto [code, id] = host.posted.front();
        host.posted.pop_front();
        interpreter.HandleEngineMessage(code, id);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    Exercise(text);
    // The keywords are those of this build (GBK under gcc, UTF-8 under clang).
    Exercise(std::string(script::kw::kScriptBegin) + " f(a, b);\n" + text + "\n" +
             std::string(script::kw::kScriptEnd) + ";");
    return 0;
}
