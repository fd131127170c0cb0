// The interpreter driven from outside: the messages it posts, calls from the
// host, command groups and the extension hook, and what it does with broken
// or oversized texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::BoundedInterpreter;
using test_support::TestInterpreter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(FlowTest, WaitsAndParallelStartsPostTheirMessages) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 p(); 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("并行; p(); 等待(250);"), kStatusSuspended);
    ASSERT_EQ(t.host.posted.size(), 2u);
    EXPECT_EQ(t.host.posted[0].code, 132);
    EXPECT_EQ(t.host.posted[1].code, 131);
    EXPECT_EQ(t.host.posted[1].delayMs, 250u);
    EXPECT_EQ(t.interpreter.RunningCount(), 2u);
    const int32_t waiting = t.host.posted[1].contextId;
    EXPECT_EQ(t.DeliverAll(), 2);
    EXPECT_EQ(t.interpreter.RunningCount(), 0u);
    // Messages for ended contexts and other codes change nothing.
    EXPECT_EQ(t.interpreter.HandleEngineMessage(131, waiting), 0);
    EXPECT_EQ(t.interpreter.HandleEngineMessage(130, 1), 1);
    EXPECT_EQ(t.interpreter.HandleEngineMessage(132, -1), 0);
}

TEST(FlowTest, CallScriptFromOutside) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 show(a, b); record(a, b); 脚本结束;"), 1);
    EXPECT_EQ(t.interpreter.CallScript("show", " 1 , \"x,y\" "), kStatusEnded);
    EXPECT_THAT(t.commands.records, ElementsAre("1|\"x,y\""));
    EXPECT_EQ(t.interpreter.CallScript("nowhere", ""), kStatusError);
    EXPECT_THAT(t.host.notices,
                ElementsAre("<break;break;>   脚本运行错误,nowhere不存在!<break;break>"));
}

TEST(FlowTest, AContextWaitingForACalleeIsNotResumedFromOutside) {
    TestInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 slow(); 等待(1); 脚本结束;"), 1);
    EXPECT_EQ(t.RunMain("slow(); record(after);"), kStatusSuspended);
    ScriptContext* main = t.interpreter.FindContext(1);
    ASSERT_NE(main, nullptr);
    t.interpreter.HandleEngineMessage(131, main->id);  // stray message
    EXPECT_THAT(t.commands.records, IsEmpty());
    t.DeliverAll();
    EXPECT_THAT(t.commands.records, ElementsAre("after"));
}

TEST(FlowTest, ParallelFloodStaysWithinTheContextLimit) {
    BoundedInterpreter t;
    ASSERT_EQ(t.Compile("脚本开始 spawn(); 并行; 并行; spawn(); spawn(); 等待(1); 脚本结束;"), 1);
    t.interpreter.CallScript("spawn", "");
    t.DeliverAll(5000);
    EXPECT_LE(t.interpreter.RunningCount(), 64u);
    EXPECT_THAT(t.host.notices, ::testing::Contains("脚本spawn同时运行的脚本过多!"));
    t.DeliverAll(20000);  // it keeps spawning, within the limit
    EXPECT_LE(t.interpreter.RunningCount(), 64u);
    EXPECT_LE(t.host.posted.size(), 64u * 3);
}

TEST(FlowTest, OverLongWordsAndExpressions) {
    BoundedInterpreter t;
    EXPECT_EQ(t.Compile("脚本开始 " + std::string(64, 'n') + "(); 脚本结束;"), -1);
    EXPECT_EQ(t.host.notices.back(), "函数名超长:" + std::string(64, 'n') + "();\r\n脚本结束;\r\n");
    EXPECT_EQ(t.RunMain("传入 " + std::string(300, 'v') + ";"), kStatusError);  // no values
    // Too deep for the compiler's stacks: logged, nothing is handed to x.
    EXPECT_EQ(t.RunMain("x = " + std::string(200, '(') + "1" + std::string(200, ')') + ";"),
              kStatusError);
    ASSERT_EQ(t.host.logs.size(), 1u);
    EXPECT_EQ(t.host.logs[0].rfind("脚本main2运算式错误:运算式过于复杂:", 0), 0u) << t.host.logs[0];
}

