#pragma once
// The resource side's log lines. The engine's game log is connected here by
// whoever owns it; until then lines go nowhere (tests install a sink).

#include <functional>
#include <string>

namespace engine {

using ResLogSink = std::function<void(const std::string& line)>;

// Replaces the sink; an empty function drops lines.
void SetResLogSink(ResLogSink sink);

// printf-style; the message is cut to 1023 bytes, as the game log's buffer.
void ResLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace engine
