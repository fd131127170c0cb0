#include "client/comm_thread.h"

#include <string>

#include "client/game_app.h"
#include "platform/message_queue.h"
#include "platform/profile.h"
#include "transport/log.h"
#include "transport/notice.h"

namespace client {

CGameCommThread::CGameCommThread() = default;

CGameCommThread::~CGameCommThread() {
    if (running_) Stop();
    thread_.Join();
}

bool CGameCommThread::Start() {
    if (!thread_.Start([this] { Run(); })) return false;
    platform::WaitForSingleObject(ready_, platform::INFINITE);
    return started_.load();
}

bool CGameCommThread::Stop(uint32_t waitMs) {
    if (!thread_.Started()) return true;
    platform::PostThreadMessage(thread_.Id(), kMsgCommStop);
    if (platform::WaitForSingleObject(thread_, waitMs) == platform::WAIT_OBJECT_0) {
        thread_.Join();
        return true;
    }
    transport::LogPrintf("communication thread did not end within %u ms", waitMs);
    thread_.Join();
    return false;
}

bool CGameCommThread::InitInstance() {
    if (!hidden_.Create()) return false;
    // The status window is a dialog on the display (its controls are made
    // as it starts), hidden until a status text comes.
    if (!waitDlg_.CreateModeless(nullptr, false)) return false;
    waitDlg_.Hide();
    // The dialog starts with the skin the program's settings name.
    if (const CGameApp* app = CGameApp::Current())
        platform::PostMessage(
            waitDlg_.Handle(), kMsgSkinChanged, 0, 0,
            platform::Payload::Make<std::string>(
                platform::GetPrivateProfileString("SKIN", "Path", "", app->GetIniPath(), 260)));
    return true;
}

void CGameCommThread::Run() {
    // Any message call makes this thread's queue, so posts succeed from here on.
    platform::Message probe;
    platform::PeekMessage(probe, {}, 0, 0, platform::PM_NOREMOVE);
    const bool ok = InitInstance();
    started_ = ok;
    running_ = ok;
    ready_.Set();
    if (!ok) {
        waitDlg_.Destroy();
        hidden_.Destroy();
        return;
    }
    platform::Message msg;
    while (!quit_ && platform::GetMessage(msg) > 0) {
        if (!msg.hwnd)
            OnThreadMessage(msg);
        else if (!platform::CDialog::PreTranslateForDialog(msg))
            platform::DispatchMessage(msg);
    }
    // Whatever is still queued goes with the queue, records and all.
    waitDlg_.Destroy();
    hidden_.Destroy();
    running_ = false;
}

void CGameCommThread::OnThreadMessage(platform::Message& msg) {
    switch (msg.message) {
        case kMsgCommForward:
            forward_ = platform::HwndFromParam(msg.wParam);
            break;
        case kMsgCommStop:
            quit_ = true;
            break;
        case transport::kNoticeMessage: {
            auto records = msg.payload.Take<transport::TransportNoticeRecords>();
            if (!records) break;
            if (forward_ && platform::IsWindow(forward_) &&
                platform::PostMessage(forward_, transport::kNoticeMessage, 0, 0,
                                      platform::Payload::From(std::move(records)))) {
                ++relayed_;
            } else {
                // A failed post left the records with us; they go here.
                ++dropped_;
            }
            break;
        }
        case kMsgStatusText:
            if (auto text = msg.payload.Take<std::string>())
                waitDlg_.SetText(*text, uint32_t(msg.lParam));
            else
                waitDlg_.Hide();
            break;
        default:
            break;
    }
}

}  // namespace client
