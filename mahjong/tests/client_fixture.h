#pragma once
// The real mahjong client started as the program starts it: the hall
// stand-in hands it a table of four, its main frame opens on a headless
// display (the table pane's first sizing loads the scene's settings and
// pictures), and entering the table starts the engine's timers (the
// scene's game data, then the game's start). Its connection talks to the
// scripted game server over loopback; the clock is driven by the test.
// Notifications are handed to the application's handler as the main frame
// hands them on; requests are read back at the server.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/tests/hall_test_data.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/app/client_app.h"
#include "mahjong/app/request_words.h"
#include "mahjong/panes/main_frame.h"
#include "mahjong/panes/table_pane.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/clock.h"
#include "tools/gameserver/server.h"
#include "tools/hall/hall_stand_in.h"

namespace mahjong::testing {

inline constexpr std::chrono::milliseconds kWait{5000};  // a safety net only
using gameserver::Reply;

// A round's start: `turn` banker and on turn with 17 tiles (the others 16),
// the own chair holding `own`; a wall from 10 to 75, clocks of 15, 8 and 3.
// The draw reply: the tile first, then its wall place.
inline gameserver::Bytes DrawReply(int32_t tile, int32_t wall) {
    return Words(8).Set(draw_reply::kTile, tile).Set(draw_reply::kWallIndex, wall).Bytes();
}

inline Words RoundStart(int32_t turn, const std::vector<int32_t>& own) {
    Words w(snap::kRoundStartWords, -1);
    std::fill(&w[0], &w[snap::kRoundWords], 0);
    w.Set(snap::kBankerChair, turn).Set(snap::kTurnChair, turn).Set(snap::kWallStart, 10);
    w.Set(snap::kWallHead, 75).Set(snap::kTurnedUpPos, 8).Set(snap::kTurnTimeout, 15);
    w.Set(snap::kClaimTimeout, 8).Set(snap::kWatchTime, 3).Set(snap::kDieA, 3);
    w.Set(snap::kDieB, 4).Set(snap::kTableFlags, snap::kFlagRunning | snap::kFlagDrawn);
    for (int c = 0; c < 4; ++c)
        w.Set(size_t(49 + c), c == turn ? 17 : 16).Set(size_t(229 + c), 0);
    std::copy(own.begin(), own.end(), &w[53]);
    return w;
}

// `n` tiles of copy `copy` in order: suit 0's nine, then suit 1's.
inline std::vector<int32_t> InOrder(int n, int copy = 0) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i)
        out.push_back(T(i / 9, i % 9 + 1, copy));
    return out;
}

