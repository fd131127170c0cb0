#include "platform/profile.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_text.h"
#include "platform/text.h"

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string FilePath(std::string_view file) {
    const std::string slashed = ToSlashPath(file);
    if (slashed.find('/') == std::string::npos) return ResolvePath(SystemDir() + slashed);
    return ResolvePath(slashed);
}

// Profile files are small; a huge one is refused rather than read whole.
constexpr uintmax_t kMaxProfileBytes = 16 << 20;

std::optional<std::string> ReadFile(const std::string& osPath) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(osPath, ec);
    if (ec || size > kMaxProfileBytes) return std::nullopt;
    std::ifstream in(osPath, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes of `text` that fit in `room`, not splitting a double-byte character.
size_t FitGbk(std::string_view text, size_t room) {
    size_t n = 0;
    while (n < text.size()) {
        const size_t len = GbkCharLength(text, n);
        if (n + len > room) break;
        n += len;
    }
    return n;
}

bool WriteFileAtomically(const std::string& osPath, const std::string& text) {
    const std::string temp = osPath + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(text.data(), std::streamsize(text.size()));
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), osPath.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, std::string_view file) {
    if (!buffer || size == 0) return 0;
    std::string value;
    if (section && key) {
        std::optional<std::string> found;
        if (*key) {
            if (const auto text = ReadFile(FilePath(file)))
                found = ProfileLookup(*text, section, key);
        }
        if (found) {
            value = std::move(*found);
        } else if (defaultValue) {
            std::string_view def(defaultValue);
            while (!def.empty() && def.back() == ' ') {
                def.remove_suffix(1);
            }
            value = def;
        }
    }
    const size_t n = FitGbk(value, size - 1);
    value.copy(buffer, n);
    buffer[n] = '\0';
    return DWORD(n);
}

std::string GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    std::string_view file, DWORD size) {
    if (size == 0) return {};
    std::string buffer(size, '\0');
    buffer.resize(GetPrivateProfileString(section, key, defaultValue, buffer.data(), size, file));
    return buffer;
}

UINT GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                          std::string_view file) {
    char buffer[30];
    if (GetPrivateProfileString(section, key, "", buffer, sizeof buffer, file) == 0) {
        return UINT(defaultValue);
    }
    std::string_view s(buffer);
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    UINT base = 10;
    if (s.size() >= 2 && s[0] == '0') {
        const char p = AsciiToLower(s[1]);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) s.remove_prefix(2);
    }
    UINT result = 0;
    for (char c : s) {
        const char l = AsciiToLower(c);
        UINT digit;
        if (l >= '0' && l <= '9') {
            digit = UINT(l - '0');
        } else if (l >= 'a' && l <= 'f') {
            digit = UINT(l - 'a' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        result = result * base + digit;
    }
    return negative ? 0u - result : result;
}
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               std::string_view file) {
    if (!section) return false;
    const std::string osPath = FilePath(file);
    const auto text = ReadFile(osPath);
    std::error_code ec;
    if (!text && std::filesystem::exists(osPath, ec)) return false;  // unreadable or huge
    const auto edited = ProfileEdit(text.value_or(std::string()), section, key, value);
    return !edited || WriteFileAtomically(osPath, *edited);
}

}  // namespace platform
