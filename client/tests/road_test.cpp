// The whole road of the test client: in one process against the scripted
// game server and the hall stand-in (with the clock driven), and as three
// processes over loopback and the hall endpoint. Its main window lists the
// road's lines on the display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "client/testapp/test_app.h"
#include "client/tests/event_log.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/text.h"
#include "tools/hall/hall_stand_in.h"

extern char** environ;

namespace client {
namespace {

using gameserver::Reply;
using std::chrono::milliseconds;
using testing::Words;

class RoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
        server_.SetReply(201001, Reply::With(0, Words({14, 0, 0, 0, 0, 0, 0})));
        server_.SetReply(200110, Reply::With(200500, Words({1, 2, 3})));
        server_.SetReply(201130, Reply::With(0));
        ASSERT_NE(server_.Start(), 0);
        line_ = testing::RoadLaunchLine(server_.port(), 515151, 1);
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        hall_->TableState() = hall::MakeTableState(line_, 4, 0);
        ASSERT_TRUE(hall_->Open());
    }
    void TearDown() override {
        if (ui_.joinable()) {
            if (frame_) platform::PostMessage(frame_, platform::WM_CLOSE);
            ui_.join();
        }
        unsetenv("QEVO_HALL_DIR");
        unsetenv("QEVO_SYSTEM_DIR");
        unsetenv("QEVO_PROGRAM_DIR");
    }

    // Starts the client on its own user-interface thread.
    void StartClient() {
        std::mutex mu;
        std::condition_variable cv;
        bool started = false;
        ui_ = std::thread([&, this] {
            testapp::TestApp app([this](const std::string& l) { events_.Add(l); });
            app.SetCommandLine(hall::BuildLaunchLine(line_));
            const bool ok = app.InitInstance();
            {
                std::lock_guard lock(mu);
                frame_ = ok ? app.Frame()->Handle() : platform::HWND{};
                started = true;
                cv.notify_all();
            }
            if (ok)
                app.Run();
            else
                app.ExitInstance();
        });
        std::unique_lock lock(mu);
        cv.wait(lock, [&] { return started; });
    }
    // Moves the clock until the client has written `line`.
    bool DriveUntil(const std::string& line, int64_t stepMs) {
        for (int i = 0; i < 100000; ++i) {
            if (events_.WaitFor(line, milliseconds(0))) return true;
            clock_.AdvanceMillis(stepMs);
            std::this_thread::yield();
        }
        return false;
    }
    std::optional<gameserver::ReceivedRequest> NextRequest(uint32_t id) {
        while (auto r = server_.WaitForRequest(testing::kWait))
            if (r->id == id) return r;
        return std::nullopt;
    }

    platform::testing::TempDir dir_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    gameserver::GameServer server_;
    LaunchLine line_;
    std::unique_ptr<hall::HallStandIn> hall_;
    testing::EventLog events_;
    std::thread ui_;
    platform::HWND frame_;
};

