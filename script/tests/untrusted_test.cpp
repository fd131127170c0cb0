#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/messages.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class UntrustedTest : public ::testing::Test {
  protected:
    UntrustedTest() {
        t.interpreter.SetStepBudget(20000);
        t.interpreter.SetMaxCallDepth(32);
        t.interpreter.SetMaxContexts(64);
        t.interpreter.SetMaxValueLength(4096);
    }
    TestInterpreter t;
};

TEST_F(UntrustedTest, EndlessLoopStopsAtTheStepBudget) {
    EXPECT_EQ(t.RunMain("当(1){ }"), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kStepBudget, {"main"})));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST_F(UntrustedTest, BackwardJumpWithoutEndStopsAtTheStepBudget) {
    EXPECT_EQ(t.RunMain("标记 top; x = 1; 跳转 top;"), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kStepBudget, {"main"})));
}

TEST_F(UntrustedTest, BudgetIsPerRunSoWaitingLoopsGoOn) {
    // Each delivery is a run of its own with a fresh budget.
    EXPECT_EQ(
        t.RunMain("i = 0; 当(i < 3000){ i = i + 1; 如果(i % 1000 == 0){ 等待(1); } } record(i);"),
        kStatusSuspended);
    t.DeliverAll();
    EXPECT_THAT(t.commands.records, ElementsAre("3000"));
    EXPECT_THAT(t.host.notices, IsEmpty());
}

TEST_F(UntrustedTest, RecursionStopsAtTheDepthLimit) {
    ASSERT_EQ(t.Compile("脚本开始 r(n); m = n + 1; r(m); 脚本结束;"), 1);
    EXPECT_EQ(t.interpreter.CallScript("r", "0"), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kCallTooDeep, {"r"})));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);  // no activation is left behind
}

TEST_F(UntrustedTest, RunScriptRecursionStopsAtTheDepthLimit) {
    ASSERT_EQ(t.Compile("脚本开始 again(); 触发脚本(again); 脚本结束;"), 1);
    EXPECT_EQ(t.interpreter.CallScript("again", ""), kStatusEnded);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kCallTooDeep, {"again"})));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST_F(UntrustedTest, ParallelFloodStopsAtTheContextLimit) {
    ASSERT_EQ(t.Compile("脚本开始 spawn(); 并行; 并行; spawn(); spawn(); 等待(1); 脚本结束;"), 1);
    t.interpreter.CallScript("spawn", "");
    t.DeliverAll(5000);
    EXPECT_LE(t.interpreter.RunningCount(), 64u);
    EXPECT_THAT(t.host.notices,
                ::testing::Contains(msg::FormatMessage(msg::kTooManyContexts, {"spawn"})));
    t.DeliverAll(20000);  // it keeps spawning, within the limit
    EXPECT_LE(t.interpreter.RunningCount(), 64u);
    EXPECT_LE(t.host.posted.size(), 64u * 3);
}

TEST_F(UntrustedTest, DoublingTextStopsAtTheLengthLimit) {
    EXPECT_EQ(t.RunMain("s = ab; 当(1){ s = s + s; }"), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kValueTooLong, {"+"})));
}

TEST_F(UntrustedTest, DeeplyNestedBlocksCompileAndFailCleanly) {
    std::string body;
    for (int i = 0; i < 500; ++i)
        body += "如果(1){";
    body += std::string(500, '}');
    EXPECT_EQ(t.RunMain(body), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(std::string(msg::kNestingTooDeep)));
}

TEST_F(UntrustedTest, DeeplyNestedParenthesesAreRefusedAsTooComplex) {
    std::string deep = std::string(200, '(') + "1" + std::string(200, ')');
    EXPECT_EQ(t.RunMain("x = " + deep + ";"), kStatusError);  // nothing was handed to x
    ASSERT_EQ(t.host.logs.size(), 1u);
    EXPECT_NE(t.host.logs[0].find(msg::FormatMessage(msg::kExpressionTooBig, {""})),
              std::string::npos);
}

TEST_F(UntrustedTest, OverLongNamesAndConditionsAreRefused) {
    EXPECT_EQ(t.Compile("脚本开始 " + std::string(64, 'n') + "(); 脚本结束;"), -1);
    EXPECT_EQ(t.host.notices.back().rfind(msg::FormatMessage(msg::kNameTooLong, {""}), 0), 0u);
    EXPECT_EQ(t.RunMain("如果(" + std::string(2000, 'c') + "){ }"), -1);
    EXPECT_EQ(t.host.notices.back().rfind(msg::FormatMessage(msg::kConditionTooLong, {""}), 0), 0u);
    EXPECT_EQ(t.RunMain("传入 " + std::string(300, 'v') + ";"), kStatusError);  // no values handed
    EXPECT_EQ(t.RunMain("变量 " + std::string(300, 'v') + " = 1;"), kStatusError);
    EXPECT_EQ(t.host.notices.back().rfind(msg::FormatMessage(msg::kPrefixTooLong, {""}), 0), 0u);
}

