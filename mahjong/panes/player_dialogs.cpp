#include "mahjong/panes/player_dialogs.h"

#include <cstdio>

#include "client/client_ui.h"
#include "client/client_utils.h"
#include "client/game_app.h"
#include "client/picture_file.h"
#include "mahjong/panes/dialog_units.h"
#include "platform/bytes.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mahjong {

namespace {

// The card's rows below the name: label and the edit that shows the value.
struct CardRow {
    const char* label;
    platform::UINT id;
};
constexpr std::array<CardRow, 15> kCardRows = {{
    {"昵称", 1042},
    {"财富等级", 1043},
    {"银子", 1044},
    {"级别", 1047},
    {"积分", 1049},
    {"经验", 1045},
    {"断线率", 1048},
    {"网速", 1046},
    {"赢", 1050},
    {"输", 1051},
    {"和", 1052},
    {"胜率", 1053},
    {"我的好友", 1054},
    {"不受欢迎", 1055},
    {"正在旁观", 1056},
}};
constexpr int kRowsTop = 44;
constexpr int kRowHeight = 18;

int32_t RecordWord(const client::PlayerRecord& r, size_t n) {
    return int32_t(platform::LoadLE32(&r.image[4 * n]));
}

std::string Format(const char* format, auto... values) {
    char text[64];
    std::snprintf(text, sizeof(text), format, values...);
    return text;
}

std::string Rate(int32_t part, int64_t games) {
    return Format("%.2f%%", double(part) / double(games) * 100.0);
}

}  // namespace

std::vector<std::pair<platform::UINT, std::string>> PlayerCardValues(
    const client::PlayerRecord& r) {
    const int32_t wins = RecordWord(r, 30), losses = RecordWord(r, 31), draws = RecordWord(r, 32);
    const int64_t games = int64_t(wins) + losses + draws;
    // The watched seat's text ends with the record when nothing ends it before.
    const std::string_view tail(reinterpret_cast<const char*>(&r.image[kWatchedSeatText]),
                                r.image.size() - kWatchedSeatText);
    const std::string_view watched = platform::GbkPrefix(tail.substr(0, tail.find('\0')), 127);
    return {
        {CPlayerInfoDlg::kIdName, r.userName},
        {1042, r.nickname},
        {1043, client::WealthTitle(r.silver)},
        {1044, Format("%d两", r.silver)},
        {1047, r.levelTitle},
        {1049, Format("%d", r.score)},
        {1045, Format("%d", RecordWord(r, 27))},
        {1048, games == 0 ? "0.00%" : Rate(RecordWord(r, 28), games)},
        {1046, Format("%d", RecordWord(r, 29))},
        {1050, Format("%d", wins)},
        {1051, Format("%d", losses)},
        {1052, Format("%d", draws)},
        {1053, games == 0 ? "100%" : Rate(wins, games)},
        {1054, r.friendFlag ? "是" : ""},
        {1055, r.unwelcomeFlag ? "是" : ""},
        {1056, std::string(watched)},
    };
}

CPlayerInfoDlg::CPlayerInfoDlg() : CDialog(DluSize(105, 227), "详细信息") {}

CPlayerInfoDlg::~CPlayerInfoDlg() {
    Destroy();
}

bool CPlayerInfoDlg::OnInitDialog() {
    using namespace platform;
    portrait_.Create(32, 32, kPortraitMask);
    const DWORD value = WS_CHILD | WS_VISIBLE | ES_READONLY;
    name_.CreateEx(0, "", value, {48, 12, 152, 30}, this, kIdName);
    int top = kRowsTop;
    for (const CardRow& row : kCardRows) {
        auto label = std::make_unique<CStatic>();
        label->Create(row.label, WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE,
                      {6, top, 58, top + kRowHeight}, this, 0);
        auto edit = std::make_unique<CEdit>();
        edit->CreateEx(0, "", value, {60, top, 152, top + kRowHeight}, this, row.id);
        labels_.push_back(std::move(label));
        values_.push_back(std::move(edit));
        top += kRowHeight;
    }
    refresh_.Create("刷新", WS_VISIBLE | SS_LEFT, {44, top + 6, 72, top + 22}, this, kIdRefresh);
    close_.Create("关闭", WS_VISIBLE | SS_LEFT, {92, top + 6, 120, top + 22}, this, kIdClose);
    return false;
}

void CPlayerInfoDlg::ShowRecord(const client::PlayerRecord& record) {
    record_ = record;
    LoadPortrait();
    for (const auto& [id, text] : PlayerCardValues(record_)) {
        if (platform::CWnd* edit = GetDlgItem(id)) edit->SetWindowText(text);
    }
    Invalidate();
    UpdateWindow();
}

