#include "rules/hand/hu_result.h"

#include <algorithm>
#include <limits>

#include "rules/hand/hand_count.h"

namespace rules {
namespace {

int32_t SaturatingAdd(int32_t a, int32_t b) {
    int64_t s = int64_t(a) + b;
    return int32_t(std::clamp<int64_t>(s, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The tile word of a joker place: the negative kind (without overflow).
int32_t Negated(int32_t kind) {
    return int32_t(0u - uint32_t(kind));
}

MeldRecord* NextMeld(HuResult& result) {
    if (result.meldCount < 0 || result.meldCount >= kMaxMelds) return nullptr;
    return &result.melds[size_t(result.meldCount)];
}

}  // namespace

const char* HuCounterName(int index) {
    static const char* const kNames[7] = {"花", "平胡", "三金倒", "金雀", "金龙", "天胡", "抢金"};
    return index >= 0 && index < 7 ? kNames[index] : "";
}

int32_t AddMeldSpread(HuResult& result, int32_t type, TileIndex k, int32_t usedA, int32_t usedB,
                      TileIndex idxA, TileIndex idxB, int32_t jokerPlace, int32_t gapPlace) {
    MeldRecord* meld = NextMeld(result);
    if (!meld) return result.meldCount;
    *meld = MeldRecord{};
    meld->type = type;
    auto joker = [&] { return Negated(PickJokerIndex(&usedA, &usedB, idxA, idxB)); };
    auto& t = meld->tiles;
    if (type == kMeldChow) {
        // Three places; a gap after place 1 or 2 skips one rank there. Kinds
        // near the end of the int range wrap instead of overflowing.
        auto at = [k](int d) { return int32_t(uint32_t(k) + uint32_t(d)); };
        int32_t next[3] = {k, at(1), at(2)};
        if (gapPlace == 1) next[1] = at(2), next[2] = at(3);
        if (gapPlace == 2) next[2] = at(3);
        switch (jokerPlace) {
            case 0:
                t = {joker(), k, at(1), 0};
                break;
            case 1:
                t = {k, joker(), next[2], 0};
                break;
            case 2:
                t = {k, at(1), joker(), 0};
                break;
            default:
                t = {next[0], next[1], next[2], 0};
                break;
        }
    } else {
        int size = type == kMeldPair ? 2 : type == kMeldPung ? 3 : type == kMeldKong ? 4 : 0;
        int jokers = std::clamp(usedA + usedB, 0, size);
        for (int i = 0; i < size; ++i)
            t[size_t(i)] = i < size - jokers ? k : joker();
    }
    return ++result.meldCount;
}

int32_t AddMeldEx(HuResult& result, int32_t type, int32_t usedA, int32_t usedB, TileIndex idxA,
                  TileIndex idxB) {
    MeldRecord* meld = NextMeld(result);
    if (!meld) return result.meldCount;
    *meld = MeldRecord{};
    meld->type = type;
    int size = type == kMeldPair ? 2 : 3;
    for (int i = 0; i < size; ++i)
        meld->tiles[size_t(i)] = Negated(PickJokerIndex(&usedA, &usedB, idxA, idxB));
    return ++result.meldCount;
}

int32_t AddMeldTiles(HuResult& result, int32_t type, int32_t t0, int32_t t1, int32_t t2,
                     int32_t t3) {
    MeldRecord* meld = NextMeld(result);
    if (!meld) return result.meldCount;
    *meld = MeldRecord{};
    meld->type = type;
    meld->tiles = {t0, t1, t2, t3};
    return ++result.meldCount;
}

void MergeHuResult(HuResult& sum, const HuResult& result) {
    sum.shapes |= result.shapes;
    sum.waits |= result.waits;
    sum.flags[0] |= result.flags[0];
    sum.flags[1] |= result.flags[1];
    for (int i = 0; i < kCounterCount; ++i) {
        sum.counters[size_t(i)] =
            SaturatingAdd(sum.counters[size_t(i)], result.counters[size_t(i)]);
        sum.counters2[size_t(i)] =
            SaturatingAdd(sum.counters2[size_t(i)], result.counters2[size_t(i)]);
    }
}

namespace {
int MeldsHeld(const HuResult& result) {
    return std::clamp(result.meldCount, 0, kMaxMelds);
}
}  // namespace

int32_t CountKongMelds(const HuResult& result) {
    int32_t n = 0;
    for (int i = 0; i < MeldsHeld(result); ++i)
        n += result.melds[size_t(i)].type == kMeldKong;
    return n;
}

int32_t CountJokerPlaces(const HuResult& result) {
    int32_t n = 0;
    for (int i = 0; i < MeldsHeld(result); ++i) {
        for (int32_t t : result.melds[size_t(i)].tiles)
            n += t < 0;
    }
    return n;
}

int32_t ValidateMeld(const MeldRecord& meld, TileId jokerA, TileId jokerB, RuleOptions options) {
    std::array<int32_t, 4> t = meld.tiles;
    for (int32_t& v : t) {
        if (v < 0) v = v == std::numeric_limits<int32_t>::min() ? 0 : -v;
    }
    switch (meld.type) {
        case kMeldChow: {
            TileCountArray counts{};
            for (int i = 0; i < 3; ++i) {
                if (t[size_t(i)] < 1 || t[size_t(i)] >= kCountSlots) return 0;
                ++counts[size_t(t[size_t(i)])];
            }
            return CanChiAtIndex(counts, t[0], jokerA, jokerB, options) ? 1 : 0;
        }
        case kMeldPair:
            return t[0] == t[1];
        case kMeldPung:
            return t[0] == t[1] && t[1] == t[2];
        case kMeldKong:
            return t[0] == t[1] && t[1] == t[2] && t[2] == t[3];
        default:
            return 0;
    }
}

int32_t CheckJokerMelds(const HuResult& result, TileId jokerA, TileId jokerB, RuleOptions options) {
    int32_t n = 0;
    for (int i = 0; i < MeldsHeld(result); ++i) {
        const MeldRecord& meld = result.melds[size_t(i)];
        bool hasJoker = false;
        for (int32_t v : meld.tiles) {
            if (v < 0) {
                hasJoker = true;
                break;
            }
        }
        if (!hasJoker) continue;
        ++n;
        if (!ValidateMeld(meld, jokerA, jokerB, options)) return 0;
    }
    return n;
}

}  // namespace rules
