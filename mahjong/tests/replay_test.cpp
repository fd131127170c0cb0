// A whole round replayed from the server's notifications, from the view of
// every chair and of a looker, against a model of the round kept here: after
// every step each seat's hand, melds, river and flowers, the wall and the
// clock must agree with it, and the 144 tiles must all be somewhere. A
// client entering late must rebuild the same table from the table data.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "mahjong/tests/table_fixture.h"
#include "rules/table/table_util.h"

namespace mahjong {
namespace {

using testing::T;
using testing::Table;
using testing::Words;
using Tiles = std::vector<int32_t>;
using Faces = std::multiset<int32_t>;

constexpr int kStart = 10, kTurnedUp = 8;  // wall start and the turned-up tile's place
constexpr int32_t kJoker = T(0, 9, 0);     // the turned-up tile: 9s of suit 0 are jokers

struct Meld {
    Tiles tiles;  // as the snapshot keeps them: hand tiles, then the claimed one
    int32_t giver;
    int table;  // snap::MeldTable
};

// What the server knows of the round.
struct Model {
    std::array<Faces, 4> hand;
    std::array<std::vector<Meld>, 4> melds;
    std::array<Tiles, 4> river, flowers;
    std::set<int> wall;
    int head = (kStart + 65) % 144, tail = 0, turn = 0, shownChair = -1;
    int32_t shownTile = -1;

    int TakeHead() {
        wall.erase(head);
        return std::exchange(head, (head + 1) % 144);
    }
    int TakeTail() {
        int skipped = 0;
        const int p = rules::NextWallTailPos(kStart, kTurnedUp, 144, &tail, &skipped);
        wall.erase(p);
        return p;
    }
    void Take(int chair, int32_t tile) { hand[chair].erase(hand[chair].find(tile)); }
};

void HandOf(const CTableScene& s, int v, Faces* standing, Faces* laid) {
    for (int i = 0; i < 22; ++i) {
        const MJStruct& r = *s.GetMJStruct(kAreaHand, v, i);
        if (r.present) (r.standing ? standing : laid)->insert(r.nFace);
    }
}

Tiles Strip(const CTableScene& s, int area, int v) {
    Tiles out;
    for (int i = 0; i < kStripRecords; ++i)
        if (s.GetMJStruct(area, v, i)->present) out.push_back(s.GetMJStruct(area, v, i)->nFace);
    return out;
}

// One view of the round: an application seated at `own` (or watching it),
// its snapshot store and scene, fed by the model.
class Replay {
  public:
    Replay(int own, bool looker) : t_(own, 4, looker), own_(own), looker_(looker) {}

    void Send(uint32_t id, const Words& w) {
        const auto bytes = w.Bytes();
        if (id == 211040) t_.logic.StoreRoundStart(bytes);
        if (id == 211080) t_.logic.StoreRoundResult(bytes);
        ASSERT_TRUE(t_.scene.HandleNotification(id, bytes));
    }

    void Deal(const std::array<Tiles, 4>& hands) {
        for (int i = 65; i < 144; ++i)
            m_.wall.insert((kStart + i) % 144);
        Words w(snap::kRoundStartWords);
        std::fill(&w[53], &w[229], -1);
        w.Set(snap::kBankerChair, 0).Set(snap::kTurnChair, 0).Set(snap::kWallStart, kStart);
        w.Set(snap::kTableFlags, snap::kFlagRunning | snap::kFlagDrawn).Set(snap::kTailCounter, 0);
        w.Set(snap::kWallHead, m_.head).Set(snap::kTurnedUpPos, kTurnedUp);
        w.Set(snap::kTurnTimeout, 15).Set(snap::kClaimTimeout, 8).Set(snap::kDieA, 3);
        w.Set(snap::kDieB, 4).Set(snap::kMoneyMode, 0).Set(snap::kJokersInRow, 0);
        w.Set(snap::kSubstituteAsTile, 1).Set(snap::kJokerA, kJoker);
        for (int c = 0; c < 4; ++c) {
            m_.hand[c] = {hands[c].begin(), hands[c].end()};
            w[49 + c] = int32_t(hands[c].size());
        }
        if (!looker_) std::copy(hands[own_].begin(), hands[own_].end(), &w[53]);
        for (int i = 229; i < 233; ++i)
            w[i] = 0;
        Send(211040, w);
        if (!looker_) {
            Words own(3 + hands[own_].size());
            own.Set(1, own_).Set(2, int32_t(hands[own_].size()));
            std::copy(hands[own_].begin(), hands[own_].end(), &own[3]);
            Send(221200, own);
        }
        // What the engine runs once the dice stop: the hands dealt, the clock.
        t_.scene.RevealDealtHands();
        t_.scene.StartTurnClock();
        Check("deal");
    }