TEST_F(RoadTest, LaunchConnectEnterKeepAliveNotifyLeaveAndReport) {
    // The generated skins and the hall's portraits are where a user has them.
    std::filesystem::copy(testing::AssetDir() + "skins", dir_ / "skins",
                          std::filesystem::copy_options::recursive);
    dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + testing::AssetDir() + "hall/GameHall.exe\r\n");
    StartClient();
    ASSERT_TRUE(frame_);
    ASSERT_TRUE(events_.WaitFor("entered 1"));
    EXPECT_EQ(events_.Lines()[0], "status: 正在连接游戏服务器......");
    EXPECT_EQ(events_.Lines()[1], "connected");
    EXPECT_EQ(events_.Lines()[2], "skin 经典蓝");
    // Seated portraits 0, 5, 2 and 3: three files, and icon 151 for the rest.
    EXPECT_TRUE(events_.WaitFor("portraits 9, 3 from files"));
    ASSERT_TRUE(NextRequest(201001));
    auto enter = NextRequest(200110);
    ASSERT_TRUE(enter);
    EXPECT_EQ(platform::LoadLE32(&enter->data[0]), 101u);
    EXPECT_EQ(platform::LoadLE32(&enter->data[20]), 1u);

    // The keep-alive goes every 60 s of the clock, not before.
    clock_.AdvanceMillis(59999);
    EXPECT_FALSE(server_.WaitForRequest(milliseconds(50)));
    clock_.AdvanceMillis(1);
    auto keepAlive = NextRequest(201020);
    ASSERT_TRUE(keepAlive);
    EXPECT_EQ(keepAlive->data, Words({101, 0, 0, 0}));
    clock_.AdvanceMillis(60000);
    ASSERT_TRUE(NextRequest(201020));
    EXPECT_TRUE(events_.WaitFor("keep-alive"));

    // Notifications by id: the game's own, a framework one, one too short.
    ASSERT_TRUE(server_.Notify(testapp::kNoteTestGame, Words({42})));
    EXPECT_TRUE(events_.WaitFor("notification 222001 value 42"));
    ASSERT_TRUE(server_.Notify(testapp::kNoteTestGame, {1, 2}));
    EXPECT_TRUE(events_.WaitFor("notification 222001 refused"));
    ASSERT_TRUE(server_.Notify(211020, {1}));
    EXPECT_TRUE(events_.WaitFor("notification 211020 refused"));
    // 211025 goes on to the hall as 0x9107 with the main window and the user.
    const size_t before = hall_->Events().size();
    ASSERT_TRUE(server_.Notify(211025, Words({103})));
    ASSERT_TRUE(hall_->WaitForEvents(before + 1, 5000));
    const auto posted = hall_->Events().back();
    EXPECT_EQ(posted.kind, hall::HallEvent::Kind::kPost);
    EXPECT_EQ(posted.message, 0x9107u);
    EXPECT_EQ(posted.wParam, frame_.value);
    EXPECT_EQ(posted.lParam, 103u);

    // Leaving: the leave request, then the report with the window handle.
    platform::PostMessage(frame_, platform::WM_CLOSE);
    auto leave = NextRequest(201120);
    ASSERT_TRUE(leave);
    EXPECT_EQ(platform::LoadLE32(&leave->data[0]), 101u);
    EXPECT_EQ(platform::LoadLE32(&leave->data[12]), 1u);
    ASSERT_TRUE(events_.WaitFor("ended"));
    ui_.join();
    std::optional<hall::HallEvent> report;
    for (const auto& e : hall_->Events())
        if (e.kind == hall::HallEvent::Kind::kReport) report = e;
    ASSERT_TRUE(report && report->report);
    EXPECT_EQ(report->dwData, 2u);
    EXPECT_EQ(report->report->code, frame_.value);
    EXPECT_EQ(report->report->chair, 1);
    EXPECT_EQ(hall_->Events()[0].kind, hall::HallEvent::Kind::kMainWindow);
}

TEST_F(RoadTest, LostConnectionEndsTheClientInOrder) {
    StartClient();
    ASSERT_TRUE(events_.WaitFor("entered 1"));
    server_.Disconnect();
    ASSERT_TRUE(events_.WaitFor("ended"));
    ui_.join();
    const auto lines = events_.Lines();
    const auto at = [&](const std::string& l) {
        return std::find(lines.begin(), lines.end(), l) - lines.begin();
    };
    EXPECT_LT(at("connection lost"), at("closed"));
    EXPECT_LT(at("closed"), at("ended"));
    size_t reports = 0;
    for (const auto& e : hall_->Events())
        reports += e.kind == hall::HallEvent::Kind::kReport;
    EXPECT_GE(reports, 1u);
}

TEST_F(RoadTest, VanishedHallEndsTheClient) {
    StartClient();
    ASSERT_TRUE(events_.WaitFor("entered 1"));
    hall_->Vanish();
    ASSERT_TRUE(DriveUntil("hall gone", 100));
    ASSERT_TRUE(events_.WaitFor("ended"));
    ui_.join();
    EXPECT_EQ(events_.Count("ended"), 1u);
}

TEST_F(RoadTest, EnterRefusedClosesTheClient) {
    server_.SetReply(200110, Reply::With(210020));
    StartClient();
    ASSERT_TRUE(events_.WaitFor("status: 没有空余的旁观位置。"));
    // The client waits before it closes, and serves the hall meanwhile: the
    // clock stands still, yet the hall's record is handled.
    client::PlayerRecord looker = testing::MakePlayer(301, 1, 1);
    EXPECT_TRUE(hall_->SendLooker(looker));
    EXPECT_TRUE(events_.WaitFor("looker joined 301"));
    EXPECT_EQ(events_.Count("ended"), 0u);
    ASSERT_TRUE(DriveUntil("ended", 100));
    ui_.join();
}

