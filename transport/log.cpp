#include "transport/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/daily_log.h"
#include "platform/text.h"

namespace transport {
namespace {

struct LogState {
    std::mutex lock;
    std::string name = "KYXLog";
    uint32_t flags = 0x80008;
    char message[kLogMessageSize];
};

LogState& State() {
    static LogState state;
    return state;
}

// The longest prefix of text[0, n) that does not end inside a double-byte
// character.
size_t WholeCharacters(const char* text, size_t n) {
    std::string_view view(text, n);
    size_t pos = 0;
    while (pos < n) {
        size_t len = platform::GbkCharLength(view, pos);
        if (len == 0 || pos + len > n) break;
        // A lead byte at the very end has lost its trail byte to the cut.
        if (len == 1 && pos + 1 == n &&
            platform::IsGbkLeadByte(static_cast<unsigned char>(text[pos])))
            break;
        pos += len;
    }
    return pos;
}

void WriteLocked(LogState& state, const char* text) {
    const platform::LocalDateTime now = platform::LocalNow();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d  %02d:%02d:%02d  ", now.year, now.month,
                  now.day, now.hour, now.minute, now.second);
    std::string line = stamp;
    line += text;
    if (state.flags & kLogCrLf) line += "\r\n";
    if (state.flags & kLogToFile) platform::AppendDailyLogLine(state.name, now, line);
}

}  // namespace

void LogOpen(const char* name, uint32_t flags) {
    LogState& state = State();
    std::lock_guard guard(state.lock);
    if (name) state.name = name;
    if (flags) state.flags = flags;
}

// The lock lives as long as the process, so a late line from another thread
// after LogClose is still safe.
void LogClose() {}

void LogPrintf(const char* format, ...) {
    if (!format) return;
    LogState& state = State();
    std::lock_guard guard(state.lock);
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(state.message, sizeof state.message, format, args);
    va_end(args);
    if (n < 0) return;
    if (size_t(n) >= sizeof state.message) {
        size_t keep = WholeCharacters(state.message, sizeof state.message - 1);
        state.message[keep] = '\0';
    }
    WriteLocked(state, state.message);
}

void LogWrite(const char* text) {
    LogState& state = State();
    std::lock_guard guard(state.lock);
    WriteLocked(state, text ? text : "");
}

}  // namespace transport
