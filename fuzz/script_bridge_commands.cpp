// Arbitrary script text run inside an engine with every command group: the
// text is compiled, each of its functions started, and the engine's frames
// run under a test clock so that waits and parallel starts come back. The
// scripts may make, change, bind and delete entities as they like; nothing
// may crash, overrun, hang or grow without bound.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/game_engine.h"
#include "engine/resources/resource_manager.h"
#include "platform/clock.h"
#include "platform/gui/surface.h"
#include "script/bridge/script_object.h"
#include "script/keywords.h"
#include "script/readers.h"

namespace {

// A folder with one picture of two frames, "pic", for the picture commands.
const std::string& Folder() {
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / "qevo-fuzz-script-bridge";
        std::filesystem::create_directories(dir);
        platform::Surface pic(8, 8);
        pic.Fill(0xFF806040);
        pic.SavePng((dir / "pic.png").string());
        return dir.string() + "/";
    }();
    return folder;
}

void Exercise(const std::string& text) {
    platform::ManualClock clock(int64_t(1000000) * 1000);
    platform::ScopedClock scoped(clock);
    engine::ResourceManager resources;
    resources.SetFailHandler([](const std::string&) {});
    resources.SetRoot(Folder());
    engine::GameEngine engine(resources);
    script::InstallScriptBridge(engine);
    engine.BeginSystem();
    engine.InitScreen(160, 120);
    engine.LoadImageFile("pic.png", 1, "pic", 0xFF00FF, true);
    auto* object = dynamic_cast<script::ScriptObject*>(resources.GetScriptInterpreter());
    if (object) {
        script::ScriptInterpreter& interpreter = object->Interpreter();
        interpreter.SetStepBudget(500);
        interpreter.SetMaxCallDepth(16);
        interpreter.SetMaxContexts(32);
        interpreter.SetMaxValueLength(4096);
        if (object->Compile(text) > 0) {
            size_t pos = 0;
            for (int started = 0; started < 4; ++started) {
                const size_t at = script::FindText(text, script::kw::kScriptBegin, pos);
                if (at == script::kNotFound) break;
                pos = at + script::kw::kScriptBegin.size();
                script::ReadResult name = script::ReadFunctionName(text, pos, nullptr);
                if (name.ok) interpreter.CallScript(name.value.Text(), "1,2,\"a\"");
            }
        }
    }
    for (int frame = 0; frame < 12; ++frame) {
        clock.AdvanceMillis(40);
        engine.Frame();
    }
    engine.EndSystem();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Exercise(text);
    // The keywords are those of this build (GBK under gcc, UTF-8 under clang).
    Exercise(std::string(script::kw::kScriptBegin) + " f(a, b);\n" + text + "\n" +
             std::string(script::kw::kScriptEnd) + ";");
    return 0;
}
