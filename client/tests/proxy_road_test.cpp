// The test client reaches the game server through a real HTTP CONNECT proxy
// (tinyproxy with Basic authorization) named in the hall's settings file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <thread>

#include "client/testapp/test_app.h"
#include "client/tests/event_log.h"
#include "client/tests/session_fixture.h"
#include "tools/hall/hall_stand_in.h"
#include "tools/proxypeer/daemons.h"
#include "tools/proxypeer/proxy_peer.h"

namespace client {
namespace {

using gameserver::Reply;
using testing::Words;

class ProxyRoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
        server_.SetReply(201001, Reply::With(0, Words({14, 0, 0, 0, 0, 0, 0})));
        server_.SetReply(200110, Reply::With(200500, Words({1})));
        ASSERT_NE(server_.Start(), 0);
        proxyPort_ = proxypeer::FreePort();
        dir_.Write("tinyproxy.conf", "Port " + std::to_string(proxyPort_) +
                                         "\nListen 127.0.0.1\nTimeout 60\nAllow 127.0.0.1\n"
                                         "BasicAuth qevo secret-9\nLogLevel Connect\nLogFile \"" +
                                         (dir_ / "tinyproxy.log") + "\"\nPidFile \"" +
                                         (dir_ / "tinyproxy.pid") + "\"\n");
        if (!proxy_.Start({"tinyproxy", "-d", "-c", dir_ / "tinyproxy.conf"}, dir_ / "out.log",
                          proxyPort_))
            GTEST_SKIP() << "tinyproxy did not start";
        // The hall's folder comes from the machine file; its settings name the proxy.
        dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + (dir_ / "GameHall.exe") + "\r\n");
        dir_.Write("GameHall.ini", "[PROXY]\r\nNeed=1\r\nSock=4\r\nHost=127.0.0.1\r\nPort=" +
                                       std::to_string(proxyPort_) +
                                       "\r\nUser=qevo\r\npwd=secret-9\r\n");
        line_ = testing::RoadLaunchLine(server_.port(), 616161, 0);
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        hall_->TableState() = hall::MakeTableState(line_, 2, 0);
        ASSERT_TRUE(hall_->Open());
    }
    void TearDown() override {
        unsetenv("QEVO_HALL_DIR");
        unsetenv("QEVO_SYSTEM_DIR");
        unsetenv("QEVO_PROGRAM_DIR");
    }

    platform::testing::TempDir dir_;
    gameserver::GameServer server_;
    proxypeer::Daemon proxy_;
    uint16_t proxyPort_ = 0;
    LaunchLine line_;
    std::unique_ptr<hall::HallStandIn> hall_;
    testing::EventLog events_;
};

TEST_F(ProxyRoadTest, ConnectsEntersAndLeavesThroughTheProxy) {
    std::atomic<uint32_t> frame{0};
    std::thread ui([&] {
        testapp::TestApp app([this](const std::string& l) { events_.Add(l); });
        app.SetCommandLine(hall::BuildLaunchLine(line_));
        if (!app.InitInstance()) {
            app.ExitInstance();
            return;
        }
        frame = app.Frame()->Handle().value;
        app.Run();
    });
    const bool entered = events_.WaitFor("entered 1");
    if (frame) platform::PostMessage(platform::HWND{frame.load()}, platform::WM_CLOSE);
    ui.join();
    ASSERT_TRUE(entered);
    EXPECT_TRUE(events_.WaitFor("ended"));
    const auto first = server_.WaitForRequest(testing::kWait);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->id, 201001u);
    EXPECT_NE(dir_.Read("tinyproxy.log").find("CONNECT"), std::string::npos);
}

TEST_F(ProxyRoadTest, WrongPasswordNamesTheProxy) {
    dir_.Write("GameHall.ini", "[PROXY]\r\nNeed=1\r\nSock=4\r\nHost=127.0.0.1\r\nPort=" +
                                   std::to_string(proxyPort_) + "\r\nUser=qevo\r\npwd=wrong\r\n");
    testapp::TestApp app([this](const std::string& l) { events_.Add(l); });
    app.SetCommandLine(hall::BuildLaunchLine(line_));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(
        events_.WaitFor("start failed: 无法连接代理服务器【127.0.0.1】，请检查设置是否正确。"));
    app.ExitInstance();
    bool reported = false;
    for (const auto& e : hall_->Events())
        reported |= e.kind == hall::HallEvent::Kind::kReport && e.report && e.report->code == 0;
    EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace client
