#pragma once
// The token readers of the compiler and the statement handlers. Each skips
// leading blanks, reads from a position and reports the bytes it consumed.
// A reader that overflows its limit gives an empty value with tag 0 and
// leaves its message in `error`.

#include <cstddef>
#include <string>
#include <string_view>

#include "script/script_value.h"
#include "script/text_scan.h"

namespace script {

struct ReadResult {
    ScriptValue value;    // tag 5 on success, tag 0 on failure
    size_t consumed = 0;  // bytes from the read position
    bool ok = true;
    char terminator = 0;  // the byte that ended the read, 0 at the end of the text
};

// Limits, in bytes: a token reaching the limit overflows.
inline constexpr size_t kWordLimit = 16;
inline constexpr size_t kNameLimit = 32;
inline constexpr size_t kConditionLimit = 1024;
inline constexpr size_t kPrefixLimit = 256;
inline constexpr size_t kSuffixLimit = 1024;

// A statement word: up to ' ', ';', '(', CR, LF, '{' or the end; '{' and '}'
// are words of one byte. A ' ' or ';' after any other word is consumed. A word
// of kWordLimit bytes or more comes back empty with nothing consumed.
ReadResult ReadStatementWord(std::string_view text, size_t pos);

// A function name: up to ' ', ';', ',', '(', ')', '=' or the end.
ReadResult ReadFunctionName(std::string_view text, size_t pos, std::string* error);

// The text between the first '(' and its matching ')' (nesting counted outside
// quotes); the ')' is consumed.
ReadResult ReadCondition(std::string_view text, size_t pos, std::string* error);

// Up to '=' or ';' (consumed, and reported as the terminator); trailing blanks
// dropped.
ReadResult ReadPrefix(std::string_view text, size_t pos, std::string* error);

// Up to the first ';' outside quotes (consumed); trailing blanks dropped.
ReadResult ReadSuffix(std::string_view text, size_t pos, std::string* error);

// The delimiters between names: blank, ';', ',', '(', ')', '='.
inline bool IsDelimiter(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == ';' || c == ',' || c == '(' || c == ')' ||
           c == '=';
}

// Parameters of a head or arguments of a call: commas at depth 0 outside
// quotes, plus one when the last piece holds something other than blanks and
// delimiters. "" counts 0, "a, b" 2, "a," 1.
int CountParams(std::string_view list);

}  // namespace script
