// The winning tests' fast paths against the plain search: every input runs
// CheckHuShapes, TryHuWithJokers, IsWinningHand, the wait checkers and
// DecomposeHand both ways (the plain reference search with the combined
// test's early exits off) and requires identical answers and results. Half
// the inputs build their hand from melds, so that winners are common.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/bytes.h"
#include "rules/hand/hand_summary.h"
#include "rules/hand/hu.h"

// The plain reference search of the unit tests.
#include "rules/hand/tests/reference_search.cpp"

namespace {

using namespace rules;

// Option bits the hand analysis reads, and a few it does not.
constexpr RuleOptions kOptionBits[] = {0x1,       0x4,       0x8,       0x20,     0x100,
                                       0x200,     0x400,     0x4000,    0x400000, 0x1000000,
                                       0x2000000, 0x4000000, 0x80022000};
constexpr uint32_t kAllowedBits[] = {0x10, 0x20, 0x40, 0x80, 0x1000000, 0x2, 0x4};

TileId IdOf(TileIndex kind, int copy) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    return 108 + copy * 7 + kind - 31;
}

// An ordinary kind (suits, then honours) from a byte; now and then a flower.
TileIndex KindOf(uint8_t b) {
    const int i = b % 36;
    if (i < 27) return (i / 9) * 10 + i % 9 + 1;
    if (i < 34) return 31 + (i - 27);
    return 41 + (b / 36) % 8;
}

TileId JokerOf(platform::ByteReader& in) {
    const uint8_t b = in.U8();
    if (b < 64) return -1;
    if (b < 70) return int32_t(b) - 72;  // odd negative values
    return IdOf(KindOf(b), b % 4);
}

// Melds and a pair from the input, within four of a kind.
TileCountArray MeldHand(platform::ByteReader& in) {
    TileCountArray c{};
    auto add = [&](TileIndex k, int n) {
        if (k < 1 || k >= kCountSlots || c[size_t(k)] + n > 4) return;
        c[size_t(k)] += n;
    };
    const int melds = in.U8() % 7;
    for (int i = 0; i < melds; ++i) {
        const uint8_t type = in.U8();
        const TileIndex k = KindOf(in.U8());
        if (type % 4 == 0 && k < 30 && k % 10 <= 7) {
            add(k, 1), add(k + 1, 1), add(k + 2, 1);
        } else {
            add(k, type % 4 == 3 ? 4 : 3);
        }
    }
    if (in.U8() % 4) add(KindOf(in.U8()), 2);
    // Now and then one tile more or less.
    const uint8_t change = in.U8();
    const TileIndex k = KindOf(in.U8());
    if (change % 5 == 0 && c[size_t(k)] > 0) --c[size_t(k)];
    if (change % 5 == 1) add(k, 1);
    return c;
}

TileCountArray RawHand(platform::ByteReader& in) {
    TileCountArray c{};
    const int tiles = in.U8() % 20;
    for (int i = 0; i < tiles; ++i) {
        const TileIndex k = KindOf(in.U8());
        if (c[size_t(k)] < 4) ++c[size_t(k)];
    }
    if (in.U8() == 0xFF) c[size_t(in.U8() % kCountSlots)] = int32_t(in.U8()) - 3;  // a bad count
    return c;
}

