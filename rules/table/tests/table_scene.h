#pragma once
// Deals chosen hands. A scripted source throws 3 and 4 and names chair 0 the
// dealer, so the deal starts at wall position 50 and the indicator lies at
// 48; a test deal puts every hand's tiles where the deal takes them, the
// indicator, the next front draws and the next tail draws in their places.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rules/table/tests/table_driver.h"

namespace rules::testing {

inline constexpr int32_t kSceneStart = 50, kSceneSpecial = 48;

// Tile ids by kinds written "123m45p7s1z2f" (m, s, p the three suits, z the
// honours, f the flowers); each kind takes its lowest copy not yet taken.
class TilePool {
  public:
    TileId Take(TileIndex kind) {
        for (TileId id = 0; id < 144; ++id) {
            if (!used_[size_t(id)] && TileIdToIndex(id, 0) == kind) {
                used_[size_t(id)] = true;
                return id;
            }
        }
        return -1;
    }
    std::vector<TileId> Take(std::string_view kinds) {
        std::vector<TileId> ids;
        std::string ranks;
        for (char ch : kinds) {
            if (ch >= '0' && ch <= '9') {
                ranks += ch;
                continue;
            }
            int base = ch == 'm' ? 0 : ch == 's' ? 10 : ch == 'p' ? 20 : ch == 'z' ? 30 : 40;
            for (char r : ranks)
                ids.push_back(Take(base + (r - '0')));
            ranks.clear();
        }
        return ids;
    }
    std::vector<TileId> Rest() const {
        std::vector<TileId> ids;
        for (TileId id = 0; id < 144; ++id) {
            if (!used_[size_t(id)]) ids.push_back(id);
        }
        return ids;
    }

  private:
    std::array<bool, 144> used_{};
};

struct Scene {
    std::array<std::string, 4> hands;  // seat 0 deals and holds 17 tiles
    std::string indicator = "9p";
    std::string front;  // the next front draws
    std::string tail;   // the tail draws after the indicator
};

// The wall positions of the tail draws after the indicator: 49, 46, 47, 44 ...
inline std::vector<int32_t> TailPositions(size_t n) {
    std::vector<int32_t> positions;
    int32_t counter = 1, skipped = 0;
    while (positions.size() < n)
        positions.push_back(NextWallTailPos(kSceneStart, kSceneSpecial, 144, &counter, &skipped));
    return positions;
}

// The wall order of a scene, and a table started on it.
inline std::vector<TileId> SceneOrder(const Scene& scene) {
    TilePool pool;
    std::array<std::vector<TileId>, 4> hands;
    for (size_t s = 0; s < 4; ++s)
        hands[s] = pool.Take(scene.hands[s]);
    std::vector<TileId> order(144, -1);
    int32_t p = kSceneStart;
    std::array<size_t, 4> next{};
    auto give = [&](int seat, int n) {
        for (int i = 0; i < n; ++i)
            order[size_t(p++ % 144)] = hands[size_t(seat)].at(next[size_t(seat)]++);
    };
    for (int pass = 0; pass < 4; ++pass) {
        for (int seat : {0, 3, 2, 1})
            give(seat, 4);
    }
    give(0, 1);
    order[kSceneSpecial] = pool.Take(scene.indicator).at(0);
    for (TileId id : pool.Take(scene.front))
        order[size_t(p++ % 144)] = id;
    std::vector<TileId> tail = pool.Take(scene.tail);
    std::vector<int32_t> positions = TailPositions(tail.size());
    for (size_t i = 0; i < tail.size(); ++i)
        order[size_t(positions[i])] = tail[i];
    // A kind asked for more often than it has copies makes no scene.
    for (const auto& hand : hands) {
        if (std::count(hand.begin(), hand.end(), -1)) return {};
    }
    std::vector<TileId> rest = pool.Rest();
    size_t r = 0;
    for (TileId& id : order) {
        if (id < 0) id = rest.at(r++);
    }
    return order;
}

// The scene's random numbers: dice 3 and 4, then zeros.
inline RandomSource SceneDice() {
    return [draws = std::make_shared<int>(0)]() -> uint32_t {
        const int i = (*draws)++;
        return i == 0 ? 2 : i == 1 ? 3 : 0;
    };
}

// Every seat brings flagsA; the round starts with params.
inline std::unique_ptr<TestTable> DealScene(const Scene& scene, TableConfig config = {},
                                            const StartParams& params = {}, int32_t flagsA = 0) {
    auto tt = std::make_unique<TestTable>(SceneDice(), 1, config);
    std::vector<TileId> order = SceneOrder(scene);
    if (!tt->table || order.empty() || !tt->table->SetTestDeal(order)) return nullptr;
    for (int s = 0; s < 4; ++s)
        tt->table->SetSeatFlags(s, flagsA, 0);
    if (!tt->Start(params)) return nullptr;
    return tt;
}

// A request of `chair` naming the offering chair, the tile and shown tiles.
inline Words Claim(int32_t chair, int32_t offering, TileId tile, std::vector<TileId> shown = {}) {
    Words w = MakeRequest(chair);
    w[request::kOffering] = offering;
    w[request::kTile] = tile;
    for (size_t i = 0; i < 3; ++i)
        w[request::kShown + i] = i < shown.size() ? shown[i] : -1;
    return w;
}

inline Words DiscardOf(int32_t chair, TileId tile) {
    Words w = MakeRequest(chair);
    w[request::kDiscardCount] = 1;
    w[request::kDiscardTiles] = tile;
    return w;
}

inline Words HuOf(int32_t chair, int32_t offering, TileId tile, uint32_t kind) {
    Words w = Claim(chair, offering, tile);
    w[request::kHuKind] = int32_t(kind);
    return w;
}

// The id of a kind's copy, as TilePool numbers them (the first copy is 0).
inline TileId IdOf(TileIndex kind, int copy) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    if (kind < 40) return 108 + copy * 7 + kind - 31;
    return 136 + kind - 41;
}

}  // namespace rules::testing
