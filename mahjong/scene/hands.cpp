// The hand records of the four seats: lookups, selection, faces, removal,
// locks, the reset layout and the rebuild from the round snapshot.
#include <algorithm>

#include "mahjong/app/snapshot_words.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/tile.h"

namespace mahjong {

bool CMJTableSceneBase::IsHandFaceKnown(int32_t seat) const {
    return IsSeat(seat) && Hand(seat, 1).nFace != kFaceDown;
}

bool CMJTableSceneBase::HasDrawnTile(int32_t seat) const {
    return IsSeat(seat) && Hand(seat, 0).present != 0;
}

int32_t CMJTableSceneBase::FindHandTile(int32_t seat, int32_t face) const {
    if (!IsSeat(seat)) return -1;
    for (int32_t i = HandPositions() - 1; i >= 0; --i) {
        const MJStruct& r = Hand(seat, i);
        if (r.present && r.nFace == face) return i;
    }
    return -1;
}

int32_t CMJTableSceneBase::LastHandTile(int32_t seat) const {
    if (!IsSeat(seat)) return -1;
    for (int32_t i = HandPositions() - 1; i >= 0; --i) {
        if (Hand(seat, i).standing && Hand(seat, i).present) return i;
    }
    return -1;
}

int32_t CMJTableSceneBase::RaisedHandTile(int32_t seat) const {
    if (!IsSeat(seat)) return -1;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        if (Hand(seat, i).raised && Hand(seat, i).present) return i;
    }
    return -1;
}

int32_t CMJTableSceneBase::GetOwnHandFaces(FaceList& list) const {
    list.fill(-1);
    int32_t n = 0;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        const MJStruct& r = Hand(3, i);
        if (r.standing && r.present) list[size_t(n++)] = r.nFace;
    }
    return n;
}

int32_t CMJTableSceneBase::GetRaisedFaces(FaceList& list) const {
    list.fill(-1);
    int32_t n = 0;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        const MJStruct& r = Hand(3, i);
        if (r.standing && r.present && r.raised) list[size_t(n++)] = r.nFace;
    }
    return n;
}

void CMJTableSceneBase::RaiseHandTile(int32_t seat, int32_t index) {
    if (!IsSeat(seat)) return;
    for (int32_t i = 0; i < HandTiles(); ++i)
        Hand(seat, i).raised = 0;
    if (index >= 0 && index < kHandRecords) Hand(seat, index).raised = 1;
}

void CMJTableSceneBase::ClearHandSelection() {
    for (int32_t i = 0; i < HandTiles(); ++i) {
        Hand(3, i).raised = 0;
        Hand(3, i).locked = 0;
    }
}

void CMJTableSceneBase::ClearJokerMarks() {
    for (int32_t i = 0; i < kHandRecords; ++i)
        Hand(3, i).jokerMark = 0;
}

void CMJTableSceneBase::OpenHandFaces(int32_t seat) {
    if (!IsSeat(seat)) return;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        MJStruct& r = Hand(seat, i);
        if (!r.standing || !r.present) continue;
        r.faceState = 1;
        r.orientation = Mod4(seat + 2);
    }
}

void CMJTableSceneBase::HideHandFaces(int32_t seat) {
    if (!IsSeat(seat)) return;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        MJStruct& r = Hand(seat, i);
        if (r.standing && r.present) r.nFace = kFaceDown;
    }
    Hand(seat, 0).nFace = kFaceDown;
}

void CMJTableSceneBase::PlaceHandFaces(int32_t seat, const FaceList& list) {
    if (!IsSeat(seat)) return;
    int32_t index = HasDrawnTile(seat) ? 0 : 1;
    for (int32_t face : list) {
        // Concealed tiles stand below the hand-tile count; nothing past it.
        if (index >= HandTiles()) break;
        // The engine level fills the places it writes; only filled places stand.
        if (face == -1) {
            if (paneKind_ != 1) Hand(seat, index).present = Hand(seat, index).standing = 0;
            continue;
        }
        MJStruct& r = Hand(seat, index++);
        r.nFace = face;
        if (paneKind_ != 1) r.present = r.standing = 1;
    }
}

void CMJTableSceneBase::RemoveHandTile(int32_t seat, int32_t face) {
    if (!IsSeat(seat)) return;
    const int32_t found = FindHandTile(seat, face);
    if (found >= 0) Hand(seat, found).raised = 0;
    if (found < 0 && paneKind_ != 1) return;
    int32_t k = HandTiles() - 1;
    while (k >= 0 && !(Hand(seat, k).standing && Hand(seat, k).nFace == face))
        --k;
    if (k < 0) return;
    if (k == 0) {
        Hand(seat, 0).standing = 0;
        Hand(seat, 0).present = 0;
        return;
    }
    // The row keeps its right edge: faces move down one place and the hole
    // goes to the end of the row.
    for (; k + 1 < HandTiles() && Hand(seat, k + 1).standing; ++k)
        MoveTile(seat, k + 1, k);
    Hand(seat, k).standing = 0;
    Hand(seat, k).present = 0;
}

