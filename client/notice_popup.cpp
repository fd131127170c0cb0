#include "client/notice_popup.h"

#include "client/client_ui.h"
#include "client/game_app.h"
#include "client/picture_file.h"
#include "platform/message_queue.h"
#include "platform/paths.h"

namespace client {

CNoticePopupDlg::CNoticePopupDlg(platform::HWND ownerPane) : CSlidePopupDlg(ownerPane) {}

CNoticePopupDlg::~CNoticePopupDlg() {
    Destroy();
}

bool CNoticePopupDlg::OnInitDialog() {
    using namespace platform;
    CSlidePopupDlg::OnInitDialog();
    // The requester's portrait, else the program's default one.
    Surface picture;
    std::string name;
    if (const CGameApp* app = CGameApp::Current()) {
        picture = LoadPictureFile(app->GetPortraitDir() +
                                  std::to_string(app->GetPlayerWord18(request_)) + "_0.bmp");
        name = app->GetUserName(request_);
    }
    if (picture.Empty()) picture = LoadBitmapResource(kDefaultPortraitBitmap);
    const int edge = ScaleX(6), side = ScaleX(32), column = edge + side + ScaleX(6);
    const int line = ScaleY(16);
    portrait_.Create("", WS_VISIBLE, {edge, ScaleY(6), edge + side, ScaleY(6) + side}, this,
                     kIdPortrait);
    portrait_.SetPicture(std::move(picture));
    name_.SetColours(0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
    name_.Create(name, WS_VISIBLE | SS_LEFT, {column, ScaleY(6), ScaleX(156), ScaleY(6) + line},
                 this, kIdName);
    name_.SetUnderline(false);
    text_.Create("请求\r\n看牌", WS_VISIBLE | SS_LEFT,
                 {column, ScaleY(8) + line, ScaleX(156), ScaleY(8) + 3 * line}, this, 0);
    const int linksTop = ScaleY(78) - line;
    agree_.SetColours(0, 0, 0xFFFFFF);
    agree_.Create("同意", WS_VISIBLE | SS_LEFT,
                  {column, linksTop, column + ScaleX(36), linksTop + line}, this, kIdAgree);
    refuse_.SetColours(0, 0, 0xFFFFFF);
    refuse_.Create("拒绝", WS_VISIBLE | SS_LEFT,
                   {column + ScaleX(48), linksTop, column + ScaleX(84), linksTop + line}, this,
                   kIdRefuse);
    return true;
}

platform::LRESULT CNoticePopupDlg::OnMessage(platform::Message& msg) {
    if (msg.message == platform::WM_COMMAND &&
        platform::HIWORD(msg.wParam) == int(platform::STN_CLICKED)) {
        const int id = platform::LOWORD(msg.wParam);
        if (id == int(kIdAgree) || id == int(kIdRefuse)) {
            PostAnswer(kMsgSeeHandAnswer, request_, id == int(kIdAgree), {&agree_, &refuse_});
            return 0;
        }
    }
    return CSlidePopupDlg::OnMessage(msg);
}

}  // namespace client
