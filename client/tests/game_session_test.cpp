// The server session against the scripted game server over loopback.
#include "client/game_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "client/tests/session_fixture.h"
#include "platform/gui/wait_cursor.h"
#include "tools/proxypeer/proxy_peer.h"

namespace client {
namespace {

using gameserver::Bytes;
using gameserver::Reply;
using std::chrono::milliseconds;
using testing::SessionFixture;
using testing::Words;

constexpr char kBusy[] = "服务器繁忙，请稍候再试。";

using Answer = std::tuple<bool, std::string, uint32_t>;  // outcome, text, result code

// A request without payload, waited for; `result` as it was before.
Answer SendAndWait(CGameSession& s, uint32_t id, uint32_t result = 0) {
    std::string text;
    uint32_t length = 0;
    std::unique_ptr<uint8_t[]> reply;
    const bool ok = s.SendRequestAndWait(text, id, &length, nullptr, &result, &reply, true);
    return {ok, text, result};
}

Bytes Slice(const Bytes& b, size_t from, size_t to) {
    return Bytes(b.begin() + long(from), b.begin() + long(std::min(to, b.size())));
}

TEST(SessionTablesTest, ResultTextsAndRequestTimeouts) {
    const struct {
        uint32_t code;
        const char* text;
    } texts[] = {
        {1000, "对象不存在。"},
        {1001, "对象已存在。"},
        {1010, "请求处理失败。"},
        {10000, "不支持的请求。"},
        {210008, "用户认证失败。"},
        {210010, "游戏还没有准备好,请稍候再旁观。"},
        {210020, "没有空余的旁观位置。"},
        {210060, "进入游戏失败，请重新开始。"},
        {210070, "进入游戏失败，请重新开始。"},
        {4242, "untouched"},
    };
    CGameSession session(kSessionKey.data(), 128, 0x100, 0);
    for (auto& c : texts) {
        std::string text = "untouched";
        session.GetResultText(text, c.code);
        EXPECT_EQ(text, c.text) << c.code;
    }
    const std::pair<uint32_t, uint32_t> timeouts[] = {
        {200110, 30}, {201001, 15}, {201130, 5},      {0, 10},
        {201140, 10}, {201020, 10}, {0xFFFFFFFF, 10},
    };
    for (auto [id, seconds] : timeouts)
        EXPECT_EQ(session.GetRequestTimeout(id), seconds) << id;
}

TEST_F(SessionFixture, ConnectGreetsAndTheVersionCheckComparesVersions) {
    // Before the connection nothing is sent.
    EXPECT_EQ(SendAndWait(app_.session, 201001), Answer(false, "与服务器连接已经断开。", 1031));
    EXPECT_FALSE(server_.WaitForClient(milliseconds(0)));
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(app_.session.IsAlive());
    EXPECT_EQ(app_.session.Host(), "127.0.0.1");
    EXPECT_EQ(app_.session.Port(), server_.port());
    const struct {
        Bytes reply;
        bool ok;
        const char* text;
        uint32_t serverMajor, serverMinor;
    } cases[] = {
        {Words({14, 0, 0, 0, 0, 0, 0}), true, "", 0, 0},
        {Words({15, 0, 0, 0, 0, 0, 0}), false, "您的游戏程序太旧了,必须下载新的程序才能玩游戏。",
         15, 0},
        {Words({15, 3, 0, 0, 0, 0, 0}), false, "您的游戏程序太旧了,必须下载新的程序才能玩游戏。",
         15, 0},
        {Words({13, 5, 0, 0, 0, 0, 0}), false, "服务正在更新中，请稍候再试。", 0, 0},
        {Words({14, 1, 0, 0, 0, 0, 0}), false, "您的游戏程序需要更新。", 0, 1},
        {Words({14}), false, kBusy, 0, 0},  // too short
        {{}, false, kBusy, 0, 0},
    };
    for (const auto& c : cases) {
        server_.SetReply(201001, Reply::With(0, c.reply));
        std::string text;
        uint32_t major = 0, minor = 0;
        EXPECT_EQ(app_.session.CheckVersion(text, &major, &minor), c.ok) << c.text;
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(major, c.serverMajor) << c.text;
        EXPECT_EQ(minor, c.serverMinor) << c.text;
        auto request = server_.WaitForRequest(testing::kWait);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->id, 201001u);
        EXPECT_EQ(request->wantsReply, 1u);
        EXPECT_TRUE(request->data.empty());
        EXPECT_TRUE(request->hadCrc);
    }
    EXPECT_TRUE(server_.Errors().empty());
}

// A transport whose send fails at once, without a time-out.
class FailingSession : public CGameSession {
  public:
    FailingSession() : CGameSession(kSessionKey.data(), 128, 0x100, 0) {}
    bool IsAlive() const override { return true; }
    bool SendRequest(const transport::TransportInfo&, const transport::TransportNotice&,
                     transport::TransportNotice*, int* timedOut, uint32_t, uint32_t, uint32_t, int,
                     const char*, int) override {
        *timedOut = 0;
        return false;
    }
};

TEST(SessionSendFailureTest, NoStaleResultSurvivesAFailedSend) {
    FailingSession session;
    EXPECT_EQ(SendAndWait(session, 200110, 200500), Answer(false, "请求发送失败。", 0));
}

TEST_F(SessionFixture, EnterGameSendsTheEnterPayloadAndStoresTheReply) {
    ASSERT_TRUE(Connect());
    Bytes tableData(300);
    for (size_t i = 0; i < tableData.size(); ++i)
        tableData[i] = uint8_t(i + 1);
    server_.SetReply(200110, Reply::With(200500, tableData));
    std::string text;
    ASSERT_TRUE(app_.session.EnterGame(text));
    EXPECT_EQ(app_.GetLaunchField9(), 1u);
    // A reply longer than the block is cut to it.
    EXPECT_EQ(Bytes(app_.table.begin(), app_.table.end()), Slice(tableData, 0, 64));

    auto request = NextRequest(200110);
    ASSERT_TRUE(request);
    const Bytes& d = request->data;
    ASSERT_EQ(d.size(), 208u);
    const PlayerRecord* own = app_.FindPlayer(101);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Slice(d, 0, 24), Words({101, own->flags, 7, 3, 5, 0}));
    const std::string machine(reinterpret_cast<const char*>(&d[24]));
    EXPECT_FALSE(machine.empty());
    EXPECT_LE(machine.size(), 31u);
    Bytes tail = Words({0, uint32_t(own->score), uint32_t(own->silver), own->word21, 1, 0x4004, 74,
                        73, 76, 77, 78, 79});
    tail.resize(208 - 56);
    EXPECT_EQ(Slice(d, 56, 208), tail);

