// A whole round replayed from the server's notifications, from the view of
// every chair and of a looker, against a model of the round kept here: after
// every step each seat's hand, melds, river and flowers, the wall and the
// clock must agree with it, and the 144 tiles must all be somewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "mahjong/tests/table_fixture.h"
#include "rules/table_util.h"

namespace mahjong {
namespace {

using testing::Table;
using testing::Words;
using Tiles = std::vector<int32_t>;

constexpr int32_t T(int suit, int rank, int copy) {
    return suit * 36 + copy * 9 + rank - 1;
}
constexpr int kStart = 10, kTurnedUp = 8;  // wall start and the turned-up (joker) tile
constexpr int32_t kJoker = T(0, 9, 0);     // lies at the turned-up place
constexpr int kTurnTime = 15, kClaimTime = 8;

struct Meld {
    Tiles tiles;  // in snapshot order: hand tiles, then the claimed one
    int32_t giver;
    int table;  // snap::MeldTable
};

// What the server knows of the round.
struct Model {
    std::array<std::multiset<int32_t>, 4> hand;
    std::array<std::vector<Meld>, 4> melds;
    std::array<Tiles, 4> river, flowers;
    std::set<int> wall;
    int head = (kStart + 65) % 144, tail = 0, turn = 0;
    int shownChair = -1;
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
    void ShownToRiver() {
        if (shownChair >= 0) river[size_t(shownChair)].push_back(shownTile);
        shownChair = -1;
    }
};

// The faces of a seat's standing tiles and of its laid ones.
void HandOf(const CTableScene& s, int v, std::multiset<int32_t>* standing,
            std::multiset<int32_t>* laid) {
    for (int i = 0; i < 22; ++i) {
        const MJStruct& r = *s.GetMJStruct(kAreaHand, v, i);
        if (r.present) (r.standing ? standing : laid)->insert(r.nFace);
    }
}

// A view of the round: an application seated at `own` (or watching it),
// its snapshot store and scene, and the model the notifications come from.
class Replay {
  public:
    Replay(int own, bool looker) : t_(own, 4, looker), own_(own), looker_(looker) {}

    Table& table() { return t_; }
    Model& model() { return m_; }

    void Send(uint32_t id, const Words& w) {
        const auto bytes = w.Bytes();
        if (id == 211040) t_.logic.StoreRoundStart(bytes);
        if (id == 211080) t_.logic.StoreRoundResult(bytes);
        ASSERT_TRUE(t_.scene.HandleNotification(id, bytes));
    }

    void Deal(const std::array<Tiles, 4>& hands) {
        for (int i = 0; i < 144; ++i)
            m_.wall.insert(i);
        for (int i = 0; i < 65; ++i)
            m_.wall.erase((kStart + i) % 144);
        for (int c = 0; c < 4; ++c)
            m_.hand[size_t(c)] = {hands[size_t(c)].begin(), hands[size_t(c)].end()};
        Words w(snap::kRoundStartWords);
        w[snap::kBankerChair] = 0;
        w[snap::kTurnChair] = 0;
        w[snap::kTableFlags] = snap::kFlagRunning | snap::kFlagDrawn;
        w[snap::kWallStart] = kStart;
        w[snap::kWallHead] = m_.head;
        w[snap::kTurnedUpPos] = kTurnedUp;
        w[snap::kJokerA] = kJoker;
        w[snap::kJokerB] = -1;
        w[snap::kTurnTimeout] = kTurnTime;
        w[snap::kClaimTimeout] = kClaimTime;
        w[snap::kDieA] = 3;
        w[snap::kDieB] = 4;
        for (int c = 0; c < 4; ++c)
            w[size_t(49 + c)] = int32_t(hands[size_t(c)].size());
        for (int i = 0; i < 32; ++i)
            w[size_t(53 + i)] = -1;
        for (int i = 85; i < 229; ++i)
            w[size_t(i)] = -1;
        if (!looker_) std::copy(hands[size_t(own_)].begin(), hands[size_t(own_)].end(), &w[53]);
        Send(211040, w);
        if (!looker_) {
            Words own(3 + hands[size_t(own_)].size());
            own[1] = own_;
            own[2] = int32_t(hands[size_t(own_)].size());
            std::copy(hands[size_t(own_)].begin(), hands[size_t(own_)].end(), &own[3]);
            Send(221200, own);
        }
        // What the engine runs once the dice stop: the hands dealt, the clock.
        t_.scene.RevealDealtHands();
        t_.scene.StartTurnClock();
        Check("deal");
    }

