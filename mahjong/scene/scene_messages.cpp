// The scene's side of the engine: the game start, the messages the engine
// hands back to the scene (the deal's steps, the ends of the own draw,
// discard, sort and joker animations, the scene's buttons), a click on an
// own tile, and the rebuild after a resynchronisation.
#include "client/game_app.h"
#include "mahjong/app/client_app.h"
#include "mahjong/scene/table_scene_base.h"
#include "platform/profile.h"

namespace mahjong {

void CMJTableSceneBase::SetSharedWord(int n, int32_t value) {
    switch (n) {
        case 1:
            SetPlayerCount(value);
            break;
        case 2:
            SetWallPlayerCount(value);
            break;
        case 3:
            sharedWord3_ = value;
            break;
        default:
            break;
    }
}

void CMJTableSceneBase::ReleaseTileEntities() {
    HideTileEntities();
}

void CMJTableSceneBase::RebuildFromTableData() {
    if (GetTableLogic()->IsRunning())
        StartRoundDisplay();
    else
        ClearTable();
}

void CMJTableSceneBase::OnGameStart() {
    LogLine("游戏开始!...");
    CClientApp* app = CClientApp::Current();
    if (app) app->GetSeatPanel()->SetupSeats();
    const bool looker = IsLooker();
    const client::CGameApp* framework = client::CGameApp::Current();
    const bool returning = framework && framework->GetLaunchField9() != 0;
    if ((looker || returning) && GetTableLogic()->IsRunning()) {
        StartRoundDisplay();
        if (app) app->GetSeatPanel()->ResetForRound();
    }
    // A player at a table where no round runs may start one (launch field 9
    // is set whenever the table sent its data with the entry).
    if (!looker && !GetTableLogic()->IsRunning()) {
        ShowStartButton(1);
        // [AI] bn_Robot: the game starts by itself and plays on auto-play.
        if (framework &&
            platform::GetPrivateProfileInt("AI", "bn_Robot", 0, framework->GetIniPath()) != 0) {
            OnStart();
            if (!autoPlayShown_) SetAutoPlay();
        }
    }
    if (looker) ShowAskButton(true, true);
    RefreshEntities(100);
}

int CMJTableSceneBase::OnMessage(uint32_t code, platform::Payload& payload, uint32_t) {
    const int32_t* seat = payload.Get<int32_t>();
    if (code >= 210037 && code <= 210059) return OnEffectMessage(code);
    if (code >= 210021 && code <= 210036) {
        PollSceneButtons(code);
        return 1;
    }
    if (code >= 210001 && code <= 210007) {
        OnDealMessage(code, seat ? *seat : -1);
        return 1;
    }
    if (code >= 210008 && code <= 210020) return OnTileControlMessage(code, payload);
    return OnOtherMessage(code, payload);
}

int32_t CMJTableSceneBase::OnEffectMessage(uint32_t code) {
    switch (code) {
        case kMsgDrawDone:
            BindSeatTiles(3);
            if (IsJokerTile(Hand(3, 0).nFace) && CanStart()) PlayJokerAnimation();
            break;
        case kMsgDiscardDone:
            DrawShownTile(3);
            PlayTileSound(3, Shown(3).nFace);
            BindSeatTiles(3);
            break;
        case kMsgSortDone:
            SortHand(3, HasDrawnTile(3) ? 0 : 1, LastHandTile(3));
            BindSeatTiles(3);
            break;
        case kMsgJokerDone:
            BindSeatTiles(3);
            break;
        case kMsgRebind:
            BindSeatTiles(3);
            break;
        case kMsgClockStep:
            TC_Moveing();
            PlayClockPath();
            // Its payload stays with the engine.
            return 0;
        case 210051:
        case 210052:
            // Their payload stays with the engine.
            return 0;
        default:
            break;
    }
    return 1;
}

void CMJTableSceneBase::OnDealMessage(uint32_t code, int32_t seat) {
    switch (code) {
        case kMsgDealStep:
            ShowDealtHands();
            break;
        case kMsgDealSeat:
            if (!IsSeat(seat)) return;
            PlaySoundResource(29103, 0);
            BindSeatTiles(seat);
            break;
        case kMsgFlowerSteps: {
            // The seats' flowers one after the other from the banker, then the
            // deal's end.
            int32_t v = ChairToViewSeat(GetTableLogic()->GetBankerChair());
            int32_t scheduled = 0;
            for (int32_t k = 0; IsSeat(v) && k < PlayerCount(); ++k, v = NextViewSeat(v)) {
                if (CountFlowers(v) == 0) continue;
                PostSceneMessage(uint32_t(300 * scheduled++), kMsgFlowerSeat, v);
            }
            PostSceneMessage(uint32_t((3 * scheduled + 3) * 100), kMsgDealDone);
            break;
        }
        case kMsgFlowerSeat:
            if (!IsSeat(seat)) return;
            RefreshFlowers(seat);
            if (CountFlowers(seat) > 0) PlaySoundResource(29103, 0);
            break;
        case kMsgDealDone:
            FinishDeal();
            break;
        default:
            break;
    }
}

void CMJTableSceneBase::FinishDeal() {
    OnSortButton();
    if (movesSinceDeal_ == 0) {
        BeginOperationDisplay();
        StartTurnClock();
        SetTurnSeconds(20);
    } else {
        // The table moved on while the deal was shown: its clock and offers
        // stand; the clock and the buttons are only shown.
        PlaceOperationButtons();
        ShowOperationButtons(1);
        SetClockShown();
    }
    DrawMoney();
    ShowJokerTile();
    RefreshEntities(100);
}

void CMJTableSceneBase::OnSortButton() {
    // Not in a choice, nor while a tile is held back.
    if (GetHandMode() != 0) return;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        const MJStruct& r = Hand(3, i);
        if (r.standing && r.present && r.locked) return;
    }
    PlaySoundResource(29108, 0);
    SweepHand();
}

void CMJTableSceneBase::OnHandTileClicked(int32_t position) {
    // A click discards only on the own turn, outside a choice, with the
    // drawn tile in hand.
    if (IsLooker() || !OwnTurn() || GetHandMode() != 0 || !HasDrawnTile(3)) return;
    if (position < 0 || position >= HandTiles()) return;
    if (!autoPlayShown_) autoPlay_ = 0;
    const MJStruct& r = Hand(3, position);
    if (!r.standing || !r.present || r.locked) return;
    if (IsHonourOrFlowerTile(r.nFace))
        ReplaceFlower(position);
    else
        DiscardTile(position);
}

}  // namespace mahjong
