#include "platform/gui/list_ctrl.h"

#include <algorithm>

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

constexpr int kDividerSlop = 3;
constexpr int kCellMargin = 4;

UINT DrawFormat(int format) {
    UINT f = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if ((format & 3) == LVCFMT_RIGHT) f |= DT_RIGHT;
    if ((format & 3) == LVCFMT_CENTER) f |= DT_CENTER;
    return f;
}

}  // namespace

// ---- header ----

int CHeaderCtrl::InsertItem(int index, const HDITEM& item) {
    index = std::clamp(index, 0, int(items_.size()));
    items_.insert(items_.begin() + index, item);
    Invalidate();
    return index;
}

bool CHeaderCtrl::DeleteItem(int index) {
    if (index < 0 || index >= int(items_.size())) return false;
    items_.erase(items_.begin() + index);
    Invalidate();
    return true;
}

bool CHeaderCtrl::GetItem(int index, HDITEM& item) const {
    if (index < 0 || index >= int(items_.size())) return false;
    item = items_[size_t(index)];
    return true;
}

bool CHeaderCtrl::SetItem(int index, const HDITEM& item) {
    if (index < 0 || index >= int(items_.size())) return false;
    items_[size_t(index)] = item;
    Invalidate();
    return true;
}

RECT CHeaderCtrl::GetItemRect(int index) const {
    int x = 0;
    for (int i = 0; i < int(items_.size()); ++i) {
        const int w = std::max(items_[size_t(i)].width, 0);
        if (i == index) return {x, 0, x + w, GetClientRect().bottom};
        x += w;
    }
    return {};
}

int CHeaderCtrl::HitTest(POINT p, bool* onDivider) const {
    if (onDivider) *onDivider = false;
    int x = 0;
    for (int i = 0; i < int(items_.size()); ++i) {
        const int right = x + std::max(items_[size_t(i)].width, 0);
        if (onDivider && std::abs(p.x - right) <= kDividerSlop) {
            *onDivider = true;
            return i;
        }
        if (p.x >= x && p.x < right) return i;
        x = right;
    }
    return -1;
}

LRESULT CHeaderCtrl::Notify(int code, int index) {
    CWnd* parent = GetParent();
    if (!parent) return 0;
    NMHEADER header;
    header.hdr = {GetSafeHwnd(), GetDlgCtrlID(), code};
    header.iItem = index;
    header.pitem = index >= 0 && index < int(items_.size()) ? &items_[size_t(index)] : nullptr;
    return SendMessage(parent->GetSafeHwnd(), WM_NOTIFY, GetDlgCtrlID(),
                       reinterpret_cast<LPARAM>(&header));
}

void CHeaderCtrl::DrawItem(DRAWITEMSTRUCT& item) {
    Painter& p = *item.hDC;
    const HDITEM& h = items_[item.itemID];
    p.FillSolidRect(item.rcItem, GetSysColor(COLOR_BTNFACE));
    if (item.itemState & ODS_SELECTED) {
        p.FrameRect(item.rcItem, GetSysColor(COLOR_BTNSHADOW));
    } else {
        p.DrawEdge(item.rcItem, EDGE_RAISED, BF_RECT);
    }
    RECT text = InflateRect(item.rcItem, -kCellMargin, 0);
    if (item.itemState & ODS_SELECTED) text = OffsetRect(text, 1, 1);
    p.SetBkMode(TRANSPARENT);
    p.SetTextColor(GetSysColor(COLOR_BTNTEXT));
    p.DrawText(h.text, text, DrawFormat(h.format));
}

