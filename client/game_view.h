#pragma once
// The document, view and pane bases of the client's window. CGameDoc and
// CGameView carry nothing: they exist so that the document template can
// make the frame. CGameFormView is the base of every pane: a child window
// that never erases its background (the pane paints all of it), lies one
// pixel under its neighbours on each side, records its client size, and
// runs the dialog keys of the controls on it (Enter is IDOK, Escape
// IDCANCEL) as a form does.
//
// A factory function per class stands in for creation by runtime class.

#include <memory>

#include "platform/gui/wnd.h"

namespace client {

class CGameApp;

// Sent down the pane tree once the frame and its panes exist.
inline constexpr platform::UINT WM_INITIALUPDATE = 0x0364;

class CGameDoc {
  public:
    virtual ~CGameDoc() = default;
    static std::unique_ptr<CGameDoc> CreateObject() { return std::make_unique<CGameDoc>(); }
    // A new document runs the framework's default only.
    virtual bool OnNewDocument() { return true; }
};

class CGameView : public platform::CWnd {
  public:
    ~CGameView() override { Destroy(); }
    static std::unique_ptr<platform::CWnd> CreateObject() { return std::make_unique<CGameView>(); }
};

class CGameFormView : public platform::CWnd {
  public:
    CGameFormView();
    ~CGameFormView() override { Destroy(); }
    static std::unique_ptr<CGameFormView> CreateObject() {
        return std::make_unique<CGameFormView>();
    }

    // Makes the pane as child `id` of `parent`, visible.
    bool CreatePane(platform::CWnd* parent, platform::UINT id, const platform::RECT& rect);

    // Slots, in order.
    virtual void ShowPane(bool show);
    // Invalidates the whole pane with erase and paints it at once.
    virtual void Redraw();
    virtual CGameApp* GetGameApp();

    // Runs once the frame has all its panes (WM_INITIALUPDATE).
    virtual void OnInitialUpdate() {}
    // Dialog keys for a key message of this pane's controls; true when handled.
    virtual bool PreTranslateMessage(platform::Message& msg);

    int RecordedWidth() const { return width_; }
    int RecordedHeight() const { return height_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    // Records a new non-zero client size; false when the size is zero or
    // unchanged.
    bool OnSize(platform::UINT type, int cx, int cy);

  private:
    int width_ = 0;
    int height_ = 0;
};

}  // namespace client