    void Draw(int chair, int32_t tile) {
        m_.ShownToRiver();
        m_.hand[size_t(chair)].insert(tile);
        m_.turn = chair;
        Send(229160, Words(3).Set(0, chair).Set(1, tile).Set(2, m_.TakeHead()));
        Check("draw");
    }

    void Discard(int chair, int32_t tile, std::map<int, int32_t> flags = {}) {
        m_.hand[size_t(chair)].erase(m_.hand[size_t(chair)].find(tile));
        m_.shownChair = chair;
        m_.shownTile = tile;
        m_.turn = (chair + 3) % 4;
        Words w(22);
        w[1] = chair;
        w[21] = tile;
        for (auto [c, f] : flags)
            w[size_t(6 + c)] = f;
        Send(221170, w);
        Check("discard");
    }

    void Flower(int chair, int32_t flower, int32_t replacement) {
        m_.hand[size_t(chair)].erase(m_.hand[size_t(chair)].find(flower));
        m_.hand[size_t(chair)].insert(replacement);
        m_.flowers[size_t(chair)].push_back(flower);
        m_.turn = chair;
        Send(229210,
             Words(7).Set(3, chair).Set(4, flower).Set(5, replacement).Set(6, m_.TakeTail()));
        Check("flower");
    }

    // A pung or chow of the shown tile with two tiles of the hand.
    void Claim(uint32_t id, int chair, int32_t a, int32_t b) {
        const int32_t tile = m_.shownTile;
        const int giver = m_.shownChair;
        Send(id == 229185 ? 229170 : 229175, Words(4).Set(3, chair));
        for (int32_t x : {a, b})
            m_.hand[size_t(chair)].erase(m_.hand[size_t(chair)].find(x));
        m_.melds[size_t(chair)].push_back(
            {{a, b, tile}, giver, id == 229185 ? snap::kPungs : snap::kChows});
        m_.shownChair = -1;
        m_.turn = chair;
        Send(id, Words(11).Set(3, chair).Set(4, giver).Set(5, tile).Set(6, a).Set(7, b));
        Check("claim");
    }

    // A kong; `tiles` are the kong's four tiles, the claimed or added one first.
    void Kong(uint32_t id, int chair, Tiles tiles, int32_t replacement) {
        auto& hand = m_.hand[size_t(chair)];
        const int giver = id == 229195 ? m_.shownChair : chair;
        // Exposed: three from the hand; concealed: four; added: one.
        const size_t first = id == 229195 ? 1 : 0, end = id == 229199 ? 1 : 4;
        for (size_t k = first; k < end; ++k)
            hand.erase(hand.find(tiles[k]));
        hand.insert(replacement);
        auto& melds = m_.melds[size_t(chair)];
        if (id == 229199) {
            auto pung = std::find_if(melds.begin(), melds.end(),
                                     [](const Meld& m) { return m.table == snap::kPungs; });
            const Meld grown = {{pung->tiles[0], pung->tiles[1], pung->tiles[2], tiles[0]},
                                pung->giver,
                                snap::kAddedKongs};
            melds.erase(pung);
            melds.push_back(grown);
            tiles = grown.tiles;
        } else {
            melds.push_back({{tiles[1], tiles[2], tiles[3], tiles[0]},
                             giver,
                             id == 229195 ? snap::kExposedKongs : snap::kConcealedKongs});
        }
        if (id == 229195) m_.shownChair = -1;
        m_.turn = chair;
        Words w(12);
        w[3] = chair;
        w[4] = giver;
        w[5] = tiles[id == 229199 ? 3 : 0];
        w[6] = tiles[id == 229199 ? 0 : 1];
        w[7] = tiles[id == 229199 ? 1 : 2];
        w[8] = tiles[id == 229199 ? 2 : 3];
        w[10] = replacement;
        w[11] = m_.TakeTail();
        Send(id, w);
        Check("kong");
    }

