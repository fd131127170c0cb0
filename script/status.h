#pragma once
// Status codes of statements and calls, and the engine messages the
// interpreter handles.

#include <cstdint>

namespace script {

inline constexpr int32_t kStatusEnded = 10000;      // the function has ended
inline constexpr int32_t kStatusNext = 10500;       // go on with the next statement
inline constexpr int32_t kStatusSuspended = 11000;  // a wait or a suspended callee
inline constexpr int32_t kStatusCall = 12000;       // "函数" has set the called name
inline constexpr int32_t kStatusError = 13000;      // the context's message holds the text
inline constexpr int32_t kStatusPassUp = 14000;     // passed up unchanged; executes nothing
inline constexpr int32_t kStatusUnknown = 15000;    // a command group does not know the name

// Engine messages to the interpreter's control; the argument is a context id.
inline constexpr int kMessageWaitExpired = 131;
inline constexpr int kMessageParallelStart = 132;

// Failure codes of built-in calls (ScriptInterpreter::ReportCallFailure).
inline constexpr int kFailTooFewArgs = 1;
inline constexpr int kFailRefused = 10;
inline constexpr int kFailBadArgument = 20;
inline constexpr int kFailInterrupted = 30;

}  // namespace script
