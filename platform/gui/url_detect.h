#pragma once
// Web addresses in text, for the rich edit's automatic links: a run that
// starts a word with "http://", "https://" or "www." (in any case) and goes
// on over the characters an address may hold. Trailing punctuation belongs
// to the sentence, not the address. Only what OpenUrl opens is a link: a
// link that does nothing when clicked is worse than plain text.

#include <cstddef>
#include <string_view>
#include <vector>

namespace platform {

struct UrlRange {
    size_t begin = 0;
    size_t end = 0;
    bool operator==(const UrlRange&) const = default;
};

// `text` holds one byte per character: anything but printable ASCII
// (double-byte characters, pictures, breaks) ends an address.
std::vector<UrlRange> FindUrls(std::string_view text);

}  // namespace platform