LRESULT CHeaderCtrl::OnMessage(Message& msg) {
    const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    switch (msg.message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter painter = BeginPaint(ps);
            painter.FillSolidRect(GetClientRect(), GetSysColor(COLOR_BTNFACE));
            for (int i = 0; i < int(items_.size()); ++i) {
                DRAWITEMSTRUCT item;
                item.CtlType = 100;  // header
                item.CtlID = GetDlgCtrlID();
                item.itemID = UINT(i);
                item.itemAction = ODA_DRAWENTIRE;
                item.itemState = i == pressed_ ? ODS_SELECTED : 0;
                item.hwndItem = GetSafeHwnd();
                item.hDC = &painter;
                item.rcItem = GetItemRect(i);
                painter.SaveState();
                painter.IntersectClipRect(item.rcItem);
                DrawItem(item);
                painter.RestoreState(-1);
            }
            EndPaint(ps);
            return 0;
        }
        case WM_SETCURSOR: {
            POINT screen{};
            // The pointer's place is not in WM_SETCURSOR; the divider cursor
            // is set on mouse moves instead.
            (void)screen;
            return CWnd::OnMessage(msg);
        }
        case WM_MOUSEMOVE: {
            if (tracking_ >= 0) {
                const RECT r = GetItemRect(tracking_);
                items_[size_t(tracking_)].width = std::max(p.x - r.left, 0);
                Invalidate();
                if (CWnd* parent = GetParent()) parent->Invalidate();
                return 0;
            }
            bool divider = false;
            HitTest(p, &divider);
            if (divider) platform::SetCursor(IDC_SIZEWE);
            return 0;
        }
        case WM_LBUTTONDOWN: {
            bool divider = false;
            const int index = HitTest(p, &divider);
            if (index < 0) return 0;
            if (divider) {
                // The list may refuse (fixed columns).
                if (Notify(HDN_BEGINTRACKA, index) == 0) {
                    tracking_ = index;
                    SetCapture();
                }
                return 0;
            }
            pressed_ = index;
            SetCapture();
            Invalidate();
            return 0;
        }
        case WM_LBUTTONUP: {
            if (tracking_ >= 0) {
                const int index = tracking_;
                tracking_ = -1;
                ReleaseCapture();
                Notify(HDN_ENDTRACKA, index);
                return 0;
            }
            if (pressed_ >= 0) {
                const int index = pressed_;
                pressed_ = -1;
                ReleaseCapture();
                Invalidate();
                if (HitTest(p) == index) Notify(HDN_ITEMCLICKA, index);
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            tracking_ = -1;
            if (pressed_ >= 0) {
                pressed_ = -1;
                Invalidate();
            }
            return 0;
        default:
            return CWnd::OnMessage(msg);
    }
}

// ---- list ----

CListCtrl::CListCtrl() {
    SetClassStyle(CS_DBLCLKS);
}

bool CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CreateEx(WS_EX_CLIENTEDGE, "", style | WS_CHILD | LVS_REPORT, rect, parent, id)) {
        return false;
    }
    header_ = MakeHeader();
    if (header_) {
        header_->CreateEx(0, "", WS_CHILD | WS_VISIBLE, {0, 0, rect.Width(), HeaderHeight()}, this,
                          0);
    }
    return true;
}

std::unique_ptr<CHeaderCtrl> CListCtrl::MakeHeader() {
    return std::make_unique<CHeaderCtrl>();
}

int CListCtrl::HeaderHeight() const {
    return Font::Open(GetFont())->Height() + 8;
}

int CListCtrl::RowHeight() const {
    int h = Font::Open(GetFont())->Height() + 4;
    if (small_) h = std::max(h, small_->GetImageSize().cy + 1);
    return h;
}

void CListCtrl::LayoutHeader() {
    if (header_ && header_->GetSafeHwnd()) {
        header_->MoveWindow(0, 0, GetClientRect().Width(), HeaderHeight());
    }
}

int CListCtrl::InsertColumn(int index, std::string_view heading, int format, int width,
                            int subItem) {
    if (!header_) return -1;
    index = std::clamp(index, 0, int(columns_.size()));
    HDITEM item{std::string(heading), width < 0 ? 80 : width, format & 3};
    header_->InsertItem(index, item);
    columns_.insert(columns_.begin() + index, Column{subItem < 0 ? index : subItem});
    Invalidate();
    return index;
}

bool CListCtrl::DeleteColumn(int index) {
    if (!header_ || index < 0 || index >= int(columns_.size())) return false;
    header_->DeleteItem(index);
    columns_.erase(columns_.begin() + index);
    Invalidate();
    return true;
}

int CListCtrl::GetColumnCount() const {
    return int(columns_.size());
}

int CListCtrl::GetColumnWidth(int index) const {
    HDITEM item;
    return header_ && header_->GetItem(index, item) ? item.width : 0;
}

bool CListCtrl::SetColumnWidth(int index, int width) {
    HDITEM item;
    if (!header_ || !header_->GetItem(index, item)) return false;
    item.width = std::max(width, 0);
    header_->SetItem(index, item);
    Invalidate();
    return true;
}

