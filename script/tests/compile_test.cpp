#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/expression_compiler.h"
#include "script/preprocessor.h"
#include "script/readers.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;

// The compiled lines, each indented and ending in ";\r\n".
std::string Lines(std::initializer_list<const char*> statements) {
    std::string out;
    for (const char* s : statements)
        AppendLine(out, s);
    return out;
}

// The compiled body of one function: the head and end lines dropped.
std::string Body(const std::string& body) {
    PreprocessResult r = Preprocess("脚本开始 t();\r\n" + body + "\r\n脚本结束;");
    EXPECT_TRUE(r.ok) << r.error;
    const std::string head = "脚本开始 t();\r\n", end = "脚本结束;\r\n";
    if (r.text.rfind(head, 0) != 0 || r.text.size() < head.size() + end.size())
        return "<bad>" + r.text;
    return r.text.substr(head.size(), r.text.size() - head.size() - end.size());
}

TEST(CompileTest, GoldenStatements) {
    struct Case {
        const char* source;
        std::string lines;
    } cases[] = {
        {"x;", Lines({"传出 x"})},
        {"a + b * c;", Lines({"传出 b,c", "运算 *", "传入 缓存0", "传出 a,缓存0", "运算 +"})},
        {"(a + b) * c;", Lines({"传出 a,b", "运算 +", "传入 缓存0", "传出 缓存0,c", "运算 *"})},
        {"a - b - c;", Lines({"传出 a,b", "运算 -", "传入 缓存0", "传出 缓存0,c", "运算 -"})},
        {"f();", Lines({"函数 f"})},
        {"f(a, b + 1);", Lines({"传出 b,1", "运算 +", "传入 缓存0", "传出 a,缓存0", "函数 f"})},
        {"f(1) + g(2);", Lines({"传出 1", "函数 f", "传入 缓存0", "传出 2", "函数 g", "传入 缓存1",
                                "传出 缓存0,缓存1", "运算 +"})},
        {"a > 1 && b <= 2;", Lines({"传出 a,1", "运算 >", "传入 缓存0", "传出 b,2",
                                    "运算 <=", "传入 缓存1", "传出 缓存0,缓存1", "运算 &&"})},
        {"x = a == b || c != d;", Lines({"传出 a,b", "运算 ==", "传入 缓存0", "传出 c,d", "运算 !=",
                                         "传入 缓存1", "传出 缓存0,缓存1", "运算 ||", "传入 x"})},
        {"a & b | c;", Lines({"传出 a,b", "运算 &", "传入 缓存0", "传出 缓存0,c", "运算 |"})},
        {"a % 3 + 1;", Lines({"传出 a,3", "运算 %", "传入 缓存0", "传出 缓存0,1", "运算 +"})},
        {"\"a+b, c\" + x;", Lines({"传出 \"a+b, c\",x", "运算 +"})},
        {"a, b;", Lines({"传出 a,b"})},
        // A unary minus binds tighter than the binary operators.
        {"a * -3;", Lines({"传出 0,3", "运算 -", "传入 缓存0", "传出 a,缓存0", "运算 *"})},
        {"- -x;", Lines({"传出 0,x", "运算 -", "传入 缓存0", "传出 0,缓存0", "运算 -"})},
        {"-a * b;", Lines({"传出 0,a", "运算 -", "传入 缓存0", "传出 缓存0,b", "运算 *"})},
        {"c = a + b;", Lines({"传出 a,b", "运算 +", "传入 c"})},
        {"y = f();", Lines({"函数 f", "传入 y"})},
        {"x = a / f(b);",
         Lines({"传出 b", "函数 f", "传入 缓存0", "传出 a,缓存0", "运算 /", "传入 x"})},
        {"ok = a >= b;", Lines({"传出 a,b", "运算 >=", "传入 ok"})},
        {"传出 a, \"x;y\";\r\n变量 v = 1;", Lines({"传出 a, \"x;y\"", "变量 v = 1"})},
        {"并行;整数;小数;句柄;字符;默认类型;返回;",
         Lines({"并行", "整数", "小数", "句柄", "字符", "默认类型", "返回"})},
        {"匹配 k;\r\n标记 1;\r\n匹配完毕;", Lines({"匹配 k", "标记 1", "匹配完毕"})},
        {";;", ""},
        // Sixteen bytes are no keyword: an expression statement.
        {"abcdefghijklmnop;", Lines({"传出 abcdefghijklmnop"})},
        {"如果(a > 1){ b = 2; }否则{ b = 3; }",
         Lines({"传出 a,1", "运算 >", "传入 缓存0", "如果 缓存0", "{", "传出 2", "传入 b", "}",
                "否则", "{", "传出 3", "传入 b", "}"})},
        {"或者(x){}", Lines({"传出 x", "传入 缓存0", "或者 缓存0", "{", "}"})},
        {"当(i < 3){ i = i + 1; }", Lines({"%WhileStart%", "传出 i,3", "运算 <", "传入 缓存0",
                                           "当 缓存0", "传出 i,1", "运算 +", "传入 i", "}"})},
        {"从(i = 0; i < 3; i = i + 1){ f(i); }",
         Lines({"传出 0", "传入 i", "%ForStart%", "传出 i,1", "运算 +", "传入 i", "%ForBeGin%",
                "传出 i,3", "运算 <", "传入 缓存0", "%ForIF% 缓存0", "传出 i", "函数 f", "}"})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Body(c.source), c.lines) << c.source;
}

TEST(CompileTest, BrokenExpressionsAndStatements) {
    struct Case {
        const char* source;
        std::string lines;  // empty: the expression fails
        bool mismatch;
    } cases[] = {
        {"a + b);", Lines({"传出 a,b", "运算 +"}), true},
        {"(a + b;", Lines({"传出 a,b", "运算 +"}), true},
        {"a * (b + c;", Lines({"传出 b,c", "运算 +", "传入 缓存0", "传出 a,缓存0", "运算 *"}),
         true},
        {"f(a;", Lines({"传出 a", "函数 f"}), true},
        {"a = b;", "", false},    // a lone '='
        {"!a;", "", false},       // a lone '!'
        {"a + ;", "", false},     // too few operands
        {"f() + 1;", "", false},  // a call without arguments leaves no value
        {"(a +;", "", true},
        {"跳出;", Lines({"跳出"}), false},
    };
    for (const Case& c : cases) {
        CompiledExpression r = CompileExpression(c.source);
        EXPECT_EQ(r.ok, !c.lines.empty()) << c.source;
        EXPECT_EQ(r.text, c.lines) << c.source;
        EXPECT_EQ(r.bracketMismatch, c.mismatch) << c.source;
        if (!r.ok) {
            EXPECT_EQ(r.error + ";", c.source);  // the expression itself is the message
        }
    }
    const char* badStatements[] = {
        "如果 x { }",            // no condition in parentheses
        "如果(){ }",             // empty condition
        "当(x) y = 1; {",        // statements between a loop head and its '{'
        "当(x) y = 1;",          // no '{'
        "从(i = 0; i < 3){ }",   // two parts
        "= 3;",                  // no target
        "x = ;",                 // no value
        "传出 \"unterminated;",  // no ';' outside quotes
    };
    for (const char* body : badStatements) {
        PreprocessResult r = Preprocess(std::string("脚本开始 t();\r\n") + body + "\r\n脚本结束;");
        EXPECT_FALSE(r.ok) << body;
        EXPECT_FALSE(r.error.empty()) << body;
    }
}

TEST(CompileTest, StackLimitsAreEnforced) {
    // Six temporaries alive at once exceed the five names.
    EXPECT_FALSE(CompileExpression("a*b+(c*d+(e*f+(g*h+(i*j+(k*l+(m*n))))));").ok);
    // The output list holds 60 entries: 30 terms of a sum fit, 31 do not.
    std::string sum = "a";
    for (int i = 1; i < 30; ++i)
        sum += "+a";
    EXPECT_TRUE(CompileExpression(sum + ";").ok);
    EXPECT_FALSE(CompileExpression(sum + "+a;").ok);
    std::string manyOperands = "a";
    for (int i = 0; i < 70; ++i)
        manyOperands += ",a";
    EXPECT_FALSE(CompileExpression(manyOperands + ";").ok);
    std::string deep(50, '(');
    CompiledExpression tooBig = CompileExpression(deep + "a" + std::string(50, ')') + ";");
    EXPECT_FALSE(tooBig.ok);
    EXPECT_EQ(tooBig.error.rfind("运算式过于复杂:", 0), 0u);
}

TEST(CompileTest, ReadersAndTheirLimits) {
    EXPECT_EQ(CountParams(""), 0);
    EXPECT_EQ(CountParams("  "), 0);
    EXPECT_EQ(CountParams("a,"), 1);
    EXPECT_EQ(CountParams("a, f(b, c), \"x,y\""), 3);
    EXPECT_EQ(ReadStatementWord("abcdefghijklmno;", 0).value.Text(), "abcdefghijklmno");
    EXPECT_EQ(ReadStatementWord("abcdefghijklmnop;", 0).consumed, 0u);
    std::string error;
    const std::string name(40, 'n');
    EXPECT_FALSE(ReadFunctionName(name + ";", 0, &error).ok);
    EXPECT_EQ(error, "函数名超长:" + name + ";");
    EXPECT_TRUE(ReadFunctionName(std::string(31, 'n') + ";", 0, &error).ok);
    EXPECT_FALSE(ReadCondition("(" + std::string(1100, 'c') + ")", 0, &error).ok);
    EXPECT_EQ(error.rfind("条件超长:(ccc", 0), 0u);
    EXPECT_FALSE(ReadPrefix(std::string(300, 'p') + "=1;", 0, &error).ok);
    EXPECT_EQ(error.rfind("前缀超长:ppp", 0), 0u);
    EXPECT_FALSE(ReadSuffix(std::string(1100, 's') + ";", 0, &error).ok);
    EXPECT_EQ(error.rfind("后缀超长:sss", 0), 0u);
    ReadResult nested = ReadCondition("  ((a)(\")\"))x", 0, &error);
    ASSERT_TRUE(nested.ok);
    EXPECT_EQ(nested.value.Text(), "(a)(\")\")");
    EXPECT_EQ(nested.consumed, 12u);
    // Comments end at the line end, inside quotes too.
    EXPECT_EQ(StripComments("a; // note\r\nb;"), "a; b;");
    EXPECT_EQ(StripComments("a; // last line"), "a; ");
    EXPECT_EQ(StripComments("传出 \"http://x\"; // c\nb;"), "传出 \"http:b;");
}

TEST(CompileTest, RegistersFunctionsFirstDefinitionWins) {
    TestInterpreter t;
    EXPECT_EQ(t.Compile("// header\r\n"
                        "脚本开始 f(a, b);\r\n 传出 one; // first\r\n脚本结束;\r\n"
                        "脚本开始 f();\r\n 传出 two;\r\n脚本结束;\r\n"
                        "脚本开始 g();\r\n 传出 three;\r\n脚本结束;"),
              3);
    EXPECT_EQ(t.interpreter.GetScriptCount(), 2);
    const ScriptFunction* f = t.interpreter.FindFunction("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->templ.paramCount, 2);
    EXPECT_EQ(*f->templ.text, "脚本开始 f(a, b);\r\n" + Lines({"传出 one"}) + "脚本结束;\r\n");
    EXPECT_EQ(f->templ.version, 1.0);
    EXPECT_TRUE(t.host.notices.empty());
    // Texts without a whole function count nothing.
    EXPECT_EQ(t.Compile(""), 0);
    EXPECT_EQ(t.Compile("脚本开始 h(); 传出 x;"), 0);
}

TEST(CompileTest, FailedExpressionsCompileToNothingAndCompilingGoesOn) {
    TestInterpreter t;
    EXPECT_EQ(t.Compile("脚本开始 t(); x = a +; y = f() + 1; 如果(a = b){ } z = a + b); 传出 z; "
                        "脚本结束;"),
              1);
    const ScriptFunction* f = t.interpreter.FindFunction("t");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(*f->templ.text, "脚本开始 t();\r\n" +
                                  Lines({"传入 x", "传入 y", "传入 缓存0", "如果 缓存0", "{", "}",
                                         "传出 a,b", "运算 +", "传入 z", "传出 z"}) +
                                  "脚本结束;\r\n");
    EXPECT_THAT(t.host.notices, ElementsAre("运算格式括号不匹配!"));
    EXPECT_THAT(t.host.logs, ElementsAre("脚本t运算式错误:a +", "脚本t运算式错误:f() + 1",
                                         "脚本t运算式错误:a = b"));
}

}  // namespace
}  // namespace script
