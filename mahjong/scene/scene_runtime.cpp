// What the scene asks of the operation buttons, voices and the engine's
// effects: recorded in order (scene_effects.h) for the engine level to play;
// the buttons' state, the choices of the own hand and the checks that
// decide which buttons the own turn offers.
#include <algorithm>
#include <cstdio>

#include "client/game_app.h"
#include "client/game_session.h"
#include "mahjong/app/client_connection.h"
#include "mahjong/scene/auto_play.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "rules/hand_count.h"

namespace mahjong {

void CMJTableSceneBase::EnableOperationButton(int32_t n, int32_t enable) {
    if (n < kPengButton || n > kPassButton) return;
    buttonEnabled_[size_t(n)] = enable ? 1 : 0;
    effects_.Add({Effect::kEnableButton, n, enable});
    // An enabled kong or chow button shows its normal frame.
    if (enable && (n == kKongButton || n == kChowButton)) ShowButtonFrame(n, 0);
    // The bar is shown while one of its buttons is clickable.
    const bool any =
        std::any_of(buttonEnabled_.begin(), buttonEnabled_.end(), [](int32_t e) { return e != 0; });
    effects_.Add({Effect::kButtonBar, any ? 1 : 0});
}

void CMJTableSceneBase::EnableAllOperationButtons(int32_t enable) {
    buttonEnabled_.fill(0);
    if (enable) std::fill(buttonEnabled_.begin() + 1, buttonEnabled_.end(), 1);
    effects_.Add({Effect::kEnableAllButtons, enable});
    if (enable) {
        kongFrame_ = chowFrame_ = 0;
    }
}

void CMJTableSceneBase::ShowButtonFrame(int32_t n, int32_t cancel) {
    (n == kKongButton ? kongFrame_ : chowFrame_) = cancel;
    effects_.Add({Effect::kButtonFrame, n, cancel});
}

void CMJTableSceneBase::ShowOperationButtons(int32_t show) {
    effects_.Add({Effect::kShowButtons, show && !IsLooker() ? 1 : 0});
}

void CMJTableSceneBase::PlaceOperationButtons() {
    effects_.Add({Effect::kPlaceButtons, GetTableLogic()->HasChowButton() ? 5 : 4});
}

void CMJTableSceneBase::CancelOperations() {
    if (IsLooker()) return;
    for (int32_t n : {kPengButton, kKongButton, kChowButton, kPassButton, kHuButton})
        EnableOperationButton(n, 0);
    if (phase_ == kPhaseNone) return;
    phase_ = kPhaseNone;
    LeaveSelection();
    BindSeatTiles(3);
}

void CMJTableSceneBase::ResetOperationState() {
    ClearOptions();
    SetClaimWindow(0);
    EndPendingClaim();
}

void CMJTableSceneBase::EndPendingClaim() {
    // A claim the server kept waiting lost once another move stands; it is
    // never completed later on a tile it was not offered.
    if (!pending_) return;
    pending_ = 0;
    if (phase_ == kPhaseChow || phase_ == kPhaseKong) LeaveSelection();
    phase_ = kPhaseNone;
    if (kongFrame_) ShowButtonFrame(kKongButton, 0);
    if (chowFrame_) ShowButtonFrame(kChowButton, 0);
    BindSeatTiles(3);
}

void CMJTableSceneBase::BeginOperationDisplay() {
    PlaceOperationButtons();
    EnableAllOperationButtons(0);
    ShowOperationButtons(1);
    if (IsLooker() || GetTableLogic()->GetTurnChair() != OwnChair()) return;
    OfferOwnOptions(GetTableLogic()->GetAnalysisFlags());
}

void CMJTableSceneBase::CheckOwnKong() {
    // The own tiles that may still make a kong: standing ones and laid pungs.
    FaceList hand;
    ClearFaces(hand);
    size_t n = 0;
    for (int32_t i = 0; i < HandPositions() && n < hand.size(); ++i) {
        const MJStruct& r = Hand(3, i);
        if (r.present && r.meldMark != 2 && r.meldMark != 3) hand[n++] = r.nFace;
    }
    FaceList found;
    const CMJTableLogic* t = GetTableLogic();
    const int32_t bits =
        rules::FindAnyGangTiles(hand, t->GetJokerA(), t->GetJokerB(), RuleFlags(), found);
    ClearFaces(kongCandidates_);
    kongCount_ = 0;
    if (bits & rules::kClaimGang) {
        for (int32_t tile : found) {
            const int32_t i = tile < 0 ? -1 : FindHandTile(3, tile);
            if (i >= 0 && Hand(3, i).standing) kongCandidates_[size_t(kongCount_++)] = tile;
        }
    }
    EnableOperationButton(kKongButton, kongCount_ > 0 ? 1 : 0);
}

void CMJTableSceneBase::SetHuOffer(int32_t flags) {
    ClaimOption& hu = Option(kHuButton);
    hu.offerChair = OwnChair();
    hu.tile = Hand(3, 0).nFace;
    hu.kind = 0;
    huOffer_ = (flags & 0x8) ? 1 : 0;
    hu.enabled = huOffer_;
    EnableOperationButton(kHuButton, huOffer_);
}

void CMJTableSceneBase::PlayJokerAnimation() {
    Hand(3, 0).jokerMark = 1;
    // One animation entity serves every joker: made once, shown again.
    effects_.Add({Effect::kJokerAnimation, jokerEntityMade_ ? 0 : 1});
    jokerEntityMade_ = true;
    effects_.Add({Effect::kDelayedMessage, 1000, int32_t(kMsgJokerDone), -1});
}

void CMJTableSceneBase::AskToSeeCards() {
    client::CGameApp* app = client::CGameApp::Current();
    if (!app || !IsLooker() || IsHandFaceKnown(3) || !GetTableLogic()->IsRunning()) return;
    PlaySoundResource(29010, 0);
    StartSceneTimer(kTimerAskToSee, 15000);
    effects_.Add({Effect::kAskButton, 1, 0});
    if (auto* c = dynamic_cast<CMJGameConnection*>(app->GetConnection())) {
        std::string text;
        c->SendSeeHandRequest(text);
    }
    char line[160];
    std::snprintf(line, sizeof(line), " <c=%d>请求%s给我看牌\r\n", 2906200,
                  app->GetSeatDisplayName(OwnChair()).c_str());
    AddChatLine(line);
}

void CMJTableSceneBase::SetAutoPlay() {
    autoPlayShown_ = !autoPlayShown_;
    autoPlay_ = autoPlayShown_ ? 3 : 0;
    effects_.Add({Effect::kAutoPlay, autoPlayShown_ ? 1 : 0});
    AddChatLine(AutoPlayChatLine(autoPlayShown_));
}

void CMJTableSceneBase::EnterSelection(int32_t mode) {
    SetHandMode(mode);
    if (mode == 2)
        UnlockKongFaces();
    else
        UnlockChowFaces();
}

void CMJTableSceneBase::LeaveSelection() {
    SetHandMode(0);
    ClearHandSelection();
}

int32_t CMJTableSceneBase::SelectionState() const {
    FaceList raised;
    return GetRaisedFaces(raised);
}

void CMJTableSceneBase::SelectHandTile(int32_t index, int32_t selected) {
    if (index < 0 || index >= HandTiles()) return;
    MJStruct& r = Hand(3, index);
    if (!r.standing || !r.present || r.locked) return;
    r.raised = selected ? 1 : 0;
    if (GetHandMode() == 3 && SelectionState() == 2) {
        ExecuteChow();
    } else if (GetHandMode() == 2 && selected && SelectionState() == 1) {
        // A kind laid open as a pung grows; four in the hand make their own.
        if (FindPungBlock(3, r.nFace) >= 0)
            DoAddedKong(r.nFace);
        else
            DoConcealedKong(r.nFace);
    }
}

void CMJTableSceneBase::StartSceneTimer(uint32_t id, uint32_t ms) {
    effects_.Add({Effect::kStartTimer, int32_t(id), int32_t(ms)});
}

void CMJTableSceneBase::StopSceneTimer(uint32_t id) {
    effects_.Add({Effect::kStopTimer, int32_t(id)});
}

void CMJTableSceneBase::Pause(int32_t ms) {
    effects_.Add({Effect::kPause, ms});
}

void CMJTableSceneBase::ResetOwnTurnWords() {
    KillTurnTimers();
    phase_ = kPhaseNone;
    pending_ = 0;
    huOffer_ = 0;
    claimedKind_ = 0;
    kongCount_ = 0;
    idleSeconds_ = 0;
    kongFrame_ = chowFrame_ = 0;
    buttonEnabled_.fill(0);
}

const char* CMJTableSceneBase::GetOperationSoundName(int32_t code) {
    static const char* const kNames[14] = {"peng0", "peng1", "gang0", "gang1", "gang0",
                                           "gang2", "gang0", "gang2", "chi0",  "chi1",
                                           "hu0",   "hu1",   "hua0",  "hua1"};
    return code >= 0 && code < 14 ? kNames[code] : "";
}

void CMJTableSceneBase::PlayOperationSound(int32_t seat, int32_t code) {
    if (IsSeat(seat)) effects_.Add({Effect::kVoice, seat, code, 0, GetOperationSoundName(code)});
}

void CMJTableSceneBase::PlayTileSound(int32_t seat, int32_t tile) {
    if (IsSeat(seat)) effects_.Add({Effect::kTileVoice, seat, tile});
}

void CMJTableSceneBase::PlaySoundResource(uint32_t id, uint32_t flags) const {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PlaySound(id, flags);
}

void CMJTableSceneBase::ShowParticles(int32_t seat) {
    effects_.Add({Effect::kParticles, seat});
}

void CMJTableSceneBase::AddSeatIcon(int32_t seat, int32_t kind) {
    if (IsSeat(seat)) effects_.Add({Effect::kSeatIcon, seat, kind});
}

void CMJTableSceneBase::ShowSettlement() {
    effects_.Add({Effect::kSettlement});
}

void CMJTableSceneBase::ShowSettlementItem(int32_t n) {
    effects_.Add({Effect::kSettlementItem, n});
}

void CMJTableSceneBase::RefreshEntities(int32_t mode) {
    effects_.Add({Effect::kRefreshEntities, mode});
}

void CMJTableSceneBase::RefreshTileControls() {
    effects_.Add({Effect::kRefreshTileControls});
}

void CMJTableSceneBase::AddChatLine(const std::string& text) const {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PostToMainFrame(text);
}

}  // namespace mahjong
