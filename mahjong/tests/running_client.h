#pragma once
// The mahjong client as it runs: its own start-up (InitInstance) on a
// headless screen of a given size, entered at chair 0 of the table-mode
// game server with three bots through the hall stand-in, under a manual
// clock. The shared layout words a start-up could set (chairs, the stacked
// operation bar) are given before the main window is made.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/controls/slide_popup.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/main_frame.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/clock.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"

namespace mahjong::testing {

// The start-up of a table of `chairs` chairs, and with layout word 3.
class LaidOutApp : public CClientApp {
  public:
    LaidOutApp(int32_t chairs, int32_t word3) : chairs_(chairs), word3_(word3) {}
    bool CreateMainWindow() override {
        SetSharedWord1(chairs_);
        SetSharedWord2(chairs_);
        SetSharedWord3(word3_);
        return CClientApp::CreateMainWindow();
    }

  private:
    int32_t chairs_, word3_;
};

struct ClientLayout {
    platform::SIZE screen{1024, 768};
    int32_t chairs = 4;
    int32_t word3 = 1;
};

class RunningClient {
  public:
    explicit RunningClient(ClientLayout layout = {}) : ui_(true) {
        ui_.display = std::make_shared<platform::HeadlessDisplay>(layout.screen);
        platform::SetDisplay(ui_.display);
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        server_ = std::make_unique<gameserver::TableServer>(gameserver::ClientTableOptions());
        if (server_->Start() == 0) return;
        server_->WithTable([this](gameserver::TableGame& t) {
            t.SetObserver([this](const gameserver::TableMessage& m) {
                std::lock_guard lock(mu_);
                if (m.kind == gameserver::TableMessage::kRequest) requests_.push_back(m.id);
                changed_.notify_all();
            });
        });
        hall_ = std::make_unique<hall::HallStandIn>(
            client::testing::RoadLaunchLine(server_->port(), 424242, 0));
        if (!hall_->Open()) return;
        app = std::make_unique<LaidOutApp>(layout.chairs, layout.word3);
        app->SetUnattended(true);
        app->SetEventSink([this](const std::string& l) { lines.push_back(l); });
        app->SetCommandLine(hall::BuildLaunchLine(hall_->Launch()));
        started_ = app->InitInstance() && PumpUntil([this] { return Entered(); });
    }
    ~RunningClient() {
        client::CSlidePopupDlg::DestroyAll();
        if (app) app->ExitInstance();
        app.reset();
        hall_.reset();
        if (server_) server_->Stop();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            unsetenv(name);
    }

    // Started and at the table.
    bool Started() const { return started_; }
    CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(app->Frame()); }
    CTableScene& Scene() const { return *app->GetTableScene(); }
    client::testing::UiFixture& Ui() { return ui_; }
    platform::ManualClock& Clock() { return clock_; }

    // Serves the client until `done`; the time-out is a safety net only.
    // With `stepMs` the clock moves that far whenever the client is idle
    // and the wait is for what that brings; without, the clock stands and
    // the wait is for the server or another thread of the client.
    template <typename F>
    bool PumpUntil(F done, int64_t stepMs = 0) {
        const auto giveUp = std::chrono::steady_clock::now() + client::testing::kWait;
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            if (client::testing::Pump() > 0) continue;
            if (!stepMs) {
                std::this_thread::yield();
                continue;
            }
            clock_.AdvanceMillis(stepMs);
            server_->Poke();
            platform::MsgWaitForMultipleObjects({}, 10);
        }
        return true;
    }
    // Whether the server got a request with that id from the client (each
    // is counted once).
    bool Requested(uint32_t id) {
        std::unique_lock lock(mu_);
        const bool got = changed_.wait_for(lock, client::testing::kWait, [&] {
            return std::find(requests_.begin(), requests_.end(), id) != requests_.end();
        });
        if (got) requests_.erase(std::find(requests_.begin(), requests_.end(), id));
        return got;
    }
    // The own start pressed; the round dealt.
    bool StartRound() {
        Scene().OnStart();
        return PumpUntil(
            [this] { return app->GetConnection()->IsGameRunning() && Scene().InRound(); }, 100);
    }
    int Rounds() { return server_->rounds(); }

    std::unique_ptr<LaidOutApp> app;
    std::vector<std::string> lines;

  private:
    bool Entered() const {
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("entered", 0) == 0; });
    }

    client::testing::UiFixture ui_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<gameserver::TableServer> server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::mutex mu_;
    std::condition_variable changed_;
    std::vector<uint32_t> requests_;
    bool started_ = false;
};

}  // namespace mahjong::testing