int32_t CMJTableSceneBase::LockAllButFlowers() {
    int32_t flowers = 0;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        MJStruct& r = Hand(3, i);
        if (!r.standing || !r.present) continue;
        r.locked = 0;
        if (IsHonourOrFlowerTile(r.nFace)) ++flowers;
    }
    if (flowers == 0) return 0;
    OnFlowersHeld();
    for (int32_t i = 0; i < HandTiles(); ++i) {
        MJStruct& r = Hand(3, i);
        if (!r.standing || !r.present) continue;
        r.locked = IsHonourOrFlowerTile(r.nFace) ? 0 : 1;
        r.raised = 0;
    }
    EnableAllOperationButtons(0);
    return flowers;
}

void CMJTableSceneBase::LockAllButCandidates(int32_t button) {
    const ClaimOption& option = Option(button);
    const auto begin = option.candidates.begin();
    const auto end = begin + std::clamp(option.count, 0, int32_t(option.candidates.size()));
    for (int32_t i = 0; i < HandTiles(); ++i) {
        MJStruct& r = Hand(3, i);
        if (!r.standing || !r.present) continue;
        r.locked = std::find(begin, end, r.nFace) == end ? 1 : 0;
    }
}

void CMJTableSceneBase::UnlockChowFaces() {
    LockAllButCandidates(kChowButton);
}

void CMJTableSceneBase::UnlockKongFaces() {
    LockAllButCandidates(kKongButton);
}

void CMJTableSceneBase::UnlockFourOfAKind() {
    rules::TileCountArray counts{};
    for (int32_t i = 0; i < HandPositions(); ++i) {
        MJStruct& r = Hand(3, i);
        if (r.standing && r.present) r.locked = 1;
        if (!r.present || r.meldMark == 2 || r.meldMark == 3) continue;
        const rules::TileIndex kind = rules::TileKindOrZero(r.nFace, RuleFlags());
        if (kind > 0) ++counts[size_t(kind)];
    }
    for (int32_t i = 0; i < HandPositions(); ++i) {
        MJStruct& r = Hand(3, i);
        const rules::TileIndex kind = rules::TileKindOrZero(r.nFace, RuleFlags());
        if (r.standing && r.present && kind > 0 && counts[size_t(kind)] == 4) r.locked = 0;
    }
}

void CMJTableSceneBase::ResetHands() {
    // Every place gets its spot and a face-down face; a place stands only
    // once a tile fills it (the deal, a draw, the snapshot), so that an
    // empty one is never shifted into the row as a face-down tile.
    ZeroHands();
    NumberHandRecords();
    const int32_t w = OwnTileWidth();
    const int32_t shift = Seat0HandShift();
    for (int32_t i = 0; i < HandTiles(); ++i) {
        for (int32_t seat = 0; seat < 4; ++seat) {
            MJStruct& r = Hand(seat, i);
            r.nFace = kFaceDown;
            r.faceState = seat == 3 ? 1 : 2;
        }
        Hand(0, i).y = GetHandAreaLength(0) - 61 + shift - 26 * i;
        Hand(1, i).x = 10 + 26 * i;
        Hand(2, i).x = GetHandAreaDepth(2) - 19;
        Hand(2, i).y = 12 + 26 * i;
        Hand(3, i).x = GetHandAreaLength(3) - 12 - w * (i + 1);
        Hand(3, i).y = 10;
    }
    // The drawn-tile places stand apart from the rest.
    Hand(0, 0).y = GetHandAreaLength(0) - 49 + shift;
    Hand(1, 0).x = 0;
    Hand(2, 0).y = 0;
    Hand(3, 0).x += 12;
}

void CMJTableSceneBase::StandOwnRecords(int32_t start, int32_t n, bool looker) {
    FaceList faces;
    GetTableLogic()->GetSeatList(faces.data());
    for (int32_t k = 0; k < n; ++k) {
        MJStruct& r = Hand(3, start + k);
        r.standing = 1;
        r.present = 1;
        r.nFace = looker || faces[size_t(k)] == -1 ? kFaceDown : faces[size_t(k)];
    }
}

void CMJTableSceneBase::LoadOwnHandFromSnapshot(int32_t) {
    const CMJTableLogic* t = GetTableLogic();
    for (int32_t seat = 0; seat < 4; ++seat) {
        Hand(seat, 0).standing = 0;
        Hand(seat, 0).present = 0;
    }
    if (t->HasDrawnTile()) {
        const int32_t seat = ChairToViewSeat(t->GetTurnChair());
        if (IsSeat(seat)) {
            Hand(seat, 0).standing = 1;
            Hand(seat, 0).present = 1;
        }
    }
    // The count comes from the snapshot: no more than the hand's places.
    const int32_t start = HasDrawnTile(3) ? 0 : 1;
    const int32_t n = std::clamp(t->GetSeatValue(OwnChair()), 0, HandTiles() - start);
    const bool looker = IsLooker();
    StandOwnRecords(start, n, looker);
    if (!looker && paneKind_ == 1) SortHand(3, 1, LastHandTile(3));
}

