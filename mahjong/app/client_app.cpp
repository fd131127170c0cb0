#include "mahjong/app/client_app.h"

#include <algorithm>
#include <string>

#include "client/game_table_view.h"
#include "client/mj_game_frame.h"
#include "client/player_view.h"
#include "mahjong/panes/main_frame.h"
#include "platform/profile.h"

namespace mahjong {

CClientApp::CClientApp()
    : CMJGameApp(kGameName, kDefaultServerPort, kVersionMajor, kVersionMinor),
      skin_(GetIniPath()),
      scene_(&logic_),
      panel_(&logic_) {
    // On the engine's pane a seat's label is its board's name.
    panel_.SetSceneSeatPainter([this](int32_t seat) { scene_.PlacePlayerName(seat); });
}

CClientApp::~CClientApp() {
    card_.reset();
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
    card_.reset();
    return CMJGameApp::ExitInstance();
}

client::CSingleDocTemplate CClientApp::DocTemplate() const {
    client::CSingleDocTemplate templ = CMJGameApp::DocTemplate();
    templ.frame = CMainFrame::CreateObject;
    return templ;
}

void CClientApp::ShowPlayerInfo(const client::PlayerRecord& given) {
    client::PlayerRecord record = given;
    // A looker's card names the player it watches.
    if (record.lookerFlag != 0) {
        const std::string name = GetSeatName(record.chair);
        auto field = std::span(record.image).subspan(kWatchedSeatText);
        std::fill(field.begin(), field.end(), uint8_t(0));
        std::copy_n(name.begin(), std::min(name.size(), field.size() - 1), field.begin());
    }
    Emit("player card " + std::to_string(record.userId));
    if (!card_) {
        auto card = std::make_unique<CPlayerInfoDlg>();
        if (!card->CreateModeless(Frame(), false)) return;
        card_ = std::move(card);
    }
    card_->ShowRecord(record);
    auto* frame = dynamic_cast<client::CMJGameFrameWnd*>(Frame());
    if (frame && frame->GetPlayerView() && frame->GetTableView())
        card_->ShowBeside(frame->GetPlayerView()->GetWindowRect().left,
                          frame->GetTableView()->GetWindowRect().top);
    else
        card_->ShowWindow(platform::SW_SHOW);
}

void CClientApp::ShowSettingsDialog() {
    CGameSettingsDlg box;
    box.silence = silence_;
    box.rejectLookOn = rejectKanPaiAsk_;
    box.quickCatch = quickCatch_;
    if (box.DoModal(Frame()) == platform::IDOK)
        SetSettings(box.silence, box.rejectLookOn, box.quickCatch);
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
