// Melds laid open at the far end of a seat's hand row, the tiles they take
// from the concealed part, and the hands laid open at a round's end.
//
// Meld blocks take groups of four records from the end of the row (record
// P - 1, P - 5, ...); a chow or pung uses the block's last three records, a
// kong all four. Positions run along the seat's row from the block origin
// (towards smaller coordinates at view seats 1 and 2); the cross coordinate
// is the row offset of the seat's area.
#include <algorithm>
#include <array>

#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {
namespace {

constexpr int32_t kStep[4] = {21, 26, 21, 26};   // small tiles along the row
constexpr int32_t kSide = 11;                    // the visible side of a lying tile
constexpr int32_t kPitch[4] = {67, 85, 67, 85};  // two steps and one tile across
// A tile turned towards its giver is wider across the row: A(0) - S(1) at
// the side seats, A(1) - S(0) at the top and bottom.
constexpr int32_t kTurnShift[4] = {7, 4, 7, 4};
// The layout that serves a giver that is not another seat: the opposite
// seat's, which turns nothing.
constexpr int32_t kOpposite[4] = {2, 3, 0, 1};

// A 3-tile meld by seat and giver seat: the payload word (5, 6 or 7) shown by
// records i, i-1, i-2; which of them is turned towards the giver (-1 none);
// the positions along the row; whether the turned tile moves across the row.
struct ThreeLayout {
    int8_t word[3];
    int8_t turned;
    int16_t pos[3];
    bool shift;
};
constexpr ThreeLayout kThree[4][4] = {
    {{},
     {{5, 6, 7}, 0, {0, 25, 46}, false},
     {{6, 5, 7}, -1, {0, 21, 42}, false},
     {{6, 7, 5}, 2, {0, 21, 42}, false}},
    {{{6, 7, 5}, 2, {-26, -52, -85}, false},
     {},
     {{5, 6, 7}, 0, {-33, -59, -85}, false},
     {{6, 5, 7}, -1, {-26, -52, -78}, false}},
    {{{6, 5, 7}, -1, {-32, -53, -74}, false},
     {{5, 6, 7}, 2, {-32, -53, -78}, true},
     {},
     {{5, 6, 7}, 0, {-36, -57, -78}, true}},
    {{{5, 6, 7}, 0, {0, 33, 59}, true},
     {{6, 5, 7}, -1, {0, 26, 52}, false},
     {{6, 7, 5}, 2, {0, 26, 52}, true},
     {}},
};

// An exposed kong by seat and giver: the row records show words 6, 7, 8 and
// the top record word 5; which row record is turned (-1 none), the row and
// top positions, and whether the turned tile moves across the row.
struct KongLayout {
    int8_t turned;
    int16_t pos[3];
    int16_t top;
    bool shift;
};
constexpr int8_t kKongRow[4][3] = {{0, 1, 2}, {1, 2, 3}, {1, 2, 3}, {0, 1, 2}};  // offsets from i
constexpr int8_t kKongTop[4] = {3, 0, 0, 3};
constexpr KongLayout kExposed[4][4] = {
    {{}, {0, {0, 25, 46}, 14, false}, {-1, {0, 21, 42}, 10, false}, {2, {0, 21, 42}, 10, false}},
    {{2, {-26, -52, -85}, -52, false},
     {},
     {0, {-33, -59, -85}, -59, false},
     {-1, {-26, -52, -78}, -52, false}},
    {{-1, {-32, -53, -74}, -64, false},
     {2, {-32, -53, -78}, -64, true},
     {},
     {0, {-36, -57, -78}, -68, true}},
    {{0, {0, 33, 59}, 33, true}, {-1, {0, 26, 52}, 26, false}, {2, {0, 26, 52}, 26, true}, {}},
};
// A concealed kong turns nothing; its positions by seat.
constexpr KongLayout kConcealed[4] = {{-1, {0, 21, 42}, 10, false},
                                      {-1, {-26, -52, -78}, -52, false},
                                      {-1, {-32, -53, -74}, -64, false},
                                      {-1, {0, 26, 52}, 26, false}};

}  // namespace

// How LayKong lays one kind of kong.
struct meld::KongPlan {
    const KongLayout* layout;
    int32_t giver;       // the seat a turned tile turns to
    int32_t rowFaceSet;  // face set of the row tiles and of the top tile
    int32_t topFaceSet;
    std::array<int32_t, 4> words;  // payload word shown by records i .. i-3
};

