// INI text from files written by anyone: lookups and edits never fail
// unsafely, and an edit is read back as written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile_text.h"

namespace {

// A name or value the parser can hold: no NULs, line ends, ']', '=', ';',
// quotes or surrounding blanks.
std::string Clean(std::string_view raw, bool isName) {
    std::string out;
    for (char c : raw) {
        if (c == '\0' || c == '\r' || c == '\n' || c == ']' || c == '=' || c == ';' || c == '"' ||
            c == '\'' || c == ' ' || c == '\t' || c == '[' ||
            static_cast<unsigned char>(c) >= 0x80) {
            continue;
        }
        out += c;
    }
    if (out.empty()) out = isName ? "n" : "v";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t a = data[0] % 16, b = data[1] % 16, c = data[2] % 16;
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    auto take = [&](size_t n) {
        n = std::min(n, rest.size());
        std::string_view out = rest.substr(0, n);
        rest.remove_prefix(n);
        return out;
    };
    const std::string_view rawSection = take(a), rawKey = take(b), rawValue = take(c);
    const std::string_view text = rest;

    // Untouched names straight from the input.
    (void)platform::ProfileLookup(text, rawSection, rawKey);
    (void)platform::ProfileEdit(text, rawSection, nullptr, nullptr);
    const std::string key(rawKey);
    (void)platform::ProfileEdit(text, rawSection, key.c_str(), nullptr);

    const std::string section = Clean(rawSection, true), name = Clean(rawKey, true),
                      value = Clean(rawValue, false);
    const auto edited = platform::ProfileEdit(text, section, name.c_str(), value.c_str());
    if (!edited) __builtin_trap();
    if (platform::ProfileLookup(*edited, section, name) != value) __builtin_trap();
    return 0;
}
