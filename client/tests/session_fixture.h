#pragma once
// The client against the scripted game server over loopback, in a program
// folder of its own (the program, hall and system folders all point at it):
//   ServerFixture   the server, answering the version check (14.0), the enter
//                   request and the game-running query; the launch line; the
//                   hall stand-in on demand; the clock, driven by the test
//   SessionFixture  an application with a session, a table data block and a
//                   held table state (four seated, one looker)
//   RoadFixture     the test client on its own user-interface thread, its
//                   lines collected

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "client/game_app.h"
#include "client/game_session.h"
#include "client/testapp/test_app.h"
#include "client/tests/hall_test_data.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/tests/temp_dir.h"
#include "tools/gameserver/server.h"
#include "tools/hall/hall_stand_in.h"

namespace client::testing {

inline constexpr std::chrono::milliseconds kWait{5000};  // a safety net only

// Game 7, room 3, user 101 at table 5, the local server.
inline LaunchLine RoadLaunchLine(uint16_t port, uint32_t hallWindow, int chair) {
    return LaunchLine{7, "127.0.0.1", 3, hallWindow, 0, 101, 5, chair, 0, "", port};
}

class ServerFixture : public ::testing::Test {
  protected:
    ServerFixture() {
        for (const char* name : {"QEVO_PROGRAM_DIR", "QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, dir_.path().c_str(), 1);
    }
    ~ServerFixture() override {
        for (const char* name : {"QEVO_PROGRAM_DIR", "QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            unsetenv(name);
    }
    void SetUp() override {
        using gameserver::Reply;
        server_.SetReply(201001, Reply::With(0, Words({14, 0, 0, 0, 0, 0, 0})));
        server_.SetReply(200110, Reply::With(200500, Words({1, 2, 3})));
        server_.SetReply(201130, Reply::With(0));
        ASSERT_NE(server_.Start(), 0);
        line_ = RoadLaunchLine(server_.port(), 424242, 0);
    }
    // The hall stand-in at the launch line's window, with `seated` players.
    bool OpenHall(int seated) {
        hall_.reset();
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        hall_->TableState() = hall::MakeTableState(line_, seated, 0);
        return hall_->Open();
    }
    size_t HallReports() {
        return size_t(std::ranges::count_if(hall_->Events(), [](const hall::HallEvent& e) {
            return e.kind == hall::HallEvent::Kind::kReport;
        }));
    }
    // Runs `startUp` while the clock moves 100 ms each real millisecond as
    // soon as the communication thread shows a failure: the start-up's wait
    // passes, while no request on its way times out before that, and the hall,
    // which hears of the failure next, is answered well within its time-out.
    bool DriveFailedStartUp(CGameApp& app, const std::function<bool()>& startUp) {
        std::atomic<bool> done{false};
        std::thread driver([&] {
            while (!done) {
                const CGameCommThread* comm = app.CommThread();
                const auto status = comm ? comm->Status() : CWaitDlg::State{};
                if (status.visible && status.text != "正在连接游戏服务器......")
                    clock_.AdvanceMillis(100);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        const bool ok = startUp();
        done = true;
        driver.join();
        return ok;
    }
    // The next request with `id`, passing over others.
    std::optional<gameserver::ReceivedRequest> NextRequest(uint32_t id) {
        while (auto r = server_.WaitForRequest(kWait))
            if (r->id == id) return r;
        return std::nullopt;
    }

    platform::testing::TempDir dir_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    gameserver::GameServer server_;
    LaunchLine line_;
    std::unique_ptr<hall::HallStandIn> hall_;
};

class SessionApp : public CGameApp {
  public:
    SessionApp() : CGameApp("Qevo", 31201, 14, 0), session(kSessionKey.data(), 128, 0x100, 0) {}
    CGameSession* GetConnection() override { return &session; }
    std::span<uint8_t> GetTableData() override { return table; }
    uint32_t IsQuickCatch() override { return 1; }
    void PlaySound(uint32_t id, uint32_t flags) override { sounds.emplace_back(id, flags); }

    CGameSession session;
    std::array<uint8_t, 64> table{};
    std::vector<std::pair<uint32_t, uint32_t>> sounds;  // id, flags
};

class SessionFixture : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        app_.SetCommandLine(hall::BuildLaunchLine(line_));
        ASSERT_TRUE(app_.ParseLaunchLine());
        auto state = MakeState(4, 1);
        state.room.options = 0x4004;
        state.room.word73 = 73;
        state.room.word74 = 74;
        state.room.words76to79 = {76, 77, 78, 79};
        ASSERT_TRUE(app_.SetTableState(state));
    }
    void TearDown() override { app_.session.Close(); }
    bool Connect() {
        app_.session.InitCipherKey();
        int proxyFailed = 0;
        return app_.session.Connect("", "127.0.0.1", server_.port(), &proxyFailed) &&
               server_.WaitForGreeting(kWait).has_value();
    }

    SessionApp app_;
};

// The lines a client writes, from its thread, waited for in order of arrival.
class EventLog {
  public:
    void Add(const std::string& line) {
        std::lock_guard lock(mu_);
        lines_.push_back(line);
        cv_.notify_all();
    }
    // Waits (real time, a safety net) until `line` has been written.
    bool WaitFor(const std::string& line, std::chrono::milliseconds timeout = 2 * kWait) {
        std::unique_lock lock(mu_);
        return cv_.wait_for(lock, timeout, [&] { return std::ranges::count(lines_, line) > 0; });
    }
    size_t Count(const std::string& line) {
        std::lock_guard lock(mu_);
        return size_t(std::ranges::count(lines_, line));
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mu_);
        return lines_;
    }

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
};

class RoadFixture : public ServerFixture {
  protected:
    void TearDown() override {
        if (ui_.joinable()) {
            if (frame_) platform::PostMessage(frame_, platform::WM_CLOSE);
            ui_.join();
        }
    }
    // Starts the test client on its own user-interface thread and waits
    // until its start-up returned; frame_ is its main window, if it started.
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
    // Waits for the client's thread to end.
    bool Ended() {
        const bool ended = events_.WaitFor("ended");
        ui_.join();
        return ended;
    }
    // Moves the clock until the client has written `line`.
    bool DriveUntil(const std::string& line, int64_t stepMs) {
        for (int i = 0; i < 100000; ++i) {
            if (events_.WaitFor(line, std::chrono::milliseconds(0))) return true;
            clock_.AdvanceMillis(stepMs);
            std::this_thread::yield();
        }
        return false;
    }

    EventLog events_;
    std::thread ui_;
    platform::HWND frame_;
};

}  // namespace client::testing
