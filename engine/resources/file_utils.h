#pragma once
// Small file and text helpers of the resource side: the program directory and
// paths made from it, whole-file reading, path splitting, double-byte-aware
// lower-casing, comma splitting and quoted-text extraction, and the doubling
// of growable arrays. Paths are GBK text that may use '\' or '/'; they are
// turned into native names only when a file is touched.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Largest file ReadWholeFile loads; resource files are far smaller.
inline constexpr size_t kMaxWholeFileBytes = size_t(256) << 20;

// The program directory with its trailing separator.
std::string GetAppDir();

// The program directory followed by `name`.
std::string MakeFullPath(std::string_view name);

// Whether a file or directory of that relative name exists under the program
// directory.
bool FileExists(std::string_view name);

// The whole file, or nothing (with the log line "文件%s 打开失败!") when the
// path is empty, the file cannot be opened or is larger than the cap.
std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path);

// 'A'-'Z' to 'a'-'z'; both bytes of a double-byte character stay as they are.
void StrToLowerAscii(std::string& text);

// Extension of the last path component, with its dot; empty when none.
std::string GetFileExt(std::string_view path);

// Name of the last path component without directory and extension.
std::string GetFileTitle(std::string_view path);

// Decimal value of the leading digits (C conversion rules, saturating).
int StrToInt(std::string_view text);

// Appends the comma-separated pieces of `text` (see the .cpp for the rules on
// empty pieces) and returns the list's item count.
size_t SplitString(std::string_view text, std::vector<std::string>& list);

// The text between the first and the last double quote; the text itself when
// it holds fewer than two quotes.
std::string ExtractQuoted(std::string_view text);

// Grows `buffer` to capacity + extra elements, or twice the capacity when
// extra is 0; kept elements stay, new ones are zero. Updates `capacity`.
template <class T>
void StretchBuffer(std::vector<T>& buffer, size_t& capacity, size_t extra) {
    size_t grown = extra ? capacity + extra : capacity * 2;
    buffer.resize(grown, T{});
    capacity = grown;
}

}  // namespace engine