    void Draw(int chair, int32_t tile) {
        if (m_.shownChair >= 0) m_.river[m_.shownChair].push_back(m_.shownTile);
        m_.shownChair = -1;
        m_.hand[chair].insert(tile);
        m_.turn = chair;
        Send(229160, Words(3).Set(0, chair).Set(1, tile).Set(2, m_.TakeHead()));
        Check("draw");
    }

    void Discard(int chair, int32_t tile, std::map<int, int32_t> flags = {}) {
        m_.Take(chair, tile);
        m_.shownChair = chair;
        m_.shownTile = tile;
        m_.turn = (chair + 3) % 4;
        Words w = Words(22).Set(1, chair).Set(21, tile);
        for (auto [c, f] : flags)
            w[6 + c] = f;
        Send(221170, w);
        Check("discard");
    }

    // A replacement of -1: the wall ran dry, nothing is drawn, the round ends.
    int32_t Replace(int chair, int32_t replacement) {
        if (replacement < 0) return -1;
        m_.hand[chair].insert(replacement);
        return m_.TakeTail();
    }

    void Flower(int chair, int32_t flower, int32_t replacement) {
        m_.Take(chair, flower);
        m_.flowers[chair].push_back(flower);
        m_.turn = replacement < 0 ? (chair + 3) % 4 : chair;
        const int32_t at = Replace(chair, replacement);
        Send(229210, Words(7).Set(3, chair).Set(4, flower).Set(5, replacement).Set(6, at));
        Check("flower");
    }

    // A pung or chow of the shown tile with two tiles of the hand.
    void Claim(uint32_t id, int chair, int32_t a, int32_t b) {
        const int32_t tile = m_.shownTile;
        const int giver = std::exchange(m_.shownChair, -1);
        Send(id == 229185 ? 229170 : 229175, Words(4).Set(3, chair));
        m_.Take(chair, a);
        m_.Take(chair, b);
        m_.melds[chair].push_back(
            {{a, b, tile}, giver, id == 229185 ? snap::kPungs : snap::kChows});
        m_.turn = chair;
        Send(id, Words(9).Set(3, chair).Set(4, giver).Set(5, tile).Set(6, a).Set(7, b));
        Check("claim");
    }

    // A kong of four tiles, the claimed (or added) one first.
    void Kong(uint32_t id, int chair, Tiles tiles, int32_t replacement) {
        const int giver = id == 229195 ? std::exchange(m_.shownChair, -1) : chair;
        // Exposed: three from the hand; concealed: four; added: one.
        for (size_t k = id == 229195 ? 1 : 0; k < (id == 229199 ? 1u : 4u); ++k)
            m_.Take(chair, tiles[k]);
        auto& melds = m_.melds[chair];
        tiles.resize(4, -1);
        Meld meld{{tiles[1], tiles[2], tiles[3], tiles[0]},
                  giver,
                  id == 229195 ? snap::kExposedKongs : snap::kConcealedKongs};
        if (id == 229199) {
            // The pung grows into a kong, and leaves the pungs' table.
            auto pung = std::find_if(melds.begin(), melds.end(),
                                     [](const Meld& m) { return m.table == snap::kPungs; });
            meld = {{pung->tiles[0], pung->tiles[1], pung->tiles[2], tiles[0]},
                    pung->giver,
                    snap::kAddedKongs};
            melds.erase(pung);
        }
        melds.push_back(meld);
        m_.turn = chair;
        // Payload: word 5 the kong's first tile, 6-8 the others.
        const Tiles& k = meld.tiles;
        Words w(12);
        w.Set(3, chair).Set(4, giver).Set(5, k[3]).Set(6, k[0]).Set(7, k[1]).Set(8, k[2]);
        Send(id, w.Set(10, replacement).Set(11, Replace(chair, replacement)));
        Check("kong");
    }

