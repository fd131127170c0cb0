#pragma once
// The static splitter: a grid of panes (windows made as the splitter's
// children with the ids IdFromRowCol gives) separated by bars the user can
// drag. Rows and columns take their ideal sizes; the last takes what is
// left; one that cannot have its minimum gives its room to the one before.
// RecalcLayout and OnDrawSplitter are virtual for skinned splitters.

#include <vector>

#include "platform/gui/wnd.h"

namespace platform {

constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

class CSplitterWnd : public CWnd {
  public:
    enum ESplitType { splitBox, splitBar, splitIntersection, splitBorder };

    CSplitterWnd();
    ~CSplitterWnd() override { Destroy(); }

    bool CreateStatic(CWnd* parent, int rows, int cols, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST);
    int GetRowCount() const { return int(rows_.size()); }
    int GetColumnCount() const { return int(cols_.size()); }
    static UINT IdFromRowCol(int row, int col) {
        return AFX_IDW_PANE_FIRST + UINT(row) * 16 + UINT(col);
    }
    CWnd* GetPane(int row, int col) const { return GetDlgItem(IdFromRowCol(row, col)); }
    void SetRowInfo(int row, int ideal, int minimum);
    void SetColumnInfo(int col, int ideal, int minimum);
    // Current and minimum sizes.
    void GetRowInfo(int row, int& current, int& minimum) const;
    void GetColumnInfo(int col, int& current, int& minimum) const;
    // The bar between column `col` and the next (or row `row` and the next),
    // in client coordinates.
    RECT ColumnBarRect(int col) const;
    RECT RowBarRect(int row) const;

    virtual void RecalcLayout();

  protected:
    virtual void OnDrawSplitter(Painter* painter, ESplitType type, const RECT& rect);
    LRESULT OnMessage(Message& msg) override;

    // Sizes in pixels, as the framework names them.
    int m_cxSplitter = 7;
    int m_cySplitter = 7;
    int m_cxSplitterGap = 7;
    int m_cySplitterGap = 7;
    int m_cxBorder = 2;
    int m_cyBorder = 2;

  private:
    struct Info {
        int ideal = 0;
        int minimum = 0;
        int current = 0;
        int start = 0;
    };
    static void Layout(std::vector<Info>& infos, int total, int border, int gap);
    RECT PaneRect(int row, int col) const;

    std::vector<Info> rows_;
    std::vector<Info> cols_;
    int draggingCol_ = -1;
    int draggingRow_ = -1;
};

}  // namespace platform
