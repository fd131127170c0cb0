#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "script/statements.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct RunCase {
    const char* name;
    const char* body;
    std::string records;  // one line each
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

// Scripts that exercise the statements, and what they record.
const RunCase kRunCases[] = {
    {"Arithmetic", "record(1 + 2 * 3, 7 / 2, 7 % 3, -7 % 3, 2 - 5);", "7|3|1|-1|-3"},
    {"DecimalArithmetic", "record(7.0 / 2, 1.5 + 1);", "3.500000|2.500000"},
    {"DecimalDivideByZero", "小数; record(7 / 0, -2 / 0);", "inf|-inf"},
    {"TextOperators", "record(abc + 12, hello - ll, hello - xy, ab * cd);", "abc12|ll|hello|abcd"},
    {"DefaultTypeClassifies", "x = 10 - 3; record(x);", "7"},
    {"TextTypeSearches", "字符; x = 10 - 3; record(x);", "10"},
    {"IntegerTypeReadsNumbers", "整数; record(2.9 + 1);", "3"},
    {"Comparisons",
     "record(2 <= 2, 3 <= 2, 2 < 3); a = 3 >= 3; b = 2 == 2; c = 2 != 2; record(a, b, c);",
     "TRUE|FALSE|TRUE\nTRUE|TRUE|FALSE"},
    {"GreaterComparesIntegerParts", "小数; record(2.5 > 2.1, 2.5 >= 2.1);", "FALSE|TRUE"},
    {"Logic", "record(1 && 0, 1 || 0, TRUE && TRUE, 0 || FALSE);", "FALSE|TRUE|TRUE|FALSE"},
    {"Bits", "record(12 & 10, 12 | 3, -1 & 255);", "8|15|255"},
    {"UnaryMinus", "a = 4; record(a * -3, -a, - -a);", "-12|-4|4"},
    {"IfTrueSkipsElse", "如果(1 < 2){ record(then); }否则{ record(else); } record(end);",
     "then\nend"},
    {"IfFalseRunsElse", "如果(2 < 1){ record(then); }否则{ record(else); } record(end);",
     "else\nend"},
    {"OrIfIgnoresThePreviousBranch", "如果(1){ record(a); } 或者(1){ record(b); }", "a\nb"},
    {"NestedIf",
     "x = 3; 如果(x > 1){ 如果(x > 5){ record(big); }否则{ record(mid); } } record(end);",
     "mid\nend"},
    {"While", "i = 0; 当(i < 5){ i = i + 1; } record(i);", "5"},
    {"WhileNeverEntered", "i = 9; 当(i < 5){ record(body); } record(i);", "9"},
    {"For", "s = 0; 从(i = 0; i < 4; i = i + 1){ s = s + i; } record(s, i);", "6|4"},
    {"ForWithEmptyInitAndStep", "i = 0; 从(; i < 2;){ i = i + 1; record(i); }", "1\n2"},
    {"NestedLoops",
     "n = 0; 从(i = 0; i < 3; i = i + 1){ j = 0; 当(j < i){ n = n + 1; j = j + 1; } } record(n);",
     "3"},
    {"BreakLeavesInnermostLoop",
     "i = 0; 当(1){ i = i + 1; 如果(i == 3){ 跳出; } 如果(i > 10){ record(runaway); 返回; } } "
     "record(i);",
     "3"},
    {"BreakStepsOverLaterBlocks", "i = 0; 当(i < 5){ 跳出; 如果(1){ record(no); } } record(i);",
     "0"},
    {"BreakFromInnerLoop",
     "n = 0; 从(i = 0; i < 3; i = i + 1){ 当(1){ n = n + 1; 跳出; } } record(n);", "3"},
    {"SkippedBlockHoldsALoop", "如果(0){ 当(1){ record(no); } record(no); } record(end);", "end"},
    {"BreakOutsideLoopDoesNothing", "跳出; record(x);", "x"},
    {"WhileInsideIfClosesNormally",
     "如果(1){ i = 0; 当(i < 2){ i = i + 1; } record(i); }否则{ record(else); } record(end);",
     "2\nend"},
    {"JumpBackwards", "i = 0; 标记 L; i = i + 1; 如果(i < 3){ 跳转 L; } record(i);", "3"},
    {"JumpToUnsetLabelFallsThrough", "跳转 later; record(a); 标记 later; record(b);", "a\nb"},
    {"MatchJumpsToTheCase",
     "k = 2; 匹配 k; 标记 1; record(one); 标记 2; record(two); 匹配完毕; record(end);", "two\nend"},
    {"MatchFallsThroughToTheEnd",
     "k = 1; 匹配 k; 标记 1; record(one); 标记 2; record(two); 匹配完毕; record(end);",
     "one\ntwo\nend"},
    {"MatchWithoutCaseContinuesAfterEnd",
     "k = 9; 匹配 k; 标记 1; record(one); 匹配完毕; record(end);", "end"},
    {"MatchNeedsTheWholeLabel",
     "k = 1; 匹配 k; 标记 12; record(twelve); 标记 1; record(one); 匹配完毕;", "one"},
    {"Variables", "变量 v = hello; 变量 w; record(v, w);", "hello|"},
    {"QuotedValuesLoseTheirQuotes", "record(\"a b\", \"x;y\");", "a b|x;y"},
    {"EmptyItems", "传出 a,,b; 函数 record; 传出 a,; 函数 record; 传出 ; 传入 k; record(k, end);",
     "a||b\na|\n|end"},
    {"GlobalsAreSharedByName", "全局变量 g = record; 传出 via-global; 函数 @g;", "via-global"},
    {"ReturnEndsTheFunction", "record(a); 返回; record(b);", "a"},
    {"InterpreterVersion", "解释器 1.0; record(ok);", "ok"},
    {"Colour", "record(红黄绿(255, 0, 0), RGB(0, 0, 255), 颜色(1, 2, 3));", "255|16711680|197121"},
    {"ScreenSize", "获取当前屏幕大小(); 传入 w, h; record(w, h);", "1024|768"},
};

class RunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunTest, RecordsWhatTheScriptComputes) {
    TestInterpreter t;
    EXPECT_EQ(t.RunMain(GetParam().body), kStatusEnded);
    EXPECT_THAT(t.host.notices, IsEmpty());
    EXPECT_EQ(test_support::Lines(t.commands.records), GetParam().records);
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Statements, RunTest, ::testing::ValuesIn(kRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ErrorCase {
    const char* name;
    const char* body;
    std::string notice;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

// The call failures name the script and the function in the engine's markup.
std::string CallNotice(const char* function, const char* tail) {
    return std::string("<color=255>脚本<rgb=0,0,255;>main<rgb=255,255,255>调用函数<rgb=0,255,0>") +
           function + "<rgb=255,255,255>" + tail;
}

// Scripts that fail, and the text each failure shows.
const ErrorCase kErrorCases[] = {
    {"GlobalDefinedTwice", "全局变量 g = 1; 全局变量 g = 2;", "脚本main全局变量g重复定义!"},
    {"VersionTooHigh", "解释器 2.0;", "脚本版本号过高,请换用更高级的脚本解释器!"},
    {"StrayCloseBrace", "};", "右括号匹配错误!少了一个左括号,大哥!"},
    {"MatchNoEnd", "k = 1; 匹配 k; 标记 1;", "匹配错误，没有正确的结束语."},
    {"MatchEmpty", "传出 ,; 传入 k; 匹配 k; 匹配完毕;", "匹配语句不能匹配空."},
    {"TakeInEmptyName", "传出 1,2; 传入 a,,b;", "传入：接受参数名不能为空!"},
    {"TakeInTooFew", "传出 1; 传入 a, b;", "main:GetParamValue错误,传入参数不足!"},
    {"DivideByZero", "x = 7 / 0;", "运算除数为零:7"},
    {"RemainderByZero", "x = 7 % 0;", "运算除数为零:7"},
    {"UnknownFunction", "nothing(1);",
     "<color=255>脚本<rgb=0,0,255;>main<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>"
     "nothing"},
    {"WaitWithoutArgument", "等待();", CallNotice("等待", "参数不足!")},
    {"ColourWithTooFew", "RGB(1, 2);", CallNotice("RGB", "参数不足!")},
    {"RunScriptWithout", "触发脚本();", CallNotice("触发脚本", "参数不足!")},
    {"TimestampWithout", "时间戳();", CallNotice("时间戳", "参数不足!")},
    {"SoundWithout", "播放音效();", CallNotice("播放音效", "参数不足!")},
    {"CommandRefused", "fail(10);", CallNotice("fail", "失败!")},
    {"CommandBadArgument", "fail(20);", CallNotice("fail", "失败,参数不合法!")},
    {"CommandOtherCode", "fail(99);", ""},
    {"ThirteenNestedBlocks",
     "如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){"
     "如果(1){如果(1){ }}}}}}}}}}}}}",
     "段落嵌套过多!"},
    {"CallWithLongName", "函数 abcdefghijabcdefghijabcdefghijabcdefghij;",
     "函数名超长:abcdefghijabcdefghijabcdefghijabcdefghij;\r\n脚本结束;\r\n"},
};

class ErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTest, StopsWithItsMessage) {
    TestInterpreter t;
    EXPECT_EQ(t.RunMain(GetParam().body), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(GetParam().notice));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Statements, ErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Hand-written compiled text, run in a context of its own: the message it
// stops with (empty: it ends without one).
TEST(StatementTest, CompiledTextThatNoCompilerWrites) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"foo bar;", "脚本调用了一个无法识别的符号:foo!"},
        {"传出 1;\r\n       运算 +;", "运算传入参数不能小于2,+;\r\n"},
        {"传出 1,2;\r\n       运算 ^;", "无法匹配的运算操作符^!"},
        {"否则;", "Else语法错误，缺乏前置条件\r\n"},
        {"传出 0;\r\n       如果 x;\r\n       {;", "条件句括号匹配错误!"},
        {"%WhileStart%;\r\n       当 0;", "While条件句括号匹配错误!"},
        {"传出 1;\r\n       否则;\r\n       {;", "条件句Else括号匹配错误!"},
        {"{;\r\n       跳出;", "跳出失败!"},
        {"%ForStart%;\r\n       传出 1;", ""},  // no begin: the function ends
    };
    for (const Case& c : cases) {
        ScriptContext context;
        context.text =
            std::make_shared<const std::string>("       " + std::string(c.text) + "\r\n");
        context.name = ScriptValue::FromText("hand");
        StatementLimits limits;
        int status = kStatusNext;
        for (int i = 0; i < 100 && status == kStatusNext; ++i)
            status = RunStatement(context, limits);
        EXPECT_EQ(status, *c.message ? kStatusError : kStatusEnded) << c.text;
        EXPECT_EQ(context.message.substr(0, std::strlen(c.message)), c.message) << c.text;
    }
}

