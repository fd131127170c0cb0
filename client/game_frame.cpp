#include "client/game_frame.h"

#include <algorithm>
#include <cstdio>

#include "client/chat_view.h"
#include "client/comm_thread.h"
#include "client/controls/slide_popup.h"
#include "client/framework_dialogs.h"
#include "client/game_session.h"
#include "client/game_table_view.h"
#include "client/game_view.h"
#include "client/notify_handler.h"
#include "client/player_view.h"
#include "client/skin_library.h"
#include "client/skin_settings.h"
#include "platform/gui/splitter.h"
#include "platform/gui/wait_cursor.h"
#include "platform/message_queue.h"
#include "platform/paths.h"
#include "transport/notice.h"

namespace client {

uint32_t NoticePeriodMs(uint32_t seconds) {
    return uint32_t(std::min<uint64_t>(uint64_t(seconds) * 1000, kMaxTimerMs));
}

CGameFrameWnd::CGameFrameWnd() = default;

CGameFrameWnd::~CGameFrameWnd() {
    Destroy();
}

CGameApp& CGameFrameWnd::App() const {
    return *CGameApp::Current();
}

bool CGameFrameWnd::LoadFrame(const std::string& caption) {
    if (!CGameApp::Current()) return false;
    const platform::RECT area = platform::GetDisplay()->WorkArea();
    if (!CreateEx(0, caption, platform::WS_OVERLAPPEDWINDOW, area, nullptr, 0)) return false;
    RecalcLayout();
    // Every pane's initial update, parents first.
    std::vector<platform::CWnd*> pending{this};
    while (!pending.empty()) {
        platform::CWnd* w = pending.back();
        pending.pop_back();
        if (w != this) platform::SendMessage(w->GetSafeHwnd(), WM_INITIALUPDATE);
        const auto& children = w->ChildWindows();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return true;
}

bool CGameFrameWnd::OnCreateClient() {
    plainView_ = viewFactory_ ? viewFactory_() : CGameView::CreateObject();
    return plainView_ && plainView_->CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE,
                                              GetClientRect(), this, platform::AFX_IDW_PANE_FIRST);
}

void CGameFrameWnd::RecalcLayout() {
    const platform::RECT client = GetClientRect();
    int top = 0;
    if (topBar_ && topBar_->GetSafeHwnd()) {
        top = topBar_->GetRectInParent().Height();
        topBar_->MoveWindow(0, 0, client.right, top);
    }
    if (platform::CWnd* view = GetDlgItem(platform::AFX_IDW_PANE_FIRST))
        view->MoveWindow(0, top, client.right, std::max(client.bottom - top, 0));
}

void CGameFrameWnd::OnCreate() {
    SkinLibrary::Instance().HookFrame(GetSafeHwnd(), 0x80);
    platform::SetTimer(GetSafeHwnd(), kTimerHallCheck, 1000);
}

int CGameFrameWnd::GetTableViewWidth() {
    CGameTableView* view = GetTableView();
    return view ? view->GetWidth() : 0;
}

int CGameFrameWnd::GetTableViewHeight() {
    CGameTableView* view = GetTableView();
    return view ? view->GetHeight() : 0;
}

// ---- The framework's questions about the panes ----

void CGameFrameWnd::RefreshTable() {
    if (CGameTableView* view = GetTableView()) view->RefreshTable();
}

void CGameFrameWnd::RedrawTable() {
    if (CGameTableView* view = GetTableView()) view->Redraw();
}

uint32_t CGameFrameWnd::TableClockTimer() const {
    CGameTableView* view = const_cast<CGameFrameWnd*>(this)->GetTableView();
    return view ? uint32_t(view->ClockTimer()) : 0;
}

bool CGameFrameWnd::HasChatView() const {
    return const_cast<CGameFrameWnd*>(this)->GetChatView() != nullptr;
}

void CGameFrameWnd::ChatWords(std::span<const uint8_t> data) {
    if (CGameChatView* chat = GetChatView()) chat->OnChatWords(data);
}

void CGameFrameWnd::ChatCall(std::span<const uint8_t> data) {
    if (CGameChatView* chat = GetChatView()) chat->OnCall(data);
}

void CGameFrameWnd::ChatLookerLeft(const PlayerRecord& record) {
    if (CGameChatView* chat = GetChatView()) chat->ShowLookerLeft(record);
}

void CGameFrameWnd::RefreshPlayerValues(std::span<const uint8_t> data) {
    if (CGamePlayerView* players = GetPlayerView()) players->RefreshPlayerValues(data);
}

void CGameFrameWnd::RemovePlayerRow(uint32_t userId) {
    CGamePlayerView* players = GetPlayerView();
    PlayerRecord* record = App().FindPlayerMutable(userId);
    if (players && record) players->RemovePlayer(*record);
}

void CGameFrameWnd::AppendChatLine(const std::string& text) {
    if (CGameChatView* chat = GetChatView())
        platform::SendMessage(chat->GetSafeHwnd(), kMsgAppendChat,
                              reinterpret_cast<platform::WPARAM>(text.c_str()));
}

bool CGameFrameWnd::PreTranslateMessage(platform::Message& msg) {
    if (msg.message < platform::WM_KEYDOWN || msg.message > platform::WM_CHAR) return false;
    platform::CWnd* target = platform::CWnd::FromHandle(msg.hwnd);
    if (!target || target->GetTopLevel() != this) return false;
    for (platform::CWnd* w = target; w && w != this; w = w->GetParent()) {
        if (auto* pane = dynamic_cast<CGameFormView*>(w); pane && pane->PreTranslateMessage(msg))
            return true;
    }
    return false;
}

// ---- Hall, enter sequence, packets ----

void CGameFrameWnd::OnCopyData(platform::Message& msg) {
    const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(msg.lParam);
    CGameApp& app = App();
    if (!cds || !app.Hall()) return;
    const auto* bytes = static_cast<const uint8_t*>(cds->lpData);
    HallCopyResult r = app.Hall()->OnCopyData(cds->dwData, {bytes, cds->cbData}, leaveWatch_);
    using Action = HallCopyResult::Action;
    switch (r.action) {
        case Action::kTableStateReady:
            platform::PostMessage(GetSafeHwnd(), kMsgTableStateReady);
            break;
        case Action::kLookerJoined:
            if (CGamePlayerView* players = GetPlayerView()) players->OnPlayerEnter(r.player);
            if (CGameChatView* chat = GetChatView()) chat->ShowLookerEntered(r.player);
            break;
        case Action::kPlayerLeft:
            if (app.GetLookerFlag() == 0 && app.GetConnection())
                app.GetConnection()->SendLeave(r.left.userId, r.left.chair);
            RefreshTable();
            OnPlayerQuit(r.left);
            break;
        case Action::kPlayerCard:
            platform::SendMessage(GetSafeHwnd(), kMsgPlayerCard,
                                  reinterpret_cast<platform::WPARAM>(&r.player));
            break;
        default:
            break;
    }
}

void CGameFrameWnd::OnTableStateReady() {
    CGameApp& app = App();
    app.LoadPortraits();
    if (entering_) {
        // A later table state: the client is entered once; the list follows.
        if (entered_)
            if (CGamePlayerView* players = GetPlayerView()) players->OnRefreshList();
        return;
    }
    entering_ = true;
    noticeTimer_ = NoticePeriodMs(app.Room().noticePeriod);
    if (noticeTimer_) platform::SetTimer(GetSafeHwnd(), kTimerNotice, noticeTimer_);
    platform::PostMessage(GetSafeHwnd(), kMsgEnterTable);
}

void CGameFrameWnd::OnEnterGame() {
    CGameApp& app = App();
    CGameSession* session = app.GetConnection();
    if (entered_ || !session) return;
    std::string text;
    if (!session->EnterGame(text)) {
        app.ShowStatus(text.c_str(), 1);
        CGameApp::WaitServingMessages(2000);
        platform::PostMessage(GetSafeHwnd(), platform::WM_CLOSE);
        return;
    }
    entered_ = true;
    platform::SendMessage(GetSafeHwnd(), kMsgTableEntered);
    StartDefaultKeepAlive();
}

void CGameFrameWnd::OnPacket(platform::Message& msg) {
    auto records = msg.payload.Take<transport::TransportNoticeRecords>();
    CGameApp& app = App();
    CGameSession* session = app.GetConnection();
    // Notices of an earlier connection are freed unread.
    if (!records || !session || int32_t(records->info.serial) != session->GetSerial()) return;
    const uint32_t code = records->notice.Code();
    if (code == transport::kNoticeClosed || code == transport::kNoticeError) {
        OnDisconnect();
    } else if (CGameNotifyHandler* handler = app.GetNotifyHandler()) {
        handler->Dispatch(code, records->notice.Bytes());
    }
}

void CGameFrameWnd::OnDisconnect() {
    CGameApp& app = App();
    // A client already on its way out has said why; it only drops the line.
    if (app.IsLeaving()) {
        app.Disconnect();
        return;
    }
    app.BeginLeaving();
    app.ConnectionLostRunning() = app.GetTableClockTimer();
    app.Disconnect();
    char text[320];
    if (app.ConnectionLostRunning() && app.GetLookerFlag() == 0)
        std::snprintf(text, sizeof(text), kTextLostInGame, app.GetZoneName().c_str(),
                      app.GetRoomName().c_str());
    else
        std::snprintf(text, sizeof(text), "%s", kTextLost);
    RefreshTable();
    int seconds = 15;
    app.ShowTimedMessage(text, "确定", "取消", &seconds, kMbIconError);
    if (app.MainWindow()) platform::PostMessage(app.MainWindow(), platform::WM_CLOSE);
}

void CGameFrameWnd::OnPlayerQuit(const PlayerLeftRecord& record) {
    char text[160];
    std::snprintf(text, sizeof(text), kTextPlayerQuit,
                  App().GetSeatDisplayName(record.chair).c_str());
    App().ShowStatusEx(text, 3);
    platform::SetTimer(GetSafeHwnd(), kTimerDelayedClose, kDelayedCloseMs);
}

void CGameFrameWnd::StartKeepAliveTimer(uint32_t seconds) {
    platform::KillTimer(GetSafeHwnd(), kTimerKeepAlive);
    // 0 stops the keep-alive, as a notice period of 0 stops the notices.
    if (const uint32_t period = NoticePeriodMs(seconds))
        platform::SetTimer(GetSafeHwnd(), kTimerKeepAlive, period);
}

void CGameFrameWnd::DownloadNotify() {
    const std::string& host = App().GetNoticeHost();
    if (host.empty()) return;
    notices_.Start(GetSafeHwnd(), NoticeUrl(host, App().GetGameId()));
}

void CGameFrameWnd::OnNoticeFile(platform::Message& msg) {
    std::shared_ptr<NoticeJob> job = notices_.Finish(msg);
    if (!job || !job->done) return;
    if (CGameChatView* chat = GetChatView()) chat->AppendSystemText(job->text);
}

void CGameFrameWnd::OnTimer(platform::UINT_PTR id) {
    CGameApp& app = App();
    switch (id) {
        case kTimerHallCheck:
            // The client ends with its hall.
            if (app.Hall() && !app.Hall()->HallExists()) platform::PostQuitMessage(0);
            break;
        case kTimerNotice:
            DownloadNotify();
            break;
        case kTimerDelayedClose:
            platform::KillTimer(GetSafeHwnd(), kTimerDelayedClose);
            if (leaveWatch_ && app.MainWindow())
                platform::PostMessage(app.MainWindow(), platform::WM_CLOSE);
            break;
        case kTimerSkin:
            platform::KillTimer(GetSafeHwnd(), kTimerSkin);
            if (CSkinSettings* skin = app.GetSkinSettings()) ApplySkin(skin->PendingPath());
            break;
        case kTimerKeepAlive:
            if (CGameSession* session = app.GetConnection()) session->SendRequest201020();
            break;
        default:
            break;
    }
}

// ---- Closing ----

bool CGameFrameWnd::CanExit() {
    CGameApp& app = App();
    int seconds = 5;
    if (app.HasOption4000()) {
        app.ShowTimedMessage(kTextKeepPlaying, "确定", "取消", &seconds, 0);
        return false;
    }
    return app.ShowTimedMessage(kTextQuitCosts, "确定", "取消", &seconds, 0x21) !=
           platform::IDCANCEL;
}

void CGameFrameWnd::OnClose() {
    // A second close while the first one asks (its box runs a loop) waits for it.
    if (closing_) return;
    closing_ = true;
    CGameApp& app = App();
    CGameSession* session = app.GetConnection();
    if (app.GetLookerFlag() == 0 && session && session->IsGameRunning() && !CanExit()) {
        closing_ = false;
        return;
    }
    if (session) session->SendLeave(app.GetUserId(), app.GetOwnChair());
    app.ReportToHall(GetSafeHwnd().value);
    app.StopCommThread();
    DestroyWindow();
}

void CGameFrameWnd::OnDestroy() {
    for (platform::UINT_PTR id :
         {kTimerHallCheck, kTimerNotice, kTimerDelayedClose, kTimerSkin, kTimerKeepAlive})
        platform::KillTimer(GetSafeHwnd(), id);
    notices_.AbortAll();
    CSlidePopupDlg::DestroyAll();
    CGameApp* app = CGameApp::Current();
    if (app && app->MainWindow() == GetSafeHwnd()) app->UrlOpened(true);
    // The program ends with its main window.
    if (app && app->MainWindow() == GetSafeHwnd()) platform::PostQuitMessage(0);
}

// ---- Skins ----

void CGameFrameWnd::OnSkinMenu(const platform::RECT* button) {
    CSkinSettings* skin = App().GetSkinSettings();
    if (!skin || !button) return;
    const platform::RECT frame = GetWindowRect();
    const int x = std::min(frame.right, platform::GetDisplay()->WorkArea().right);
    const int y = frame.top + button->bottom;
    const uint32_t chosen = skin->BuildSkinMenu(x, y, GetDlgBar() ? GetDlgBar() : this);
    if (chosen > 0) platform::PostMessage(GetSafeHwnd(), kMsgSkinChosen, chosen);
}

void CGameFrameWnd::OnSkinChanged(uint32_t command) {
    const platform::CWaitCursor busy;
    CGameApp& app = App();
    CSkinSettings* skin = app.GetSkinSettings();
    if (command == kSkinMenuMore) {
        app.OpenUrl(app.GetSkinPage());
        return;
    }
    if (!skin || command < kSkinMenuFirst || command >= kSkinMenuFirst + kMaxSkins) return;
    const std::string path = skin->SkinOfCommand(command);
    if (path.empty() || !platform::FileExists(path) || skin->IsCurrentSkin(path)) return;
    skin->SetPendingPath(path);
    platform::SetTimer(GetSafeHwnd(), kTimerSkin, 1);
}

void CGameFrameWnd::ApplySkin(const std::string& path) {
    CGameApp& app = App();
    CSkinSettings* skin = app.GetSkinSettings();
    if (!skin || path.empty()) return;
    skin->SetSkinPath(path);
    if (CGameCommThread* comm = app.CommThread())
        platform::PostMessage(comm->WaitWindow(), kMsgSkinChanged, 0, 0,
                              platform::Payload::Make<std::string>(path));
    SkinLibrary::Instance().Apply(path, 1);
    ApplySplitterSkin();
    ShowWindow(platform::SW_RESTORE);
    const platform::RECT r = GetWindowRect();
    platform::SendMessage(GetSafeHwnd(), platform::WM_SIZE, platform::SIZE_RESTORED,
                          platform::MAKELPARAM(r.Width(), r.Height()));
    // Our panes paint themselves from the skin: all of them again.
    RedrawWindow(nullptr, nullptr,
                 platform::RDW_INVALIDATE | platform::RDW_ERASE | platform::RDW_ALLCHILDREN);
}

platform::LRESULT CGameFrameWnd::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE:
            if (!OnCreateClient()) return -1;
            OnCreate();
            return 0;
        case platform::WM_SIZE:
            RecalcLayout();
            return Default(msg);
        case platform::WM_COPYDATA:
            OnCopyData(msg);
            return Default(msg);
        case platform::WM_TIMER:
            OnTimer(msg.wParam);
            return 0;
        case platform::WM_CLOSE:
            OnClose();
            return 0;
        case platform::WM_DESTROY:
            OnDestroy();
            return Default(msg);
        case kMsgTableStateReady:
            OnTableStateReady();
            return 0;
        case kMsgEnterTable:
            OnEnterGame();
            return 0;
        case kMsgSkinButton:
            OnSkinMenu(reinterpret_cast<const platform::RECT*>(msg.lParam));
            return 1;
        case kMsgSkinChosen:
            OnSkinChanged(uint32_t(msg.wParam));
            return 0;
        case kMsgNoticeReady:
            OnNoticeFile(msg);
            return 0;
        case kMsgUrlOpened: {
            App().UrlOpened();
            // The worker's "opening" line goes; a page that did not open says so.
            const auto job = msg.payload.Take<UrlJob>();
            if (job && !job->opened) {
                char text[96];
                std::snprintf(text, sizeof(text), kTextNoBrowser, job->url.c_str());
                App().ShowStatusEx(text, kNoBrowserSeconds);
            } else {
                App().ShowStatus(nullptr, 0);
            }
            return 0;
        }
        case transport::kNoticeMessage:
            OnPacket(msg);
            return 0;
        default:
            return Default(msg);
    }
}

}  // namespace client