namespace {

int32_t WordOf(const MeldWords& m, int32_t word) {
    switch (word) {
        case 5:
            return m.claimed;
        case 6:
            return m.handA;
        case 7:
            return m.handB;
        default:
            return m.fourth;
    }
}

// Which row place (0-2) record i - k takes in a kong of the seat.
int32_t RowSlot(int32_t seat, int32_t k) {
    return int32_t(std::find(kKongRow[seat], kKongRow[seat] + 3, k) - kKongRow[seat]);
}

// The face a meld record shows; a tile the payload does not name has none.
int32_t FaceOf(int32_t tile) {
    return tile >= 0 && tile < 152 ? tile : kFaceDown;
}

// The drawn place after a kong holds its replacement; a kong the dry wall
// could not replace leaves it empty, the hand one tile short.
void KeepReplacementPlace(MJStruct& drawn, int32_t replacement) {
    drawn.present = replacement >= 0 ? 1 : 0;
    drawn.standing = drawn.present;
}

}  // namespace

int32_t CMJTableSceneBase::MeldBlockOrigin(int32_t seat, int32_t i) const {
    const int32_t b = (HandPositions() - i - 1) / 4;
    switch (seat) {
        case 0:
            return b * kPitch[0] + Seat0HandShift();
        case 1:
            return GetHandAreaLength(1) - b * kPitch[1];
        case 2:
            return GetHandAreaLength(2) - b * kPitch[2];
        default:
            return b * kPitch[3];
    }
}

int32_t CMJTableSceneBase::FreeMeldBlock(int32_t seat) const {
    int32_t i = HandPositions() - 1;
    while (i >= 4 && Hand(seat, i).present)
        i -= 4;
    return i >= 4 ? i : -1;
}

void CMJTableSceneBase::PlaceMeldRecord(MJStruct& r, int32_t seat, int32_t origin, int32_t along,
                                        int32_t cross) const {
    const int32_t row = GetMeldRowOffset(seat) + cross;
    r.x = seat % 2 == 0 ? row : origin + along;
    r.y = seat % 2 == 0 ? origin + along : row;
    r.present = 1;
    r.standing = 0;
    if (r.orientation < 0) r.orientation = OppositeChair(seat);
}

int32_t CMJTableSceneBase::GiverSeat(int32_t seat, int32_t giverChair) const {
    const int32_t g = ChairToViewSeat(giverChair);
    return IsSeat(g) && g != seat ? g : kOpposite[seat];
}

bool CMJTableSceneBase::TakeTilesFromHand(int32_t seat, std::initializer_list<int32_t> faces,
                                          int32_t hiddenTaken) {
    if (Hand(seat, 1).nFace != kFaceDown) {
        for (int32_t face : faces)
            RemoveHandTile(seat, face);
        return true;
    }
    // Faces unknown: tiles leave the end of the row, and the seat holds a
    // tile in its drawn place.
    const int32_t last = LastHandTile(seat);
    for (int32_t k = last; k > last - hiddenTaken && k >= 0; --k) {
        Hand(seat, k).present = 0;
        Hand(seat, k).standing = 0;
    }
    Hand(seat, 0).present = 1;
    Hand(seat, 0).standing = 1;
    return false;
}

void CMJTableSceneBase::TakeMeldTiles(int32_t seat, const MeldWords& meld) {
    if (IsSeat(seat) && TakeTilesFromHand(seat, {meld.handA, meld.handB}, 3)) ShiftToDrawn(seat);
}

void CMJTableSceneBase::StandReplacement(int32_t seat, int32_t tile, bool faceUp) {
    MJStruct& r = Hand(seat, 0);
    KeepReplacementPlace(r, tile);
    if (tile < 0) return;
    r.nFace = FaceOf(tile);
    if (!faceUp) return;
    r.faceState = 1;
    r.orientation = OppositeChair(seat);
}

void CMJTableSceneBase::TakeExposedKongTiles(int32_t seat, const MeldWords& meld) {
    if (!IsSeat(seat)) return;
    if (TakeTilesFromHand(seat, {meld.handA, meld.handB, meld.fourth}, 3))
        StandReplacement(seat, meld.replacement, true);
    else
        KeepReplacementPlace(Hand(seat, 0), meld.replacement);
}

