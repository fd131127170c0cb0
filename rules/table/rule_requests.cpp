// The players' requests as they arrive from the network, and the end of a
// claim window and of a hand. Every request is checked against the chairs,
// the tiles and the table's state before anything changes.

#include <algorithm>

#include "rules/table/rule_table.h"

namespace rules {

using namespace request;

int32_t CRuleTable::StartRound(int32_t* outSeat, const StartParams& params) {
    // A new round needs a prepared table: none running, no wall left over.
    if (!IsIdle() || !wall_.empty()) return 0;
    int32_t result = StartGame(outSeat, params);
    if (result == 1) ++tableWords_[0];
    return result;
}

int32_t CRuleTable::RequestDiscard(Request r) {
    const int32_t seat = Word(r, kChair);
    if (!Chair(seat) || seat != activeChair_ || !(state_ & kStateOwnAction) ||
        (state_ & kStateClaimsClosed) || !InProgress())
        return 0;
    if (Word(r, kDiscardCount) != 1) return 0;
    const TileId tile = Word(r, kDiscardTiles);
    if (!Holds(seat, tile)) return 0;
    // A blocked kind stays in the hand while the seat holds anything else.
    TileCountArray scratch;
    if (!CopyCounts(seat, tile, counts_[size_t(seat)], scratch)) {
        const auto& blocked = blocked_[size_t(seat)];
        for (const WallRecord& w : wall_) {
            TileIndex k = TileKindOrZero(w.tile, config_.options);
            if (w.taken == kTakenHeld && w.taker == seat && k != blocked[0] && k != blocked[1])
                return 0;
        }
    }
    const TileId list[] = {tile};
    return Discard(seat, list);
}

int32_t CRuleTable::RequestClaim(Request r, int32_t kind) {
    const int32_t seat = Word(r, kChair);
    if (!Chair(seat) || !(claimFlags_[size_t(seat)] & kind) || claimMade_[size_t(seat)]) return 0;
    int32_t recorded = 0;
    if (kind == kClaimFlagPung) {
        recorded = CheckPeng(r) && ClaimPeng(r);
    } else if (kind == kClaimFlagChow) {
        recorded = CheckChi(r) && ClaimChi(r);
    } else if (kind == kClaimFlagKong) {
        recorded = CheckMingGang(r) && ClaimMingGang(r);
    }
    if (!recorded) return 0;
    for (size_t i = 0; i < kClaimWords; ++i)
        pendingClaim_[size_t(seat)][i] = Word(r, i);
    pendingKind_[size_t(seat)] = kind;
    MarkAnswered(seat);
    return 1;
}

bool CRuleTable::SelfDrawnTileStands(int32_t seat, TileId tile) {
    if (!Chair(seat) || !TileInWall(tile) || (state_ & kStateClaimsClosed) || !InProgress())
        return false;
    if (seat != activeChair_ || !(state_ & kStateOwnAction) || !Holds(seat, tile)) return false;
    // The winning tile is the one just drawn; only the dealer's first turn
    // has none (its seventeenth tile came with the deal).
    const bool firstTurn = seat == banker_ && discardCount_[size_t(seat)] == 0 &&
                           !MeldCount(seat, {kPungs, kChows, kExposedKongs});
    return tile == lastDrawn_[size_t(seat)] || firstTurn;
}

TileId CRuleTable::SelfDrawnWinTile(int32_t seat) {
    TileId tile = Chair(seat) ? lastDrawn_[size_t(seat)] : -1;
    if (tile < 0) tile = FirstHeld(seat);
    if (!SelfDrawnTileStands(seat, tile)) return -1;
    HuResult result;
    return EvaluateHu(seat, tile, result, kHuSelfDrawn) > 0 ? tile : -1;
}

int32_t CRuleTable::RequestHu(Request r) {
    const int32_t seat = Word(r, kChair), kind = Word(r, kHuKind);
    const TileId tile = Word(r, kTile);
    if (!Chair(seat) || !TileInWall(tile) || (state_ & kStateClaimsClosed) || !InProgress())
        return 0;
    if (kind == int32_t(kHuSelfDrawn)) {
        if (!SelfDrawnTileStands(seat, tile)) return 0;
        HuResult result;
        int32_t value = EvaluateHu(seat, tile, result, kHuSelfDrawn);
        if (value <= 0) return 0;
        huWords_.fill(0);
        huWords_[size_t(seat)] = value;
        CopyHuResult(huResults_[size_t(seat)], result);
        winnerCount_ = 1;
        EndHand(seat, tile, -1, true);
        return 1;
    }
    if (claimMade_[size_t(seat)] || !(claimFlags_[size_t(seat)] & kClaimFlagHu)) return 0;
    if (kind == int32_t(kHuOnDiscard)) {
        if (!CheckHuClaim(r)) return 0;
    } else if (kind == int32_t(kHuRobbingKong)) {
        if (!(state_ & kStateAddedKongWindow) || tile != windowTile_ || seat == windowSeat_ ||
            !HuTest(seat, tile, kHuRobbingKong))
            return 0;
    } else {
        return 0;
    }
    if (WindowPassed()) return 0;
    claimPriority_[size_t(seat)] = ClaimPriority(seat, windowSeat_, kClaimFlagHu);
    claimMade_[size_t(seat)] = 1;
    pendingKind_[size_t(seat)] = kClaimFlagHu;
    MarkAnswered(seat);
    return 1;
}

int32_t CRuleTable::RequestPass(Request r) {
    const int32_t seat = Word(r, kChair);
    if (!Chair(seat) || (state_ & kStateClaimsClosed) ||
        !(state_ & (kStateClaimsOpen | kStateAddedKongWindow)))
        return 0;
    // A passed pung or hu stays passed for that kind until the seat discards.
    const TileIndex kind = TileKindOrZero(windowTile_, config_.options);
    if ((claimFlags_[size_t(seat)] & (kClaimFlagPung | kClaimFlagHu)) && kind > 0 &&
        kind < kPassedKinds)
        passedKind_[size_t(seat)][size_t(kind)] = 1;
    claimFlags_[size_t(seat)] = 0;
    claimPriority_[size_t(seat)] = claimMade_[size_t(seat)] = pendingKind_[size_t(seat)] = 0;
    MarkAnswered(seat);
    return 1;
}

TileId CRuleTable::ReplacementDraw(int32_t seat) {
    TileId tile = DrawTail(seat);
    if (tile < 0) DrawnGame();
    return tile;
}

int32_t CRuleTable::RequestConcealedKong(Request r) {
    if (!CheckAnGang(r)) return 0;
    const int32_t seat = Word(r, kChair);
    ApplyAnGang(r);
    ReplacementDraw(seat);
    return 1;
}

int32_t CRuleTable::RequestAddedKong(Request r) {
    if (!CheckAddedGang(r)) return 0;
    const int32_t seat = Word(r, kChair);
    const TileId tile = Word(r, kTile);
    // The pung the tile is added to, put back should the kong be robbed.
    const std::vector<TileId> shown = ShownTiles(r, 3);
    const auto& pungs = melds_[size_t(seat)][kPungs];
    const auto pung = std::find_if(pungs.begin(), pungs.end(), [&](const ShownMeld& m) {
        return SameSet(std::span<const TileId>(m.tiles.data(), 3), shown);
    });
    if (pung != pungs.end()) robbablePung_ = {pung - pungs.begin(), *pung};
    ApplyAddedGang(r);
    // Seats that can win on the added tile may rob the kong first.
    if (ClaimKongRob(r)) {
        std::array<int32_t, 4> record;
        CountOtherHuClaims(r, record);
        for (int s = 0; s < kMJSeats; ++s)
            answered_[size_t(s)] = s == seat || !claimFlags_[size_t(s)];
        pendingKind_[size_t(seat)] = kClaimFlagKong;
        windowSeat_ = seat;
        windowTile_ = tile;
        windowAction_ = kWindowAddedKong;
        windowTick_ = Now();
        // The kong waits for the window: no move until its replacement comes.
        ClearStateBits(kStateOwnAction);
        SetStateBits(kStateAddedKongWindow);
        return 1;
    }
    ClearClaims();
    ReplacementDraw(seat);
    return 1;
}

int32_t CRuleTable::RequestFlower(Request r, TileId* replacement) {
    const int32_t seat = Word(r, kChair);
    const TileId flower = Word(r, kFlowerTile);
    if (replacement) *replacement = -1;
    if (!Chair(seat) || seat != activeChair_ || !(state_ & kStateOwnAction) ||
        (state_ & kStateClaimsClosed) || !InProgress())
        return 0;
    if (!Holds(seat, flower) || !IsHonourOrFlowerTileOf(flower)) return 0;
    TileId tile = ReplaceFlower(seat, flower);
    if (replacement) *replacement = tile;
    if (tile < 0) DrawnGame();
    return 1;
}

ClaimOutcome CRuleTable::CloseClaims() {
    ClaimOutcome out;
    if ((state_ & kStateClaimsClosed) || !InProgress()) return out;
    const int32_t giver = windowSeat_;
    const TileId tile = windowTile_;
    if (!Chair(giver)) return out;
    // Only the seats that claimed hu are evaluated: a seat that passed does
    // not win by another seat's claim.
    const uint32_t mode = (state_ & kStateAddedKongWindow) ? kHuRobbingKong : kHuOnDiscard;
    bool hu = false;
    for (int s = 0; s < kMJSeats; ++s) {
        huWords_[size_t(s)] = 0;
        if (pendingKind_[size_t(s)] == kClaimFlagHu && claimPriority_[size_t(s)] > 0) {
            hu = true;
            EvaluateSeatHu(s, tile, mode);
        }
    }
    if (hu && SettleDiscardWinners(giver, tile) > 0) {
        if (state_ & kStateAddedKongWindow) UndoRobbedKong();
        EndHand(winner_, tile, giver, false);
        return {ClaimOutcome::kHandOver, winner_, tile};
    }
    if (state_ & kStateAddedKongWindow) {
        CloseKongWindow();
        ClearClaimFlags();
        ClearClaims();
        TileId drawn = ReplacementDraw(giver);
        if (drawn < 0) return {ClaimOutcome::kHandOver, -1, -1};
        BeginOwnAction();
        return {ClaimOutcome::kMeld, giver, drawn};
    }
    if (!(state_ & kStateClaimsOpen)) return out;
    // The recorded claims from the highest priority down; the first that
    // still stands is carried out.
    std::array<int32_t, kMJSeats> order = {0, 1, 2, 3};
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        int32_t pa = claimPriority_[size_t(a)], pb = claimPriority_[size_t(b)];
        return pa != pb ? pa > pb : a < b;
    });
    for (int32_t s : order) {
        const int32_t kind = pendingKind_[size_t(s)];
        if (claimPriority_[size_t(s)] <= 0 || kind == kClaimFlagHu || !kind) continue;
        const auto& words = pendingClaim_[size_t(s)];
        Request claim(words.data(), words.size());
        bool stands = kind == kClaimFlagPung   ? CMJGameTable::CheckPeng(claim)
                      : kind == kClaimFlagChow ? CMJGameTable::CheckChi(claim)
                                               : CMJGameTable::CheckMingGang(claim);
        if (!stands) continue;
        ClearClaims();
        lastDrawn_[size_t(s)] = -1;
        if (kind == kClaimFlagPung) ApplyPeng(claim);
        if (kind == kClaimFlagChow) ApplyChi(claim);
        if (kind == kClaimFlagKong) {
            ApplyMingGang(claim);
            TileId drawn = ReplacementDraw(s);
            if (drawn < 0) return {ClaimOutcome::kHandOver, -1, -1};
            return {ClaimOutcome::kMeld, s, drawn};
        }
        return {ClaimOutcome::kMeld, s, -1};
    }
    // Nobody claims: the next seat draws.
    const int32_t next = PrevSeat(giver);
    ClearStateBits(kStateClaimsOpen);
    ClearClaims();
    int32_t pos = DrawFront(next);
    if (pos < 0) {
        DrawnGame();
        return {ClaimOutcome::kHandOver, -1, -1};
    }
    lastDrawn_[size_t(next)] = TileAtWallPos(pos);
    ActivateDrawer(next);
    BeginOwnAction();
    return {ClaimOutcome::kDrew, next, lastDrawn_[size_t(next)]};
}

