#include "engine/resources/file_utils.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/resources/res_log.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace engine {
namespace {

bool Exists(const std::string& native) {
    struct stat st;
    return ::stat(native.c_str(), &st) == 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = uint8_t(a[i]), y = uint8_t(b[i]);
        if (x >= 'A' && x <= 'Z') x = uint8_t(x + 32);
        if (y >= 'A' && y <= 'Z') y = uint8_t(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The entry of `dir` whose name matches `name` ignoring ASCII case.
std::optional<std::string> FindNoCase(const std::string& dir, std::string_view name) {
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
    if (!d) return std::nullopt;
    while (dirent* e = ::readdir(d.get())) {
        if (EqualsNoCase(e->d_name, name)) return std::string(e->d_name);
    }
    return std::nullopt;
}

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

std::string ToNativePath(std::string_view path) {
    std::string slashed;
    slashed.reserve(path.size());
    for (size_t i = 0; i < path.size();) {
        size_t n = platform::GbkCharLength(path, i);
        if (n == 1 && path[i] == '\\') {
            slashed += '/';
        } else {
            slashed.append(path.substr(i, n));
        }
        i += n;
    }
    std::string native = platform::GbkToUtf8(slashed);
    if (native.empty() || Exists(native)) return native;

    // Resolve component by component, keeping the given spelling where
    // nothing on disk matches.
    std::string resolved = native[0] == '/' ? "/" : "";
    size_t pos = native[0] == '/' ? 1 : 0;
    while (pos <= native.size()) {
        size_t end = native.find('/', pos);
        if (end == std::string::npos) end = native.size();
        std::string_view part(native.data() + pos, end - pos);
        if (!part.empty()) {
            std::string candidate = resolved + std::string(part);
            if (!Exists(candidate)) {
                if (auto match = FindNoCase(resolved, part)) candidate = resolved + *match;
            }
            resolved = candidate;
        }
        if (end < native.size()) resolved += '/';
        pos = end + 1;
    }
    return resolved;
}

bool FileExists(std::string_view name) {
    return Exists(ToNativePath(MakeFullPath(name)));
}

std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path) {
    if (path.empty()) return std::nullopt;
    // The log line's text is bounded by ResLog's buffer, so a long path is cut.
    std::string shown(path);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(ToNativePath(path).c_str(), "rb"),
                                               std::fclose);
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