int CListCtrl::InsertItem(int index, std::string_view text, int image) {
    index = std::clamp(index, 0, int(rows_.size()));
    Row row;
    row.cells.push_back(std::string(text));
    row.image = image;
    rows_.insert(rows_.begin() + index, std::move(row));
    Invalidate();
    return index;
}

bool CListCtrl::DeleteItem(int index) {
    if (index < 0 || index >= int(rows_.size())) return false;
    rows_.erase(rows_.begin() + index);
    top_ = std::clamp(top_, 0, std::max(int(rows_.size()) - 1, 0));
    Invalidate();
    return true;
}

bool CListCtrl::DeleteAllItems() {
    rows_.clear();
    top_ = 0;
    Invalidate();
    return true;
}

bool CListCtrl::SetItemText(int item, int subItem, std::string_view text) {
    if (item < 0 || item >= int(rows_.size()) || subItem < 0 || subItem > 255) return false;
    auto& cells = rows_[size_t(item)].cells;
    if (cells.size() <= size_t(subItem)) cells.resize(size_t(subItem) + 1);
    cells[size_t(subItem)] = std::string(text);
    Invalidate();
    return true;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= int(rows_.size()) || subItem < 0) return {};
    const auto& cells = rows_[size_t(item)].cells;
    return size_t(subItem) < cells.size() ? cells[size_t(subItem)] : std::string();
}

bool CListCtrl::SetItemData(int item, uintptr_t data) {
    if (item < 0 || item >= int(rows_.size())) return false;
    rows_[size_t(item)].data = data;
    return true;
}

uintptr_t CListCtrl::GetItemData(int item) const {
    return item >= 0 && item < int(rows_.size()) ? rows_[size_t(item)].data : 0;
}

bool CListCtrl::SetItemImage(int item, int image) {
    if (item < 0 || item >= int(rows_.size())) return false;
    rows_[size_t(item)].image = image;
    Invalidate();
    return true;
}

int CListCtrl::GetItemImage(int item) const {
    return item >= 0 && item < int(rows_.size()) ? rows_[size_t(item)].image : -1;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
    return item >= 0 && item < int(rows_.size()) ? rows_[size_t(item)].state & mask : 0;
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    if (item < -1 || item >= int(rows_.size())) return false;
    const HWND self = GetSafeHwnd();
    for (int i = 0; i < int(rows_.size()); ++i) {
        if (item != -1 && i != item) continue;
        Row& row = rows_[size_t(i)];
        const UINT old = row.state;
        UINT now = (old & ~mask) | (state & mask);
        // One selected and one focused row at most.
        if ((now & ~old) & (LVIS_SELECTED | LVIS_FOCUSED)) {
            for (int j = 0; j < int(rows_.size()); ++j) {
                if (j == i) continue;
                UINT clear = 0;
                if ((now & ~old & LVIS_SELECTED) && (GetStyle() & LVS_SINGLESEL)) {
                    clear |= LVIS_SELECTED;
                }
                if (now & ~old & LVIS_FOCUSED) clear |= LVIS_FOCUSED;
                if (rows_[size_t(j)].state & clear) SetItemState(j, 0, clear);
                if (!IsWindow(self)) return false;
            }
        }
        if (now == old) continue;
        row.state = now;
        NMLISTVIEW change;
        change.hdr = {self, GetDlgCtrlID(), LVN_ITEMCHANGED};
        change.iItem = i;
        change.uNewState = now;
        change.uOldState = old;
        change.uChanged = LVIF_STATE;
        change.lParam = row.data;
        NotifyParent(change.hdr);
        if (!IsWindow(self)) return false;
    }
    Invalidate();
    return true;
}

int CListCtrl::GetNextItem(int start, UINT flags) const {
    for (int i = std::max(start + 1, 0); i < int(rows_.size()); ++i) {
        const UINT state = rows_[size_t(i)].state;
        if ((flags & LVNI_SELECTED) && !(state & LVIS_SELECTED)) continue;
        if ((flags & LVNI_FOCUSED) && !(state & LVIS_FOCUSED)) continue;
        return i;
    }
    return -1;
}

int CListCtrl::FindItemByData(uintptr_t data) const {
    for (int i = 0; i < int(rows_.size()); ++i) {
        if (rows_[size_t(i)].data == data) return i;
    }
    return -1;
}

