#pragma once
// One step of a context: reads the statement word at its position and runs
// the statement's handler.

#include <cstddef>

#include "script/script_context.h"

namespace script {

struct StatementLimits {
    // Longest text a concatenation in "运算" may produce.
    size_t maxValueLength = 1 << 20;
};

// Runs the statement at the context's position and returns the new status
// (also stored in the context).
int RunStatement(ScriptContext& context, const StatementLimits& limits);

}  // namespace script
