#pragma once
// The scene script interpreter: compiles script text into functions by name
// and runs them. A run goes statement by statement until the function ends,
// fails or suspends (a wait, or a callee that waits); the engine resumes
// suspended and parallel activations through HandleEngineMessage.
//
//   ScriptInterpreter interpreter(host);
//   interpreter.Compile(ScriptValue::FromText(text));   // -1 on failure
//   interpreter.CallScript("main", "1,2");
//   interpreter.HandleEngineMessage(131, contextId);     // from the host
//
// Untrusted scripts are bounded: a step budget per run, a call depth, a
// number of live activations and a longest concatenated text.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "script/script_context.h"
#include "script/script_host.h"
#include "script/script_value.h"
#include "script/statements.h"

namespace script {

// A compiled function: the template every activation is copied from.
struct ScriptFunction {
    ScriptContext templ;
};

enum class CommandGroupKind { kCreate, kEntity, kResource };

class ScriptInterpreter {
  public:
    static constexpr uint32_t kCreateCommands = 1;
    static constexpr uint32_t kEntityCommands = 2;
    static constexpr uint32_t kResourceCommands = 4;

    explicit ScriptInterpreter(ScriptHost& host);
    virtual ~ScriptInterpreter();
    ScriptInterpreter(const ScriptInterpreter&) = delete;
    ScriptInterpreter& operator=(const ScriptInterpreter&) = delete;

    // Runs the context until it ends, suspends or fails; returns the status.
    virtual int Execute(ScriptContext& context);
    // Carries out the context's pending call: built-in groups, the extension
    // hook, then compiled functions.
    virtual int CallFunction(ScriptContext& context);
    // Further built-in commands of a derived interpreter; kStatusUnknown here.
    virtual int CallExtension(ScriptContext& context);
    virtual void ReportError(std::string_view text);
    // Reports the failure of a built-in call (codes 1, 10, 20, 30); 13000.
    virtual int ReportCallFailure(ScriptContext& context, int code);

    // Messages 131 (a wait expired) and 132 (a parallel call starts) run the
    // context with that id and give 0; other codes give 1.
    int HandleEngineMessage(int code, int64_t argument);

    // Compiles every function of `text`; the number of function texts, or -1
    // when one cannot be compiled (those before it stay registered).
    int Compile(const ScriptValue& text, int reserved = 0);
    int GetScriptCount() const { return static_cast<int>(functions_.size()); }
    const ScriptFunction* FindFunction(std::string_view name) const;

    // Starts a function from outside a script, without a caller.
    int CallScript(std::string_view name, std::string_view argumentText);

    void EnableCreateCommands() { options_ |= kCreateCommands; }
    void EnableEntityCommands() { options_ |= kEntityCommands; }
    void EnableResourceCommands() { options_ |= kResourceCommands; }
    uint32_t Options() const { return options_; }
    // The engine's command groups (not owned); asked only when enabled.
    void SetCommandGroup(CommandGroupKind kind, CommandGroup* group);

    int32_t NextContextId();
    size_t RunningCount() const { return running_.size(); }
    ScriptContext* FindContext(int32_t id);
    const VariableMap& Globals() const { return globals_; }
    ScriptHost& Host() { return host_; }

    // Bounds for untrusted scripts.
    void SetStepBudget(uint64_t steps) { stepBudget_ = steps; }
    void SetMaxCallDepth(int depth) { maxCallDepth_ = depth; }
    void SetMaxContexts(size_t count) { maxContexts_ = count; }
    void SetMaxValueLength(size_t bytes) { limits_.maxValueLength = bytes; }
    // Statements run by the last (or current) run from outside.
    uint64_t StepsUsed() const { return stepBudget_ - stepsLeft_; }

  private:
    int RunGroups(ScriptContext& context);
    // A new activation of `function`, registered as running; null (reported)
    // when too many are alive.
    ScriptContext* StartContext(const ScriptFunction& function, const ScriptContext* starter);
    // Removes a failed context, and every caller that waited for it.
    void Abandon(int32_t id);

    ScriptHost& host_;
    uint32_t options_ = 0;
    int32_t lastId_ = 0;
    std::map<std::string, ScriptFunction, std::less<>> functions_;
    std::map<int32_t, std::unique_ptr<ScriptContext>> running_;
    VariableMap globals_;
    CommandGroup* groups_[3] = {nullptr, nullptr, nullptr};

    StatementLimits limits_;
    uint64_t stepBudget_ = 1'000'000;
    uint64_t stepsLeft_ = 0;
    int maxCallDepth_ = 64;
    int runDepth_ = 0;
    size_t maxContexts_ = 1024;
};

}  // namespace script