    // Every seat against the model, and the 144 tiles accounted for.
    void Check(const char* step) { Check(t_.scene, step); }
    void Check(const CTableScene& s, const char* step) {
        SCOPED_TRACE(::testing::Message()
                     << step << ", own " << own_ << (looker_ ? " looking on" : ""));
        int onTable = 0, inModel = int(m_.wall.size()) + (m_.shownChair >= 0);
        for (int i = 0; i < 144; ++i) {
            ASSERT_EQ(s.GetMJStruct(kAreaWall, 0, i)->present, m_.wall.count(i)) << "wall " << i;
            onTable += s.GetMJStruct(kAreaWall, 0, i)->present;
        }
        for (int c = 0; c < 4; ++c) {
            const int v = s.ChairToViewSeat(c);
            Faces standing, laid, melded;
            HandOf(s, v, &standing, &laid);
            for (const Meld& m : m_.melds[c])
                melded.insert(m.tiles.begin(), m.tiles.end());
            EXPECT_EQ(standing.size(), m_.hand[c].size()) << "chair " << c;
            EXPECT_TRUE(c != own_ || looker_ || standing == m_.hand[c]) << "own faces";
            EXPECT_EQ(laid, melded) << "melds of chair " << c;
            EXPECT_EQ(Strip(s, kAreaRiver, v), m_.river[c]) << "river of chair " << c;
            EXPECT_EQ(Strip(s, kAreaFlower, v), m_.flowers[c]) << "flowers of chair " << c;
            EXPECT_EQ(s.IsShownTilePending(v), c == m_.shownChair) << "shown tile of chair " << c;
            onTable +=
                int(standing.size() + laid.size() + m_.river[c].size() + m_.flowers[c].size()) +
                s.IsShownTilePending(v);
            inModel +=
                int(m_.hand[c].size() + melded.size() + m_.river[c].size() + m_.flowers[c].size());
        }
        EXPECT_EQ(inModel, 144);
        EXPECT_EQ(onTable, 144);
        EXPECT_EQ(s.GetClockPosition(), 2 * s.ChairToViewSeat(m_.turn));
    }

    // A client entering now: the table data as the server writes it, then
    // the round displayed from it must match the table played so far.
    void CheckRestore() {
        CTableLogic logic;
        auto set = [&](int n, int32_t v) { platform::StoreLE32(&logic.TableData()[n * 4], v); };
        auto list = [&](int at, const auto& tiles) {
            int i = 0;
            for (int32_t tile : tiles)
                set(at + i++, tile);
            return i;
        };
        for (int i = snap::kSpareStart; i < snap::kBlockWords; ++i)
            set(i, -1);
        const std::pair<int, int32_t> words[] = {
            {snap::kTurnChair, m_.turn},   {snap::kTableFlags, snap::kFlagRunning},
            {snap::kWallStart, kStart},    {snap::kWallHead, m_.head},
            {snap::kTailCounter, m_.tail}, {snap::kTurnedUpPos, kTurnedUp},
            {snap::kJokerA, kJoker},       {snap::kJokerB, -1}};
        for (auto [n, v] : words)
            set(n, v);
        for (int c = 0; c < 4; ++c) {
            for (int tbl = 0; tbl < snap::kMeldTables; ++tbl) {
                const int at = snap::kSpareStart + tbl * snap::kMeldTableWords;
                int n = 0;
                for (const Meld& m : m_.melds[c]) {
                    if (m.table != tbl) continue;
                    list(at + c * 42 + 7 * n, m.tiles);
                    set(at + c * 42 + 7 * n++ + 4, m.giver);
                }
                set(at + 168 + c, n);
            }
            Tiles river = m_.river[c];
            if (c == m_.shownChair) river.push_back(m_.shownTile);  // the last discard is there
            set(snap::kRiverCounts + c, list(snap::kRiverLists + 36 * c, river));
            set(snap::kFlowerCounts + c, list(snap::kFlowerLists + 36 * c, m_.flowers[c]));
            set(snap::kHandCounts + c, int(m_.hand[c].size()));
        }
        if (!looker_) list(snap::kOwnTiles, m_.hand[own_]);
        CTableScene restored(&logic);
        restored.StartRoundDisplay();
        Check(restored, "restored");
    }

    // Chair 0 wins on its own draw; every hand lies open.
    void Win(int32_t tile) {
        Draw(0, tile);
        Words end = Words(snap::kResultWords)
                        .Set(snap::kResultFlags, snap::kResultWinTileInHand)
                        .Set(snap::kResultWon, 1)
                        .Set(snap::kResultWinTile, tile);
        for (int c = 0; c < 4; ++c) {
            std::fill(&end[212 + 32 * c], &end[212 + 32 * c] + 32, -1);
            std::copy(m_.hand[c].begin(), m_.hand[c].end(), &end[212 + 32 * c]);
        }
        Send(211080, end);
        for (int c = 0; c < 4; ++c) {
            Faces standing, laid, want(m_.hand[c]);
            for (const Meld& m : m_.melds[c])
                want.insert(m.tiles.begin(), m.tiles.end());
            HandOf(t_.scene, t_.scene.ChairToViewSeat(c), &standing, &laid);
            EXPECT_TRUE(standing.empty());
            EXPECT_EQ(laid, want) << "chair " << c;
        }
        EXPECT_EQ(t_.scene.GetMJStruct(kAreaHand, t_.scene.ChairToViewSeat(0), 0)->nFace, tile);
        EXPECT_EQ(t_.scene.InRound(), 0);
        EXPECT_EQ(t_.scene.ClockTimerId(), 0u);
    }

