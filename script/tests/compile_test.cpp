#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/expression_compiler.h"
#include "script/messages.h"
#include "script/preprocessor.h"
#include "script/readers.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;

// The compiled lines, each indented and ending in ";\r\n".
std::string Lines(std::initializer_list<const char*> statements) {
    std::string out;
    for (const char* s : statements)
        AppendLine(out, s);
    return out;
}

std::string Expr(const std::string& text) {
    CompiledExpression c = CompileExpression(text);
    EXPECT_TRUE(c.ok) << text << ": " << c.error;
    return c.text;
}

// The compiled body of one function: the head and end lines dropped.
std::string Body(const std::string& body) {
    PreprocessResult r = Preprocess("脚本开始 t();\r\n" + body + "\r\n脚本结束;");
    EXPECT_TRUE(r.ok) << r.error;
    std::string head = "脚本开始 t();\r\n";
    std::string end = "脚本结束;\r\n";
    if (r.text.rfind(head, 0) != 0 || r.text.size() < head.size() + end.size())
        return "<bad>" + r.text;
    return r.text.substr(head.size(), r.text.size() - head.size() - end.size());
}

TEST(ExpressionCompilerTest, GoldenExpressions) {
    struct Case {
        const char* source;
        std::string lines;
    } cases[] = {
        {"x;", Lines({"传出 x"})},
        {"a + b * c;", Lines({"传出 b,c", "运算 *", "传入 缓存0", "传出 a,缓存0", "运算 +"})},
        {"(a + b) * c;", Lines({"传出 a,b", "运算 +", "传入 缓存0", "传出 缓存0,c", "运算 *"})},
        {"a - b - c;", Lines({"传出 a,b", "运算 -", "传入 缓存0", "传出 缓存0,c", "运算 -"})},
        {"-3;", Lines({"传出 0,3", "运算 -"})},
        {"f();", Lines({"函数 f"})},
        {"a / f(b);", Lines({"传出 b", "函数 f", "传入 缓存0", "传出 a,缓存0", "运算 /"})},
        {"f(a, b + 1);", Lines({"传出 b,1", "运算 +", "传入 缓存0", "传出 a,缓存0", "函数 f"})},
        {"f(1) + g(2);", Lines({"传出 1", "函数 f", "传入 缓存0", "传出 2", "函数 g", "传入 缓存1",
                                "传出 缓存0,缓存1", "运算 +"})},
        {"a > 1 && b <= 2;", Lines({"传出 a,1", "运算 >", "传入 缓存0", "传出 b,2",
                                    "运算 <=", "传入 缓存1", "传出 缓存0,缓存1", "运算 &&"})},
        {"a == b || c != d;", Lines({"传出 a,b", "运算 ==", "传入 缓存0", "传出 c,d",
                                     "运算 !=", "传入 缓存1", "传出 缓存0,缓存1", "运算 ||"})},
        {"a & b | c;", Lines({"传出 a,b", "运算 &", "传入 缓存0", "传出 缓存0,c", "运算 |"})},
        {"a % 3 + 1;", Lines({"传出 a,3", "运算 %", "传入 缓存0", "传出 缓存0,1", "运算 +"})},
        {"\"a+b, c\" + x;", Lines({"传出 \"a+b, c\",x", "运算 +"})},
        {"a, b;", Lines({"传出 a,b"})},
        // A unary minus binds tighter than the binary operators.
        {"a * -3;", Lines({"传出 0,3", "运算 -", "传入 缓存0", "传出 a,缓存0", "运算 *"})},
        {"- -x;", Lines({"传出 0,x", "运算 -", "传入 缓存0", "传出 0,缓存0", "运算 -"})},
        {"-a * b;", Lines({"传出 0,a", "运算 -", "传入 缓存0", "传出 缓存0,b", "运算 *"})},
        {"跳出;", Lines({"跳出"})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Expr(c.source), c.lines) << c.source;
}

TEST(ExpressionCompilerTest, UnpairedParenthesesAreReportedAndCompiledOn) {
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
    };
    for (const Case& c : cases) {
        CompiledExpression r = CompileExpression(c.source);
        EXPECT_EQ(r.ok, !c.lines.empty()) << c.source;
        EXPECT_EQ(r.text, c.lines) << c.source;
        EXPECT_EQ(r.bracketMismatch, c.mismatch) << c.source;
        // Not a stack overflow: the expression itself is the message.
        if (!r.ok) {
            EXPECT_EQ(r.error + ";", c.source);
        }
    }
}

TEST(ExpressionCompilerTest, StackLimitsAreEnforced) {
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
    EXPECT_FALSE(CompileExpression(deep + "a" + std::string(50, ')') + ";").ok);
}

