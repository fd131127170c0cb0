#include "engine/game_log.h"

#include <cstdio>

#include "platform/text.h"

namespace engine {
namespace {

// The longest prefix of at most `max` bytes that ends on a character boundary.
std::string_view CutGbk(std::string_view text, size_t max) {
    if (text.size() <= max) return text;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t len = platform::GbkCharLength(text, pos);
        if (len == 0 || pos + len > max) break;
        pos += len;
    }
    return text.substr(0, pos);
}

}  // namespace

std::string FormatGameLogLine(const platform::LocalDateTime& when, std::string_view message) {
    char stamp[96];
    const int n =
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d     %02d:%02d:%02d      ", when.year,
                      when.month, when.day, when.hour, when.minute, when.second);
    std::string line(stamp, n > 0 ? size_t(n) : 0);
    line.append(CutGbk(message, kGameLogMessageMax));
    line.append("\r\n");
    return line;
}

void WriteGameLogText(std::string_view message) {
    const platform::LocalDateTime when = platform::LocalNow();
    platform::AppendDailyLogLine("Game", when, FormatGameLogLine(when, message));
}

void WriteGameLogV(const char* format, va_list args) {
    char buffer[kGameLogMessageMax + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) return;
    std::string_view text(buffer, size_t(n) < sizeof buffer ? size_t(n) : sizeof buffer - 1);
    if (size_t(n) >= sizeof buffer) {
        size_t pos = 0, last = 0;
        while (pos < text.size()) {
            last = pos;
            pos += platform::GbkCharLength(text, pos);
        }
        // A lead byte at the very end has lost its trail byte to the cut.
        if (last + 1 == text.size() &&
            platform::IsGbkLeadByte(static_cast<unsigned char>(text[last])))
            text.remove_suffix(1);
    }
    WriteGameLogText(text);
}

void WriteGameLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteGameLogV(format, args);
    va_end(args);
}

}  // namespace engine
