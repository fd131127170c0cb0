#pragma once
// Tool tips: a small popup with a hint that appears when the pointer rests
// on a tool (a window, or a rectangle of it) and goes when the pointer moves
// off or a button is pressed. Owners relay their mouse messages with
// RelayEvent, as PreTranslateMessage does.

#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

class CToolTipCtrl : public CWnd {
  public:
    CToolTipCtrl();
    ~CToolTipCtrl() override { Destroy(); }

    bool Create(CWnd* owner);
    // `rect` in the tool window's client coordinates; empty means all of it.
    bool AddTool(CWnd* tool, std::string_view text, const RECT& rect = {}, UINT id = 0);
    void DelTool(CWnd* tool, UINT id = 0);
    void UpdateTipText(std::string_view text, CWnd* tool, UINT id = 0);
    int GetToolCount() const { return int(tools_.size()); }
    void SetMaxTipWidth(int width) { maxWidth_ = width; }
    void Activate(bool active);
    void SetDelayTime(UINT initialMs, UINT autoPopMs) {
        initialDelay_ = initialMs;
        autoPop_ = autoPopMs;
    }
    void RelayEvent(const Message& msg);
    bool IsShown() const { return (GetStyle() & WS_VISIBLE) != 0; }
    std::string ShownText() const { return IsShown() ? shownText_ : std::string(); }

  protected:
    LRESULT OnMessage(Message& msg) override;

  private:
    struct Tool {
        HWND window;
        UINT id = 0;
        RECT rect{};
        std::string text;
    };
    const Tool* ToolAt(HWND window, POINT client) const;
    void Pop();
    void Show();

    std::vector<Tool> tools_;
    bool active_ = true;
    int maxWidth_ = -1;
    UINT initialDelay_ = 500;
    UINT autoPop_ = 5000;
    const Tool* pending_ = nullptr;
    HWND pendingWindow_;
    UINT pendingId_ = 0;
    POINT lastScreen_{};
    std::string shownText_;
};

}  // namespace platform
