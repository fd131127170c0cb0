// Four clients that the test scripts play a dealt scene through the table's
// requests, byte for byte: a pung that waits for a win offered to another
// chair, draws, an added kong that may be robbed (robbed and not), and the
// claim window and the turns that run out under a clock only the test moves.

#include <gtest/gtest.h>

#include <memory>

#include "rules/tests/table_scene.h"
#include "tools/gameserver/table_game.h"

namespace gameserver {
namespace {

using namespace table;
using rules::TileId;
using rules::testing::IdOf;
using Note = std::pair<uint32_t, Words>;

// Chair 1 pungs the dealer's 1p and later draws the fourth; chair 2 waits on
// 1p or 4p.
rules::testing::Scene KongScene() {
    rules::testing::Scene s;
    s.hands[0] = "1p13579m2468m4568p137s";
    s.hands[1] = "1p1p369m369m147s147s88s";
    s.hands[2] = "123456789m55s23p789s";
    s.hands[3] = "147m258m57p77p2356s99s";
    s.front = "1z2z3z1p";
    return s;
}

const TileId kOnePin = IdOf(21, 0), kFourth = IdOf(21, 3);
const Words kPungTiles = {IdOf(21, 1), IdOf(21, 2)};

class Scripted {
  public:
    explicit Scripted(const rules::testing::Scene& scene)
        : table_(Options(scene), [this] { return clock_; }) {
        for (int32_t c = 0; c < 4; ++c) {
            peer_[size_t(c)] = table_.Connect();
            Words enter(kEnterBytes / 4, 0);
            enter[kEnterUser] = 100 + c;
            enter[kEnterChair] = c;
            EXPECT_EQ(Send(c, kEnter, enter).first, kEntered);
        }
        for (int32_t c = 0; c < 4; ++c)
            Send(c, kStart, Head(c, 32));
        for (int32_t c = 0; c < 4; ++c)
            EXPECT_EQ(Ids(c).back(), kRoundStart);
    }

    static TableOptions Options(const rules::testing::Scene& scene) {
        TableOptions options;
        auto draws = std::make_shared<int>(0);
        // Dice 3 and 4, chair 0 deals: the scene's wall.
        options.random = [draws]() -> uint32_t {
            const int i = (*draws)++;
            return i == 0 ? 2 : i == 1 ? 3 : 0;
        };
        options.deal = rules::testing::SceneOrder(scene);
        return options;
    }

    Words Head(int32_t c, size_t bytes) const {
        Words w(bytes / 4, 0);
        w[kUser] = 100 + c;
        w[kChair] = c;
        return w;
    }
    Words Claim(int32_t c, size_t bytes, int32_t giver, TileId tile, Words own = {}) const {
        Words w = Head(c, bytes);
        w[kGiver] = giver;
        w[kTile] = tile;
        for (size_t i = 0; i < own.size(); ++i)
            w[kOwn + i] = own[i];
        return w;
    }

    // The reply of a waited request.
    std::pair<uint32_t, Words> Send(int32_t c, uint32_t id, const Words& w) {
        table_.Request(peer_[size_t(c)], id, ToBytes(w), IsWaited(id), 5);
        std::pair<uint32_t, Words> reply;
        for (TableMessage& m : table_.TakeOutgoing()) {
            const size_t to = size_t(std::find(peer_.begin(), peer_.end(), m.peer) - peer_.begin());
            if (m.kind == TableMessage::kReply) {
                EXPECT_EQ(to, size_t(c));
                EXPECT_EQ(m.number, 5u);
                reply = {m.id, ToWords(m.data)};
            } else {
                inbox_[to].emplace_back(m.id, ToWords(m.data));
            }
        }
        return reply;
    }
    void Advance(int64_t ms) {
        clock_ += ms;
        table_.Tick();
        for (TableMessage& m : table_.TakeOutgoing()) {
            const size_t to = size_t(std::find(peer_.begin(), peer_.end(), m.peer) - peer_.begin());
            inbox_[to].emplace_back(m.id, ToWords(m.data));
        }
    }
    std::vector<Note> Take(int32_t c) { return std::exchange(inbox_[size_t(c)], {}); }
    std::vector<uint32_t> Ids(int32_t c) {
        std::vector<uint32_t> ids;
        for (const Note& n : Take(c))
            ids.push_back(n.first);
        return ids;
    }

