#include "mahjong/panes/player_lists.h"

#include <array>
#include <cstdio>

#include "client/chat_view.h"
#include "client/controls/icon_menu.h"
#include "client/game_frame.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/exit_dialogs.h"
#include "platform/bytes.h"
#include "transport/log.h"

namespace mahjong {

namespace {

// The chat markup colour of look-on and exit lines.
constexpr int kLineColour = int(kChatColourExit);

}  // namespace

std::string ExitAnswerLine(const std::string& answerer, const std::string& requester, bool agree) {
    char line[160];
    std::snprintf(line, sizeof(line), " <c=%d>%s%s%s的退出请求 \r\n", kLineColour, answerer.c_str(),
                  agree ? "答应" : "拒绝", requester.c_str());
    return line;
}

CMJGamePlayerView::~CMJGamePlayerView() {
    Destroy();
}

void CMJGamePlayerView::AdjustContextMenu(client::CIconMenu& menu, uint32_t userId) {
    platform::UINT flags = platform::MF_GRAYED | platform::MF_DISABLED;
    const CClientApp* app = CClientApp::Current();
    const int row = RowOf(userId);
    if (app && app->IsLookerUser(userId) && app->GetLookerFlag() == 0 && row >= 0) {
        char text[128];
        std::snprintf(text, sizeof(text), IsKnownUser(userId) ? "禁止%s看牌" : "允许%s看牌",
                      List().GetItemText(row, 0).c_str());
        menu.SetMenuText(kCmdAllowSee, text);
        if (app->GetPlayerChair(userId) == app->GetOwnChair()) flags = platform::MF_ENABLED;
    }
    menu.EnableMenuItem(kCmdAllowSee, platform::MF_BYCOMMAND | flags);
}

void CMJGamePlayerView::OnLookOnAnswer(uint32_t lookerId, int32_t allow) {
    CClientApp* app = CClientApp::Current();
    if (!app) return;
    std::string text;
    if (!app->GetConnection()->SendSeeHandAnswer(text, lookerId, allow)) {
        transport::LogPrintf("look-on answer not sent: %s", text.c_str());
        return;
    }
    // A looker who left while the popup stood is not kept: the set holds
    // only users of the list (their rows go with them).
    if (allow && RowOf(lookerId) >= 0)
        AddKnownUser(lookerId);
    else if (!allow)
        ForgetKnownUser(lookerId);
    // The chat tells it: the own user decided about u.
    std::array<uint8_t, 40> record{};
    const uint32_t words[6] = {app->GetUserId(),
                               app->GetRoomId(),
                               uint32_t(app->GetTableNo()),
                               uint32_t(app->GetOwnChair()),
                               lookerId,
                               uint32_t(allow)};
    for (size_t i = 0; i < 6; ++i)
        platform::StoreLE32(&record[4 * i], words[i]);
    auto* frame = dynamic_cast<client::CGameFrameWnd*>(GetTopLevel());
    client::CGameChatView* chat = frame ? frame->GetChatView() : nullptr;
    if (auto* lines = dynamic_cast<MJChatLines*>(chat)) {
        lines->ShowLookOnPermission(record);
    } else if (chat) {
        const std::string line = LookOnPermissionLine(record);
        platform::SendMessage(chat->GetSafeHwnd(), client::kMsgAppendChat,
                              reinterpret_cast<platform::WPARAM>(line.c_str()));
    }
}

platform::LRESULT CMJGamePlayerView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case kMsgLookOnAnswer:
            OnLookOnAnswer(uint32_t(msg.wParam), msg.lParam != 0 ? 1 : 0);
            return 0;
        case client::kMsgTableEntered:
            // Rows take the own user's relation colours from the entry on.
            client::CGamePlayerView::OnMessage(msg);
            SetRelationColouring(true);
            return 0;
        case platform::WM_COMMAND:
            if (platform::LOWORD(msg.wParam) != kCmdAllowSee) break;
            // A toggle, for a user who still has a row.
            if (const uint32_t user = MenuUserId(); RowOf(user) >= 0)
                platform::SendMessage(GetSafeHwnd(), kMsgLookOnAnswer, user,
                                      IsKnownUser(user) ? 0 : 1);
            return 0;
        default:
            break;
    }
    return client::CGamePlayerView::OnMessage(msg);
}

CPlayerView::~CPlayerView() {
    Destroy();
}

CExitAnswerDlg* CPlayerView::ShowExitRequest(uint32_t userId, std::string_view reason) {
    return CExitAnswerDlg::Open(GetSafeHwnd(), userId, reason);
}

void CPlayerView::OnExitAnswer(uint32_t requesterId, int32_t answer) {
    CClientApp* app = CClientApp::Current();
    if (!app) return;
    app->PostToMainFrame(
        ExitAnswerLine(app->GetUserName(app->GetUserId()), app->GetUserName(requesterId), answer));
    std::string text;
    if (!app->GetConnection()->SendExitReply(text, requesterId, answer))
        transport::LogPrintf("exit answer not sent: %s", text.c_str());
}

platform::LRESULT CPlayerView::OnMessage(platform::Message& msg) {
    if (msg.message == kMsgExitAnswer) {
        OnExitAnswer(uint32_t(msg.wParam), msg.lParam != 0 ? 1 : 0);
        return 0;
    }
    return CMJGamePlayerView::OnMessage(msg);
}

}  // namespace mahjong
