// What the scene asks of the operation buttons, voices and the engine's
// effects: recorded in order (scene_effects.h) for the engine level to play.
#include "client/game_app.h"
#include "mahjong/scene/table_scene_base.h"

namespace mahjong {

void CMJTableSceneBase::EnableOperationButton(int32_t n, int32_t enable) {
    if (n >= kPengButton && n <= kPassButton) effects_.Add({Effect::kEnableButton, n, enable});
}

void CMJTableSceneBase::EnableAllOperationButtons(int32_t enable) {
    effects_.Add({Effect::kEnableAllButtons, enable});
}

void CMJTableSceneBase::ResetOperationState() {
    ClearOptions();
    SetClaimWindow(0);
}

void CMJTableSceneBase::OnOwnTurn() {
    effects_.Add({Effect::kOwnTurn});
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

void CMJTableSceneBase::ShowSettlement() {
    effects_.Add({Effect::kSettlement});
}

void CMJTableSceneBase::RefreshEntities(int32_t mode) {
    effects_.Add({Effect::kRefreshEntities, mode});
}

void CMJTableSceneBase::RefreshTileControls() {
    effects_.Add({Effect::kRefreshTileControls});
}

void CMJTableSceneBase::BeginOperationDisplay() {
    effects_.Add({Effect::kBeginOperations});
}

void CMJTableSceneBase::AddChatLine(const std::string& text) const {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PostToMainFrame(text);
}

}  // namespace mahjong