TEST_F(RoadTest, MainWindowShowsTheCaptionAndClosesFromItsCloseBox) {
    line_.caption = "测试牌桌";
    StartClient();
    ASSERT_TRUE(frame_);
    ASSERT_TRUE(events_.WaitFor("entered 1"));
    auto display = std::dynamic_pointer_cast<platform::HeadlessDisplay>(platform::GetDisplay());
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(display->IsShown(frame_.value));
    EXPECT_FALSE(display->IsPopup(frame_.value));
    EXPECT_EQ(display->Title(frame_.value), "测试牌桌");
    // Maximised: the frame covers the work area.
    EXPECT_EQ(display->Frame(frame_.value), display->WorkArea());
    std::vector<std::string> shown = events_.Lines();
    // Without skins and portrait files: no skin, icon 151 for every chair.
    ASSERT_GE(shown.size(), 7u);
    EXPECT_EQ(shown[2], "no skin");
    EXPECT_EQ(std::erase(shown, "portraits 9, 0 from files"), 1u);
    shown.erase(shown.begin() + 2);
    // The hall answers the main window's notice with the table state, which
    // may be handled while the client still waits for that notice's answer:
    // those two lines come in either order.
    EXPECT_EQ(shown[1], "connected");
    EXPECT_TRUE((shown[2] == "main window" && shown[3] == "table state") ||
                (shown[2] == "table state" && shown[3] == "main window"))
        << shown[2] << ", " << shown[3];
    EXPECT_EQ(shown[4], "entered 1");

    // The user's close box ends the client in order: leave, report, end.
    platform::InputEvent close;
    close.kind = platform::InputEvent::Kind::Close;
    close.window = frame_.value;
    display->Inject(close);
    ASSERT_TRUE(NextRequest(201120));
    ASSERT_TRUE(events_.WaitFor("ended"));
    ui_.join();
    size_t reports = 0;
    for (const auto& e : hall_->Events())
        reports += e.kind == hall::HallEvent::Kind::kReport;
    EXPECT_EQ(reports, 1u);
    EXPECT_EQ(events_.Count("closed"), 1u);
}

// ---- Three processes: the game server, the hall stand-in, the client ----

struct Child {
    pid_t pid = -1;
    int in = -1;   // its stdin
    int out = -1;  // its stdout
    std::string buffer;

    bool Spawn(const std::vector<std::string>& argv) {
        setenv("QEVO_HEADLESS", "1", 1);  // the client never opens a real window here
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        in = toChild[1];
        out = fromChild[0];
        return rc == 0;
    }
    // The next line, waiting for it at most `ms` (a safety net).
    std::optional<std::string> Line(int ms = 20000) {
        for (;;) {
            const size_t nl = buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer.substr(0, nl);
                buffer.erase(0, nl + 1);
                return line;
            }
            pollfd p{out, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0) return std::nullopt;
            char chunk[512];
            const ssize_t n = read(out, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer.append(chunk, size_t(n));
        }
    }
    // Reads lines until one starts with `prefix`; every line read goes to `seen`.
    std::optional<std::string> Until(const std::string& prefix, std::vector<std::string>* seen) {
        while (auto line = Line()) {
            if (seen) seen->push_back(*line);
            if (line->rfind(prefix, 0) == 0) return line;
        }
        return std::nullopt;
    }
    // The end of its stdin (the hall stand-in then waits for its client).
    void CloseInput() {
        if (in >= 0) close(in);
        in = -1;
    }
    void Say(const std::string& text) {
        const std::string line = text + "\n";
        (void)!write(in, line.data(), line.size());
    }
    int Wait() {
        if (in >= 0) close(in);
        in = -1;
        int status = 0;
        if (pid > 0) waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            Wait();
        }
        if (in >= 0) close(in);
        if (out >= 0) close(out);
    }
};

class ProcessRoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QEVO_HALL_DIR");
        unsetenv("QEVO_SYSTEM_DIR");
        unsetenv("QEVO_PROGRAM_DIR");
    }
    // Starts the game server with `script`; its port.
    std::string StartServer(const std::string& script) {
        dir_.Write("server.script", script);
        if (!server_.Spawn({QEVO_GAMESERVER_PROGRAM, "--script", dir_ / "server.script"}))
            return {};
        auto line = server_.Line();
        return line && line->rfind("port ", 0) == 0 ? line->substr(5) : std::string();
    }
    bool StartHall(const std::string& port) {
        return hall_.Spawn({QEVO_HALL_PROGRAM, "--program", QEVO_CLIENT_TESTAPP, "--port", port,
                            "--user", "1", "--chair", "0", "--seated", "4"});
    }

    platform::testing::TempDir dir_;
    Child server_;
    Child hall_;
};

