#include "client/player_view.h"

#include <cstdio>

#include "client/chat_view.h"
#include "client/client_ui.h"
#include "client/controls/icon_menu.h"
#include "client/game_app.h"
#include "client/game_frame.h"
#include "client/game_session.h"
#include "client/notice_popup.h"
#include "platform/bytes.h"
#include "platform/gui/sys_colors.h"
#include "platform/profile.h"
#include "transport/log.h"

namespace client {
namespace {

constexpr char kColName[] = "用户名";
constexpr char kColNickname[] = "昵称";
constexpr char kColLevel[] = "级别";
constexpr char kColScore[] = "积分";
constexpr char kColSilver[] = "银子";
constexpr char kColWatched[] = "旁观对象";

// Words of a game result record.
constexpr size_t kResultCount = 2;
constexpr size_t kResultScoreA = 40;
constexpr size_t kResultSilverA = 48;
constexpr size_t kResultScoreB = 72;
constexpr size_t kResultSilverB = 80;
constexpr size_t kResultWord21 = 96;
constexpr size_t kResultLevel = 104;
// Entries of the player-values list: 13 words each from word 1, the user
// id in the fifth.
constexpr size_t kValuesEntryWords = 13;
constexpr size_t kValuesUserWord = 5;

int32_t Word(std::span<const uint8_t> data, size_t word) {
    return int32_t(platform::LoadLE32(data.data() + 4 * word));
}

}  // namespace

CGamePlayerView::CGamePlayerView() {
    normalFont_ = platform::DefaultGuiFont();
    boldFont_ = normalFont_;
    boldFont_.weight = 700;
}

CGamePlayerView::~CGamePlayerView() {
    Destroy();
}

void CGamePlayerView::ReadRelationColors() {
    const std::string file = GetGameApp() ? GetGameApp()->GetPlayerColorFilePath() : "";
    const char* keys[3] = {"FriendColor", "KnowColor", "UnwelcomeColor"};
    const platform::COLORREF defaults[3] = {kFriendColor, kKnowColor, kUnwelcomeColor};
    for (size_t i = 0; i < 3; ++i)
        colors_[i] = platform::COLORREF(
            platform::GetPrivateProfileInt("PLAYER", keys[i], int(defaults[i]), file));
}

void CGamePlayerView::OnInitialUpdate() {
    ReadRelationColors();
}

bool CGamePlayerView::IsSilverRoom() {
    const CGameApp* app = GetGameApp();
    return app && (app->GetOptions() & 0x4) != 0;
}

void CGamePlayerView::SetupColumns() {
    list_.SetColumnSpec(IsSilverRoom() ? kSilverRoomColumns : kPlayerColumns);
    list_.SetupColumns();
}

void CGamePlayerView::OnRefreshList() {
    CGameApp* app = GetGameApp();
    SetupColumns();
    list_.DeleteAllItems();
    if (!app) return;
    auto& portraits = app->IsSmallScreen() ? app->Portraits16() : app->Portraits32();
    list_.SetImageList(const_cast<platform::CImageList*>(&portraits), platform::LVSIL_SMALL);
    if (!app->Hall()) return;
    for (const PlayerRecord& seat : app->Hall()->Tables().Seats())
        AddPlayer(seat);
    for (const PlayerRecord& looker : app->Hall()->Tables().Lookers())
        AddPlayer(looker);
}

void CGamePlayerView::SetCell(int row, const char* column, const std::string& text) {
    const int c = list_.FindColumn(column);
    if (row >= 0 && c >= 0) list_.SetItemText(row, c, text);
}

std::string CGamePlayerView::Cell(int row, const char* column) const {
    const int c = list_.FindColumn(column);
    return row >= 0 && c >= 0 ? list_.GetItemText(row, c) : std::string();
}

void CGamePlayerView::WriteValues(int row, const PlayerRecord& record) {
    SetCell(row, kColLevel, record.levelTitle);
    SetCell(row, kColScore, std::to_string(record.score));
    SetCell(row, kColSilver, std::to_string(record.silver));
}

void CGamePlayerView::AddPlayer(const PlayerRecord& record) {
    if (record.userName.empty() || record.userId == 0) return;
    const bool looker = record.lookerFlag != 0;
    // A row's picture is its chair's portrait; lookers share one.
    const int image = looker || record.chair < 0 || record.chair >= int(kMaxSeated)
                          ? kLookerPortraitIndex
                          : record.chair;
    const int row = list_.InsertItem(list_.GetItemCount(), record.userName, image);
    if (row < 0) return;
    list_.SetItemData(row, record.userId);
    SetCell(row, kColNickname, record.nickname);
    WriteValues(row, record);
    if (looker && GetGameApp()) SetCell(row, kColWatched, GetGameApp()->GetSeatName(record.chair));
}

void CGamePlayerView::RemovePlayer(PlayerRecord& record) {
    const int row = RowOf(record.userId);
    if (row >= 0) list_.DeleteItem(row);
    known_.erase(record.userId);
    record = PlayerRecord{};
}

void CGamePlayerView::ApplyScoreChanges(std::span<const uint8_t> result) {
    CGameApp* app = GetGameApp();
    if (!app || result.size() < 4 * (kResultCount + 1)) return;
    const int32_t count = Word(result, kResultCount);
    const size_t seats = size_t(std::clamp<int32_t>(count, 0, int32_t(kMaxSeated)));
    if (result.size() < 4 * (kResultLevel + 4 * seats)) {
        transport::LogPrintf("game result: %zu bytes for %zu seats; refused", result.size(), seats);
        return;
    }
    for (size_t i = 0; i < seats; ++i) {
        PlayerRecord* seat = app->FindPlayerMutable(app->GetSeatUserId(int(i)));
        if (!seat) continue;
        seat->word21 = uint32_t(Word(result, kResultWord21 + i));
        seat->levelTitle =
            PlayerRecord::LevelTitleOf(result.subspan(4 * (kResultLevel + 4 * i)).first<16>());
        seat->score = int32_t(uint32_t(Word(result, kResultScoreB + i)) +
                              uint32_t(Word(result, kResultScoreA + i)));
        seat->silver = int32_t(uint32_t(Word(result, kResultSilverB + i)) +
                               uint32_t(Word(result, kResultSilverA + i)));
        const int row = RowOf(seat->userId);
        if (row >= 0) WriteValues(row, *seat);
    }
}

void CGamePlayerView::RefreshPlayerValues(std::span<const uint8_t> list) {
    CGameApp* app = GetGameApp();
    if (!app || list.size() < 4) return;
    const uint64_t count = platform::LoadLE32(list.data());
    for (uint64_t i = 0; i < count; ++i) {
        const size_t word = 1 + size_t(i) * kValuesEntryWords + kValuesUserWord - 1;
        if (list.size() < 4 * (word + 1)) break;
        const uint32_t id = uint32_t(Word(list, word));
        const PlayerRecord* p = app->FindPlayer(id);
        const int row = p ? RowOf(id) : -1;
        if (row >= 0) WriteValues(row, *p);
    }
}

CGameChatView* CGamePlayerView::ChatPane() {
    auto* frame = dynamic_cast<CGameFrameWnd*>(GetTopLevel());
    return frame ? frame->GetChatView() : nullptr;
}

void CGamePlayerView::SendToChat(const std::string& text) {
    if (CGameChatView* chat = ChatPane())
        platform::SendMessage(chat->GetSafeHwnd(), kMsgAddressPlayer,
                              reinterpret_cast<platform::WPARAM>(text.c_str()));
}

void CGamePlayerView::AddressPlayer(int row) {
    if (row < 0 || row >= list_.GetItemCount()) return;
    SendToChat(Cell(row, kColName) + ",");
}

void CGamePlayerView::AskHallAboutPlayer(int row) {
    CGameApp* app = GetGameApp();
    if (!app || !app->Hall() || row < 0 || row >= list_.GetItemCount()) return;
    app->Hall()->PostToHall(kHallMsgPlayerRow, app->MainWindow(), uint32_t(list_.GetItemData(row)));
}

void CGamePlayerView::ShowRequestPopup(uint32_t data) {
    PlayWaveResource(kSoundRequest);
    CGameApp* app = GetGameApp();
    const platform::HWND main = app ? app->MainWindow() : platform::HWND{};
    platform::CWnd* mainWnd = platform::CWnd::FromHandle(main);
    auto* popup = CSlidePopupDlg::Make<CNoticePopupDlg>(GetSafeHwnd());
    popup->SetRequestData(data);
    popup->SetTextColour(0x808000);
    popup->SetBackColour(0x808000);
    popup->SetSize(ScaleX(160), ScaleY(80));
    const platform::RECT work = platform::GetDisplay()->WorkArea();
    const platform::RECT frame = mainWnd ? mainWnd->GetWindowRect() : work;
    popup->SetLeft(frame.right - ScaleX(160) - ScaleX(10));
    popup->MoveUp(ScaleY(10) + std::max(work.bottom - frame.bottom, 0));
    popup->SetStaySeconds(30);
    popup->Show(kNoticePopupTemplate, platform::CWnd::FromHandle(platform::GetForegroundWindow()),
                mainWnd);
}

platform::LRESULT CGamePlayerView::OnCustomDraw(platform::NMLVCUSTOMDRAW& draw) {
    const platform::DWORD stage = draw.nmcd.dwDrawStage;
    if (stage == platform::CDDS_PREPAINT) return platform::CDRF_NOTIFYITEMDRAW;
    if (stage == platform::CDDS_ITEMPREPAINT) return platform::CDRF_NOTIFYSUBITEMDRAW;
    if (!(stage & platform::CDDS_SUBITEM)) return platform::CDRF_DODEFAULT;
    const CGameApp* app = GetGameApp();
    const uint32_t id = uint32_t(draw.nmcd.lItemlParam);
    if (!app) return platform::CDRF_DODEFAULT;
    if (id == app->GetUserId()) {
        draw.nmcd.hdc->SelectFont(boldFont_);
        return platform::CDRF_NEWFONT;
    }
    if (relationColouring_) {
        if (app->GetPlayerWord40(id))
            draw.clrText = colors_[0];
        else if (app->GetPlayerWord42(id))
            draw.clrText = colors_[1];
        else if (app->GetPlayerWord41(id))
            draw.clrText = colors_[2];
    }
    return platform::CDRF_DODEFAULT;
}

platform::LRESULT CGamePlayerView::OnNotify(const platform::NMHDR& header) {
    if (header.hwndFrom != list_.GetSafeHwnd()) return 0;
    switch (header.code) {
        case platform::NM_CLICK:
            if (reinterpret_cast<const platform::NMITEMACTIVATE&>(header).iItem >= 0)
                AddressPlayer(list_.GetNextItem(-1, platform::LVNI_FOCUSED));
            return 0;
        case platform::NM_DBLCLK: {
            const int row = reinterpret_cast<const platform::NMITEMACTIVATE&>(header).iItem;
            if (row >= 0) {
                lastRow_ = row;
                AskHallAboutPlayer(row);
            }
            return 0;
        }
        case platform::NM_CUSTOMDRAW:
            return OnCustomDraw(const_cast<platform::NMLVCUSTOMDRAW&>(
                reinterpret_cast<const platform::NMLVCUSTOMDRAW&>(header)));
        default:
            return 0;
    }
}

void CGamePlayerView::OnContextMenu(platform::LPARAM at) {
    int row;
    platform::POINT screen;
    if (at == platform::LPARAM(-1) || at == platform::MAKELPARAM(-1, -1)) {
        // From the keyboard: the middle of the focused row.
        row = list_.GetNextItem(-1, platform::LVNI_FOCUSED);
        if (row < 0) return;
        const platform::RECT r = list_.GetItemRect(row);
        screen = list_.ClientToScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    } else {
        screen = {platform::GET_X_LPARAM(at), platform::GET_Y_LPARAM(at)};
        const platform::POINT p = list_.ScreenToClient(screen);
        if (p.y < list_.HeaderHeight()) return;
        row = list_.HitTest(p);
    }
    if (row < 0) return;
    lastRow_ = row;
    ShowPlayerMenu(row, screen);
}

void CGamePlayerView::ShowPlayerMenu(int row, platform::POINT screen) {
    CGameApp* app = GetGameApp();
    if (!app || row < 0 || row >= list_.GetItemCount()) return;
    menuUser_ = uint32_t(list_.GetItemData(row));
    menu_ = std::make_unique<CIconMenu>();
    if (!menu_->LoadMenu(kPlayerMenuResource)) return;
    CIconMenu* popup = menu_->GetSubMenu(0);
    if (!popup) return;
    popup->ModifyODMenuA(app->GetUserDisplayName(menuUser_), kCmdHello,
                         list_.GetImageList(platform::LVSIL_SMALL), list_.GetItemImage(row));
    popup->SetMenuText(kCmdLevel, "级别：" + Cell(row, kColLevel));
    popup->SetMenuText(kCmdScore, "积分：" + Cell(row, kColScore) + "分");
    const std::string silver = "银子：" + Cell(row, kColSilver) + "两";
    popup->SetMenuText(kCmdSilver, silver);
    if (IsSilverRoom()) {
        popup->DeleteMenu(kCmdSilver, platform::MF_BYCOMMAND);
        for (int i = 0; i < popup->GetMenuItemCount(); ++i) {
            if (popup->GetMenuItemID(i) != kCmdLevel) continue;
            popup->InsertODMenuA(platform::UINT(i), silver, platform::MF_BYPOSITION, kCmdSilver);
            break;
        }
    }
    popup->SetDefaultItem(kCmdDetails);
    const bool seatedOther = menuUser_ != app->GetUserId() && !app->IsLookerUser(menuUser_) &&
                             app->GetPlayerChair(menuUser_) >= 0;
    if (!seatedOther || app->GetLookerFlag() != 0)
        popup->EnableMenuItem(kCmdCall, platform::MF_BYCOMMAND | platform::MF_GRAYED);
    AdjustContextMenu(*popup, menuUser_);
    popup->TrackPopupMenu(platform::TPM_LEFTALIGN | platform::TPM_RIGHTBUTTON, screen.x, screen.y,
                          this);
}

void CGamePlayerView::OnCommand(platform::UINT id) {
    CGameApp* app = GetGameApp();
    if (!app) return;
    switch (id) {
        case kCmdHello:
            SendToChat(app->GetUserDisplayName(menuUser_) + ",");
            break;
        case kCmdDetails:
            if (app->Hall())
                app->Hall()->PostToHall(kHallMsgPlayerRow, app->MainWindow(), menuUser_);
            break;
        case kCmdCall: {
            if (CGameSession* session = app->GetConnection()) session->SendCall(menuUser_);
            const uint32_t words[10] = {app->GetUserId(),
                                        app->GetRoomId(),
                                        uint32_t(app->GetTableNo()),
                                        uint32_t(app->GetOwnChair()),
                                        menuUser_,
                                        uint32_t(app->GetPlayerChair(menuUser_)),
                                        0,
                                        0,
                                        0,
                                        0};
            uint8_t record[sizeof words];
            for (size_t i = 0; i < 10; ++i)
                platform::StoreLE32(record + 4 * i, words[i]);
            if (CGameChatView* chat = ChatPane()) chat->OnCall(record);
            break;
        }
        default:
            break;
    }
}

platform::LRESULT CGamePlayerView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE: {
            const platform::RECT client = GetClientRect();
            if (!list_.Create(platform::WS_VISIBLE | platform::WS_CHILD | platform::LVS_REPORT |
                                  platform::LVS_SINGLESEL,
                              client, this, kListId))
                return -1;
            list_.AddExtendedStyle(platform::LVS_EX_FULLROWSELECT);
            list_.SetFont(normalFont_, false);
            return 0;
        }
        case platform::WM_SIZE:
            CGameFormView::OnMessage(msg);
            if (list_.GetSafeHwnd()) list_.MoveWindow(GetClientRect());
            return 0;
        case platform::WM_PAINT: {
            platform::PAINTSTRUCT ps;
            platform::Painter p = BeginPaint(ps);
            p.FillSolidRect(GetClientRect(), platform::GetSysColor(platform::COLOR_WINDOW));
            EndPaint(ps);
            return 0;
        }
        case platform::WM_NOTIFY:
            if (const auto* header = reinterpret_cast<const platform::NMHDR*>(msg.lParam))
                return OnNotify(*header);
            return 0;
        case platform::WM_CONTEXTMENU:
            OnContextMenu(msg.lParam);
            return 0;
        case platform::WM_COMMAND:
            OnCommand(platform::UINT(platform::LOWORD(msg.wParam)));
            return 0;
        case kMsgTableEntered:
            OnRefreshList();
            return 0;
        default:
            return CGameFormView::OnMessage(msg);
    }
}

}  // namespace client