void CRuleTable::UndoRobbedKong() {
    auto& kongs = melds_[size_t(windowSeat_)][kAddedKongs];
    const auto kong = std::find_if(kongs.begin(), kongs.end(),
                                   [&](const ShownMeld& m) { return m.tiles[3] == windowTile_; });
    if (kong == kongs.end()) return;
    kongs.erase(kong);
    auto& pungs = melds_[size_t(windowSeat_)][kPungs];
    const auto at = std::min<std::ptrdiff_t>(robbablePung_.first, std::ptrdiff_t(pungs.size()));
    pungs.insert(pungs.begin() + at, robbablePung_.second);
    // The robbed tile lies before the konger, as a discard won on does.
    discards_[size_t(windowSeat_)].push_back(windowTile_);
    SetTakenState(windowTile_, kTakenDiscarded);
}

void CRuleTable::EndHand(int32_t winner, TileId tile, int32_t discarder, bool selfDrawn) {
    winner_ = winner;
    discarder_ = discarder;
    // "抢金" wins with the indicator, whatever tile was discarded.
    winningTile_ = Chair(winner) && (huResults_[size_t(winner)].shapes & 0x8) ? jokerTile_ : tile;
    winFlag_ = 1;
    ClearStateBits(kStateClaimsOpen | kStateOwnAction | kStateExposedKongWindow |
                   kStateAddedKongWindow);
    SetStateBits(kStateClaimsClosed);
    SetWinEndCode(0);
    if (selfDrawn) endCode_ |= kEndSelfDrawn;
    ++tableWords_[selfDrawn ? 3 : 2];
    EndGame(lastGameEnd_, 0);
}

void CRuleTable::DrawnGame() {
    if (state_ & kStateClaimsClosed) return;
    winner_ = -1;
    huWords_.fill(0);
    ClearStateBits(kStateClaimsOpen | kStateOwnAction | kStateExposedKongWindow |
                   kStateAddedKongWindow);
    SetStateBits(kStateClaimsClosed);
    SetDrawEndCode();
    ++tableWords_[1];
    EndGame(lastGameEnd_, 0);
}

}  // namespace rules
