#include "client/mj_game_app.h"

#include "client/client_ui.h"
#include "client/framework_dialogs.h"
#include "client/game_session.h"
#include "client/mj_game_frame.h"
#include "platform/gui/gui_messages.h"
#include "platform/message_queue.h"
#include "platform/waitable.h"
#include "transport/log.h"

namespace client {

CMJGameApp::CMJGameApp(std::string gameName, uint32_t defaultPort, uint32_t versionMajor,
                       uint32_t versionMinor)
    : CGameApp(std::move(gameName), defaultPort, versionMajor, versionMinor) {}

CMJGameApp::~CMJGameApp() {
    SetMainFrame(nullptr);
    frame_.reset();
    document_.reset();
}

bool CMJGameApp::InitInstance() {
    if (MJTableSceneTarget* scene = GetTableScene()) SetSharedWord4(scene->GetPaneKind());
    return CGameApp::InitInstance();
}

int CMJGameApp::ExitInstance() {
    SetMainFrame(nullptr);
    frame_.reset();
    document_.reset();
    Disconnect();
    return CGameApp::ExitInstance();
}

void CMJGameApp::PlaySound(uint32_t id, uint32_t flags) {
    if (IsSilent() == 0) PlayWave(id, flags);
}

void CMJGameApp::PlayWave(uint32_t id, uint32_t flags) {
    Emit("sound " + std::to_string(id));
    PlayWaveResourceEx(id, flags);
}

void CMJGameApp::SetShared(int n, int32_t value) {
    if (MJLayoutTarget* panel = GetSeatPanel()) panel->SetSharedWord(n, value);
    if (MJTableSceneTarget* scene = GetTableScene()) scene->SetSharedWord(n, value);
    if (MJLayoutTarget* logic = GetTableLogic()) logic->SetSharedWord(n, value);
}

void CMJGameApp::SetSharedWord4(int32_t value) {
    if (MJLayoutTarget* panel = GetSeatPanel()) panel->SetSharedWord(4, value);
    if (MJLayoutTarget* logic = GetTableLogic()) logic->SetSharedWord(4, value);
    sharedWord4_ = uint32_t(value);
}

int CMJGameApp::ShowMessage(const std::string& text, int seconds, uint32_t type) {
    return ShowTimedMessage(text, "确定", "取消", &seconds, type);
}

int CMJGameApp::ShowTimedMessage(const std::string& text, const std::string& okText,
                                 const std::string& cancelText, int* seconds, uint32_t type) {
    Emit("message: " + text);
    if (!unattended_) {
        const int result = CGameApp::ShowTimedMessage(text, okText, cancelText, seconds, type);
        Emit("message closed");
        return result;
    }
    transport::LogPrintf("%s", text.c_str());
    if (seconds) *seconds = 0;
    // What the box answers when its time runs out.
    return (type & 0xF) == 1 ? platform::IDCANCEL : platform::IDOK;
}

int CMJGameApp::MessageBox(const std::string& text, uint32_t type) {
    if (!unattended_) return CGameApp::MessageBox(text, type);
    transport::LogPrintf("%s", text.c_str());
    Emit("message box: " + text);
    return (type & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

void CMJGameApp::ResyncTable() {
    // One at a time (the waits between tries serve messages, and with them
    // the moves that may fail again), and none once the client leaves.
    if (resyncing_ || IsLeaving()) return;
    resyncing_ = true;
    CGameSession* session = GetConnection();
    bool ok = false;
    // A connection that ended does not come back: nothing to try on it.
    for (int i = 0; session && session->IsAlive() && i < kResyncTries && !ok; ++i) {
        // Three seconds after each failed try (a slow failure too); a third
        // failure is told at once.
        ok = session->RequestTableData();
        if (!ok && i + 1 < kResyncTries) {
            const int64_t next = platform::DeadlineAfterMillis(kResyncWaitMs);
            Emit("resync try failed");
            WaitServingMessagesUntil(next);
        }
    }
    resyncing_ = false;
    // A connection that broke meanwhile takes the lost connection's road:
    // its notice is on the way to the frame.
    if (!ok && session && session->IsBroken()) return;
    if (!ok) {
        BeginLeaving();
        Emit("resync failed");
        ShowMessage(kTextResyncFailed, 10, 0x41);
        if (MainWindow()) {
            Disconnect();
            platform::PostMessage(MainWindow(), platform::WM_CLOSE);
        }
        return;
    }
    Emit("resync");
    if (MainFrame()) MainFrame()->RefreshTable();
    MJTableSceneTarget* scene = GetTableScene();
    if (sharedWord4_ == 1) {
        if (MainFrame()) MainFrame()->RedrawTable();
        if (MJLayoutTarget* panel = GetSeatPanel()) panel->RefreshAfterResync();
        if (scene) scene->RefreshAfterResync();
    } else if (scene) {
        scene->ReleaseTileEntities();
        scene->RebuildFromTableData();
        scene->RefreshEntities(100);
    }
}

CSingleDocTemplate CMJGameApp::DocTemplate() const {
    CSingleDocTemplate templ;
    templ.resourceId = 128;
    templ.document = CGameDoc::CreateObject;
    templ.frame = CMJGameFrameWnd::CreateObject;
    templ.view = CGameView::CreateObject;
    return templ;
}

bool CMJGameApp::CreateMainWindow() {
    const std::string& caption = GetGameTitle();
    OpenedDocument opened = DocTemplate().OpenNew(caption.empty() ? GetIniName() : caption);
    if (!opened.frame) return false;
    document_ = std::move(opened.document);
    frame_ = std::move(opened.frame);
    SetMainFrame(frame_.get());
    NotifyHall(frame_->Handle());
    frame_->SetWindowPos(platform::HWND_NOTOPMOST, 0, 0, 0, 0,
                         platform::SWP_NOMOVE | platform::SWP_NOSIZE);
    frame_->ShowWindow(platform::SW_SHOWMAXIMIZED);
    frame_->UpdateWindow();
    platform::SetForegroundWindow(frame_->Handle());
    frame_->SetWindowText(caption);
    Emit("main window");
    return true;
}

void CMJGameApp::OnTableEntered(bool sceneStarted) {
    Emit("entered " + std::to_string(GetLaunchField9()));
    if (sceneStarted) return;
    if (MJTableSceneTarget* scene = GetTableScene()) scene->OnTableEntered();
}

void CMJGameApp::OnHostTimer(uint32_t id) {
    if (MJTableSceneTarget* scene = GetTableScene()) scene->OnHostTimer(id);
}

int CMJGameApp::Run() {
    const int code = RunMessageLoop();
    ExitInstance();
    Emit("ended");
    return code;
}

}  // namespace client
