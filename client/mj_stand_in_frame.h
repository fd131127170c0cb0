#pragma once
// The main window of a mahjong client until its real main frame exists: a
// plain top-level window that carries the framework's road. It watches the
// hall, takes the hall's records, enters the table, tells the table scene
// that the table was entered, keeps the connection alive, hands every
// notification to the application's handler, passes the table pane's timers
// to the scene, and on closing leaves the table and reports to the hall.

#include <cstdint>
#include <string>

#include "client/game_app.h"
#include "platform/gui/wnd.h"

namespace client {

class CMJGameApp;

inline constexpr uint32_t kStandInHallTimer = 1;
inline constexpr uint32_t kStandInKeepAliveTimer = 5;
inline constexpr uint32_t kKeepAliveSeconds = 60;

class CMJStandInFrame : public platform::CWnd, public GameFrameAccess {
  public:
    explicit CMJStandInFrame(CMJGameApp& app);
    ~CMJStandInFrame() override;

    // Creates the window (hidden) captioned `caption`.
    bool Make(const std::string& caption);

    platform::HWND Handle() const override { return Window::Handle(); }
    void RefreshTable() override;
    uint32_t TableClockTimer() const override;
    void ClearClosePending() override { leaveWatch_ = false; }
    bool HasChatView() const override { return true; }
    // Chat lines go to the application's event sink.
    void AppendChatLine(const std::string& text) override;

    // Notifications handed to the handler so far.
    uint64_t NotificationsHandled() const { return notifications_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void OnCopyData(platform::Message& msg);
    void OnEnterTable();
    void OnPacket(platform::Message& msg);
    void OnDisconnect();
    void OnClose();

    CMJGameApp& app_;
    bool leaveWatch_ = true;
    bool closing_ = false;
    uint64_t notifications_ = 0;
};

}  // namespace client
