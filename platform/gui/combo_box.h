#pragma once
// The editable drop-down combo box (CBS_DROPDOWN): an edit field with a
// button that drops a list of strings below it. Picking an item puts its
// text in the field (CBN_SELCHANGE, CBN_CLOSEUP); typing reports
// CBN_EDITUPDATE and CBN_EDITCHANGE. The height given at creation is the
// dropped list's; the field itself is one line high.

#include <memory>
#include <string>
#include <vector>

#include "platform/gui/edit.h"

namespace platform {

constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
constexpr DWORD CBS_NOINTEGRALHEIGHT = 0x0400;
constexpr UINT CB_LIMITTEXT = 0x0141;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_SETFOCUS = 3;
constexpr UINT CBN_KILLFOCUS = 4;
constexpr UINT CBN_EDITCHANGE = 5;
constexpr UINT CBN_EDITUPDATE = 6;
constexpr UINT CBN_DROPDOWN = 7;
constexpr UINT CBN_CLOSEUP = 8;
constexpr int CB_ERR = -1;

class CComboBox : public CWnd {
  public:
    CComboBox();
    ~CComboBox() override;
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int AddString(std::string_view text);
    int InsertString(int index, std::string_view text);
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const { return int(items_.size()); }
    int GetCurSel() const { return current_; }
    int SetCurSel(int index);
    std::string GetLBText(int index) const;
    int FindStringExact(int start, std::string_view text) const;
    void LimitText(size_t limit) { edit_.SetLimitText(limit); }
    void ShowDropDown(bool show);
    bool GetDroppedState() const;
    CEdit& GetEditCtrl() { return edit_; }
    int FieldHeight() const;

  protected:
    LRESULT OnMessage(Message& msg) override;

  private:
    class DropList;
    void Pick(int index);

    CEdit edit_;
    std::vector<std::string> items_;
    int current_ = CB_ERR;
    int dropHeight_ = 100;
    std::unique_ptr<DropList> list_;
};

}  // namespace platform
