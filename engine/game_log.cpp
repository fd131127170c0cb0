#include "engine/game_log.h"

#include <cstdio>
#include <ctime>

#include "platform/paths.h"
#include "platform/text.h"

namespace engine {
namespace {

DailyFileGameLogSink g_fileSink;
GameLogSink* g_sink = &g_fileSink;

// The longest prefix of at most `max` bytes that ends on a character boundary.
std::string_view CutGbk(std::string_view text, size_t max) {
    if (text.size() <= max) return text;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t len = platform::GbkCharLength(text, pos);
        if (len == 0 || pos + len > max) break;
        pos += len;
    }
    return text.substr(0, pos);
}

}  // namespace

std::string GameLogFileName(const LocalTime& when) {
    char name[64];
    std::snprintf(name, sizeof name, "Game%d%02d%02d.log", when.year, when.month, when.day);
    return name;
}

std::string FormatGameLogLine(const LocalTime& when, std::string_view message) {
    char stamp[96];
    const int n =
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d     %02d:%02d:%02d      ", when.year,
                      when.month, when.day, when.hour, when.minute, when.second);
    std::string line(stamp, n > 0 ? size_t(n) : 0);
    line.append(CutGbk(message, kGameLogMessageMax));
    line.append("\r\n");
    return line;
}

LocalTime GameLogSink::Now() const {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void DailyFileGameLogSink::Append(const std::string& fileName, std::string_view line) {
    const std::string path = platform::ProgramDir() + fileName;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return;
    const std::string text = platform::GbkToUtf8(line);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

ScopedGameLogSink::ScopedGameLogSink(GameLogSink& sink) : previous_(g_sink) {
    g_sink = &sink;
}
ScopedGameLogSink::~ScopedGameLogSink() {
    g_sink = previous_;
}

void WriteGameLogText(std::string_view message) {
    const LocalTime when = g_sink->Now();
    g_sink->Append(GameLogFileName(when), FormatGameLogLine(when, message));
}

void WriteGameLogV(const char* format, va_list args) {
    char buffer[kGameLogMessageMax + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) return;
    // vsnprintf may have cut a double-byte character in half; CutGbk drops it.
    const size_t len = size_t(n) < sizeof buffer ? size_t(n) : sizeof buffer - 1;
    std::string_view text(buffer, len);
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