TEST(PreprocessTest, AssignmentsAndCalls) {
    EXPECT_EQ(Body("c = a + b;"), Lines({"传出 a,b", "运算 +", "传入 c"}));
    EXPECT_EQ(Body("x = -3;"), Lines({"传出 0,3", "运算 -", "传入 x"}));
    EXPECT_EQ(Body("y = f();"), Lines({"函数 f", "传入 y"}));
    EXPECT_EQ(Body("x = a / f(b);"),
              Lines({"传出 b", "函数 f", "传入 缓存0", "传出 a,缓存0", "运算 /", "传入 x"}));
    EXPECT_EQ(Body("f(a, b);"), Lines({"传出 a,b", "函数 f"}));
    EXPECT_EQ(Body("x = 5;"), Lines({"传出 5", "传入 x"}));
    EXPECT_EQ(Body("ok = a >= b;"), Lines({"传出 a,b", "运算 >=", "传入 ok"}));
}

TEST(PreprocessTest, CopiedAndPassedThroughStatements) {
    EXPECT_EQ(Body("传出 a, \"x;y\";\r\n变量 v = 1;"), Lines({"传出 a, \"x;y\"", "变量 v = 1"}));
    EXPECT_EQ(Body("并行;整数;小数;句柄;字符;默认类型;"),
              Lines({"并行", "整数", "小数", "句柄", "字符", "默认类型"}));
    EXPECT_EQ(Body("匹配 k;\r\n标记 1;\r\n匹配完毕;"), Lines({"匹配 k", "标记 1", "匹配完毕"}));
    EXPECT_EQ(Body("返回;"), Lines({"返回"}));
    EXPECT_EQ(Body(";;"), "");
}

TEST(PreprocessTest, ConditionsAndLoops) {
    EXPECT_EQ(Body("如果(a > 1){ b = 2; }否则{ b = 3; }"),
              Lines({"传出 a,1", "运算 >", "传入 缓存0", "如果 缓存0", "{", "传出 2", "传入 b", "}",
                     "否则", "{", "传出 3", "传入 b", "}"}));
    EXPECT_EQ(Body("或者(x){}"), Lines({"传出 x", "传入 缓存0", "或者 缓存0", "{", "}"}));
    EXPECT_EQ(Body("当(i < 3){ i = i + 1; }"),
              Lines({"%WhileStart%", "传出 i,3", "运算 <", "传入 缓存0", "当 缓存0", "传出 i,1",
                     "运算 +", "传入 i", "}"}));
    EXPECT_EQ(
        Body("从(i = 0; i < 3; i = i + 1){ f(i); }"),
        Lines({"传出 0", "传入 i", "%ForStart%", "传出 i,1", "运算 +", "传入 i", "%ForBeGin%",
               "传出 i,3", "运算 <", "传入 缓存0", "%ForIF% 缓存0", "传出 i", "函数 f", "}"}));
}

TEST(PreprocessTest, WholeFunction) {
    PreprocessResult r = Preprocess("脚本开始 加(a, b);\r\nc = a + b;\r\n传出 c;\r\n脚本结束;");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.text, "脚本开始 加(a, b);\r\n" + Lines({"传出 a,b", "运算 +", "传入 c", "传出 c"}) +
                          "脚本结束;\r\n");
}

TEST(PreprocessTest, OverLongWordIsNoKeyword) {
    // Sixteen bytes: read as an expression statement, not as a keyword.
    EXPECT_EQ(Body("abcdefghijklmnop;"), Lines({"传出 abcdefghijklmnop"}));
    EXPECT_EQ(ReadStatementWord("abcdefghijklmno;", 0).value.Text(), "abcdefghijklmno");
    EXPECT_EQ(ReadStatementWord("abcdefghijklmnop;", 0).value.Text(), "");
    EXPECT_EQ(ReadStatementWord("abcdefghijklmnop;", 0).consumed, 0u);
}

TEST(PreprocessTest, RefusesBrokenStatements) {
    const char* bad[] = {
        "如果 x { }",            // no condition in parentheses
        "如果(){ }",             // empty condition
        "当(x) y = 1; {",        // statements between a loop head and its '{'
        "当(x) y = 1;",          // no '{'
        "从(i = 0; i < 3){ }",   // two parts
        "= 3;",                  // no target
        "x = ;",                 // no value
        "传出 \"unterminated;",  // no ';' outside quotes
    };
    for (const char* body : bad) {
        PreprocessResult r = Preprocess(std::string("脚本开始 t();\r\n") + body + "\r\n脚本结束;");
        EXPECT_FALSE(r.ok) << body;
        EXPECT_FALSE(r.error.empty()) << body;
    }
}

