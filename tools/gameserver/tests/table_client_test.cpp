// The real mahjong application in one chair of the table-mode game server,
// three bots in the others, the hall stand-in handing it the table: whole
// rounds over loopback under a manual clock. The test thread is the
// client's user-interface thread: it runs the client's message loop and
// plays for the player through the scene's commands, as clicks would. Time
// moves only while nothing is on its way: every request the client sent has
// reached the table, every notice the table sent has been handled; and the
// client takes its messages in lockstep with the table (client_lockstep.h),
// so the same seeds play the same rounds.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "client/tests/session_fixture.h"
#include "engine/entity.h"
#include "mahjong/app/client_app.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/tests/temp_dir.h"
#include "rules/table/tests/table_driver.h"
#include "rules/table/tests/table_scene.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/client_lockstep.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"
#include "transport/notice.h"

namespace mahjong {
namespace {

using Tiles = std::multiset<int32_t>;
using std::chrono::steady_clock;
namespace sr = rules::state_record;

class TableClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR", "QEVO_PROGRAM_DIR"})
            setenv(name, dir_.path().c_str(), 1);
        gameserver::TableOptions options = gameserver::ClientTableOptions();  // the bots' seed
        ASSERT_NO_FATAL_FAILURE(FirstDealHoldsAKong(options));
        server_ = std::make_unique<gameserver::TableServer>(options);
        ASSERT_NE(server_->Start(), 0);
        lockstep_.emplace(*server_, [this] { return app_->GetConnection()->RequestsSent(); });
        server_->WithTable([this](gameserver::TableGame& t) {
            t.KeepToldView(0);
            t.SetObserver([this, &t](const gameserver::TableMessage& m) { Observe(t, m); });
        });
        line_ = client::testing::RoadLaunchLine(server_->port(), 424242, 0);
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        ASSERT_TRUE(hall_->Open());
        app_ = std::make_unique<CClientApp>();
        app_->SetUnattended(true);
        app_->SetEventSink([this](const std::string& line) {
            lines_.push_back(line);
            if (line.rfind("entered", 0) == 0) entered_ = true;
        });
        app_->SetCommandLine(hall::BuildLaunchLine(line_));
        ASSERT_TRUE(app_->InitInstance());
    }
    void TearDown() override {
        if (app_) app_->ExitInstance();
        app_.reset();
        hall_.reset();
        server_->Stop();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR", "QEVO_PROGRAM_DIR"})
            unsetenv(name);
    }

    // The rounds follow from the seeds alone (the client is served in
    // lockstep with the table), and a concealed kong is rare: the first
    // round is dealt from a wall in which the player, dealing, holds four 1m
    // (the script throws 3 and 4 and names chair 0 the dealer); the rounds
    // after it are shuffled from a seed under which the rarer moves (an
    // added kong, a self-drawn win) come up well within a hundred rounds.
    void FirstDealHoldsAKong(gameserver::TableOptions& options) {
        rules::testing::Scene s;
        s.hands[0] = "1111m234m567m888s2345p";
        s.hands[1] = "369m369m147s147s55s88p";
        s.hands[2] = "258m258m258s2356s678p";
        s.hands[3] = "47m47m3469s3469s34p6p7p";
        options.deal = rules::testing::SceneOrder(s);
        ASSERT_FALSE(options.deal.empty());
        options.dealtRounds = 1;
        options.random = [d = firstDeal_, dice = rules::testing::SceneDice()]() -> uint32_t {
            return d->dealt ? uint32_t(d->shuffle()) : dice();
        };
    }
    struct FirstDeal {
        std::atomic<bool> dealt{false};  // set once the first round started
        std::mt19937 shuffle{24};
    };
    std::shared_ptr<FirstDeal> firstDeal_ = std::make_shared<FirstDeal>();

