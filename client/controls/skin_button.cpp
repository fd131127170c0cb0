#include "client/controls/skin_button.h"

#include <algorithm>

#include "client/picture_file.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace client {

using platform::COLORREF;
using platform::GetSysColor;

CSkinButton::CSkinButton() {
    SetDefaultColors(false);
}

CSkinButton::~CSkinButton() {
    Destroy();
}

bool CSkinButton::Create(std::string_view text, platform::DWORD style, const platform::RECT& rect,
                         platform::CWnd* parent, platform::UINT id) {
    buttonType_ = style & platform::BS_TYPEMASK;
    default_ = buttonType_ == platform::BS_DEFPUSHBUTTON;
    checkBox_ = buttonType_ == platform::BS_CHECKBOX || buttonType_ == platform::BS_AUTOCHECKBOX;
    return CButton::Create(text, (style & ~platform::BS_TYPEMASK) | platform::BS_OWNERDRAW, rect,
                           parent, id);
}

int CSkinButton::SetIcon(const platform::Icon& over, const platform::Icon& normal) {
    icons_ = {over, normal};
    if (over.Empty()) icons_ = {};
    if (GetSafeHwnd()) Invalidate();
    return 0;
}

int CSkinButton::SetIconWithGrayCopy(const platform::Icon& over) {
    return SetIcon(over, CreateGrayIcon(over));
}

int CSkinButton::SetIconResource(int overId, int normalId) {
    const platform::Icon over = LoadIconResource(uint32_t(overId));
    if (over.Empty()) {
        SetIcon({});
        return 1;
    }
    if (normalId == kGrayCopy) return SetIconWithGrayCopy(over);
    if (normalId == 0) return SetIcon(over);
    const platform::Icon normal = LoadIconResource(uint32_t(normalId));
    if (normal.Empty()) {
        SetIcon({});
        return 1;
    }
    return SetIcon(over, normal);
}

platform::Icon CSkinButton::CreateGrayIcon(const platform::Icon& icon) {
    platform::Icon gray = icon;
    for (int y = 0; y < gray.Height(); ++y) {
        uint32_t* row = gray.pixels.Row(y);
        for (int x = 0; x < gray.Width(); ++x) {
            const uint32_t p = row[x];
            const uint32_t l = uint32_t(0.299 * (p >> 16 & 0xFF) + 0.587 * (p >> 8 & 0xFF) +
                                        0.114 * (p & 0xFF) + 0.5);
            row[x] = (p & 0xFF000000u) | l << 16 | l << 8 | l;
        }
    }
    return gray;
}

int CSkinButton::SetColor(int number, COLORREF colour, bool repaint) {
    if (number < 0 || number >= 6) return 3;
    colours_[size_t(number)] = colour;
    if (repaint && GetSafeHwnd()) Invalidate();
    return 0;
}

int CSkinButton::OffsetColor(int number, int shade, bool repaint) {
    if (number < 0 || number >= 6) return 3;
    if (shade < -255 || shade > 255) return 5;
    const COLORREF c = colours_[size_t(number)];
    const int channels[3] = {int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)};
    int offset = shade;
    const int high = *std::max_element(channels, channels + 3);
    const int low = *std::min_element(channels, channels + 3);
    if (shade > 0 && high + shade > 255) offset = 255 - high;
    if (shade < 0 && low + shade < 0) offset = -low;
    COLORREF out = 0;
    for (int i = 0; i < 3; ++i)
        out |= COLORREF(channels[i] + offset) << (8 * i);
    return SetColor(number, out, repaint);
}

COLORREF CSkinButton::GetColor(int number) const {
    return number >= 0 && number < 6 ? colours_[size_t(number)] : 0;
}

void CSkinButton::SetDefaultColors(bool repaint) {
    for (int i = 0; i < 6; ++i)
        colours_[size_t(i)] =
            GetSysColor(i % 2 ? platform::COLOR_BTNTEXT : platform::COLOR_BTNFACE);
    if (repaint && GetSafeHwnd()) Invalidate();
}

void CSkinButton::SetTooltipText(const char* text, bool activate) {
    if (!text || !GetSafeHwnd()) return;
    if (!tip_) {
        tip_ = std::make_unique<platform::CToolTipCtrl>();
        if (!tip_->Create(this)) {
            tip_.reset();
            return;
        }
        tip_->SetMaxTipWidth(400);
    }
    if (tip_->GetToolCount() == 0) {
        tip_->AddTool(this, text, GetClientRect());
    } else {
        tip_->UpdateTipText(text, this);
    }
    tip_->Activate(activate);
}

void CSkinButton::SetCheck(int checked, bool repaint) {
    if (!checkBox_) return;
    checked_ = checked == 1 || checked == 2 ? 1 : 0;
    if (repaint && GetSafeHwnd()) Invalidate();
}

void CSkinButton::OnClicked() {
    SetFocus();
    if (checkBox_) SetCheck(checked_ ? 0 : 1);
}

void CSkinButton::DrawItem(platform::DRAWITEMSTRUCT& item) {
    if (!item.hDC) return;
    platform::Painter& p = *item.hDC;
    const bool selected = (item.itemState & platform::ODS_SELECTED) != 0;
    pressed_ = checkBox_ ? (selected || checked_) : selected;
    focused_ = (item.itemState & platform::ODS_FOCUS) != 0;
    disabled_ = (item.itemState & platform::ODS_DISABLED) != 0;
    const platform::RECT client = item.rcItem;
    OnDrawBackground(p, client);
    OnDrawBorder(p, client);
    platform::RECT caption = client;
    if (!icons_[0].Empty()) DrawTheIcon(p, client, caption);
    DrawTheBitmap(p, client);
    if (!GetWindowText().empty()) DrawTheText(p, caption);
}