void CMJTableSceneBase::TakeConcealedKongTiles(int32_t seat, const MeldWords& meld) {
    if (!IsSeat(seat)) return;
    if (!TakeTilesFromHand(seat, {meld.claimed, meld.handA, meld.handB, meld.fourth}, 3)) {
        KeepReplacementPlace(Hand(seat, 0), meld.replacement);
        return;
    }
    MergeDrawnTile(seat);
    StandReplacement(seat, meld.replacement, true);
}

void CMJTableSceneBase::TakeAddedKongTile(int32_t seat, const MeldWords& meld) {
    if (!IsSeat(seat)) return;
    if (!TakeTilesFromHand(seat, {meld.claimed}, 0)) {
        KeepReplacementPlace(Hand(seat, 0), meld.replacement);
        return;
    }
    MergeDrawnTile(seat);
    StandReplacement(seat, meld.replacement, false);
}

void CMJTableSceneBase::LayThreeTiles(int32_t seat, const MeldWords& meld, int32_t mark) {
    if (!IsSeat(seat)) return;
    TakeMeldTiles(seat, meld);
    const int32_t i = FreeMeldBlock(seat);
    if (i < 0) return;  // the row is full: the tiles left the hand, nothing is laid
    const int32_t g = GiverSeat(seat, meld.giver);
    const ThreeLayout& layout = kThree[seat][g];
    const int32_t origin = MeldBlockOrigin(seat, i);
    for (int32_t k = 0; k < 3; ++k) {
        MJStruct& r = Hand(seat, i - k);
        const bool turned = k == layout.turned;
        r.faceState = 1;
        r.meldMark = mark;
        r.nFace = FaceOf(WordOf(meld, layout.word[k]));
        r.orientation = turned ? g : -1;
        PlaceMeldRecord(r, seat, origin, layout.pos[k],
                        turned && layout.shift ? kTurnShift[seat] : 0);
    }
}

void CMJTableSceneBase::LayChow(int32_t seat, const MeldWords& meld) {
    LayThreeTiles(seat, meld, 3);
}

void CMJTableSceneBase::LayPung(int32_t seat, const MeldWords& meld) {
    LayThreeTiles(seat, meld, 1);
}

void CMJTableSceneBase::LayKong(int32_t seat, const MeldWords& meld, const meld::KongPlan& plan) {
    const int32_t i = FreeMeldBlock(seat);
    if (i < 0) return;
    const int32_t origin = MeldBlockOrigin(seat, i);
    const int32_t topCross = seat % 2 == 1 ? -kSide : 0;
    for (int32_t k = 0; k < 4; ++k) {
        MJStruct& r = Hand(seat, i - k);
        const bool top = k == kKongTop[seat];
        const int32_t rowSlot = top ? -1 : RowSlot(seat, k);
        const bool turned = !top && rowSlot == plan.layout->turned;
        r.faceState = top ? plan.topFaceSet : plan.rowFaceSet;
        r.nFace = FaceOf(WordOf(meld, plan.words[size_t(k)]));
        r.orientation = turned ? plan.giver : -1;
        if (seat == 3) r.meldMark = 2;
        const int32_t along = top ? plan.layout->top : plan.layout->pos[rowSlot];
        const int32_t cross = top ? topCross : turned && plan.layout->shift ? kTurnShift[seat] : 0;
        PlaceMeldRecord(r, seat, origin, along, cross);
    }
}

void CMJTableSceneBase::LayExposedKong(int32_t seat, const MeldWords& meld) {
    if (!IsSeat(seat)) return;
    TakeExposedKongTiles(seat, meld);
    const int32_t g = GiverSeat(seat, meld.giver);
    meld::KongPlan plan{&kExposed[seat][g], g, 1, 1, {}};
    for (int32_t k = 0; k < 4; ++k)
        plan.words[size_t(k)] = k == kKongTop[seat] ? 5 : 6 + RowSlot(seat, k);
    LayKong(seat, meld, plan);
}

void CMJTableSceneBase::LayConcealedKong(int32_t seat, const MeldWords& meld) {
    if (!IsSeat(seat)) return;
    TakeConcealedKongTiles(seat, meld);
    const int32_t topFaceSet = seat == 3 && !IsLooker() ? 1 : GetTableLogic()->GetKongTopFaceSet();
    meld::KongPlan plan{&kConcealed[seat], -1, 0, topFaceSet, {5, 6, 7, 8}};
    if (seat == 3) plan.words = {6, 7, 8, 5};
    LayKong(seat, meld, plan);
}

