// The server session against the scripted game server over loopback.
#include "client/game_session.h"

#include <gtest/gtest.h>

#include <future>

#include "client/tests/session_fixture.h"
#include "platform/clock.h"
#include "platform/gui/wait_cursor.h"
#include "platform/profile.h"

namespace client {
namespace {

using gameserver::Bytes;
using gameserver::Reply;
using std::chrono::milliseconds;
using testing::SessionFixture;
using testing::Words;

uint32_t WordAt(const Bytes& b, size_t i) {
    return platform::LoadLE32(&b[4 * i]);
}

TEST(ResultTextTest, Table) {
    struct Case {
        uint32_t code;
        const char* text;
    } cases[] = {
        {1000, "对象不存在。"},
        {1001, "对象已存在。"},
        {1010, "请求处理失败。"},
        {10000, "不支持的请求。"},
        {210008, "用户认证失败。"},
        {210010, "游戏还没有准备好,请稍候再旁观。"},
        {210020, "没有空余的旁观位置。"},
        {210060, "进入游戏失败，请重新开始。"},
        {210070, "进入游戏失败，请重新开始。"},
    };
    CGameSession session(kSessionKey.data(), 128, 0x100, 0);
    for (auto& c : cases) {
        std::string text = "before";
        session.GetResultText(text, c.code);
        EXPECT_EQ(text, c.text) << c.code;
    }
    std::string text = "untouched";
    session.GetResultText(text, 4242);
    EXPECT_EQ(text, "untouched");
}

TEST(RequestTimeoutTest, Table) {
    CGameSession session(kSessionKey.data(), 128, 0x100, 0);
    EXPECT_EQ(session.GetRequestTimeout(200110), 30u);
    EXPECT_EQ(session.GetRequestTimeout(201001), 15u);
    EXPECT_EQ(session.GetRequestTimeout(201130), 5u);
    for (uint32_t id : {0u, 201140u, 201020u, 221080u, 0xFFFFFFFFu})
        EXPECT_EQ(session.GetRequestTimeout(id), 10u) << id;
}

TEST_F(SessionFixture, ConnectionLostBeforeRequestSendsNothing) {
    std::string text;
    uint32_t length = 0, result = 0;
    std::unique_ptr<uint8_t[]> reply;
    EXPECT_FALSE(
        app_.session.SendRequestAndWait(text, 201001, &length, nullptr, &result, &reply, true));
    EXPECT_EQ(result, 1031u);
    EXPECT_EQ(text, "与服务器连接已经断开。");
    EXPECT_FALSE(server_.WaitForClient(milliseconds(0)));
}

TEST_F(SessionFixture, ConnectSendsTheGreetingAndRemembersTheServer) {
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(app_.session.IsAlive());
    EXPECT_EQ(app_.session.Host(), "127.0.0.1");
    EXPECT_EQ(app_.session.Port(), server_.port());
    EXPECT_TRUE(server_.Errors().empty());
}

struct VersionCase {
    uint32_t major, minor;
    bool ok;
    const char* text;
    uint32_t serverMajor, serverMinor;
};

TEST_F(SessionFixture, VersionCheckOutcomes) {
    const VersionCase cases[] = {
        {14, 0, true, "", 0, 0},
        {15, 0, false, "您的游戏程序太旧了,必须下载新的程序才能玩游戏。", 15, 0},
        {15, 3, false, "您的游戏程序太旧了,必须下载新的程序才能玩游戏。", 15, 0},
        {13, 5, false, "服务正在更新中，请稍候再试。", 0, 0},
        {14, 1, false, "您的游戏程序需要更新。", 0, 1},
    };
    ASSERT_TRUE(Connect());
    for (const auto& c : cases) {
        server_.SetReply(201001, Reply::With(0, Words({c.major, c.minor, 0, 0, 0, 0, 0})));
        std::string text;
        uint32_t major = 0, minor = 0;
        EXPECT_EQ(app_.session.CheckVersion(text, &major, &minor), c.ok)
            << c.major << "." << c.minor;
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(major, c.serverMajor);
        EXPECT_EQ(minor, c.serverMinor);
        auto request = server_.WaitForRequest(testing::kWait);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->id, 201001u);
        EXPECT_EQ(request->wantsReply, 1u);
        EXPECT_TRUE(request->data.empty());
        EXPECT_TRUE(request->hadCrc);
    }
}

TEST_F(SessionFixture, VersionReplyTooShortOrEmptyIsBusy) {
    ASSERT_TRUE(Connect());
    for (const Bytes& data : {Bytes{}, Words({14})}) {
        server_.SetReply(201001, Reply::With(0, data));
        std::string text;
        uint32_t major = 0, minor = 0;
        EXPECT_FALSE(app_.session.CheckVersion(text, &major, &minor));
        EXPECT_EQ(text, "服务器繁忙，请稍候再试。");
    }
}

TEST_F(SessionFixture, VersionCheckGivesUpAfterFifteenSecondsOfTheClock) {
    server_.SetReply(201001, Reply::Silent());
    ASSERT_TRUE(Connect());
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    std::string text;
    auto done = std::async(std::launch::async, [&] {
        uint32_t major = 0, minor = 0;
        return app_.session.CheckVersion(text, &major, &minor);
    });
    ASSERT_TRUE(server_.WaitForRequest(testing::kWait));
    clock.AdvanceMillis(14999);
    EXPECT_EQ(done.wait_for(milliseconds(30)), std::future_status::timeout);
    clock.AdvanceMillis(1);
    ASSERT_EQ(done.wait_for(testing::kWait), std::future_status::ready);
    EXPECT_FALSE(done.get());
    EXPECT_EQ(text, "服务器繁忙，请稍候再试。");
}

TEST_F(SessionFixture, RequestTimeOutGivesItsCodeAndText) {
    server_.SetReply(201130, Reply::Silent());
    ASSERT_TRUE(Connect());
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    std::string text;
    uint32_t result = 0;
    auto done = std::async(std::launch::async, [&] {
        uint32_t length = 0;
        std::unique_ptr<uint8_t[]> reply;
        return app_.session.SendRequestAndWait(text, 201130, &length, nullptr, &result, &reply,
                                               true);
    });
    ASSERT_TRUE(server_.WaitForRequest(testing::kWait));
    // The hourglass shows while the request waits, and goes with it.
    EXPECT_EQ(platform::WaitCursorCount(), 1);
    clock.AdvanceMillis(4999);
    EXPECT_EQ(done.wait_for(milliseconds(30)), std::future_status::timeout);
    clock.AdvanceMillis(1);
    ASSERT_EQ(done.wait_for(testing::kWait), std::future_status::ready);
    EXPECT_FALSE(done.get());
    EXPECT_EQ(platform::WaitCursorCount(), 0);
    EXPECT_EQ(result, 1030u);
    EXPECT_EQ(text, "请求处理超时。");
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
    std::string text;
    uint32_t length = 0, result = 200500;
    std::unique_ptr<uint8_t[]> reply;
    EXPECT_FALSE(session.SendRequestAndWait(text, 200110, &length, nullptr, &result, &reply, true));
    EXPECT_EQ(text, "请求发送失败。");
    EXPECT_EQ(result, 0u);
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
    EXPECT_TRUE(std::equal(app_.table.begin(), app_.table.end(), tableData.begin()));

    auto request = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->id, 200110u);
    ASSERT_EQ(request->data.size(), 208u);
    const Bytes& d = request->data;
    const PlayerRecord* own = app_.FindPlayer(101);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(WordAt(d, 0), 101u);
    EXPECT_EQ(WordAt(d, 1), own->flags);
    EXPECT_EQ(WordAt(d, 2), 7u);
    EXPECT_EQ(WordAt(d, 3), 3u);
    EXPECT_EQ(WordAt(d, 4), 5u);
    EXPECT_EQ(WordAt(d, 5), 0u);
    const std::string machine(reinterpret_cast<const char*>(&d[24]));
    EXPECT_FALSE(machine.empty());
    EXPECT_LE(machine.size(), 31u);
    EXPECT_EQ(WordAt(d, 14), 0u);
    EXPECT_EQ(int32_t(WordAt(d, 15)), own->score);
    EXPECT_EQ(int32_t(WordAt(d, 16)), own->silver);
    EXPECT_EQ(WordAt(d, 17), own->word21);
    EXPECT_EQ(WordAt(d, 18), 1u);
    EXPECT_EQ(WordAt(d, 19), 0x4004u);
    EXPECT_EQ(WordAt(d, 20), 74u);
    EXPECT_EQ(WordAt(d, 21), 73u);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(WordAt(d, 22 + i), 76 + i);
    for (size_t i = 26; i < 52; ++i)
        EXPECT_EQ(WordAt(d, i), 0u) << i;
}

