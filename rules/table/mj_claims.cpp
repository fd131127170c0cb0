// Claims of a discarded tile and kongs from the hand: the checks of a
// request, the claim windows, and applying a meld.

#include <algorithm>

#include "rules/hand/hu.h"
#include "rules/table/mj_table.h"

namespace rules {

using namespace request;

std::vector<TileId> CMJGameTable::ShownTiles(Request r, size_t n) const {
    std::vector<TileId> tiles;
    for (size_t i = 0; i < kShownWords && tiles.size() < n; ++i) {
        TileId t = Word(r, kShown + i);
        if (t >= 0) tiles.push_back(t);
    }
    return tiles;
}

bool CMJGameTable::ClaimBasics(Request r, size_t shown) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    const TileId tile = Word(r, kTile);
    if (!Chair(claimer) || !Chair(giver) || claimer == giver || !TileInWall(tile)) return false;
    if ((state_ & kStateClaimsClosed) || !(state_ & kStateClaimsOpen)) return false;
    // Only the tile of the open claim window can be claimed, not any earlier
    // discard of that seat.
    if (windowAction_ != kWindowDiscard || windowSeat_ != giver || windowTile_ != tile)
        return false;
    std::vector<TileId> tiles = ShownTiles(r, shown);
    if (tiles.size() != shown || !CheckTileList(claimer, tiles)) return false;
    if (TakerOf(tile) != giver || TakenStateOf(tile) != kTakenDiscarded) return false;
    if ((config_.options & 0x20000) && runSeat_ >= 0) return false;
    return true;
}

int32_t CMJGameTable::ClaimsNotClosed() {
    return !(state_ & kStateClaimsClosed);
}

int32_t CMJGameTable::CheckKongRequest(Request r) {
    int32_t kind = Word(r, kKongKind);
    if (kind & 0x1) return CheckMingGang(r);
    if (kind & 0x2) return CheckAddedGang(r);
    return 0;
}

int32_t CMJGameTable::ClaimsNotClosedToo() {
    return ClaimsNotClosed();
}

int32_t CMJGameTable::CheckPeng(Request r) {
    if (!ClaimBasics(r, 2)) return 0;
    const int32_t claimer = Word(r, kChair);
    const TileId tile = Word(r, kTile);
    if (!CanPeng(claimer, tile)) return 0;
    std::vector<TileId> shown = ShownTiles(r, 2), out(shown.size());
    return FindPengTiles(shown, tile, jokerTile_, jokerB_, config_.options, out) ? 1 : 0;
}

int32_t CMJGameTable::CheckChi(Request r) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    if (!Chair(giver) || claimer != PrevSeat(giver) || !ClaimBasics(r, 2)) return 0;
    const TileId tile = Word(r, kTile);
    if (!CanChi(claimer, tile)) return 0;
    std::vector<TileId> shown = ShownTiles(r, 2), out(shown.size() * 2);
    return FindChiTiles(shown, tile, jokerTile_, jokerB_, config_.options, out) ? 1 : 0;
}

int32_t CMJGameTable::CheckMingGang(Request r) {
    if (!ClaimBasics(r, 3)) return 0;
    const int32_t claimer = Word(r, kChair);
    const TileId tile = Word(r, kTile);
    if (!CanKong(claimer, tile, 0x1)) return 0;
    std::vector<TileId> shown = ShownTiles(r, 3), out(shown.size());
    return FindGangTiles(shown, tile, jokerTile_, jokerB_, config_.options, out) ? 1 : 0;
}

int32_t CMJGameTable::CheckAnGang(Request r) {
    const int32_t claimer = Word(r, kChair);
    const TileId tile = Word(r, kTile);
    if (!Chair(claimer) || claimer != activeChair_ || claimer != Word(r, kOffering)) return 0;
    if (!(state_ & kStateOwnAction) || (state_ & kStateClaimsClosed)) return 0;
    // The kong is the tile and the three tiles beside it: all four held.
    std::vector<TileId> four = ShownTiles(r, 3);
    if (four.size() != 3) return 0;
    four.insert(four.begin(), tile);
    if (!CheckTileList(claimer, four)) return 0;
    if (TakerOf(tile) != claimer || TakenStateOf(tile) != kTakenHeld) return 0;
    if (!CanKong(claimer, tile, 0x4)) return 0;
    std::vector<TileId> out(four.size());
    return FindGangTilesInHand(four, tile, jokerTile_, jokerB_, config_.options, out) ? 1 : 0;
}