void CPlayerInfoDlg::ShowBeside(int columnLeft, int tableTop) {
    const int width = GetWindowRect().Width();
    SetWindowPos(platform::HWND_TOP, columnLeft - width - 5, tableTop, 0, 0, platform::SWP_NOSIZE);
    ShowWindow(platform::SW_SHOW);
    platform::SetForegroundWindow(GetSafeHwnd());
}

std::string CPlayerInfoDlg::Value(platform::UINT id) const {
    const platform::CWnd* edit = GetDlgItem(id);
    return edit ? edit->GetWindowText() : std::string();
}

void CPlayerInfoDlg::LoadPortrait() {
    if (portrait_.GetImageCount() > 0) portrait_.Remove(0);
    platform::Surface picture;
    if (const client::CGameApp* app = client::CGameApp::Current()) {
        const std::string path =
            app->GetPortraitDir() + std::to_string(record_.portrait) + "_0.bmp";
        if (platform::FileExists(path)) picture = client::LoadPictureFile(path);
    }
    if (picture.Empty())
        picture = client::IconOnColour(client::LoadIconResource(client::kDefaultPortraitIcon),
                                       kPortraitMask);
    portrait_.Add(picture);
}

void CPlayerInfoDlg::Hide() {
    ShowWindow(platform::SW_HIDE);
}

void CPlayerInfoDlg::OnCancel() {
    // The card is kept for the next player shown.
    Hide();
}

platform::LRESULT CPlayerInfoDlg::OnMessage(platform::Message& msg) {
    using namespace platform;
    switch (msg.message) {
        case WM_ERASEBKGND:
            if (auto* painter = reinterpret_cast<Painter*>(msg.wParam)) {
                painter->FillSolidRect(GetClientRect(), 0xFFFFFF);
                portrait_.Draw(*painter, 0, {10, 4}, ILD_TRANSPARENT);
            }
            return 1;
        case WM_CTLCOLORSTATIC:
            return client::TransparentStatic(msg);
        case WM_COMMAND: {
            const int id = LOWORD(msg.wParam);
            if (HIWORD(msg.wParam) != int(STN_CLICKED) ||
                (id != int(kIdClose) && id != int(kIdRefresh))) {
                break;
            }
            CWnd::ReleaseCapture();
            client::PlayWaveResource(kSoundLinkClick);
            if (id == int(kIdClose)) {
                Hide();
            } else if (client::CGameApp* app = client::CGameApp::Current(); app && app->Hall()) {
                // The hall answers with a fresh record of the player.
                app->Hall()->PostToHall(client::kHallMsgPlayerRow, app->MainWindow(),
                                        record_.userId);
            }
            return 0;
        }
        default:
            break;
    }
    return CDialog::OnMessage(msg);
}

CGameSettingsDlg::CGameSettingsDlg() : CDialog(DluSize(225, 114), "设置") {}

CGameSettingsDlg::~CGameSettingsDlg() {
    Destroy();
}

bool CGameSettingsDlg::OnInitDialog() {
    using namespace platform;
    const DWORD box = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
    group_.Create("打牌设置", WS_VISIBLE | BS_GROUPBOX, DluRect(5, 7, 215, 72), this, 0);
    quickCatchBox_.Create("快速抓牌（可能会泄漏牌张信息，高手之间打牌慎用）", box,
                          DluRect(10, 22, 208, 12), this, kIdQuickCatch);
    rejectBox_.Create("不接受看牌请求", box, DluRect(10, 40, 208, 12), this, kIdRejectLookOn);
    silenceBox_.Create("打牌时保持安静", box, DluRect(10, 58, 208, 12), this, kIdSilence);
    ok_.Create("确定", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, DluRect(112, 90, 50, 14), this,
               IDOK);
    cancel_.Create("取消", WS_VISIBLE | WS_TABSTOP, DluRect(168, 90, 50, 14), this, IDCANCEL);
    SetDefID(IDOK);
    for (auto [button, flag] : {std::pair{&quickCatchBox_, quickCatch},
                                {&rejectBox_, rejectLookOn},
                                {&silenceBox_, silence}}) {
        SendMessage(button->GetSafeHwnd(), BM_SETCHECK, flag ? BST_CHECKED : BST_UNCHECKED);
    }
    return true;
}

void CGameSettingsDlg::OnOK() {
    auto checked = [](const platform::CButton& button) {
        return int32_t(platform::SendMessage(button.GetSafeHwnd(), platform::BM_GETCHECK) ==
                       platform::BST_CHECKED);
    };
    quickCatch = checked(quickCatchBox_);
    rejectLookOn = checked(rejectBox_);
    silence = checked(silenceBox_);
    EndDialog(platform::IDOK);
}

}  // namespace mahjong