    // Refusals name the failure and keep field 9; an answer without table
    // data clears it.
    for (uint32_t code : {210060u, 210070u, 200500u}) {
        const bool ok = code == 200500;
        app_.SetLaunchField9(1);
        server_.SetReply(200110, Reply::With(code, ok ? Bytes{} : Words({1, 2})));
        std::string said;
        EXPECT_EQ(app_.session.EnterGame(said), ok) << code;
        EXPECT_EQ(said, ok ? "" : "进入游戏失败，请重新开始。");
        EXPECT_EQ(app_.GetLaunchField9(), ok ? 0u : 1u) << code;
        ASSERT_TRUE(NextRequest(200110));
    }
    // Without the own record in the table state, nothing is sent.
    testing::SessionApp other;  // now the application: it holds no table state
    line_.userId = 999;
    other.SetCommandLine(hall::BuildLaunchLine(line_));
    ASSERT_TRUE(other.ParseLaunchLine());
    EXPECT_FALSE(app_.session.EnterGame(text));
    EXPECT_EQ(text, "对象不存在。");
    EXPECT_FALSE(server_.WaitForRequest(milliseconds(50)));
}

TEST_F(SessionFixture, ChatIsCutToSixtyOneCharactersAndItsField) {
    ASSERT_TRUE(Connect());
    std::string wide, fits;  // GBK double-byte characters
    for (int i = 0; i < 100; ++i)
        wide += "\xD6\xD0";
    for (int i = 0; i < 39; ++i)
        fits += "\xD6\xD0";
    const std::pair<std::string, std::string> cases[] = {
        {std::string(100, 'a'), std::string(61, 'a')},
        {wide, fits},  // no half character at the end
    };
    for (const auto& [words, sent] : cases) {
        ASSERT_TRUE(app_.session.SendChat(words));
        auto request = server_.WaitForRequest(testing::kWait);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->id, 201210u);
        EXPECT_EQ(request->wantsReply, 0u);
        ASSERT_EQ(request->data.size(), 128u);
        EXPECT_EQ(Slice(request->data, 0, 4), Words({101}));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&request->data[48])), sent);
    }
}

