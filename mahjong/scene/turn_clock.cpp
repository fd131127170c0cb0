// The per-turn state block, the turn clock (a hand pointing at the seat to
// move and a two-digit countdown), and the round's set-up on the table.
#include <algorithm>
#include <cstdlib>

#include "mahjong/scene/table_scene_base.h"
#include "rules/hand/tile.h"

namespace mahjong {

int32_t CMJTableSceneBase::ResetStateBlock() {
    state_.fill(0);
    state_[6] = 4;
    state_[7] = 4;
    state_[8] = 24;
    state_[9] = 25;
    return 4;
}

void CMJTableSceneBase::SetHandMode(int32_t mode) {
    const bool changed = state_[kHandMode] != mode;
    state_[kHandMode] = mode;
    if (changed) RefreshTileControls();
}

void CMJTableSceneBase::SetClockPosition(int32_t position) {
    state_[kClockPosition] = position;
    if (paneKind_ != 1) state_[kHandFrame] = position;
}

void CMJTableSceneBase::GetClockRect(RECT* rect) const {
    RECT c;
    GetTableCentreRect(&c);
    const int32_t left = c.left + 10, top = c.top + (c.bottom - c.top - ClockSize()) / 2;
    *rect = {left, top, left + ClockSize(), top + ClockSize()};
}

void CMJTableSceneBase::StartTurnClock() {
    const CMJTableLogic* t = GetTableLogic();
    const int32_t seat = ChairToViewSeat(t->GetTurnChair());
    const bool ownMove = (t->GetTableFlags() & snap::kFlagDrawn) != 0;
    state_[kClockPosition] = state_[kHandFrame] = IsSeat(seat) ? 2 * seat : 0;
    state_[kClockRunning] = 1;
    state_[kDrawnFlag] = 1;
    state_[kClockStarted] = 1;
    state_[kTurnSeconds] = ownMove ? t->GetTurnTimeout() : t->GetClaimTimeout();
    if (TC_GetPointTo() == 6) RefreshTileControls();
    DrawTurnClock();
}

void CMJTableSceneBase::SetClockShown() {
    state_[kClockRunning] = 1;
    state_[kClockStarted] = 1;
    DrawTurnClock();
}

void CMJTableSceneBase::TC_MoveClockHand(int32_t from, int32_t to) {
    // The position is the hand's destination at once: own-turn logic reads
    // it, and a path still playing may only turn the hand's picture.
    state_[kClockPosition] = to;
    if (from == 6 || to == 6) RefreshTileControls();
    // A new move replaces the path that may still be playing.
    clockPath_.fill(-1);
    if (from == to) {
        if (paneKind_ != 1) state_[kHandFrame] = to;
        return;
    }
    if (to % 2 != 0) LogLine("TC_MoveClockHand()ERROR,nEnd%%2==1");
    const int32_t d = std::abs(to - from);
    if (d == 4) {
        for (int32_t k = 0; k < 4; ++k)
            clockPath_[size_t(k)] = (from - k - 1 + 8) % 8;
    } else if (d == 6) {
        clockPath_[0] = 7;
        clockPath_[1] = to;
    } else if (d == 2) {
        clockPath_[0] = to > from ? from + 1 : from - 1;
        clockPath_[1] = to;
    }
    PlayClockPath();
}

int32_t CMJTableSceneBase::TC_GetPointTo() const {
    const int32_t position = state_[kClockPosition];
    if (position % 2 != 0) LogLine("Error:TC_GetPointTo():nPointTo%%2==1");
    return position;
}

void CMJTableSceneBase::TC_Moveing() {
    for (int32_t& step : clockPath_) {
        if (step < 0 || step > 8) continue;
        state_[kHandFrame] = step == 8 ? 0 : step;
        step = -1;
        DrawTurnClock();
        return;
    }
}

bool CMJTableSceneBase::ClockPathLeft() const {
    return std::any_of(clockPath_.begin(), clockPath_.end(),
                       [](int32_t step) { return step >= 0 && step <= 8; });
}

void CMJTableSceneBase::PlayClockPath() {
    if (ClockPathLeft()) PostSceneMessage(100, kMsgClockStep);
}

void CMJTableSceneBase::DrawTurnClock() {
    clockFace_ = {};
    if (!state_[kClockRunning]) return;
    // Two digits of the seconds left, never negative.
    const int32_t s = std::max(state_[kTurnSeconds], 0) % 100;
    clockFace_ = {true, 56 * state_[kHandFrame], 8 * (s / 10), 8 * (s % 10)};
}

void CMJTableSceneBase::ClearTable() {
    // Nothing of the table before may still arrive: a deal step, say.
    DropSceneMessages();
    HideTileEntities();
    HideClassicDice();
    LayOutWall();
    ShowWall(1);
    ResetHands();
    LayoutRiver();
    ClearShownTiles();
    LayoutFlowers();
    ResetStateBlock();
    ResetOwnTurnWords();
    clockPath_.fill(-1);
    DrawTurnClock();
    ClearJokerWords();
}

void CMJTableSceneBase::StartRoundDisplay() {
    const bool looker = IsLooker();
    if (!looker) Request229500(1);
    ShowStartButton(0);
    ClearTable();
    KillTurnTimers();
    SyncWallFromSnapshot();
    FillRiversFromSnapshot();
    ReturnLastDiscard();
    FillFlowersFromSnapshot();
    RebuildFromSnapshot();
    LoadOwnHandFromSnapshot(0);
    BeginOperationDisplay();
    DrawMoney();
    ShowJokerTile();
    SetInRound(1);
    StartTurnClock();
    StartClockTimer();
    SortHand(3, HasDrawnTile(3) ? 0 : 1, LastHandTile(3));
    if (!looker) {
        FillJokerWords();
        LockAllButFlowers();
        // The round's jokers may not be played from the own drawn turn.
        if (HasDrawnTile(3) && jokerWords_ != std::array<int32_t, 2>{}) {
            for (int32_t i = 0; i < HandTiles(); ++i) {
                MJStruct& r = Hand(3, i);
                const int32_t kind = rules::TileKindOrZero(r.nFace, RuleFlags());
                if (kind > 0 && (kind == jokerWords_[0] || kind == jokerWords_[1])) r.locked = 1;
            }
        }
    }
    BindSeatTiles(3);
}

void CMJTableSceneBase::StartClockTimer() {
    clockTimer_ = kClockTimerId;
    StartSceneTimer(kClockTimerId, 1000);
}

void CMJTableSceneBase::StopClockTimer() {
    if (clockTimer_ == 0) return;
    StopSceneTimer(clockTimer_);
    clockTimer_ = 0;
}

}  // namespace mahjong