    Words DiscardOf(int32_t c, TileId tile) const {
        Words w = Head(c, kDiscardBaseBytes + 4);
        w[kSenderChair] = c;
        w[kSenderUser] = 100 + c;
        w[kOwnDiscard] = w[kDiscardCount] = 1;
        w[kDiscardTiles] = tile;
        return w;
    }
    // Discards and lets every chair offered the tile pass; true when the
    // others read the discard and nobody took it.
    bool DiscardAndPass(int32_t c, TileId tile) {
        if (Send(c, kDiscard, DiscardOf(c, tile)).first != kOk) {
            ADD_FAILURE() << "discard refused";
            return false;
        }
        std::array<std::vector<Note>, 4> notes;
        for (int32_t s = 0; s < 4; ++s)
            notes[size_t(s)] = Take(s);
        for (int32_t s = 0; s < 4; ++s) {
            const auto& first = notes[size_t(s)];
            if (s == c || first.empty() || !first[0].second[kNoteFlags + size_t(s)]) continue;
            Send(s, kPass, Claim(s, 40, c, tile));
        }
        for (int32_t s = 0; s < 4; ++s) {
            if (s == c) continue;
            auto later = Take(s);
            std::vector<Note>& all = notes[size_t(s)];
            all.insert(all.end(), later.begin(), later.end());
            if (all.size() == 2 && all[0].first == kDiscarded && all[0].second[kNoteTile] == tile &&
                all[1].first == kClaimsOver)
                continue;
            ADD_FAILURE() << "chair " << s << " got " << all.size() << " notes";
            return false;
        }
        return true;
    }
    TileId Draw(int32_t c) {
        Words w = Head(c, kDrawBytes);
        w[kSenderChair] = c;
        w[kSenderUser] = 100 + c;
        auto [code, reply] = Send(c, kDraw, w);
        EXPECT_EQ(code, kOk);
        EXPECT_EQ(reply.size(), 8u);
        if (code != kOk || reply.size() < 3) return -1;
        EXPECT_EQ(reply[kReplyChair], c);
        EXPECT_EQ(reply[kReplyIndex], table_.model().WallPosOfTile(reply[kReplyTile]));
        for (int32_t s = 0; s < 4; ++s) {
            if (s == c) continue;
            auto notes = Take(s);
            EXPECT_EQ(notes.size(), 1u);
            if (notes.empty()) continue;
            EXPECT_EQ(notes[0].first, kDrew);
            EXPECT_EQ(notes[0].second, (Words{c, kHiddenTile, reply[kReplyIndex], 0, 0, 0, 0, 0}));
        }
        return reply[kReplyTile];
    }

    // Chair 1 has punged the 1p and drawn the fourth.
    void PlayToTheFourthPin() {
        ASSERT_EQ(Send(0, kDiscard, DiscardOf(0, kOnePin)).first, kOk);
        for (int32_t s : {1, 2, 3}) {
            auto notes = Take(s);
            ASSERT_EQ(notes.size(), 1u);
            const Words& w = notes[0].second;
            ASSERT_EQ(w.size(), kDiscardNoteWords);
            EXPECT_EQ(w[kNoteChair], 0);
            EXPECT_EQ(w[kNoteTile], kOnePin);
            EXPECT_EQ(w[kNoteFlags], 0);  // the discarder
            EXPECT_EQ(w[kNoteFlags + 1], rules::kClaimFlagPung | kPassFlag);
            EXPECT_EQ(w[kNoteFlags + 2], rules::kClaimFlagHu | kPassFlag);
        }
        // The pung waits for the win offered to chair 2.
        const Words pung = Claim(1, 64, 0, kOnePin, {kPungTiles[0], kPungTiles[1], -1});
        Send(1, kPung, pung);
        EXPECT_EQ(Send(1, kPungDone, pung).first, kWait);
        Send(2, kPass, Claim(2, 40, 0, kOnePin));
        for (int32_t s : {0, 2, 3})
            EXPECT_EQ(Ids(s), (std::vector<uint32_t>{kPungAnnounced, kClaimsOver}));
        EXPECT_EQ(Ids(1), std::vector<uint32_t>{kClaimsOver});
        auto [code, meld] = Send(1, kPungDone, pung);
        ASSERT_EQ(code, kOk);
        Words expected = Claim(1, 64, 0, kOnePin, {kPungTiles[0], kPungTiles[1], -1});
        expected[kReplacement] = expected[kReplacementIndex] = -1;
        expected[kRoom] = expected[kTable] = 0;
        meld[kRoom] = meld[kTable] = 0;
        EXPECT_EQ(meld, expected);
        for (int32_t s : {0, 2, 3})
            EXPECT_EQ(Take(s).at(0).first, kPunged);
        ASSERT_TRUE(DiscardAndPass(1, IdOf(18, 0)));
        for (int32_t s : {0, 3, 2}) {
            const TileId drawn = Draw(s);
            ASSERT_GE(drawn, 0);
            ASSERT_TRUE(DiscardAndPass(s, drawn));
        }
        ASSERT_EQ(Draw(1), kFourth);
    }

    Words Kong() const {
        Words kong = Claim(1, 64, 1, kFourth, {kPungTiles[0], kPungTiles[1], kOnePin});
        kong[kKongKind] = 2;
        return kong;
    }

    TableGame& table() { return table_; }

