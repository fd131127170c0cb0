#include "mahjong/panes/rank_pane.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "client/controls/memory_dc.h"
#include "client/game_app.h"
#include "mahjong/app/client_app.h"
#include "platform/bytes.h"
#include "platform/gui/region.h"
#include "platform/gui/sys_colors.h"
#include "platform/message_queue.h"
#include "transport/log.h"

namespace mahjong {
namespace {

constexpr int kSeats = 4;
constexpr int kNameWidth = 100;
constexpr int kColumnWidth = 60;
constexpr int kRowHeight = 22;

// Totals stay in 32 bits whatever the server sends.
int32_t AddClamped(int32_t a, int32_t b) {
    const int64_t sum = int64_t(a) + b;
    return int32_t(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

}  // namespace

CAdCombatInfoView::CAdCombatInfoView() = default;

CAdCombatInfoView::~CAdCombatInfoView() {
    if (GetSafeHwnd()) platform::KillTimer(GetSafeHwnd(), kTimerBackToAdvert);
    html_.reset();
    Destroy();
}

void CAdCombatInfoView::OnInitialUpdate() {
    auto html = std::make_unique<client::CHtmlCtrl>();
    if (html->CreateFromStatic(kPlaceholderId, this)) html_ = std::move(html);
    InitTabs();
}

void CAdCombatInfoView::InitTabs() {
    normalFont_ = GetFont().face.empty() ? platform::DefaultGuiFont() : GetFont();
    boldFont_ = normalFont_;
    boldFont_.weight = 700;
    active_ = -1;
    tabWidths_.clear();
    tabTitles_.clear();
    AddTab("Varnok");
    AddTab("银子榜");
}

void CAdCombatInfoView::AddTab(const std::string& title) {
    platform::Surface scratch(1, 1);
    platform::Painter p(scratch);
    p.SelectFont(boldFont_);
    tabWidths_.push_back(p.GetTextExtent(title).cx + 10);
    tabTitles_.push_back(title);
    if (tabTitles_.size() == 1) active_ = 0;
}

void CAdCombatInfoView::RebuildResultList() {
    CClientApp* app = CClientApp::Current();
    if (!app || !list_.GetSafeHwnd()) return;
    const CTableLogic& logic = *app->GetTableLogic();
    // The running game is counted in the snapshot but has no result yet.
    games_ = logic.GetRoundNumber() - (logic.IsRunning() ? 1 : 0);
    for (int seat = 0; seat < kSeats; ++seat)
        totals_[size_t(seat)] = logic.Word(snap::kSeatTotals + seat);
    list_.SetExtendedStyle(list_.GetExtendedStyle() | platform::LVS_EX_GRIDLINES);
    list_.SetImageList(&rowHeight_, platform::LVSIL_SMALL);
    list_.DeleteAllItems();
    // Entering again starts the columns afresh too.
    while (list_.GetColumnCount() > 0)
        list_.DeleteColumn(0);
    list_.InsertColumn(0, "用户名", platform::LVCFMT_LEFT, kNameWidth);
    list_.InsertColumn(1, "累计银子", platform::LVCFMT_LEFT, kColumnWidth);
    for (int seat = 0; seat < kSeats; ++seat) {
        list_.InsertItem(seat, app->GetSeatName(seat));
        list_.SetItemText(seat, 1, std::to_string(totals_[size_t(seat)]));
    }
}

void CAdCombatInfoView::AddGameResult(std::span<const uint8_t> result) {
    if (result.size() < (kResultSilverChange + kSeats) * 4) {
        transport::LogPrintf("game result of %zu bytes: too short for the list", result.size());
        return;
    }
    ++games_;
    char title[32];
    std::snprintf(title, sizeof(title), "  第%d局", games_);
    // The newest game stands left of the older ones; each game keeps its
    // own cells, so the older columns' values move with their headers.
    const int cells = GameCell(games_);
    if (list_.GetColumnCount() >= 2 + kMaxGameCells) list_.DeleteColumn(list_.GetColumnCount() - 1);
    list_.InsertColumn(2, title, platform::LVCFMT_LEFT, kColumnWidth, cells);
    for (int row = 0; row < kSeats; ++row) {
        const auto delta =
            int32_t(platform::LoadLE32(&result[(kResultSilverChange + size_t(row)) * 4]));
        totals_[size_t(row)] = AddClamped(totals_[size_t(row)], delta);
        list_.SetItemText(row, 1, std::to_string(totals_[size_t(row)]));
        list_.SetItemText(row, cells, std::to_string(delta));
    }
}

int CAdCombatInfoView::GameCell(int game) {
    return 2 + ((game - 1) % kMaxGameCells + kMaxGameCells) % kMaxGameCells;
}

int CAdCombatInfoView::TabLeft(int tab) const {
    int x = kStripHeight / 2;
    for (int i = 0; i < tab; ++i)
        x += tabWidths_[size_t(i)] + kStripHeight / 2;
    return x;
}

std::array<platform::POINT, 4> CAdCombatInfoView::TabCorners(int tab) const {
    const int h = kStripHeight, x = TabLeft(tab), w = tabWidths_[size_t(tab)];
    return {{{x - h / 2, h}, {x, 0}, {x + w, 0}, {x + w + h / 2, h}}};
}

int CAdCombatInfoView::HitTestTab(platform::POINT p) const {
    if (tabWidths_.empty()) return -1;
    const int h = kStripHeight;
    for (int tab = 0; tab < int(tabWidths_.size()); ++tab) {
        if (tab == active_) continue;
        const int x = TabLeft(tab), w = tabWidths_[size_t(tab)];
        const platform::POINT shape[] = {{x - h / 2, h},         {x, 0},     {x + w, 0},
                                         {x + w + h / 4, h / 2}, {x + w, h}, {x - h / 2, h}};
        if (platform::Region::FromPolygon(shape, platform::ALTERNATE).Contains(p)) return tab;
    }
    return active_;
}

void CAdCombatInfoView::SwitchTab(platform::POINT p, platform::UINT backAfterMs) {
    const int tab = HitTestTab(p);
    if (tab == active_) return;
    active_ = tab;
    if (tab == 1) platform::SetTimer(GetSafeHwnd(), kTimerBackToAdvert, backAfterMs);
    Invalidate(false);
}

void CAdCombatInfoView::DrawTab(platform::Painter& p, int tab) {
    const bool active = tab == active_;
    const auto corners = TabCorners(tab);
    p.SelectFont(active ? boldFont_ : normalFont_);
    p.FillRegion(platform::Region::FromPolygon(corners),
                 platform::Brush::Solid(active ? kActiveFill : kInactiveFill));
    const int x = TabLeft(tab);
    platform::RECT text{x, 0, x + tabWidths_[size_t(tab)], kStripHeight};
    p.DrawText(tabTitles_[size_t(tab)], text,
               platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
    const platform::POINT outline[] = {corners[0], corners[1], corners[2], corners[3], corners[0]};
    p.Polyline(outline);
}

void CAdCombatInfoView::Paint() {
    platform::PAINTSTRUCT ps;
    platform::Painter screen = BeginPaint(ps);
    const platform::RECT client = GetClientRect();
    {
        client::CMemoryDC memory(screen, client);
        platform::Painter& p = *memory;
        p.FillSolidRect({client.left, 0, client.right, kStripHeight}, kStripFill);
        p.SetBkMode(platform::TRANSPARENT);
        p.SetTextColor(kTitleColour);
        for (int tab = 0; tab < int(tabWidths_.size()); ++tab)
            if (tab != active_) DrawTab(p, tab);
        if (active_ >= 0 && active_ < int(tabWidths_.size())) DrawTab(p, active_);
    }
    EndPaint(ps);
    const platform::RECT content{client.left, kStripHeight, client.right, client.bottom};
    platform::CWnd* shown = active_ == 0 ? static_cast<platform::CWnd*>(html_.get()) : &list_;
    platform::CWnd* hidden = active_ == 0 ? static_cast<platform::CWnd*>(&list_) : html_.get();
    if (hidden && hidden->GetSafeHwnd()) hidden->ShowWindow(platform::SW_HIDE);
    if (shown && shown->GetSafeHwnd()) {
        if (shown->GetRectInParent() != content) shown->MoveWindow(content);
        shown->ShowWindow(platform::SW_SHOW);
    }
}

platform::LRESULT CAdCombatInfoView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE: {
            if (client::CGameFormView::OnMessage(msg) == -1) return -1;
            // The pane's template: the list and the place of the page.
            if (!list_.Create(platform::WS_CHILD | platform::LVS_REPORT, GetClientRect(), this,
                              kListId) ||
                !placeholder_.Create("", platform::WS_VISIBLE, GetClientRect(), this,
                                     kPlaceholderId))
                return -1;
            rowHeight_.Create(1, kRowHeight);
            return 0;
        }
        case client::kMsgTableEntered:
            // The address travels as the message's own string, freed with it.
            if (auto url = msg.payload.Take<std::string>(); url && html_) html_->NavigatePost(*url);
            RebuildResultList();
            return 0;
        case platform::WM_MOUSEMOVE:
        case platform::WM_LBUTTONDOWN:
            SwitchTab({platform::GET_X_LPARAM(msg.lParam), platform::GET_Y_LPARAM(msg.lParam)},
                      msg.message == platform::WM_MOUSEMOVE ? 10000 : 5000);
            return client::CGameFormView::OnMessage(msg);
        case platform::WM_TIMER:
            if (msg.wParam != kTimerBackToAdvert) return 0;
            platform::KillTimer(GetSafeHwnd(), kTimerBackToAdvert);
            if (active_ != 0) {
                active_ = 0;
                Invalidate(true);
            }
            return 0;
        case platform::WM_SIZE:
            client::CGameFormView::OnMessage(msg);
            Invalidate(true);
            return 0;
        case platform::WM_ERASEBKGND:
            return 1;
        case platform::WM_PAINT:
            Paint();
            return 0;
        default:
            return client::CGameFormView::OnMessage(msg);
    }
}

}  // namespace mahjong
