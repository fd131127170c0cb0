// Own-turn moves (discard, flower replacement, draw) and what the scene
// does by itself when the turn clock runs out: a pending claim completed,
// the move played for a player whose time is over, and the chair before
// the own one watched with timers 10 and 11.
#include <algorithm>

#include "client/game_app.h"
#include "client/game_session.h"
#include "client/mj_game_app.h"
#include "mahjong/scene/table_scene_base.h"

namespace mahjong {

int32_t CMJTableSceneBase::DiscardTile(int32_t position) {
    if (position < 0 || position >= HandTiles()) return 0;
    const MJStruct& r = Hand(3, position);
    if (!r.standing || !r.present) return 0;
    const int32_t tile = r.nFace;
    const uint32_t code = RequestDiscardGetCode(tile);
    if (code != kReplyOk) {
        // Only a discard the server took is played here; after any other
        // answer the table is asked for again (a lost reply already was).
        LogLine("出牌%d未被接受: %u", tile, code);
        if (code != kReplyNotSent)
            if (auto* app = dynamic_cast<client::CMJGameApp*>(client::CGameApp::Current()))
                app->ResyncTable();
        return 0;
    }
    claimedKind_ = 0;
    claimTookTurn_ = false;
    // The discard waits as the own shown tile until the next draw puts it
    // into the river.
    MJStruct& shown = Shown(3);
    shown.nFace = tile;
    shown.faceState = 1;
    shown.present = 1;
    EnableAllOperationButtons(0);
    PlaySoundResource(29103, 0);
    ShowDiscardFlight(position);
    phase_ = kPhaseNone;
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetClaimTimeout());
    TC_MoveClockHand(6, 2 * PrevViewSeat(3));
    RemoveHandTile(3, tile);
    MergeDrawnTile(3);
    return 1;
}

int32_t CMJTableSceneBase::ReplaceFlower(int32_t position) {
    if (position < 0 || position >= HandTiles()) return 0;
    const int32_t tile = Hand(3, position).nFace;
    PlayOperationSound(3, 12);
    ReplyBlock<8> reply{};
    if (!RequestFlower(tile, reply)) {
        // No retry every half second: the next check starts it again.
        StopSceneTimer(kTimerFlowerCheck);
        return 0;
    }
    EnableAllOperationButtons(0);
    phase_ = kPhaseNone;
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    TC_MoveClockHand(TC_GetPointTo(), 6);
    PlaySoundResource(29104, 0);
    AddFlower(3, tile);
    RefreshFlowers(3);
    LeaveSelection();
    RemoveHandTile(3, tile);
    MergeDrawnTile(3);
    BindSeatTiles(3);
    const int32_t replacement = reply[flower_reply::kReplacement];
    if (replacement >= 0) {
        MJStruct& drawn = Hand(3, 0);
        drawn.nFace = replacement;
        drawn.faceState = 1;
        drawn.standing = 1;
        drawn.present = 1;
        if (IsJokerTile(replacement)) PlayJokerAnimation();
        TakeWallTile(reply[flower_reply::kWallIndex]);
    }
    OfferOwnOptions(reply[flower_reply::kOptions]);
    BindSeatTiles(3);
    return 1;
}

int32_t CMJTableSceneBase::DrawTile() {
    ReplyBlock<8> reply{};
    if (!RequestDraw(reply)) {
        if (reply[draw_reply::kTile] != -1) BindSeatTiles(3);
        return 0;
    }
    pending_ = 0;
    PlaySoundResource(29104, 0);
    if (IsShownTilePending(0)) {
        CloseShownTile(0);
        AddRiverTile(0, Shown(0).nFace);
        RefreshRiver(0);
    }
    TakeWallTile(reply[draw_reply::kWallIndex]);
    MJStruct& drawn = Hand(3, 0);
    drawn.nFace = reply[draw_reply::kTile];
    drawn.faceState = 1;
    drawn.present = 1;
    drawn.standing = 1;
    ShowDrawnTile(reply[draw_reply::kWallIndex]);
    OfferOwnOptions(reply[draw_reply::kOptions]);
    return 1;
}

void CMJTableSceneBase::OfferOwnOptions(int32_t flags) {
    if (LockAllButFlowers() != 0) return;
    CheckOwnKong();
    SetHuOffer(flags);
}