TEST_F(SessionFixture, EnterGameWithoutDataClearsLaunchField9) {
    ASSERT_TRUE(Connect());
    app_.SetLaunchField9(1);
    server_.SetReply(200110, Reply::With(200500));
    std::string text;
    ASSERT_TRUE(app_.session.EnterGame(text));
    EXPECT_EQ(app_.GetLaunchField9(), 0u);
}

TEST_F(SessionFixture, EnterGameRefusedGivesTheResultText) {
    ASSERT_TRUE(Connect());
    for (uint32_t code : {210060u, 210070u}) {
        server_.SetReply(200110, Reply::With(code, Words({1, 2})));
        std::string text;
        EXPECT_FALSE(app_.session.EnterGame(text));
        EXPECT_EQ(text, "进入游戏失败，请重新开始。");
    }
}

TEST_F(SessionFixture, EnterGameWithoutOwnRecordSendsNothing) {
    ASSERT_TRUE(Connect());
    testing::SessionApp other;  // replaces the current application: no table state held
    other.SetCommandLine(testing::LaunchFor(server_.port(), 999));
    ASSERT_TRUE(other.ParseLaunchLine());
    std::string text;
    EXPECT_FALSE(app_.session.EnterGame(text));
    EXPECT_EQ(text, "对象不存在。");
    EXPECT_FALSE(server_.WaitForRequest(milliseconds(50)));
}

