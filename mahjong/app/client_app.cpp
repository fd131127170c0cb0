#include "mahjong/app/client_app.h"

#include <string>

#include "platform/profile.h"

namespace mahjong {

CClientApp::CClientApp()
    : CMJGameApp(kGameName, kDefaultServerPort, kVersionMajor, kVersionMinor),
      skin_(GetIniPath()),
      scene_(&logic_),
      panel_(&logic_),
      timerHost_(scene_) {}

CClientApp::~CClientApp() {
    timerHost_.Detach();
}

CClientApp* CClientApp::Current() {
    return dynamic_cast<CClientApp*>(client::CGameApp::Current());
}

bool CClientApp::InitInstance() {
    LoadSettings();
    SetSharedWord1(4);
    return CMJGameApp::InitInstance() && CreateMainWindow();
}

int CClientApp::ExitInstance() {
    SaveSettings();
    timerHost_.Detach();
    return CMJGameApp::ExitInstance();
}

bool CClientApp::CreateMainWindow() {
    // The framework's mahjong frame serves until this game's own exists;
    // the scene's time runs on its window.
    if (!CMJGameApp::CreateMainWindow()) return false;
    timerHost_.Attach(MainWindow());
    return true;
}

void CClientApp::ShowPlayerInfo(const client::PlayerRecord& record) {
    Emit("player card " + std::to_string(record.userId));
}

void CClientApp::LoadSettings() {
    const std::string ini = GetIniPath();
    quickCatch_ = int32_t(platform::GetPrivateProfileInt("GAMESET", "QuickCatch", 1, ini));
    silence_ = int32_t(platform::GetPrivateProfileInt("GAMESET", "Silence", 0, ini));
    rejectKanPaiAsk_ =
        int32_t(platform::GetPrivateProfileInt("GAMESET", "RejectKanPaiAsk", 0, ini));
}

void CClientApp::SaveSettings() const {
    const std::string ini = GetIniPath();
    const std::pair<const char*, int32_t> values[] = {
        {"QuickCatch", quickCatch_}, {"Silence", silence_}, {"RejectKanPaiAsk", rejectKanPaiAsk_}};
    for (const auto& [key, value] : values)
        platform::WritePrivateProfileString("GAMESET", key, std::to_string(value).c_str(), ini);
}

void CClientApp::SetSettings(int32_t silence, int32_t rejectKanPaiAsk, int32_t quickCatch) {
    silence_ = silence;
    rejectKanPaiAsk_ = rejectKanPaiAsk;
    quickCatch_ = quickCatch;
    // The seats' voices are chosen again (a silenced table may speak now).
    panel_.ChooseVoiceFolders();
}

int32_t CClientApp::ExitRequests(int32_t chair) const {
    return chair >= 0 && chair < 4 ? exitRequests_[size_t(chair)] : 0;
}

void CClientApp::CountExitRequest(int32_t chair) {
    if (chair >= 0 && chair < 4) ++exitRequests_[size_t(chair)];
}

}  // namespace mahjong
