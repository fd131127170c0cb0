#include "mahjong/panes/chat_pane.h"

#include "client/game_app.h"
#include "mahjong/app/client_app.h"
#include "platform/message_queue.h"

namespace mahjong {

CMJGameChatView::~CMJGameChatView() {
    Destroy();
}

void CMJGameChatView::OnInitialUpdate() {
    client::CGameChatView::OnInitialUpdate();
    SetFaceButtonIcon(client::kFaceButtonIcon);
}

void CMJGameChatView::AppendLine(const std::string& markup) {
    // Sent, not posted: the text only lives for the call.
    if (!markup.empty() && GetSafeHwnd())
        platform::SendMessage(GetSafeHwnd(), client::kMsgAppendChat,
                              reinterpret_cast<platform::WPARAM>(markup.c_str()));
}

void CMJGameChatView::ShowRunningText() {
    if (CClientApp* app = CClientApp::Current()) AppendLine(app->GetTableLogic()->GetRunningText());
}

void CMJGameChatView::ShowRoundText() {
    if (CClientApp* app = CClientApp::Current()) AppendLine(app->GetTableLogic()->GetRoundText());
}

void CMJGameChatView::ShowPlayerStarted(uint32_t userId) {
    AppendLine(PlayerStartedLine(userId));
}

void CMJGameChatView::ShowLookOnPermission(Bytes record) {
    AppendLine(LookOnPermissionLine(record));
}

platform::LRESULT CMJGameChatView::OnMessage(platform::Message& msg) {
    if (msg.message != client::kMsgTableEntered) return client::CGameChatView::OnMessage(msg);
    const platform::LRESULT result = client::CGameChatView::OnMessage(msg);
    // A table entered mid-game has its round snapshot from the enter reply.
    if (CClientApp* app = CClientApp::Current()) {
        AppendLine(app->GetTableLogic()->GetRoundOpenText());
        if (app->GetTableLogic()->IsRunning()) ShowRunningText();
    }
    return result;
}

CMJChatView2::~CMJChatView2() {
    Destroy();
}

platform::LRESULT CMJChatView2::OnMessage(platform::Message& msg) {
    if (msg.message != platform::WM_ERASEBKGND) return client::CGameFormView::OnMessage(msg);
    if (auto* painter = reinterpret_cast<platform::Painter*>(msg.wParam))
        painter->FillSolidRect(GetClientRect(), 0xFFFFFF);
    return 1;
}

}  // namespace mahjong