void CMJTableSceneBase::OnOwnTurn() {
    if (IsLooker()) return;
    EnableAllOperationButtons(0);
    if (clockTimer_ == 0) return;
    const CMJTableLogic* t = GetTableLogic();
    if (TC_GetPointTo() == 0) {
        // The chair before the own one moves now: if it does not, this client
        // asks the server to move for it.
        const uint32_t watch = uint32_t(std::max(t->GetWatchTime() + 2, 0));
        if (!HasDrawnTile(0)) {
            const uint32_t extra =
                GetClaimWindow() ? 0 : uint32_t(std::max(t->GetClaimTimeout(), 0));
            timer10_ = kTimerWatchDraw;
            StartSceneTimer(kTimerWatchDraw, (watch + extra) * 1000);
        } else {
            timer11_ = kTimerWatchDiscard;
            StartSceneTimer(kTimerWatchDiscard, watch * 1000);
        }
    }
    if (!pending_ && phase_ == kPhaseChow) LeaveSelection();
    if (pending_) {
        switch (phase_) {
            case kPhasePeng:
                // Waits again (210050), or ends here.
                pending_ = 0;
                phase_ = kPhaseNone;
                ExecuteMeld();
                return;
            case kPhaseKong: {
                phase_ = kPhaseNone;
                if (!HasDrawnTile(3)) {
                    DoExposedKong();
                } else if (SelectionState() == 1) {
                    FaceList raised;
                    GetRaisedFaces(raised);
                    if (FindPungBlock(3, raised[0]) >= 0) DoAddedKong(raised[0]);
                }
                pending_ = 0;
                return;
            }
            case kPhaseHu:
                phase_ = kPhaseNone;
                OnHuCommand();
                pending_ = 0;
                return;
            default:
                break;
        }
    }
    if (OwnTurn() && phase_ == kPhaseKong) {
        phase_ = kPhaseNone;
        LeaveSelection();
        BindSeatTiles(3);
    }
    if (pending_ && phase_ == kPhaseChow) {
        if (!ExecuteChow()) {
            pending_ = 0;
            LeaveSelection();
            BindSeatTiles(3);
            phase_ = kPhaseNone;
            SetDrawnFlag(1);
            SetTurnSeconds(t->GetTurnTimeout());
            DrawTile();
        }
        return;
    }
    if (OwnTurn() && HasDrawnTile(3)) {
        // The own time ran out: the first tile not of a kind just claimed.
        int32_t position = 0;
        if (claimedKind_ != 0) {
            const int32_t last = LastHandTile(3);
            for (int32_t i = 0; i <= last; ++i) {
                if (Hand(3, i).standing && Hand(3, i).present && Hand(3, i).locked == 0) {
                    position = i;
                    break;
                }
            }
        }
        LeaveSelection();
        pending_ = 0;
        if (IsHonourOrFlowerTile(Hand(3, position).nFace))
            ReplaceFlower(position);
        else
            DiscardTile(position);
        // Three turns in a row that the clock ended switch auto-play on.
        if (!autoPlayShown_ && ++autoPlay_ == 3) SetAutoPlay();
        return;
    }
    if (OwnTurn() && IsShownTilePending(0) && !claimAnnounced_) {
        phase_ = kPhaseNone;
        SetDrawnFlag(1);
        SetTurnSeconds(t->GetTurnTimeout());
        DrawTile();
    }
}

void CMJTableSceneBase::OnWatchTimer(uint32_t id) {
    uint32_t& word = id == kTimerWatchDraw ? timer10_ : timer11_;
    if (word == 0) return;
    StopSceneTimer(id);
    word = 0;
    client::CGameApp* app = client::CGameApp::Current();
    const bool connected = app && app->GetConnection() && app->GetConnection()->IsAlive();
    if (!connected || IsLooker() || TC_GetPointTo() != 0 || GetTurnSeconds() != 0) return;
    if (id == kTimerWatchDraw && !HasDrawnTile(0)) RequestDrawNoWait();
    if (id == kTimerWatchDiscard && HasDrawnTile(0)) RequestDiscardNoWait();
}

void CMJTableSceneBase::KillTurnTimers() {
    for (uint32_t* word : {&timer10_, &timer11_}) {
        if (*word == 0) continue;
        StopSceneTimer(*word);
        *word = 0;
    }
}

void CMJTableSceneBase::ClockStep() {
    if (GetTurnSeconds() >= 1) {
        idleSeconds_ = 0;
        DecrementTurnSeconds();
        DrawTurnClock();
        const int32_t left = GetTurnSeconds();
        // There are alarm sounds for 1 to 5 seconds left.
        if (StateWord(kClockStarted) && left >= 1 && left <= 5)
            PlaySoundResource(29000 + uint32_t(left), 0);
        if (left == 0) OnOwnTurn();
    } else {
        // A table standing still is reported by the chairs in turn, one
        // every 10 seconds from the 30th on.
        ++idleSeconds_;
        if (idleSeconds_ >= 30 && idleSeconds_ % 10 == 0 && PlayerCount() > 0) {
            const int32_t k =
                ((idleSeconds_ - 30) / 10 + GetTableLogic()->GetBankerChair()) % PlayerCount();
            if (k == OwnChair()) Request229405();
        }
    }
    if (autoPlay_ > 2) AutoPlayStep();
}

void CMJTableSceneBase::OnTimer(uint32_t id) {
    if (DeliverSceneMessage(id)) return;
    switch (id) {
        case kTimerAskToSee:
            StopSceneTimer(kTimerAskToSee);
            ShowAskButton(true, true);
            return;
        case kTimerJoker:
            StopSceneTimer(kTimerJoker);
            ClearJokerMarks();
            BindSeatTiles(3);
            RepaintClassic();
            return;
        case kTimerWatchDraw:
        case kTimerWatchDiscard:
            OnWatchTimer(id);
            return;
        case kTimerDiceRoll:
            RollDiceFrame();
            return;
        case kTimerPeek:
            // Only the classic pane shows the turned-up tile full size.
            if (paneKind_ != 1) return;
            if (classicHost_) classicHost_->SetPaneTimer(kTimerPeek, 0);
            for (int32_t i = 0; i < WallTiles(); ++i)
                Wall(i).showLarge = 0;
            RepaintClassic();
            return;
        default:
            // The clock timer is the pane's: compared by its id, not by a range.
            if (id != 0 && id == clockTimer_) ClockStep();
            return;
    }
}

}  // namespace mahjong