// Broken texts: how many functions each registers, how a call of "f" ends,
// and the start of what is shown.
TEST(FlowTest, BrokenTextIsCountedOrRefused) {
    struct Case {
        const char* text;
        int compiled;
        int call;  // 0: nothing registered
        const char* notice;
    } cases[] = {
        {"脚本开始", 0, 0, ""},
        {"脚本结束;", 0, 0, ""},
        {"脚本开始 脚本结束;", -1, 0, "脚本脚本结束语句错误:脚本开始 脚本结束;"},
        {"脚本开始 (); 脚本结束;", -1, 0, "脚本名为空!"},
        {"脚本开始 f; 脚本结束;", -1, 0, "脚本f语句错误:脚本开始 f;"},  // no parameter list
        // What came before a failure stays.
        {"脚本开始 f(); 脚本结束; 脚本开始 bad(); x = ; 脚本结束;", -1, kStatusEnded,
         "脚本bad语句错误:x = "},
        {"脚本开始 f(; 脚本结束;", -1, 0, "脚本f语句错误:脚本开始 f(;"},
        {"脚本开始 f(); \" 脚本结束;", -1, 0, "脚本f语句错误:\" 脚本结束;"},
        {"脚本开始 f(); 从(;;){ 脚本结束;", -1, 0, "脚本f语句错误:{ 脚本结束;"},
        {"脚本开始\x81 f(); 脚本结束;", -1, 0, "脚本"},
        {"脚本开始 f(); { { } 脚本结束;", 1, kStatusEnded, ""},
        {"脚本开始 f(); 跳出; 跳出; }}}; 脚本结束;", 1, kStatusError,
         "右括号匹配错误!少了一个左括号,大哥!"},
        {"脚本开始 f(); 否则; 脚本结束;", 1, kStatusError, "Else语法错误，缺乏前置条件\r\n"},
        {"脚本开始 f(); 匹配 ; 脚本结束;", 1, kStatusError, "匹配语句不能匹配空."},
    };
    for (const Case& c : cases) {
        TestInterpreter t;
        EXPECT_EQ(t.Compile(c.text), c.compiled) << c.text;
        EXPECT_EQ(t.interpreter.GetScriptCount(), c.call ? 1 : 0) << c.text;
        if (c.call) {
            EXPECT_EQ(t.interpreter.CallScript("f", ""), c.call) << c.text;
        }
        ASSERT_EQ(t.host.notices.size(), *c.notice ? 1u : 0u) << c.text;
        if (*c.notice) {
            EXPECT_EQ(t.host.notices[0].rfind(c.notice, 0), 0u) << c.text;
        }
        EXPECT_EQ(t.interpreter.RunningCount(), 0u) << c.text;
    }
}

TEST(FlowTest, CommandGroupsAnswerOnlyWhenEnabled) {
    test_support::TestHost host;
    test_support::TestCommands commands;
    ScriptInterpreter interpreter(host);
    interpreter.SetCommandGroup(CommandGroupKind::kEntity, &commands);
    ASSERT_EQ(interpreter.Compile(ScriptValue::FromText("脚本开始 m(); record(x); 脚本结束;")), 1);
    EXPECT_EQ(interpreter.CallScript("m", ""), kStatusError);
    EXPECT_THAT(host.notices, ElementsAre("<color=255>脚本<rgb=0,0,255;>m<rgb=255,255,255>"
                                          "调用了一个不支持的函数<rgb=0,255,0>record"));
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

TEST(FlowTest, ExtensionHookComesBeforeScripts) {
    test_support::TestHost host;
    test_support::TestCommands commands;
    ExtendedInterpreter interpreter(host);
    interpreter.SetCommandGroup(CommandGroupKind::kCreate, &commands);
    interpreter.EnableCreateCommands();
    ASSERT_EQ(
        interpreter.Compile(ScriptValue::FromText("脚本开始 ext(); 传出 script; 脚本结束; "
                                                  "脚本开始 m(); r = ext(); record(r); 脚本结束;")),
        2);
    EXPECT_EQ(interpreter.CallScript("m", ""), kStatusEnded);
    EXPECT_THAT(commands.records, ElementsAre("from-extension"));
}

}  // namespace
}  // namespace script
