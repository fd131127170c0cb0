#pragma once
// The scene script interpreter living in an engine: an engine object with a
// control of its own, to which the interpreter's waits (131) and parallel
// starts (132) come back with their context's id. It is the engine's script
// host: the resource manager compiles ".script" resources through it, and
// scripts reach the engine through its three command groups.

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/engine_object.h"
#include "engine/resources/script_host.h"
#include "script/bridge/commands.h"
#include "script/interpreter.h"

namespace engine {
class GameEngine;
class ResourceManager;
}  // namespace engine

namespace script {

// The payload of messages 131 and 132.
struct ContextRef {
    int32_t id = 0;
};

class ScriptObject : public engine::EngineNode, public engine::ScriptHost {
  public:
    explicit ScriptObject(engine::GameEngine& engine);
    ~ScriptObject() override;

    // Messages 131 and 132 run their context and answer 0; others 1.
    int OnEvent(engine::EngineMessage& event) override;
    // Lets go of the resource manager, which must not compile through a
    // removed object.
    void OnRemove() override;

    // engine::ScriptHost: what the resource manager asks.
    int Compile(std::string_view text) override;
    uint32_t GetScriptCount() const override;
    uint32_t GetRunningCount() const override;

    ScriptInterpreter& Interpreter() { return *interpreter_; }

  private:
    class Host;

    engine::ResourceManager& resources_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<ScriptInterpreter> interpreter_;
    EngineCommands commands_;
};

// The engine's script-host factory: makes the object in the engine-object
// order, hands it to the resource manager and enables the command groups.
ScriptObject* CreateScriptObject(engine::GameEngine& engine);
// Installs CreateScriptObject as the engine's script-host factory.
void InstallScriptBridge(engine::GameEngine& engine);

}  // namespace script
