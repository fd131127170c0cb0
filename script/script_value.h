#pragma once
// The one value type of the scene script language. A value is always held as
// text; a type tag says how the operators read that text. Self-contained: the
// engine shares it with the interpreter (script buttons keep their sounds and
// properties as script values). Header-only, so the engine needs no link to
// the interpreter.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace script {

class ScriptValue {
  public:
    // Type tags.
    static constexpr uint8_t kEmpty = 0;
    static constexpr uint8_t kString = 5;
    static constexpr uint8_t kInteger = 10;
    static constexpr uint8_t kBoolean = 20;
    static constexpr uint8_t kFloating = 30;
    static constexpr uint8_t kUnsigned = 40;

    ScriptValue() = default;
    ScriptValue(std::string text, uint8_t type, uint8_t flag = 0)
        : text_(std::move(text)), type_(type), flag_(flag) {}

    static ScriptValue FromInt(int32_t value, uint8_t flag = 0);
    static ScriptValue FromBool(bool value, uint8_t flag = 0);
    static ScriptValue FromFloat(double value, uint8_t flag = 0);
    static ScriptValue FromUInt(uint32_t value, uint8_t flag = 0);
    // A string value (tag 5, flag 0).
    static ScriptValue FromText(std::string_view text);

    void Assign(const ScriptValue& other) { *this = other; }
    void SetType(uint8_t type, uint8_t flag) {
        type_ = type;
        flag_ = flag;
    }
    // Tag 0; text and flag stay.
    void Clear() { type_ = kEmpty; }
    // Text replaced, tag 5, flag 0.
    void AssignText(std::string_view text);
    // Text replaced, tag 5, flag kept.
    void AssignChars(const char* chars);
    void Append(const ScriptValue& other);
    void AppendText(std::string_view text);
    void AppendInt(int32_t value);
    void AppendFloat(double value);
    void AppendUInt(uint32_t value);

    std::string GetText() const { return text_; }
    const std::string& Text() const { return text_; }
    uint8_t Type() const { return type_; }
    uint8_t Flag() const { return flag_; }

    // C atoi of the text (the leading integer part, 0 when none).
    int32_t ToInt() const;
    // C atof of the text.
    double ToFloat() const;
    // "TRUE" 1, "FALSE" 0, otherwise ToInt() != 0.
    bool ToBool() const;
    // The byte at `index`, 0 past the end.
    char CharAt(size_t index) const { return index < text_.size() ? text_[index] : '\0'; }
    // First byte equal to `c` at or after `start` outside double quotes; the
    // text's length when there is none. Double-byte characters are stepped
    // over whole, so a trail byte never matches.
    size_t FindUnquoted(char c, size_t start) const;
    // Sets the tag from the text: integer, floating or string.
    void Classify();
    bool GreaterThanNumber(double number) const { return ToFloat() > number; }

    // Arithmetic, chosen by the left operand's tag: integers (32-bit wrap),
    // floating point, or text (+ and * concatenate, - and / search).
    // Integer division by zero gives 0.
    friend ScriptValue operator+(const ScriptValue& a, const ScriptValue& b);
    friend ScriptValue operator-(const ScriptValue& a, const ScriptValue& b);
    friend ScriptValue operator*(const ScriptValue& a, const ScriptValue& b);
    friend ScriptValue operator/(const ScriptValue& a, const ScriptValue& b);

    // Comparisons, chosen by the left operand's tag: integers, floating point,
    // or the texts byte by byte. Not an equivalence: "TRUE" == "FALSE" as
    // booleans, since both read as 0.
    friend bool operator==(const ScriptValue& a, const ScriptValue& b);
    friend bool operator!=(const ScriptValue& a, const ScriptValue& b) { return !(a == b); }
    friend bool operator<(const ScriptValue& a, const ScriptValue& b);
    friend bool operator>=(const ScriptValue& a, const ScriptValue& b) { return !(a < b); }

    // Exact byte equality of the text with a plain string.
    bool TextEquals(std::string_view chars) const { return text_ == chars; }

  private:
    // -1, 0 or 1 under the tag rules of the comparisons.
    static int Compare(const ScriptValue& a, const ScriptValue& b);

    std::string text_;
    uint8_t type_ = kEmpty;
    uint8_t flag_ = 0;
};

// Helpers of the implementation.
namespace script_value_detail {

inline constexpr std::string_view kTrue = "TRUE";
inline constexpr std::string_view kFalse = "FALSE";

inline std::string FloatText(double value) {
    char small[64];
    int n = std::snprintf(small, sizeof small, "%f", value);
    if (n < 0) return {};
    if (n < static_cast<int>(sizeof small)) return std::string(small, n);
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%f", value);
    big.resize(static_cast<size_t>(n));
    return big;
}

inline bool IsNumericTag(uint8_t type) {
    return type == ScriptValue::kInteger || type == ScriptValue::kBoolean ||
           type == ScriptValue::kUnsigned;
}

inline int32_t Wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The text search of - and / on text: b's text when it occurs in a's.
inline ScriptValue TextSearch(const ScriptValue& a, const ScriptValue& b) {
    if (a.Text().find(b.Text()) != std::string::npos)
        return ScriptValue(b.Text(), ScriptValue::kString);
    return a;
}

inline ScriptValue Concatenate(const ScriptValue& a, const ScriptValue& b) {
    return ScriptValue(a.Text() + b.Text(), ScriptValue::kString);
}

}  // namespace script_value_detail

inline ScriptValue ScriptValue::FromInt(int32_t value, uint8_t flag) {
    return ScriptValue(std::to_string(value), kInteger, flag);
}

