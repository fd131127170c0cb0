#pragma once
// The report list: a header with columns over rows of text cells, with a
// small image per row, item data, single selection, custom draw, and the
// notifications a parent gets through WM_NOTIFY (NM_CLICK, NM_DBLCLK,
// NM_RCLICK, NM_CUSTOMDRAW, LVN_ITEMCHANGED, LVN_COLUMNCLICK). The header
// asks its list before a divider is dragged (HDN_BEGINTRACK), so a list can
// keep columns fixed.

#include <memory>
#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/image_list.h"
#include "platform/gui/wnd.h"

namespace platform {

// Notification codes.
constexpr int NM_CLICK = -2;
constexpr int NM_DBLCLK = -3;
constexpr int NM_RCLICK = -5;
constexpr int NM_CUSTOMDRAW = -12;
constexpr int LVN_ITEMCHANGED = -101;
constexpr int LVN_COLUMNCLICK = -108;
constexpr int HDN_ITEMCLICKA = -302;
constexpr int HDN_BEGINTRACKA = -306;
constexpr int HDN_ENDTRACKA = -307;
constexpr int HDN_BEGINTRACKW = -326;

// Column and header formats.
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr int HDF_LEFT = 0;
constexpr int HDF_RIGHT = 1;
constexpr int HDF_CENTER = 2;
constexpr int HDF_OWNERDRAW = 0x8000;

// List styles, states and flags.
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_EX_GRIDLINES = 0x0001;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr int LVSIL_NORMAL = 0;
constexpr int LVSIL_SMALL = 1;
constexpr UINT LVIF_STATE = 0x0008;

// Custom draw.
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_SUBITEM = 0x00020000;
constexpr LRESULT CDRF_DODEFAULT = 0x00;
constexpr LRESULT CDRF_NEWFONT = 0x02;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x04;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x20;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x20;

struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    POINT ptAction{};
};

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction{};
    uintptr_t lParam = 0;
};

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage = 0;
    Painter* hdc = nullptr;
    RECT rc{};
    uintptr_t dwItemSpec = 0;
    UINT uItemState = 0;
    uintptr_t lItemlParam = 0;
};

struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText = CLR_INVALID;
    COLORREF clrTextBk = CLR_INVALID;
    int iSubItem = 0;
};

struct HDITEM {
    std::string text;
    int width = 0;
    int format = HDF_LEFT;
};

struct NMHEADER {
    NMHDR hdr;
    int iItem = -1;
    int iButton = 0;
    HDITEM* pitem = nullptr;
};

class CHeaderCtrl : public CWnd {
  public:
    ~CHeaderCtrl() override { Destroy(); }
    int GetItemCount() const { return int(items_.size()); }
    int InsertItem(int index, const HDITEM& item);
    bool DeleteItem(int index);
    bool GetItem(int index, HDITEM& item) const;
    bool SetItem(int index, const HDITEM& item);
    RECT GetItemRect(int index) const;
    // The item under a client point, -1 for none.
    int HitTest(POINT p, bool* onDivider = nullptr) const;

  protected:
    LRESULT OnMessage(Message& msg) override;
    // Draws one item; owner-drawn items (HDF_OWNERDRAW) land here too, so a
    // derived header draws them its own way.
    virtual void DrawItem(DRAWITEMSTRUCT& item);

  private:
    LRESULT Notify(int code, int index);

    std::vector<HDITEM> items_;
    int tracking_ = -1;
    int pressed_ = -1;
};

class CListCtrl : public CWnd {
  public:
    CListCtrl();
    ~CListCtrl() override { Destroy(); }
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Columns.
    int InsertColumn(int index, std::string_view heading, int format = LVCFMT_LEFT, int width = -1,
                     int subItem = -1);
    bool DeleteColumn(int index);
    int GetColumnCount() const;
    int GetColumnWidth(int index) const;
    bool SetColumnWidth(int index, int width);
    CHeaderCtrl* GetHeaderCtrl() { return header_.get(); }

    // Items.
    int InsertItem(int index, std::string_view text, int image = -1);
    bool DeleteItem(int index);
    bool DeleteAllItems();
    int GetItemCount() const { return int(rows_.size()); }
    bool SetItemText(int item, int subItem, std::string_view text);
    std::string GetItemText(int item, int subItem) const;
    bool SetItemData(int item, uintptr_t data);
    uintptr_t GetItemData(int item) const;
    bool SetItemImage(int item, int image);
    int GetItemImage(int item) const;
    bool SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask) const;
    int GetNextItem(int start, UINT flags) const;
    int FindItemByData(uintptr_t data) const;
    RECT GetItemRect(int item) const;
    int HitTest(POINT p, int* subItem = nullptr) const;
    bool EnsureVisible(int item);
    int GetTopIndex() const { return top_; }

    CImageList* SetImageList(CImageList* list, int which);
    CImageList* GetImageList(int which) const { return which == LVSIL_SMALL ? small_ : nullptr; }
    DWORD GetExtendedStyle() const { return extended_; }
    DWORD SetExtendedStyle(DWORD style);

    int RowHeight() const;
    int HeaderHeight() const;

  protected:
    LRESULT OnMessage(Message& msg) override;
    // Makes the header; a derived list may supply its own header class.
    virtual std::unique_ptr<CHeaderCtrl> MakeHeader();

  private:
    struct Row {
        std::vector<std::string> cells;
        uintptr_t data = 0;
        int image = -1;
        UINT state = 0;
    };
    struct Column {
        int subItem = 0;
    };

    LRESULT NotifyParent(NMHDR& header);
    void Select(int item, bool notify);
    void Paint();
    void PaintRow(Painter& p, int item, const RECT& rowRect);
    void LayoutHeader();

    std::unique_ptr<CHeaderCtrl> header_;
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    CImageList* small_ = nullptr;
    DWORD extended_ = 0;
    int top_ = 0;
};

}  // namespace platform