void CMJTableSceneBase::LayAddedKong(int32_t seat, const MeldWords& meld) {
    if (!IsSeat(seat)) return;
    TakeAddedKongTile(seat, meld);
    const int32_t i = FindPungBlock(seat, meld.claimed);
    if (i < 0) return;  // no such pung in the row
    for (int32_t k = 0; k < 4; ++k)
        Hand(seat, i - k).meldMark = 2;
    MJStruct& top = Hand(seat, i - 3);
    const MJStruct& middle = Hand(seat, i - 1);
    top.present = 1;
    top.faceState = 1;
    top.standing = 0;
    top.orientation = OppositeChair(seat);
    top.nFace = FaceOf(meld.claimed);
    top.x = middle.x;
    top.y = middle.y - kSide;
    if (seat == 1 || seat == 2) top.drawOrder = Hand(seat, i).drawOrder + 1;
}

int32_t CMJTableSceneBase::FindPungBlock(int32_t seat, int32_t tile) const {
    // Only a laid pung: a standing tile of the kind may share a block's place.
    const int32_t key = TileSortKey(tile);
    auto laidPung = [&](const MJStruct& r) {
        return r.present && !r.standing && r.meldMark == 1 && TileSortKey(r.nFace) == key;
    };
    int32_t i = HandPositions() - 1;
    while (i >= 4 && !laidPung(Hand(seat, i)))
        i -= 4;
    return i >= 4 ? i : -1;
}

int32_t CMJTableSceneBase::ShiftToDrawn(int32_t seat) {
    if (!IsSeat(seat)) return 0;
    if (Hand(seat, 0).present) return 1;
    Hand(seat, 0).present = 1;
    Hand(seat, 0).standing = 1;
    Hand(seat, 0).faceState = Hand(seat, 1).faceState;
    Hand(seat, 0).orientation = Hand(seat, 1).orientation;
    int32_t k = 0;
    for (; k + 1 < HandTiles() && Hand(seat, k + 1).standing; ++k)
        MoveTile(seat, k + 1, k);
    Hand(seat, k).present = 0;
    Hand(seat, k).standing = 0;
    if (seat == 3) BindSeatTiles(3);
    return 0;
}

void CMJTableSceneBase::MergeDrawnTile(int32_t seat) {
    if (!IsSeat(seat) || !Hand(seat, 0).present) return;
    const MJStruct drawn = Hand(seat, 0);
    const int32_t f = drawn.nFace;
    Hand(seat, 0).present = 0;
    Hand(seat, 0).standing = 0;
    // The concealed row starts at record 1: with none of it left standing
    // (every meld place used, or a concealed kong of all of it) the tile
    // goes to record 1.
    const int32_t last = std::max(LastHandTile(seat), 0);
    const int32_t end = last + 1;  // the place the row grows into
    if (end >= HandTiles()) {
        // No place left in the row: the tile stays in the drawn place.
        Hand(seat, 0).present = 1;
        Hand(seat, 0).standing = 1;
        return;
    }
    Hand(seat, end).present = 1;
    Hand(seat, end).standing = 1;
    const bool jokersApart = GetTableLogic()->GetJokersInRow() == 0;
    if (IsJokerTile(f) && jokersApart) {
        Hand(seat, end).nFace = f;
        Hand(seat, end).jokerMark = 1;
        Hand(seat, end).locked = drawn.locked;
        Hand(seat, 0).nFace = kFaceDown;
        return;
    }
    // Keys fall along the row as the sort leaves it: jokers between suit 1
    // and suit 0 when they sort apart. Only the jokers merged at the row's
    // end are passed over; the tile goes after the last tile whose key is
    // not smaller than its own.
    auto keyOf = [&](int32_t face) {
        return jokersApart && IsJokerTile(face) ? kJokerSortKey : TileSortKey(face);
    };
    const int32_t key = TileSortKey(f);
    int32_t i = last;
    while (i > 0 && Hand(seat, i).jokerMark && IsJokerTile(Hand(seat, i).nFace))
        --i;
    while (i > 0 && keyOf(Hand(seat, i).nFace) < key)
        --i;
    for (int32_t k = end; k > i + 1; --k)
        MoveTile(seat, k - 1, k);
    Hand(seat, i + 1).nFace = f;
    Hand(seat, i + 1).locked = drawn.locked;
    Hand(seat, i + 1).jokerMark = drawn.jokerMark;
    Hand(seat, 0).nFace = kFaceDown;
}