void CSkinButton::OnDrawBackground(platform::Painter& painter, const platform::RECT& rect) {
    const int colour = mouseOn_ || pressed_ ? kBackOver : focused_ ? kBackFocus : kBackNormal;
    painter.FillSolidRect(rect, colours_[size_t(colour)]);
}

int CSkinButton::OnDrawBorder(platform::Painter&, const platform::RECT&) {
    return 0;
}

void CSkinButton::DrawTheIcon(platform::Painter& painter, const platform::RECT& client,
                              platform::RECT& caption) {
    const bool hot = checkBox_ ? checked_ != 0 : (pressed_ || mouseOn_);
    const platform::Icon& icon = !icons_[1].Empty() && !hot ? icons_[1] : icons_[0];
    const bool withCaption = !GetWindowText().empty();
    int x = withCaption ? client.left + imageOrigin_.x
                        : client.left + (client.Width() - icon.Width()) / 2;
    int y = client.top + (client.Height() - icon.Height()) / 2;
    if (withCaption) caption.left = client.left + imageOrigin_.x + icon.Width();
    if (pressed_ && !checkBox_) {
        x += pressedOffset_.x;
        y += pressedOffset_.y;
    }
    if (disabled_) {
        platform::DrawIconDisabled(painter, x, y, icon);
    } else {
        platform::DrawIcon(painter, x, y, icon);
    }
}

void CSkinButton::DrawTheBitmap(platform::Painter&, const platform::RECT&) {}

void CSkinButton::DrawTheText(platform::Painter& painter, const platform::RECT& caption) {
    const std::string text = GetWindowText();
    platform::RECT measured = caption;
    painter.DrawText(text, measured,
                     platform::DT_CALCRECT | platform::DT_WORDBREAK | platform::DT_CENTER);
    platform::RECT r = caption;
    r.top = caption.top + (caption.Height() - measured.Height()) / 2;
    r.bottom = r.top + measured.Height();
    if (pressed_ && !checkBox_) r = platform::OffsetRect(r, pressedOffset_.x, pressedOffset_.y);
    painter.SetBkMode(platform::TRANSPARENT);
    const unsigned format = platform::DT_WORDBREAK | platform::DT_CENTER;
    if (disabled_) {
        platform::RECT lit = platform::OffsetRect(r, 1, 1);
        painter.SetTextColor(GetSysColor(platform::COLOR_3DHILIGHT));
        painter.DrawText(text, lit, format);
        painter.SetTextColor(GetSysColor(platform::COLOR_3DSHADOW));
        painter.DrawText(text, r, format);
        return;
    }
    const bool hot = mouseOn_ || pressed_;
    painter.SetTextColor(colours_[hot ? kTextOver : kTextNormal]);
    painter.SetBkColor(colours_[hot ? kBackOver : kBackNormal]);
    painter.DrawText(text, r, format);
}

void CSkinButton::EndHover() {
    if (!mouseOn_) return;
    mouseOn_ = false;
    Invalidate();
}

void CSkinButton::FocusNextTabStop() {
    platform::CWnd* parent = GetParent();
    if (!parent) return;
    const auto& children = parent->ChildWindows();
    const auto self = std::find(children.begin(), children.end(), this);
    const size_t start = self == children.end() ? 0 : size_t(self - children.begin());
    for (size_t step = 1; step < children.size(); ++step) {
        platform::CWnd* next = children[(start + step) % children.size()];
        if ((next->GetStyle() & platform::WS_TABSTOP) && next->IsWindowVisible() &&
            next->IsWindowEnabled()) {
            next->SetFocus();
            return;
        }
    }
    parent->SetFocus();
}

platform::LRESULT CSkinButton::OnMessage(platform::Message& msg) {
    using namespace platform;
    if (tip_ && (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONDOWN ||
                 msg.message == WM_LBUTTONUP || msg.message == WM_MOUSELEAVE)) {
        tip_->RelayEvent(msg);
    }
    switch (msg.message) {
        case WM_GETDLGCODE:
            return CButton::OnMessage(msg) | (default_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case WM_SYSCOLORCHANGE:
            SetDefaultColors(true);
            return 0;
        case BM_SETSTYLE: {
            const DWORD type = DWORD(msg.wParam) & BS_TYPEMASK;
            if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
                default_ = type == BS_DEFPUSHBUTTON;
            if (msg.lParam) Invalidate();
            return 0;  // the style stays owner-drawn
        }
        case BM_SETCHECK:
            SetCheck(int(msg.wParam));
            return 0;
        case BM_GETCHECK:
            return checked_;
        case WM_ENABLE:
            if (!msg.wParam) {
                if (GetFocus() == GetSafeHwnd()) FocusNextTabStop();
                EndHover();
            }
            break;
        case WM_KILLFOCUS:
        case WM_CANCELMODE:
        case WM_MOUSELEAVE:
            EndHover();
            break;
        case WM_ACTIVATE:
            if (msg.wParam == WA_INACTIVE) EndHover();
            break;
        case WM_MOUSEMOVE: {
            const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if ((msg.wParam & MK_LBUTTON) && !mouseOn_) break;
            if (PtInRect(GetClientRect(), p)) {
                if (!mouseOn_) {
                    mouseOn_ = true;
                    Invalidate();
                    TRACKMOUSEEVENT track;
                    track.dwFlags = TME_LEAVE;
                    track.hwndTrack = GetSafeHwnd();
                    TrackMouseEvent(track);
                }
            } else {
                EndHover();
            }
            break;
        }
        default:
            break;
    }
    return CButton::OnMessage(msg);
}

}  // namespace client
