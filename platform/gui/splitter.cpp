#include "platform/gui/splitter.h"

#include <algorithm>

#include "platform/gui/sys_colors.h"

namespace platform {

CSplitterWnd::CSplitterWnd() {
    SetClassBackground(GetSysColor(COLOR_BTNFACE));
}

bool CSplitterWnd::CreateStatic(CWnd* parent, int rows, int cols, DWORD style, UINT id) {
    if (!parent || rows < 1 || cols < 1 || rows > 16 || cols > 16) return false;
    rows_.assign(size_t(rows), Info{});
    cols_.assign(size_t(cols), Info{});
    const RECT client = parent->GetClientRect();
    return CreateEx(0, "", style | WS_CHILD, client, parent, id);
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
    if (row < 0 || row >= int(rows_.size())) return;
    rows_[size_t(row)].ideal = std::max(ideal, 0);
    rows_[size_t(row)].minimum = std::max(minimum, 0);
}

void CSplitterWnd::SetColumnInfo(int col, int ideal, int minimum) {
    if (col < 0 || col >= int(cols_.size())) return;
    cols_[size_t(col)].ideal = std::max(ideal, 0);
    cols_[size_t(col)].minimum = std::max(minimum, 0);
}

void CSplitterWnd::GetRowInfo(int row, int& current, int& minimum) const {
    current = minimum = 0;
    if (row < 0 || row >= int(rows_.size())) return;
    current = rows_[size_t(row)].current;
    minimum = rows_[size_t(row)].minimum;
}

void CSplitterWnd::GetColumnInfo(int col, int& current, int& minimum) const {
    current = minimum = 0;
    if (col < 0 || col >= int(cols_.size())) return;
    current = cols_[size_t(col)].current;
    minimum = cols_[size_t(col)].minimum;
}

void CSplitterWnd::Layout(std::vector<Info>& infos, int total, int border, int gap) {
    int position = border;
    int remaining = std::max(total - 2 * border, 0);
    const size_t n = infos.size();
    for (size_t i = 0; i < n; ++i) {
        Info& info = infos[i];
        int size;
        if (i + 1 == n) {
            size = remaining;
        } else {
            size = info.ideal < info.minimum ? 0 : info.ideal;
            size = std::min(size, std::max(remaining - gap, 0));
        }
        info.start = position;
        info.current = size;
        const int used = size + (i + 1 < n ? gap : 0);
        position += used;
        remaining = std::max(remaining - used, 0);
    }
    // One that cannot have its minimum gives its room to the one before.
    for (size_t i = n; i-- > 1;) {
        Info& info = infos[i];
        if (info.minimum > 0 && info.current < info.minimum) {
            infos[i - 1].current += info.current + gap;
            info.current = 0;
            info.start = infos[i - 1].start + infos[i - 1].current;
        }
    }
}

RECT CSplitterWnd::PaneRect(int row, int col) const {
    const Info& r = rows_[size_t(row)];
    const Info& c = cols_[size_t(col)];
    return {c.start, r.start, c.start + c.current, r.start + r.current};
}

RECT CSplitterWnd::ColumnBarRect(int col) const {
    if (col < 0 || col + 1 >= int(cols_.size())) return {};
    const Info& c = cols_[size_t(col)];
    const int left = c.start + c.current;
    return {left, 0, left + m_cxSplitterGap, GetClientRect().bottom};
}

RECT CSplitterWnd::RowBarRect(int row) const {
    if (row < 0 || row + 1 >= int(rows_.size())) return {};
    const Info& r = rows_[size_t(row)];
    const int top = r.start + r.current;
    return {0, top, GetClientRect().right, top + m_cySplitterGap};
}

void CSplitterWnd::RecalcLayout() {
    const RECT client = GetClientRect();
    Layout(cols_, client.Width(), m_cxBorder, m_cxSplitterGap);
    Layout(rows_, client.Height(), m_cyBorder, m_cySplitterGap);
    for (int row = 0; row < int(rows_.size()); ++row) {
        for (int col = 0; col < int(cols_.size()); ++col) {
            CWnd* pane = GetPane(row, col);
            if (!pane) continue;
            const RECT r = PaneRect(row, col);
            pane->MoveWindow(r);
        }
    }
    Invalidate();
}

void CSplitterWnd::OnDrawSplitter(Painter* painter, ESplitType type, const RECT& rect) {
    if (!painter) return;
    if (type == splitBorder) {
        painter->Draw3dRect(rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    } else {
        painter->FillSolidRect(rect, GetSysColor(COLOR_BTNFACE));
    }
}

LRESULT CSplitterWnd::OnMessage(Message& msg) {
    const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    switch (msg.message) {
        case WM_SIZE:
            RecalcLayout();
            return CWnd::OnMessage(msg);
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter painter = BeginPaint(ps);
            for (int col = 0; col + 1 < int(cols_.size()); ++col) {
                OnDrawSplitter(&painter, splitBar, ColumnBarRect(col));
            }
            for (int row = 0; row + 1 < int(rows_.size()); ++row) {
                OnDrawSplitter(&painter, splitBar, RowBarRect(row));
            }
            for (int row = 0; row < int(rows_.size()); ++row) {
                for (int col = 0; col < int(cols_.size()); ++col) {
                    const RECT pane = PaneRect(row, col);
                    if (IsRectEmpty(pane)) continue;
                    OnDrawSplitter(&painter, splitBorder,
                                   InflateRect(pane, m_cxBorder / 2 + 1, m_cyBorder / 2 + 1));
                }
            }
            EndPaint(ps);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (draggingCol_ >= 0) {
                Info& c = cols_[size_t(draggingCol_)];
                c.ideal = std::max(p.x - c.start - m_cxSplitterGap / 2, 0);
                RecalcLayout();
                return 0;
            }
            if (draggingRow_ >= 0) {
                Info& r = rows_[size_t(draggingRow_)];
                r.ideal = std::max(p.y - r.start - m_cySplitterGap / 2, 0);
                RecalcLayout();
                return 0;
            }
            for (int col = 0; col + 1 < int(cols_.size()); ++col) {
                if (PtInRect(ColumnBarRect(col), p)) platform::SetCursor(IDC_SIZEWE);
            }
            for (int row = 0; row + 1 < int(rows_.size()); ++row) {
                if (PtInRect(RowBarRect(row), p)) platform::SetCursor(IDC_SIZENS);
            }
            return 0;
        case WM_LBUTTONDOWN:
            for (int col = 0; col + 1 < int(cols_.size()); ++col) {
                if (PtInRect(ColumnBarRect(col), p)) draggingCol_ = col;
            }
            for (int row = 0; row + 1 < int(rows_.size()); ++row) {
                if (PtInRect(RowBarRect(row), p)) draggingRow_ = row;
            }
            if (draggingCol_ >= 0 || draggingRow_ >= 0) SetCapture();
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (draggingCol_ >= 0 || draggingRow_ >= 0) {
                draggingCol_ = draggingRow_ = -1;
                if (msg.message == WM_LBUTTONUP) ReleaseCapture();
            }
            return 0;
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
