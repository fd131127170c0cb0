#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/messages.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CallTest, ValuesPassBetweenCallerAndCallee) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 加(a, b);\r\nc = a + b;\r\n传出 c;\r\n脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("x = 加(2, 3); record(x); y = 加(x, 加(1, 1)); record(y);"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("5", "7"));
    EXPECT_THAT(t.host.notices, IsEmpty());
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(CallTest, NestedCallsAndLocalScopes) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 outer(v); x = 100; r = inner(v * 2); y = r + x; 传出 y; 脚本结束;"
                        "脚本开始 inner(v); x = 1; y = v + x; 传出 y; 脚本结束;"),
              2);
    EXPECT_EQ(t.RunMain("x = 5; r = outer(3); record(r, x);"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("107|5"));
}

TEST(CallTest, HandedValuesArriveAsTextSplitAtCommas) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 two(p, q); record(p, q); 脚本结束;"
                        "脚本开始 kind(p); 传出 p; 函数 record; 脚本结束;"),
              2);
    // The one value a,b arrives as the two values a and b.
    EXPECT_EQ(t.RunMain("two(\"a,b\");"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("a|b"));
}

TEST(CallTest, ArgumentsOfCallScript) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 show(a, b); record(a, b); 脚本结束;"), 1);
    EXPECT_EQ(t.interpreter.CallScript("show", " 1 , \"x,y\" "), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("1|\"x,y\""));
}

TEST(CallTest, TooFewParametersStopTheCallee) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 two(a, b); record(a); 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("two(1); record(after);"), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kTooFewParams, {"two"})));
    EXPECT_THAT(t.commands.records, IsEmpty());
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(CallTest, MissingScript) {
    TestInterpreter t;
    EXPECT_EQ(t.interpreter.CallScript("nowhere", ""), kStatusError);
    EXPECT_THAT(t.host.notices, ElementsAre(msg::FormatMessage(msg::kMissingScript, {"nowhere"})));
}

TEST(CallTest, IndirectCallThroughAVariable) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 target(); record(reached); 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("变量 which = target; 函数 @which;"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("reached"));
}

TEST(CallTest, RunScriptStartsAnotherScriptWithoutWaiting) {
    TestInterpreter t;
    ASSERT_EQ(
        t.Compile("脚本开始 side(a, b); record(side, a, b); 等待(10); record(sidelate); 脚本结束;"),
        1);
    EXPECT_EQ(t.RunMain("触发脚本(side, 1, 2); record(main);"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("side|1|2", "main"));
    EXPECT_EQ(t.DeliverAll(), 1);
    EXPECT_THAT(t.commands.records, ElementsAre("side|1|2", "main", "sidelate"));
}

TEST(SuspensionTest, WaitSuspendsAndTheMessageResumes) {
    TestInterpreter t;
    EXPECT_EQ(t.RunMain("record(before); 等待(250); record(after);"), kStatusSuspended);
    EXPECT_THAT(t.commands.records, ElementsAre("before"));
    ASSERT_EQ(t.host.posted.size(), 1u);
    EXPECT_EQ(t.host.posted[0].code, kMessageWaitExpired);
    EXPECT_EQ(t.host.posted[0].delayMs, 250u);
    EXPECT_EQ(t.interpreter.RunningCount(), 1u);
    EXPECT_EQ(t.DeliverAll(), 1);
    EXPECT_THAT(t.commands.records, ElementsAre("before", "after"));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(SuspensionTest, CallerWaitsForASuspendedCallee) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 slow(v); 等待(0); WAIT(5); w = v * 10; 传出 w, done; 脚本结束;"),
              1);
    EXPECT_EQ(t.RunMain("r = slow(4); 传入 a, b; record(a, b, r);"), kStatusSuspended);
    ASSERT_EQ(t.interpreter.RunningCount(), 2u);
    // The caller waits with the callee's id.
    ScriptContext* caller = nullptr;
    ScriptContext* callee = nullptr;
    for (int32_t id = 1; id <= 2; ++id) {
        ScriptContext* c = t.interpreter.FindContext(id);
        ASSERT_NE(c, nullptr);
        (c->name.Text() == "main" ? caller : callee) = c;
    }
    ASSERT_TRUE(caller && callee);
    EXPECT_EQ(caller->awaited, callee->id);
    EXPECT_EQ(caller->status, kStatusSuspended);
    EXPECT_EQ(callee->caller, caller->id);
    EXPECT_EQ(t.DeliverAll(), 2);
    EXPECT_THAT(t.commands.records, ElementsAre("40|done|40"));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(SuspensionTest, ChainOfSuspendedCallersResumesInOrder) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 a(); r = b(); record(a, r); 传出 A; 脚本结束;"
                        "脚本开始 b(); 等待(1); record(b); 传出 B; 脚本结束;"),
              2);
    EXPECT_EQ(t.RunMain("r = a(); record(main, r);"), kStatusSuspended);
    EXPECT_EQ(t.interpreter.RunningCount(), 3u);
    t.DeliverAll();
    EXPECT_THAT(t.commands.records, ElementsAre("b", "a|B", "main|A"));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(SuspensionTest, ParallelCallStartsFromTheQueueAndResumesNobody) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 p(x); record(p, x); 传出 ignored; 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("并行; p(7); record(main); p(8);"), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("main", "p|8"));
    ASSERT_EQ(t.host.posted.size(), 1u);
    EXPECT_EQ(t.host.posted[0].code, kMessageParallelStart);
    EXPECT_EQ(t.DeliverAll(), 1);
    EXPECT_THAT(t.commands.records, ElementsAre("main", "p|8", "p|7"));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(SuspensionTest, ParallelCallsInterleaveAtWaits) {
    TestInterpreter t;
    ASSERT_EQ(
        t.Compile(
            "脚本开始 tick(n); 从(i = 0; i < 2; i = i + 1){ record(n, i); 等待(1); } 脚本结束;"),
        1);
    EXPECT_EQ(t.RunMain("并行; 并行; tick(a); tick(b);"), kStatusEnded);
    t.DeliverAll();
    EXPECT_THAT(t.commands.records, ElementsAre("a|0", "b|0", "a|1", "b|1"));
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
}

