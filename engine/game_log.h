#pragma once
// The game log: one time-stamped line per call, appended to the program's
// daily log file (the file the transport's log writes too), in the engine's
// own line format. Lines are GBK; the file holds them as UTF-8 for people.
//
// Where the lines go and which time they carry is a sink, so tests capture
// lines and set the time; the default sink is the daily file.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace engine {

struct LocalTime {
    int year = 0;  // four digits
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The longest message a line carries, in bytes; longer ones are cut.
inline constexpr size_t kGameLogMessageMax = 1023;

// "Game20260305.log".
std::string GameLogFileName(const LocalTime& when);
// "2026/03/05     09:07:03      message\r\n".
std::string FormatGameLogLine(const LocalTime& when, std::string_view message);

class GameLogSink {
  public:
    virtual ~GameLogSink() = default;
    // Read once per line; the file name and the stamp both come from it.
    virtual LocalTime Now() const;
    // Appends one finished line to the named daily file.
    virtual void Append(const std::string& fileName, std::string_view line) = 0;
};

// The daily file in the program's folder; a file that cannot be opened is
// skipped without a word.
class DailyFileGameLogSink : public GameLogSink {
  public:
    void Append(const std::string& fileName, std::string_view line) override;
};

// Installs `sink` for the lifetime of this object (UI thread).
class ScopedGameLogSink {
  public:
    explicit ScopedGameLogSink(GameLogSink& sink);
    ~ScopedGameLogSink();
    ScopedGameLogSink(const ScopedGameLogSink&) = delete;
    ScopedGameLogSink& operator=(const ScopedGameLogSink&) = delete;

  private:
    GameLogSink* previous_;
};

// printf rules; the message is cut to kGameLogMessageMax bytes without
// splitting a double-byte character.
void WriteGameLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteGameLogV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// A message taken as it is (no format).
void WriteGameLogText(std::string_view message);

}  // namespace engine
