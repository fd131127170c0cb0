#include "mahjong/panes/main_frame.h"

#include "client/player_view.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/chat_pane.h"
#include "mahjong/panes/classic_pane.h"
#include "mahjong/panes/exit_dialogs.h"
#include "mahjong/panes/operate_pane.h"
#include "mahjong/panes/player_lists.h"
#include "mahjong/panes/rank_pane.h"
#include "mahjong/panes/table_pane.h"
#include "transport/log.h"
#include "transport/notice.h"

namespace mahjong {

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() {
    Destroy();
}

std::unique_ptr<client::CGameTableView> CMainFrame::MakeTablePane() {
    CClientApp* app = CClientApp::Current();
    if (!app) return client::CMJGameFrameWnd::MakeTablePane();
    // The classic pane draws the scene's records itself; the engine pane
    // lets the engine draw it.
    if (app->GetTableScene()->GetPaneKind() == 1)
        return CMJGameTableView::CreateObject(app->GetTableScene());
    if (app->GetTableScene()->GetPaneKind() != 2) return client::CMJGameFrameWnd::MakeTablePane();
    return CMJGameTableView2::CreateObject(app->GetTableScene());
}

std::unique_ptr<client::CGameFormView> CMainFrame::MakeOperatePane() {
    return std::make_unique<CMJOperateView>();
}

std::unique_ptr<client::CGamePlayerView> CMainFrame::MakePlayerPane() {
    return CPlayerView::CreateObject();
}

std::unique_ptr<client::CGameFormView> CMainFrame::MakeAdvertPane() {
    auto pane = std::make_unique<CAdCombatInfoView>();
    rankPane_ = pane.get();
    return pane;
}

std::unique_ptr<client::CGameChatView> CMainFrame::MakeChatPane() {
    return CMJGameChatView::CreateObject();
}

std::unique_ptr<client::CGameFormView> CMainFrame::MakeChatStandIn() {
    return CMJChatView2::CreateObject();
}

void CMainFrame::AddGameResult(Bytes result) {
    if (rankPane_ && rankPane_->GetSafeHwnd()) rankPane_->AddGameResult(result);
}

int CMainFrame::TablePaneWidth() {
    CClientApp* app = CClientApp::Current();
    return app ? app->GetTableLogic()->GetTablePaneWidthFor()
               : client::CMJGameFrameWnd::TablePaneWidth();
}

int CMainFrame::OperatePaneHeight() {
    CClientApp* app = CClientApp::Current();
    return app ? app->GetTableLogic()->GetOperationBarHeight()
               : client::CMJGameFrameWnd::OperatePaneHeight();
}

int CMainFrame::PlayerPaneHeight() {
    CClientApp* app = CClientApp::Current();
    return app ? app->GetTableLogic()->GetPlayerListHeight()
               : client::CMJGameFrameWnd::PlayerPaneHeight();
}

void CMainFrame::AfterRound() {
    if (auto* classic = dynamic_cast<CMJGameTableView*>(GetTableView())) classic->ResetForNewGame();
}

bool CMainFrame::TablePaneHostsScene() {
    auto* pane = dynamic_cast<const CMJGameTableView2*>(GetTableView());
    return pane && pane->SceneAttached();
}

void CMainFrame::ApplySplitterSkin() {
    client::CMJGameFrameWnd::ApplySplitterSkin();
    auto* bar = dynamic_cast<CMJOperateView*>(GetOperatePane());
    if (!bar || !bar->GetSafeHwnd()) return;
    bar->LoadSkin();
    const platform::RECT area = bar->GetClientRect();
    if (area.Width() != 0) bar->LayoutButtons(area.Width(), area.Height());
    bar->Invalidate(true);
}

bool CMainFrame::CanExit() {
    CClientApp* app = CClientApp::Current();
    if (!app) return client::CMJGameFrameWnd::CanExit();
    // The others let the player go: he leaves without being asked again.
    if (app->LeaveAgreed()) return true;
    const int32_t chair = app->GetOwnChair();
    if (app->ExitRequests(chair) >= kMaxExitRequestsPerRound)
        return client::CMJGameFrameWnd::CanExit();
    app->PlaySound(kSoundExitRequest, 0);
    ExitRequestHost host;
    host.requestsSent = app->ExitRequests(chair);
    host.forcedLeaveBan = app->ForcedLeaveBan();
    host.sendRequest = [app, chair](const std::string& reason) {
        std::string text;
        if (!app->GetConnection()->SendExitRequest(text, reason))
            transport::LogPrintf("exit request not sent: %s", text.c_str());
        app->CountExitRequest(chair);
    };
    CExitRequestDlg box(std::move(host));
    exitBox_ = &box;
    const int answer = box.DoModal(this);
    exitBox_ = nullptr;
    return answer == platform::IDOK;
}

void CMainFrame::ApplyScoreChanges(Bytes result) {
    if (client::CGamePlayerView* players = GetPlayerView()) players->ApplyScoreChanges(result);
}

void CMainFrame::ShowSeeHandRequest(uint32_t lookerId) {
    if (client::CGamePlayerView* players = GetPlayerView()) players->ShowRequestPopup(lookerId);
}

void CMainFrame::ShowExitRequest(uint32_t userId, const std::string& reason) {
    OpenExitAnswer(userId, reason);
}

CExitAnswerDlg* CMainFrame::OpenExitAnswer(uint32_t userId, const std::string& reason) {
    auto* players = dynamic_cast<CPlayerView*>(GetPlayerView());
    return players ? players->ShowExitRequest(userId, reason) : nullptr;
}

platform::LRESULT CMainFrame::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_TIMER:
        case transport::kNoticeMessage: {
            // The classic pane shows the scene's records as a notification
            // or a scene timer left them.
            const platform::LRESULT r = client::CMJGameFrameWnd::OnMessage(msg);
            auto* classic = dynamic_cast<CMJGameTableView*>(GetTableView());
            if (classic && classic->GetSafeHwnd()) classic->RepaintTable();
            return r;
        }
        default:
            return client::CMJGameFrameWnd::OnMessage(msg);
    }
}

}  // namespace mahjong