inline ScriptValue ScriptValue::FromBool(bool value, uint8_t flag) {
    return ScriptValue(
        std::string(value ? script_value_detail::kTrue : script_value_detail::kFalse), kBoolean,
        flag);
}

inline ScriptValue ScriptValue::FromFloat(double value, uint8_t flag) {
    return ScriptValue(script_value_detail::FloatText(value), kFloating, flag);
}

inline ScriptValue ScriptValue::FromUInt(uint32_t value, uint8_t flag) {
    return ScriptValue(std::to_string(value), kUnsigned, flag);
}

inline ScriptValue ScriptValue::FromText(std::string_view text) {
    return ScriptValue(std::string(text), kString);
}

inline void ScriptValue::AssignText(std::string_view text) {
    text_.assign(text);
    type_ = kString;
    flag_ = 0;
}

inline void ScriptValue::AssignChars(const char* chars) {
    text_.assign(chars ? chars : "");
    type_ = kString;
}

inline void ScriptValue::Append(const ScriptValue& other) {
    text_ += other.text_;
    type_ = other.type_;
    flag_ = other.flag_;
}

inline void ScriptValue::AppendText(std::string_view text) {
    text_ += text;
    type_ = kString;
}

inline void ScriptValue::AppendInt(int32_t value) {
    text_ += std::to_string(value);
    type_ = kInteger;
}

inline void ScriptValue::AppendFloat(double value) {
    text_ += script_value_detail::FloatText(value);
    type_ = kFloating;
}

inline void ScriptValue::AppendUInt(uint32_t value) {
    text_ += std::to_string(value);
    type_ = kUnsigned;
}

inline int32_t ScriptValue::ToInt() const {
    // As the C library's atoi does it: (int) strtol, saturating at the
    // 64-bit long range before the cut to 32 bits.
    const char* p = text_.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    constexpr uint64_t kLimit = uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (saturated) continue;
        magnitude = magnitude * 10 + uint64_t(*p - '0');
        if (magnitude > kLimit) saturated = true;
    }
    int64_t value;
    if (saturated) {
        value =
            negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    } else {
        value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    }
    return script_value_detail::Wrap(value);
}

inline double ScriptValue::ToFloat() const {
    return std::strtod(text_.c_str(), nullptr);
}

inline bool ScriptValue::ToBool() const {
    if (text_ == script_value_detail::kTrue) return true;
    if (text_ == script_value_detail::kFalse) return false;
    return ToInt() != 0;
}

inline size_t ScriptValue::FindUnquoted(char c, size_t start) const {
    if (start >= text_.size()) return start > text_.size() ? text_.size() : start;
    bool quoted = false;
    for (size_t i = start; i < text_.size();) {
        size_t length = platform::GbkCharLength(text_, i);
        if (length == 1) {
            if (text_[i] == c && !quoted) return i;
            if (text_[i] == '"') quoted = !quoted;
        }
        i += length;
    }
    return text_.size();
}

inline void ScriptValue::Classify() {
    if (text_.empty()) {
        type_ = kInteger;
        return;
    }
    bool point = false;
    for (size_t i = 0; i < text_.size(); ++i) {
        char c = text_[i];
        if (c >= '0' && c <= '9') continue;
        if (c == '.') {
            point = true;
            continue;
        }
        if ((c == '+' || c == '-') && i == 0) continue;
        type_ = kString;
        return;
    }
    type_ = point ? kFloating : kInteger;
}

inline ScriptValue operator+(const ScriptValue& a, const ScriptValue& b) {
    if (script_value_detail::IsNumericTag(a.type_))
        return ScriptValue::FromInt(script_value_detail::Wrap(int64_t(a.ToInt()) + b.ToInt()));
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() + b.ToFloat());
    return script_value_detail::Concatenate(a, b);
}

inline ScriptValue operator-(const ScriptValue& a, const ScriptValue& b) {
    if (script_value_detail::IsNumericTag(a.type_))
        return ScriptValue::FromInt(script_value_detail::Wrap(int64_t(a.ToInt()) - b.ToInt()));
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() - b.ToFloat());
    return script_value_detail::TextSearch(a, b);
}

inline ScriptValue operator*(const ScriptValue& a, const ScriptValue& b) {
    if (script_value_detail::IsNumericTag(a.type_))
        return ScriptValue::FromInt(script_value_detail::Wrap(int64_t(a.ToInt()) * b.ToInt()));
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() * b.ToFloat());
    return script_value_detail::Concatenate(a, b);
}

inline ScriptValue operator/(const ScriptValue& a, const ScriptValue& b) {
    if (script_value_detail::IsNumericTag(a.type_)) {
        int64_t divisor = b.ToInt();
        if (divisor == 0) return ScriptValue::FromInt(0);
        return ScriptValue::FromInt(script_value_detail::Wrap(int64_t(a.ToInt()) / divisor));
    }
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() / b.ToFloat());
    return script_value_detail::TextSearch(a, b);
}

inline int ScriptValue::Compare(const ScriptValue& a, const ScriptValue& b) {
    if (script_value_detail::IsNumericTag(a.type_)) {
        int32_t x = a.ToInt(), y = b.ToInt();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.type_ == kFloating) {
        double x = a.ToFloat(), y = b.ToFloat();
        if (x < y) return -1;
        if (x == y) return 0;
        return 1;  // greater, or unordered (NaN)
    }
    int r = std::strcmp(a.text_.c_str(), b.text_.c_str());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

inline bool operator==(const ScriptValue& a, const ScriptValue& b) {
    return ScriptValue::Compare(a, b) == 0;
}

inline bool operator<(const ScriptValue& a, const ScriptValue& b) {
    return ScriptValue::Compare(a, b) < 0;
}

}  // namespace script