TEST(EngineMessageTest, OtherCodesAreNotHandled) {
    TestInterpreter t;
    EXPECT_EQ(t.interpreter.HandleEngineMessage(130, 1), 1);
    EXPECT_EQ(t.interpreter.HandleEngineMessage(131, 12345), 0);  // no such context
    EXPECT_EQ(t.interpreter.HandleEngineMessage(132, -1), 0);
}

TEST(EngineMessageTest, AContextWaitingForACalleeIsNotResumedFromOutside) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 slow(); 等待(1); 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("slow(); record(after);"), kStatusSuspended);
    ScriptContext* main = t.interpreter.FindContext(1);
    ASSERT_NE(main, nullptr);
    t.interpreter.HandleEngineMessage(kMessageWaitExpired, main->id);  // stray message
    EXPECT_THAT(t.commands.records, IsEmpty());
    t.DeliverAll();
    EXPECT_THAT(t.commands.records, ElementsAre("after"));
}

TEST(EngineMessageTest, CommandGroupsAnswerOnlyWhenEnabled) {
    script::test_support::TestHost host;
    script::test_support::TestCommands commands;
    ScriptInterpreter interpreter(host);
    interpreter.SetCommandGroup(CommandGroupKind::kEntity, &commands);
    ASSERT_EQ(interpreter.Compile(ScriptValue::FromText("脚本开始 m(); record(x); 脚本结束;")), 1);
    EXPECT_EQ(interpreter.CallScript("m", ""), kStatusError);
    EXPECT_THAT(host.notices,
                ElementsAre(msg::FormatMessage(msg::kUnsupportedFunction, {"m", "record"})));
    interpreter.EnableCreateCommands();
    interpreter.EnableEntityCommands();
    EXPECT_EQ(interpreter.Options(), 3u);
    EXPECT_EQ(interpreter.CallScript("m", ""), kStatusEnded);
    EXPECT_THAT(commands.records, ElementsAre("x"));
}

class ExtendedInterpreter : public ScriptInterpreter {
  public:
    using ScriptInterpreter::ScriptInterpreter;
    int CallExtension(ScriptContext& context) override {
        if (context.calledName.Text() != "ext") return kStatusUnknown;
        context.ClearArgs();
        context.PushValue(ScriptValue::FromText("from-extension"));
        return kStatusNext;
    }
};

TEST(EngineMessageTest, ExtensionHookComesBeforeScripts) {
    script::test_support::TestHost host;
    ExtendedInterpreter interpreter(host);
    ASSERT_EQ(
        interpreter.Compile(ScriptValue::FromText("脚本开始 ext(); 传出 script; 脚本结束; 脚本开始 "
                                                  "m(); r = ext(); 全局变量 g = 1; 脚本结束;")),
        2);
    EXPECT_EQ(interpreter.CallScript("m", ""), kStatusEnded);
    EXPECT_THAT(host.notices, IsEmpty());
}

}  // namespace
}  // namespace script
