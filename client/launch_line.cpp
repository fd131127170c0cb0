#include "client/launch_line.h"

#include <cstdlib>

#include "platform/text.h"

namespace client {
namespace {

// atoi: leading blanks, a sign, digits; the value wraps like the C call
// does in practice on the original platform's 32-bit int.
int32_t AtoI(const std::string& field) {
    return int32_t(std::strtol(field.c_str(), nullptr, 10));
}

}  // namespace

std::vector<std::string> SplitLaunchFields(std::string_view text, size_t maxFields) {
    std::vector<std::string> fields;
    if (maxFields == 0) return fields;
    size_t start = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t len = platform::GbkCharLength(text, pos);
        if (len == 1 && text[pos] == '|' && fields.size() + 1 < maxFields) {
            fields.emplace_back(text.substr(start, pos - start));
            start = pos + 1;
        }
        pos += len;
    }
    fields.emplace_back(text.substr(start));
    return fields;
}

std::optional<LaunchLine> ParseLaunchLine(std::string_view commandLine, uint32_t defaultPort) {
    std::string_view text = commandLine;
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        if (!text.empty()) text.remove_suffix(1);
    }
    const auto f = SplitLaunchFields(text, kLaunchMaxFields);
    if (f.size() < kLaunchMinFields) return std::nullopt;
    LaunchLine line;
    line.gameId = uint32_t(AtoI(f[0]));
    line.serverHost = f[1].substr(0, 31);
    line.roomId = uint32_t(AtoI(f[2]));
    line.hallWindow = uint32_t(AtoI(f[3]));
    line.field4 = uint32_t(AtoI(f[4]));
    line.userId = uint32_t(AtoI(f[5]));
    line.tableNo = AtoI(f[6]);
    line.chair = AtoI(f[7]);
    line.lookerFlag = uint32_t(AtoI(f[8]));
    if (f.size() > 10) {
        // Cut at a character boundary so no half character is left.
        size_t keep = 0;
        while (keep < f[10].size()) {
            const size_t len = platform::GbkCharLength(f[10], keep);
            if (keep + len > 127) break;
            keep += len;
        }
        line.caption = f[10].substr(0, keep);
    }
    if (f.size() > 11) line.serverPort = uint32_t(AtoI(f[11]));
    if (line.serverPort == 0) line.serverPort = defaultPort;
    return line;
}

}  // namespace client
