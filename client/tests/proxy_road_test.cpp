// The test client goes through a real HTTP CONNECT proxy (tinyproxy with
// Basic authorization) named in the hall's settings file.
#include <gtest/gtest.h>

#include "client/tests/session_fixture.h"
#include "tools/proxypeer/daemons.h"
#include "tools/proxypeer/proxy_peer.h"

namespace client {
namespace {

class ProxyRoadTest : public testing::RoadFixture {
  protected:
    void SetUp() override {
        RoadFixture::SetUp();
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
        WriteProxySettings("secret-9");
        ASSERT_TRUE(OpenHall(2));
    }
    void WriteProxySettings(const std::string& password) {
        dir_.Write("GameHall.ini", "[PROXY]\r\nNeed=1\r\nSock=4\r\nHost=127.0.0.1\r\nPort=" +
                                       std::to_string(proxyPort_) +
                                       "\r\nUser=qevo\r\npwd=" + password + "\r\n");
    }

    proxypeer::Daemon proxy_;
    uint16_t proxyPort_ = 0;
};

TEST_F(ProxyRoadTest, WrongPasswordNamesTheProxyAndReportsZero) {
    WriteProxySettings("wrong");
    testapp::TestApp app([this](const std::string& l) { events_.Add(l); });
    app.SetCommandLine(hall::BuildLaunchLine(line_));
    EXPECT_FALSE(DriveFailedStartUp(app, [&] { return app.InitInstance(); }));
    app.ExitInstance();
    EXPECT_EQ(events_.Count("start failed: 无法连接代理服务器【127.0.0.1】，请检查设置是否正确。"),
              1u);
    const auto events = hall_->Events();
    EXPECT_TRUE(std::ranges::any_of(events, [](const hall::HallEvent& e) {
        return e.kind == hall::HallEvent::Kind::kReport && e.report && e.report->code == 0;
    }));
}

}  // namespace
}  // namespace client
