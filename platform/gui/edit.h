#pragma once
// Edit control: GBK text with a caret and a selection, a length limit
// (EN_MAXTEXT when typing would pass it), read-only and number-only modes,
// password display, and text input from the display while focused. With
// ES_MULTILINE the text wraps to the width (between any two characters),
// Return types a line break ("\r\n") and the view follows the caret's line.
// Changes send EN_UPDATE and EN_CHANGE to the parent.

#include <string>
#include <vector>

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
    // A shown line: bytes [start, end) of the text.
    struct Line {
        size_t start = 0;
        size_t end = 0;
    };
    bool Multiline() const;
    std::vector<Line> Lines() const;
    size_t LineOf(const std::vector<Line>& lines, size_t pos) const;
    void Replace(std::string_view text, bool typed);
    void Changed();
    void MoveCaret(size_t to, bool extend);
    size_t PreviousChar(size_t pos) const;
    size_t NextChar(size_t pos) const;
    size_t HitTest(POINT p) const;
    size_t HitTestLine(const Line& line, int x) const;
    std::string Shown() const;
    int TextX(size_t pos) const;
    // x of `pos` from the start of its line, and the line height.
    int LineX(const Line& line, size_t pos) const;
    int LineHeight() const;
    void Paint();
    void PaintLines(Painter& painter, const RECT& inside);
    void EnsureCaretVisible();

    std::string value_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    size_t limit_ = kDefaultLimit;
    int scroll_ = 0;
    int scrollY_ = 0;  // multi-line: pixels scrolled down
    int pendingLead_ = -1;
    bool selecting_ = false;
};

}  // namespace platform
