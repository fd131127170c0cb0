#pragma once
// The text of an INI profile file, parsed and edited in memory; profile.h
// puts files around these. Rules as described there.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The value of key in the first section named `section`, unquoted; nothing
// when the section, the key or its '=' is missing.
std::optional<std::string> ProfileLookup(std::string_view text, std::string_view section,
                                         std::string_view key);

// The text after writing key=value into section. A null value deletes the
// key, a null key the section; nothing when the text stays as it is.
std::optional<std::string> ProfileEdit(std::string_view text, std::string_view section,
                                       const char* key, const char* value);

}  // namespace platform