TEST(StatementTest, LabelsTypeWordsAndTheParallelCounter) {
    ScriptContext c;
    const std::string label = "       标记 here;\r\n";
    c.text = std::make_shared<const std::string>(
        label + "       句柄;\r\n       并行;\r\n       并行;\r\n");
    StatementLimits limits;
    while (RunStatement(c, limits) == kStatusNext) {
    }
    ASSERT_NE(c.FindLocal("here"), nullptr);
    EXPECT_EQ(c.FindLocal("here")->Type(), ScriptValue::kUnsigned);
    EXPECT_EQ(c.FindLocal("here")->ToInt(), int(label.size() - 2));  // after its ';'
    EXPECT_EQ(c.typeWord, 2);
    EXPECT_EQ(c.parallel, 2);
}

TEST(StatementTest, HandleTypeTimestampAndSound) {
    TestInterpreter t;
    t.host.now = 1234;
    EXPECT_EQ(t.RunMain("句柄; record(4294967295 & 65535); 时间戳(hello); 播放音效(\"ding.wav\");"),
              kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("65535"));
    EXPECT_THAT(t.host.logs, ElementsAre("1234:hello"));
    EXPECT_THAT(t.host.sounds, ElementsAre("ding.wav"));
}

}  // namespace
}  // namespace script
