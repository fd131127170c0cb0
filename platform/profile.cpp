#include "platform/profile.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Trail bytes of GBK include ASCII letters: fold single-byte characters only.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size();) {
        const size_t n = GbkCharLength(a, i);
        if (n == 1) {
            if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
        } else if (a.substr(i, n) != b.substr(i, n)) {
            return false;
        }
        i += n;
    }
    return true;
}

// One line of the file, as parsed.
struct Line {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string_view name;                  // section or key name, trimmed
    std::optional<std::string_view> value;  // keys: the trimmed text after '='
};

Line Parse(std::string_view raw) {
    Line line;
    std::string_view s = Trim(raw);
    if (s.empty() || s[0] == ';') return line;
    if (s[0] == '[') {
        // ']' can be a trail byte: step by characters.
        for (size_t i = 1; i < s.size(); i += GbkCharLength(s, i)) {
            if (s[i] == ']') {
                line.kind = Line::kSection;
                line.name = Trim(s.substr(1, i - 1));
                return line;
            }
        }
        return line;
    }
    line.kind = Line::kKey;
    const size_t eq = s.find('=');  // '=' is never a trail byte
    if (eq == std::string_view::npos) {
        line.name = s;
    } else {
        line.name = Trim(s.substr(0, eq));
        line.value = Trim(s.substr(eq + 1));
    }
    return line;
}

std::string FilePath(std::string_view file) {
    const std::string slashed = ToSlashPath(file);
    if (slashed.find('/') == std::string::npos) return ResolvePath(SystemDir() + slashed);
    return ResolvePath(slashed);
}

std::optional<std::string> ReadFile(const std::string& osPath) {
    std::ifstream in(osPath, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file split into lines, each keeping its own line end.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return lines;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// The value of section/key in the file, or nothing.
std::optional<std::string> Lookup(const char* section, const char* key, std::string_view file) {
    const auto text = ReadFile(FilePath(file));
    if (!text) return std::nullopt;
    bool inSection = false, seenSection = false;
    for (std::string_view raw : SplitLines(*text)) {
        const Line line = Parse(raw);
        if (line.kind == Line::kSection) {
            if (seenSection) return std::nullopt;  // only the first match counts
            inSection = SameName(line.name, section);
            seenSection = inSection;
        } else if (inSection && line.kind == Line::kKey && SameName(line.name, key)) {
            if (!line.value) return std::nullopt;
            return std::string(Unquote(*line.value));
        }
    }
    return std::nullopt;
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
    if (section && key && *key) {
        if (auto found = Lookup(section, key, file)) {
            value = std::move(*found);
        } else if (defaultValue) {
            std::string_view def(defaultValue);
            while (!def.empty() && def.back() == ' ')
                def.remove_suffix(1);
            value = def;
        }
    } else if (section && key && defaultValue) {
        value = defaultValue;  // an empty key name answers the default
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
        const char p = AsciiLower(s[1]);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) s.remove_prefix(2);
    }
    UINT result = 0;
    for (char c : s) {
        const char l = AsciiLower(c);
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
    const std::string text = ReadFile(osPath).value_or(std::string());
    const std::vector<std::string_view> lines = SplitLines(text);
    // New lines end as the file's first line does; CRLF for a new file.
    const size_t lf = text.find('\n');
    const std::string eol =
        (lf == std::string::npos || (lf > 0 && text[lf - 1] == '\r')) ? "\r\n" : "\n";
    const std::string entry = key && value ? std::string(key) + "=" + value + eol : std::string();

    // Locate the first matching section: its header line and its end.
    size_t header = lines.size(), sectionEnd = lines.size(), keyLine = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line line = Parse(lines[i]);
        if (line.kind == Line::kSection) {
            if (header != lines.size()) {
                sectionEnd = i;
                break;
            }
            if (SameName(line.name, section)) header = i;
        } else if (header != lines.size() && keyLine == lines.size() && key &&
                   line.kind == Line::kKey && SameName(line.name, key)) {
            keyLine = i;
        }
    }

    std::string out;
    out.reserve(text.size() + entry.size() + 16);
    auto appendLines = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            out += lines[i];
    };
    // A last line without its line end gets one before anything follows it.
    auto appendTerminated = [&](size_t from, size_t to) {
        appendLines(from, to);
        if (!out.empty() && out.back() != '\n') out += eol;
    };

    if (header == lines.size()) {
        if (!key || !value) return true;  // nothing to delete
        out = text;
        if (!out.empty() && out.back() != '\n') out += eol;
        if (!out.empty()) out += eol;
        out += "[" + std::string(section) + "]" + eol + entry;
    } else if (!key) {
        appendLines(0, header);
        appendLines(sectionEnd, lines.size());
    } else if (keyLine != lines.size()) {
        appendLines(0, keyLine);
        out += entry;
        appendLines(keyLine + 1, lines.size());
    } else {
        if (!value) return true;
        // After the section's last non-blank line, before the blank ones.
        size_t insert = sectionEnd;
        while (insert > header + 1 && Trim(lines[insert - 1]).empty())
            --insert;
        appendTerminated(0, insert);
        out += entry;
        appendLines(insert, lines.size());
    }
    return WriteFileAtomically(osPath, out);
}

}  // namespace platform
