#include "mahjong/scene/table_scene_base.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "client/game_app.h"
#include "engine/game_log.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/gui/wnd.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/tile.h"

namespace mahjong {
namespace {

int32_t ScreenWidth() {
    return platform::GetDisplay()->WorkArea().Width();
}

}  // namespace

CMJTableSceneBase::CMJTableSceneBase(const CMJTableLogic* logic)
    : logic_(logic), sizes_(TileSizes::ForScreenWidth(ScreenWidth())) {
    CreateTableFont();
}

CMJTableSceneBase::~CMJTableSceneBase() = default;

bool CMJTableSceneBase::FindPengTiles(std::span<const int32_t> hand, int32_t tile,
                                      std::span<int32_t> out) const {
    const CMJTableLogic* t = GetTableLogic();
    return (rules::FindPengTiles(hand, tile, t->GetJokerA(), t->GetJokerB(), RuleFlags(), out) &
            rules::kClaimPeng) != 0;
}

bool CMJTableSceneBase::FindGangTiles(std::span<const int32_t> hand, int32_t tile,
                                      std::span<int32_t> out) const {
    const CMJTableLogic* t = GetTableLogic();
    return (rules::FindGangTiles(hand, tile, t->GetJokerA(), t->GetJokerB(), RuleFlags(), out) &
            rules::kClaimGang) != 0;
}

bool CMJTableSceneBase::FindChiTiles(std::span<const int32_t> hand, int32_t tile,
                                     std::span<int32_t> out) const {
    const CMJTableLogic* t = GetTableLogic();
    return (rules::FindChiTiles(hand, tile, t->GetJokerA(), t->GetJokerB(), RuleFlags(), out) &
            rules::kClaimChi) != 0;
}

int32_t CMJTableSceneBase::IsHonourOrFlowerTile(int32_t tile) const {
    const CMJTableLogic* t = GetTableLogic();
    return rules::IsHonourOrFlowerTile(tile, t->GetJokerA(), t->GetJokerB(), RuleFlags());
}

int32_t CMJTableSceneBase::IsJokerTile(int32_t tile) const {
    const CMJTableLogic* t = GetTableLogic();
    return rules::IsJokerTile(tile, t->GetJokerA(), t->GetJokerB(), RuleFlags());
}

int32_t CMJTableSceneBase::IsSubstituteTile(int32_t tile) const {
    const CMJTableLogic* t = GetTableLogic();
    return rules::IsSubstituteTile(tile, t->GetJokerA(), t->GetJokerB(), RuleFlags());
}

MJStruct* CMJTableSceneBase::GetMJStruct(int32_t area, int32_t seat, int32_t index) {
    return const_cast<MJStruct*>(std::as_const(*this).GetMJStruct(area, seat, index));
}

const MJStruct* CMJTableSceneBase::GetMJStruct(int32_t area, int32_t seat, int32_t index) const {
    switch (area) {
        case kAreaWall:
            return index >= 0 && index < kWallRecords ? &wall_[size_t(index)] : nullptr;
        case kAreaHand:
        case kAreaMeld:
            return IsSeat(seat) && index >= 0 && index < kHandRecords ? &Hand(seat, index)
                                                                      : nullptr;
        case kAreaFlower:
        case kAreaRiver:
            if (!IsSeat(seat) || index < 0 || index >= kStripRecords) return nullptr;
            return &(area == kAreaFlower ? flowers_
                                         : rivers_)[size_t(seat * kStripRecords + index)];
        case kAreaShown:
            return IsSeat(seat) ? &shown_[size_t(seat)] : nullptr;
        default:
            return nullptr;
    }
}

void CMJTableSceneBase::GetNeighbourSeats(int32_t seat, int32_t* a, int32_t* b) const {
    NeighbourSeatsOf(seat, playerCount_, a, b);
}

void CMJTableSceneBase::GetNeighbourSeats2(int32_t seat, int32_t* a, int32_t* b) const {
    OtherOpponentsOf(seat, a, b);
}

int32_t CMJTableSceneBase::ViewSeatToChair(int32_t seat) const {
    return ViewSeatToChairOf(seat, OwnChair(), playerCount_);
}

int32_t CMJTableSceneBase::PrevViewSeat(int32_t seat) const {
    return PrevViewSeatOf(seat, playerCount_);
}

int32_t CMJTableSceneBase::NextViewSeat(int32_t seat) const {
    return NextViewSeatOf(seat, playerCount_);
}

int32_t CMJTableSceneBase::OppositeChair(int32_t chair) const {
    return OppositeChairOf(chair);
}

int32_t CMJTableSceneBase::ChairToViewSeat(int32_t chair) const {
    return ChairToViewSeatOf(chair, OwnChair(), playerCount_);
}

int32_t CMJTableSceneBase::PrevChair(int32_t chair) const {
    return PrevChairOf(chair, playerCount_);
}

int32_t CMJTableSceneBase::NextChair(int32_t chair) const {
    return NextChairOf(chair, playerCount_);
}

bool CMJTableSceneBase::SmallScreen() const {
    const client::CGameApp* app = client::CGameApp::Current();
    return app && app->IsSmallScreen();
}

void CMJTableSceneBase::LogLine(const char* format, ...) const {
    // As the engine's Log does: only while logging is on.
    if (!LogGate()) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    engine::WriteGameLogText(line);
}

bool CMJTableSceneBase::IsLooker() const {
    const client::CGameApp* app = client::CGameApp::Current();
    return app && app->GetLookerFlag();
}

int32_t CMJTableSceneBase::TileSortKey(int32_t tile) const {
    const CMJTableLogic* t = GetTableLogic();
    if (t->GetSubstituteAsTile() == 0 && IsSubstituteTile(tile)) tile = t->GetJokerA();
    return TileSuit(tile) * 10 + TileRank(tile);
}

void CMJTableSceneBase::SortHand(int32_t seat, int32_t first, int32_t last) {
    if (!IsSeat(seat)) return;
    first = std::max(first, 0);
    last = std::min(last, kHandRecords - 1);
    if (last <= first) return;
    // Jokers sort apart, between suit 1 (keys 11-19) and suit 0 (1-9), when
    // the round says so; a stable sort keeps equal keys in record order, and
    // the marks that belong to a tile travel with its face (a sort that
    // ends while a choice is open keeps the picks on their tiles).
    const bool jokersApart = GetTableLogic()->GetJokersInRow() == 0;
    struct Entry {
        int32_t key, face, locked, jokerMark, raised;
    };
    std::vector<Entry> entries;
    for (int32_t i = first; i <= last; ++i) {
        const MJStruct& r = Hand(seat, i);
        const int32_t key =
            jokersApart && IsJokerTile(r.nFace) ? kJokerSortKey : TileSortKey(r.nFace);
        entries.push_back({key, r.nFace, r.locked, r.jokerMark, r.raised});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key > b.key; });
    for (int32_t i = first; i <= last; ++i) {
        const Entry& e = entries[size_t(i - first)];
        MJStruct& r = Hand(seat, i);
        r.nFace = e.face;
        r.locked = e.locked;
        r.jokerMark = e.jokerMark;
        r.raised = e.raised;
    }
}

}  // namespace mahjong