    // The table's thread: what reached the client's chair and came from it;
    // with each notice and reply, the chair's view as the table had told it.
    void Observe(gameserver::TableGame& t, const gameserver::TableMessage& m) {
        if (m.kind == gameserver::TableMessage::kNotify && m.id == gameserver::table::kRoundStart)
            firstDeal_->dealt = true;
        if (!lockstep_->Observe(m)) return;
        std::unique_lock lock(mu_);
        if (m.kind == gameserver::TableMessage::kNotify)
            told_.push_back({m.id, t.ToldView(), rules::testing::Misplaced(t.model())});
        if (m.kind == gameserver::TableMessage::kRequest) {
            noticesBeforeRequest_ = lockstep_->Sent();
            // A win by its kind; other requests by id alone.
            ++seen_[{m.id, m.id == 229080
                               ? gameserver::table::At(gameserver::table::ToWords(m.data), 6)
                               : 0}];
        }
        if (m.kind == gameserver::TableMessage::kReply) {
            // A reply by the request and its code. On the wire it comes
            // before the notices its request caused.
            ++seen_[{m.request, int32_t(m.id)}];
            lastReply_ = {noticesBeforeRequest_, t.ToldView()};
            sentAtLastReply_ = lockstep_->Sent();
            ++replies_;
        }
        changed_.notify_all();
    }

    CTableScene& Scene() { return *app_->GetTableScene(); }
    CTableLogic& Logic() { return *app_->GetTableLogic(); }
    // Hands a message on as the client's loop would; false when it quits.
    bool Dispatch(platform::Message& msg) {
        if (msg.message == platform::WM_QUIT) {
            ended_ = true;
            return false;
        }
        // The frame hands each notice to the application's handler.
        if (msg.message != transport::kNoticeMessage) {
            platform::DispatchMessage(msg);
            return true;
        }
        const uint64_t replies = Replies();
        platform::DispatchMessage(msg);
        AgreeAfterNotice(replies);
        return true;
    }
    uint64_t Replies() {
        std::lock_guard lock(mu_);
        return replies_;
    }
    // Everything on its way has arrived and been handled, and the table has
    // done what fell due.
    bool Settle() {
        return lockstep_->Settle([this](platform::Message& msg) { return Dispatch(msg); });
    }

    // The player's move, as a person would click: start, win, kong, pung,
    // chow, pass, and a discard of the first tile the hand lets go. True
    // when a request went out.
    bool Play() {
        CTableScene& s = Scene();
        const uint64_t before = app_->GetConnection()->RequestsSent();
        if (!s.InRound()) {
            // Once after each round (a whole round may pass between two looks).
            if (!entered_ || startedAfter_ == Logic().GetRoundNumber()) return false;
            startedAfter_ = Logic().GetRoundNumber();
            s.OnStart();
            return app_->GetConnection()->RequestsSent() != before;
        }
        // A person waits while the own tiles move (a flight, the sort's sweep).
        for (uint32_t id : {s.SpareTileEntity(), s.DrawnTileEntity(), s.PointingHand()})
            if (const engine::Entity* e = s.GetEntity(id); e && e->IsVisible()) return false;
        const bool ownTurn = s.TC_GetPointTo() == 6 && s.HasDrawnTile(3) && s.GetHandMode() == 0;
        if (s.IsButtonEnabled(kHuButton)) {
            s.OnHu();
        } else if (ownTurn && s.IsButtonEnabled(kKongButton) &&
                   kongTried_.insert(s.KongCandidate(0) * 1000 + DrawnFace()).second) {
            s.OnKong();
            s.SelectHandTile(s.FindHandTile(3, s.KongCandidate(0)), 1);
            if (s.GetHandMode() == 2) s.OnKong();
        } else if (ownTurn) {
            const int position = LoneliestTile();
            if (position >= 0) s.OnHandTileClicked(position);
        } else if (s.IsButtonEnabled(kPassButton) && ++offers_ % 4 == 0) {
            s.OnPass();  // now and then a claim is let go
        } else if (s.IsButtonEnabled(kKongButton)) {
            s.OnKong();
        } else if (s.IsButtonEnabled(kPengButton)) {
            s.OnPeng();
        } else if (s.IsButtonEnabled(kChowButton)) {
            s.OnChi();
            // More than one way to chow: the player picks the first pair.
            const ClaimOption& o = s.Option(kChowButton);
            if (app_->GetConnection()->RequestsSent() == before + 1)
                for (int k = 0; k < 2 && s.GetHandMode() == 3; ++k)
                    s.SelectHandTile(s.FindHandTile(3, o.candidates[size_t(k)]), 1);
        } else if (s.IsButtonEnabled(kPassButton)) {
            s.OnPass();
        }
        return app_->GetConnection()->RequestsSent() != before;
    }
    int32_t DrawnFace() { return Scene().GetMJStruct(kAreaHand, 3, 0)->nFace; }

