#include "platform/profile_text.h"

#include <vector>

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

}  // namespace

std::optional<std::string> ProfileLookup(std::string_view text, std::string_view section,
                                         std::string_view key) {
    bool inSection = false, seenSection = false;
    for (std::string_view raw : SplitLines(text)) {
        const Line line = Parse(raw);
        if (line.kind == Line::kSection) {
            if (seenSection) return std::nullopt;  // only the first match counts
            inSection = GbkEqualsIgnoreCase(line.name, section);
            seenSection = inSection;
        } else if (inSection && line.kind == Line::kKey && GbkEqualsIgnoreCase(line.name, key)) {
            if (!line.value) return std::nullopt;
            return std::string(Unquote(*line.value));
        }
    }
    return std::nullopt;
}

std::optional<std::string> ProfileEdit(std::string_view text, std::string_view section,
                                       const char* key, const char* value) {
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
            if (GbkEqualsIgnoreCase(line.name, section)) header = i;
        } else if (header != lines.size() && keyLine == lines.size() && key &&
                   line.kind == Line::kKey && GbkEqualsIgnoreCase(line.name, key)) {
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
        if (!key || !value) return std::nullopt;  // nothing to delete
        out.assign(text);
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
        if (!value) return std::nullopt;
        // After the section's last non-blank line, before the blank ones.
        size_t insert = sectionEnd;
        while (insert > header + 1 && Trim(lines[insert - 1]).empty())
            --insert;
        appendTerminated(0, insert);
        out += entry;
        appendLines(insert, lines.size());
    }
    return out;
}

}  // namespace platform
