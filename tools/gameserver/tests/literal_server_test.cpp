// The real mahjong client, entered through the hall stand-in on a headless
// display, against the second game server that reads the protocol's words
// literally where the table server decided for itself (literal_peer.h): a
// misreading the client shares with the table server shows up here as a
// request that server refuses. Then the client's ends: a table it cannot
// resynchronise, and a connection broken at any moment of a round.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/mj_game_app.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/app/client_app.h"
#include "mahjong/app/snapshot_words.h"
#include "mahjong/tests/client_fixture.h"
#include "platform/clock.h"
#include "tools/gameserver/literal_peer.h"
#include "tools/hall/hall_stand_in.h"
#include "transport/notice.h"

namespace mahjong {
namespace {

using gameserver::LiteralPeer;
using gameserver::table::Words;
using std::chrono::steady_clock;
using Tiles = std::vector<int32_t>;
using testing::T;

constexpr auto kRealWait = std::chrono::seconds(20);  // a safety net only
constexpr int32_t kPung = 0x1, kChow = 0x4, kPass = 0x20;

// Moves the clock while the client's thread is held in a wait of its own (a
// request's time-out, the pause between resynchronisations, a message box)
// and has not come back to the test's pump for a while; between pumps the
// test moves it itself. A client that keeps itself busy past all measure
// (waits nested in waits) is given up on: `giveUp` runs once and the
// client's thread is told to quit until it is back, so the test ends.
class ClockDriver {
  public:
    ClockDriver(platform::ManualClock& clock, std::function<void()> giveUp)
        : clock_(clock), giveUp_(std::move(giveUp)), ui_(platform::GetCurrentThreadId()) {}
    ~ClockDriver() {
        stop_ = true;
        thread_.join();
    }
    void Beat() { ++beats_; }
    void Hold(bool hold) { held_ = hold; }
    bool GaveUp() const { return gaveUp_; }

  private:
    void Run() {
        uint64_t seen = beats_;
        auto since = steady_clock::now();
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (beats_ != seen) {
                seen = beats_;
                since = steady_clock::now();
                continue;
            }
            const auto stale = steady_clock::now() - since;
            if (held_ || stale < std::chrono::milliseconds(50)) continue;
            clock_.AdvanceMillis(100);
            if (stale < std::chrono::seconds(8)) continue;
            if (!gaveUp_.exchange(true)) giveUp_();
            platform::PostThreadMessage(ui_, platform::WM_QUIT);
        }
    }

    platform::ManualClock& clock_;
    std::function<void()> giveUp_;
    const platform::DWORD ui_;
    std::atomic<uint64_t> beats_{0};
    std::atomic<bool> held_{false}, stop_{false}, gaveUp_{false};
    std::thread thread_{[this] { Run(); }};
};

// A round's start (the client tests'), no jokers, jokers in a row.
Words RoundStart(int32_t turn, const Tiles& own) {
    testing::Words w = testing::RoundStart(turn, own);
    w.Set(snap::kJokersInRow, 1).Set(snap::kSubstituteAsTile, 1);
    return gameserver::table::ToWords(w.Set(snap::kJokerA, -1).Set(snap::kJokerB, -1).Bytes());
}

// Sixteen tiles for the own chair: `own`, filled up with suit 2.
Tiles Hand(Tiles own) {
    for (int copy = 0; copy < 2; ++copy)
        for (int rank = 1; rank <= 8 && own.size() < 16; ++rank)
            own.push_back(T(2, rank, copy));
    return own;
}

// One client seated at chair 0 of the literal table, its clock driven.
class Table {
  public:
    explicit Table(bool attended = false) {
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        EXPECT_NE(peer_.Start(), 0);
        line_ = client::testing::RoadLaunchLine(peer_.port(), 424242, 0);
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        EXPECT_TRUE(hall_->Open());
        app_ = std::make_unique<CClientApp>();
        app_->SetUnattended(!attended);
        app_->SetEventSink([this, attended](const std::string& l) {
            if (l == "resync failed") sentAtLeave_ = app_->GetConnection()->RequestsSent();
            if (l.rfind("sound", 0) != 0) lines_.push_back(l);
            // A box opened inside another would nest without end: the
            // client is made to quit (its loops pass the quit outwards).
            if (attended && l.rfind("message: ", 0) == 0 && ++boxes_ > 1) {
                nested_ = true;
                platform::PostQuitMessage(0);
            }
            if (l == "message closed") --boxes_;
        });
        app_->SetCommandLine(hall::BuildLaunchLine(line_));
        EXPECT_TRUE(app_->InitInstance());
        EXPECT_TRUE(PumpUntil([this] { return Said("entered 1"); }, 0));
    }
    ~Table() {
        EXPECT_FALSE(driver_.GaveUp()) << "the client kept itself busy without end";
        app_->ExitInstance();
        app_.reset();
        hall_.reset();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            unsetenv(name);
    }

