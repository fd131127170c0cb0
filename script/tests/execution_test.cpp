// Calls, suspensions and the bounds on untrusted scripts: each row compiles
// its functions, runs its body as "main", delivers every message the run
// posts, and compares what was recorded and shown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// An interpreter with the bounds a host sets for scripts it does not trust.
struct BoundedInterpreter : TestInterpreter {
    BoundedInterpreter() {
        interpreter.SetStepBudget(20000);
        interpreter.SetMaxCallDepth(32);
        interpreter.SetMaxContexts(64);
        interpreter.SetMaxValueLength(4096);
    }
};

struct FlowCase {
    const char* name;
    std::string functions;  // compiled before the body runs
    std::string body;
    int status;           // of the first run; -1 when the body does not compile
    std::string records;  // one line each
    std::string notices;  // one line each; the last may be cut short
};

void PrintTo(const FlowCase& c, std::ostream* os) {
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

const FlowCase kFlowCases[] = {
    {"ValuesPassBetweenCallerAndCallee", "脚本开始 加(a, b);\r\nc = a + b;\r\n传出 c;\r\n脚本结束;",
     "x = 加(2, 3); record(x); y = 加(x, 加(1, 1)); record(y);", kStatusEnded, "5\n7", ""},
    {"LocalScopes",
     "脚本开始 outer(v); x = 100; r = inner(v * 2); y = r + x; 传出 y; 脚本结束;"
     "脚本开始 inner(v); x = 1; y = v + x; 传出 y; 脚本结束;",
     "x = 5; r = outer(3); record(r, x);", kStatusEnded, "107|5", ""},
    {"HandedValuesArriveSplitAtCommas", "脚本开始 two(p, q); record(p, q); 脚本结束;",
     "two(\"a,b\");", kStatusEnded, "a|b", ""},
    {"TooFewParametersStopTheCallee", "脚本开始 two(a, b); record(a); 脚本结束;",
     "two(1); record(after);", kStatusError, "", "two:GetParamValue错误,传入参数不足!"},
    {"IndirectCall", "脚本开始 target(); record(reached); 脚本结束;",
     "变量 which = target; 函数 @which;", kStatusEnded, "reached", ""},
    {"RunScriptDoesNotWait",
     "脚本开始 side(a, b); record(side, a, b); 等待(10); record(sidelate); 脚本结束;",
     "触发脚本(side, 1, 2); record(main);", kStatusEnded, "side|1|2\nmain\nsidelate", ""},
    {"WaitSuspends", "", "record(before); 等待(250); record(after);", kStatusSuspended,
     "before\nafter", ""},
    {"CallerWaitsForASuspendedCallee",
     "脚本开始 slow(v); 等待(0); WAIT(5); w = v * 10; 传出 w, done; 脚本结束;",
     "r = slow(4); 传入 a, b; record(a, b, r);", kStatusSuspended, "40|done|40", ""},
    {"ChainOfSuspendedCallers",
     "脚本开始 a(); r = b(); record(a, r); 传出 A; 脚本结束;"
     "脚本开始 b(); 等待(1); record(b); 传出 B; 脚本结束;",
     "r = a(); record(main, r);", kStatusSuspended, "b\na|B\nmain|A", ""},
    {"ParallelCallStartsFromTheQueue", "脚本开始 p(x); record(p, x); 传出 ignored; 脚本结束;",
     "并行; p(7); record(main); p(8);", kStatusEnded, "main\np|8\np|7", ""},
    {"ParallelCallsInterleaveAtWaits",
     "脚本开始 tick(n); 从(i = 0; i < 2; i = i + 1){ record(n, i); 等待(1); } 脚本结束;",
     "并行; 并行; tick(a); tick(b);", kStatusEnded, "a|0\nb|0\na|1\nb|1", ""},
    {"FailedSuspendedCalleeTakesItsCallerDown", "脚本开始 bad(); 等待(1); x = 1 / 0; 脚本结束;",
     "bad(); record(after);", kStatusSuspended, "",
     "运算除数为零:1\n<color=255>调用脚本<rgb=0,0,255;>main<rgb=255,255,255>失败,串行调用被打断!"},
    // Untrusted scripts.
    {"EndlessLoop", "", "当(1){ }", kStatusError, "", "脚本main执行步数超过上限!"},
    {"EndlessBackwardJump", "", "标记 top; x = 1; 跳转 top;", kStatusError, "",
     "脚本main执行步数超过上限!"},
    {"BudgetIsPerRun", "",
     "i = 0; 当(i < 3000){ i = i + 1; 如果(i % 1000 == 0){ 等待(1); } } record(i);",
     kStatusSuspended, "3000", ""},
    {"Recursion", "脚本开始 r(); r(); 脚本结束;", "r();", kStatusError, "", "脚本r调用嵌套过深!"},
    {"RunScriptRecursion", "脚本开始 again(); 触发脚本(again); 脚本结束;", "again();", kStatusEnded,
     "", "脚本again调用嵌套过深!"},
    {"DoublingText", "", "s = ab; 当(1){ s = s + s; }", kStatusError, "", "运算结果超长:+"},
    {"DeeplyNestedBlocks", "", Repeat("如果(1){", 500) + std::string(500, '}'), kStatusError, "",
     "段落嵌套过多!"},
    {"OverLongCondition", "", "如果(" + std::string(2000, 'c') + "){ }", -1, "",
     "条件超长:(" + std::string(60, 'c')},
    {"OverLongPrefix", "", "变量 " + std::string(300, 'v') + " = 1;", kStatusError, "",
     "前缀超长:" + std::string(60, 'v')},
    {"TrailBytesStayInsideCharacters", "",
     kOpen + " = 2; " + kBar + " = " + kOpen + " * 3; 如果(0){ " + kClose + " = 1; } 否则 { " +
         kClose + " = " + kBar + " | 1; } record(" + kOpen + ", " + kBar + ", " + kClose + ");",
     kStatusEnded, "2|6|7", ""},
    {"TrailBytesInTextAndLabels", "",
     "变量 k = x\x81\x7D; 匹配 k; 标记 x\x81\x7D; record(" + kTrailText +
         "); 匹配完毕; 当(0){ record(" + kTrailText + "); }",
     kStatusEnded, "a\x81\x7D\x81\x7B", ""},
    {"SmallestIntegerOverMinusOne", "",
     "x = -2147483647 - 1; y = x / -1; z = x % -1; record(y, z);", kStatusEnded, "-2147483648|0",
     ""},
    {"UnsetTemporaryStandsForItself", "", "x = 缓存0; record(x);", kStatusEnded, "缓存0", ""},
    {"TakeInWithoutValues", "", "传入 a;", kStatusError, "",
     "main:GetParamValue错误,传入参数不足!"},
    {"OperateWithoutValues", "", "运算 +;", kStatusError, "", "运算传入参数不能小于2,+;\r\n"},
    {"ConditionWithoutValue", "", "如果(f()){ }", kStatusError, "",
     "<color=255>脚本<rgb=0,0,255;>main<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>f"},
    {"JumpPastTheEnd", "", "变量 far = 999999; 跳转 far; record(no);", kStatusEnded, "", ""},
    {"JumpIntoAWord", "", "变量 mid = 3; 跳转 mid;", kStatusError, "",
     "脚本调用了一个无法识别的符号:"},
};

class FlowTest : public ::testing::TestWithParam<FlowCase> {};

TEST_P(FlowTest, RecordsAndNotices) {
    const FlowCase& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(Scripts, FlowTest, ::testing::ValuesIn(kFlowCases),
                         [](const auto& info) { return std::string(info.param.name); });

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