RECT CListCtrl::GetItemRect(int item) const {
    if (item < 0 || item >= int(rows_.size())) return {};
    const int h = RowHeight();
    const int y = HeaderHeight() + (item - top_) * h;
    int width = 0;
    for (int c = 0; c < GetColumnCount(); ++c)
        width += GetColumnWidth(c);
    return {0, y, std::max(width, GetClientRect().Width()), y + h};
}

int CListCtrl::HitTest(POINT p, int* subItem) const {
    if (subItem) *subItem = -1;
    if (p.y < HeaderHeight()) return -1;
    const int item = top_ + (p.y - HeaderHeight()) / RowHeight();
    if (item < 0 || item >= int(rows_.size())) return -1;
    int x = 0;
    int column = -1;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int w = GetColumnWidth(c);
        if (p.x >= x && p.x < x + w) column = c;
        x += w;
    }
    // Only full-row selection makes the whole row hit; otherwise only the
    // first column's cell does.
    if (column != 0 && !(extended_ & LVS_EX_FULLROWSELECT)) return -1;
    if (subItem) *subItem = column;
    return item;
}

bool CListCtrl::EnsureVisible(int item) {
    if (item < 0 || item >= int(rows_.size())) return false;
    const int visible = std::max((GetClientRect().Height() - HeaderHeight()) / RowHeight(), 1);
    if (item < top_) top_ = item;
    if (item >= top_ + visible) top_ = item - visible + 1;
    Invalidate();
    return true;
}

CImageList* CListCtrl::SetImageList(CImageList* list, int which) {
    if (which != LVSIL_SMALL) return nullptr;
    CImageList* old = std::exchange(small_, list);
    Invalidate();
    return old;
}

DWORD CListCtrl::SetExtendedStyle(DWORD style) {
    DWORD old = std::exchange(extended_, style);
    Invalidate();
    return old;
}

LRESULT CListCtrl::NotifyParent(NMHDR& header) {
    CWnd* parent = GetParent();
    if (!parent) return 0;
    return SendMessage(parent->GetSafeHwnd(), WM_NOTIFY, GetDlgCtrlID(),
                       reinterpret_cast<LPARAM>(&header));
}

void CListCtrl::Select(int item, bool notify) {
    (void)notify;
    if (item < 0) {
        SetItemState(-1, 0, LVIS_SELECTED);
        return;
    }
    SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CListCtrl::PaintRow(Painter& p, int item, const RECT& rowRect) {
    Row& row = rows_[size_t(item)];
    const bool selected = (row.state & LVIS_SELECTED) != 0;
    NMLVCUSTOMDRAW draw;
    draw.nmcd.hdr = {GetSafeHwnd(), GetDlgCtrlID(), NM_CUSTOMDRAW};
    draw.nmcd.hdc = &p;
    draw.nmcd.dwItemSpec = uintptr_t(item);
    draw.nmcd.uItemState = selected ? ODS_SELECTED : 0;
    draw.nmcd.lItemlParam = row.data;
    draw.nmcd.rc = rowRect;

    const COLORREF normalText = GetSysColor(COLOR_WINDOWTEXT);
    const FontSpec normalFont = GetFont();
    int x = 0;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int w = GetColumnWidth(c);
        RECT cell{x, rowRect.top, x + w, rowRect.bottom};
        x += w;
        p.SaveState();
        p.SelectFont(normalFont);
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
        draw.nmcd.rc = cell;
        draw.iSubItem = columns_[size_t(c)].subItem;
        draw.clrText = normalText;
        draw.clrTextBk = CLR_INVALID;
        const LRESULT answer = NotifyParent(draw.nmcd.hdr);
        if (answer & CDRF_SKIPDEFAULT) {
            p.RestoreState(-1);
            continue;
        }
        if (!(answer & CDRF_NEWFONT)) p.SelectFont(normalFont);
        COLORREF text = draw.clrText;
        const bool highlight = selected && (c == 0 || (extended_ & LVS_EX_FULLROWSELECT));
        if (highlight) {
            p.FillSolidRect(cell, GetSysColor(COLOR_HIGHLIGHT));
            text = GetSysColor(COLOR_HIGHLIGHTTEXT);
        } else if (draw.clrTextBk != CLR_INVALID) {
            p.FillSolidRect(cell, draw.clrTextBk);
        }
        p.IntersectClipRect(cell);
        RECT textRect = InflateRect(cell, -kCellMargin, 0);
        if (c == 0 && small_) {
            const SIZE s = small_->GetImageSize();
            small_->Draw(p, row.image, {cell.left + 2, cell.top + (cell.Height() - s.cy) / 2},
                         ILD_TRANSPARENT);
            textRect.left = cell.left + 2 + s.cx + kCellMargin;
        }
        p.SetBkMode(TRANSPARENT);
        p.SetTextColor(text);
        HDITEM h;
        header_->GetItem(c, h);
        p.DrawText(GetItemText(item, columns_[size_t(c)].subItem), textRect, DrawFormat(h.format));
        if (extended_ & LVS_EX_GRIDLINES) {
            p.FillSolidRect({cell.right - 1, cell.top, cell.right, cell.bottom},
                            GetSysColor(COLOR_3DLIGHT));
            p.FillSolidRect({cell.left, cell.bottom - 1, cell.right, cell.bottom},
                            GetSysColor(COLOR_3DLIGHT));
        }
        p.RestoreState(-1);
    }
}