    CTableScene& Scene() { return *app_->GetTableScene(); }
    LiteralPeer& Peer() { return peer_; }
    ClockDriver& Driver() { return driver_; }
    CClientApp& App() { return *app_; }

    // Handles what waits in the client's queue, as its loop would; counts
    // the table's notices among it.
    int Pump() {
        driver_.Beat();
        int n = 0;
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
            if (msg.message == transport::kNoticeMessage) ++notices_;
            platform::DispatchMessage(msg);
            driver_.Beat();
            ++n;
        }
        return n;
    }
    // Serves the client until `done`; while it rests, the clock moves
    // `stepMs` (0: not at all).
    bool PumpUntil(const std::function<bool()>& done, int64_t stepMs = 100) {
        const auto giveUp = steady_clock::now() + kRealWait;
        while (!done()) {
            if (steady_clock::now() > giveUp) return false;
            if (Pump() > 0) continue;
            if (stepMs) clock_.AdvanceMillis(stepMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        driver_.Beat();
        return true;
    }
    // Serves the client, the clock standing, until everything it sent has
    // reached the table and everything the table told it is handled.
    bool Quiet() {
        const bool synced = PumpUntil(
            [this] {
                return peer_.Received() == app_->GetConnection()->RequestsSent() &&
                       peer_.Pushed() == notices_;
            },
            0);
        Pump();
        return synced;
    }
    // `ms` of clock pass, a tenth of a second at a time, the client resting
    // between the steps.
    void Pass(int64_t ms) {
        for (int64_t t = 0; t < ms; t += 100) {
            Quiet();
            clock_.AdvanceMillis(100);
        }
        Quiet();
    }
    // The player starts; the table deals `own` (16 tiles) with `turn`'s chair
    // on turn; the deal's display runs to its end.
    void Deal(int32_t turn, const Tiles& own) {
        Scene().OnStart();
        peer_.Deal(RoundStart(turn, own));
        EXPECT_TRUE(
            PumpUntil([this] { return Scene().StateWord(CMJTableSceneBase::kClockStarted) == 1; }));
        Pass(2000);  // the deal's last sort
    }
    void Discard(int32_t chair, int32_t tile, int32_t flags) {
        peer_.Discard(chair, tile, flags);
        const int32_t seat = Scene().ChairToViewSeat(chair);
        EXPECT_TRUE(PumpUntil([&] { return Scene().IsShownTilePending(seat); }, 0));
    }
    // The claims close; the client does what follows of itself.
    void ClaimsOver() {
        peer_.ClaimsOver();
        Quiet();
    }
    // The tiles laid open at a view seat.
    int Laid(int32_t seat) {
        int n = 0;
        for (int i = 0; i < 22; ++i) {
            const MJStruct& r = *Scene().GetMJStruct(kAreaHand, seat, i);
            n += r.present && !r.standing;
        }
        return n;
    }
    bool Said(const std::string& line) const {
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }
    size_t Count(const std::string& line) const {
        return size_t(std::count(lines_.begin(), lines_.end(), line));
    }
    std::vector<hall::HallEvent> Reports() {
        std::vector<hall::HallEvent> out;
        for (const hall::HallEvent& e : hall_->Events())
            if (e.kind == hall::HallEvent::Kind::kReport) out.push_back(e);
        return out;
    }
    // The client has closed its window and told the hall.
    bool Closed() {
        return PumpUntil([this] { return !Reports().empty(); });
    }
    uint64_t SentAtLeave() const { return sentAtLeave_; }
    // A message box opened while another was up.
    bool Nested() const { return nested_; }
    // The daily logs of the program folder, joined.
    std::string Log() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(ui_.dir.path()))
            if (entry.path().extension() == ".log") all += ui_.dir.Read(entry.path().filename());
        return all;
    }

