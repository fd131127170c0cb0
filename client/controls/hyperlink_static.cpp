#include "client/controls/hyperlink_static.h"

#include "platform/gui/sys_colors.h"

namespace client {
namespace {

const platform::Brush kNullBrush = platform::Brush::Null();

}  // namespace

CHyperLinkStatic::CHyperLinkStatic() : hover_(platform::GetSysColor(platform::COLOR_HIGHLIGHT)) {}

CHyperLinkStatic::~CHyperLinkStatic() {
    Destroy();
}

bool CHyperLinkStatic::Create(std::string_view text, platform::DWORD style,
                              const platform::RECT& rect, platform::CWnd* parent,
                              platform::UINT id) {
    if (!CStatic::Create(text, style | platform::SS_NOTIFY, rect, parent, id)) return false;
    if (url_.empty()) url_ = std::string(text);
    SetUnderline(underline_);
    if (!cursor_) cursor_ = platform::IDC_HAND;
    tip_ = std::make_unique<platform::CToolTipCtrl>();
    if (tip_->Create(this)) tip_->AddTool(this, url_);
    return true;
}

void CHyperLinkStatic::SetColours(platform::COLORREF link, platform::COLORREF visited,
                                  platform::COLORREF hover) {
    link_ = link;
    visited_ = visited;
    hover_ =
        hover == platform::CLR_INVALID ? platform::GetSysColor(platform::COLOR_HIGHLIGHT) : hover;
    if (GetSafeHwnd()) Invalidate();
}

void CHyperLinkStatic::SetUnderline(bool underline) {
    underline_ = underline;
    if (!GetSafeHwnd()) return;
    platform::FontSpec font = GetFont();
    font.underline = underline;
    SetFont(font);
}

platform::COLORREF CHyperLinkStatic::TextColour() const {
    return over_ ? hover_ : link_;
}

const platform::Brush* CHyperLinkStatic::CtlColor(platform::Painter& painter) {
    painter.SetTextColor(TextColour());
    painter.SetBkMode(platform::TRANSPARENT);
    return &kNullBrush;
}

void CHyperLinkStatic::SetOver(bool over) {
    if (over == over_) return;
    over_ = over;
    if (over) {
        SetCapture();
    } else if (GetCapture() == GetSafeHwnd()) {
        ReleaseCapture();
    }
    RedrawWindow(nullptr, nullptr,
                 platform::RDW_INVALIDATE | platform::RDW_ERASE | platform::RDW_UPDATENOW);
}

platform::LRESULT CHyperLinkStatic::OnMessage(platform::Message& msg) {
    if (tip_ && (msg.message == platform::WM_MOUSEMOVE || msg.message == platform::WM_LBUTTONDOWN ||
                 msg.message == platform::WM_LBUTTONUP || msg.message == platform::WM_MOUSELEAVE)) {
        tip_->RelayEvent(msg);
    }
    switch (msg.message) {
        case platform::WM_MOUSEMOVE:
            SetOver(PtInRect(GetClientRect(), {platform::GET_X_LPARAM(msg.lParam),
                                               platform::GET_Y_LPARAM(msg.lParam)}));
            return 0;
        case platform::WM_CAPTURECHANGED:
            if (msg.lParam != platform::ToLParam(GetSafeHwnd()) && over_) {
                over_ = false;
                Invalidate();
            }
            return 0;
        case platform::WM_SETCURSOR:
            if (cursor_) {
                platform::SetCursor(cursor_);
                return 1;
            }
            break;
        case platform::WM_ENABLE:
            if (!msg.wParam) SetOver(false);
            break;
        default:
            break;
    }
    return CStatic::OnMessage(msg);
}

}  // namespace client