int32_t CMJGameTable::CheckAddedGang(Request r) {
    const int32_t claimer = Word(r, kChair);
    const TileId tile = Word(r, kTile);
    if (!Chair(claimer) || claimer != activeChair_ || claimer != Word(r, kOffering)) return 0;
    if (!(state_ & kStateOwnAction) || (state_ & kStateClaimsClosed)) return 0;
    std::vector<TileId> pung = ShownTiles(r, 3);
    if (pung.size() != 3 || !HasShownPung(claimer, pung)) return 0;
    if (TakerOf(tile) != claimer || TakenStateOf(tile) != kTakenHeld) return 0;
    // The added tile must be of the pung's kind.
    if (!SameKind(tile, pung[0])) return 0;
    return CanKong(claimer, tile, 0x2) > 0;
}

namespace {
bool Within(uint32_t now, uint32_t since, int64_t millis) {
    return int64_t(now - since) < millis;
}
}  // namespace

int32_t CMJGameTable::ClaimWindowOver(int32_t seat) {
    if (state_ & kStateClaimsClosed) return 1;
    if (!Within(Now(), windowTick_, int64_t(config_.operationSeconds) * 1000 - 500)) return 1;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s != seat && claimFlags_[size_t(s)]) return 0;
    }
    return 1;
}

int32_t CMJGameTable::HasClaimPriority(int32_t a, int32_t b) {
    if (!Chair(a) || !Chair(b) || a == b || !claimFlags_[size_t(a)]) return 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s != a && s != b && claimFlags_[size_t(s)]) return 0;
    }
    if (!(claimFlags_[size_t(a)] & kClaimFlagChow)) return 1;
    return a == PrevSeat(b);
}

namespace {
// Whether some seat other than `claimer` (and `also`) satisfies `test`.
template <typename Test>
bool OtherSeat(int32_t claimer, int32_t also, Test test) {
    for (int s = 0; s < kMJSeats; ++s) {
        if (s != claimer && s != also && test(s)) return true;
    }
    return false;
}
}  // namespace

int32_t CMJGameTable::ClaimPeng(Request r) {
    const int64_t window = int64_t(config_.operationSeconds) * 1000 - 1000;
    if (!Within(Now(), windowTick_, window)) return 0;
    return OtherSeat(Word(r, kChair), -1,
                     [&](int s) { return claimFlags_[size_t(s)] & kClaimFlagHu; });
}

int32_t CMJGameTable::ClaimChi(Request r) {
    const int64_t window = int64_t(config_.operationSeconds) * 1000 - 1000;
    if (!Within(Now(), windowTick_, window)) return 0;
    return OtherSeat(Word(r, kChair), -1, [&](int s) {
        return claimFlags_[size_t(s)] & (kClaimFlagPung | kClaimFlagKong | kClaimFlagHu);
    });
}

int32_t CMJGameTable::ClaimMingGang(Request r) {
    const int64_t window = int64_t(config_.operationSeconds) * 1000 - 1000;
    if (!Within(Now(), windowTick_, window)) return 0;
    const TileId tile = Word(r, kTile);
    if (!TileInWall(tile)) return 0;
    return OtherSeat(Word(r, kChair), Word(r, kOffering),
                     [&](int s) { return WinningHandTest(s, tile, kHuRobbingKong) & 0x8; });
}

int32_t CMJGameTable::ClaimKongRob(Request r) {
    return ClaimMingGang(r);
}

int32_t CMJGameTable::CanGrabKong(int32_t seat, TileId tile) {
    const bool open = ((config_.options & 0x1000) && (state_ & kStateExposedKongWindow)) ||
                      ((config_.options & 0x2000) && (state_ & kStateAddedKongWindow));
    if (!open || !Chair(seat) || seat == windowSeat_ || tile != windowTile_ || !TileInWall(tile))
        return 0;
    HuResult result;
    return TryHuWithJokers(counts_[size_t(seat)], tile, jokerTile_, jokerB_, config_.options,
                           config_.allowed, result, kHuRobbingKong)
               ? 1
               : 0;
}

int32_t CMJGameTable::CheckHuClaim(Request r) {
    return CanGrabKong(Word(r, kChair), Word(r, kTile));
}

int32_t CMJGameTable::MarkAnswered(int32_t) {
    return 0;
}