    // The own tile that helps least: a flower first, then the one with the
    // fewest of its kind and neighbours beside it; jokers and the fourth of
    // a laid pung are kept. Ties go to the lowest tile, wherever the hand's
    // order (sorted or not yet) puts it.
    int LoneliestTile() {
        CTableScene& s = Scene();
        int best = -1, bestScore = 1 << 30, bestFace = 1 << 30;
        for (int i = 0; i < s.HandTiles(); ++i) {
            const MJStruct& r = *s.GetMJStruct(kAreaHand, 3, i);
            if (!r.standing || !r.present || r.locked) continue;
            int score = s.IsJokerTile(r.nFace) ? 1000 : 0;
            if (s.IsHonourOrFlowerTile(r.nFace)) score = -1000;
            for (int j = 0; j < s.HandPositions(); ++j) {
                const MJStruct& o = *s.GetMJStruct(kAreaHand, 3, j);
                // The fourth of a laid pung is kept for an added kong.
                if (!o.standing && o.present && o.meldMark == 1 &&
                    s.TileSortKey(o.nFace) == s.TileSortKey(r.nFace))
                    score += 1000;
                if (j == i || !o.standing || !o.present) continue;
                const int d = std::abs(s.TileSortKey(o.nFace) - s.TileSortKey(r.nFace));
                score += d == 0 ? 4 : d == 1 ? 2 : d == 2 ? 1 : 0;
            }
            if (score < bestScore || (score == bestScore && r.nFace < bestFace))
                best = i, bestScore = score, bestFace = r.nFace;
        }
        return best;
    }

    struct Told {
        uint32_t id = 0;
        rules::TableRecord view;
        std::string misplaced;  // the table's tiles not in exactly one place
    };
    // The client has handled the next notice: on the table every tile is in
    // one place, and the client's records agree with what it was told. A
    // reply it read meanwhile is part of that, once every notice sent before
    // its request is handled too.
    void AgreeAfterNotice(uint64_t repliesBefore) {
        Told told;
        {
            std::lock_guard lock(mu_);
            if (told_.empty()) {
                ADD_FAILURE() << "a notice the table did not send";
                return;
            }
            told = std::move(told_.front());
            told_.pop_front();
            // A reply read meanwhile tells the later state; so does one read
            // before this notice but sent after it (a reply comes before
            // the notices its request caused).
            if (replies_ != repliesBefore ||
                (replies_ > 0 && sentAtLastReply_ == lockstep_->Handled()))
                replyAfter_ = lastReply_;
            if (replyAfter_ && replyAfter_->first > lockstep_->Handled()) {
                ++ranAhead_;
                return;
            }
            if (replyAfter_) told.view = std::exchange(replyAfter_, {})->second;
        }
        EXPECT_EQ(told.misplaced, "") << "after notice " << told.id;
        EXPECT_EQ(Differs(told.view), "")
            << "after notice " << told.id << " (" << lockstep_->Handled() << ")";
        ++agreed_;
    }

