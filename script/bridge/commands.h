#pragma once
// The engine's command groups for scripts: creating planes and pictures,
// changing, reading and binding entities, and the resource folder and
// loading. Scripts are untrusted: what they make is bounded (sides, count,
// pixels), they touch only entities of the kind a command expects, and
// their paths stay below the program folder.

#include <cstdint>
#include <map>

#include "script/script_host.h"

namespace engine {
class GameEngine;
}

namespace script {

// The longest side of a plane a script makes or resizes.
inline constexpr int32_t kMaxPlaneSide = 2048;
// What scripts may hold at once.
inline constexpr size_t kMaxScriptEntities = 4096;
inline constexpr uint64_t kMaxScriptPixels = uint64_t(16) << 20;

// The entities scripts made and their pixels, forgotten once they are gone.
class ScriptEntities {
  public:
    explicit ScriptEntities(engine::GameEngine& engine) : engine_(engine) {}
    // Whether one more entity of `pixels` fits.
    bool Allows(uint64_t pixels);
    void Add(uint32_t id, uint64_t pixels) { pixels_[id] = pixels; }
    // A plane of the script's changes size; false when it would not fit.
    bool Resize(uint32_t id, uint64_t pixels);

  private:
    uint64_t Prune();

    engine::GameEngine& engine_;
    std::map<uint32_t, uint64_t> pixels_;
};

class CreateCommands : public CommandGroup {
  public:
    CreateCommands(engine::GameEngine& engine, ScriptEntities& made)
        : engine_(engine), made_(made) {}
    int Call(ScriptInterpreter& interpreter, ScriptContext& context) override;

  private:
    engine::GameEngine& engine_;
    ScriptEntities& made_;
};

class EntityCommands : public CommandGroup {
  public:
    EntityCommands(engine::GameEngine& engine, ScriptEntities& made)
        : engine_(engine), made_(made) {}
    int Call(ScriptInterpreter& interpreter, ScriptContext& context) override;

  private:
    engine::GameEngine& engine_;
    ScriptEntities& made_;
};

class ResourceCommands : public CommandGroup {
  public:
    explicit ResourceCommands(engine::GameEngine& engine) : engine_(engine) {}
    int Call(ScriptInterpreter& interpreter, ScriptContext& context) override;

  private:
    engine::GameEngine& engine_;
};

struct EngineCommands {
    explicit EngineCommands(engine::GameEngine& engine)
        : made(engine), create(engine, made), entity(engine, made), resource(engine) {}
    ScriptEntities made;
    CreateCommands create;
    EntityCommands entity;
    ResourceCommands resource;
};

}  // namespace script
