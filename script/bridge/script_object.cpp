#include "script/bridge/script_object.h"

#include "engine/engine_clock.h"
#include "engine/game_engine.h"
#include "engine/game_log.h"
#include "engine/resources/resource_manager.h"
#include "script/status.h"

namespace script {

// What the interpreter asks of the engine: its messages come back to the
// object's own control, its notices go through system command 88.
class ScriptObject::Host : public script::ScriptHost {
  public:
    Host(engine::GameEngine& engine, const ScriptObject& owner) : engine_(engine), owner_(owner) {}

    void PostMessage(int code, int32_t contextId, uint32_t delayMs) override {
        auto payload = platform::Payload::Make<ContextRef>(ContextRef{contextId});
        if (code == kMessageWaitExpired) {
            engine_.ApplyCallback(delayMs, uint32_t(code), std::move(payload),
                                  owner_.GetControlId(), 0);
        } else {
            engine_.PostWorldMessage(uint32_t(code), std::move(payload), owner_.GetControlId(),
                                     engine::kSendQueue);
        }
    }
    void ShowNotice(std::string text) override {
        engine_.PostWorldMessage(88, platform::Payload::Make<std::string>(std::move(text)), 0,
                                 engine::kSendQueueRaw);
    }
    void GetScreenSize(int32_t& width, int32_t& height) override {
        width = engine_.GetScreenWidth();
        height = engine_.GetScreenHeight();
    }
    uint32_t NowMillis() override { return engine::EngineClock::Now(); }
    void WriteLog(std::string_view line) override { engine::WriteGameLogText(line); }
    void PlaySoundByName(std::string_view name) override {
        engine_.GetWorld().Sound().PlayByName(name);
    }

  private:
    engine::GameEngine& engine_;
    const ScriptObject& owner_;
};

ScriptObject::ScriptObject(engine::GameEngine& engine)
    : resources_(engine.Resources()),
      host_(std::make_unique<Host>(engine, *this)),
      interpreter_(std::make_unique<ScriptInterpreter>(*host_)),
      commands_(engine) {
    interpreter_->SetCommandGroup(CommandGroupKind::kCreate, &commands_.create);
    interpreter_->SetCommandGroup(CommandGroupKind::kEntity, &commands_.entity);
    interpreter_->SetCommandGroup(CommandGroupKind::kResource, &commands_.resource);
}

ScriptObject::~ScriptObject() {
    OnRemove();
}

int ScriptObject::OnEvent(engine::EngineMessage& event) {
    const ContextRef* context = event.payload.Get<ContextRef>();
    if (!context) return 1;
    return interpreter_->HandleEngineMessage(int(event.code), context->id);
}

void ScriptObject::OnRemove() {
    if (resources_.GetScriptInterpreter() == this) resources_.SetScriptInterpreter(nullptr);
}

int ScriptObject::Compile(std::string_view text) {
    return interpreter_->Compile(ScriptValue::FromText(text));
}

uint32_t ScriptObject::GetScriptCount() const {
    return uint32_t(interpreter_->GetScriptCount());
}

uint32_t ScriptObject::GetRunningCount() const {
    return uint32_t(interpreter_->RunningCount());
}

ScriptObject* CreateScriptObject(engine::GameEngine& engine) {
    auto* object = engine.GetWorld().MakeObject<ScriptObject>(engine);
    engine.Resources().SetScriptInterpreter(object);
    ScriptInterpreter& interpreter = object->Interpreter();
    interpreter.EnableCreateCommands();
    interpreter.EnableEntityCommands();
    interpreter.EnableResourceCommands();
    return object;
}

void InstallScriptBridge(engine::GameEngine& engine) {
    engine.SetScriptHostFactory([](engine::GameEngine& e) { CreateScriptObject(e); });
}

}  // namespace script
