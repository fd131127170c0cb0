#pragma once
// The framework's small dialogs, as windows of the calling thread:
//   CTimedMessageBox  a message box that answers by itself when its
//                     countdown ends (Cancel when Cancel is enabled, else OK)
//   CWaitDlg          the status window of the communication thread: a text
//                     over the skin's picture with a busy bar in the skin's
//                     colours, shown and hidden, hiding itself after given
//                     seconds
// The box is a dialog of the window system; the wait dialog keeps its state
// for other threads. The notice popup is in notice_popup.h.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "client/controls/color_step_bar.h"
#include "platform/gui/button.h"
#include "platform/gui/dialog.h"
#include "platform/gui/static_control.h"
#include "platform/message_queue.h"
#include "platform/window.h"

namespace client {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr uint32_t kMsgSkinChanged = 0x816C;
inline constexpr uint32_t kSoundMessageBox = 29014;

// Message box types.
inline constexpr uint32_t kMbOk = 0;
inline constexpr uint32_t kMbError = 0x10;
inline constexpr uint32_t kMbWarning = 0x30;
inline constexpr uint32_t kMbOkCancelInfo = 0x41;
inline constexpr uint32_t kMbOkCancelQuestion = 0x21;

class CTimedMessageBox : public platform::CDialog {
  public:
    enum class Icon { kNone, kInformation, kError, kWarning, kQuestion };
    // Control ids.
    static constexpr platform::UINT kIdMessage = 1010;
    static constexpr platform::UINT kIdCountdown = 1011;
    static constexpr platform::UINT kIdIcon = 1012;

    CTimedMessageBox(std::string text, std::string okText, std::string cancelText, int seconds,
                     uint32_t type);
    ~CTimedMessageBox() override;

    // Runs the box modally over `owner` (a window of this thread, or none);
    // 1 OK, 2 Cancel.
    int DoModal(platform::HWND owner);
    int SecondsLeft() const { return seconds_.load(); }
    // True from the start of the modal run to its end (any thread may ask).
    bool Running() const { return running_.load(); }

    // What the start gave the box (for drawing and tests).
    Icon IconShown() const { return icon_; }
    bool CancelEnabled() const { return cancelEnabled_; }
    std::string CountdownText() const;

  protected:
    bool OnInitDialog() override;
    void OnCancel() override;
    bool PreTranslateMessage(platform::Message& msg) override;
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    class IconView;
    void OnTick();

    std::string text_;
    std::string okText_;
    std::string cancelText_;
    std::atomic<int> seconds_;
    uint32_t type_;
    std::atomic<bool> running_{false};
    Icon icon_ = Icon::kNone;
    bool cancelEnabled_ = true;
    std::unique_ptr<IconView> iconView_;
    platform::CStatic message_;
    platform::CStatic countdown_;
    platform::CButton ok_;
    platform::CButton cancel_;
};

class CWaitDlg : public platform::CDialog {
  public:
    static constexpr platform::UINT_PTR kHideTimer = 100;
    static constexpr platform::UINT kIdBar = 1008;
    static constexpr platform::UINT kIdText = 1009;
    static constexpr platform::UINT kBarStepMs = 200;

    CWaitDlg();
    ~CWaitDlg() override;

    // Shows `text`; with `seconds` > 0 hides the dialog that much later.
    void SetText(const std::string& text, uint32_t seconds);
    void Hide();

    // A snapshot for other threads (drawing, tests).
    struct State {
        std::string text;
        bool visible = false;
        std::string backgroundPath;  // empty: the button-face colour
        uint32_t barForeground = 0x1A462E;
        uint32_t barBackground = 0x429473;
    };
    State Snapshot() const;

    // Reads the wait dialog's picture and colours from a skin file.
    void LoadSkin(const std::string& skinPath);
    const CColorStepBar& Bar() const { return bar_; }

  protected:
    bool OnInitDialog() override;
    // The status window is never ended by keys or its close box; it hides.
    void OnOK() override { Hide(); }
    void OnCancel() override { Hide(); }
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    mutable std::mutex mu_;
    State state_;
    platform::Surface background_;  // the window's thread only
    platform::CStatic text_;
    CColorStepBar bar_;
};

}  // namespace client
