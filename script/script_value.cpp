#include "script/script_value.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/text.h"

namespace script {
namespace {

constexpr std::string_view kTrue = "TRUE";
constexpr std::string_view kFalse = "FALSE";

std::string FloatText(double value) {
    char small[64];
    int n = std::snprintf(small, sizeof small, "%f", value);
    if (n >= 0 && n < static_cast<int>(sizeof small)) return std::string(small, n);
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%f", value);
    big.resize(static_cast<size_t>(n));
    return big;
}

bool IsNumericTag(uint8_t type) {
    return type == ScriptValue::kInteger || type == ScriptValue::kBoolean ||
           type == ScriptValue::kUnsigned;
}

int32_t Wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The text search of - and / on text: b's text when it occurs in a's.
ScriptValue TextSearch(const ScriptValue& a, const ScriptValue& b) {
    if (a.Text().find(b.Text()) != std::string::npos)
        return ScriptValue(b.Text(), ScriptValue::kString);
    return a;
}

ScriptValue Concatenate(const ScriptValue& a, const ScriptValue& b) {
    return ScriptValue(a.Text() + b.Text(), ScriptValue::kString);
}

}  // namespace

ScriptValue ScriptValue::FromInt(int32_t value, uint8_t flag) {
    return ScriptValue(std::to_string(value), kInteger, flag);
}

ScriptValue ScriptValue::FromBool(bool value, uint8_t flag) {
    return ScriptValue(std::string(value ? kTrue : kFalse), kBoolean, flag);
}

ScriptValue ScriptValue::FromFloat(double value, uint8_t flag) {
    return ScriptValue(FloatText(value), kFloating, flag);
}

ScriptValue ScriptValue::FromUInt(uint32_t value, uint8_t flag) {
    return ScriptValue(std::to_string(value), kUnsigned, flag);
}

ScriptValue ScriptValue::FromText(std::string_view text) {
    return ScriptValue(std::string(text), kString);
}

void ScriptValue::AssignText(std::string_view text) {
    text_.assign(text);
    type_ = kString;
    flag_ = 0;
}

void ScriptValue::AssignChars(const char* chars) {
    text_.assign(chars ? chars : "");
    type_ = kString;
}

void ScriptValue::Append(const ScriptValue& other) {
    text_ += other.text_;
    type_ = other.type_;
    flag_ = other.flag_;
}

void ScriptValue::AppendText(std::string_view text) {
    text_ += text;
    type_ = kString;
}

void ScriptValue::AppendInt(int32_t value) {
    text_ += std::to_string(value);
    type_ = kInteger;
}

void ScriptValue::AppendFloat(double value) {
    text_ += FloatText(value);
    type_ = kFloating;
}

void ScriptValue::AppendUInt(uint32_t value) {
    text_ += std::to_string(value);
    type_ = kUnsigned;
}

int32_t ScriptValue::ToInt() const {
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
    return Wrap(value);
}

double ScriptValue::ToFloat() const {
    return std::strtod(text_.c_str(), nullptr);
}

bool ScriptValue::ToBool() const {
    if (text_ == kTrue) return true;
    if (text_ == kFalse) return false;
    return ToInt() != 0;
}

size_t ScriptValue::FindUnquoted(char c, size_t start) const {
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

void ScriptValue::Classify() {
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

ScriptValue operator+(const ScriptValue& a, const ScriptValue& b) {
    if (IsNumericTag(a.type_)) return ScriptValue::FromInt(Wrap(int64_t(a.ToInt()) + b.ToInt()));
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() + b.ToFloat());
    return Concatenate(a, b);
}

ScriptValue operator-(const ScriptValue& a, const ScriptValue& b) {
    if (IsNumericTag(a.type_)) return ScriptValue::FromInt(Wrap(int64_t(a.ToInt()) - b.ToInt()));
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() - b.ToFloat());
    return TextSearch(a, b);
}

ScriptValue operator*(const ScriptValue& a, const ScriptValue& b) {
    if (IsNumericTag(a.type_)) return ScriptValue::FromInt(Wrap(int64_t(a.ToInt()) * b.ToInt()));
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() * b.ToFloat());
    return Concatenate(a, b);
}

ScriptValue operator/(const ScriptValue& a, const ScriptValue& b) {
    if (IsNumericTag(a.type_)) {
        int64_t divisor = b.ToInt();
        if (divisor == 0) return ScriptValue::FromInt(0);
        return ScriptValue::FromInt(Wrap(int64_t(a.ToInt()) / divisor));
    }
    if (a.type_ == ScriptValue::kFloating) return ScriptValue::FromFloat(a.ToFloat() / b.ToFloat());
    return TextSearch(a, b);
}

int ScriptValue::Compare(const ScriptValue& a, const ScriptValue& b) {
    if (IsNumericTag(a.type_)) {
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

bool operator==(const ScriptValue& a, const ScriptValue& b) {
    return ScriptValue::Compare(a, b) == 0;
}

bool operator<(const ScriptValue& a, const ScriptValue& b) {
    return ScriptValue::Compare(a, b) < 0;
}

}  // namespace script
