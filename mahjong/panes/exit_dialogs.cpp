#include "mahjong/panes/exit_dialogs.h"

#include <algorithm>
#include <cstdio>

#include "client/client_ui.h"
#include "client/game_app.h"
#include "client/notice_popup.h"
#include "client/picture_file.h"
#include "mahjong/panes/dialog_units.h"
#include "platform/gui/virtual_keys.h"
#include "platform/text.h"

namespace mahjong {

namespace {

constexpr platform::COLORREF kExitLineColour = 0x2C5858;
constexpr platform::COLORREF kPopupColour = 0x808000;
constexpr uint32_t kSoundExitRequest = 29015;

}  // namespace

CExitRequestDlg::CExitRequestDlg(ExitRequestHost host)
    : CDialog(DluSize(220, 104), "请求退出"), host_(std::move(host)) {}

CExitRequestDlg::~CExitRequestDlg() {
    Destroy();
}

bool CExitRequestDlg::OnInitDialog() {
    using namespace platform;
    const DWORD button = WS_VISIBLE | WS_TABSTOP;
    leave_.Create("强行退出", button | BS_PUSHBUTTON, DluRect(63, 84, 50, 14), this, IDOK);
    stay_.Create("继续游戏", button | BS_DEFPUSHBUTTON, DluRect(123, 83, 50, 14), this, IDCANCEL);
    request_.Create("请求退出", button | BS_PUSHBUTTON, DluRect(13, 84, 43, 14), this, kIdRequest);
    note_.Create(
        "游戏还没结束，强退操作将扣除大量积分。输入\n"
        "理由请求其他玩家同意。（最多30个汉字，最多请求2次）",
        WS_VISIBLE | SS_LEFT, DluRect(16, 10, 190, 35), this, 0);
    reason_.CreateEx(WS_EX_CLIENTEDGE, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE,
                     DluRect(16, 42, 190, 35), this, kIdReason);
    reason_.SetLimitText(kExitReasonLimit);
    SetDefID(IDCANCEL);

    const int32_t sent = host_.requestsSent;
    char caption[32];
    std::snprintf(caption, sizeof(caption), "请求退出(%d)",
                  sent >= kMaxExitRequestsPerRound ? 0 : kMaxExitRequestsPerRound - sent);
    request_.SetWindowText(caption);
    if (sent >= kMaxExitRequestsPerRound) request_.EnableWindow(false);
    if (host_.forcedLeaveBan) {
        leave_.ShowWindow(SW_HIDE);
        client::MoveWindowScaled(request_, 64, 125, 82, 25, true);
        client::MoveWindowScaled(stay_, 189, 125, 80, 25, true);
    } else {
        client::MoveWindowScaled(request_, 24, 125, 82, 25, true);
        client::MoveWindowScaled(leave_, 129, 125, 80, 25, true);
        client::MoveWindowScaled(stay_, 229, 125, 80, 25, true);
    }
    // The player is here to type a reason.
    reason_.SetFocus();
    return false;
}

void CExitRequestDlg::OnOK() {
    if (!host_.forcedLeaveBan) EndDialog(platform::IDOK);
}

bool CExitRequestDlg::PreTranslateMessage(platform::Message& msg) {
    // Return goes to the focused control: it starts a new line of the
    // reason and never presses a button.
    if (msg.message == platform::WM_KEYDOWN && msg.wParam == platform::VK_RETURN) return false;
    return CDialog::PreTranslateMessage(msg);
}

platform::LRESULT CExitRequestDlg::OnMessage(platform::Message& msg) {
    if (msg.message == platform::WM_COMMAND && platform::LOWORD(msg.wParam) == int(kIdRequest) &&
        platform::HIWORD(msg.wParam) == int(platform::BN_CLICKED)) {
        SendRequest();
        return 0;
    }
    return CDialog::OnMessage(msg);
}

void CExitRequestDlg::SendRequest() {
    if (host_.requestsSent >= kMaxExitRequestsPerRound) return;
    if (host_.sendRequest) host_.sendRequest(reason_.GetWindowText());
    ++host_.requestsSent;
    if (client::CGameApp* app = client::CGameApp::Current()) {
        char line[128];
        std::snprintf(line, sizeof(line), " <c=%d>%s请求退出 \r\n", int(kExitLineColour),
                      app->GetUserName(app->GetUserId()).c_str());
        app->PostToMainFrame(line);
    }
    // Asking is not leaving: the box ends as "play on".
    Send(platform::WM_CLOSE);
}

std::string ExitReasonText(std::string_view field) {
    field = field.substr(0, std::min(field.find('\0'), kExitReasonField));
    return std::string(platform::GbkPrefix(field, kExitReasonField - 1));
}

CExitAnswerDlg::CExitAnswerDlg(platform::HWND ownerPane, uint32_t requesterId,
                               std::string_view reason)
    : CSlidePopupDlg(ownerPane),
      requester_(requesterId),
      reason_(ExitReasonText(reason)),
      defaultPortrait_(client::LoadBitmapResource(client::kDefaultPortraitBitmap)) {}

CExitAnswerDlg::~CExitAnswerDlg() {
    Destroy();
}

CExitAnswerDlg* CExitAnswerDlg::Open(platform::HWND ownerPane, uint32_t requesterId,
                                     std::string_view reason) {
    using client::ScaleX;
    using client::ScaleY;
    const client::CGameApp* app = client::CGameApp::Current();
    platform::CWnd* main = platform::CWnd::FromHandle(app ? app->MainWindow() : platform::HWND{});
    const platform::RECT work = platform::GetDisplay()->WorkArea();
    const platform::RECT frame = main ? main->GetWindowRect() : work;
    client::PlayWaveResource(kSoundExitRequest);
    auto* popup = Make<CExitAnswerDlg>(ownerPane, requesterId, reason);
    popup->SetTextColour(kPopupColour);
    popup->SetBackColour(kPopupColour);
    popup->SetSize(ScaleX(200), ScaleY(105));
    popup->SetLeft(frame.right - ScaleX(200) - ScaleX(10));
    popup->MoveUp(ScaleY(10) + std::max(work.bottom - frame.bottom, 0));
    popup->SetStaySeconds(30);
    popup->Show(kTemplate, platform::CWnd::FromHandle(platform::GetForegroundWindow()), main);
    return popup;
}

bool CExitAnswerDlg::OnInitDialog() {
    using namespace platform;
    using client::ScaleX;
    using client::ScaleY;
    CSlidePopupDlg::OnInitDialog();
    Surface picture;
    std::string name;
    if (const client::CGameApp* app = client::CGameApp::Current()) {
        picture = client::LoadPictureFile(
            app->GetPortraitDir() + std::to_string(app->GetPlayerWord18(requester_)) + "_0.bmp");
        name = app->GetUserName(requester_);
    }
    const int edge = ScaleX(6), side = ScaleX(32), column = edge + side + ScaleX(6);
    const int line = ScaleY(14), right = ScaleX(194);
    portrait_.Create("", WS_VISIBLE, {edge, ScaleY(6), edge + side, ScaleY(6) + side}, this,
                     kIdPortrait);
    portrait_.SetPicture(picture.Empty() ? defaultPortrait_ : std::move(picture));
    name_.SetColours(0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
    name_.Create(name, WS_VISIBLE | SS_LEFT, {column, ScaleY(6), right, ScaleY(6) + line}, this,
                 kIdName);
    name_.SetUnderline(false);
    const int top = ScaleY(24);
    text_.Create("请求\r\n退出", WS_VISIBLE | SS_LEFT,
                 {column, top, column + ScaleX(30), top + 2 * line}, this, kIdText);
    agree_.SetColours(0, 0, 0xFFFFFF);
    agree_.Create("同意", WS_VISIBLE | SS_LEFT,
                  {column + ScaleX(40), top, column + ScaleX(70), top + line}, this, kIdAgree);
    refuse_.SetColours(0, 0, 0xFFFFFF);
    refuse_.Create("拒绝", WS_VISIBLE | SS_LEFT,
                   {column + ScaleX(80), top, column + ScaleX(110), top + line}, this, kIdRefuse);
    reasonEdit_.CreateEx(WS_EX_CLIENTEDGE, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY,
                         {edge, ScaleY(54), right, ScaleY(100)}, this, kIdReason);
    reasonEdit_.SetWindowText(reason_);
    reasonEdit_.EnableWindow(false);
    return true;
}

platform::LRESULT CExitAnswerDlg::OnMessage(platform::Message& msg) {
    if (msg.message == platform::WM_CTLCOLORSTATIC &&
        msg.lParam == platform::ToLParam(reasonEdit_.GetSafeHwnd())) {
        // The reason cannot be edited, but it must read well on the popup's colour.
        const platform::LRESULT brush = CSlidePopupDlg::OnMessage(msg);
        if (auto* painter = reinterpret_cast<platform::Painter*>(msg.wParam))
            painter->SetTextColor(0xFFFFFF);
        return brush;
    }
    if (msg.message == platform::WM_COMMAND &&
        platform::HIWORD(msg.wParam) == int(platform::STN_CLICKED)) {
        const int id = platform::LOWORD(msg.wParam);
        if (id == int(kIdAgree) || id == int(kIdRefuse)) {
            PostAnswer(kMsgExitAnswer, requester_, id == int(kIdAgree), {&agree_, &refuse_});
            return 0;
        }
    }
    return CSlidePopupDlg::OnMessage(msg);
}

}  // namespace mahjong
