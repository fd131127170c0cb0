// The own hand's row as the table's notifications change it: draws,
// discards, pungs and concealed kongs, from a dealt round of the snapshot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mahjong/tests/table_fixture.h"

namespace mahjong {
namespace {

using testing::T;
using testing::Table;
using testing::Words;

constexpr int32_t kJoker = T(2, 1, 0);  // the round's joker kind: suit 2, rank 1

struct Step {
    enum Kind { kDraw, kDiscard, kPung, kConcealedKong } kind;
    int32_t tile;                    // drawn, discarded, claimed, or the kong's first
    std::vector<int32_t> more = {};  // the pung's two, the kong's other three
};

struct Row {
    std::string name;
    int32_t banker;  // with the drawn flag, the own chair (0) holds the drawn place
    int32_t count;   // the snapshot's own hand count
    std::vector<int32_t> dealt;
    int32_t jokersInRow;
    std::vector<Step> steps;
    std::vector<int32_t> row;  // own standing faces from record 0; -1 not standing
};

void Play(Table& t, const Step& s) {
    Words w(22);
    switch (s.kind) {
        case Step::kDraw:
            w.Set(0, 0).Set(1, s.tile).Set(2, 100);
            t.scene.HandleNotification(229160, w.Bytes());
            break;
        case Step::kDiscard:
            w.Set(1, 0).Set(21, s.tile);
            t.scene.HandleNotification(221170, w.Bytes());
            break;
        case Step::kPung:
            w.Set(3, 0).Set(4, 1).Set(5, s.tile).Set(6, s.more[0]).Set(7, s.more[1]).Set(8, -1);
            t.scene.HandleNotification(229185, w.Bytes());
            break;
        case Step::kConcealedKong:
            w.Set(3, 0).Set(5, s.tile).Set(6, s.more[0]).Set(7, s.more[1]).Set(8, s.more[2]);
            w.Set(10, T(1, 1, 3)).Set(11, 101);
            t.scene.HandleNotification(229197, w.Bytes());
            break;
    }
}

std::vector<int32_t> OwnRow(CTableScene& s) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < s.HandTiles(); ++i) {
        const MJStruct& r = *s.GetMJStruct(kAreaHand, 3, i);
        out.push_back(r.standing && r.present ? r.nFace : -1);
    }
    while (!out.empty() && out.back() == -1)
        out.pop_back();
    return out;
}

// Five pungs from pairs 0-4 (suit 0 ranks 1-5), each followed by a discard
// of a single; `cycles` of them.
std::vector<Step> PungCycles(int cycles) {
    std::vector<Step> steps;
    for (int m = 0; m < cycles; ++m) {
        steps.push_back({Step::kPung, T(0, m + 1, 2), {T(0, m + 1, 0), T(0, m + 1, 1)}});
        steps.push_back({Step::kDiscard, T(2, m + 3, 0)});
    }
    return steps;
}

std::vector<int32_t> Pairs(int n) {
    std::vector<int32_t> out;
    for (int m = 0; m < n; ++m)
        out.insert(out.end(), {T(0, m + 1, 0), T(0, m + 1, 1)});
    return out;
}

std::vector<int32_t> Singles(int n) {
    std::vector<int32_t> out;
    for (int m = 0; m < n; ++m)
        out.push_back(T(2, m + 3, 0));
    return out;
}