  private:
    Table t_;
    int own_;
    bool looker_;
    Model m_;
};

// The round below from one view; with `dry` >= 0 the wall has run dry at the
// dry-th replacement (two flowers, three kongs), which ends the round there.
void PlayRound(Replay& r, int dry) {
    // Dealt hands hold what the claims need; the rest, and every later
    // draw, comes from suited tiles no one else holds (no jokers).
    std::array<Tiles, 4> h = {Tiles{136, T(1, 1, 0), T(1, 1, 1), T(1, 1, 2), T(1, 2, 0), T(1, 2, 1),
                                    T(1, 2, 2), T(2, 5, 0)},
                              Tiles{T(2, 1, 0), T(2, 2, 0)},
                              Tiles{T(2, 5, 1), T(2, 5, 2), T(2, 3, 0)},
                              Tiles{T(1, 2, 3), T(0, 9, 1)}};
    std::set<int32_t> used = {kJoker, T(1, 1, 3), T(2, 5, 3), 137};
    for (const Tiles& hand : h)
        used.insert(hand.begin(), hand.end());
    int32_t next = 0;
    auto fresh = [&] {
        while (used.count(next) || next % 9 == 8)
            ++next;
        used.insert(next);
        return next;
    };
    int replacements = 0;
    auto replacement = [&] { return replacements++ == dry ? -1 : fresh(); };
    auto over = [&] { return replacements > dry && dry >= 0; };
    for (int c = 0; c < 4; ++c)
        while (h[c].size() < (c == 0 ? 17u : 16u))
            h[c].push_back(fresh());
    r.Deal(h);
    r.Flower(0, 136, replacement());
    if (over()) return;
    r.Discard(0, T(2, 5, 0), {{2, 0x1 | 0x20}});
    r.Claim(229185, 2, T(2, 5, 1), T(2, 5, 2));  // chair 2 pungs
    r.Discard(2, T(2, 3, 0), {{1, 0x4 | 0x20}});
    r.Claim(229190, 1, T(2, 1, 0), T(2, 2, 0));  // chair 1 chows
    r.Discard(1, h[1][2]);
    r.Draw(0, T(1, 1, 3));
    r.Kong(229197, 0, {T(1, 1, 3), T(1, 1, 0), T(1, 1, 1), T(1, 1, 2)}, replacement());
    if (over()) return;
    r.Discard(0, h[0][8]);
    r.Draw(3, fresh());
    r.Discard(3, T(1, 2, 3), {{0, 0x2}});
    r.Kong(229195, 0, {T(1, 2, 3), T(1, 2, 0), T(1, 2, 1), T(1, 2, 2)}, replacement());
    if (over()) return;
    r.Discard(0, h[0][9]);
    r.Draw(3, fresh());
    r.Discard(3, h[3][3]);
    r.Draw(2, T(2, 5, 3));
    r.Kong(229199, 2, {T(2, 5, 3)}, replacement());  // added to the pung
    if (over()) return;
    r.Discard(2, h[2][4]);
    r.Draw(1, 137);
    r.Flower(1, 137, replacement());
    if (over()) return;
    r.Discard(1, h[1][4]);
    r.CheckRestore();
    r.Win(fresh());
}

TEST(Replay, AWholeRoundFromEveryChairAndAsALooker) {
    for (int view = 0; view < 5; ++view) {
        Replay r(view % 4 + view / 4, view == 4);
        PlayRound(r, -1);
    }
}

// A flower or kong the dry wall cannot replace leaves the mover's hand one
// tile short, in every view.
TEST(Replay, AMoveTheDryWallCannotReplaceDrawsNothing) {
    for (int dry = 0; dry < 5; ++dry) {
        for (int view = 0; view < 5; ++view) {
            SCOPED_TRACE(::testing::Message() << "dry at replacement " << dry);
            Replay r(view % 4 + view / 4, view == 4);
            PlayRound(r, dry);
        }
    }
}

}  // namespace
}  // namespace mahjong
