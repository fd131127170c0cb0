// Claims and operation commands: start, pung, the three kongs, chow, win
// and pass, with the phase and pending words they share. A claim the server
// keeps waiting (210050) stays pending until the turn clock runs out or the
// claims are over (OnOwnTurn).
#include <algorithm>

#include "client/game_app.h"
#include "client/mj_game_app.h"
#include "client/notify_handler.h"
#include "mahjong/app/client_connection.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/bytes.h"
#include "platform/gui/gui_messages.h"
#include "platform/message_queue.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/tile.h"

namespace mahjong {

void CMJTableSceneBase::OnStart() {
    client::CGameApp* app = client::CGameApp::Current();
    if (!app || IsLooker()) return;
    std::string text;
    if (!app->GetConnection() || !app->GetConnection()->SendStart(text)) {
        if (auto* mj = dynamic_cast<client::CMJGameApp*>(app))
            mj->Alert(text, client::kMbIconInformation);
        if (app->MainWindow()) platform::PostMessage(app->MainWindow(), platform::WM_CLOSE);
        return;
    }
    PlaySoundResource(29010, 0);
    ShowStartButton(0);
    // The own start takes the road of the others' (201160).
    std::array<uint8_t, 32> record{};
    platform::StoreLE32(&record[0], app->GetUserId());
    platform::StoreLE32(&record[4], app->GetRoomId());
    platform::StoreLE32(&record[8], uint32_t(app->GetTableNo()));
    platform::StoreLE32(&record[12], uint32_t(app->GetOwnChair()));
    if (client::CGameNotifyHandler* handler = app->GetNotifyHandler())
        handler->Dispatch(201160, record);
    if (!autoPlayShown_) autoPlay_ = 0;
    OnStartSent();
}

void CMJTableSceneBase::OnPeng() {
    if (IsLooker()) return;
    PlayOperationSound(3, 0);
    EnableAllOperationButtons(0);
    RequestPeng();
    ExecuteMeld();
}

int32_t CMJTableSceneBase::ExecuteMeld() {
    const RequestWords meld = PengWords();
    uint32_t code = kReplyNotSent;
    Request229025(meld, &code);
    if (code == kReplyWait) {
        pending_ = 1;
        phase_ = kPhasePeng;
        return 0;
    }
    if (code != kReplyOk) return 0;
    pending_ = 0;
    phase_ = kPhaseNone;
    claimTookTurn_ = true;
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    TC_MoveClockHand(TC_GetPointTo(), 6);
    // The pung the server took is the one it was sent.
    const MeldWords m = MeldOf(meld);
    LayPung(3, m);
    BindSeatTiles(3);
    const int32_t giver = ChairToViewSeat(m.giver);
    if (IsSeat(giver)) CloseShownTile(giver);
    // The kind just taken may not be discarded by the clock.
    claimedKind_ = TileSortKey(m.claimed);
    const int32_t last = LastHandTile(3);
    for (int32_t i = 0; i <= last; ++i) {
        MJStruct& r = Hand(3, i);
        if (r.standing && r.present && TileSortKey(r.nFace) == claimedKind_) r.locked = 1;
    }
    BindSeatTiles(3);
    return 1;
}

void CMJTableSceneBase::OnKong() {
    if (IsLooker()) return;
    if (OwnTurn() && HasDrawnTile(3)) {
        // The kong button opens and closes the choice of a kind.
        if (kongFrame_ == 0) {
            PlayOperationSound(3, 2);
            EnterSelection(2);
            BindSeatTiles(3);
            phase_ = kPhaseKong;
            ShowButtonFrame(kKongButton, 1);
        } else if (pending_ == 0 || phase_ != kPhaseKong) {
            LeaveSelection();
            BindSeatTiles(3);
            phase_ = kPhaseNone;
            ShowButtonFrame(kKongButton, 0);
        }
        return;
    }
    PlayOperationSound(3, 4);
    EnableAllOperationButtons(0);
    ReplyBlock<12> block{};
    if (RequestKong(block)) DoExposedKong();
}

int32_t CMJTableSceneBase::DoExposedKong() {
    const RequestWords meld = ExposedKongWords();
    ReplyBlock<8> reply{};
    uint32_t code = kReplyNotSent;
    ShowWaitCursor(true);
    RequestKongMove(kReqExposedKong, meld, &code, reply);
    ShowWaitCursor(false);
    if (code == kReplyWait) {
        pending_ = 1;
        phase_ = kPhaseKong;
        BindSeatTiles(3);
        return 0;
    }
    if (code != kReplyOk) return 0;
    claimTookTurn_ = true;
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    TC_MoveClockHand(TC_GetPointTo(), 6);
    MeldWords m = MeldOf(meld);
    const int32_t giver = ChairToViewSeat(m.giver);
    if (IsSeat(giver)) CloseShownTile(giver);
    m.replacement = reply[kong_reply::kReplacement];
    LayExposedKong(3, m);
    return FinishOwnKong(reply, false);
}

int32_t CMJTableSceneBase::DoConcealedKong(int32_t tile) {
    claimTookTurn_ = false;
    const RequestWords meld = ConcealedKongWords(tile);
    ReplyBlock<8> reply{};
    uint32_t code = kReplyNotSent;
    ShowWaitCursor(true);
    const int32_t ok = RequestKongMove(kReqConcealedKong, meld, &code, reply);
    ShowWaitCursor(false);
    if (!ok) {
        OnKong();  // leaves the choice
        return 0;
    }
    SetTurnSeconds(GetTurnSeconds() + 3);
    MeldWords m = MeldOf(meld);
    m.replacement = reply[kong_reply::kReplacement];
    LayConcealedKong(3, m);
    return FinishOwnKong(reply, true);
}

int32_t CMJTableSceneBase::DoAddedKong(int32_t tile) {
    claimTookTurn_ = false;
    ClaimOption& kong = Option(kKongButton);
    kong.tile = tile;
    kong.offerChair = OwnChair();
    // The pung the tile is added to.
    std::array<int32_t, 3> pung{-1, -1, -1};
    const int32_t block = FindPungBlock(3, tile);
    if (block < 0) return 0;
    for (int32_t k = 0; k < 3; ++k)
        pung[size_t(k)] = Hand(3, block - k).nFace;
    ShowWaitCursor(true);
    ReplyBlock<12> announce{};
    // A kong the server keeps waiting was announced already.
    if (!pending_ && !RequestKong2(pung, announce)) {
        ShowWaitCursor(false);
        return 0;
    }
    const RequestWords meld = AddedKongWords(pung);
    ReplyBlock<8> reply{};
    uint32_t code = kReplyNotSent;
    RequestKongMove(kReqAddedKong, meld, &code, reply);
    ShowWaitCursor(false);
    if (code == kReplyWait) {
        // Others may rob it: the kong waits for the claims to close.
        pending_ = 1;
        phase_ = kPhaseKong;
        BindSeatTiles(3);
        EnableOperationButton(kHuButton, 0);
        SetTurnSeconds(GetTableLogic()->GetClaimTimeout());
        return 0;
    }
    if (code != kReplyOk) return 0;
    claimTookTurn_ = true;
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    MeldWords m = MeldOf(meld);
    m.replacement = reply[kong_reply::kReplacement];
    LayAddedKong(3, m);
    return FinishOwnKong(reply, true);
}

int32_t CMJTableSceneBase::FinishOwnKong(const ReplyBlock<8>& reply, bool fromSelection) {
    phase_ = kPhaseNone;
    pending_ = 0;
    SetDrawnFlag(0);
    if (fromSelection) LeaveSelection();
    Hand(3, 0).present = 0;
    BindSeatTiles(3);
    if (fromSelection) EnableOperationButton(kKongButton, 0);
    const int32_t replacement = reply[kong_reply::kReplacement];
    if (IsJokerTile(replacement)) PlayJokerAnimation();
    // A kong that emptied the wall leaves the drawn place empty.
    Hand(3, 0).present = replacement >= 0 ? 1 : 0;
    TakeWallTile(reply[kong_reply::kWallIndex]);
    OfferOwnOptions(reply[kong_reply::kOptions]);
    BindSeatTiles(3);
    return 1;
}

void CMJTableSceneBase::OnChi() {
    if (IsLooker() || !OwnTurn()) return;
    if (chowFrame_ == 0) {
        PlayOperationSound(3, 8);
        EnableOperationButton(kKongButton, 0);
        EnableOperationButton(kPassButton, 0);
        RequestChi();
        EnterSelection(3);
        BindSeatTiles(3);
        phase_ = kPhaseChow;
        ShowButtonFrame(kChowButton, 1);
        ExecuteChow();
        return;
    }
    EnableOperationButton(kPassButton, 1);
    LeaveSelection();
    BindSeatTiles(3);
    phase_ = kPhaseNone;
    ShowButtonFrame(kChowButton, 0);
}

int32_t CMJTableSceneBase::ExecuteChow() {
    const ClaimOption& o = Option(kChowButton);
    const int32_t count = std::clamp(o.count, 0, int32_t(o.candidates.size()));
    std::array<int32_t, 2> pair{-1, -1};
    switch (SelectionState()) {
        case 2: {
            FaceList raised;
            GetRaisedFaces(raised);
            pair = {raised[0], raised[1]};
            break;
        }
        case 1:
            if (count != 2) return 0;
            pair = {o.candidates[0], o.candidates[1]};
            break;
        case 0: {
            // One tile of each kind the candidates hold, when they hold two.
            int32_t kinds = 0;
            for (int32_t i = 0; i < count; ++i) {
                const int32_t t = o.candidates[size_t(i)];
                if (t < 0 || (kinds > 0 && TileSortKey(t) == TileSortKey(pair[0])) ||
                    (kinds > 1 && TileSortKey(t) == TileSortKey(pair[1])))
                    continue;
                if (++kinds > 2) return 0;
                pair[size_t(kinds - 1)] = t;
            }
            break;
        }
        default:
            return 0;
    }
    FaceList two;
    ClearFaces(two);
    two[0] = pair[0];
    two[1] = pair[1];
    FaceList unused;
    if (pair[0] < 0 || pair[1] < 0 || !FindChiTiles(two, o.tile, unused)) return 0;
    const RequestWords meld = ChowWords(pair[0], pair[1]);
    uint32_t code = kReplyNotSent;
    Request229030(meld, &code);
    if (code == kReplyWait) {
        pending_ = 1;
        phase_ = kPhaseChow;
        return 0;
    }
    if (code != kReplyOk) return 0;
    EnableAllOperationButtons(0);
    pending_ = 0;
    phase_ = kPhaseNone;
    claimTookTurn_ = true;
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    const MeldWords m = MeldOf(meld);
    const int32_t giver = ChairToViewSeat(m.giver);
    if (IsSeat(giver)) CloseShownTile(giver);
    LayChow(3, m);
    LeaveSelection();
    ShowButtonFrame(kChowButton, 0);
    MarkChowKinds(pair[0], pair[1]);
    BindSeatTiles(3);
    return 1;
}

void CMJTableSceneBase::MarkChowKinds(int32_t a, int32_t b) {
    // The kinds that would have made the same chow with the two shown tiles
    // may not be discarded next, as the pung's kind: the table refuses them.
    const CMJTableLogic* t = GetTableLogic();
    rules::TileCountArray pair{};
    const int32_t shown[2] = {a, b};
    rules::BuildCountArray(shown, pair, RuleFlags());
    const int32_t last = LastHandTile(3);
    for (int32_t i = 0; i <= last; ++i) {
        MJStruct& r = Hand(3, i);
        const int32_t kind = rules::TileKindOrZero(r.nFace, RuleFlags());
        if (!r.standing || !r.present || kind <= 0 || pair[size_t(kind)]) continue;
        if (!rules::CanChiWithCounts(pair, r.nFace, t->GetJokerA(), t->GetJokerB(), RuleFlags()))
            continue;
        r.locked = 1;
        claimedKind_ = kind;
    }
}

bool CMJTableSceneBase::OnHuCommand() {
    if (IsLooker()) return false;
    PlayOperationSound(3, 10);
    EnableAllOperationButtons(0);
    // On the own turn the hand's own analysis offers the win; on another's
    // tile the option record the discard or the kong set up.
    const bool ownTurn = HasDrawnTile(3);
    if (!(ownTurn ? huOffer_ : Option(kHuButton).enabled)) return false;
    const uint32_t reply = ownTurn ? RequestHuSelf() : RequestHu();
    if (reply == kReplyWait) {
        pending_ = 1;
        phase_ = kPhaseHu;
        BindSeatTiles(3);
        return false;
    }
    return reply != kReplyNotSent;
}

void CMJTableSceneBase::OnPass() {
    if (IsLooker()) return;
    EnableAllOperationButtons(0);
    RequestPass();
}

void CMJTableSceneBase::PollSceneButtons(uint32_t code) {
    // A click counts the turns the clock ended anew; while auto-play is on,
    // the click itself switched it off (the mouse's entries).
    if (code != 210034 && !autoPlayShown_) autoPlay_ = 0;
    switch (code) {
        case 210021:
            OnStart();
            break;
        case 210022:
            AskToSeeCards();
            break;
        case 210023:
            OnChi();
            break;
        case 210024:
            OnPeng();
            break;
        case 210025:
            OnKong();
            break;
        case 210026:
            OnHu();
            break;
        case 210027:
            OnPass();
            break;
        case 210030:
            OnSortButton();
            break;
        case 210031:
            SetAutoPlay();
            break;
        case 210032:
        case 210033:
            // The press and the click of one click on the table: the first
            // ends auto-play, the second finds it ended.
            if (autoPlayShown_) SetAutoPlay();
            break;
        case 210034:
            PlaySoundResource(29011, 1);
            break;
        default:
            // Music, skins and screenshots belong to the engine's level.
            break;
    }
}

}  // namespace mahjong
