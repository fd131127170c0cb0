#pragma once
// The scroll bar control: arrows, a track and a thumb sized by the page.
// It reports to its parent with WM_VSCROLL or WM_HSCROLL (code in the low
// word, thumb position in the high word, the bar's handle in lParam); the
// parent moves the thumb with SetScrollPos, as in Win32.

#include "platform/gui/controls.h"
#include "platform/gui/rich_edit.h"
#include "platform/gui/wnd.h"

namespace platform {

constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = 0x0017;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

class CScrollBar : public CWnd {
  public:
    ~CScrollBar() override { Destroy(); }
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, "", style | WS_CHILD, rect, parent, id);
    }
    void SetScrollRange(int minimum, int maximum, bool redraw = true);
    int SetScrollPos(int position, bool redraw = true);
    int GetScrollPos() const { return info_.nPos; }
    bool SetScrollInfo(const SCROLLINFO& info, bool redraw = true);
    SCROLLINFO GetScrollInfo() const { return info_; }
    // The thumb and the arrows, in client coordinates.
    RECT ThumbRect() const;
    int ArrowSize() const;

  protected:
    LRESULT OnMessage(Message& msg) override;

  private:
    bool Vertical() const { return (GetStyle() & SBS_VERT) != 0; }
    int MaxPos() const;
    void Notify(int code, int position = 0);

    SCROLLINFO info_;
    bool dragging_ = false;
    int dragOffset_ = 0;
};

}  // namespace platform
