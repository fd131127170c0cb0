#include "engine/error_box.h"

#include <cerrno>
#include <cstring>

#include "engine/game_log.h"

namespace engine {
namespace {

void LogInstead(std::string_view text, std::string_view title) {
    WriteGameLogText(std::string(title) + ": " + std::string(text));
}

ErrorBoxFunction g_box = &LogInstead;

}  // namespace

std::string LastErrorText(std::string_view text, int error) {
    std::string out(text);
    out += " 由于以下错误而失败: ";
    if (error != 0) {
        char buffer[256];
        // The GNU form: the message may live in a static string instead of the buffer.
        out += strerror_r(error, buffer, sizeof buffer);
    }
    return out;
}

void SetErrorBoxFunction(ErrorBoxFunction box) {
    g_box = box ? box : &LogInstead;
}

void ShowLastError(std::string_view text) {
    const int error = errno;
    g_box(LastErrorText(text, error), "错误");
}

}  // namespace engine
