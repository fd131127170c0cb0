// Path text from the client and from folder listings: separator mapping,
// wildcard matching and name comparison on arbitrary GBK bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/paths.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const size_t cut = data[0] % (size);
    std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view pattern = all.substr(0, std::min(cut, all.size()));
    const std::string_view name = all.substr(std::min(cut, all.size()));

    const std::string slashed = platform::ToSlashPath(all);
    if (slashed.size() != all.size()) __builtin_trap();
    const bool match = platform::MatchWildcard(pattern, name);
    // A name always matches itself when it holds no wildcard.
    if (name.find_first_of("*?") == std::string_view::npos && !platform::MatchWildcard(name, name))
        __builtin_trap();
    if (!platform::MatchWildcard("*", name)) __builtin_trap();
    (void)match;
    if (!platform::GbkEqualsIgnoreCase(name, name)) __builtin_trap();
    return 0;
}
