#include "pictures/res_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace engine {
namespace {

std::mutex& SinkLock() {
    static std::mutex lock;
    return lock;
}

ResLogSink& Sink() {
    static ResLogSink sink;
    return sink;
}

}  // namespace

void SetResLogSink(ResLogSink sink) {
    std::lock_guard guard(SinkLock());
    Sink() = std::move(sink);
}

void ResLog(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    ResLogSink sink;
    {
        std::lock_guard guard(SinkLock());
        sink = Sink();
    }
    // Called outside the lock, so a sink may log again.
    if (sink) sink(buffer);
}

}  // namespace engine