  private:
    client::testing::UiFixture ui_;
    platform::ManualClock clock_{1'000'000};
    platform::ScopedClock scoped_{clock_};
    LiteralPeer peer_{0, 101};
    ClockDriver driver_{clock_, [this] { peer_.wire().Reset(); }};
    uint64_t notices_ = 0;
    client::LaunchLine line_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::unique_ptr<CClientApp> app_;
    std::vector<std::string> lines_;
    uint64_t sentAtLeave_ = 0;
    int boxes_ = 0;
    bool nested_ = false;
};

// The own chair claims `tile` from `discarder` (a chow from the chair before
// it, else a pung) and the table keeps the claim waiting; chair 3 pungs the
// tile with `others` and discards, and the claims close.
std::function<void(Table&)> LosesToAPung(int32_t discarder, Tiles own, int32_t tile,
                                         std::array<int32_t, 2> others) {
    return [=](Table& t) {
        const bool chow = discarder == 1;
        t.Deal(discarder, Hand(own));
        t.Discard(discarder, tile, (chow ? kChow : kPung) | kPass);
        if (chow)
            t.Scene().OnChi();
        else
            t.Scene().OnPeng();
        t.Quiet();
        EXPECT_EQ(t.Scene().GetPending(), 1);
        t.Peer().Punged(3, others[0], others[1]);
        t.PumpUntil([&] { return t.Laid(2) == 3; }, 0);
        t.Discard(3, T(0, 9, 1), 0);
        t.ClaimsOver();
        EXPECT_EQ(t.Peer().Requests(chow ? kReqChiExecute : kReqPengExecute).size(), 1u);
        EXPECT_EQ(t.Scene().GetHandMode(), 0) << "no choice left open";
    };
}

