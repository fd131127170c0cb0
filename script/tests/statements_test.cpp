// Scripts run as the function "main" with every message they post
// delivered, under the bounds a host sets for scripts it does not trust: the
// statements, the failures and the texts they show, calls and suspensions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "script/statements.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::BoundedInterpreter;
using test_support::TestInterpreter;
using ::testing::ElementsAre;

struct ScriptCase {
    const char* name;
    std::string body;
    std::string records;         // one line each
    int status = kStatusEnded;   // of the first run; -1 when the body does not compile
    std::string notices = "";    // one line each; the last may be cut short
    std::string functions = "";  // compiled before the body runs
};

void PrintTo(const ScriptCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// 0x81 0x7B, 0x81 0x7C and 0x81 0x7D are characters ending in '{', '|' and '}'.
const std::string kOpen = "v\x81\x7B", kBar = "w\x81\x7C", kClose = "u\x81\x7D";
const std::string kTrailText = "\"a\x81\x7D\x81\x7B\"";

// The call failures name the script and the function in the engine's markup.
std::string CallNotice(const char* function, const char* tail) {
    return std::string("<color=255>脚本<rgb=0,0,255;>main<rgb=255,255,255>调用函数<rgb=0,255,0>") +
           function + "<rgb=255,255,255>" + tail;
}

const ScriptCase kScripts[] = {
    // Statements.
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
    // Failures, and the text each shows.
    {"GlobalDefinedTwice", "全局变量 g = 1; 全局变量 g = 2;", "", kStatusError,
     "脚本main全局变量g重复定义!"},
    {"VersionTooHigh", "解释器 2.0;", "", kStatusError, "脚本版本号过高,请换用更高级的脚本解释器!"},
    {"StrayCloseBrace", "};", "", kStatusError, "右括号匹配错误!少了一个左括号,大哥!"},
    {"MatchNoEnd", "k = 1; 匹配 k; 标记 1;", "", kStatusError, "匹配错误，没有正确的结束语."},
    {"MatchEmpty", "传出 ,; 传入 k; 匹配 k; 匹配完毕;", "", kStatusError, "匹配语句不能匹配空."},
    {"TakeInEmptyName", "传出 1,2; 传入 a,,b;", "", kStatusError, "传入：接受参数名不能为空!"},
    {"TakeInTooFew", "传出 1; 传入 a, b;", "", kStatusError,
     "main:GetParamValue错误,传入参数不足!"},
    {"DivideByZero", "x = 7 / 0;", "", kStatusError, "运算除数为零:7"},
    {"RemainderByZero", "x = 7 % 0;", "", kStatusError, "运算除数为零:7"},
    {"UnknownFunction", "nothing(1);", "", kStatusError,
     "<color=255>脚本<rgb=0,0,255;>main<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>"
     "nothing"},
    {"WaitWithoutArgument", "等待();", "", kStatusError, CallNotice("等待", "参数不足!")},
    {"ColourWithTooFew", "RGB(1, 2);", "", kStatusError, CallNotice("RGB", "参数不足!")},
    {"RunScriptWithout", "触发脚本();", "", kStatusError, CallNotice("触发脚本", "参数不足!")},
    {"TimestampWithout", "时间戳();", "", kStatusError, CallNotice("时间戳", "参数不足!")},
    {"SoundWithout", "播放音效();", "", kStatusError, CallNotice("播放音效", "参数不足!")},
    {"CommandRefused", "fail(10);", "", kStatusError, CallNotice("fail", "失败!")},
    {"CommandBadArgument", "fail(20);", "", kStatusError, CallNotice("fail", "失败,参数不合法!")},
    {"CommandOtherCode", "fail(99);", "", kStatusError, ""},
    {"ThirteenNestedBlocks",
     "如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){"
     "如果(1){如果(1){ }}}}}}}}}}}}}",
     "", kStatusError, "段落嵌套过多!"},
    {"CallWithLongName", "函数 abcdefghijabcdefghijabcdefghijabcdefghij;", "", kStatusError,
     "函数名超长:abcdefghijabcdefghijabcdefghijabcdefghij;\r\n脚本结束;\r\n"},
    // Calls and suspensions, then the bounds on untrusted scripts.
    {"ValuesPassBetweenCallerAndCallee", "x = 加(2, 3); record(x); y = 加(x, 加(1, 1)); record(y);",
     "5\n7", kStatusEnded, "", "脚本开始 加(a, b);\r\nc = a + b;\r\n传出 c;\r\n脚本结束;"},
    {"LocalScopes", "x = 5; r = outer(3); record(r, x);", "107|5", kStatusEnded, "",
     "脚本开始 outer(v); x = 100; r = inner(v * 2); y = r + x; 传出 y; 脚本结束;"
     "脚本开始 inner(v); x = 1; y = v + x; 传出 y; 脚本结束;"},
    {"HandedValuesArriveSplitAtCommas", "two(\"a,b\");", "a|b", kStatusEnded, "",
     "脚本开始 two(p, q); record(p, q); 脚本结束;"},
    {"TooFewParametersStopTheCallee", "two(1); record(after);", "", kStatusError,
     "two:GetParamValue错误,传入参数不足!", "脚本开始 two(a, b); record(a); 脚本结束;"},
    {"IndirectCall", "变量 which = target; 函数 @which;", "reached", kStatusEnded, "",
     "脚本开始 target(); record(reached); 脚本结束;"},
    {"RunScriptDoesNotWait", "触发脚本(side, 1, 2); record(main);", "side|1|2\nmain\nsidelate",
     kStatusEnded, "",
     "脚本开始 side(a, b); record(side, a, b); 等待(10); record(sidelate); 脚本结束;"},
    {"WaitSuspends", "record(before); 等待(250); record(after);", "before\nafter",
     kStatusSuspended},
    {"CallerWaitsForASuspendedCallee", "r = slow(4); 传入 a, b; record(a, b, r);", "40|done|40",
     kStatusSuspended, "",
     "脚本开始 slow(v); 等待(0); WAIT(5); w = v * 10; 传出 w, done; 脚本结束;"},
    {"ChainOfSuspendedCallers", "r = a(); record(main, r);", "b\na|B\nmain|A", kStatusSuspended, "",
     "脚本开始 a(); r = b(); record(a, r); 传出 A; 脚本结束;"
     "脚本开始 b(); 等待(1); record(b); 传出 B; 脚本结束;"},
    {"ParallelCallStartsFromTheQueue", "并行; p(7); record(main); p(8);", "main\np|8\np|7",
     kStatusEnded, "", "脚本开始 p(x); record(p, x); 传出 ignored; 脚本结束;"},
    {"ParallelCallsInterleaveAtWaits", "并行; 并行; tick(a); tick(b);", "a|0\nb|0\na|1\nb|1",
     kStatusEnded, "",
     "脚本开始 tick(n); 从(i = 0; i < 2; i = i + 1){ record(n, i); 等待(1); } 脚本结束;"},
    {"FailedSuspendedCalleeTakesItsCallerDown", "bad(); record(after);", "", kStatusSuspended,
     "运算除数为零:1\n<color=255>调用脚本<rgb=0,0,255;>main<rgb=255,255,255>失败,串行调用被打断!",
     "脚本开始 bad(); 等待(1); x = 1 / 0; 脚本结束;"},
    {"EndlessLoop", "当(1){ }", "", kStatusError, "脚本main执行步数超过上限!"},
    {"EndlessBackwardJump", "标记 top; x = 1; 跳转 top;", "", kStatusError,
     "脚本main执行步数超过上限!"},
    {"BudgetIsPerRun",
     "i = 0; 当(i < 3000){ i = i + 1; 如果(i % 1000 == 0){ 等待(1); } } record(i);", "3000",
     kStatusSuspended},
    {"Recursion", "r();", "", kStatusError, "脚本r调用嵌套过深!", "脚本开始 r(); r(); 脚本结束;"},
    {"RunScriptRecursion", "again();", "", kStatusEnded, "脚本again调用嵌套过深!",
     "脚本开始 again(); 触发脚本(again); 脚本结束;"},
    {"DoublingText", "s = ab; 当(1){ s = s + s; }", "", kStatusError, "运算结果超长:+"},
    {"DeeplyNestedBlocks", Repeat("如果(1){", 500) + std::string(500, '}'), "", kStatusError,
     "段落嵌套过多!"},
    {"OverLongCondition", "如果(" + std::string(2000, 'c') + "){ }", "", -1,
     "条件超长:(" + std::string(60, 'c')},
    {"OverLongPrefix", "变量 " + std::string(300, 'v') + " = 1;", "", kStatusError,
     "前缀超长:" + std::string(60, 'v')},
    {"TrailBytesStayInsideCharacters",
     kOpen + " = 2; " + kBar + " = " + kOpen + " * 3; 如果(0){ " + kClose + " = 1; } 否则 { " +
         kClose + " = " + kBar + " | 1; } record(" + kOpen + ", " + kBar + ", " + kClose + ");",
     "2|6|7"},
    {"TrailBytesInTextAndLabels",
     "变量 k = x\x81\x7D; 匹配 k; 标记 x\x81\x7D; record(" + kTrailText +
         "); 匹配完毕; 当(0){ record(" + kTrailText + "); }",
     "a\x81\x7D\x81\x7B"},
    {"SmallestIntegerOverMinusOne", "x = -2147483647 - 1; y = x / -1; z = x % -1; record(y, z);",
     "-2147483648|0"},
    {"UnsetTemporaryStandsForItself", "x = 缓存0; record(x);", "缓存0"},
    {"TakeInWithoutValues", "传入 a;", "", kStatusError, "main:GetParamValue错误,传入参数不足!"},
    {"OperateWithoutValues", "运算 +;", "", kStatusError, "运算传入参数不能小于2,+;\r\n"},
    {"ConditionWithoutValue", "如果(f()){ }", "", kStatusError,
     "<color=255>脚本<rgb=0,0,255;>main<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>f"},
    {"JumpPastTheEnd", "变量 far = 999999; 跳转 far; record(no);", ""},
    {"JumpIntoAWord", "变量 mid = 3; 跳转 mid;", "", kStatusError, "脚本调用了一个无法识别的符号:"},
};

class ScriptTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptTest, RecordsAndNotices) {
    const ScriptCase& c = GetParam();
    BoundedInterpreter t;
    if (!c.functions.empty()) {
        ASSERT_GT(t.Compile(c.functions), 0);
    }
    EXPECT_EQ(t.RunMain(c.body), c.status);
    t.DeliverAll();
    EXPECT_EQ(test_support::Lines(t.commands.records), c.records);
    const std::string notices = test_support::Lines(t.host.notices);
    EXPECT_EQ(notices.substr(0, c.notices.empty() ? std::string::npos : c.notices.size()),
              c.notices);
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, ScriptTest, ::testing::ValuesIn(kScripts),
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
