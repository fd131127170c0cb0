#pragma once
// What the interpreter needs of the engine that hosts it, and the shape of a
// group of built-in commands. The engine fills both: the host carries the
// interpreter's messages and notices and the few services of the basic
// commands; the create, entity and resource groups drive engine entities.

#include <cstdint>
#include <string>
#include <string_view>

namespace script {

struct ScriptContext;
class ScriptInterpreter;

class ScriptHost {
  public:
    virtual ~ScriptHost() = default;
    // Delivers `code` (131 after `delayMs`, 132 at once) with the context id
    // to ScriptInterpreter::HandleEngineMessage later, on the engine thread.
    virtual void PostMessage(int code, int32_t contextId, uint32_t delayMs) = 0;
    // Shows an error text (engine rich-text markup) as an on-screen notice.
    virtual void ShowNotice(std::string text) = 0;
    virtual void GetScreenSize(int32_t& width, int32_t& height) = 0;
    // The engine clock in milliseconds.
    virtual uint32_t NowMillis() = 0;
    virtual void WriteLog(std::string_view line) = 0;
    virtual void PlaySoundByName(std::string_view name) = 0;
};

// A group of built-in commands: the called name is the context's
// `calledName`, the arguments its handed values. Returns kStatusUnknown
// (15000) for a name it does not hold.
class CommandGroup {
  public:
    virtual ~CommandGroup() = default;
    virtual int Call(ScriptInterpreter& interpreter, ScriptContext& context) = 0;
};

}  // namespace script
