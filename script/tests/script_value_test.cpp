#include "script/script_value.h"

#include <gtest/gtest.h>

#include <climits>

namespace script {
namespace {

ScriptValue Str(const char* text) {
    return ScriptValue::FromText(text);
}
ScriptValue Int(int32_t v) {
    return ScriptValue::FromInt(v);
}
ScriptValue Flt(double v) {
    return ScriptValue::FromFloat(v);
}

TEST(ScriptValueTest, MadeAndChangedValuesCarryTextTypeAndFlag) {
    struct Case {
        ScriptValue v;
        const char* text;
        uint8_t type, flag;
    } cases[] = {
        {ScriptValue(), "", ScriptValue::kEmpty, 0},
        {Int(-42), "-42", ScriptValue::kInteger, 0},
        {ScriptValue::FromBool(true), "TRUE", ScriptValue::kBoolean, 0},
        {ScriptValue::FromBool(false, 2), "FALSE", ScriptValue::kBoolean, 2},
        {Flt(1.5), "1.500000", ScriptValue::kFloating, 0},
        {ScriptValue::FromUInt(4294967295u, 3), "4294967295", ScriptValue::kUnsigned, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.v.Text(), c.text);
        EXPECT_EQ(c.v.Type(), c.type) << c.text;
        EXPECT_EQ(c.v.Flag(), c.flag) << c.text;
    }
    EXPECT_EQ(Flt(1e300).Text().size(), 301u + 7u);  // large doubles print in full
    // Appending takes the tag (and for a value the flag) of what was appended;
    // assigned chars keep the flag; clearing keeps the text.
    ScriptValue v = ScriptValue::FromInt(1, 9);
    v.AssignChars("abc");
    EXPECT_EQ(v.Flag(), 9);
    v.AssignText("ab");
    EXPECT_EQ(v.Flag(), 0);
    v.AppendInt(-3);
    EXPECT_EQ(v.Type(), ScriptValue::kInteger);
    v.AppendText("c");
    EXPECT_EQ(v.Type(), ScriptValue::kString);
    v.AppendFloat(0.25);
    EXPECT_EQ(v.Type(), ScriptValue::kFloating);
    v.AppendUInt(5);
    EXPECT_EQ(v.Type(), ScriptValue::kUnsigned);
    v.Append(ScriptValue::FromInt(-1, 4));
    EXPECT_EQ(v.Text(), "ab-3c0.2500005-1");
    EXPECT_EQ(v.Type(), ScriptValue::kInteger);
    EXPECT_EQ(v.Flag(), 4);
    v.Clear();
    EXPECT_EQ(v.Type(), ScriptValue::kEmpty);
    EXPECT_EQ(v.Text(), "ab-3c0.2500005-1");
    v.SetType(ScriptValue::kString, 2);
    ScriptValue copy;
    copy.Assign(v);
    EXPECT_EQ(copy.Flag(), 2);
    // Searches outside quotes step over double-byte characters: 0x81 0x7B ends in '{'.
    const ScriptValue text = Str("a\"x,y\",b\x81\x7B{");
    EXPECT_EQ(text.FindUnquoted(',', 0), 6u);
    EXPECT_EQ(text.FindUnquoted('{', 0), 10u);
    EXPECT_EQ(text.FindUnquoted(';', 0), text.Text().size());
    for (size_t start : {text.Text().size(), size_t(99)})
        EXPECT_EQ(text.FindUnquoted(',', start), text.Text().size());
    EXPECT_EQ(text.CharAt(10), '{');
    EXPECT_EQ(text.CharAt(99), '\0');
}

TEST(ScriptValueTest, ClassifyTable) {
    struct Case {
        const char* text;
        uint8_t type;
    } cases[] = {
        {"", ScriptValue::kInteger},       {"-12", ScriptValue::kInteger},
        {"+", ScriptValue::kInteger},      {"3.5", ScriptValue::kFloating},
        {"1.2.3", ScriptValue::kFloating}, {"12a", ScriptValue::kString},
        {"1-2", ScriptValue::kString},     {".", ScriptValue::kFloating},
        {"TRUE", ScriptValue::kString},    {" 1", ScriptValue::kString},
        {"确定", ScriptValue::kString},
    };
    for (const Case& c : cases) {
        ScriptValue v = Str(c.text);
        v.Classify();
        EXPECT_EQ(v.Type(), c.type) << c.text;
    }
}

TEST(ScriptValueTest, ReadingAsNumbersFollowsTheCLibrary) {
    EXPECT_EQ(Str("").ToInt(), 0);
    EXPECT_EQ(Str("  -17xyz").ToInt(), -17);
    EXPECT_EQ(Str("abc").ToInt(), 0);
    EXPECT_EQ(Str("4294967295").ToInt(), -1);
    EXPECT_EQ(Str("99999999999999999999999").ToInt(), -1);  // saturated long, cut to 32 bits
    EXPECT_DOUBLE_EQ(Str("2.5e1x").ToFloat(), 25.0);
    EXPECT_TRUE(Str("TRUE").ToBool());
    EXPECT_FALSE(Str("FALSE").ToBool());
    EXPECT_TRUE(Str("7").ToBool());
    EXPECT_FALSE(Str("true").ToBool());
    EXPECT_TRUE(Str("1.5").GreaterThanNumber(1.0));
    EXPECT_FALSE(Str("1.0").GreaterThanNumber(1.0));
}

ScriptValue Apply(const ScriptValue& a, char op, const ScriptValue& b) {
    switch (op) {
        case '+':
            return a + b;
        case '-':
            return a - b;
        case '*':
            return a * b;
        default:
            return a / b;
    }
}

// Scripts run the common cases (see RunTest); these are the tag rules' corners.
TEST(ScriptValueTest, ArithmeticIsChosenByTheLeftTag) {
    struct Case {
        ScriptValue a;
        char op;
        ScriptValue b;
        const char* text;
        uint8_t type;
    } cases[] = {
        {Int(INT_MAX), '+', Int(1), "-2147483648", ScriptValue::kInteger},
        {Int(12), '+', Str("abc"), "12", ScriptValue::kInteger},
        {Int(-7), '/', Int(2), "-3", ScriptValue::kInteger},
        {Str("hello"), '/', Str("el"), "el", ScriptValue::kString},
        {ScriptValue::FromBool(true), '+', Int(2), "2", ScriptValue::kInteger},
        {ScriptValue::FromUInt(4294967295u), '+', Int(1), "0", ScriptValue::kInteger},
        {Flt(0.5), '-', Flt(0.25), "0.250000", ScriptValue::kFloating},
        {Flt(0.5), '*', Int(3), "1.500000", ScriptValue::kFloating},
        // Safe outcomes where C leaves the result undefined.
        {Int(7), '/', Int(0), "0", ScriptValue::kInteger},
        {Int(INT_MIN), '/', Int(-1), "-2147483648", ScriptValue::kInteger},
        {Int(INT_MIN), '*', Int(-1), "-2147483648", ScriptValue::kInteger},
    };
    for (const Case& c : cases) {
        ScriptValue r = Apply(c.a, c.op, c.b);
        EXPECT_EQ(r.Text(), c.text) << c.a.Text() << c.op << c.b.Text();
        EXPECT_EQ(r.Type(), c.type) << c.a.Text() << c.op << c.b.Text();
    }
}

TEST(ScriptValueTest, ComparisonsAreChosenByTheLeftTag) {
    EXPECT_TRUE(Str("abc") < Str("abd"));
    EXPECT_TRUE(Str("b") >= Str("abc"));
    EXPECT_TRUE(ScriptValue::FromBool(true) == ScriptValue::FromBool(false));
    EXPECT_TRUE(Int(9) < Str("10"));     // numeric: b is read as a number
    EXPECT_FALSE(Str("9") < Str("10"));  // text: '9' > '1'
    EXPECT_TRUE(Flt(2.5) >= Flt(2.5));
    EXPECT_TRUE(Flt(2.5) != Int(2));
    EXPECT_TRUE(Int(2) == Flt(2.9));  // integer compare reads 2.9 as 2
    // High bytes order as unsigned, like strcmp.
    EXPECT_TRUE(Str("a") < Str("\xC8\xB7"));
    EXPECT_TRUE(Str("abc").TextEquals("abc"));
    EXPECT_FALSE(Str("abc").TextEquals("ab"));
}

}  // namespace
}  // namespace script