TEST_F(UntrustedTest, TrailBytesThatLookLikeBracesAndBarsStayInsideCharacters) {
    // 0x81 0x7B, 0x81 0x7C and 0x81 0x7D end in '{', '|' and '}'.
    const std::string open = "v\x81\x7B", bar = "w\x81\x7C", close = "u\x81\x7D";
    std::string body = open + " = 2; " + bar + " = " + open + " * 3; 如果(0){ " + close +
                       " = 1; } 否则 { " + close + " = " + bar + " | 1; } record(" + open + ", " +
                       bar + ", " + close + ");";
    EXPECT_EQ(t.RunMain(body), kStatusEnded);
    EXPECT_THAT(t.host.notices, IsEmpty());
    EXPECT_THAT(t.commands.records, ElementsAre("2|6|7"));
}

TEST_F(UntrustedTest, TrailBytesInTextAndLabels) {
    const std::string text = "\"a\x81\x7D\x81\x7B\"";
    std::string body = "变量 k = x\x81\x7D; 匹配 k; 标记 x\x81\x7D; record(" + text +
                       "); 匹配完毕; 当(0){ record(" + text + "); }";
    EXPECT_EQ(t.RunMain(body), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("a\x81\x7D\x81\x7B"));
}

TEST_F(UntrustedTest, ArithmeticFaultsAreErrorsNotCrashes) {
    EXPECT_EQ(t.RunMain("x = 1 / 0;"), kStatusError);
    EXPECT_EQ(t.RunMain("x = 5 % 0;"), kStatusError);
    EXPECT_EQ(t.RunMain("x = -2147483647 - 1; y = x / -1; z = x % -1; record(y, z);"),
              kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("-2147483648|0"));
}

TEST_F(UntrustedTest, MissingArgumentsAreErrors) {
    EXPECT_EQ(t.RunMain("x = 缓存0;"), kStatusEnded);  // an unset name stands for itself
    EXPECT_EQ(t.RunMain("传入 a;"), kStatusError);
    EXPECT_EQ(t.RunMain("运算 +;"), kStatusError);
    EXPECT_EQ(t.RunMain("如果(f()){ }"), kStatusError);  // the condition leaves no value
}

TEST_F(UntrustedTest, JumpToAForgedPositionIsSafe) {
    EXPECT_EQ(t.RunMain("变量 far = 999999; 跳转 far; record(no);"), kStatusEnded);
    EXPECT_EQ(t.RunMain("变量 mid = 3; 跳转 mid;"), kStatusError);  // lands inside a word
    EXPECT_THAT(t.commands.records, IsEmpty());
}

TEST_F(UntrustedTest, FailedSuspendedCalleeTakesItsWaitingCallerDown) {
    ASSERT_EQ(t.Compile("脚本开始 bad(); 等待(1); x = 1 / 0; 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("bad(); record(after);"), kStatusSuspended);
    EXPECT_EQ(t.interpreter.RunningCount(), 2u);
    t.DeliverAll();
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
    ASSERT_EQ(t.host.notices.size(), 2u);
    EXPECT_EQ(t.host.notices[1], msg::FormatMessage(msg::kCallInterrupted, {"main"}));
    EXPECT_THAT(t.commands.records, IsEmpty());
}

TEST_F(UntrustedTest, MessagesForEndedContextsAreIgnored) {
    EXPECT_EQ(t.RunMain("等待(1); 等待(1);"), kStatusSuspended);
    ASSERT_EQ(t.host.posted.size(), 1u);
    int32_t id = t.host.posted.front().contextId;
    t.DeliverAll();
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
    EXPECT_EQ(t.interpreter.HandleEngineMessage(kMessageWaitExpired, id), 0);
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST_F(UntrustedTest, GarbageTextNeverCrashes) {
    const char* inputs[] = {
        "脚本开始",
        "脚本结束;",
        "脚本开始 脚本结束;",
        "脚本开始 f(; 脚本结束;",
        "脚本开始 f(); { { } 脚本结束;",
        "脚本开始 f(); \" 脚本结束;",
        "脚本开始 f(); 从(;;){ 脚本结束;",
        "脚本开始 f(); 跳出; 跳出; }}}; 脚本结束;",
        "脚本开始 f(); 否则; 脚本结束;",
        "脚本开始 f(); 匹配 ; 脚本结束;",
        "脚本开始\x81 f(); 脚本结束;",
    };
    for (const char* input : inputs) {
        int count = t.Compile(input);
        if (count > 0) t.interpreter.CallScript("f", "");
        t.DeliverAll();
    }
    SUCCEED();
}

}  // namespace
}  // namespace script
