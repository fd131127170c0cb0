#include "platform/daily_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

class SystemLocalTime final : public LocalTimeSource {
  public:
    LocalDateTime Now() const override {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
};

const SystemLocalTime kSystemLocalTime;
std::atomic<const LocalTimeSource*> g_source{&kSystemLocalTime};
// Writers of different logs share a day's file; one write per line keeps
// lines whole, the lock keeps them in order within the process.
std::mutex g_appendLock;

}  // namespace

LocalDateTime LocalNow() {
    return g_source.load(std::memory_order_acquire)->Now();
}

ScopedLocalTime::ScopedLocalTime(const LocalTimeSource& source)
    : previous_(g_source.exchange(&source)) {}
ScopedLocalTime::~ScopedLocalTime() {
    g_source.store(previous_);
}

std::string DailyLogPath(std::string_view name, const LocalDateTime& when) {
    char date[32];
    std::snprintf(date, sizeof date, "%04d%02d%02d", when.year, when.month, when.day);
    return ResolvePath(ProgramDir() + std::string(name) + date + ".log");
}

bool AppendDailyLogLine(std::string_view name, const LocalDateTime& when,
                        std::string_view gbkLine) {
    const std::string path = DailyLogPath(name, when);
    const std::string text = GbkToUtf8(gbkLine);
    std::lock_guard lock(g_appendLock);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += size_t(n);
    }
    ::close(fd);
    return ok;
}

}  // namespace platform