class ClientFixture : public ::testing::Test {
  protected:
    // Seated at `chair` (or watching it); users are 101-104 by chair, the
    // looker 201. `table` may change the hall's table before the start.
    void Seat(int chair, bool looker = false,
              const std::function<void(client::HallTableState&)>& table = {}) {
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        ui_.dir.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + client::testing::AssetDir() +
                                      "hall/GameHall.exe\r\n");
        const std::filesystem::path assets = client::testing::AssetDir();
        for (const char* folder : Folders())
            std::filesystem::create_directory_symlink(
                assets / folder, std::filesystem::path(ui_.dir.path()) / folder);
        ASSERT_NE(server_.Start(), 0);
        server_.SetDefaultReply(Reply::With(kReplyOk));
        server_.SetReply(201001, Reply::With(0, client::testing::Words({14, 0, 0, 0, 0, 0, 0})));
        server_.SetReply(200110, Reply::With(200500, client::testing::Words({1, 2, 3})));
        server_.SetReply(201130, Reply::With(0));
        client::LaunchLine line = client::testing::RoadLaunchLine(server_.port(), 424242, chair);
        line.userId = looker ? 201 : 101 + uint32_t(chair);
        line.lookerFlag = looker ? 1 : 0;
        hall_ = std::make_unique<hall::HallStandIn>(line);
        client::HallTableState& state = hall_->TableState();
        state = client::testing::MakeState(4, looker ? 1 : 0);
        state.room.noticeHost.clear();
        state.room.advertHost.clear();
        if (looker) state.lookers[0].chair = chair;
        if (table) table(state);
        ASSERT_TRUE(hall_->Open());
        BeforeStart();
        app_ = std::make_unique<CClientApp>();
        app_->SetUnattended(true);
        app_->SetEventSink([this](const std::string& l) { lines_.push_back(l); });
        app_->SetCommandLine(hall::BuildLaunchLine(line));
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_TRUE(PumpUntil([this] {
            return std::ranges::any_of(
                lines_, [](const std::string& l) { return l.rfind("entered", 0) == 0; });
        }));
        ASSERT_TRUE(View().TimersStarted());
    }
    void TearDown() override {
        if (app_) {
            app_->GetConnection()->Close();
            app_->ExitInstance();
        }
        app_.reset();
        hall_.reset();
        client::testing::Pump();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            unsetenv(name);
    }
    // The generated folders the program folder takes.
    virtual std::vector<const char*> Folders() const { return {"res", "skins", "sound"}; }
    // Files of the program folder written before the client starts.
    virtual void BeforeStart() {}
    std::string ProgramDir() const { return ui_.dir.path(); }
    std::string IniPath() const { return ui_.dir.path() + "Qevo.ini"; }

    CTableScene& Scene() { return *app_->GetTableScene(); }
    CTableLogic& Logic() { return *app_->GetTableLogic(); }
    CMainFrame& Frame() { return *dynamic_cast<CMainFrame*>(app_->Frame()); }
    CMJGameTableView2& Pane() { return *dynamic_cast<CMJGameTableView2*>(Frame().GetTableView()); }
    engine::CJqGameTableView& View() { return Pane().EngineView(); }
    // The entity of the scene's button `code` (none before it is made).
    engine::Entity* ButtonEntity(uint32_t code) {
        const engine::ControlRecord* r = Scene().GetWorld().GetControl(Scene().ButtonControl(code));
        return r ? Scene().GetEntity(r->entityId) : nullptr;
    }
    bool Notify(uint32_t id, const Words& w) {
        return app_->GetNotifyHandler()->Dispatch(id, w.Bytes());
    }
    // Serves this thread's queue until `done`; the time-out is a safety net.
    template <typename F>
    bool PumpUntil(F done) {
        const auto giveUp = std::chrono::steady_clock::now() + kWait;
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            if (client::testing::Pump() == 0) platform::MsgWaitForMultipleObjects({}, 10);
        }
        return true;
    }
    // The clock moves in steps of 10 ms until `done` holds, at most `ms`;
    // the view's timers run.
    template <typename F>
    bool RunUntil(F done, int64_t ms = 10000) {
        for (int64_t t = 0; !done(); t += 10) {
            if (t >= ms) return false;
            clock_.AdvanceMillis(10);
            client::testing::Pump();
        }
        return true;
    }
    void Run(int64_t ms) {
        RunUntil([] { return false; }, ms);
    }
    // A round started by the server (211040), its deal shown to its end:
    // the clock runs and the sort's sweep is over.
    bool Deal(const Words& start) {
        const engine::Entity* hand = Scene().GetEntity(Scene().PointingHand());
        return Notify(211040, start) &&
               RunUntil([this] { return Scene().StateWord(CTableScene::kClockRunning) == 1; }) &&
               RunUntil([hand] { return !hand || !hand->IsVisible(); });
    }
    // Input of the view's window as the display brings it, at points of
    // the engine's screen: the pointer moved, the left button pressed or
    // released where the pointer is, both at a point.
    void Point(int32_t x, int32_t y) {
        pointer_ = Frame().ScreenToClient(View().ClientToScreen(DevicePoint(x, y)));
        Inject(platform::InputEvent::Kind::MouseMove);
    }
    void Press(bool down) {
        Inject(down ? platform::InputEvent::Kind::MouseDown : platform::InputEvent::Kind::MouseUp);
    }
    void Click(int32_t x, int32_t y) {
        Point(x, y);
        Press(true);
        Press(false);
    }
    void Inject(platform::InputEvent::Kind kind) {
        platform::InputEvent e;
        e.kind = kind;
        e.window = Frame().GetSafeHwnd().value;
        e.point = pointer_;
        e.button = platform::MouseButton::Left;
        ui_.display->Inject(e);
        client::testing::Pump();
    }
    // A point of the engine's screen in the view's client area.
    platform::POINT DevicePoint(int32_t x, int32_t y) {
        const platform::RECT r = View().GetClientRect();
        return {int(int64_t(x) * r.Width() / std::max(Scene().GetScreenWidth(), 1)),
                int(int64_t(y) * r.Height() / std::max(Scene().GetScreenHeight(), 1))};
    }
    // The next request the server got with that id (others are skipped).
    std::optional<gameserver::ReceivedRequest> Next(uint32_t id) {
        while (auto r = server_.WaitForRequest(kWait))
            if (r->id == id) return r;
        return std::nullopt;
    }
    // The words of the next request with that id (zeros, failing, if none).
    std::vector<int32_t> SentWords(uint32_t id) {
        if (auto r = Next(id)) return WordsOf(r->data);
        ADD_FAILURE() << "no request " << id;
        return std::vector<int32_t>(64, 0);
    }
    // Whether a request arrives before the server is asked for a marker:
    // the marker (229505, sent without waiting) comes after anything sent
    // before it.
    bool SentBeforeMarker(uint32_t id) {
        std::string text;
        app_->GetConnection()->Send229505(text);
        while (auto r = server_.WaitForRequest(kWait)) {
            if (r->id == id) return true;
            if (r->id == kReq229505) return false;
        }
        return false;
    }
    // Every request sent so far taken off the server's list (none has id 0).
    void Drain() { SentBeforeMarker(0); }
    // Runs `f` on another thread while the clock moves `ms` once the server
    // has the request `id`: a request the server leaves unanswered times
    // out under the test's clock.
    template <typename F>
    auto WithTimeOut(uint32_t id, int64_t ms, F f) {
        auto done = std::async(std::launch::async, f);
        Next(id);
        clock_.AdvanceMillis(ms);
        return done.get();
    }

    client::testing::UiFixture ui_{false};
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    gameserver::GameServer server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::unique_ptr<CClientApp> app_;
    std::vector<std::string> lines_;
    platform::POINT pointer_{};
};

}  // namespace mahjong::testing
