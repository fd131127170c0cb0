#pragma once
// Dialogs laid out in code: a captioned popup with the button-face
// background whose controls are made in OnInitDialog. DoModal disables the
// owner and runs a nested message loop until EndDialog; modal dialogs nest.
// Enter chooses the default button (or the focused push button), Escape
// cancels and Tab moves the focus among WS_TABSTOP controls.

#include <string>

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

class CDialog : public CWnd {
  public:
    explicit CDialog(SIZE size = {300, 200}, std::string caption = "");
    ~CDialog() override { Destroy(); }

    // Answers the EndDialog value, or -1 when WM_QUIT ended the loop or the
    // window could not be made.
    int DoModal(CWnd* owner = nullptr);
    // Makes the dialog (shown unless `show` is false) and returns;
    // EndDialog destroys it.
    bool CreateModeless(CWnd* owner = nullptr, bool show = true);
    void EndDialog(int result);
    bool IsModal() const { return loop_.Running(); }
    void SetDefID(UINT id) { defaultId_ = id; }
    UINT GetDefID() const { return defaultId_; }
    void SetDialogSize(SIZE size) { size_ = size; }
    // The window style the dialog is made with (a captioned popup by default).
    void SetDialogStyle(DWORD style) { style_ = style; }
    // Centres over the owner's window, or over the work area.
    void CenterWindow(CWnd* over = nullptr);
    // Dialog keys for a message of this dialog's tree; true when handled.
    bool IsDialogMessage(Message& msg);
    // For message loops that host modeless dialogs: gives `msg` to the
    // PreTranslateMessage of the dialog it is for, if any; true when handled.
    static bool PreTranslateForDialog(Message& msg);

  protected:
    // Controls are made here. True puts the focus on the first tab stop.
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Every message of the thread while modal, before dispatch.
    virtual bool PreTranslateMessage(Message& msg) { return IsDialogMessage(msg); }
    LRESULT OnMessage(Message& msg) override;

  private:
    bool Make(CWnd* owner);
    void NextTabStop(bool backwards);

    SIZE size_;
    DWORD style_ = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    std::string caption_;
    ModalLoop loop_;
    CWnd* owner_ = nullptr;
    UINT defaultId_ = IDOK;
};

}  // namespace platform
