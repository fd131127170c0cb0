#include "mahjong/app/notify_dispatch.h"

#include <cstdio>

#include "client/chat_view.h"
#include "client/game_frame.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/player_lists.h"
#include "platform/bytes.h"
#include "platform/gui/gui_messages.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"

namespace mahjong {
namespace {

std::string Format(const char* format, auto... args) {
    char text[320];
    std::snprintf(text, sizeof(text), format, args...);
    return text;
}

// Word n of a payload; 0 past its end.
int32_t WordAt(std::span<const uint8_t> data, size_t n) {
    return 4 * n + 4 <= data.size() ? int32_t(platform::LoadLE32(&data[4 * n])) : 0;
}

void Chat(const std::string& line) {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PostToMainFrame(line);
}

std::string UserName(int32_t userId) {
    const client::CGameApp* app = client::CGameApp::Current();
    return app ? app->GetUserName(uint32_t(userId)) : std::string();
}

}  // namespace

std::string PlayerStartedLine(uint32_t userId) {
    const client::CGameApp* app = client::CGameApp::Current();
    const std::string name = app ? app->GetUserDisplayName(userId) : std::string();
    return Format("<c=%d> %s 已经开始\r\n", kChatColourStarted, name.c_str());
}

std::string LookOnPermissionLine(std::span<const uint8_t> record) {
    return Format(" <c=%d>%s%s%s看牌 \r\n", kChatColourExit, UserName(WordAt(record, 0)).c_str(),
                  WordAt(record, 5) ? "允许" : "禁止", UserName(WordAt(record, 4)).c_str());
}

MJFramePanes* CMJGameNotifyHandler::Panes() {
    const client::CGameApp* app = client::CGameApp::Current();
    return app ? dynamic_cast<MJFramePanes*>(app->MainFrame()) : nullptr;
}

MJChatLines* CMJGameNotifyHandler::ChatLines() {
    const client::CGameApp* app = client::CGameApp::Current();
    auto* frame = app ? dynamic_cast<client::CGameFrameWnd*>(app->MainFrame()) : nullptr;
    return frame ? dynamic_cast<MJChatLines*>(frame->GetChatView()) : nullptr;
}

bool CMJGameNotifyHandler::ToScene(uint32_t id, Data data) {
    CClientApp* app = CClientApp::Current();
    return app && app->GetTableScene()->HandleNotification(id, data);
}

bool CMJGameNotifyHandler::Dispatch(uint32_t id, Data data) {
    switch (id) {
        case 201160:
            return OnPlayerStarted(data);
        case 211040:
            return OnRoundStart(data);
        case 211080:
            return OnNotify211080(data);
        case 221050:
            return OnSeeHandAsked(data);
        case 221160:
            return OnLookOnPermission(data);
        case 221170:
            return OnPlayerDiscard(data);
        case 221200:
            return OnOwnHandDealt(data);
        case 229160:
            return OnPlayerDraw(data);
        case 229165:
            return OnNotify229165(data);
        case 229170:
            return OnNotify229170(data);
        case 229175:
            return OnNotify229175(data);
        case 229180:
            return OnNotify229180(data);
        case 229185:
            return OnNotify229185(data);
        case 229190:
            return OnNotify229190(data);
        case 229195:
        case 229197:
        case 229199:
            return OnPlayerKong(id, data);
        case 229210:
            return OnPlayerFlower(data);
        case 229405:
            return OnConnectionLost(data);
        case 229500:
            return OnPlayerPresence(data);
        default:
            return CGameNotifyHandler::Dispatch(id, data);
    }
}

bool CMJGameNotifyHandler::OnPlayerStarted(Data data) {
    if (!HasBytes(201160, data, 16)) return false;
    const uint32_t userId = uint32_t(WordAt(data, 0));
    if (MJChatLines* chat = ChatLines())
        chat->ShowPlayerStarted(userId);
    else
        Chat(PlayerStartedLine(userId));
    if (CClientApp* mj = CClientApp::Current()) mj->GetSeatPanel()->MarkStarted(WordAt(data, 3));
    return true;
}

bool CMJGameNotifyHandler::OnRoundStart(Data data) {
    CClientApp* app = CClientApp::Current();
    if (!app || !app->GetTableLogic()->StoreRoundStart(data)) return false;
    app->ResetExitRequests();
    if (MJChatLines* chat = ChatLines())
        chat->ShowRunningText();
    else
        Chat(app->GetTableLogic()->GetRunningText());
    app->GetSeatPanel()->ResetForRound();
    return ToScene(211040, data);
}

bool CMJGameNotifyHandler::OnNotify211080(Data data) {
    CClientApp* app = CClientApp::Current();
    if (!app || !app->GetTableLogic()->StoreRoundResult(data)) return false;
    MJFramePanes* panes = Panes();
    if (panes) panes->ApplyScoreChanges(data);
    if (MJChatLines* chat = ChatLines())
        chat->ShowRoundText();
    else
        Chat(app->GetTableLogic()->GetRoundText());
    app->GetTableScene()->StopClockTimer();
    ToScene(211080, data);
    if (panes) {
        panes->AddGameResult(data);
        panes->AfterRound();
    }
    return true;
}

bool CMJGameNotifyHandler::OnSeeHandAsked(Data data) {
    if (!HasBytes(221050, data, 4)) return false;
    CClientApp* app = CClientApp::Current();
    const uint32_t looker = uint32_t(WordAt(data, 0));
    // The player may refuse all such requests, and a looker the player
    // does not want is not heard.
    if (!app || app->GetRejectKanPaiAsk() || app->GetPlayerWord41(looker) != 0) return true;
    if (MJFramePanes* panes = Panes()) panes->ShowSeeHandRequest(looker);
    return true;
}

bool CMJGameNotifyHandler::OnLookOnPermission(Data data) {
    ToScene(221160, data);
    if (data.size() < 24) return true;
    if (MJChatLines* chat = ChatLines())
        chat->ShowLookOnPermission(data);
    else
        Chat(LookOnPermissionLine(data));
    return true;
}

bool CMJGameNotifyHandler::OnPlayerDiscard(Data data) {
    // The one-second clock starts its count again with the discard.
    if (CClientApp* app = CClientApp::Current(); app && app->GetTableScene()->ClockTimerId())
        app->GetTableScene()->StartClockTimer();
    return ToScene(221170, data);
}

bool CMJGameNotifyHandler::OnOwnHandDealt(Data data) {
    return ToScene(221200, data);
}

bool CMJGameNotifyHandler::OnPlayerDraw(Data data) {
    return ToScene(229160, data);
}

bool CMJGameNotifyHandler::OnNotify229165(Data data) {
    return ToScene(229165, data);
}

bool CMJGameNotifyHandler::OnNotify229170(Data data) {
    return ToScene(229170, data);
}

bool CMJGameNotifyHandler::OnNotify229175(Data data) {
    return ToScene(229175, data);
}

bool CMJGameNotifyHandler::OnNotify229180(Data data) {
    return ToScene(229180, data);
}

bool CMJGameNotifyHandler::OnNotify229185(Data data) {
    return ToScene(229185, data);
}

bool CMJGameNotifyHandler::OnNotify229190(Data data) {
    return ToScene(229190, data);
}

bool CMJGameNotifyHandler::OnPlayerKong(uint32_t id, Data data) {
    return ToScene(id, data);
}

bool CMJGameNotifyHandler::OnPlayerFlower(Data data) {
    return ToScene(229210, data);
}

bool CMJGameNotifyHandler::OnPlayerPresence(Data data) {
    return ToScene(229500, data);
}

bool CMJGameNotifyHandler::OnConnectionLost(Data) {
    client::CGameApp* app = client::CGameApp::Current();
    if (!app) return true;
    const platform::HWND window = app->MainWindow();
    app->ReportToHall(window.value);
    if (auto* mj = dynamic_cast<client::CMJGameApp*>(app))
        mj->Alert("网络连接中断，请重新登录大厅", client::kMbIconInformation);
    // The client ends here; it does not connect again.
    if (platform::CWnd* frame = platform::CWnd::FromHandle(window)) frame->DestroyWindow();
    platform::PostQuitMessage(0);
    return true;
}

bool CMJGameNotifyHandler::OnNotify211000(Data data) {
    if (!HasBytes(211000, data, 12)) return false;
    CGameNotifyHandler::OnNotify211000(data);
    auto* app = dynamic_cast<client::CMJGameApp*>(client::CGameApp::Current());
    if (!app) return true;
    // The player is told in front of everything else.
    if (app->MainWindow()) platform::SetForegroundWindow(app->MainWindow());
    const std::string name = app->GetSeatDisplayName(WordAt(data, 1));
    const std::string text = WordAt(data, 2) != 0
                                 ? Format("%s 已经强行退出，游戏结束。(扣除%d两,%d分)",
                                          name.c_str(), -WordAt(data, 6), -WordAt(data, 5))
                                 : Format("%s 已经离开，游戏结束。", name.c_str());
    if (app->MainWindow()) app->ShowMessage(text, 10, 0x41);
    if (app->MainWindow()) platform::PostMessage(app->MainWindow(), platform::WM_CLOSE);
    return true;
}

bool CNotifyHandler::Dispatch(uint32_t id, Data data) {
    if (id == 400006) return OnExitRequest(data);
    if (id == 400007) return OnExitAnswer(data);
    return CMJGameNotifyHandler::Dispatch(id, data);
}

bool CNotifyHandler::OnPlayerStarted(Data data) {
    if (!CMJGameNotifyHandler::OnPlayerStarted(data)) return false;
    if (CClientApp* app = CClientApp::Current())
        app->GetTableScene()->ShowSettlementItem(WordAt(data, 3));
    return true;
}

bool CNotifyHandler::OnExitRequest(Data data) {
    if (!HasBytes(400006, data, 80)) return false;
    const int32_t requester = WordAt(data, 0);
    // The reason is 64 bytes of the sender's; it ends at the last byte
    // whatever the sender wrote.
    platform::ByteReader reader(data.subspan(16, 64));
    const std::string reason = reader.FixedString(64).substr(0, 63);
    if (MJFramePanes* panes = Panes()) panes->ShowExitRequest(uint32_t(requester), reason);
    Chat(Format(" <c=%d>%s请求退出 \r\n", kChatColourExit, UserName(requester).c_str()));
    return true;
}

bool CNotifyHandler::OnExitAnswer(Data data) {
    if (!HasBytes(400007, data, 24)) return false;
    Chat(
        ExitAnswerLine(UserName(WordAt(data, 0)), UserName(WordAt(data, 4)), WordAt(data, 5) != 0));
    return true;
}

}  // namespace mahjong
