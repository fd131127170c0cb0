#include "client/controls/data_list_ctrl.h"

#include <cstdlib>

#include "client/client_utils.h"
#include "platform/gui/sys_colors.h"
#include "platform/text.h"

namespace client {

std::vector<ColumnSpec> ParseColumnSpec(std::string_view spec) {
    const BarSplit parts = SplitByBar(spec, 1024);
    std::vector<ColumnSpec> columns;
    for (size_t i = 0; i + 3 <= parts.fields.size(); i += 3) {
        columns.push_back({std::string(parts.fields[i]),
                           std::atoi(std::string(parts.fields[i + 1]).c_str()),
                           std::atoi(std::string(parts.fields[i + 2]).c_str())});
    }
    return columns;
}

void CFlatHeaderCtrl::SetSortColumn(int column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    if (GetSafeHwnd()) Invalidate();
}

void CFlatHeaderCtrl::DrawItem(platform::DRAWITEMSTRUCT& item) {
    using namespace platform;
    HDITEM h;
    if (!item.hDC || !GetItem(int(item.itemID), h)) return;
    Painter& p = *item.hDC;
    p.FillSolidRect(item.rcItem, GetSysColor(COLOR_BTNFACE));
    RECT text = InflateRect(item.rcItem, -4, 0);
    const bool sorted = int(item.itemID) == sortColumn_;
    if (sorted) text.right -= 12;
    if (item.itemState & ODS_SELECTED) text = OffsetRect(text, 1, 1);
    unsigned format = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
    if ((h.format & 3) == HDF_RIGHT) format |= DT_RIGHT;
    if ((h.format & 3) == HDF_CENTER) format |= DT_CENTER;
    p.SetBkMode(TRANSPARENT);
    p.SetTextColor(GetSysColor(COLOR_BTNTEXT));
    p.DrawText(h.text, text, format);
    if (!sorted) return;
    // A small triangle at the right: up when ascending, down otherwise.
    const int x = item.rcItem.right - 12, mid = (item.rcItem.top + item.rcItem.bottom) / 2;
    const int top = mid - 3, bottom = mid + 3;
    const POINT apex = ascending_ ? POINT{x + 4, top} : POINT{x + 4, bottom};
    const POINT left = ascending_ ? POINT{x, bottom} : POINT{x, top};
    const POINT right = ascending_ ? POINT{x + 8, bottom} : POINT{x + 8, top};
    p.SelectPen({PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)});
    p.MoveTo(left.x, left.y);
    p.LineTo(apex.x, apex.y);
    p.SelectPen({PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)});
    p.LineTo(right.x, right.y);
    p.LineTo(left.x, left.y);
}

std::unique_ptr<platform::CHeaderCtrl> CDataListCtrl::MakeHeader() {
    return std::make_unique<CFlatHeaderCtrl>();
}

CFlatHeaderCtrl* CDataListCtrl::FlatHeader() {
    return dynamic_cast<CFlatHeaderCtrl*>(GetHeaderCtrl());
}

void CDataListCtrl::SetupColumns() {
    while (GetColumnCount() > 0)
        DeleteColumn(0);
    const std::vector<ColumnSpec> columns = ParseColumnSpec(spec_);
    for (size_t i = 0; i < columns.size(); ++i)
        InsertColumn(int(i), columns[i].title, columns[i].format, columns[i].width, int(i));
    fixed_.assign(columns.size(), 0);
}

int CDataListCtrl::FindColumn(std::string_view name) const {
    auto* header = const_cast<CDataListCtrl*>(this)->GetHeaderCtrl();
    for (int i = 0; header && i < header->GetItemCount(); ++i) {
        platform::HDITEM h;
        if (header->GetItem(i, h) && platform::GbkEqualsIgnoreCase(h.text, name)) return i;
    }
    return -1;
}

void CDataListCtrl::DeselectAll() {
    for (int i = 0; i < GetItemCount(); ++i)
        SetItemState(i, 0, platform::LVIS_SELECTED);
}

bool CDataListCtrl::IsColumnFixed(int column) const {
    return column >= 0 && size_t(column) < fixed_.size() && fixed_[size_t(column)] != 0;
}

void CDataListCtrl::SetColumnFixed(int column, bool fixed) {
    if (column < 0 || column >= GetColumnCount()) return;
    if (fixed_.size() < size_t(GetColumnCount())) fixed_.resize(size_t(GetColumnCount()), 0);
    fixed_[size_t(column)] = fixed ? 1 : 0;
}

platform::LRESULT CDataListCtrl::OnMessage(platform::Message& msg) {
    if (msg.message == platform::WM_NOTIFY) {
        const auto* header = reinterpret_cast<const platform::NMHEADER*>(msg.lParam);
        if (header && (header->hdr.code == platform::HDN_BEGINTRACKA ||
                       header->hdr.code == platform::HDN_BEGINTRACKW)) {
            if (IsColumnFixed(header->iItem)) return 1;
        }
    }
    return CListCtrl::OnMessage(msg);
}

}  // namespace client