  private:
    int64_t clock_ = 1000;
    TableGame table_;
    std::array<PeerId, 4> peer_{};
    std::array<std::vector<Note>, 4> inbox_;
};

TEST(TableClaimsTest, AnAddedKongRobbedOrNot) {
    for (bool rob : {true, false}) {
        Scripted t(KongScene());
        ASSERT_NO_FATAL_FAILURE(t.PlayToTheFourthPin());
        auto [code, reply] = t.Send(1, kKong, t.Kong());
        ASSERT_EQ(code, kOk);
        EXPECT_EQ(reply, (Words{1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        for (int32_t s : {0, 2, 3}) {
            auto notes = t.Take(s);
            ASSERT_EQ(notes.size(), 1u);
            EXPECT_EQ(notes[0].first, kKongAnnounced);
            const int32_t robber = rules::kClaimFlagHu | kPassFlag;
            EXPECT_EQ(notes[0].second, (Words{1, 1, kFourth, 2, 0, 0, robber, 0}));
        }
        EXPECT_EQ(t.Send(1, kAddedKong, t.Kong()).first, kWait);
        if (rob) {
            Words hu = t.Claim(2, 48, 1, kFourth);
            hu[kHuKind] = int32_t(rules::kHuRobbingKong);
            hu[kHuOfferKind] = 2;
            EXPECT_EQ(t.Send(2, kHu, hu).first, kOk);
            for (int32_t s = 0; s < 4; ++s) {
                auto notes = t.Take(s);
                ASSERT_EQ(notes.size(), 1u);
                EXPECT_EQ(notes[0].first, kRoundEnd);
                EXPECT_EQ(notes[0].second[170], 2);
                EXPECT_GT(notes[0].second[165 + 2], 0);
            }
            continue;
        }
        t.Send(2, kPass, t.Claim(2, 40, 1, kFourth));
        for (int32_t s = 0; s < 4; ++s)
            EXPECT_EQ(t.Ids(s), std::vector<uint32_t>{kClaimsOver});
        auto [done, kongReply] = t.Send(1, kAddedKong, t.Kong());
        ASSERT_EQ(done, kOk);
        const TileId replacement = t.table().model().LastDrawn(1);
        const int32_t index = t.table().model().WallPosOfTile(replacement);
        EXPECT_EQ(kongReply, (Words{1, replacement, index, 0, 0, 0, 0, 0}));
        for (int32_t s : {0, 2, 3}) {
            auto notes = t.Take(s);
            ASSERT_EQ(notes.size(), 1u);
            EXPECT_EQ(notes[0].first, kAddedKonged);
            Words expected = t.Kong();
            expected[kRoom] = 1;
            expected[kReplacement] = kHiddenTile;
            expected[kReplacementIndex] = index;
            EXPECT_EQ(notes[0].second, expected);
        }
    }
}

TEST(TableClaimsTest, WindowsAndTurnsRunOutOnTheClock) {
    Scripted t(KongScene());
    ASSERT_EQ(t.Send(0, kDiscard, t.DiscardOf(0, kOnePin)).first, kOk);
    for (int32_t s : {1, 2, 3})
        t.Take(s);
    const Words pung = t.Claim(1, 64, 0, kOnePin, {kPungTiles[0], kPungTiles[1], -1});
    t.Send(1, kPung, pung);
    EXPECT_EQ(t.Send(1, kPungDone, pung).first, kWait);
    // Chair 2 never answers: the window closes a second before the claim
    // seconds are out, when the rules stop taking claims.
    t.Advance(8998);
    EXPECT_TRUE(t.Ids(1).empty());
    t.Advance(1);
    EXPECT_EQ(t.Ids(1), std::vector<uint32_t>{kClaimsOver});
    for (int32_t s : {0, 2, 3})
        EXPECT_EQ(t.Ids(s), (std::vector<uint32_t>{kPungAnnounced, kClaimsOver}));
    // Chair 1 does not take its pung: the turn's seconds, the watch time and
    // two seconds later the table tells everybody, chair 1 too.
    t.Advance(25000 - 1);
    EXPECT_TRUE(t.Ids(1).empty());
    t.Advance(1);
    for (int32_t s = 0; s < 4; ++s)
        EXPECT_EQ(t.Ids(s), std::vector<uint32_t>{kPunged});
    // Before its turn's seconds are out nobody may discard for it; then the
    // chair before it may.
    Words forIt = t.Head(0, kDiscardBaseBytes);
    forIt[kUser] = 101;
    forIt[kChair] = 1;
    forIt[kTimeoutForm] = 1;
    forIt[kSenderChair] = 0;
    forIt[kSenderUser] = 100;
    t.Advance(20000 - 1);
    t.Send(0, kDiscard, forIt);
    EXPECT_TRUE(t.Ids(1).empty());
    t.Send(3, kDiscard, forIt);  // not the chair before it
    EXPECT_TRUE(t.Ids(1).empty());
    t.Advance(1);
    t.Send(0, kDiscard, forIt);
    for (int32_t s = 0; s < 4; ++s) {
        auto notes = t.Take(s);
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes[0].first, kDiscarded);
        EXPECT_EQ(notes[0].second[kNoteChair], 1);
    }
}

}  // namespace
}  // namespace gameserver
