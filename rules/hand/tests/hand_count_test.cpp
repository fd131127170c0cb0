#include "rules/hand/hand_count.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "rules/hand/hu.h"

// Counts every allocation of the test program, to prove the tests do none.
namespace {
std::atomic<long> g_allocations{0};
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace rules {
namespace {

// Tile ids of a kind: the n-th copy (0-3) of a suited or honour kind.
TileId Id(TileIndex kind, int copy = 0) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    return 108 + copy * 7 + kind - 31;
}

TileCountArray CountsOf(const std::vector<TileId>& list) {
    TileCountArray c{};
    BuildCountArray(list, c, 0);
    return c;
}

constexpr RuleOptions kJokersOn = kOptJokers;

TEST(CountTest, BuildCountArrayAddsAndSkipsTilesWithoutKind) {
    TileCountArray c{};
    c[5] = 1;
    const TileId list[] = {4, 13, -1, 152, 5000, -7, 108};
    EXPECT_EQ(BuildCountArray(list, c, 0), 3);
    EXPECT_EQ(c[5], 3);
    EXPECT_EQ(c[31], 1);
    int total = 0;
    for (int v : c)
        total += v;
    EXPECT_EQ(total, 4);
}

TEST(CountTest, JokersAndHonours) {
    TileCountArray c = CountsOf({Id(5), Id(5, 1), Id(13), Id(31), Id(31, 1), Id(41 - 10)});
    int32_t b = 0;
    EXPECT_EQ(CountJokersInCounts(c, Id(5), Id(13), kJokersOn, &b), 2);
    EXPECT_EQ(b, 1);
    b = 0;
    EXPECT_EQ(CountJokersInCounts(c, Id(5), Id(13), 0, &b), 0);
    EXPECT_EQ(CountJokersInCounts(c, -1, Id(13), kJokersOn, &b), 0);
    EXPECT_EQ(CountJokersInCounts(c, 999, Id(13), kJokersOn, &b), 0);  // no kind: nothing read
    EXPECT_EQ(CountHonourAndFlowerTiles(c, -1, -1, 0), 0);             // default: only flowers
    TileHooks saved = CurrentTileHooks();
    InstallTileHooks(TableTileHooks());
    EXPECT_EQ(CountHonourAndFlowerTiles(c, -1, -1, 0), 3);
    InstallTileHooks(saved);
}

TEST(ClaimTest, PengAndGang) {
    std::vector<TileId> hand = {Id(5), Id(1), Id(5, 1), Id(9)};
    TileId out[4];
    EXPECT_EQ(FindPengTiles(hand, Id(5, 2), -1, -1, 0, out), 1);
    EXPECT_EQ(out[0], Id(5));
    EXPECT_EQ(out[1], Id(5, 1));
    EXPECT_EQ(out[2], -1);
    EXPECT_EQ(out[3], -1);
    EXPECT_EQ(FindGangTiles(hand, Id(5, 2), -1, -1, 0, out), 0);
    hand.push_back(Id(5, 3));
    TileId out5[5];
    EXPECT_EQ(FindGangTiles(hand, Id(5, 2), -1, -1, 0, out5), kClaimGang);
    EXPECT_EQ(out5[2], Id(5, 3));
}

TEST(ClaimTest, DiscardedJokerCannotBeClaimedUnlessJokersAreTiles) {
    TileCountArray c = CountsOf({Id(5), Id(5, 1), Id(5, 2), Id(4), Id(6)});
    const TileId joker = Id(5, 3);
    EXPECT_EQ(CanPengWithCounts(c, joker, Id(5), -1, kJokersOn), 0);
    EXPECT_EQ(CanGangWithCounts(c, joker, Id(5), -1, kJokersOn), 0);
    EXPECT_EQ(CanChiWithCounts(c, joker, Id(5), -1, kJokersOn), 0);
    const RuleOptions asTiles = kJokersOn | kOptJokersAsTiles;
    EXPECT_EQ(CanPengWithCounts(c, joker, Id(5), -1, asTiles), 1);
    EXPECT_EQ(CanGangWithCounts(c, joker, Id(5), -1, asTiles), kClaimGang);
    EXPECT_EQ(CanChiWithCounts(c, joker, Id(5), -1, asTiles), kClaimChi);
}

TEST(ClaimTest, OfferedTileWithoutKindIsRefused) {
    TileCountArray c{};
    c[0] = 5;
    EXPECT_EQ(CanPengWithCounts(c, -1, -1, -1, 0), 0);
    EXPECT_EQ(CanGangWithCounts(c, 100000, -1, -1, 0), 0);
    EXPECT_EQ(CanChiWithCounts(c, -5, -1, -1, 0), 0);
    EXPECT_EQ(CanShowFlowerWithCounts(c, -1, -1, -1, 0), 0);
}

TEST(ClaimTest, ConcealedGangScansKindsInRisingOrder) {
    std::vector<TileId> hand;
    for (int i = 0; i < 4; ++i)
        hand.push_back(Id(31, i));
    for (int i = 0; i < 4; ++i)
        hand.push_back(Id(13, i));
    TileId out[8];
    EXPECT_EQ(FindAnyGangTiles(hand, -1, -1, 0, out), kClaimGang);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(out[i], Id(13, i));
    EXPECT_EQ(out[4], -1);
    // Four jokers are skipped unless jokers count as tiles.
    EXPECT_EQ(FindAnyGangTiles(hand, Id(13), -1, kJokersOn, out), kClaimGang);
    EXPECT_EQ(out[0], Id(31));
    EXPECT_EQ(FindAnyGangTiles(hand, Id(13), -1, kJokersOn | kOptJokersAsTiles, out), kClaimGang);
    EXPECT_EQ(out[0], Id(13));
    TileIndex kind = -1;
    TileCountArray c = CountsOf({Id(1)});
    EXPECT_EQ(FindConcealedGangIndex(c, 0, -1, -1, 0, &kind), 0);
    EXPECT_EQ(kind, 0);
}

TEST(ClaimTest, ChiListsEveryPassingPairInListOrder) {
    std::vector<TileId> hand = {Id(1), Id(2), Id(4), Id(5)};
    TileId out[4];
    EXPECT_EQ(FindChiTiles(hand, Id(3), -1, -1, 0, out), kClaimChi);
    // (一万, 二万) and (二万, 四万) fit; (四万, 五万) does too but the out list
    // of four entries holds two pairs.
    EXPECT_EQ(out[0], Id(1));
    EXPECT_EQ(out[1], Id(2));
    EXPECT_EQ(out[2], Id(2));
    EXPECT_EQ(out[3], Id(4));
    TileId big[8];
    std::vector<TileId> padded = hand;
    padded.resize(8, -1);
    EXPECT_EQ(FindChiTiles(padded, Id(3), -1, -1, 0, big), kClaimChi);
    EXPECT_EQ(big[4], Id(4));
    EXPECT_EQ(big[5], Id(5));
    EXPECT_EQ(big[6], -1);
}

TEST(ClaimTest, OutListShorterThanHandIsNeverOverrun) {
    std::vector<TileId> hand = {Id(1), Id(2), Id(4), Id(5), Id(2, 1), Id(4, 1)};
    TileId out[3] = {7, 7, 7};
    EXPECT_EQ(FindChiTiles(hand, Id(3), -1, -1, 0, std::span<TileId>(out, 3)), kClaimChi);
    EXPECT_EQ(out[2], -1);  // a pair that does not fit is not started
    TileId one[1];
    EXPECT_EQ(FindPengTiles(hand, Id(2, 2), -1, -1, 0, one), 1);
    EXPECT_EQ(one[0], Id(2));
}

TEST(ClaimTest, SuitChowDirections) {
    struct Case {
        std::vector<TileIndex> held;
        TileIndex kind;
        bool chow;
    };
    const Case cases[] = {
        {{2, 3}, 1, true},     {{9, 2}, 1, false},  {{7, 8}, 9, true},  {{1, 8}, 9, false},
        {{1, 3}, 2, true},     {{3, 4}, 2, true},   {{4, 5}, 2, false}, {{18, 19}, 17, true},
        {{19, 21}, 20, false}, {{8, 9}, 10, false},
    };
    for (const Case& c : cases) {
        TileCountArray counts{};
        for (TileIndex k : c.held)
            ++counts[size_t(k)];
        ++counts[size_t(c.kind)];
        EXPECT_EQ(HasSuitChow(counts, c.kind) != 0, c.chow) << c.kind;
    }
}

TEST(ClaimTest, HonourChowsOnlyWithTheOption) {
    TileCountArray c = CountsOf({Id(32), Id(34)});
    EXPECT_EQ(CanChiWithCounts(c, Id(31), -1, -1, 0), 0);
    EXPECT_EQ(CanChiWithCounts(c, Id(31), -1, -1, kOptHonourChows | kJokersOn), kClaimChi);
    TileCountArray d = CountsOf({Id(35), Id(36)});
    EXPECT_EQ(CanChiWithCounts(d, Id(31), -1, -1, kOptHonourChows | kJokersOn), 0);
    EXPECT_EQ(CanChiWithCounts(d, Id(37), -1, -1, kOptHonourChows | kJokersOn), kClaimChi);
}

TEST(ClaimTest, NoChowsOptionAndOptionCombinations) {
    TileCountArray c = CountsOf({Id(1), Id(2)});
    EXPECT_EQ(CanChiWithCounts(c, Id(3), -1, -1, 0), kClaimChi);
    EXPECT_EQ(CanChiWithCounts(c, Id(3), -1, -1, kOptNoChows), 0);
    EXPECT_EQ(CanChiWithCounts(c, Id(3), -1, -1, kOptSubstitute), 0);  // 0x4 without jokers
    EXPECT_EQ(CanChiWithCounts(c, Id(3), -1, -1, kOptSubstitute | kJokersOn), kClaimChi);
    EXPECT_EQ(CanChiWithCounts(c, Id(3), -1, -1, kOptHonourChows | kOptSubstitute | kJokersOn), 0);
}

TEST(ClaimTest, SubstituteChowsAsJokerKind) {
    // Joker A is 五万; 白板 stands for 五万 with option 0x4.
    const RuleOptions o = kJokersOn | kOptSubstitute;
    TileCountArray c = CountsOf({Id(3), Id(4)});
    EXPECT_EQ(CanChiWithCounts(c, Id(37), Id(5), -1, o), kClaimChi);
    EXPECT_EQ(CanChiWithCounts(c, Id(37), Id(5), -1, kJokersOn), 0);
    // Without a joker A the substitute stays a plain 白板: no chow with 一万 二万.
    TileCountArray d = CountsOf({Id(1), Id(2)});
    EXPECT_EQ(CanChiWithCounts(d, Id(37), -1, -1, o), 0);
}

TEST(ClaimTest, ShowFlower) {
    TileCountArray c = CountsOf({136, 108});
    EXPECT_EQ(CanShowFlowerWithCounts(c, 136, -1, -1, 0), kClaimFlower);
    EXPECT_EQ(CanShowFlowerWithCounts(c, 108, -1, -1, 0), 0);
    EXPECT_EQ(CanShowFlowerWithCounts(c, 137, -1, -1, 0), 0);
}

TEST(ExtractJokersTest, TakesJokersOutAndMovesTheSubstitute) {
    TileCountArray c = CountsOf({Id(5), Id(5, 1), Id(13), Id(37), Id(2)});
    TileIndex kind = -1;
    int32_t b = -1;
    TileCountArray x = c;
    EXPECT_EQ(ExtractJokers(x, Id(3), Id(5), Id(13), &kind, kJokersOn | kOptSubstitute, 0, &b), 2);
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(x[3], 1);
    EXPECT_EQ(x[13], 0);
    EXPECT_EQ(x[5], 1);  // the 白板 now stands in joker A's slot
    EXPECT_EQ(x[37], 0);
    // As tiles on a claim: jokers stay, and the substitute joins them.
    TileCountArray y = c;
    EXPECT_EQ(ExtractJokers(y, -1, Id(5), Id(13), &kind,
                            kJokersOn | kOptSubstitute | kOptJokersAsTiles, 1, &b),
              0);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(y[5], 3);
    EXPECT_EQ(y[13], 1);
    // Joker A of -1: the substitute tiles are not moved into slot 0.
    TileCountArray z = c;
    ExtractJokers(z, -1, -1, -1, &kind, kJokersOn | kOptSubstitute, 0, &b);
    EXPECT_EQ(z[0], 0);
    EXPECT_EQ(z[37], 1);
}

TEST(AllocationTest, CountingClaimAndHuTestsNeverAllocate) {
    std::vector<TileId> hand = {Id(1),  Id(2),     Id(4),  Id(5),  Id(5, 1), Id(5, 2), Id(13),
                                Id(31), Id(31, 1), Id(22), Id(23), Id(24),   Id(28),   Id(28, 1)};
    hand.resize(32, -1);
    TileId out[32];
    TileCountArray c = CountsOf(hand);
    HuResult r;
    // Warm up (first use builds the search tables).
    TryHuWithJokers(c, Id(3), Id(13), -1, kJokersOn, 0x16, r, 0);
    const long before = g_allocations.load();
    int32_t sink = 0;
    for (int i = 0; i < 3; ++i) {
        TileCountArray d{};
        sink += BuildCountArray(hand, d, 0);
        int32_t b = 0;
        sink += CountJokersInCounts(c, Id(13), -1, kJokersOn, &b);
        sink += CountHonourAndFlowerTiles(c, -1, -1, 0);
        sink += CanPengWithCounts(c, Id(5, 3), -1, -1, 0);
        sink += CanGangWithCounts(c, Id(5, 3), -1, -1, 0);
        TileIndex k = 0;
        sink += FindConcealedGangIndex(c, 0, -1, -1, 0, &k);
        sink += CanChiWithCounts(c, Id(3), -1, -1, 0);
        sink += CanShowFlowerWithCounts(c, 136, -1, -1, 0);
        sink += FindPengTiles(hand, Id(5, 3), -1, -1, 0, out);
        sink += FindGangTiles(hand, Id(5, 3), -1, -1, 0, out);
        sink += FindAnyGangTiles(hand, -1, -1, 0, out);
        sink += FindChiTiles(hand, Id(3), -1, -1, 0, out);
        sink += TryHuWithJokers(c, Id(3), Id(13), -1, kJokersOn, 0x16, r, 0);
        sink += IsWinningHand(c, Id(3), Id(13), -1, kJokersOn, 0x16, r, 2, 0);
    }
    EXPECT_EQ(g_allocations.load(), before);
    EXPECT_GT(sink, 0);
}

}  // namespace
}  // namespace rules
