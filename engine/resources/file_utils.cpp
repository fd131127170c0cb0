#include "engine/resources/file_utils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "pictures/res_log.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace engine {
namespace {

// Position just after the last separator of the path (GBK-aware: a trail byte
// may be '\').
size_t LastComponentStart(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size();) {
        size_t n = platform::GbkCharLength(path, i);
        if (n == 1 && (path[i] == '\\' || path[i] == '/')) start = i + 1;
        i += n;
    }
    return start;
}

}  // namespace

std::string GetAppDir() {
    return platform::ProgramDir();
}

std::string MakeFullPath(std::string_view name) {
    return GetAppDir() + std::string(name);
}

bool FileExists(std::string_view name) {
    const std::string path = MakeFullPath(name);
    return platform::FileExists(path) || platform::DirectoryExists(path);
}

std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path) {
    if (path.empty()) return std::nullopt;
    // The log line's text is bounded by ResLog's buffer, so a long path is cut.
    std::string shown(path);
    std::unique_ptr<FILE, int (*)(FILE*)> file(
        std::fopen(platform::ResolvePath(path).c_str(), "rb"), std::fclose);
    if (!file) {
        ResLog("文件%s 打开失败!", shown.c_str());
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > kMaxWholeFileBytes) {
            ResLog("文件%s 过大!", shown.c_str());
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

void StrToLowerAscii(std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = uint8_t(text[i]);
        if (c >= 0x80) {
            if (i + 1 < text.size()) ++i;  // the trail byte is never changed
        } else if (c >= 'A' && c <= 'Z') {
            text[i] = char(c + 32);
        }
    }
}

std::string GetFileExt(std::string_view path) {
    std::string_view last = path.substr(LastComponentStart(path));
    size_t dot = last.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(last.substr(dot));
}

std::string GetFileTitle(std::string_view path) {
    std::string_view last = path.substr(LastComponentStart(path));
    size_t dot = last.rfind('.');
    return std::string(dot == std::string_view::npos ? last : last.substr(0, dot));
}

int StrToInt(std::string_view text) {
    std::string copy(text);
    errno = 0;
    long value = std::strtol(copy.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

// A piece ends at each comma and is kept even when empty; the rest after the
// last comma is kept only when not empty, so a trailing comma adds nothing.
size_t SplitString(std::string_view text, std::vector<std::string>& list) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ',') {
            list.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) list.emplace_back(text.substr(start));
    return list.size();
}

std::string ExtractQuoted(std::string_view text) {
    size_t first = text.find('"');
    size_t last = text.rfind('"');
    if (first == std::string_view::npos || last == first) return std::string(text);
    return std::string(text.substr(first + 1, last - first - 1));
}

}  // namespace engine
