#pragma once
// Plays a rule table with random legal requests, as a server with four bots
// would: flowers first, a self-drawn win or a kong when the hand has one, a
// discard otherwise; claims answered from the highest offer down, then the
// window closed. Shared by the tests, the benchmark and the fuzz target.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "rules/table/rule_table.h"

namespace rules::testing {

// How a test table is made (a subclass may stand in for the rule table).
using TableFactory = std::unique_ptr<CRuleTable> (*)(const TableConfig&, TableEnvironment);

// A table with four players, a seeded (or given) source of random numbers and
// a clock that only the test moves.
struct TestTable {
    uint32_t tick = 5000;
    std::mt19937 source;
    std::unique_ptr<CRuleTable> table;

    explicit TestTable(uint32_t seed, TableConfig config = {})
        : TestTable(RandomSource(), seed, config) {}
    TestTable(RandomSource random, uint32_t seed, TableConfig config = {},
              TableFactory make = CRuleTable::Create)
        : source(seed) {
        if (!random) random = [this] { return uint32_t(source()); };
        TableEnvironment env{std::move(random), [this] { return tick; }};
        table = make(config, std::move(env));
        for (int s = 0; s < 4 && table; ++s) {
            auto p = std::make_unique<TablePlayer>();
            p->userId = 100 + s;
            p->score = 1000;
            p->silver = 5000;
            table->SeatPlayer(std::move(p), s);
        }
    }
    bool Start(const StartParams& params = {}) {
        int32_t seat = -1;
        return table->StartRound(&seat, params) == 1;
    }
    // The next round after the one that ended.
    bool Next() {
        table->PrepareGame(&table->LastGameEnd());
        return Start();
    }
};

using Words = std::array<int32_t, 90>;

inline Words MakeRequest(int32_t chair) {
    Words w;
    w.fill(0);
    w[request::kChair] = chair;
    return w;
}

inline std::vector<TileId> HeldTiles(CRuleTable& t, int32_t seat) {
    std::array<TileId, 64> list;
    int32_t n = t.ListHeld(seat, list);
    return std::vector<TileId>(list.begin(), list.begin() + n);
}

class TableDriver {
  public:
    TableDriver(TestTable& t, uint32_t seed) : t_(t), rng_(seed) {}

    // One move of the seat on turn, or one claim window answered and closed.
    // False when the hand is over or nothing could be done.
    bool Step() {
        CRuleTable& t = *t_.table;
        if (t.HandOver()) return false;
        t_.tick += 50 + rng_() % 200;
        const int32_t state = t.State();
        if (state & kStateOwnAction) return OwnTurn(t.ActiveChair());
        if (state & (kStateClaimsOpen | kStateAddedKongWindow)) {
            AnswerClaims();
            t.CloseClaims();
            return true;
        }
        return false;
    }

    int requests = 0;

  private:
    bool Chance(int percent) { return int(rng_() % 100) < percent; }

    bool OwnTurn(int32_t seat) {
        CRuleTable& t = *t_.table;
        std::vector<TileId> held = HeldTiles(t, seat);
        if (held.empty()) return false;
        const RuleOptions o = t.Options();
        ++requests;
        for (TileId f : held) {
            if (t.IsHonourOrFlowerTileOf(f)) {
                Words w = MakeRequest(seat);
                w[request::kFlowerTile] = f;
                TileId replacement;
                return t.RequestFlower(w, &replacement);
            }
        }
        TileId drawn = t.LastDrawn(seat) >= 0 ? t.LastDrawn(seat) : held[rng_() % held.size()];
        if (Chance(90) && t.HuTest(seat, drawn, kHuSelfDrawn)) {
            Words w = MakeRequest(seat);
            w[request::kOffering] = seat;
            w[request::kTile] = drawn;
            w[request::kHuKind] = int32_t(kHuSelfDrawn);
            if (t.RequestHu(w)) return true;
        }
        std::array<TileId, 64> out;
        if (Chance(60) && FindAnyGangTiles(held, t.JokerTile(), t.JokerB(), o,
                                           std::span(out).first(held.size()))) {
            Words w = KongRequest(seat, out[0], {out[1], out[2], out[3]});
            if (t.RequestConcealedKong(w)) return true;
        }
        for (const ShownMeld& pung : t.Melds(seat, kPungs)) {
            for (TileId h : held) {
                if (!Chance(60) || !IsSameKind(h, pung.tiles[0], o)) continue;
                Words w = KongRequest(seat, h, {pung.tiles[0], pung.tiles[1], pung.tiles[2]});
                if (t.RequestAddedKong(w)) return true;
            }
        }
        std::shuffle(held.begin(), held.end(), rng_);
        for (TileId h : held) {
            Words w = MakeRequest(seat);
            w[request::kDiscardCount] = 1;
            w[request::kDiscardTiles] = h;
            if (t.RequestDiscard(w)) return true;
        }
        return false;
    }

    static Words KongRequest(int32_t seat, TileId tile, std::array<TileId, 3> shown) {
        Words w = MakeRequest(seat);
        w[request::kOffering] = seat;
        w[request::kTile] = tile;
        for (size_t i = 0; i < 3; ++i)
            w[request::kShown + i] = shown[i];
        return w;
    }

