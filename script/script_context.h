#pragma once
// One activation of a compiled script function: the compiled text, the
// position of the next statement, the values handed between statements and
// between caller and callee, local variables and labels, and open blocks.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_value.h"

namespace script {

using VariableMap = std::map<std::string, ScriptValue, std::less<>>;

inline constexpr size_t kMaxBlockDepth = 12;

struct ScriptContext {
    int32_t parallel = 0;                     // following calls that start in parallel
    uint8_t paramCount = 0;                   // from the head
    std::shared_ptr<const std::string> text;  // the compiled function text
    int32_t caller = 0;   // id of the context waiting for this one's values; 0 none
    ScriptValue name;     // the function's name
    std::string message;  // text of the last error
    double version = 1.0;
    uint32_t position = 0;  // byte offset of the next statement
    int32_t status = 0;
    int32_t id = 0;
    int32_t awaited = 0;   // id of the callee this context waits for; 0 none
    int32_t typeWord = 0;  // operand type of "运算": 0 default, 1 int, 2 handle, 3 decimal, 4 text
    std::array<uint32_t, kMaxBlockDepth> blocks{};  // 0 plain block, else a loop's restart position
    uint8_t depth = 0;
    ScriptValue calledName;         // what "函数" asks for
    std::vector<ScriptValue> args;  // handed values
    VariableMap variables;          // locals and labels
    VariableMap* globals = nullptr;
    bool active = false;  // a frame of the interpreter is running it

    std::string_view Text() const { return text ? std::string_view(*text) : std::string_view(); }

    size_t ArgCount() const { return args.size(); }
    // A copy; an empty value (tag 0) when out of range.
    ScriptValue GetArg(size_t index) const {
        return index < args.size() ? args[index] : ScriptValue();
    }
    void PushValue(ScriptValue value) { args.push_back(std::move(value)); }
    ScriptValue PopValue();
    void ClearArgs() { args.clear(); }
    // Every handed value's text joined with ",".
    std::string JoinArgs() const;
    // Appends values split from `text` at commas outside quotes; each is a
    // string that keeps its quotes, trimmed of blanks; an empty last piece
    // adds nothing.
    void SplitArgs(std::string_view text);

    void SetVariable(std::string_view variable, ScriptValue value);
    // Locals, then globals, else the name itself as a string.
    ScriptValue GetVariableValue(std::string_view variable) const;
    const ScriptValue* FindLocal(std::string_view variable) const;
    // Binds handed value `index` to `variable`; false (message set) when too
    // few values were handed.
    bool BindParam(size_t index, std::string_view variable);
    // False when the nesting stack is full.
    bool PushBlock(uint32_t restart);

    const ScriptValue& GetName() const { return calledName; }
    const ScriptValue& GetScriptName() const { return name; }
    const std::string& GetMessage() const { return message; }
};

}  // namespace script
