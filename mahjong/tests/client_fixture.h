#pragma once
// The real mahjong application seated at a table of four, its connection
// talking to the scripted game server over loopback, the clock driven.
// Notifications are handed to the application's handler as the main frame
// would; requests are read back at the server.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "client/tests/hall_test_data.h"
#include "mahjong/app/client_app.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/clock.h"
#include "platform/tests/temp_dir.h"
#include "tools/gameserver/server.h"

namespace mahjong::testing {

inline constexpr std::chrono::milliseconds kWait{5000};  // a safety net only
using gameserver::Reply;

// A round's start: `turn` banker and on turn with 17 tiles (the others 16),
// the own chair holding `own`; a wall from 10 to 75, clocks of 15, 8 and 3.
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

class ClientFixture : public ::testing::Test {
  protected:
    // Seated at `chair` (or watching it); users are 101-104 by chair.
    void Seat(int chair, bool looker = false) {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
        ASSERT_NE(server_.Start(), 0);
        server_.SetDefaultReply(Reply::With(kReplyOk));
        app_ = std::make_unique<CClientApp>();
        app_->SetUnattended(true);
        app_->SetEventSink([this](const std::string& line) { lines_.push_back(line); });
        const uint32_t user = looker ? 201 : 101 + uint32_t(chair);
        app_->SetCommandLine("\"7|127.0.0.1|3|0|0|" + std::to_string(user) + "|5|" +
                             std::to_string(chair) + "|" + (looker ? "1" : "0") + "|0|Qevo|" +
                             std::to_string(server_.port()) + "\"");
        ASSERT_TRUE(app_->ParseLaunchLine());
        auto state = client::testing::MakeState(4, looker ? 1 : 0);
        if (looker) state.lookers[0].chair = chair;
        ASSERT_TRUE(app_->SetTableState(state));
        app_->SetSharedWord1(4);
        app_->SetSharedWord2(4);
        CClientConnection& c = *app_->GetConnection();
        c.InitCipherKey();
        int proxyFailed = 0;
        ASSERT_TRUE(c.Connect("", "127.0.0.1", server_.port(), &proxyFailed));
        ASSERT_TRUE(server_.WaitForGreeting(kWait));
    }
    void TearDown() override {
        if (app_) app_->GetConnection()->Close();
        app_.reset();
        unsetenv("QEVO_HALL_DIR");
        unsetenv("QEVO_SYSTEM_DIR");
        unsetenv("QEVO_PROGRAM_DIR");
    }

    CTableScene& Scene() { return *app_->GetTableScene(); }
    CTableLogic& Logic() { return *app_->GetTableLogic(); }
    bool Notify(uint32_t id, const Words& w) {
        return app_->GetNotifyHandler()->Dispatch(id, w.Bytes());
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

    platform::testing::TempDir dir_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    gameserver::GameServer server_;
    std::unique_ptr<CClientApp> app_;
    std::vector<std::string> lines_;
};

}  // namespace mahjong::testing
