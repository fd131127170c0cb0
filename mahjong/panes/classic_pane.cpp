#include "mahjong/panes/classic_pane.h"

#include "mahjong/app/client_app.h"
#include "mahjong/panes/classic_paint.h"
#include "mahjong/panes/dialog_units.h"
#include "mahjong/scene/table_scene.h"
#include "platform/gui/controls.h"
#include "platform/gui/virtual_keys.h"

namespace mahjong {
namespace {

constexpr platform::COLORREF kTableColour = 0x4000;  // the skin's default table colour
constexpr int kButtonGap = 4;           // the claim buttons above the own hand, and between them
constexpr uint32_t kAskWaitMs = 15000;  // before a looker may ask to see the hand again

platform::POINT PointOf(const platform::Message& msg) {
    return {platform::GET_X_LPARAM(msg.lParam), platform::GET_Y_LPARAM(msg.lParam)};
}

CSeatPanel* SeatPanel() {
    CClientApp* app = CClientApp::Current();
    return app ? app->GetSeatPanel() : nullptr;
}

}  // namespace

CMJGameTableView::CMJGameTableView(CMJTableScene* scene)
    : buttons_{{{kIdStart, "", {115, 120, 55, 18}, {}},
                {kIdAskToSee, "请求看牌", {0, 140, 50, 18}, {}},
                {kIdPass, "过", {114, 82, 20, 18}, {}},
                {kIdHu, "胡", {141, 82, 20, 18}, {}},
                {kIdKong, "豆", {168, 82, 20, 18}, {}},
                {kIdPeng, "碰", {195, 82, 20, 18}, {}},
                {kIdChow, "吃", {222, 82, 20, 18}, {}}}},
      scene_(scene) {
    SetBackgroundColor(kTableColour);
    if (scene_) scene_->SetClassicHost(this);
}

CMJGameTableView::~CMJGameTableView() {
    if (scene_) scene_->SetClassicHost(nullptr);
    Destroy();
}

void CMJGameTableView::OnInitialUpdate() {
    client::CGameTableView::OnInitialUpdate();
    for (PaneButton& b : buttons_) {
        const platform::RECT& d = b.place;
        b.button.Create(b.caption, 0, DluRect(d.left, d.top, d.right, d.bottom), this, b.id);
        b.button.EnableWindow(b.id < kIdPass);
    }
    const platform::RECT area = GetClientRect();
    if (area.Width() > 0) LayoutControls(area.Width(), area.Height());
}

void CMJGameTableView::InitializeTable() {
    client::CGameTableView::InitializeTable();
    if (scene_) scene_->Initialize();
    if (CSeatPanel* panel = SeatPanel()) panel->LoadBankerMark();
}

platform::CButton* CMJGameTableView::Button(platform::UINT id) {
    for (PaneButton& b : buttons_)
        if (b.id == id) return &b.button;
    return nullptr;
}

void CMJGameTableView::LayoutControls(int cx, int cy) {
    if (!Button(kIdStart)->GetSafeHwnd()) return;
    const int h = scene_ ? scene_->GetTableLogic()->GetFrameConstantB() : 24;  // the seat strip
    Button(kIdAskToSee)->MoveWindow(0, cy - h, 70, h);
    Button(kIdStart)->MoveWindow(cx / 2 - 40, cy - 160, 80, 30);
    PlaceOperationButtons();
    if (scene_) scene_->PlaceOperationButtons();
}

void CMJGameTableView::PlaceOperationButtons() {
    if (!scene_ || !Button(kIdPass)->GetSafeHwnd()) return;
    // In a row at the right end above the own hand, the chow button only
    // while the round plays chows: pass, hu, kong, peng, chow from the left.
    platform::RECT hand;
    scene_->GetHandAreaRect(3, &hand);
    const bool chows = scene_->GetTableLogic()->HasChowButton();
    const platform::UINT order[] = {kIdPass, kIdHu, kIdKong, kIdPeng, kIdChow};
    const int used = chows ? 5 : 4;
    const platform::SIZE size = DluSize(20, 18);
    int x = hand.right - used * size.cx - (used - 1) * kButtonGap;
    const int y = hand.top - kButtonGap - size.cy;
    for (int i = 0; i < used; ++i, x += size.cx + kButtonGap) {
        platform::CButton& b = *Button(order[i]);
        const platform::RECT at = b.GetRectInParent();
        if (at.left != x || at.top != y || at.Width() != size.cx || at.Height() != size.cy)
            b.MoveWindow(x, y, size.cx, size.cy);
    }
}

void CMJGameTableView::UpdateButtons() {
    if (!scene_ || !Button(kIdStart)->GetSafeHwnd()) return;
    const bool looker = scene_->IsLooker();
    const bool running = scene_->GetTableLogic()->IsRunning() || scene_->InRound();
    auto show = [](platform::CButton& b, bool on) {
        if (b.IsWindowVisible() != on) b.ShowWindow(on ? platform::SW_SHOW : platform::SW_HIDE);
    };
    show(*Button(kIdStart), !looker && !running);
    show(*Button(kIdAskToSee), looker && running);
    // Asked: the button waits its 15 seconds (timer 7) before it may ask again.
    if (Button(kIdAskToSee)->IsWindowEnabled() == askWaiting_)
        Button(kIdAskToSee)->EnableWindow(!askWaiting_);
    PlaceOperationButtons();
    const bool chows = scene_->GetTableLogic()->HasChowButton();
    static constexpr std::pair<platform::UINT, int32_t> kClaims[] = {{kIdPeng, kPengButton},
                                                                     {kIdKong, kKongButton},
                                                                     {kIdChow, kChowButton},
                                                                     {kIdHu, kHuButton},
                                                                     {kIdPass, kPassButton}};
    bool any = false;
    for (auto [id, n] : kClaims)
        any = any || scene_->IsButtonEnabled(n);
    for (auto [id, n] : kClaims) {
        platform::CButton& b = *Button(id);
        show(b, !looker && any && (chows || id != kIdChow));
        if (b.IsWindowEnabled() != scene_->IsButtonEnabled(n))
            b.EnableWindow(scene_->IsButtonEnabled(n));
    }
}

void CMJGameTableView::RunCommand(platform::UINT id) {
    switch (id) {
        case kIdStart:
            scene_->OnStart();
            break;
        case kIdAskToSee:
            AskToSeeHand();
            break;
        case kIdPass:
            scene_->OnPass();
            break;
        case kIdHu:
            scene_->OnHu();
            break;
        case kIdKong:
            scene_->OnKong();
            break;
        case kIdPeng:
            scene_->OnPeng();
            break;
        case kIdChow:
            scene_->OnChi();
            break;
        default:
            break;
    }
}

void CMJGameTableView::ResetForNewGame() {
    CClientApp* app = CClientApp::Current();
    if (!scene_ || !app || !app->MainWindow() || app->GetTableClockTimer() != 0) return;
    CTableLogic& logic = *app->GetTableLogic();
    logic.SetTableWord14(logic.GetTableFlags() & ~snap::kFlagRunning);
    rebuild_ = true;
    // The table laid out empty, the seat marks cleared, the start offered.
    scene_->ResetTableDisplay();
    Invalidate(false);
}

void CMJGameTableView::AskToSeeHand() {
    // A looker asks while the game runs and the watched hand is hidden.
    if (!scene_->IsLooker() || scene_->IsHandFaceKnown(3) || !scene_->GetTableLogic()->IsRunning())
        return;
    scene_->AskToSeeCards();
    askWaiting_ = true;
    Button(kIdAskToSee)->EnableWindow(false);
    platform::SetTimer(GetSafeHwnd(), kTimerAskToSee, kAskWaitMs);
}

void CMJGameTableView::RestartClockTimer() {
    if (ClockTimer() != 0) StartClockTimer();
}

void CMJGameTableView::CaptureMouse(bool capture) {
    if (capture)
        SetCapture();
    else
        ReleaseCapture();
}

void CMJGameTableView::SetPaneTimer(uint32_t id, uint32_t ms) {
    if (ms == 0)
        platform::KillTimer(GetSafeHwnd(), id);
    else
        platform::SetTimer(GetSafeHwnd(), id, ms);
}

platform::POINT CMJGameTableView::CursorInPane() const {
    return ScreenToClient(platform::GetCursorPos());
}

void CMJGameTableView::RedrawTable() {
    if (memory_.Width() == 0) return;
    platform::Painter dc(memory_);
    DrawBackground(dc, memory_.Bounds());
    if (CSeatPanel* panel = SeatPanel()) panel->DrawSeatLabels(dc);
    if (scene_) ClassicTablePainter(*scene_, dc).Paint();
    painted_ = true;
}

platform::LRESULT CMJGameTableView::OnMessage(platform::Message& msg) {
    const auto flags = uint32_t(msg.wParam);
    switch (msg.message) {
        case platform::WM_PAINT: {
            const platform::RECT area = GetClientRect();
            if (rebuild_ || memory_.Width() != area.Width() || memory_.Height() != area.Height()) {
                memory_ = platform::Surface(area.Width(), area.Height());
                rebuild_ = false;
            }
            RedrawTable();
            UpdateButtons();
            platform::PAINTSTRUCT ps;
            platform::Painter p = BeginPaint(ps);
            p.BitBlt(0, 0, memory_.Width(), memory_.Height(), memory_, 0, 0);
            EndPaint(ps);
            return 0;
        }
        case platform::WM_SIZE: {
            rebuild_ = true;
            const platform::LRESULT r = client::CGameTableView::OnMessage(msg);
            if (scene_) scene_->SetPaneSize(GetWidth(), GetHeight());
            LayoutControls(GetWidth(), GetHeight());
            return r;
        }
        case platform::WM_COMMAND:
            if (scene_) RunCommand(platform::UINT(platform::LOWORD(msg.wParam)));
            Invalidate(false);
            return 0;
        case platform::WM_TIMER:
            if (msg.wParam == kTimerAskToSee) {
                platform::KillTimer(GetSafeHwnd(), kTimerAskToSee);
                askWaiting_ = false;
            }
            if (scene_) scene_->OnHostTimer(uint32_t(msg.wParam));
            Invalidate(false);
            return 0;
        case platform::WM_CTLCOLORSTATIC: {
            // Static texts in yellow straight on the table.
            static const platform::Brush kNoBrush = platform::Brush::Null();
            auto* dc = reinterpret_cast<platform::Painter*>(msg.wParam);
            dc->SetTextColor(0x00ffff);
            dc->SetBkMode(platform::TRANSPARENT);
            return reinterpret_cast<platform::LRESULT>(&kNoBrush);
        }
        case client::kMsgTableEntered:
            Invalidate(false);
            return 0;
        case platform::WM_MOUSEMOVE: {
            if (!scene_) return 0;
            const platform::POINT p = PointOf(msg);
            cursorState_ = scene_->OnPaneMouseMove(flags, p.x, p.y) ? 1 : 0;
            return 0;
        }
        case platform::WM_LBUTTONDOWN: {
            const platform::POINT p = PointOf(msg);
            if (scene_) scene_->OnPaneLButtonDown(flags, p.x, p.y);
            return 0;
        }
        case platform::WM_RBUTTONDOWN: {
            if (!scene_) return 0;
            const platform::POINT p = PointOf(msg);
            cursorState_ = scene_->OnPaneRButtonDown(flags, p.x, p.y);
            if (cursorState_ == 2) platform::SetCursor(platform::IDC_SIZEALL);
            return 0;
        }
        case platform::WM_RBUTTONUP: {
            if (!scene_ || scene_->IsLooker()) return 0;
            // The drop waits for the input: a choice of tiles or a hand
            // whose clicks do nothing takes none.
            if (scene_->GetHandMode() != 0) {
                ReleaseCapture();
                return 0;
            }
            const platform::POINT p = PointOf(msg);
            scene_->OnPaneRButtonUp(flags, p.x, p.y);
            cursorState_ = 0;
            return 0;
        }
        case platform::WM_DESTROY:
            if (scene_) scene_->SetClassicHost(nullptr);
            return client::CGameTableView::OnMessage(msg);
        default:
            return client::CGameTableView::OnMessage(msg);
    }
}

}  // namespace mahjong