void CListCtrl::Paint() {
    PAINTSTRUCT ps;
    Painter p = BeginPaint(ps);
    const RECT client = GetClientRect();
    p.FillSolidRect(client, GetSysColor(COLOR_WINDOW));
    NMCUSTOMDRAW pre;
    pre.hdr = {GetSafeHwnd(), GetDlgCtrlID(), NM_CUSTOMDRAW};
    pre.dwDrawStage = CDDS_PREPAINT;
    pre.hdc = &p;
    pre.rc = client;
    NotifyParent(pre.hdr);
    for (int i = top_; i < int(rows_.size()); ++i) {
        const RECT r = GetItemRect(i);
        if (r.top >= client.bottom) break;
        PaintRow(p, i, r);
    }
    EndPaint(ps);
}

LRESULT CListCtrl::OnMessage(Message& msg) {
    const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    switch (msg.message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            LayoutHeader();
            return CWnd::OnMessage(msg);
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            SetFocus();
            int sub = -1;
            const int item = HitTest(p, &sub);
            const HWND self = GetSafeHwnd();
            Select(item, true);
            if (!IsWindow(self)) return 0;
            NMITEMACTIVATE click;
            click.hdr = {self, GetDlgCtrlID(),
                         msg.message == WM_LBUTTONDOWN ? NM_CLICK : NM_RCLICK};
            click.iItem = item;
            click.iSubItem = std::max(sub, 0);
            click.ptAction = p;
            NotifyParent(click.hdr);
            return 0;
        }
        case WM_LBUTTONDBLCLK: {
            int sub = -1;
            const int item = HitTest(p, &sub);
            NMITEMACTIVATE click;
            click.hdr = {GetSafeHwnd(), GetDlgCtrlID(), NM_DBLCLK};
            click.iItem = item;
            click.iSubItem = std::max(sub, 0);
            click.ptAction = p;
            NotifyParent(click.hdr);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            const int steps = GET_WHEEL_DELTA_WPARAM(msg.wParam) / WHEEL_DELTA;
            top_ = std::clamp(top_ - 3 * steps, 0, std::max(int(rows_.size()) - 1, 0));
            Invalidate();
            return 0;
        }
        case WM_KEYDOWN: {
            const int focused = GetNextItem(-1, LVNI_FOCUSED);
            int next = focused;
            if (msg.wParam == VK_DOWN) next = std::min(focused + 1, int(rows_.size()) - 1);
            if (msg.wParam == VK_UP) next = std::max(focused - 1, 0);
            if (msg.wParam == VK_HOME) next = 0;
            if (msg.wParam == VK_END) next = int(rows_.size()) - 1;
            if (next != focused && next >= 0) {
                Select(next, true);
                EnsureVisible(next);
            }
            return 0;
        }
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(msg.lParam);
            if (hdr && header_ && hdr->hwndFrom == header_->GetSafeHwnd()) {
                if (hdr->code == HDN_ITEMCLICKA) {
                    NMLISTVIEW click;
                    click.hdr = {GetSafeHwnd(), GetDlgCtrlID(), LVN_COLUMNCLICK};
                    click.iSubItem = reinterpret_cast<NMHEADER*>(hdr)->iItem;
                    NotifyParent(click.hdr);
                }
                if (hdr->code == HDN_ENDTRACKA) Invalidate();
                return 0;
            }
            return CWnd::OnMessage(msg);
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Invalidate();
            return 0;
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
