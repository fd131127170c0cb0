#pragma once
// The one value type of the scene script language. A value is always held as
// text; a type tag says how the operators read that text. Self-contained: the
// engine shares it with the interpreter (script buttons keep their sounds and
// properties as script values).

#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace script
