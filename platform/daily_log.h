#pragma once
// The daily log file shared by the transport log and the engine's game log:
// "<program folder><name><yyyymmdd>.log" for the local date. Lines are GBK
// in memory and written as UTF-8, since the file is read by people.
// Local wall-clock time comes from a replaceable source so tests can pick
// the date and time.

#include <string>
#include <string_view>

namespace platform {

struct LocalDateTime {
    int year = 1970;  // full year
    int month = 1;    // 1-12
    int day = 1;      // 1-31
    int hour = 0;     // 0-23
    int minute = 0;
    int second = 0;
};

class LocalTimeSource {
  public:
    virtual ~LocalTimeSource() = default;
    virtual LocalDateTime Now() const = 0;
};

// A local time that changes only when told to.
class ManualLocalTime final : public LocalTimeSource {
  public:
    explicit ManualLocalTime(const LocalDateTime& now) : now_(now) {}
    LocalDateTime Now() const override { return now_; }
    void Set(const LocalDateTime& now) { now_ = now; }

  private:
    LocalDateTime now_;
};

// The local time now, from the installed source (the system's by default).
LocalDateTime LocalNow();

// Installs `source` for the lifetime of this object.
class ScopedLocalTime {
  public:
    explicit ScopedLocalTime(const LocalTimeSource& source);
    ~ScopedLocalTime();
    ScopedLocalTime(const ScopedLocalTime&) = delete;
    ScopedLocalTime& operator=(const ScopedLocalTime&) = delete;

  private:
    const LocalTimeSource* previous_;
};

// The file's path (an operating-system path) for the log `name` (GBK) and
// the date of `when`.
std::string DailyLogPath(std::string_view name, const LocalDateTime& when);

// Appends `gbkLine` (with whatever line end it carries) to the day's file,
// converted to UTF-8, in one write. False when the file cannot be written.
bool AppendDailyLogLine(std::string_view name, const LocalDateTime& when, std::string_view gbkLine);

}  // namespace platform