TEST(LiteralServerTest, TheClientPlaysWhatTheProtocolsWordsFixAndIsNeverRefused) {
    const struct Case {
        const char* name;
        std::function<void(Table&)> play;
    } cases[] = {
        {"a draw's reply is the tile drawn, and the clock discards that tile",
         [](Table& t) {
             t.Deal(1, Hand({}));
             t.Peer().SetWall({T(1, 9, 0)});
             t.Discard(1, T(0, 9, 0), 0);
             t.ClaimsOver();
             EXPECT_EQ(t.Scene().GetMJStruct(kAreaHand, 3, 0)->nFace, T(1, 9, 0));
             ASSERT_TRUE(t.PumpUntil([&] { return !t.Peer().Requests(221080).empty(); }));
             EXPECT_EQ(t.Peer().Requests(221080)[0][discard::kTiles], T(1, 9, 0));
         }},
        {"a pung kept waiting loses to another chair's pung",
         LosesToAPung(2, {T(1, 5, 0), T(1, 5, 1)}, T(1, 5, 2), {T(1, 5, 3), T(3, 1, 0)})},
        {"a chow kept waiting loses to another chair's pung",
         LosesToAPung(1, {T(1, 3, 0), T(1, 4, 0)}, T(1, 5, 0), {T(1, 5, 1), T(1, 5, 2)})},
        {"a pung kept waiting loses when the next chair draws",
         [](Table& t) {
             t.Deal(2, Hand({T(1, 5, 0), T(1, 5, 1)}));
             t.Peer().SetWall({T(1, 9, 0)});
             t.Discard(2, T(1, 5, 2), kPung | kPass);
             t.Scene().OnPeng();
             t.Quiet();
             t.Peer().Drew(1, 100);
             t.PumpUntil([&] { return t.Scene().HasDrawnTile(0); }, 0);
             t.Discard(1, T(0, 9, 1), 0);
             t.ClaimsOver();
             EXPECT_EQ(t.Peer().Requests(229025).size(), 1u);
             EXPECT_EQ(t.Peer().Requests(229000).size(), 1u) << "the own draw follows";
         }},
        {"a pung won at once keeps the turn when its claims close after the meld",
         [](Table& t) {
             t.Deal(2, Hand({T(1, 5, 0), T(1, 5, 1)}));
             t.Peer().AnswerClaims(kReplyOk);
             t.Discard(2, T(1, 5, 2), kPung | kPass);
             t.Scene().OnPeng();
             ASSERT_TRUE(t.PumpUntil([&] { return t.Laid(3) == 3; }, 0));
             t.ClaimsOver();
             t.Pass(1000);
             EXPECT_TRUE(t.Peer().Requests(221080).empty()) << "the turn was taken as run out";
             EXPECT_GT(t.Scene().GetTurnSeconds(), 0);
             EXPECT_EQ(t.Scene().TC_GetPointTo(), 6);
         }},
        {"auto-play's added kong waits for robbers: no discard meanwhile",
         [](Table& t) {
             t.Deal(2, Hand({T(1, 5, 0), T(1, 5, 1)}));
             t.Peer().SetWall({T(1, 5, 3)});
             t.Peer().AnswerClaims(kReplyOk);
             t.Discard(2, T(1, 5, 2), kPung | kPass);
             t.Scene().OnPeng();
             ASSERT_TRUE(t.PumpUntil([&] { return t.Laid(3) == 3; }, 0));
             // The clock discards for the player.
             ASSERT_TRUE(t.PumpUntil([&] { return !t.Peer().Requests(221080).empty(); }));
             t.Discard(1, T(0, 9, 2), 0);
             t.ClaimsOver();
             ASSERT_TRUE(t.Scene().IsButtonEnabled(kKongButton));
             t.Scene().PollSceneButtons(210031);  // the auto-play button
             ASSERT_TRUE(t.PumpUntil([&] { return !t.Peer().Requests(229049).empty(); }));
             const auto sent = t.App().GetConnection()->RequestsSent();
             // Four seconds: two more ticks of auto-play, the robbers' time not out.
             t.Pass(4000);
             EXPECT_EQ(t.App().GetConnection()->RequestsSent(), sent);
             EXPECT_EQ(t.Peer().Requests(221080).size(), 1u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Table t;
        c.play(t);
        t.Quiet();
        EXPECT_EQ(t.Peer().Faults(), std::vector<std::string>{});
    }
}

TEST(LiteralServerTest, AClientThatCannotResynchroniseSendsNothingMoreAndSaysSoOnce) {
    Table t(/*attended=*/true);
    t.Deal(1, Hand({}));
    t.Peer().SetWall({T(1, 9, 0)});
    t.Discard(1, T(0, 9, 0), 0);
    t.ClaimsOver();
    ASSERT_TRUE(t.Scene().HasDrawnTile(3));
    // The table stops answering discards: auto-play's discard waits in vain,
    // and the table data asked for then is refused. The clock runs on, in
    // the boxes too, and auto-play with it.
    t.Peer().Withhold(221080);
    t.Scene().PollSceneButtons(210031);  // the auto-play button
    ASSERT_TRUE(t.Closed());
    EXPECT_FALSE(t.Nested()) << "a box inside a box";
    ASSERT_TRUE(t.Peer().wire().WaitForClientGone(std::chrono::seconds(5)));
    EXPECT_EQ(t.Count(std::string("message: ") + client::kTextResyncFailed), 1u);
    // Nothing went out once the client had decided to leave.
    EXPECT_GT(t.SentAtLeave(), 0u);
    EXPECT_EQ(t.Peer().Received(), t.SentAtLeave());
    ASSERT_EQ(t.Reports().size(), 1u);
    EXPECT_EQ(t.Reports()[0].dwData, 2u);
}

enum class Fault { kBadChecksum, kReset, kClose, kUnaskedReply, kFlood };

void Break(gameserver::GameServer& wire, Fault fault) {
    using gameserver::Body;
    switch (fault) {
        case Fault::kBadChecksum: {
            auto packets = wire.BuildPackets(gameserver::kKindRequest, wire.NextMessageNumber(),
                                             Body{500, {1, 2, 3, 4, 5, 6, 7, 8}});
            packets.back().back() ^= 0x40;
            wire.SendRaw(packets);
            break;
        }
        case Fault::kReset:
            wire.Reset();
            break;
        case Fault::kClose:
            wire.Fin();
            break;
        case Fault::kUnaskedReply:
            wire.SendRaw(wire.BuildPackets(gameserver::kKindReply, 0x40000000, Body{10, {}}));
            break;
        case Fault::kFlood: {
            std::vector<gameserver::Bytes> flood;
            for (uint32_t i = 0; i <= transport::UnreadNotices::kMaxRecords; ++i) {
                auto p = wire.BuildPackets(gameserver::kKindRequest, wire.NextMessageNumber(),
                                           Body{500, {1, 2, 3, 4}});
                flood.insert(flood.end(), p.begin(), p.end());
            }
            wire.SendRaw(flood, gameserver::WriteMode::kCoalesced);
            break;
        }
    }
}

TEST(LiteralServerTest, AConnectionThatBreaksAtAnyMomentOfARoundIsToldAsALostConnection) {
    const struct {
        Fault fault;
        const char* logged;  // the cause, in the daily log
    } faults[] = {
        {Fault::kBadChecksum, "packet checksum error"},
        {Fault::kReset, "receive failed: Connection reset by peer"},
        {Fault::kClose, "connection closed by the peer"},
        {Fault::kUnaskedReply, "reply 1073741824 part 1 "},
        {Fault::kFlood, "notify target lags"},
    };
    // Outside a request, and while a draw, a discard or a pung waits for its
    // reply.
    const uint32_t moments[] = {0, kReqDraw, kReqDiscard, kReqPengExecute};
    for (const uint32_t waited : moments) {
        for (const auto& [fault, logged] : faults) {
            SCOPED_TRACE(std::to_string(waited) + ": " + logged);
            Table t;
            t.Deal(waited == kReqPengExecute ? 2 : 1, Hand({T(1, 5, 0), T(1, 5, 1)}));
            if (waited == kReqDiscard) {
                t.Peer().SetWall({T(1, 9, 0)});
                t.Discard(1, T(0, 9, 0), 0);
                t.ClaimsOver();
            }
            bool closed = false;
            if (waited == 0) {
                Break(t.Peer().wire(), fault);
                const auto giveUp = steady_clock::now() + kRealWait;
                while (t.App().GetConnection()->IsAlive() && steady_clock::now() < giveUp)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                closed = t.Closed();
            } else {
                // The client's thread waits in the request until the break
                // ends the wait; the clock stands while it waits.
                t.Peer().Withhold(waited);
                t.Driver().Hold(true);
                bool broke = false;
                std::thread breaker([&] {
                    const auto giveUp = steady_clock::now() + kRealWait;
                    while (t.Peer().Requests(waited).empty() && steady_clock::now() < giveUp)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    broke = !t.Peer().Requests(waited).empty();
                    Break(t.Peer().wire(), fault);
                });
                if (waited == kReqDraw) {
                    t.Discard(1, T(0, 9, 0), 0);
                    t.Peer().ClaimsOver();
                } else if (waited == kReqPengExecute) {
                    t.Discard(2, T(1, 5, 2), kPung | kPass);
                    t.Scene().OnPeng();
                }  // the discard: the turn clock runs out while serving
                closed = t.Closed();
                breaker.join();
                EXPECT_TRUE(broke) << "broken while the request waited";
            }
            ASSERT_TRUE(closed);
            EXPECT_TRUE(
                t.Said("message: 断线了！请尽快重入房间续玩。\r\n您的位置【测试区_一号房】。"));
            EXPECT_FALSE(t.Said("resync failed"));
            ASSERT_EQ(t.Reports().size(), 1u);
            EXPECT_EQ(t.Reports()[0].dwData, 5u) << "a game was running";
            EXPECT_NE(t.Log().find(logged), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace mahjong
