#pragma once
// The mahjong client as it runs: its own start-up on a headless screen of a
// given size, entered at chair 0 of the table-mode game server (three bots)
// through the hall stand-in, under a manual clock, served in lockstep with
// the table (client_lockstep.h). The layout words that a start-up may set
// (chairs, the stacked operation bar) are set before the main window is
// made.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "client/controls/slide_popup.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/main_frame.h"
#include "platform/clock.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/client_lockstep.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"

namespace mahjong::testing {

struct ClientLayout {
    platform::SIZE screen{1024, 768};
    int32_t chairs = 4;
    int32_t word3 = 1;  // 2 stacks the operation bar on a small screen
};

class LaidOutApp : public CClientApp {
  public:
    explicit LaidOutApp(ClientLayout layout) : layout_(layout) {}
    bool CreateMainWindow() override {
        SetSharedWord1(layout_.chairs);
        SetSharedWord2(layout_.chairs);
        SetSharedWord3(layout_.word3);
        return CClientApp::CreateMainWindow();
    }

  private:
    ClientLayout layout_;
};

class RunningClient {
  public:
    explicit RunningClient(ClientLayout layout = {}) {
        ui_.display = std::make_shared<platform::HeadlessDisplay>(layout.screen);
        platform::SetDisplay(ui_.display);
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        server_ = std::make_unique<gameserver::TableServer>(gameserver::ClientTableOptions());
        if (server_->Start() == 0) return;
        lockstep_.emplace(*server_, [this] { return app->GetConnection()->RequestsSent(); });
        lockstep_->ObserveTable();
        hall_ = std::make_unique<hall::HallStandIn>(
            client::testing::RoadLaunchLine(server_->port(), 424242, 0));
        if (!hall_->Open()) return;
        app = std::make_unique<LaidOutApp>(layout);
        app->SetUnattended(true);
        app->SetEventSink([this](const std::string& l) { lines.push_back(l); });
        app->SetCommandLine(hall::BuildLaunchLine(hall_->Launch()));
        started_ = app->InitInstance() && PumpUntil([this] {
                       return std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
                           return l.rfind("entered", 0) == 0;
                       });
                   });
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

    bool Started() const { return started_; }
    CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(app->Frame()); }
    CTableScene& Scene() const { return *app->GetTableScene(); }
    client::testing::UiFixture& Ui() { return ui_; }
    platform::ManualClock& Clock() { return clock_; }
    int Rounds() { return server_->rounds(); }

    // Serves the client until `done` (the time-out is a safety net only).
    // With `stepMs` the clock moves that far whenever the client is idle;
    // without, it stands while the server or a thread of the client works.
    template <typename F>
    bool PumpUntil(F done, int64_t stepMs = 0) {
        const auto giveUp = std::chrono::steady_clock::now() + client::testing::kWait;
        platform::Message msg;
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            if (lockstep_->Next(msg)) {
                platform::DispatchMessage(msg);
                continue;
            }
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
    // The own start pressed; the round dealt.
    bool StartRound() {
        Scene().OnStart();
        return PumpUntil(
            [this] { return app->GetConnection()->IsGameRunning() && Scene().InRound(); }, 100);
    }

    std::unique_ptr<LaidOutApp> app;
    std::vector<std::string> lines;

  private:
    client::testing::UiFixture ui_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<gameserver::TableServer> server_;
    std::optional<gameserver::ClientLockstep> lockstep_;
    std::unique_ptr<hall::HallStandIn> hall_;
    bool started_ = false;
};

}  // namespace mahjong::testing
