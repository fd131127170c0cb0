#pragma once
// Push buttons and check boxes. A click (mouse released over the button,
// Space released, BM_CLICK) sends BN_CLICKED to the parent; BS_OWNERDRAW
// buttons ask their parent to draw them through WM_DRAWITEM.

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
    // Draws the button face; owner-drawn buttons ask the parent instead.
    virtual void DrawButton(Painter& painter);

  private:
    bool pushed_ = false;
    bool tracking_ = false;
    bool checked_ = false;
};

}  // namespace platform
