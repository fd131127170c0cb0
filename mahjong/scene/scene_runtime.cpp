// The operation buttons' state, the voices, the choices of the own hand
// and the checks that decide which buttons the own turn offers; the classic
// pane's timers, delayed messages and voices. The engine level shows the
// buttons and plays the rest on its own runtime.
#include <algorithm>
#include <cstdio>

#include "client/game_app.h"
#include "client/game_session.h"
#include "mahjong/app/client_app.h"
#include "mahjong/app/client_connection.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/auto_play.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/audio/audio.h"
#include "platform/payload.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/tile.h"

namespace mahjong {

void CMJTableSceneBase::EnableOperationButton(int32_t n, int32_t enable) {
    if (n < kPengButton || n > kPassButton) return;
    buttonEnabled_[size_t(n)] = enable ? 1 : 0;
    // An enabled kong or chow button shows its normal frame.
    if (enable && (n == kKongButton || n == kChowButton)) ShowButtonFrame(n, 0);
}

bool CMJTableSceneBase::AnyButtonEnabled() const {
    return std::any_of(buttonEnabled_.begin(), buttonEnabled_.end(),
                       [](int32_t e) { return e != 0; });
}

void CMJTableSceneBase::EnableAllOperationButtons(int32_t enable) {
    for (int32_t n = kPengButton; n <= kPassButton; ++n)
        EnableOperationButton(n, enable);
}

void CMJTableSceneBase::ShowButtonFrame(int32_t n, int32_t cancel) {
    (n == kKongButton ? kongFrame_ : chowFrame_) = cancel;
}

void CMJTableSceneBase::ShowOperationButtons(int32_t show) {
    (void)show;
}

void CMJTableSceneBase::PlaceOperationButtons() {}

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
    // The classic pane marks the drawn joker for a second (timer 4).
    Hand(3, 0).jokerMark = 1;
    StartSceneTimer(kTimerJoker, 1000);
}

void CMJTableSceneBase::AskToSeeCards() {
    client::CGameApp* app = client::CGameApp::Current();
    if (!app || !IsLooker() || IsHandFaceKnown(3) || !GetTableLogic()->IsRunning()) return;
    PlaySoundResource(29010, 0);
    StartSceneTimer(kTimerAskToSee, 15000);
    ShowAskButton(true, false);
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
    if (IsLooker()) return;
    autoPlayShown_ = !autoPlayShown_;
    autoPlay_ = autoPlayShown_ ? 3 : 0;
    ShowAutoPlaySign(autoPlayShown_);
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
    if (classicHost_) classicHost_->SetPaneTimer(id, std::max(ms, 1u));
}

void CMJTableSceneBase::StopSceneTimer(uint32_t id) {
    if (classicHost_) classicHost_->SetPaneTimer(id, 0);
}

void CMJTableSceneBase::PostSceneMessage(uint32_t ms, uint32_t code, int32_t seat) {
    if (!classicHost_) return;
    const uint32_t timer = nextDelayedTimer_++;
    if (nextDelayedTimer_ == 0) nextDelayedTimer_ = kFirstDelayedTimer;
    delayed_[timer] = {code, seat};
    StartSceneTimer(timer, ms);
}

void CMJTableSceneBase::DropSceneMessages() {
    for (const auto& [timer, message] : delayed_)
        StopSceneTimer(timer);
    delayed_.clear();
}

bool CMJTableSceneBase::DeliverSceneMessage(uint32_t timer) {
    const auto it = delayed_.find(timer);
    if (it == delayed_.end()) return false;
    const Delayed message = it->second;
    delayed_.erase(it);
    StopSceneTimer(timer);
    platform::Payload payload;
    if (message.seat >= 0) payload = platform::Payload::Make<int32_t>(message.seat);
    OnMessage(message.code, payload, 0);
    return true;
}

void CMJTableSceneBase::ShowDiscardFlight(int32_t position) {
    (void)position;
    PostSceneMessage(0, kMsgDiscardDone);
}

void CMJTableSceneBase::ShowDrawnTile(int32_t wallIndex) {
    (void)wallIndex;
    PostSceneMessage(0, kMsgDrawDone);
}

void CMJTableSceneBase::SweepHand() {
    PostSceneMessage(0, kMsgSortDone);
}

void CMJTableSceneBase::RollDice(int32_t first, int32_t second) {
    // The classic pane rolls its two dice a frame every 60 ms, with their
    // sound, and shows them until the clock does.
    if (paneKind_ == 1) {
        classicDice_ = {first, second, 0, true};
        PlaySoundResource(assets::kSoundDice, kSoundAsync);
        StartSceneTimer(kTimerDiceRoll, kClassicDiceFrameMs);
        RepaintClassic();
    }
    PostSceneMessage(kDiceRollMs, kMsgDealStep);
}

void CMJTableSceneBase::RollDiceFrame() {
    if (++classicDice_.frame >= kClassicDiceFrames - 1) {
        classicDice_.frame = kClassicDiceFrames - 1;
        StopSceneTimer(kTimerDiceRoll);
    }
    RepaintClassic();
}

void CMJTableSceneBase::ResetOwnTurnWords() {
    KillTurnTimers();
    phase_ = kPhaseNone;
    pending_ = 0;
    claimTookTurn_ = false;
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

std::string CMJTableSceneBase::GetSeatVoiceDir(int32_t seat) const {
    CClientApp* app = CClientApp::Current();
    if (!app || !IsSeat(seat)) return {};
    return app->GetSeatPanel()->Seat(seat).voiceFolder;
}

std::string CMJTableSceneBase::OperationVoice(int32_t seat, int32_t code) const {
    const std::string name = GetOperationSoundName(code);
    const std::string folder = GetSeatVoiceDir(seat);
    client::CGameApp* app = client::CGameApp::Current();
    // A code without a word, or a seat without a voice, stays silent.
    if (name.empty() || folder.empty() || (app && app->IsSilent() != 0)) return {};
    return folder + name + ".wav";
}

std::string CMJTableSceneBase::TileVoice(int32_t seat, int32_t tile) const {
    const int32_t index = rules::TileKindOrZero(tile, RuleFlags());
    const std::string folder = GetSeatVoiceDir(seat);
    client::CGameApp* app = client::CGameApp::Current();
    if (index <= 0 || folder.empty() || (app && app->IsSilent() != 0)) return {};
    return folder + std::to_string(assets::TileVoiceNumber(index)) + ".wav";
}

// The classic pane speaks through the system's sound.
void CMJTableSceneBase::PlayOperationSound(int32_t seat, int32_t code) {
    if (const std::string path = OperationVoice(seat, code); !path.empty())
        platform::GetAudio()->PlaySoundFile(path, platform::SND_FILENAME | platform::SND_ASYNC);
}

void CMJTableSceneBase::PlayTileSound(int32_t seat, int32_t tile) {
    if (const std::string path = TileVoice(seat, tile); !path.empty())
        platform::GetAudio()->PlaySoundFile(path, platform::SND_FILENAME | platform::SND_ASYNC);
}

void CMJTableSceneBase::PlaySoundResource(uint32_t id, uint32_t flags) const {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PlaySound(id, flags);
}

void CMJTableSceneBase::AddChatLine(const std::string& text) const {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PostToMainFrame(text);
}

}  // namespace mahjong