TEST(ReaderTest, CountParams) {
    EXPECT_EQ(CountParams(""), 0);
    EXPECT_EQ(CountParams("  "), 0);
    EXPECT_EQ(CountParams("a, b"), 2);
    EXPECT_EQ(CountParams("a,"), 1);
    EXPECT_EQ(CountParams("a, f(b, c), \"x,y\""), 3);
}

TEST(ReaderTest, OverflowMessages) {
    std::string error;
    std::string name(40, 'n');
    EXPECT_FALSE(ReadFunctionName(name + ";", 0, &error).ok);
    EXPECT_EQ(error, msg::FormatMessage(msg::kNameTooLong, {name + ";"}));
    EXPECT_TRUE(ReadFunctionName(std::string(31, 'n') + ";", 0, &error).ok);
    std::string condition = "(" + std::string(1100, 'c') + ")";
    EXPECT_FALSE(ReadCondition(condition, 0, &error).ok);
    EXPECT_EQ(error.rfind(msg::FormatMessage(msg::kConditionTooLong, {""}), 0), 0u);
    EXPECT_FALSE(ReadPrefix(std::string(300, 'p') + "=1;", 0, &error).ok);
    EXPECT_FALSE(ReadSuffix(std::string(1100, 's') + ";", 0, &error).ok);
    ReadResult nested = ReadCondition("  ((a)(\")\"))x", 0, &error);
    ASSERT_TRUE(nested.ok);
    EXPECT_EQ(nested.value.Text(), "(a)(\")\")");
    EXPECT_EQ(nested.consumed, 12u);
}

TEST(CommentTest, StrippedToTheLineEndInsideQuotesToo) {
    EXPECT_EQ(StripComments("a; // note\r\nb;"), "a; b;");
    EXPECT_EQ(StripComments("a; // last line"), "a; ");
    EXPECT_EQ(StripComments("传出 \"http://x\"; // c\nb;"), "传出 \"http:b;");
}

TEST(CompileTest, RegistersFunctionsFirstDefinitionWins) {
    TestInterpreter t;
    const std::string text =
        "// header\r\n"
        "脚本开始 f(a, b);\r\n 传出 one; // first\r\n脚本结束;\r\n"
        "脚本开始 f();\r\n 传出 two;\r\n脚本结束;\r\n"
        "脚本开始 g();\r\n 传出 three;\r\n脚本结束;";
    EXPECT_EQ(t.Compile(text), 3);
    EXPECT_EQ(t.interpreter.GetScriptCount(), 2);
    const ScriptFunction* f = t.interpreter.FindFunction("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->templ.paramCount, 2);
    EXPECT_NE(f->templ.text->find("传出 one;"), std::string::npos);
    EXPECT_EQ(f->templ.text->find("first"), std::string::npos);
    EXPECT_EQ(f->templ.version, 1.0);
    EXPECT_TRUE(t.host.notices.empty());
}

TEST(CompileTest, TextWithoutFunctionsCountsZero) {
    TestInterpreter t;
    EXPECT_EQ(t.Compile(""), 0);
    EXPECT_EQ(t.Compile("脚本开始 f(); 传出 x;"), 0);  // no end
    EXPECT_EQ(t.interpreter.GetScriptCount(), 0);
}

TEST(CompileTest, BadHeadFailsAndReports) {
    TestInterpreter t;
    EXPECT_EQ(t.Compile("脚本开始 (); 脚本结束;"), -1);
    ASSERT_EQ(t.host.notices.size(), 1u);
    EXPECT_EQ(t.host.notices[0], msg::kEmptyName);
    EXPECT_EQ(t.Compile("脚本开始 f; 脚本结束;"), -1);  // no parameter list
    EXPECT_EQ(t.Compile("脚本开始 " + std::string(40, 'n') + "(); 脚本结束;"), -1);
    EXPECT_EQ(t.interpreter.GetScriptCount(), 0);
}

TEST(CompileTest, FunctionsBeforeAFailureStayRegistered) {
    TestInterpreter t;
    EXPECT_EQ(t.Compile("脚本开始 ok(); 脚本结束; 脚本开始 bad(); x = ; 脚本结束;"), -1);
    EXPECT_EQ(t.interpreter.GetScriptCount(), 1);
    ASSERT_EQ(t.host.notices.size(), 1u);
    EXPECT_NE(t.host.notices[0].find("bad"), std::string::npos);
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
    EXPECT_THAT(t.host.notices, ::testing::ElementsAre(msg::kBracketMismatch));
    EXPECT_THAT(t.host.logs,
                ::testing::ElementsAre(msg::FormatMessage(msg::kBadExpression, {"t", "a +"}),
                                       msg::FormatMessage(msg::kBadExpression, {"t", "f() + 1"}),
                                       msg::FormatMessage(msg::kBadExpression, {"t", "a = b"})));
}

}  // namespace
}  // namespace script
