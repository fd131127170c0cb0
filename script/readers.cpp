#include "script/readers.h"

#include <algorithm>

#include "script/messages.h"

namespace script {
namespace {

ReadResult Fail(std::string_view pattern, std::string_view text, size_t from, std::string* error) {
    if (error) *error = msg::FormatMessage(pattern, {text.substr(std::min(from, text.size()))});
    ReadResult r;
    r.ok = false;
    return r;
}

ReadResult Success(std::string_view token, size_t consumed, char terminator) {
    ReadResult r;
    r.value = ScriptValue::FromText(token);
    r.consumed = consumed;
    r.terminator = terminator;
    return r;
}

bool EndsWord(char c) {
    return c == ' ' || c == ';' || c == '(' || c == '\r' || c == '\n' || c == '{';
}

bool EndsName(char c) {
    return c == ' ' || c == ';' || c == ',' || c == '(' || c == ')' || c == '=';
}

// Drops trailing blanks.
std::string_view TrimRight(std::string_view token) {
    while (!token.empty() && IsBlank(token.back()))
        token.remove_suffix(1);
    return token;
}

}  // namespace

ReadResult ReadStatementWord(std::string_view text, size_t pos) {
    size_t start = SkipBlanks(text, pos);
    if (start < text.size() && (text[start] == '{' || text[start] == '}')) {
        return Success(text.substr(start, 1), start + 1 - pos, 0);
    }
    size_t end = start;
    while (end < text.size() && !EndsWord(text[end])) {
        end += CharLen(text, end);
        if (end - start >= kWordLimit) return ReadResult{ScriptValue::FromText(""), 0, true, 0};
    }
    size_t consumed = end - pos;
    char terminator = end < text.size() ? text[end] : 0;
    if (end > start && (terminator == ' ' || terminator == ';')) ++consumed;
    return Success(text.substr(start, end - start), consumed, terminator);
}

ReadResult ReadFunctionName(std::string_view text, size_t pos, std::string* error) {
    size_t start = SkipBlanks(text, pos);
    size_t end = start;
    while (end < text.size() && !EndsName(text[end])) {
        end += CharLen(text, end);
        if (end - start >= kNameLimit) return Fail(msg::kNameTooLong, text, start, error);
    }
    return Success(text.substr(start, end - start), end - pos, end < text.size() ? text[end] : 0);
}

ReadResult ReadCondition(std::string_view text, size_t pos, std::string* error) {
    size_t open = FindUnquoted(text, '(', pos);
    if (open == kNotFound) return Fail(msg::kConditionTooLong, text, pos, error);
    int depth = 1;
    bool quoted = false;
    for (size_t i = open + 1; i < text.size();) {
        if (i - (open + 1) >= kConditionLimit) break;
        size_t length = CharLen(text, i);
        if (length == 1) {
            char c = text[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && c == '(') {
                ++depth;
            } else if (!quoted && c == ')' && --depth == 0) {
                return Success(text.substr(open + 1, i - open - 1), i + 1 - pos, ')');
            }
        }
        i += length;
    }
    return Fail(msg::kConditionTooLong, text, pos, error);
}

ReadResult ReadPrefix(std::string_view text, size_t pos, std::string* error) {
    size_t start = SkipBlanks(text, pos);
    size_t end = start;
    while (end < text.size() && text[end] != '=' && text[end] != ';') {
        end += CharLen(text, end);
        if (end - start >= kPrefixLimit) return Fail(msg::kPrefixTooLong, text, start, error);
    }
    char terminator = end < text.size() ? text[end] : 0;
    size_t consumed = (end < text.size() ? end + 1 : end) - pos;
    return Success(TrimRight(text.substr(start, end - start)), consumed, terminator);
}

ReadResult ReadSuffix(std::string_view text, size_t pos, std::string* error) {
    size_t start = SkipBlanks(text, pos);
    size_t end = FindUnquoted(text, ';', start);
    char terminator = ';';
    if (end == kNotFound) {
        end = text.size();
        terminator = 0;
    }
    if (end - start >= kSuffixLimit) return Fail(msg::kSuffixTooLong, text, start, error);
    size_t consumed = (terminator ? end + 1 : end) - pos;
    return Success(TrimRight(text.substr(start, end - start)), consumed, terminator);
}

int CountParams(std::string_view list) {
    int commas = 0;
    int depth = 0;
    bool quoted = false;
    bool content = false;  // the current piece holds more than blanks and delimiters
    for (size_t i = 0; i < list.size();) {
        size_t length = CharLen(list, i);
        char c = list[i];
        if (length == 1 && c == '"') quoted = !quoted;
        if (length == 1 && !quoted && c == '(') ++depth;
        if (length == 1 && !quoted && c == ')') --depth;
        if (length == 1 && !quoted && depth == 0 && c == ',') {
            ++commas;
            content = false;
        } else if (length != 1 || (!IsDelimiter(c) && c != '\0')) {
            content = true;
        }
        i += length;
    }
    return commas + (content ? 1 : 0);
}

}  // namespace script