// One call both ways; any difference aborts.
template <typename Fn>
void Compare(Fn fn) {
    HuResult fast, plain;
    fast.meldCount = plain.meldCount = 5;  // what a failure leaves must match too
    fast.waits = plain.waits = 0x77;
    // Melds the record does not write stay as the caller left them, or zero.
    fast.melds.fill({9, {9, 9, 9, 9}, {9, 9}});
    plain.melds = fast.melds;
    const int32_t f = fn(fast);
    int32_t p;
    {
        testing::ScopedPlainSearch reference;
        p = fn(plain);
    }
    if (f != p || !(fast == plain)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ByteReader in(std::span<const uint8_t>(data, size));
    const uint8_t flags = in.U8();
    // Either road of the hand summary (the 32-byte one where the processor
    // has it), for both searches.
    detail::SetWideSummaryForTesting(!(flags & 64));
    if (flags & 1) {
        InstallTileHooks(TableTileHooks());
    } else {
        ResetTileHooks();
    }
    RuleOptions options = 0;
    const uint16_t optionBits = in.U16();
    for (size_t i = 0; i < std::size(kOptionBits); ++i) {
        if (optionBits >> i & 1) options |= kOptionBits[i];
    }
    if (flags & 2) options |= kOptJokers;
    uint32_t allowed = 0;
    const uint8_t allowedBits = in.U8();
    for (size_t i = 0; i < std::size(kAllowedBits); ++i) {
        if (allowedBits >> i & 1) allowed |= kAllowedBits[i];
    }
    const uint8_t modeByte = in.U8();
    uint32_t mode = modeByte & 0x7;
    if (modeByte & 0x8) mode |= kShape258;
    mode |= uint32_t(modeByte >> 4) << 4;  // 0x10-0x80: one or more shape restrictions
    const int32_t extra = int32_t(in.U8() % 5);
    const TileId jokerA = JokerOf(in), jokerB = JokerOf(in);

    TileCountArray hand = (flags & 4) ? MeldHand(in) : RawHand(in);
    // The winning tile: one of the hand's tiles taken out, or any tile.
    TileId tile = -1;
    const uint8_t pick = in.U8();
    if (pick < 200) {
        int present[kCountSlots], n = 0;
        for (int k = 1; k < kCountSlots; ++k) {
            if (hand[size_t(k)] > 0 && hand[size_t(k)] <= 4) present[n++] = k;
        }
        if (n > 0) {
            const TileIndex k = present[pick % n];
            --hand[size_t(k)];
            tile = IdOf(k, hand[size_t(k)] % 4);
        }
    } else if (pick < 250) {
        tile = IdOf(KindOf(in.U8()), 3);
    } else {
        tile = int32_t(in.U8()) - 10;
    }
    // Joker tiles in hand: some hand tiles become jokers.
    const int jokersIn = in.U8() % 5;
    const TileIndex jokerKinds[2] = {TileKindOrZero(jokerA, options),
                                     TileKindOrZero(jokerB, options)};
    for (int j = 0; j < jokersIn; ++j) {
        const TileIndex jk = jokerKinds[j % 2];
        if (jk <= 0 || hand[size_t(jk)] >= 4) continue;
        for (int k = 1; k < kCountSlots; ++k) {
            if (k != jk && hand[size_t(k)] > 0 && hand[size_t(k)] <= 4) {
                --hand[size_t(k)];
                ++hand[size_t(jk)];
                break;
            }
        }
    }

    Compare([&](HuResult& r) {
        return IsWinningHand(hand, tile, jokerA, jokerB, options, allowed, r, mode, extra);
    });
    Compare([&](HuResult& r) {
        return TryHuWithJokers(hand, tile, jokerA, jokerB, options, allowed, r, mode);
    });
    using Checker = int32_t (*)(const TileCountArray&, TileId, TileId, TileId, RuleOptions,
                                uint32_t, HuResult&, uint32_t);
    for (Checker check : {HuByJokerPairWait, HuByPairWait, HuByPungWait, HuByMiddleWait,
                          HuByEdgeWait, HuByChowWait}) {
        Compare([&](HuResult& r) {
            return check(hand, tile, jokerA, jokerB, options, allowed, r, mode);
        });
    }
    // The shapes and the decomposition on the hand with the tile in and the
    // jokers out, with the counters split as the input says.
    TileCountArray withTile = hand;
    TileIndex winKind = 0;
    int32_t nB = 0;
    int32_t nA = ExtractJokers(withTile, tile, jokerA, jokerB, &winKind, options, 0, &nB);
    if (flags & 8) std::swap(nA, nB);
    if (flags & 16) nA += int32_t(in.U8() % 20);
    Compare([&](HuResult& r) {
        return CheckHuShapes(withTile, nA, nB, jokerA, jokerB, winKind, options, allowed, r, mode);
    });
    const TileIndex idxA = jokerKinds[0], idxB = jokerKinds[1];
    Compare([&](HuResult& r) {
        return DecomposeHand(withTile, nA, nB, idxA, idxB, winKind, options, allowed, r,
                             (flags & 32) ? 1 : 0);
    });
    // TryHuWithJokers, for jokers as wildcards only, against its steps.
    if (!(options & kOptJokers) || !(options & (kOptJokersAsTiles | kOptSubstitute))) {
        HuResult once, steps;
        once.meldCount = steps.meldCount = 5;
        if (TryHuWithJokers(hand, tile, jokerA, jokerB, options, allowed, once, mode) !=
                testing::StepwiseWildHu(hand, tile, jokerA, jokerB, options, allowed, steps,
                                        mode) ||
            !(once == steps))
            std::abort();
    }
    return 0;
}
