// Arbitrary hands, tile ids, joker ids, options and modes into the hand
// analysis; the guided decomposition and the combined winning test are
// checked against the plain search.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/bytes.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/hu.h"
#include "rules/hand/tile.h"

// The plain reference search of the unit tests.
#include "rules/hand/tests/reference_search.cpp"

namespace {

using namespace rules;

// Small values most of the time, anything now and then.
int32_t Value(platform::ByteReader& in) {
    uint8_t tag = in.U8();
    if (tag < 200) return int32_t(tag) - 20;
    if (tag < 250) return int32_t(in.U8()) % 160;
    return in.I32();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ByteReader in(std::span<const uint8_t>(data, size));
    const uint8_t flags = in.U8();
    if (flags & 0x80) {
        InstallTileHooks(TableTileHooks());
    } else {
        ResetTileHooks();
    }
    const RuleOptions options = in.U32();
    const uint32_t allowed = in.U32();
    const uint32_t mode = in.U32();
    const int32_t extra = int32_t(in.U8() & 3);
    const TileId jokerA = Value(in), jokerB = Value(in), tile = Value(in);
    int32_t nA = Value(in), nB = Value(in);

    // A hand list of arbitrary ids, and a count array of arbitrary counts.
    std::vector<TileId> list(in.U8() % 40);
    for (TileId& id : list)
        id = Value(in);
    TileCountArray raw{};
    const int slots = in.U8() % 20;
    for (int i = 0; i < slots; ++i) {
        uint8_t slot = in.U8();
        raw[slot % kCountSlots] = (flags & 1) ? Value(in) : int32_t(in.U8() % 5);
    }

    TileCountArray counts{};
    BuildCountArray(list, counts, options);
    std::vector<TileId> out(in.U8() % 40);
    int32_t sink = 0;
    sink += FindPengTiles(list, tile, jokerA, jokerB, options, out);
    sink += FindGangTiles(list, tile, jokerA, jokerB, options, out);
    sink += FindChiTiles(list, tile, jokerA, jokerB, options, out);
    sink += FindAnyGangTiles(list, jokerA, jokerB, options, out);
    sink += FindGangTilesInHand(list, tile, jokerA, jokerB, options, out);
    TileIndex kind = 0;
    for (const TileCountArray* c : {&counts, &raw}) {
        sink += CanPengWithCounts(*c, tile, jokerA, jokerB, options);
        sink += CanGangWithCounts(*c, tile, jokerA, jokerB, options);
        sink += CanChiWithCounts(*c, tile, jokerA, jokerB, options);
        sink += CanShowFlowerWithCounts(*c, tile, jokerA, jokerB, options);
        sink += FindConcealedGangIndex(*c, tile, jokerA, jokerB, options, &kind);
        sink += CountHonourAndFlowerTiles(*c, jokerA, jokerB, options);
        HuResult r;
        sink += TryHuWithJokers(*c, tile, jokerA, jokerB, options, allowed, r, mode);
        sink += IsWinningHand(*c, tile, jokerA, jokerB, options, allowed, r, mode, extra);
        sink += CheckHuShapes(*c, nA, nB, jokerA, jokerB, kind, options, allowed, r, mode);
        sink +=
            CheckJokerMelds(r, jokerA, jokerB, options) + CountJokerPlaces(r) + CountKongMelds(r);
        for (int i = 0; i < r.meldCount && i < kMaxMelds; ++i) {
            sink += ValidateMeld(r.melds[size_t(i)], jokerA, jokerB, options);
        }

        // The guided search and the plain one agree on every result.
        int64_t total = int64_t(SumJokers(nA, nB));
        for (int32_t v : *c)
            total += v;
        if (total <= 18) {
            HuResult fast, plain;
            const int32_t pairTaken = flags & 2 ? 1 : 0;
            int32_t f = DecomposeHand(*c, nA, nB, 5, 13, 0, options, allowed, fast, pairTaken);
            int32_t p =
                testing::PlainDecompose(*c, nA, nB, 5, 13, 0, options, allowed, plain, pairTaken);
            if (f != p || !(fast == plain)) std::abort();
            if (f != 0 && f != 8) std::abort();

            // So do the combined test with its shortcuts and the same test run
            // step by step with the plain search.
            HuResult quick, stepwise;
            quick.meldCount = stepwise.meldCount = 5;  // what a failure leaves must match too
            int32_t q =
                IsWinningHand(*c, tile, jokerA, jokerB, options, allowed, quick, mode, extra);
            int32_t w;
            {
                testing::ScopedPlainSearch reference;
                w = IsWinningHand(*c, tile, jokerA, jokerB, options, allowed, stepwise, mode,
                                  extra);
            }
            if (q != w || !(quick == stepwise)) std::abort();
        }
    }
    sink += IndexToFirstTileId(Value(in), options);
    sink += IsSubstituteTile(tile, jokerA, jokerB, options);
    (void)sink;
    return 0;
}