    // Every seat against the model, and the 144 tiles accounted for.
    void Check(const char* step) {
        SCOPED_TRACE(::testing::Message()
                     << step << ", own " << own_ << (looker_ ? " looking on" : ""));
        CTableScene& s = t_.scene;
        int onTable = 0, inModel = int(m_.wall.size()) + (m_.shownChair >= 0 ? 1 : 0);
        for (int i = 0; i < 144; ++i) {
            ASSERT_EQ(s.GetMJStruct(kAreaWall, 0, i)->present, m_.wall.count(i) ? 1 : 0)
                << "wall " << i;
            onTable += s.GetMJStruct(kAreaWall, 0, i)->present;
        }
        for (int c = 0; c < 4; ++c) {
            const int v = s.ChairToViewSeat(c);
            std::multiset<int32_t> standing, laid, meldTiles;
            HandOf(s, v, &standing, &laid);
            for (const Meld& m : m_.melds[size_t(c)])
                meldTiles.insert(m.tiles.begin(), m.tiles.end());
            EXPECT_EQ(standing.size(), m_.hand[size_t(c)].size()) << "chair " << c;
            if (c == own_ && !looker_) {
                EXPECT_EQ(standing, m_.hand[size_t(c)]) << "own faces";
            }
            EXPECT_EQ(laid, meldTiles) << "melds of chair " << c;
            EXPECT_EQ(Strip(kAreaRiver, v), m_.river[size_t(c)]) << "river of chair " << c;
            EXPECT_EQ(Strip(kAreaFlower, v), m_.flowers[size_t(c)]) << "flowers of chair " << c;
            EXPECT_EQ(s.IsShownTilePending(v), c == m_.shownChair) << "shown tile of chair " << c;
            onTable += int(standing.size() + laid.size() + Strip(kAreaRiver, v).size() +
                           Strip(kAreaFlower, v).size()) +
                       (s.IsShownTilePending(v) ? 1 : 0);
            inModel += int(m_.hand[size_t(c)].size() + meldTiles.size() +
                           m_.river[size_t(c)].size() + m_.flowers[size_t(c)].size());
        }
        EXPECT_EQ(inModel, 144);
        EXPECT_EQ(onTable, 144);
        EXPECT_EQ(s.GetClockPosition(), 2 * s.ChairToViewSeat(m_.turn));
    }

    Tiles Strip(int area, int v) {
        Tiles out;
        for (int i = 0; i < kStripRecords; ++i)
            if (t_.scene.GetMJStruct(area, v, i)->present)
                out.push_back(t_.scene.GetMJStruct(area, v, i)->nFace);
        return out;
    }

    // The table block of the enter-game reply at this moment of the round.
    void WriteTableBlock(CTableLogic& to) {
        auto set = [&](int n, int32_t v) {
            platform::StoreLE32(&to.TableData()[size_t(n) * 4], uint32_t(v));
        };
        for (int i = snap::kSpareStart; i < snap::kBlockWords; ++i)
            set(i, -1);
        set(snap::kBankerChair, 0);
        set(snap::kTurnChair, m_.turn);
        set(snap::kTableFlags, snap::kFlagRunning);
        set(snap::kWallStart, kStart);
        set(snap::kWallHead, m_.head);
        set(snap::kTailCounter, m_.tail);
        set(snap::kTurnedUpPos, kTurnedUp);
        set(snap::kJokerA, kJoker);
        set(snap::kJokerB, -1);
        for (int c = 0; c < 4; ++c) {
            for (int tbl = 0; tbl < snap::kMeldTables; ++tbl) {
                int n = 0;
                for (const Meld& m : m_.melds[size_t(c)]) {
                    if (m.table != tbl) continue;
                    const int at =
                        snap::kSpareStart + tbl * snap::kMeldTableWords + c * 42 + 7 * n++;
                    for (int k = 0; k < 4; ++k)
                        set(at + k, k < int(m.tiles.size()) ? m.tiles[size_t(k)] : -1);
                    set(at + 4, m.giver);
                }
                set(snap::kSpareStart + tbl * snap::kMeldTableWords + 168 + c, n);
            }
            Tiles river = m_.river[size_t(c)];
            if (c == m_.shownChair)
                river.push_back(m_.shownTile);  // the last discard is in the river
            for (size_t i = 0; i < river.size(); ++i)
                set(snap::kRiverLists + 36 * c + int(i), river[i]);
            set(snap::kRiverCounts + c, int(river.size()));
            const Tiles& fl = m_.flowers[size_t(c)];
            for (size_t i = 0; i < fl.size(); ++i)
                set(snap::kFlowerLists + 36 * c + int(i), fl[i]);
            set(snap::kFlowerCounts + c, int(fl.size()));
            set(snap::kHandCounts + c, int(m_.hand[size_t(c)].size()));
        }
        int i = 0;
        if (!looker_)
            for (int32_t tile : m_.hand[size_t(own_)])
                set(snap::kOwnTiles + i++, tile);
    }