void CMJTableSceneBase::MoveTile(int32_t seat, int32_t from, int32_t to) {
    Hand(seat, to).nFace = Hand(seat, from).nFace;
    Hand(seat, to).locked = Hand(seat, from).locked;
    Hand(seat, to).jokerMark = Hand(seat, from).jokerMark;
}

void CMJTableSceneBase::PlaceDrawnTile(int32_t seat, int32_t face) {
    if (!IsSeat(seat)) return;
    MJStruct& r = Hand(seat, 0);
    r.present = 1;
    r.faceState = 1;
    r.nFace = FaceOf(face);
    r.orientation = OppositeChair(seat);
    r.standing = 0;
    const int32_t row = GetMeldRowOffset(seat);
    switch (seat) {
        case 0:
            r.x = 0;
            r.y = GetHandAreaLength(0) - kSide - kStep[0];
            break;
        case 1:
            r.x = 0;
            r.y = row;
            break;
        case 2:
            r.x = row;
            r.y = 0;
            break;
        default:
            r.x = GetHandAreaLength(3) - (paneKind_ == 1 ? 26 : 5 * kStep[3]);
            r.y = row;
            break;
    }
}

int32_t CMJTableSceneBase::WriteFaces(int32_t seat, int32_t first, const FaceList& faces) {
    // Only the concealed places: the row ends below the hand-tile count and
    // before the first laid meld record.
    int32_t i = first;
    for (int32_t face : faces) {
        if (face < 0) continue;
        if (i >= HandTiles() || (i > 0 && Hand(seat, i).present && !Hand(seat, i).standing)) break;
        Hand(seat, i++).nFace = face;
    }
    return i - first;
}

int32_t CMJTableSceneBase::SetHandFaces(int32_t seat, const FaceList& faces) {
    return IsSeat(seat) ? WriteFaces(seat, 0, faces) : 0;
}

int32_t CMJTableSceneBase::SetHandFacesAfterDrawn(int32_t seat, const FaceList& faces) {
    return IsSeat(seat) ? WriteFaces(seat, 1, faces) : 0;
}

void CMJTableSceneBase::ArrangeRecords(int32_t seat, int32_t first, int32_t n) {
    for (int32_t i = 1; i < HandPositions(); ++i)
        Hand(seat, i).faceState = 1;
    const int32_t len = GetHandAreaLength(seat), row = GetMeldRowOffset(seat);
    static constexpr int32_t kOrientation[4] = {2, 3, 0, 1};
    for (int32_t k = first; k <= n; ++k) {
        MJStruct& r = Hand(seat, k);
        r.present = 1;
        r.standing = 0;
        r.orientation = kOrientation[seat];
        switch (seat) {
            case 0:
                r.x = 0;
                r.y = len - 2 * (4 + kSide) - kStep[0] * (k + 1);
                break;
            case 1:
                r.x = kStep[1] * k + 10;
                r.y = row;
                break;
            case 2:
                r.x = row;
                r.y = kStep[2] * k + 8 + kSide;
                break;
            default:
                r.x = paneKind_ == 1 ? len - 36 - 26 * k : len - 12 - (k + 5) * kStep[3];
                r.y = row;
                break;
        }
    }
}

void CMJTableSceneBase::ArrangeHand(int32_t seat, const FaceList& faces) {
    if (!IsSeat(seat)) return;
    const int32_t n = SetHandFacesAfterDrawn(seat, faces);
    if (n == 0) return;
    SortHand(seat, 1, n);
    ArrangeRecords(seat, 1, n);
}

void CMJTableSceneBase::ArrangeHandWithDrawn(int32_t seat, const FaceList& faces) {
    if (!IsSeat(seat)) return;
    const int32_t n = SetHandFaces(seat, faces);
    if (n == 0) return;
    SortHand(seat, 0, n - 1);
    ArrangeRecords(seat, 1, n - 1);
    PlaceDrawnTile(seat, Hand(seat, 0).nFace);
}

}  // namespace mahjong
