#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/messages.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct RunCase {
    const char* name;
    const char* body;
    std::vector<std::string> records;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

// Scripts that exercise the statements, and what they record.
const RunCase kRunCases[] = {
    {"Arithmetic", "record(1 + 2 * 3, 7 / 2, 7 % 3, -7 % 3, 2 - 5);", {"7|3|1|-1|-3"}},
    {"DecimalArithmetic", "record(7.0 / 2, 1.5 + 1);", {"3.500000|2.500000"}},
    {"DecimalDivideByZero", "小数; record(7 / 0, -2 / 0);", {"inf|-inf"}},
    {"TextOperators",
     "record(abc + 12, hello - ll, hello - xy, ab * cd);",
     {"abc12|ll|hello|abcd"}},
    {"DefaultTypeClassifies", "x = 10 - 3; record(x);", {"7"}},
    {"TextTypeSearches", "字符; x = 10 - 3; record(x);", {"10"}},
    {"IntegerTypeReadsNumbers", "整数; record(2.9 + 1);", {"3"}},
    {"Comparisons",
     "record(2 <= 2, 3 <= 2, 2 < 3); a = 3 >= 3; b = 2 == 2; c = 2 != 2; record(a, b, c);",
     {"TRUE|FALSE|TRUE", "TRUE|TRUE|FALSE"}},
    {"GreaterComparesIntegerParts", "小数; record(2.5 > 2.1, 2.5 >= 2.1);", {"FALSE|TRUE"}},
    {"Logic", "record(1 && 0, 1 || 0, TRUE && TRUE, 0 || FALSE);", {"FALSE|TRUE|TRUE|FALSE"}},
    {"Bits", "record(12 & 10, 12 | 3, -1 & 255);", {"8|15|255"}},
    {"UnaryMinus", "a = 4; record(a * -3, -a, - -a);", {"-12|-4|4"}},
    {"IfTrueSkipsElse",
     "如果(1 < 2){ record(then); }否则{ record(else); } record(end);",
     {"then", "end"}},
    {"IfFalseRunsElse",
     "如果(2 < 1){ record(then); }否则{ record(else); } record(end);",
     {"else", "end"}},
    {"OrIfIgnoresThePreviousBranch", "如果(1){ record(a); } 或者(1){ record(b); }", {"a", "b"}},
    {"NestedIf",
     "x = 3; 如果(x > 1){ 如果(x > 5){ record(big); }否则{ record(mid); } } record(end);",
     {"mid", "end"}},
    {"While", "i = 0; 当(i < 5){ i = i + 1; } record(i);", {"5"}},
    {"WhileNeverEntered", "i = 9; 当(i < 5){ record(body); } record(i);", {"9"}},
    {"For", "s = 0; 从(i = 0; i < 4; i = i + 1){ s = s + i; } record(s, i);", {"6|4"}},
    {"ForWithEmptyInitAndStep", "i = 0; 从(; i < 2;){ i = i + 1; record(i); }", {"1", "2"}},
    {"NestedLoops",
     "n = 0; 从(i = 0; i < 3; i = i + 1){ j = 0; 当(j < i){ n = n + 1; j = j + 1; } } record(n);",
     {"3"}},
    {"BreakLeavesInnermostLoop",
     "i = 0; 当(1){ i = i + 1; 如果(i == 3){ 跳出; } 如果(i > 10){ record(runaway); 返回; } } "
     "record(i);",
     {"3"}},
    {"BreakStepsOverLaterBlocks",
     "i = 0; 当(i < 5){ 跳出; 如果(1){ record(no); } } record(i);",
     {"0"}},
    {"BreakFromInnerLoop",
     "n = 0; 从(i = 0; i < 3; i = i + 1){ 当(1){ n = n + 1; 跳出; } } record(n);",
     {"3"}},
    {"SkippedBlockHoldsALoop", "如果(0){ 当(1){ record(no); } record(no); } record(end);", {"end"}},
    {"BreakOutsideLoopDoesNothing", "跳出; record(x);", {"x"}},
    {"WhileInsideIfClosesNormally",
     "如果(1){ i = 0; 当(i < 2){ i = i + 1; } record(i); }否则{ record(else); } record(end);",
     {"2", "end"}},
    {"JumpBackwards", "i = 0; 标记 L; i = i + 1; 如果(i < 3){ 跳转 L; } record(i);", {"3"}},
    {"JumpToUnsetLabelFallsThrough", "跳转 later; record(a); 标记 later; record(b);", {"a", "b"}},
    {"MatchJumpsToTheCase",
     "k = 2; 匹配 k; 标记 1; record(one); 标记 2; record(two); 匹配完毕; record(end);",
     {"two", "end"}},
    {"MatchFallsThroughToTheEnd",
     "k = 1; 匹配 k; 标记 1; record(one); 标记 2; record(two); 匹配完毕; record(end);",
     {"one", "two", "end"}},
    {"MatchWithoutCaseContinuesAfterEnd",
     "k = 9; 匹配 k; 标记 1; record(one); 匹配完毕; record(end);",
     {"end"}},
    {"MatchNeedsTheWholeLabel",
     "k = 1; 匹配 k; 标记 12; record(twelve); 标记 1; record(one); 匹配完毕;",
     {"one"}},
    {"Variables", "变量 v = hello; 变量 w; record(v, w);", {"hello|"}},
    {"QuotedValuesLoseTheirQuotes", "record(\"a b\", \"x;y\");", {"a b|x;y"}},
    {"EmptyItems",
     "传出 a,,b; 函数 record; 传出 a,; 函数 record; 传出 ; 传入 k; record(k, end);",
     {"a||b", "a|", "|end"}},
    {"GlobalsAreSharedByName", "全局变量 g = record; 传出 via-global; 函数 @g;", {"via-global"}},
    {"ReturnEndsTheFunction", "record(a); 返回; record(b);", {"a"}},
    {"InterpreterVersion", "解释器 1.0; record(ok);", {"ok"}},
    {"Colour",
     "record(红黄绿(255, 0, 0), RGB(0, 0, 255), 颜色(1, 2, 3));",
     {"255|16711680|197121"}},
    {"ScreenSize", "获取当前屏幕大小(); 传入 w, h; record(w, h);", {"1024|768"}},
};

class RunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunTest, RecordsWhatTheScriptComputes) {
    TestInterpreter t;
    EXPECT_EQ(t.RunMain(GetParam().body), kStatusEnded);
    EXPECT_THAT(t.host.notices, IsEmpty());
    EXPECT_EQ(t.commands.records, GetParam().records);
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

// Scripts that fail, and the text each failure reports.
const ErrorCase kErrorCases[] = {
    {"GlobalDefinedTwice", "全局变量 g = 1; 全局变量 g = 2;",
     msg::FormatMessage(msg::kGlobalTwice, {"main", "g"})},
    {"VersionTooHigh", "解释器 2.0;", std::string(msg::kVersionTooHigh)},
    {"StrayCloseBrace", "};", std::string(msg::kStrayCloseBrace)},
    {"MatchNoEnd", "k = 1; 匹配 k; 标记 1;", std::string(msg::kMatchNoEnd)},
    {"MatchEmpty", "传出 ,; 传入 k; 匹配 k; 匹配完毕;", std::string(msg::kMatchEmpty)},
    {"TakeInEmptyName", "传出 1,2; 传入 a,,b;", std::string(msg::kEmptyParamName)},
    {"TakeInTooFew", "传出 1; 传入 a, b;", msg::FormatMessage(msg::kTooFewParams, {"main"})},
    {"DivideByZero", "x = 7 / 0;", msg::FormatMessage(msg::kDivideByZero, {"7"})},
    {"RemainderByZero", "x = 7 % 0;", msg::FormatMessage(msg::kDivideByZero, {"7"})},
    {"UnknownFunction", "nothing(1);",
     msg::FormatMessage(msg::kUnsupportedFunction, {"main", "nothing"})},
    {"WaitWithoutArgument", "等待();", msg::FormatMessage(msg::kCallTooFewArgs, {"main", "等待"})},
    {"ColourWithTooFew", "RGB(1, 2);", msg::FormatMessage(msg::kCallTooFewArgs, {"main", "RGB"})},
    {"RunScriptWithout", "触发脚本();",
     msg::FormatMessage(msg::kCallTooFewArgs, {"main", "触发脚本"})},
    {"TimestampWithout", "时间戳();", msg::FormatMessage(msg::kCallTooFewArgs, {"main", "时间戳"})},
    {"SoundWithout", "播放音效();", msg::FormatMessage(msg::kCallTooFewArgs, {"main", "播放音效"})},
    {"CommandRefused", "fail(10);", msg::FormatMessage(msg::kCallFailed, {"main", "fail"})},
    {"CommandBadArgument", "fail(20);", msg::FormatMessage(msg::kCallBadArgs, {"main", "fail"})},
    {"CommandOtherCode", "fail(99);", ""},
    {"ThirteenNestedBlocks",
     "如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果(1){如果("
     "1){"
     "如果(1){ }}}}}}}}}}}}}",
     std::string(msg::kNestingTooDeep)},
    {"CallWithLongName",
     "函数 "
     "abcdefghijabcdefghijabcdefghijabcdefghij;",
     msg::FormatMessage(msg::kNameTooLong,
                        {"abcdefghijabcdefghijabcdefghijabcdefghij;\r\n脚本结束;\r\n"})},
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

// Runs hand-written compiled text in a context of its own.
int RunCompiled(ScriptContext& context, const std::string& text) {
    context.text = std::make_shared<const std::string>(text);
    context.name = ScriptValue::FromText("hand");
    StatementLimits limits;
    int status = kStatusNext;
    for (int i = 0; i < 100 && status == kStatusNext; ++i)
        status = RunStatement(context, limits);
    return status;
}

TEST(StatementTest, UnknownWord) {
    ScriptContext c;
    EXPECT_EQ(RunCompiled(c, "       foo bar;\r\n"), kStatusError);
    EXPECT_EQ(c.message, msg::FormatMessage(msg::kUnknownWord, {"foo"}));
}

TEST(StatementTest, OperateNeedsTwoValues) {
    ScriptContext c;
    EXPECT_EQ(RunCompiled(c, "       传出 1;\r\n       运算 +;\r\n"), kStatusError);
    EXPECT_EQ(c.message, msg::FormatMessage(msg::kOperandsTooFew, {"+;\r\n"}));
}

TEST(StatementTest, UnknownOperator) {
    ScriptContext c;
    EXPECT_EQ(RunCompiled(c, "       传出 1,2;\r\n       运算 ^;\r\n"), kStatusError);
    EXPECT_EQ(c.message, msg::FormatMessage(msg::kUnknownOperator, {"^"}));
}

TEST(StatementTest, ElseWithoutCondition) {
    ScriptContext c;
    EXPECT_EQ(RunCompiled(c, "       否则;\r\n"), kStatusError);
    EXPECT_EQ(c.message, msg::FormatMessage(msg::kElseNoCondition, {"\r\n"}));
}

TEST(StatementTest, UnclosedBlocks) {
    ScriptContext c;
    EXPECT_EQ(RunCompiled(c, "       传出 0;\r\n       如果 x;\r\n       {;\r\n"), kStatusError);
    EXPECT_EQ(c.message.rfind(msg::FormatMessage(msg::kIfBraces, {""}), 0), 0u);
    ScriptContext w;
    EXPECT_EQ(RunCompiled(w, "       %WhileStart%;\r\n       当 0;\r\n"), kStatusError);
    EXPECT_EQ(w.message.rfind(msg::FormatMessage(msg::kWhileBraces, {""}), 0), 0u);
    ScriptContext e;
    EXPECT_EQ(RunCompiled(e, "       传出 1;\r\n       否则;\r\n       {;\r\n"), kStatusError);
    EXPECT_EQ(e.message.rfind(msg::FormatMessage(msg::kElseBraces, {""}), 0), 0u);
    ScriptContext b;
    EXPECT_EQ(RunCompiled(b, "       {;\r\n       跳出;\r\n"), kStatusError);
    EXPECT_EQ(b.message.rfind(msg::FormatMessage(msg::kBreakFailed, {""}), 0), 0u);
}

TEST(StatementTest, LabelsHoldPositions) {
    ScriptContext c;
    const std::string text = "       标记 here;\r\n";
    EXPECT_EQ(RunCompiled(c, text), kStatusEnded);
    ASSERT_NE(c.FindLocal("here"), nullptr);
    EXPECT_EQ(c.FindLocal("here")->Type(), ScriptValue::kUnsigned);
    EXPECT_EQ(c.FindLocal("here")->ToInt(), static_cast<int>(text.size() - 2));
}

TEST(StatementTest, ForStartWithoutBeginEndsTheFunction) {
    ScriptContext c;
    EXPECT_EQ(RunCompiled(c, "       %ForStart%;\r\n       传出 1;\r\n"), kStatusEnded);
}

TEST(StatementTest, TypeWordsAndParallelCounter) {
    ScriptContext c;
    RunCompiled(c, "       句柄;\r\n       并行;\r\n       并行;\r\n");
    EXPECT_EQ(c.typeWord, 2);
    EXPECT_EQ(c.parallel, 2);
}

TEST(StatementTest, HandleTypeGivesUnsignedBits) {
    TestInterpreter t;
    EXPECT_EQ(t.RunMain("句柄; record(4294967295 & 65535);"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("65535"));
}

TEST(StatementTest, TimestampAndSound) {
    TestInterpreter t;
    t.host.now = 1234;
    EXPECT_EQ(t.RunMain("时间戳(hello); 播放音效(\"ding.wav\");"), kStatusEnded);
    EXPECT_THAT(t.host.logs, ElementsAre("1234:hello"));
    EXPECT_THAT(t.host.sounds, ElementsAre("ding.wav"));
}

}  // namespace
}  // namespace script
