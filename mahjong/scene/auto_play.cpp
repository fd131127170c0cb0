#include "mahjong/scene/auto_play.h"

#include <algorithm>
#include <cstdio>

#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/profile.h"
#include "rules/hand/tile.h"

namespace mahjong {

namespace {

bool IsKind(int32_t k) {
    return k > 0 && k < kKindSlots;
}

// The kind of a tile code as the scoring counts it: 0 for none.
int32_t KindOf(const CMJTableSceneBase& scene, int32_t tile) {
    const int32_t k = rules::TileKindOrZero(tile, scene.RuleFlags());
    return IsKind(k) ? k : 0;
}

const MJStruct& OwnHand(const CMJTableSceneBase& scene, int32_t i) {
    return *scene.GetMJStruct(kAreaHand, 3, i);
}

// Hand positions are records 0-31 of a seat.
int32_t HandTileCount(const CMJTableSceneBase& scene) {
    return std::clamp(scene.HandTiles(), 0, kHandRecords);
}
int32_t HandPositionCount(const CMJTableSceneBase& scene) {
    return std::clamp(scene.HandPositions(), 0, kHandRecords);
}

}  // namespace

int32_t ScoreTiles(std::span<const int32_t> kinds, const KindCounts& unseen,
                   const SuitCounts& meldSuits, int32_t skip, const AIWeights& w) {
    int32_t meldCount = 0, meldSuit = -1;
    for (int32_t s = 0; s < int32_t(meldSuits.size()); ++s) {
        if (meldSuits[size_t(s)] == 0) continue;
        ++meldCount;
        meldSuit = s;
    }
    KindCounts count{};
    SuitCounts suitCount{};
    auto handTile = [&](size_t p) { return int32_t(p) != skip && IsKind(kinds[p]); };
    for (size_t p = 0; p < kinds.size(); ++p) {
        if (!handTile(p)) continue;
        ++count[size_t(kinds[p])];
        ++suitCount[size_t(kinds[p] / 10)];
    }
    // Each tile earns its suit's size while the melds leave its suit open.
    uint32_t bonus = 0;
    for (size_t p = 0; p < kinds.size(); ++p) {
        if (!handTile(p)) continue;
        const int32_t suit = kinds[p] / 10;
        if (meldCount == 0 || (meldCount == 1 && suit == meldSuit))
            bonus += uint32_t(suitCount[size_t(suit)]) * w.shape;
    }
    uint32_t score = 0;
    // The eyes count once; every further pair counts while its kind lives.
    int32_t pairs = 0, live = 0;
    for (int32_t k = 0; k < kKindSlots; ++k) {
        if (count[size_t(k)] != 2) continue;
        ++pairs;
        if (unseen[size_t(k)] > 0) ++live;
    }
    if (pairs > 0) {
        if (live == pairs) --live;
        score = (w.use + w.jiang) * uint32_t(live) + w.jiang;
    }
    for (int32_t k = 0; k < kKindSlots; ++k) {
        if (count[size_t(k)] != 3) continue;
        count[size_t(k)] = 0;
        score += w.pnpn + (unseen[size_t(k)] != 0 ? w.use : 0);
    }
    for (size_t k = 0; k <= 30; ++k) {
        while (count[k] > 0 && count[k + 1] > 0 && count[k + 2] > 0) {
            --count[k], --count[k + 1], --count[k + 2];
            score += 2 * w.shun;
        }
    }
    // Only the kind above a two-tile run is asked for: a run ending at rank
    // 9 asks for rank 10, which is never held, and always scores.
    for (size_t k = 0; k <= 30; ++k) {
        while (count[k] > 0 && count[k + 1] > 0 && unseen[k + 2] > 0) {
            --count[k], --count[k + 1];
            score += w.shun;
        }
    }
    return int32_t(score + bonus);
}

std::string AutoPlayChatLine(bool on) {
    char line[160];
    std::snprintf(line, sizeof(line),
                  on ? "<c=%d>[系统]<c=%d>游戏已进入系统托管状态，点击鼠标左键解除!\r\n"
                     : "<c=%d>[系统]<c=%d>系统托管终止!\r\n",
                  255, 4953725);
    return line;
}

void CAutoPlay::LoadSettings(const std::string& iniPath) {
    robot_ = int32_t(platform::GetPrivateProfileInt("AI", "bn_Robot", 0, iniPath));
    threshold_ = 2;
}

void CAutoPlay::LoadAIWeights(const std::string& iniPath) {
    auto read = [&](const char* key, uint32_t def) {
        return platform::GetPrivateProfileInt("AI", key, int(def), iniPath);
    };
    const AIWeights d;
    weights_.shape = read("weight_shape", d.shape);
    weights_.shun = read("weight_Shun", d.shun);
    weights_.jiang = read("weight_Jiang", d.jiang);
    weights_.pnpn = read("weight_PnPn", d.pnpn);
    weights_.gang = read("weight_Gang", d.gang);
    weights_.jiang258 = read("weight_258Jiang", d.jiang258);
    weights_.w258 = read("weight_258", d.w258);
    weights_.feng = read("weight_Feng", d.feng);
    weights_.qidui = read("weight_7dui", d.qidui);
    weights_.use = read("weight_use", d.use);
}

int32_t CAutoPlay::ChooseAutoDiscard(const CMJTableSceneBase& scene) const {
    const int32_t handTiles = HandTileCount(scene);
    const int32_t positions = HandPositionCount(scene);
    // Jokers are kept; every other standing tile may go.
    std::array<int32_t, kHandRecords> kinds;
    kinds.fill(-1);
    for (int32_t p = 0; p < handTiles; ++p) {
        const MJStruct& r = OwnHand(scene, p);
        if (r.standing && r.present && !scene.IsJokerTile(r.nFace))
            kinds[size_t(p)] = KindOf(scene, r.nFace);
    }
    // Tiles in sight: every river and laid meld of the seated chairs, and the own hand.
    KindCounts seen{};
    auto see = [&](int32_t tile) { ++seen[size_t(KindOf(scene, tile))]; };
    for (int32_t chair = 0; chair < std::min(scene.PlayerCount(), 4); ++chair) {
        const int32_t seat = scene.ChairToViewSeat(chair);
        if (seat < 0 || seat > 3) continue;
        for (int32_t i = 0; i < kStripRecords; ++i) {
            const MJStruct& r = *scene.GetMJStruct(kAreaRiver, seat, i);
            if (r.present && r.faceState == 1) see(r.nFace);
        }
        for (int32_t i = 0; i < positions; ++i) {
            const MJStruct& r = *scene.GetMJStruct(kAreaHand, seat, i);
            if (r.present && !r.standing) see(r.nFace);
        }
    }
    SuitCounts meldSuits{};
    for (int32_t i = 0; i < positions; ++i) {
        const MJStruct& r = OwnHand(scene, i);
        if (!r.present) continue;
        if (r.standing)
            see(r.nFace);
        else if (const int32_t k = KindOf(scene, r.nFace))
            ++meldSuits[size_t(k / 10)];
    }
    seen[0] = 0;
    KindCounts unseen;
    for (size_t k = 0; k < unseen.size(); ++k)
        unseen[k] = 4 - seen[k];
    const std::span<const int32_t> hand(kinds.data(), size_t(handTiles));
    std::array<int32_t, kHandRecords> score{};
    for (int32_t p = 0; p < handTiles; ++p) {
        if (kinds[size_t(p)] >= 0)
            score[size_t(p)] = ScoreTiles(hand, unseen, meldSuits, p, weights_);
    }
    // The tile whose loss hurts least; ties keep the lower position.
    int32_t best = 0;
    for (int32_t p = 1; p < kHandRecords; ++p) {
        if (score[size_t(p)] > score[size_t(best)]) best = p;
    }
    return best;
}

int32_t CAutoPlay::KongOfChoosableKind(const CMJTableSceneBase& scene, AutoPlayMoves& moves) const {
    int32_t chosen = -1;
    for (int32_t i = HandPositionCount(scene) - 1; i >= 0 && chosen < 0; --i) {
        const MJStruct& r = OwnHand(scene, i);
        if (r.standing && r.present && r.locked != 1) chosen = i;
    }
    if (chosen < 0) return 0;
    const int32_t tile = OwnHand(scene, chosen).nFace;
    int32_t others[3];
    OtherCopies(tile, others);
    const int32_t at = others[0] < 0 ? -1 : scene.FindHandTile(3, others[0]);
    if (at < 0) return 0;
    // A copy still in the hand makes a concealed kong; one in a laid pung an added kong.
    const int32_t laid = OwnHand(scene, at).meldMark;
    if (laid == 0) return moves.DoConcealedKong(tile);
    if (laid == 1) return moves.DoAddedKong(tile);
    return 0;
}

void CAutoPlay::AutoPlayStep(const CMJTableSceneBase& scene, AutoPlayMoves& moves) {
    // A claim or an added kong the server keeps waiting is settled by the
    // claims' end or the clock, not by another move.
    if (scene.IsLooker() || scene.GetPending()) return;
    // The own turn, or a discard to pass on; every second tick acts.
    if (scene.TC_GetPointTo() != 6 && !moves.IsOffered(kPassButton)) return;
    if (++ticks_ < threshold_) return;
    ticks_ = 0;
    if (moves.IsOffered(kHuButton)) {
        moves.OnHu();
        return;
    }
    if (moves.IsOffered(kKongButton) && moves.IsOffered(kPassButton)) {
        moves.OnKong();
        return;
    }
    if (moves.IsOffered(kPengButton)) {
        moves.OnPeng();
        return;
    }
    if (moves.IsOffered(kKongButton) && scene.HasDrawnTile(3)) {
        moves.OnKong();
        // A kong made (or waiting on robbers) ends the step: the next tick
        // acts on the replacement, which may win or make another kong.
        if (KongOfChoosableKind(scene, moves) || scene.GetPending()) return;
    }
    if (moves.IsOffered(kPassButton)) {
        moves.OnPass();
        return;
    }
    if (!scene.HasDrawnTile(3)) return;
    const int32_t position = ChooseAutoDiscard(scene);
    if (scene.IsHonourOrFlowerTile(OwnHand(scene, position).nFace))
        moves.ReplaceFlower(position);
    else
        moves.DiscardTile(position);
}

}  // namespace mahjong
