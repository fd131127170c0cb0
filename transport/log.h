#pragma once
// The process's one log: LogPrintf formats a message and LogWrite appends it
// as one time-stamped line to the daily file "<program folder><name>
// <yyyymmdd>.log". The name defaults to "KYXLog" and the flag word to 0x80008.

#include <cstdint>

namespace transport {

inline constexpr uint32_t kLogCrLf = 0x8;        // end each line with "\r\n"
inline constexpr uint32_t kLogToFile = 0x80000;  // write lines to the daily file

// A formatted message is cut to this many bytes less one (at a character
// boundary, so no half of a double-byte character is left at the end).
inline constexpr int kLogMessageSize = 4096;

// A non-null name replaces the log name; non-zero flags replace the flag word.
void LogOpen(const char* name, uint32_t flags);
void LogClose();
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Builds "yyyy/mm/dd  hh:mm:ss  <text>[\r\n]" and appends it when kLogToFile
// is set. Serialised with LogPrintf.
void LogWrite(const char* text);

}  // namespace transport
