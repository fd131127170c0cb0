#include "client/mj_stand_in_frame.h"

#include <algorithm>

#include "client/game_session.h"
#include "client/hall_client.h"
#include "client/mj_game_app.h"
#include "client/notify_handler.h"
#include "platform/gui/display.h"
#include "transport/notice.h"

namespace client {
namespace {

constexpr int kWidth = 1000, kHeight = 740;

}  // namespace

CMJStandInFrame::CMJStandInFrame(CMJGameApp& app) : app_(app) {}

CMJStandInFrame::~CMJStandInFrame() {
    Destroy();
}

bool CMJStandInFrame::Make(const std::string& caption) {
    const platform::RECT area = platform::GetDisplay()->WorkArea();
    const int x = area.left + std::max((area.Width() - kWidth) / 2, 0);
    const int y = area.top + std::max((area.Height() - kHeight) / 2, 0);
    return CreateEx(0, caption, platform::WS_OVERLAPPEDWINDOW, {x, y, x + kWidth, y + kHeight},
                    nullptr, 0);
}

void CMJStandInFrame::RefreshTable() {
    Invalidate();
}

uint32_t CMJStandInFrame::TableClockTimer() const {
    const MJTableSceneTarget* scene = app_.GetTableScene();
    return scene ? scene->RunningClockTimer() : 0;
}

void CMJStandInFrame::AppendChatLine(const std::string& text) {
    app_.Emit("chat " + text);
}

platform::LRESULT CMJStandInFrame::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE:
            platform::SetTimer(Handle(), kStandInHallTimer, 1000);
            return 0;
        case platform::WM_TIMER:
            if (msg.wParam == kStandInHallTimer) {
                if (app_.Hall() && !app_.Hall()->HallExists()) {
                    app_.Emit("hall gone");
                    platform::PostQuitMessage(0);
                }
            } else if (msg.wParam == kStandInKeepAliveTimer) {
                app_.GetConnection()->SendRequest201020();
            } else if (MJTableSceneTarget* scene = app_.GetTableScene()) {
                scene->OnHostTimer(uint32_t(msg.wParam));
            }
            return 0;
        case platform::WM_COPYDATA:
            OnCopyData(msg);
            return Default(msg);
        case kMsgTableStateReady:
            platform::PostMessage(Handle(), kMsgEnterTable);
            return 0;
        case kMsgEnterTable:
            OnEnterTable();
            return 0;
        case kMsgTableEntered:
            if (MJTableSceneTarget* scene = app_.GetTableScene()) scene->OnTableEntered();
            return 0;
        case kMsgUrlOpened:
            msg.payload.Take<UrlJob>();
            app_.ShowStatus(nullptr, 0);
            return 0;
        case transport::kNoticeMessage:
            OnPacket(msg);
            return 0;
        case platform::WM_CLOSE:
            OnClose();
            return 0;
        default:
            return Default(msg);
    }
}

void CMJStandInFrame::OnCopyData(platform::Message& msg) {
    const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(msg.lParam);
    if (!cds || !app_.Hall()) return;
    const auto* bytes = static_cast<const uint8_t*>(cds->lpData);
    const auto r = app_.Hall()->OnCopyData(cds->dwData, {bytes, cds->cbData}, leaveWatch_);
    using Action = HallCopyResult::Action;
    switch (r.action) {
        case Action::kTableStateReady:
            app_.Emit("table state");
            platform::PostMessage(Handle(), kMsgTableStateReady);
            break;
        case Action::kPlayerCard:
            app_.ShowPlayerInfo(r.player);
            break;
        case Action::kPlayerLeft:
            if (app_.GetLookerFlag() == 0)
                app_.GetConnection()->SendLeave(r.left.userId, r.left.chair);
            break;
        default:
            break;
    }
}

void CMJStandInFrame::OnEnterTable() {
    std::string text;
    if (!app_.GetConnection()->EnterGame(text)) {
        app_.Emit("enter failed: " + text);
        app_.ShowStatus(text.c_str(), 1);
        CGameApp::WaitServingMessages(2000);
        platform::PostMessage(Handle(), platform::WM_CLOSE);
        return;
    }
    app_.Emit("entered " + std::to_string(app_.GetLaunchField9()));
    platform::SendMessage(Handle(), kMsgTableEntered);
    platform::SetTimer(Handle(), kStandInKeepAliveTimer, kKeepAliveSeconds * 1000);
}

void CMJStandInFrame::OnPacket(platform::Message& msg) {
    auto records = msg.payload.Take<transport::TransportNoticeRecords>();
    if (!records || int32_t(records->info.serial) != app_.GetConnection()->GetSerial()) return;
    const uint32_t code = records->notice.Code();
    if (code == transport::kNoticeClosed || code == transport::kNoticeError) {
        OnDisconnect();
        return;
    }
    ++notifications_;
    if (CGameNotifyHandler* handler = app_.GetNotifyHandler())
        handler->Dispatch(code, records->notice.Bytes());
}

void CMJStandInFrame::OnDisconnect() {
    app_.ConnectionLostRunning() = app_.GetTableClockTimer();
    app_.Disconnect();
    app_.Emit("connection lost");
    RefreshTable();
    app_.ReportToHall(Handle().value);
    platform::PostMessage(Handle(), platform::WM_CLOSE);
}

void CMJStandInFrame::OnClose() {
    if (closing_) return;
    closing_ = true;
    CGameSession* session = app_.GetConnection();
    if (session && session->IsAlive()) session->SendLeave(app_.GetUserId(), app_.GetOwnChair());
    app_.ReportToHall(Handle().value);
    app_.Emit("closed");
    platform::KillTimer(Handle(), kStandInHallTimer);
    platform::KillTimer(Handle(), kStandInKeepAliveTimer);
    platform::PostQuitMessage(0);
}

}  // namespace client
