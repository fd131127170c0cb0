#pragma once
// The built-in commands every script may call: waits, colours, starting
// scripts, the screen size, log lines and sound effects.

#include "script/script_context.h"

namespace script {

class ScriptInterpreter;

// Runs the context's called name when it is a basic command; kStatusUnknown
// otherwise.
int CallBasicCommand(ScriptInterpreter& interpreter, ScriptContext& context);

}  // namespace script