int32_t CMJGameTable::ApplyMeld(Request r, MeldArray kind, size_t shown) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    const TileId tile = Word(r, kTile);
    if (!Chair(claimer) || !Chair(giver) || !TileInWall(tile)) return 0;
    replacement_[size_t(claimer)] = 0;
    CloseKongWindow();
    ClearClaimFlags();
    std::vector<TileId> tiles = ShownTiles(r, shown);
    ShownMeld meld;
    auto& mine = melds_[size_t(claimer)];
    if (kind == kAddedKongs) {
        // The pung becomes the kong: it leaves the pungs.
        auto& pungs = mine[kPungs];
        auto it = std::find_if(pungs.begin(), pungs.end(), [&](const ShownMeld& m) {
            return SameSet(std::span<const TileId>(m.tiles.data(), 3), tiles);
        });
        if (it != pungs.end()) {
            meld = *it;
            pungs.erase(it);
        }
        meld.tiles[3] = tile;
        meld.giver = giver;
    } else {
        for (size_t i = 0; i < tiles.size(); ++i)
            meld.tiles[i] = tiles[i];
        meld.tiles[tiles.size()] = tile;
        meld.giver = giver;
    }
    std::vector<TileId> leaving;
    if (kind == kConcealedKongs) {
        leaving = tiles;
        leaving.push_back(tile);
    } else if (kind == kAddedKongs) {
        leaving = {tile};
    } else {
        leaving = tiles;
        int32_t at = IndexOfValue(discards_[size_t(giver)], tile);
        if (at >= 0) discards_[size_t(giver)].erase(discards_[size_t(giver)].begin() + at);
    }
    for (TileId t : leaving) {
        if (Holds(claimer, t)) TakeFromSeat(claimer, WallPosOfTile(t));
    }
    if (kind != kAddedKongs) {
        for (TileId t : tiles)
            SetTakenState(t, kTakenShown);
    }
    SetTakenState(tile, kTakenClaimed);
    SetTaker(tile, claimer);
    mine[size_t(kind)].push_back(meld);
    AfterClaim();
    ActivateClaimer(claimer);
    if (kind == kPungs) AfterPengBookkeeping(r);
    if (kind == kChows) AfterChiBookkeeping(r);
    if (kind >= kExposedKongs) AfterKongBookkeeping(r);
    return 1;
}

int32_t CMJGameTable::ApplyPeng(Request r) {
    return ApplyMeld(r, kPungs, 2);
}

int32_t CMJGameTable::ApplyChi(Request r) {
    return ApplyMeld(r, kChows, 2);
}

int32_t CMJGameTable::ApplyMingGang(Request r) {
    return ApplyMeld(r, kExposedKongs, 3);
}

int32_t CMJGameTable::ApplyAddedGang(Request r) {
    return ApplyMeld(r, kAddedKongs, 3);
}

int32_t CMJGameTable::ApplyAnGang(Request r) {
    return ApplyMeld(r, kConcealedKongs, 3);
}

namespace {
// A claim is counted once per meld, never for the player's own kongs.
void CountClaim(std::array<std::array<int32_t, kMJSeats>, kMJSeats>& counts, int32_t claimer,
                int32_t giver) {
    if (claimer != giver && claimer >= 0 && claimer < kMJSeats && giver >= 0 && giver < kMJSeats)
        ++counts[size_t(claimer)][size_t(giver)];
}
}  // namespace

int32_t CMJGameTable::AfterPengBookkeeping(Request r) {
    CountClaim(claimCounts_, Word(r, kChair), Word(r, kOffering));
    return 0;
}

int32_t CMJGameTable::AfterChiBookkeeping(Request r) {
    CountClaim(claimCounts_, Word(r, kChair), Word(r, kOffering));
    return 0;
}

int32_t CMJGameTable::AfterKongBookkeeping(Request r) {
    CountClaim(claimCounts_, Word(r, kChair), Word(r, kOffering));
    return 0;
}

int32_t CMJGameTable::SettleDiscardWinners(int32_t discarder, TileId tile) {
    std::vector<int32_t> order;
    for (int32_t s = PrevSeat(discarder), i = 0; i < kMJSeats; ++i, s = PrevSeat(s))
        order.push_back(s);
    int32_t first = -1, count = 0;
    for (int32_t s : order) {
        if (huWords_[size_t(s)] <= 0) continue;
        if (first < 0) {
            first = s;
        } else if (!(config_.options & 0x40000)) {
            huWords_[size_t(s)] = 0;
            continue;
        }
        ++count;
    }
    if (count) {
        winningTile_ = tile;
        discarder_ = discarder;
        winnerCount_ = count;
        winner_ = first;
    }
    return count;
}

int32_t CMJGameTable::EvaluateHuOnDiscard(int32_t discarder, TileId tile) {
    if (!Chair(discarder) || !TileInWall(tile)) return 0;
    const bool kongWindow = state_ & (kStateExposedKongWindow | kStateAddedKongWindow);
    for (int s = 0; s < kMJSeats; ++s) {
        huWords_[size_t(s)] = 0;
        if (s == discarder || (kongWindow && s == windowSeat_)) continue;
        EvaluateSeatHu(s, tile, kHuRobbingKong);
    }
    return SettleDiscardWinners(discarder, tile);
}