std::vector<int32_t> Join(std::vector<int32_t> a, const std::vector<int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(HandRows, TheRowKeepsEveryTileThroughDrawsDiscardsAndMelds) {
    const int32_t drawn = T(1, 7, 0), kong = T(2, 9, 0);
    const std::vector<int32_t> fourKong = {T(2, 9, 0), T(2, 9, 1), T(2, 9, 2), T(2, 9, 3)};
    std::vector<Step> fivePungs = PungCycles(5);
    fivePungs.push_back({Step::kDraw, drawn});
    fivePungs.push_back({Step::kDiscard, T(2, 8, 0)});
    std::vector<Step> fourPungsAndKong = PungCycles(4);
    fourPungsAndKong.push_back({Step::kDraw, drawn});
    fourPungsAndKong.push_back(
        {Step::kConcealedKong, kong, {fourKong[1], fourKong[2], fourKong[3]}});
    const int32_t k19 = T(1, 9, 0), k7 = T(0, 7, 0), k3 = T(0, 3, 0), k8 = T(0, 8, 0);
    const int32_t j1 = kJoker, j2 = T(2, 1, 1), j3 = T(2, 1, 2), x = T(0, 1, 0), y = T(0, 2, 0);
    const Row rows[] = {
        {"five melds laid: the drawn tile takes the only concealed tile's place",
         1,
         16,
         Join(Pairs(5), Singles(6)),
         1,
         fivePungs,
         {-1, drawn}},
        {"four melds and a concealed kong of the rest: the drawn tile is kept",
         1,
         16,
         Join(Join(Pairs(4), fourKong), Singles(4)),
         1,
         fourPungsAndKong,
         {T(1, 1, 3), drawn}},
        {"a merged tile lands after the jokers, which sort between suits 1 and 0",
         1,
         6,
         {k19, j1, j2, k7, k3, x},
         0,
         {{Step::kDraw, k8}, {Step::kDiscard, x}},
         {-1, k19, j1, j2, k8, k7, k3}},
        {"a joker merged at the row's end stays there",
         1,
         6,
         {k19, j1, k7, k3, x, y},
         0,
         {{Step::kDraw, j3}, {Step::kDiscard, y}, {Step::kDraw, k8}, {Step::kDiscard, x}},
         {-1, k19, j1, k8, k7, k3, j3}},
        {"jokers in the row sort as their tiles",
         1,
         4,
         {j1, k7, k3, x},
         1,
         {{Step::kDraw, k8}, {Step::kDiscard, x}},
         {-1, j1, k8, k7, k3}},
        {"a dealt hand short of the full count shows no face-down tile after a discard",
         0,
         16,
         {k19, k8, k7, k3, x, y, T(0, 4, 0), T(0, 5, 0), T(0, 6, 0), T(0, 9, 0), T(1, 1, 0),
          T(1, 2, 0), T(1, 3, 0), T(1, 4, 0), T(1, 5, 0), T(1, 6, 0)},
         1,
         {{Step::kDiscard, k7}},
         {-1, k19, k8, k3, x, y, T(0, 4, 0), T(0, 5, 0), T(0, 6, 0), T(0, 9, 0), T(1, 1, 0),
          T(1, 2, 0), T(1, 3, 0), T(1, 4, 0), T(1, 5, 0), T(1, 6, 0)}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Table t;
        Words w(snap::kRoundStartWords);
        w[snap::kBankerChair] = r.banker;
        w[snap::kTurnChair] = r.banker;
        w[snap::kTableFlags] = snap::kFlagRunning | snap::kFlagDrawn;
        w[snap::kJokerA] = kJoker;
        w[snap::kJokerB] = -1;
        w[snap::kJokersInRow] = r.jokersInRow;
        w[snap::kTurnTimeout] = 15;
        w[snap::kClaimTimeout] = 8;
        for (int c = 0; c < 4; ++c)
            w[size_t(49 + c)] = c == 0 ? r.count : 16;
        for (size_t i = 0; i < 32; ++i)
            w[53 + i] = i < r.dealt.size() ? r.dealt[i] : -1;
        // As the notification handler hands it on: stored, then the scene's.
        t.logic.StoreRoundStart(w.Bytes());
        t.scene.HandleNotification(211040, w.Bytes());
        for (const Step& s : r.steps)
            Play(t, s);
        EXPECT_EQ(OwnRow(t.scene), r.row);
    }
}

}  // namespace
}  // namespace mahjong
