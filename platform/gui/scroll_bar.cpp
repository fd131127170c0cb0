#include "platform/gui/scroll_bar.h"

#include <algorithm>

#include "platform/gui/sys_colors.h"

namespace platform {

int CScrollBar::ArrowSize() const {
    const RECT c = GetClientRect();
    const int thickness = Vertical() ? c.Width() : c.Height();
    const int length = Vertical() ? c.Height() : c.Width();
    return std::min(thickness, length / 2);
}

int CScrollBar::MaxPos() const {
    const int page = int(info_.nPage);
    return std::max(info_.nMin, info_.nMax - std::max(page - 1, 0));
}

void CScrollBar::SetScrollRange(int minimum, int maximum, bool redraw) {
    info_.nMin = minimum;
    info_.nMax = std::max(minimum, maximum);
    info_.nPos = std::clamp(info_.nPos, info_.nMin, MaxPos());
    if (redraw) Invalidate();
}

int CScrollBar::SetScrollPos(int position, bool redraw) {
    const int old = info_.nPos;
    info_.nPos = std::clamp(position, info_.nMin, MaxPos());
    if (redraw) Invalidate();
    return old;
}

bool CScrollBar::SetScrollInfo(const SCROLLINFO& info, bool redraw) {
    if (info.fMask & SIF_RANGE) {
        info_.nMin = info.nMin;
        info_.nMax = std::max(info.nMin, info.nMax);
    }
    if (info.fMask & SIF_PAGE) info_.nPage = info.nPage;
    if (info.fMask & SIF_POS) info_.nPos = info.nPos;
    info_.nPos = std::clamp(info_.nPos, info_.nMin, MaxPos());
    if (redraw) Invalidate();
    return true;
}

RECT CScrollBar::ThumbRect() const {
    const RECT c = GetClientRect();
    const int arrow = ArrowSize();
    const int length = (Vertical() ? c.Height() : c.Width()) - 2 * arrow;
    const int range = info_.nMax - info_.nMin + 1;
    if (length <= 0 || range <= 0) return {};
    int thumb = info_.nPage ? int(int64_t(length) * info_.nPage / range) : arrow;
    thumb = std::clamp(thumb, std::min(8, length), length);
    const int span = MaxPos() - info_.nMin;
    const int offset =
        span > 0 ? int(int64_t(length - thumb) * (info_.nPos - info_.nMin) / span) : 0;
    const int start = arrow + offset;
    return Vertical() ? RECT{0, start, c.right, start + thumb}
                      : RECT{start, 0, start + thumb, c.bottom};
}

void CScrollBar::Notify(int code, int position) {
    CWnd* parent = GetParent();
    if (!parent) return;
    SendMessage(parent->GetSafeHwnd(), Vertical() ? WM_VSCROLL : WM_HSCROLL,
                MAKEWPARAM(code, position), ToLParam(GetSafeHwnd()));
}

LRESULT CScrollBar::OnMessage(Message& msg) {
    const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    const int along = Vertical() ? p.y : p.x;
    switch (msg.message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter painter = BeginPaint(ps);
            const RECT c = GetClientRect();
            const int arrow = ArrowSize();
            painter.FillSolidRect(c, GetSysColor(COLOR_SCROLLBAR));
            const RECT first =
                Vertical() ? RECT{0, 0, c.right, arrow} : RECT{0, 0, arrow, c.bottom};
            const RECT second = Vertical() ? RECT{0, c.bottom - arrow, c.right, c.bottom}
                                           : RECT{c.right - arrow, 0, c.right, c.bottom};
            for (const RECT& r : {first, second, ThumbRect()}) {
                if (IsRectEmpty(r)) continue;
                painter.FillSolidRect(r, GetSysColor(COLOR_BTNFACE));
                painter.DrawEdge(r, EDGE_RAISED, BF_RECT);
            }
            EndPaint(ps);
            return 0;
        }
        case WM_LBUTTONDOWN: {
            const RECT c = GetClientRect();
            const int length = Vertical() ? c.Height() : c.Width();
            const int arrow = ArrowSize();
            const RECT thumb = ThumbRect();
            const int thumbStart = Vertical() ? thumb.top : thumb.left;
            const int thumbEnd = Vertical() ? thumb.bottom : thumb.right;
            if (along < arrow) {
                Notify(SB_LINEUP);
            } else if (along >= length - arrow) {
                Notify(SB_LINEDOWN);
            } else if (along < thumbStart) {
                Notify(SB_PAGEUP);
            } else if (along >= thumbEnd) {
                Notify(SB_PAGEDOWN);
            } else {
                dragging_ = true;
                dragOffset_ = along - thumbStart;
                SetCapture();
                return 0;
            }
            Notify(SB_ENDSCROLL);
            return 0;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP: {
            if (!dragging_) return 0;
            const RECT c = GetClientRect();
            const RECT thumb = ThumbRect();
            const int thumbLength = Vertical() ? thumb.Height() : thumb.Width();
            const int arrow = ArrowSize();
            const int track = (Vertical() ? c.Height() : c.Width()) - 2 * arrow - thumbLength;
            const int span = MaxPos() - info_.nMin;
            const int offset = std::clamp(along - dragOffset_ - arrow, 0, std::max(track, 0));
            const int position = info_.nMin + (track > 0 ? int(int64_t(span) * offset / track) : 0);
            info_.nTrackPos = position;
            if (msg.message == WM_MOUSEMOVE) {
                Notify(SB_THUMBTRACK, position);
            } else {
                dragging_ = false;
                ReleaseCapture();
                Notify(SB_THUMBPOSITION, position);
                Notify(SB_ENDSCROLL);
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            dragging_ = false;
            return 0;
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
