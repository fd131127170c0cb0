#pragma once
// Single-line edit control: GBK text with a caret and a selection, a length
// limit (EN_MAXTEXT when typing would pass it), read-only and number-only
// modes, password display, and text input from the display while focused.
// Changes send EN_UPDATE and EN_CHANGE to the parent.

#include <string>

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

class CEdit : public CWnd {
  public:
    ~CEdit() override { Destroy(); }
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(WS_EX_CLIENTEDGE, "", style | WS_CHILD, rect, parent, id);
    }
    void SetLimitText(size_t limit) { limit_ = limit ? limit : kDefaultLimit; }
    size_t GetLimitText() const { return limit_; }
    void SetSel(int start, int end);
    void GetSel(int& start, int& end) const;
    void ReplaceSel(std::string_view text) { Replace(text, false); }
    void SetReadOnly(bool readOnly);
    const std::string& Text() const { return value_; }

    static constexpr size_t kDefaultLimit = 30000;

  protected:
    LRESULT OnMessage(Message& msg) override;

  private:
    void Replace(std::string_view text, bool typed);
    void Changed();
    void MoveCaret(size_t to, bool extend);
    size_t PreviousChar(size_t pos) const;
    size_t NextChar(size_t pos) const;
    size_t HitTest(int x) const;
    std::string Shown() const;
    int TextX(size_t pos) const;
    void Paint();
    void EnsureCaretVisible();

    std::string value_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    size_t limit_ = kDefaultLimit;
    int scroll_ = 0;
    int pendingLead_ = -1;
    bool selecting_ = false;
};

}  // namespace platform