void CMJTableSceneBase::RevealDealtHands() {
    MarkDealtHands();
    ShowDealtHands();
}

void CMJTableSceneBase::MarkDealtHands() {
    // As many places as the snapshot counts for each chair: a deal whose
    // flowers used up the wall leaves a hand a tile short.
    const CMJTableLogic* t = GetTableLogic();
    int32_t seat = ChairToViewSeat(t->GetBankerChair());
    for (int32_t order = 0; IsSeat(seat) && order < playerCount_; ++order) {
        const int32_t first = order == 0 ? 0 : 1;
        const int32_t n =
            std::clamp(t->GetSeatValue(ViewSeatToChair(seat)), 0, HandTiles() - first);
        for (int32_t i = first; i < first + n; ++i) {
            Hand(seat, i).present = 1;
            Hand(seat, i).standing = 1;
        }
        seat = NextViewSeat(seat);
    }
}

void CMJTableSceneBase::ShowDealtHands() {
    int32_t seat = ChairToViewSeat(GetTableLogic()->GetBankerChair());
    if (!IsSeat(seat)) return;
    for (int32_t order = 0; order < playerCount_; ++order) {
        RevealSeat(seat, order);
        seat = NextViewSeat(seat);
    }
    RevealDone();
}

void CMJTableSceneBase::RevealSeat(int32_t seat, int32_t order) {
    PostSceneMessage(uint32_t(500 * order), kMsgDealSeat, seat);
}

void CMJTableSceneBase::RevealDone() {
    PostSceneMessage(uint32_t(500 * playerCount_), kMsgFlowerSteps);
}

void CMJTableSceneBase::RebuildFromSnapshot() {
    const CMJTableLogic* t = GetTableLogic();
    for (int32_t seat = 0; seat < 4; ++seat) {
        for (int32_t i = 1; i < HandTiles(); ++i) {
            Hand(seat, i).present = 1;
            Hand(seat, i).standing = 1;
        }
    }
    if (IsLooker()) {
        for (int32_t i = 0; i < HandTiles(); ++i)
            Hand(3, i).nFace = kFaceDown;
    }
    // Tables in the order they are laid: pungs, chows, exposed, added and
    // concealed kongs.
    static constexpr int32_t kOrder[] = {snap::kPungs, snap::kChows, snap::kExposedKongs,
                                         snap::kAddedKongs, snap::kConcealedKongs};
    for (int32_t chair = 0; chair < std::min(playerCount_, 4); ++chair) {
        const int32_t seat = ChairToViewSeat(chair);
        if (!IsSeat(seat)) continue;
        for (int32_t table : kOrder) {
            const int32_t base = table * snap::kMeldTableWords;
            const int32_t count =
                std::clamp(t->SpareWord(base + 4 * 42 + chair), 0, int32_t(snap::kMeldsPerChair));
            for (int32_t m = 0; m < count; ++m) {
                const int32_t at = base + chair * 42 + m * snap::kMeldWords;
                const bool kong = table >= snap::kExposedKongs;
                MeldWords meld;
                meld.chair = chair;
                meld.giver = t->SpareWord(at + 4);
                meld.claimed = t->SpareWord(at + (kong ? 3 : 2));
                meld.handA = t->SpareWord(at + 0);
                meld.handB = t->SpareWord(at + 1);
                meld.fourth = kong ? t->SpareWord(at + 2) : -1;
                switch (table) {
                    case snap::kPungs:
                        LayPung(seat, meld);
                        break;
                    case snap::kChows:
                        LayChow(seat, meld);
                        break;
                    case snap::kExposedKongs:
                        LayExposedKong(seat, meld);
                        break;
                    case snap::kAddedKongs:
                        LayRestoredAddedKong(seat, meld);
                        break;
                    default:
                        LayConcealedKong(seat, meld);
                        break;
                }
            }
        }
    }
}

void CMJTableSceneBase::LayRestoredAddedKong(int32_t seat, const MeldWords& meld) {
    // The snapshot may keep an added kong apart from the pung it grew from:
    // then it lies as a whole kong from its giver.
    if (FindPungBlock(seat, meld.claimed) >= 0) {
        LayAddedKong(seat, meld);
        return;
    }
    const int32_t i = FreeMeldBlock(seat);
    LayExposedKong(seat, meld);
    if (i >= 0 && Hand(seat, i).present)
        for (int32_t k = 0; k < 4; ++k)
            Hand(seat, i - k).meldMark = 2;
}

void CMJTableSceneBase::BindSeatTiles(int32_t seat) {
    (void)seat;
}

}  // namespace mahjong