int32_t CMJGameTable::CheckClaims(int32_t seat, TileId tile, uint32_t huMode, int32_t mask) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    int32_t r = 0;
    if ((mask & kClaimFlagPung) && CanPeng(seat, tile)) r |= kClaimFlagPung;
    if ((mask & kClaimFlagKong) && CanKong(seat, tile, 0x1)) r |= kClaimFlagKong;
    if ((mask & kClaimFlagChow) && !(config_.options & kOptNoChows) && CanChi(seat, tile))
        r |= kClaimFlagChow;
    if ((mask & kClaimFlagHu) && !(config_.options & kOptNoHuRestricted1) &&
        HuTest(seat, tile, huMode))
        r |= kClaimFlagHu;
    return r;
}

int32_t CMJGameTable::CanPeng(int32_t seat, TileId tile) {
    if (!Chair(seat)) return 0;
    return CanPengWithCounts(counts_[size_t(seat)], tile, jokerTile_, jokerB_, config_.options) ? 1
                                                                                                : 0;
}

int32_t CMJGameTable::CanKong(int32_t seat, TileId tile, int32_t mode) {
    if (!Chair(seat)) return 0;
    const TileCountArray& c = counts_[size_t(seat)];
    if (mode & 0x1) return CanGangWithCounts(c, tile, jokerTile_, jokerB_, config_.options);
    if (mode & 0x4) {
        TileIndex kind = 0;
        return FindConcealedGangIndex(c, tile, jokerTile_, jokerB_, config_.options, &kind);
    }
    if (mode & 0x2) return HoldsKindOfShownPung(seat, tile);
    return 0;
}

int32_t CMJGameTable::HoldsKindOfShownPung(int32_t seat, TileId tile) {
    if (!Chair(seat)) return 0;
    const TileCountArray& c = counts_[size_t(seat)];
    for (const ShownMeld& pung : melds_[size_t(seat)][kPungs]) {
        TileIndex kind = TileKindOrZero(pung.tiles[0], config_.options);
        if (kind <= 0 || c[size_t(kind)] <= 0) continue;
        if (tile >= 0 && TileKindOrZero(tile, config_.options) != kind) continue;
        if (IsJokerKind(pung.tiles[0]) && !(config_.options & kOptJokersAsTiles)) continue;
        return 2;
    }
    return 0;
}

int32_t CMJGameTable::CanChi(int32_t seat, TileId tile) {
    if (!Chair(seat)) return 0;
    return CanChiWithCounts(counts_[size_t(seat)], tile, jokerTile_, jokerB_, config_.options);
}

int32_t CMJGameTable::CanShowFlower(int32_t seat, TileId tile) {
    if (!Chair(seat)) return 0;
    return CanShowFlowerWithCounts(counts_[size_t(seat)], tile, jokerTile_, jokerB_,
                                   config_.options);
}

void CMJGameTable::CloseKongWindow() {
    const int32_t open =
        state_ & (kStateExposedKongWindow | kStateAddedKongWindow | kStateKongWindowC);
    if (open) ClearStateBits(open);
    windowTick_ = 0;
    windowSeat_ = windowAction_ = -1;
    windowTile_ = -1;
}

void CMJGameTable::ClearClaimFlags() {
    claimFlags_.fill(0);
    answered_.fill(0);
}

int32_t CMJGameTable::CountOtherHuClaims(Request r, std::array<int32_t, 4>& out) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    const TileId tile = Word(r, kTile);
    out = {claimer, giver, tile, Word(r, kKongKind)};
    if (!TileInWall(tile)) return 0;
    int32_t n = 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s != claimer && s != giver && (WinningHandTest(s, tile, kHuRobbingKong) & 0x8)) ++n;
    }
    return n;
}

int32_t CMJGameTable::HasShownPung(int32_t seat, std::span<const TileId> tiles) {
    if (!Chair(seat)) return 0;
    for (const ShownMeld& m : melds_[size_t(seat)][kPungs]) {
        if (SameSet(std::span<const TileId>(m.tiles.data(), 3), tiles)) return 1;
    }
    return 0;
}

int32_t CMJGameTable::HasConcealedKongWith(int32_t seat, std::span<const TileId> tiles) {
    if (!Chair(seat)) return 0;
    for (const ShownMeld& m : melds_[size_t(seat)][kConcealedKongs]) {
        if (ContainsAll(m.tiles, tiles)) return 1;
    }
    return 0;
}

int32_t CMJGameTable::SameKind(TileId a, TileId b) {
    return IsSameKind(a, b, config_.options);
}

int32_t CMJGameTable::IndexOfValue(const std::vector<int32_t>& values, int32_t value) {
    auto it = std::find(values.begin(), values.end(), value);
    return it == values.end() ? -1 : int32_t(it - values.begin());
}

}  // namespace rules
