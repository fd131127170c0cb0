#pragma once
// INI profile files, read and written on every call (no caching):
// - sections and keys match ignoring the case of ASCII letters; the first
//   matching section and, in it, the first matching key count;
// - lines whose first non-blank character is ';' are comments; names and
//   values are trimmed; a value quoted with matching ' or " loses the quotes;
//   a line without '=' is no value (the default is answered);
// - text is bytes (GBK stays GBK); a double-byte character is never split;
// - a file over 16 MiB is not read: lookups answer the default and writes
//   fail, leaving it as it is;
// - a write changes only the line it must, keeping comments, order and the
//   file's line ends (CRLF for new files); it replaces the file atomically.
// File names are client paths (see paths.h); a name without a folder is
// looked up in SystemDir(), as the original platform did in its own folder.

#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace platform {

// Copies the value (or `defaultValue` without its trailing blanks, "" when
// null) into buffer, truncated to size - 1 bytes and NUL-terminated;
// answers the bytes copied. A null section or key, or size 0, copies nothing.
DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, std::string_view file);
// The same, as a string of at most size - 1 bytes.
std::string GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    std::string_view file, DWORD size = 4096);
// The value as an integer: blanks, an optional sign, an optional 0x / 0o / 0b
// prefix, then digits up to the first non-digit (none: 0); wraps at 32 bits.
// A missing key or empty value answers `defaultValue`.
UINT GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                          std::string_view file);
// Writes key=value into section, creating the section and the file as
// needed. A null value deletes the key; a null key deletes the section.
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               std::string_view file);

}  // namespace platform