constexpr char kVersion14[] =
    "reply 201001 0 0e000000 00000000 00000000 00000000 00000000 00000000 00000000\n"
    "reply 200110 200500 01\n"
    "reply 201130 0\n";

TEST_F(ProcessRoadTest, EnterThenLeaveReportsToTheHall) {
    const std::string port = StartServer(kVersion14);
    ASSERT_FALSE(port.empty());
    ASSERT_TRUE(StartHall(port));
    std::vector<std::string> seen;
    ASSERT_TRUE(hall_.Until("client: entered 1", &seen));
    hall_.Say("left 2 1");  // another player leaves: the seated client tells the server
    ASSERT_TRUE(hall_.Until("client: player left 2", &seen));
    // The game is over: the client closes by itself a little later.
    ASSERT_TRUE(hall_.Until("client: closed", &seen));
    ASSERT_TRUE(hall_.Until("client: ended", &seen));
    hall_.Say("quit");
    ASSERT_TRUE(hall_.Until("exit ", &seen));
    EXPECT_EQ(hall_.Wait(), 0);
    bool connected = false, mainWindow = false;
    for (const auto& l : seen) {
        connected |= l == "client: connected";
        mainWindow |= l.rfind("main-window ", 0) == 0;
    }
    EXPECT_TRUE(connected);
    EXPECT_TRUE(mainWindow);
}

TEST_F(ProcessRoadTest, VersionOutcomesReportZeroToTheHall) {
    struct Case {
        const char* version;
        const char* text;
    } cases[] = {
        {"0f000000 00000000", "您的游戏程序太旧了,必须下载新的程序才能玩游戏。"},
        {"0d000000 05000000", "服务正在更新中，请稍候再试。"},
        {"0e000000 01000000", "您的游戏程序需要更新。"},
    };
    for (const auto& c : cases) {
        Child server, hall;
        dir_.Write("server.script", std::string("reply 201001 0 ") + c.version +
                                        " 00000000 00000000 00000000 00000000 00000000\n");
        ASSERT_TRUE(server.Spawn({QEVO_GAMESERVER_PROGRAM, "--script", dir_ / "server.script"}));
        auto portLine = server.Line();
        ASSERT_TRUE(portLine && portLine->rfind("port ", 0) == 0);
        ASSERT_TRUE(hall.Spawn(
            {QEVO_HALL_PROGRAM, "--program", QEVO_CLIENT_TESTAPP, "--port", portLine->substr(5)}));
        std::vector<std::string> seen;
        auto report = hall.Until("report ", &seen);
        ASSERT_TRUE(report) << c.version;
        EXPECT_NE(report->find("type 2 code 0 "), std::string::npos) << *report;
        auto failed = hall.Until("client: start failed", &seen);
        ASSERT_TRUE(failed);
        EXPECT_EQ(*failed, std::string("client: start failed: ") + platform::GbkToUtf8(c.text));
        hall.CloseInput();
        ASSERT_TRUE(hall.Until("exit 1", &seen));
        hall.Wait();
    }
}

TEST_F(ProcessRoadTest, ShortLaunchLineAsksForTheHallAndEnds) {
    Child client;
    ASSERT_TRUE(client.Spawn({QEVO_CLIENT_TESTAPP, "\"7|127.0.0.1|3|4|5|6|7|8\""}));
    auto asked = client.Line();
    ASSERT_TRUE(asked);
    EXPECT_EQ(*asked, "client: message box: " +
                          platform::GbkToUtf8("该程序必须从游戏大厅中启动,是否启动游戏大厅？"));
    auto failed = client.Line();
    ASSERT_TRUE(failed);
    EXPECT_EQ(*failed, "client: start failed");
    EXPECT_EQ(WEXITSTATUS(client.Wait()), 1);
}

TEST_F(ProcessRoadTest, LostConnectionEndsTheClient) {
    const std::string port = StartServer(kVersion14);
    ASSERT_FALSE(port.empty());
    ASSERT_TRUE(StartHall(port));
    std::vector<std::string> seen;
    ASSERT_TRUE(hall_.Until("client: entered 1", &seen));
    kill(server_.pid, SIGTERM);  // the server closes its sockets and ends
    ASSERT_TRUE(hall_.Until("client: connection lost", &seen));
    ASSERT_TRUE(hall_.Until("report ", &seen));
    ASSERT_TRUE(hall_.Until("client: ended", &seen));
    hall_.CloseInput();
    ASSERT_TRUE(hall_.Until("exit 0", &seen));
}

}  // namespace
}  // namespace client