TEST_F(SessionFixture, FrameworkRequestPayloads) {
    ASSERT_TRUE(Connect());
    CGameSession& s = app_.session;
    std::string text = "x";
    const struct {
        const char* name;
        std::function<bool()> send;
        uint32_t id;
        size_t size;
        Bytes head;  // the payload's first bytes
    } cases[] = {
        {"leave", [&] { return s.SendLeave(103, 2); }, 201120, 96,
         Words({103, 3, 5, 2, 1, 5, 0, 101})},
        {"keep-alive", [&] { return s.SendRequest201020(); }, 201020, 16, Words({101, 0, 0, 0})},
        {"call", [&] { return s.SendCall(103); }, 201200, 40,
         Words({101, 3, 5, 0, 103, 2, 0, 0, 0, 0})},
        {"start", [&] { return s.SendStart(text); }, 201160, 32, Words({101, 3, 5, 0, 0, 0, 0, 0})},
        {"201180", [&] { return s.SendRequest201180(77); }, 201180, 36,
         Words({101, 3, 5, 0, 77, 0, 0, 0, 0})},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.send()) << c.name;
        auto request = server_.WaitForRequest(testing::kWait);
        ASSERT_TRUE(request) << c.name;
        EXPECT_EQ(request->id, c.id) << c.name;
        EXPECT_EQ(request->data.size(), c.size) << c.name;
        EXPECT_EQ(Slice(request->data, 0, c.head.size()), c.head) << c.name;
    }
    EXPECT_EQ(text, "");
}

TEST_F(SessionFixture, GameRunningAndTableData) {
    ASSERT_TRUE(Connect());
    server_.SetReply(201130, Reply::With(210030));
    EXPECT_TRUE(app_.session.IsGameRunning());
    server_.SetReply(201130, Reply::With(0));
    EXPECT_FALSE(app_.session.IsGameRunning());

    server_.SetReply(201140, Reply::With(10));
    EXPECT_FALSE(app_.session.RequestTableData());  // no data
    server_.SetReply(201140, Reply::With(10, Words({9, 8, 7})));
    EXPECT_TRUE(app_.session.RequestTableData());
    EXPECT_EQ(Slice(Bytes(app_.table.begin(), app_.table.end()), 0, 12), Words({9, 8, 7}));
    server_.SetReply(201140, Reply::With(11, Words({1})));
    EXPECT_FALSE(app_.session.RequestTableData());
    EXPECT_EQ(app_.table[0], 9);
}

TEST_F(SessionFixture, TheWaitCursorShowsWhileARequestOrAConnectionWaits) {
    ASSERT_TRUE(Connect());
    server_.SetReply(201130, Reply::Held(210030));
    int during = -1;
    std::thread answer([&] {
        if (NextRequest(201130)) during = platform::WaitCursorCount();
        server_.ReleaseHeld();
    });
    EXPECT_TRUE(app_.session.IsGameRunning());
    answer.join();
    EXPECT_EQ(during, 1);
    // Through a proxy that never answers, until the connection's time is up.
    proxypeer::ScriptedProxy proxy({proxypeer::ScriptedProxy::Hold()});
    dir_.Write("proxy.ini", "[PROXY]\r\nNeed=1\r\nSock=4\r\nHost=127.0.0.1\r\nPort=" +
                                std::to_string(proxy.Port()) + "\r\n");
    app_.session.LoadProxySettings(dir_ / "proxy.ini");
    during = -1;
    std::thread timeOut([&] {
        if (proxy.WaitReceived(1)) during = platform::WaitCursorCount();
        clock_.AdvanceMillis(10'000);
    });
    int proxyFailed = 0;
    EXPECT_FALSE(app_.session.Connect("", "127.0.0.1", server_.port(), &proxyFailed));
    timeOut.join();
    EXPECT_EQ(during, 1);
    EXPECT_EQ(platform::WaitCursorCount(), 0);
}

}  // namespace
}  // namespace client