    // At rest, the client's table agrees with the table's view of its chair.
    void Check() {
        // What the table has told the chair: a move it made and has not
        // told yet (a bot's draw waiting for the bot) is not the client's.
        rules::TableRecord view;
        server_->WithTable([&view](gameserver::TableGame& t) { view = t.ToldView(); });
        EXPECT_EQ(Differs(view), "");
        ++checks_;
    }
    // Where the client's records and the table's view `v` of chair 0 part;
    // empty when they agree.
    std::string Differs(const rules::TableRecord& v) {
        CTableScene& s = Scene();
        if (!s.InRound()) return "";
        std::string diff;
        auto expect = [&](bool same, const char* what, size_t c) {
            if (!same && diff.empty()) diff = std::string(what) + " of chair " + std::to_string(c);
        };
        auto served = [&](size_t lists, size_t counts, size_t c) {
            Tiles out;
            for (int32_t i = 0; i < v.Get(counts + c) && i < 36; ++i)
                out.insert(v.Get(lists + 36 * c + size_t(i)));
            return out;
        };
        int total = 0;
        for (int i = 0; i < 144; ++i)
            total += s.GetMJStruct(kAreaWall, 0, i)->present;
        for (size_t c = 0; c < 4; ++c) {
            const int32_t seat = s.ChairToViewSeat(int32_t(c));
            Tiles standing, river, flowers, held;
            int laid = 0, melded = 0;
            for (int i = 0; i < 22; ++i) {
                const MJStruct& r = *s.GetMJStruct(kAreaHand, seat, i);
                if (r.present && r.standing) standing.insert(r.nFace);
                laid += r.present && !r.standing;
            }
            for (int i = 0; i < kStripRecords; ++i)
                for (auto [area, out] : {std::pair{kAreaRiver, &river}, {kAreaFlower, &flowers}})
                    if (s.GetMJStruct(area, seat, i)->present)
                        out->insert(s.GetMJStruct(area, seat, i)->nFace);
            if (s.IsShownTilePending(seat)) river.insert(s.GetMJStruct(kAreaShown, seat, 0)->nFace);
            for (size_t t = 0; t < 5; ++t)
                melded += v.Get(sr::kMeldTables + t * sr::kMeldTableWords + sr::kMeldCounts + c) *
                          (t < 2 ? 3 : 4);
            for (size_t i = 0; c == 0 && i < sr::kHeldWords && v.Get(sr::kHeld + i) >= 0; ++i)
                held.insert(v.Get(sr::kHeld + i));
            expect(int(standing.size()) == v.Get(sr::kTileTotals + c), "hand size", c);
            expect(river == served(sr::kRivers, sr::kRiverCounts, c), "river", c);
            expect(flowers == served(sr::kFlowers, sr::kFlowerCounts, c), "flowers", c);
            expect(laid == melded, "melds", c);
            expect(c != 0 || standing == held, "hand", c);
            total += int(standing.size() + river.size() + flowers.size()) + laid;
        }
        expect(total == 144, "every tile somewhere", 0);
        return diff;
    }

    // Plays until `rounds` rounds have ended, the clock moving in steps of
    // `stepMs` whenever the table rests.
    void PlayRounds(int rounds, int64_t stepMs = 100) {
        // The client enters before the clock first moves: the hall's part
        // comes in its own time.
        ASSERT_TRUE(PumpUntil([this] { return entered_; }));
        for (int steps = 0; server_->rounds() < rounds; ++steps) {
            ASSERT_LT(steps, 400 * rounds + 1000) << "the game stalled";
            ASSERT_TRUE(Settle()) << "a message went missing";
            if (Play()) continue;
            Check();
            if (HasFailure()) return;
            clock_.AdvanceMillis(stepMs);
            server_->Poke();
        }
    }
    // Serves the client's messages, the clock standing, until `done`.
    template <typename F>
    bool PumpUntil(F done) {
        const auto giveUp = steady_clock::now() + kWait;
        platform::Message msg;
        while (!done()) {
            if (ended_ || steady_clock::now() > giveUp) return false;
            if (!lockstep_->Next(msg))
                platform::MsgWaitForMultipleObjects({}, 100);
            else if (!Dispatch(msg))
                return false;
        }
        return true;
    }
    int Seen(uint32_t id, int32_t kindOrCode = 0) {
        std::lock_guard lock(mu_);
        return seen_[{id, kindOrCode}];
    }

