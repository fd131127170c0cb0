#pragma once
// The launch line the hall starts the client with: one double-quoted token
// of "|"-separated fields (game id, server host, room, hall window, a value
// passed on, user id, table, chair, looker flag, an unread field, caption,
// port).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace client {

inline constexpr size_t kLaunchMinFields = 9;
inline constexpr size_t kLaunchMaxFields = 30;

struct LaunchLine {
    uint32_t gameId = 0;      // 0
    std::string serverHost;   // 1, up to 31 bytes
    uint32_t roomId = 0;      // 2
    uint32_t hallWindow = 0;  // 3
    uint32_t field4 = 0;      // 4, passed on unread
    uint32_t userId = 0;      // 5
    int32_t tableNo = -1;     // 6
    int32_t chair = -1;       // 7
    uint32_t lookerFlag = 0;  // 8: 1 = watching
    std::string caption;      // 10, up to 127 bytes, optional
    uint32_t serverPort = 0;  // 11, the default when missing or 0
    friend bool operator==(const LaunchLine&, const LaunchLine&) = default;
};

// Splits at "|" into at most `maxFields` fields (the last keeps the rest).
// GBK-aware: a trail byte that happens to be "|" does not split.
std::vector<std::string> SplitLaunchFields(std::string_view text, size_t maxFields);

// Drops the enclosing quotes (when the line begins with one), splits, and
// reads the fields; nullopt for fewer than 9 fields.
std::optional<LaunchLine> ParseLaunchLine(std::string_view commandLine, uint32_t defaultPort);

}  // namespace client
