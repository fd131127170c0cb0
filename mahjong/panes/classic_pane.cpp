#include "mahjong/panes/classic_pane.h"

#include "client/picture_file.h"
#include "mahjong/panes/dialog_units.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/gui/virtual_keys.h"
#include "platform/paths.h"

namespace mahjong {
namespace {

constexpr platform::COLORREF kTableColour = 0x4000;  // the skin's default table colour
constexpr platform::COLORREF kPictureKey = 0xff00ff;

platform::POINT PointOf(const platform::Message& msg) {
    return {platform::GET_X_LPARAM(msg.lParam), platform::GET_Y_LPARAM(msg.lParam)};
}

// Mixes the cell's pixels at `dest` toward a COLORREF: locked own tiles
// dimmed, jokers tinted.
void TintCell(platform::Surface& target, const platform::RECT& dest, const platform::Surface& cell,
              const platform::RECT& source, int32_t colour, double keep) {
    const uint32_t r = uint32_t(colour) & 0xff, g = (uint32_t(colour) >> 8) & 0xff,
                   b = (uint32_t(colour) >> 16) & 0xff;
    auto mix = [keep](uint32_t a, uint32_t c) { return uint32_t(a * keep + c * (1 - keep)); };
    for (int y = 0; y < dest.Height(); ++y) {
        for (int x = 0; x < dest.Width(); ++x) {
            if ((cell.At(source.left + x, source.top + y) & 0xffffff) == 0xff00ff) continue;
            const uint32_t p = target.At(dest.left + x, dest.top + y);
            target.Set(dest.left + x, dest.top + y,
                       (p & 0xff000000) | mix((p >> 16) & 0xff, r) << 16 |
                           mix((p >> 8) & 0xff, g) << 8 | mix(p & 0xff, b));
        }
    }
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
}

platform::CButton* CMJGameTableView::Button(platform::UINT id) {
    for (PaneButton& b : buttons_)
        if (b.id == id) return &b.button;
    return nullptr;
}

void CMJGameTableView::LayoutControls(int cx, int cy) {
    if (!Button(kIdStart)->GetSafeHwnd()) return;
    const int h = 24;  // the seat strip
    Button(kIdAskToSee)->MoveWindow(0, cy - h, 70, h);
    Button(kIdStart)->MoveWindow(cx / 2 - 40, cy - 160, 80, 30);
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
        show(b, !looker && any);
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
            scene_->AskToSeeCards();
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

const platform::Surface* CMJGameTableView::PictureOf(Picture picture) {
    const std::string style = scene_->StyleName(scene_->CurrentStyle());
    if (style != style_) {
        pictures_.clear();
        style_ = style;
    }
    auto it = pictures_.find(picture);
    if (it == pictures_.end()) {
        const PictureNames names = NamesOf(picture, scene_->Sizes().Large());
        platform::Surface s;
        if (names.file)
            s = client::LoadPictureFile(platform::ProgramDir() + assets::kSkinsFolder + "/" +
                                        style + "/" + names.file);
        it = pictures_.emplace(picture, std::move(s)).first;
    }
    return it->second.Width() > 0 ? &it->second : nullptr;
}

void CMJGameTableView::PaintRecord(platform::Painter& dc, int32_t area, int32_t seat,
                                   int32_t index) {
    const MJStruct* r = scene_->GetMJStruct(area, seat, index);
    if (!r || !r->present) return;
    TileImage image;
    int32_t x = 0, y = 0;
    if (!scene_->TilePlace(area, seat, index, &image, &x, &y)) return;
    const platform::Surface* picture = PictureOf(image.picture);
    if (!picture) return;
    const platform::RECT cell{image.sourceX, 0, image.sourceX + image.width, image.height};
    const platform::RECT dest{x, y, x + image.width, y + image.height};
    dc.TransparentBlt(dest, *picture, cell, kPictureKey);
    if (image.backColor >= 0 && image.blend < 1.0)
        TintCell(dc.Target(), dest, *picture, cell, image.backColor, image.blend);
}

void CMJGameTableView::PaintTable(platform::Painter& dc) {
    // The wall: sides 1, 2, 3, 0; in each stack the lower tile first.
    for (int32_t side : {1, 2, 3, 0}) {
        for (int32_t u = 0; u + 1 < scene_->WallTiles(); u += 2) {
            if (scene_->GetMJStruct(kAreaWall, 0, u)->seat != side) continue;
            PaintRecord(dc, kAreaWall, 0, u + 1);
            PaintRecord(dc, kAreaWall, 0, u);
        }
    }
    for (int32_t seat = 0; seat < 4; ++seat) {
        if (seat == 1 && scene_->PlayerCount() == 3) continue;
        for (int32_t i = 0; i < kStripRecords; ++i) {
            PaintRecord(dc, kAreaFlower, seat, i);
            PaintRecord(dc, kAreaRiver, seat, i);
        }
        if (seat != 3) {
            for (int32_t i = 0; i < kHandRecords; ++i)
                PaintRecord(dc, kAreaHand, seat, i);
        } else {
            // From the far end of the row down; the dragged tile goes last.
            const int32_t dragged = scene_->OwnDragIndex();
            for (int32_t i = kHandRecords - 1; i >= 0; --i)
                if (i != dragged) PaintRecord(dc, kAreaHand, 3, i);
            if (dragged >= 0) PaintRecord(dc, kAreaHand, 3, dragged);
        }
        if (scene_->IsShownTilePending(seat)) PaintRecord(dc, kAreaShown, seat, 0);
    }
    // The turned-up wall tile while it is shown full size.
    for (int32_t i = 0; i < scene_->WallTiles(); ++i) {
        const MJStruct& w = *scene_->GetMJStruct(kAreaWall, 0, i);
        if (!w.present || w.faceState != 1 || !w.showLarge) continue;
        platform::RECT rect;
        scene_->GetDrawTileRect(&rect);
        const platform::Surface* large = PictureOf(Picture::kLargeFace);
        if (!large || rect.right == rect.left) break;
        const int32_t sx = TileImageIndex(w.nFace) * rect.Width();
        dc.TransparentBlt(rect, *large, {sx, 0, sx + rect.Width(), rect.Height()}, kPictureKey);
        break;
    }
}

void CMJGameTableView::RedrawTable() {
    if (memory_.Width() == 0) return;
    platform::Painter dc(memory_);
    DrawBackground(dc, memory_.Bounds());
    if (scene_) PaintTable(dc);
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
            if (scene_) scene_->OnHostTimer(uint32_t(msg.wParam));
            Invalidate(false);
            return 0;
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