    static constexpr std::chrono::seconds kWait{10};  // a safety net only
    platform::testing::TempDir dir_;
    platform::ManualClock clock_{1'000'000};
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<gameserver::TableServer> server_;
    client::LaunchLine line_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::unique_ptr<CClientApp> app_;
    std::vector<std::string> lines_;
    std::optional<gameserver::ClientLockstep> lockstep_;

    std::mutex mu_;
    std::condition_variable changed_;
    std::deque<Told> told_;
    // The last reply: how many notices came before its request, and the view.
    uint64_t noticesBeforeRequest_ = 0, replies_ = 0;
    std::pair<uint64_t, rules::TableRecord> lastReply_;
    uint64_t sentAtLastReply_ = 0;
    // The client's thread only.
    std::optional<std::pair<uint64_t, rules::TableRecord>> replyAfter_;
    int ranAhead_ = 0, agreed_ = 0;
    std::map<std::pair<uint32_t, int32_t>, int> seen_;
    bool stop_ = false;

    bool ended_ = false;
    bool entered_ = false;
    int32_t startedAfter_ = -1;
    int offers_ = 0;
    std::set<int32_t> kongTried_;
    int checks_ = 0;
};

TEST_F(TableClientTest, AHundredRoundsAgainstThreeBots) {
    // A hundred rounds, and more until every kind of move has gone by: the
    // player wins by its own draw in about one round of a hundred.
    auto everyKind = [&] {
        for (uint32_t id : {229000u, 221080u, 229060u, 229005u, 229010u})
            if (!Seen(id)) return false;
        for (uint32_t id : {229025u, 229045u, 229047u, 229049u})
            if (!Seen(id, 10)) return false;
        return Seen(229025, 1010) + Seen(229030, 1010) > 0 && Seen(229080, 1) > 0 &&
               Seen(229080, 2) > 0;
    };
    for (int rounds = 100; rounds <= 400 && !HasFailure(); rounds += 20) {
        PlayRounds(rounds);
        if (everyKind()) break;
    }
    EXPECT_FALSE(ended_);
    EXPECT_GT(checks_, 1000);
    // The player's moves of every kind went through: draws, discards,
    // flowers, passes, claims (a pung won and one lost), the three kongs and
    // both wins.
    for (uint32_t id : {229000u, 221080u, 229060u, 229005u, 229010u})
        EXPECT_GT(Seen(id), 0) << id;
    for (uint32_t id : {229025u, 229045u, 229047u, 229049u})
        EXPECT_GT(Seen(id, 10), 0) << id;
    EXPECT_GT(Seen(229025, 1010) + Seen(229030, 1010), 0) << "a claim lost";
    EXPECT_GT(Seen(229080, 1), 0) << "a win on a discard";
    EXPECT_GT(Seen(229080, 2), 0) << "a self-drawn win";
    // After every notice the client agreed with what it had been told, and
    // never asked ahead of it.
    EXPECT_GT(agreed_, 4000);
    EXPECT_EQ(ranAhead_, 0);
}

TEST_F(TableClientTest, ADeadReplyMakesTheClientAskForTheTableAndGoOn) {
    // The reply to the client's first draw never comes: once the table has
    // had the draw, the clock runs past its ten seconds.
    server_->DropNextReply(229000);
    std::thread giveUp([this] {
        std::unique_lock lock(mu_);
        if (changed_.wait_for(lock, kWait,
                              [&] {
                                  return seen_[{229000, 0}] > 0 || stop_;
                              }) &&
            !stop_)
            clock_.AdvanceMillis(10000);
    });
    int rounds = 0;
    while (rounds < 20 && !HasFailure() && Seen(229000) == 0)
        PlayRounds(++rounds);
    PlayRounds(rounds + 1);
    {
        std::lock_guard lock(mu_);
        stop_ = true;
        changed_.notify_all();
    }
    giveUp.join();
    EXPECT_GT(Seen(229000), 0);
    EXPECT_NE(std::find(lines_.begin(), lines_.end(), "resync"), lines_.end());
    EXPECT_GT(Seen(201140), 0);
    EXPECT_FALSE(ended_);
}

}  // namespace
}  // namespace mahjong