  private:
    Table t_;
    int own_;
    bool looker_;
    Model m_;
};

// The designed round: dealt hands holding what the claims need, the rest
// filled from the tiles nobody else uses.
std::array<Tiles, 4> DesignedHands() {
    std::array<Tiles, 4> hands = {Tiles{136, T(1, 1, 0), T(1, 1, 1), T(1, 1, 2), T(1, 2, 0),
                                        T(1, 2, 1), T(1, 2, 2), T(2, 5, 0)},
                                  Tiles{T(2, 1, 0), T(2, 2, 0)},
                                  Tiles{T(2, 5, 1), T(2, 5, 2), T(2, 3, 0)},
                                  Tiles{T(1, 2, 3), T(0, 9, 1)}};
    std::set<int32_t> used = {kJoker, T(1, 1, 3), T(2, 5, 3), 137};
    for (const Tiles& h : hands)
        used.insert(h.begin(), h.end());
    int32_t next = 0;
    auto fresh = [&] {
        while (used.count(next) || (next >= 108 && next < 136) || next % 9 == 8)
            ++next;
        used.insert(next);
        return next;
    };
    for (int c = 0; c < 4; ++c)
        while (hands[size_t(c)].size() < (c == 0 ? 17u : 16u))
            hands[size_t(c)].push_back(fresh());
    return hands;
}

void PlayRound(Replay& r, bool restore) {
    std::array<Tiles, 4> hands = DesignedHands();
    std::set<int32_t> used;
    for (const Tiles& h : hands)
        used.insert(h.begin(), h.end());
    int32_t spare = 60;  // filler tiles drawn later: unused suited tiles
    auto fresh = [&] {
        while (used.count(spare) || spare % 9 == 8 || spare == T(1, 1, 3) || spare == T(2, 5, 3))
            ++spare;
        used.insert(spare);
        return spare;
    };
    r.Deal(hands);
    r.Flower(0, 136, fresh());
    r.Discard(0, T(2, 5, 0), {{2, 0x1 | 0x20}});
    r.Claim(229185, 2, T(2, 5, 1), T(2, 5, 2));  // chair 2 pungs
    r.Discard(2, T(2, 3, 0), {{1, 0x4 | 0x20}});
    r.Claim(229190, 1, T(2, 1, 0), T(2, 2, 0));  // chair 1 chows
    r.Discard(1, hands[1][2]);
    r.Draw(0, T(1, 1, 3));
    r.Kong(229197, 0, {T(1, 1, 3), T(1, 1, 0), T(1, 1, 1), T(1, 1, 2)}, fresh());  // concealed
    r.Discard(0, hands[0][8]);
    r.Draw(3, fresh());
    r.Discard(3, T(1, 2, 3), {{0, 0x2}});
    r.Kong(229195, 0, {T(1, 2, 3), T(1, 2, 0), T(1, 2, 1), T(1, 2, 2)}, fresh());  // exposed
    r.Discard(0, hands[0][9]);
    r.Draw(3, fresh());
    r.Discard(3, hands[3][3]);
    r.Draw(2, T(2, 5, 3));
    r.Kong(229199, 2, {T(2, 5, 3)}, fresh());  // added to the pung
    r.Discard(2, hands[2][4]);
    r.Draw(1, 137);
    r.Flower(1, 137, fresh());
    r.Discard(1, hands[1][4]);
    if (restore) {
        // A client entering now rebuilds the same table from the table data.
        CTableLogic logic;
        CTableScene restored(&logic);
        r.WriteTableBlock(logic);
        restored.StartRoundDisplay();
        for (int c = 0; c < 4; ++c) {
            std::multiset<int32_t> standing[2], laid[2];
            HandOf(r.table().scene, r.table().scene.ChairToViewSeat(c), &standing[0], &laid[0]);
            HandOf(restored, restored.ChairToViewSeat(c), &standing[1], &laid[1]);
            EXPECT_EQ(standing[0], standing[1]) << "hand of chair " << c;
            EXPECT_EQ(laid[0], laid[1]) << "melds of chair " << c;
            for (int area : {kAreaRiver, kAreaFlower, kAreaShown}) {
                for (int i = 0; i < (area == kAreaShown ? 1 : kStripRecords); ++i) {
                    const int v = r.table().scene.ChairToViewSeat(c);
                    const MJStruct& a = *r.table().scene.GetMJStruct(area, v, i);
                    const MJStruct& b = *restored.GetMJStruct(area, v, i);
                    EXPECT_EQ(a.present, b.present) << area << " chair " << c << " " << i;
                    EXPECT_EQ(a.present ? a.nFace : 0, b.present ? b.nFace : 0);
                }
            }
        }
        for (int i = 0; i < 144; ++i)
            EXPECT_EQ(restored.GetMJStruct(kAreaWall, 0, i)->present,
                      r.model().wall.count(i) ? 1 : 0);
    }
    // Chair 0 draws the winning tile and wins on its own draw.
    const int32_t win = fresh();
    r.Draw(0, win);
    Words end(snap::kResultWords);
    end[snap::kResultFlags] = snap::kResultWinTileInHand;
    end[snap::kResultWon] = 1;
    end[snap::kResultWinner] = 0;
    end[snap::kResultWinTile] = win;
    end[snap::kResultRecordCount] = 0;
    for (int c = 0; c < 4; ++c) {
        int i = 0;
        for (int k = 0; k < 32; ++k)
            end[size_t(212 + 32 * c + k)] = -1;
        for (int32_t tile : r.model().hand[size_t(c)])
            end[size_t(212 + 32 * c + i++)] = tile;
    }
    r.Send(211080, end);
    // Every hand lies open: the concealed tiles and the melds.
    for (int c = 0; c < 4; ++c) {
        std::multiset<int32_t> shown, want(r.model().hand[size_t(c)]);
        for (const Meld& m : r.model().melds[size_t(c)])
            want.insert(m.tiles.begin(), m.tiles.end());
        const int v = r.table().scene.ChairToViewSeat(c);
        for (int i = 0; i < 22; ++i) {
            const MJStruct& rec = *r.table().scene.GetMJStruct(kAreaHand, v, i);
            if (!rec.present) continue;
            shown.insert(rec.nFace);
            EXPECT_EQ(rec.standing, 0);
        }
        EXPECT_EQ(shown, want) << "chair " << c;
    }
    EXPECT_EQ(r.table().scene.GetMJStruct(kAreaHand, r.table().scene.ChairToViewSeat(0), 0)->nFace,
              win);
    EXPECT_EQ(r.table().scene.InRound(), 0);
    EXPECT_EQ(r.table().scene.ClockTimerId(), 0u);
}

TEST(Replay, AWholeRoundFromEveryChairAndAsALooker) {
    for (int own = 0; own < 4; ++own) {
        Replay r(own, false);
        PlayRound(r, true);
    }
    Replay looker(1, true);
    PlayRound(looker, true);
}

}  // namespace
}  // namespace mahjong