    void AnswerClaims() {
        CRuleTable& t = *t_.table;
        const RuleOptions o = t.Options();
        const TileId tile = t.WindowTile();
        const int32_t giver = t.WindowSeat();
        std::array<int32_t, 4> seats = {0, 1, 2, 3};
        // The highest offers first, as the claim rule ranks them.
        std::sort(seats.begin(), seats.end(), [&](int32_t a, int32_t b) {
            int32_t fa = t.ClaimFlags(a), fb = t.ClaimFlags(b);
            return fa != fb ? fa > fb : a < b;
        });
        for (int32_t s : seats) {
            const int32_t flags = t.ClaimFlags(s);
            if (!flags) continue;
            ++requests;
            std::vector<TileId> held = HeldTiles(t, s);
            std::array<TileId, 64> out;
            out.fill(-1);
            auto span = std::span(out).first(std::max<size_t>(held.size() * 2, 4));
            Words w = MakeRequest(s);
            w[request::kOffering] = giver;
            w[request::kTile] = tile;
            w[request::kShown + 2] = -1;
            bool done = false;
            if ((flags & kClaimFlagHu) && Chance(85)) {
                w[request::kHuKind] = (t.State() & kStateAddedKongWindow) ? int32_t(kHuRobbingKong)
                                                                          : int32_t(kHuOnDiscard);
                done = t.RequestHu(w);
            }
            if (!done && (flags & kClaimFlagKong) && Chance(50) &&
                FindGangTiles(held, tile, t.JokerTile(), t.JokerB(), o, span)) {
                for (size_t i = 0; i < 3; ++i)
                    w[request::kShown + i] = out[i];
                done = t.RequestClaim(w, kClaimFlagKong);
            }
            if (!done && (flags & kClaimFlagPung) && Chance(50) &&
                FindPengTiles(held, tile, t.JokerTile(), t.JokerB(), o, span)) {
                w[request::kShown] = out[0];
                w[request::kShown + 1] = out[1];
                w[request::kShown + 2] = -1;
                done = t.RequestClaim(w, kClaimFlagPung);
            }
            if (!done && (flags & kClaimFlagChow) && Chance(50) &&
                FindChiTiles(held, tile, t.JokerTile(), t.JokerB(), o, span)) {
                w[request::kShown] = out[0];
                w[request::kShown + 1] = out[1];
                w[request::kShown + 2] = -1;
                done = t.RequestClaim(w, kClaimFlagChow);
            }
            if (!done) t.RequestPass(w);
        }
    }

    TestTable& t_;
    std::mt19937 rng_;
};

// Where each tile is, by the lists of the table; an empty string when every
// tile is in exactly one place and the counts match the held records.
inline std::string Misplaced(CRuleTable& t) {
    const auto& wall = t.Wall();
    if (wall.size() != 144) return "wall size";
    std::map<TileId, int> places;
    std::array<TileCountArray, 4> held{};
    for (size_t pos = 0; pos < wall.size(); ++pos) {
        const WallRecord& r = wall[pos];
        if (r.taken == kTakenInWall) ++places[r.tile];
        if (r.taken == kTakenHeld) {
            if (r.taker < 0 || r.taker > 3) return "held by nobody";
            ++places[r.tile];
            ++held[size_t(r.taker)][size_t(TileIdToIndex(r.tile, t.Options()))];
        }
        // The indicator that the tail rule passed over leaves the wall alone.
        if (r.taken == kTakenDiscarded && int32_t(pos) == t.SpecialPos()) ++places[r.tile];
    }
    for (int s = 0; s < 4; ++s) {
        for (TileId d : t.Discards(s)) {
            if (t.TakenStateOf(d) != kTakenDiscarded) return "river tile not discarded";
            ++places[d];
        }
        for (TileId f : t.Flowers(s)) {
            if (t.TakenStateOf(f) != kTakenFlower) return "flower not shown";
            ++places[f];
        }
        for (int k = 0; k < kMeldArrays; ++k) {
            for (const ShownMeld& m : t.Melds(s, MeldArray(k))) {
                for (TileId id : m.tiles) {
                    if (id < 0) continue;
                    int32_t state = t.TakenStateOf(id);
                    if (state != kTakenShown && state != kTakenClaimed) return "meld tile state";
                    ++places[id];
                }
            }
        }
        for (int k = 0; k < kCountSlots; ++k) {
            int32_t c = t.SeatCounts(s)[size_t(k)];
            if (c < 0 || c > 4) return "count outside 0-4";
            if (c != held[size_t(s)][size_t(k)]) return "counts differ from the wall";
        }
        int32_t total = 0;
        for (int32_t c : held[size_t(s)])
            total += c;
        if (t.HeldCount(s) != total) return "held count";
    }
    for (TileId id = 0; id < 144; ++id) {
        if (places[id] != 1)
            return "tile " + std::to_string(id) + " in " + std::to_string(places[id]) + " places";
    }
    return "";
}

}  // namespace rules::testing
