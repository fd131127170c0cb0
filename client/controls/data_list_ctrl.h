#pragma once
// CDataListCtrl: the report list of the player pane. Its columns come from a
// column list "title|format|width|title|format|width|..." (format
// a decimal LVCFMT value, width in pixels; an incomplete last triple is
// left out); fixed columns refuse the divider drag. Its header is a
// CFlatHeaderCtrl: flat items, text with an end ellipsis, a sort mark.

#include <string>
#include <vector>

#include "platform/gui/list_ctrl.h"

namespace client {

struct ColumnSpec {
    std::string title;
    int format = 0;
    int width = 0;
};
std::vector<ColumnSpec> ParseColumnSpec(std::string_view spec);

class CFlatHeaderCtrl : public platform::CHeaderCtrl {
  public:
    ~CFlatHeaderCtrl() override { Destroy(); }
    // -1: no sort column.
    void SetSortColumn(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }

  protected:
    void DrawItem(platform::DRAWITEMSTRUCT& item) override;

  private:
    int sortColumn_ = -1;
    bool ascending_ = true;
};

class CDataListCtrl : public platform::CListCtrl {
  public:
    ~CDataListCtrl() override { Destroy(); }

    void SetColumnSpec(std::string_view spec) { spec_ = std::string(spec); }
    const std::string& ColumnSpecText() const { return spec_; }
    // Deletes every column and inserts those of the column list.
    void SetupColumns();
    // The column whose title equals `name` ignoring case, or -1.
    int FindColumn(std::string_view name) const;
    void AddExtendedStyle(platform::DWORD bits) { SetExtendedStyle(GetExtendedStyle() | bits); }
    void DeselectAll();
    bool IsColumnFixed(int column) const;
    void SetColumnFixed(int column, bool fixed);
    CFlatHeaderCtrl* FlatHeader();

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    std::unique_ptr<platform::CHeaderCtrl> MakeHeader() override;

  private:
    std::string spec_;
    std::vector<int> fixed_;  // one flag per column, as many as there are columns
};

}  // namespace client
