#pragma once
// The game log: one time-stamped line per call, appended to the program's
// daily log file "Game<yyyymmdd>.log" (the file the transport's log writes
// too), in the engine's own line format. The local time comes from
// platform::LocalNow, so tests set it with platform::ScopedLocalTime.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/daily_log.h"

namespace engine {

// The longest message a line carries, in bytes; longer ones are cut.
inline constexpr size_t kGameLogMessageMax = 1023;

// "2026/03/05     09:07:03      message\r\n", the message cut to
// kGameLogMessageMax bytes without splitting a double-byte character.
std::string FormatGameLogLine(const platform::LocalDateTime& when, std::string_view message);

// printf rules. The time is read once per call and gives both the stamp and
// the day's file; a file that cannot be opened is skipped without a word.
void WriteGameLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteGameLogV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// A message taken as it is (no format).
void WriteGameLogText(std::string_view message);

}  // namespace engine
