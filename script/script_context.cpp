#include "script/script_context.h"

#include "script/messages.h"
#include "script/text_scan.h"

namespace script {

ScriptValue ScriptContext::PopValue() {
    if (args.empty()) return ScriptValue();
    ScriptValue last = std::move(args.back());
    args.pop_back();
    return last;
}

std::string ScriptContext::JoinArgs() const {
    std::string joined;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) joined += ',';
        joined += args[i].Text();
    }
    return joined;
}

void ScriptContext::SplitArgs(std::string_view text) {
    size_t start = 0;
    bool quoted = false;
    auto addPiece = [this, &text](size_t from, size_t to) {
        std::string_view piece = text.substr(from, to - from);
        while (!piece.empty() && IsBlank(piece.front()))
            piece.remove_prefix(1);
        while (!piece.empty() && IsBlank(piece.back()))
            piece.remove_suffix(1);
        args.push_back(ScriptValue::FromText(piece));
    };
    for (size_t i = 0; i < text.size();) {
        size_t length = CharLen(text, i);
        if (length == 1 && text[i] == '"') quoted = !quoted;
        if (length == 1 && text[i] == ',' && !quoted) {
            addPiece(start, i);
            start = i + 1;
        }
        i += length;
    }
    if (start < text.size()) addPiece(start, text.size());
}

void ScriptContext::SetVariable(std::string_view variable, ScriptValue value) {
    auto it = variables.find(variable);
    if (it != variables.end()) {
        it->second = std::move(value);
    } else {
        variables.emplace(std::string(variable), std::move(value));
    }
}

const ScriptValue* ScriptContext::FindLocal(std::string_view variable) const {
    auto it = variables.find(variable);
    return it != variables.end() ? &it->second : nullptr;
}

ScriptValue ScriptContext::GetVariableValue(std::string_view variable) const {
    if (const ScriptValue* local = FindLocal(variable)) return *local;
    if (globals) {
        auto it = globals->find(variable);
        if (it != globals->end()) return it->second;
    }
    return ScriptValue::FromText(variable);
}

bool ScriptContext::BindParam(size_t index, std::string_view variable) {
    if (index < args.size()) {
        SetVariable(variable, args[index]);
        return true;
    }
    message = msg::FormatMessage(msg::kTooFewParams, {name.Text()});
    return false;
}

bool ScriptContext::PushBlock(uint32_t restart) {
    if (depth >= kMaxBlockDepth) return false;
    blocks[depth++] = restart;
    return true;
}

}  // namespace script