TEST_F(SessionFixture, ChatIsCutToSixtyOneCharacters) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(app_.session.SendChat(std::string(100, 'a')));
    auto request = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->id, 201210u);
    EXPECT_EQ(request->wantsReply, 0u);
    ASSERT_EQ(request->data.size(), 128u);
    EXPECT_EQ(WordAt(request->data, 0), 101u);
    const std::string text(reinterpret_cast<const char*>(&request->data[48]));
    EXPECT_EQ(text, std::string(61, 'a'));
}

TEST_F(SessionFixture, ChatOfDoubleByteCharactersFitsTheField) {
    ASSERT_TRUE(Connect());
    std::string wide;
    for (int i = 0; i < 100; ++i)
        wide += "中";
    ASSERT_TRUE(app_.session.SendChat(wide));
    auto request = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(request);
    const std::string text(reinterpret_cast<const char*>(&request->data[48]));
    EXPECT_LE(text.size(), 79u);
    EXPECT_EQ(text.size() % 2, 0u);  // no half character at the end
    EXPECT_EQ(request->data[127], 0);
}

TEST_F(SessionFixture, FrameworkRequestPayloads) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(app_.session.SendLeave(103, 2));
    auto leave = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(leave);
    EXPECT_EQ(leave->id, 201120u);
    ASSERT_EQ(leave->data.size(), 96u);
    const uint32_t expected[] = {103, 3, 5, 2, 1, 5, 0, 101};
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(WordAt(leave->data, i), expected[i]) << i;

    ASSERT_TRUE(app_.session.SendRequest201020());
    auto keepAlive = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(keepAlive);
    EXPECT_EQ(keepAlive->id, 201020u);
    EXPECT_EQ(keepAlive->data, Words({101, 0, 0, 0}));

    ASSERT_TRUE(app_.session.SendCall(103));
    auto call = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->id, 201200u);
    EXPECT_EQ(call->data, Words({101, 3, 5, 0, 103, 2, 0, 0, 0, 0}));

    std::string text = "x";
    ASSERT_TRUE(app_.session.SendStart(text));
    EXPECT_EQ(text, "");
    auto start = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->id, 201160u);
    EXPECT_EQ(start->data, Words({101, 3, 5, 0, 0, 0, 0, 0}));

    ASSERT_TRUE(app_.session.SendRequest201180(77));
    auto r180 = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(r180);
    EXPECT_EQ(r180->data.size(), 36u);
    EXPECT_EQ(WordAt(r180->data, 4), 77u);
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
    EXPECT_EQ(platform::LoadLE32(&app_.table[8]), 7u);
    server_.SetReply(201140, Reply::With(11, Words({1})));
    EXPECT_FALSE(app_.session.RequestTableData());
    EXPECT_EQ(platform::LoadLE32(&app_.table[0]), 9u);
}

TEST_F(SessionFixture, ProxySettingsFromTheHallFile) {
    const std::string file = dir_ / "GameHall.ini";
    app_.session.LoadProxySettings(file);
    EXPECT_EQ(app_.session.Proxy().need, 0u);
    EXPECT_EQ(app_.session.Proxy().port, 1080u);
    EXPECT_EQ(app_.session.Proxy().type, 3u);
    EXPECT_EQ(app_.session.GetProxyName(), "");
    dir_.Write("GameHall.ini",
               "[PROXY]\r\nNeed=1\r\nPort=3128\r\nSock=4\r\nHost=proxy.example\r\nUser=u\r\n"
               "pwd=p\r\n");
    app_.session.LoadProxySettings(file);
    EXPECT_EQ(app_.session.Proxy().need, 1u);
    EXPECT_EQ(app_.session.Proxy().port, 3128u);
    EXPECT_EQ(app_.session.Proxy().type, 4u);
    EXPECT_EQ(app_.session.GetProxyName(), "proxy.example");
    EXPECT_EQ(app_.session.Proxy().user, "u");
    EXPECT_EQ(app_.session.Proxy().password, "p");

    int proxyFailed = 0;
    EXPECT_FALSE(app_.session.Connect("", "127.0.0.1", server_.port(), &proxyFailed));
    EXPECT_EQ(proxyFailed, 1);
}

}  // namespace
}  // namespace client
