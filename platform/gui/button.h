#pragma once
// Push buttons, check boxes and group boxes. A click (mouse released over the button,
// Space released, BM_CLICK) goes to OnClicked (what a reflected BN_CLICKED
// was), then as BN_CLICKED to the parent; BS_OWNERDRAW buttons are drawn by
// DrawItem, which by default asks the parent through WM_DRAWITEM.

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

class CButton : public CWnd {
  public:
    ~CButton() override { Destroy(); }
    bool Create(std::string_view text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, text, style | WS_CHILD, rect, parent, id);
    }
    int GetCheck() const { return checked_ ? BST_CHECKED : BST_UNCHECKED; }
    void SetCheck(int check);
    bool IsPushed() const { return pushed_; }
    void Click();

  protected:
    LRESULT OnMessage(Message& msg) override;
    // Draws the button face; owner-drawn buttons through DrawItem.
    virtual void DrawButton(Painter& painter);
    virtual void DrawItem(DRAWITEMSTRUCT& item);
    // A click, before the parent hears of it.
    virtual void OnClicked() {}

  private:
    bool pushed_ = false;
    bool tracking_ = false;
    bool checked_ = false;
};

}  // namespace platform
