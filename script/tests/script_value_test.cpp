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

TEST(ScriptValueTest, ConstructorsGiveTextAndTag) {
    EXPECT_EQ(ScriptValue().Text(), "");
    EXPECT_EQ(ScriptValue().Type(), ScriptValue::kEmpty);
    EXPECT_EQ(ScriptValue().Flag(), 0);
    EXPECT_EQ(Int(-42).Text(), "-42");
    EXPECT_EQ(Int(-42).Type(), ScriptValue::kInteger);
    EXPECT_EQ(ScriptValue::FromBool(true).Text(), "TRUE");
    EXPECT_EQ(ScriptValue::FromBool(false).Text(), "FALSE");
    EXPECT_EQ(ScriptValue::FromBool(false).Type(), ScriptValue::kBoolean);
    EXPECT_EQ(Flt(1.5).Text(), "1.500000");
    EXPECT_EQ(Flt(1.5).Type(), ScriptValue::kFloating);
    EXPECT_EQ(ScriptValue::FromUInt(4294967295u).Text(), "4294967295");
    EXPECT_EQ(ScriptValue::FromUInt(7, 3).Flag(), 3);
    EXPECT_EQ(ScriptValue::FromUInt(7).Type(), ScriptValue::kUnsigned);
    // Large doubles print in full.
    EXPECT_EQ(Flt(1e300).Text().size(), 301u + 7u);
}

TEST(ScriptValueTest, AssignmentsAndAppendsFollowTheirTagRules) {
    ScriptValue v = ScriptValue::FromInt(1, 9);
    v.AssignChars("abc");
    EXPECT_EQ(v.Type(), ScriptValue::kString);
    EXPECT_EQ(v.Flag(), 9);  // kept
    v.AssignText("xyz");
    EXPECT_EQ(v.Flag(), 0);
    v.AppendInt(-3);
    EXPECT_EQ(v.Text(), "xyz-3");
    EXPECT_EQ(v.Type(), ScriptValue::kInteger);
    v.AppendFloat(0.25);
    EXPECT_EQ(v.Text(), "xyz-30.250000");
    EXPECT_EQ(v.Type(), ScriptValue::kFloating);
    v.AppendUInt(5);
    EXPECT_EQ(v.Type(), ScriptValue::kUnsigned);
    v.AppendText("!");
    EXPECT_EQ(v.Type(), ScriptValue::kString);
    v.Append(ScriptValue::FromInt(1, 4));
    EXPECT_EQ(v.Text(), "xyz-30.2500005!1");
    EXPECT_EQ(v.Flag(), 4);
    v.Clear();
    EXPECT_EQ(v.Type(), ScriptValue::kEmpty);
    EXPECT_EQ(v.Text(), "xyz-30.2500005!1");
    v.SetType(ScriptValue::kString, 2);
    EXPECT_EQ(v.Flag(), 2);
    ScriptValue copy;
    copy.Assign(v);
    EXPECT_EQ(copy.Text(), v.Text());
    EXPECT_EQ(copy.Flag(), 2);
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

TEST(ScriptValueTest, FindUnquotedSkipsQuotesAndDoubleBytes) {
    ScriptValue v = Str("a\"x,y\",b");
    EXPECT_EQ(v.FindUnquoted(',', 0), 6u);
    EXPECT_EQ(v.FindUnquoted(';', 0), v.Text().size());
    EXPECT_EQ(v.FindUnquoted(',', v.Text().size()), v.Text().size());
    // 0x81 0x7B is one character whose trail byte is '{'.
    ScriptValue gbk = Str("\x81\x7B{");
    EXPECT_EQ(gbk.FindUnquoted('{', 0), 2u);
    EXPECT_EQ(gbk.CharAt(2), '{');
    EXPECT_EQ(gbk.CharAt(99), '\0');
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
