#pragma once
// A small client built on the framework classes, for running the road end
// to end: launch line, connect, version check, the hall's table state,
// entering the game, the keep-alive, notifications dispatched by id,
// leaving and the report to the hall; a lost connection or a vanished hall
// end it in order. It writes each step as one line to its event sink, and its
// main window, a top-level window of the current display, lists those lines.

#include <array>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "client/comm_thread.h"
#include "client/game_app.h"
#include "client/game_session.h"
#include "client/notify_handler.h"
#include "client/skin_settings.h"
#include "platform/gui/wnd.h"

namespace testapp {

using EventSink = std::function<void(const std::string& line)>;

// A notification of this test game, handled on top of the framework's.
inline constexpr uint32_t kNoteTestGame = 222001;
inline constexpr uint32_t kFrameHallTimer = 1;
inline constexpr uint32_t kFrameKeepAliveTimer = 5;
inline constexpr uint32_t kMsgTableEntered = 0x8164;

class TestNotifyHandler : public client::CGameNotifyHandler {
  public:
    explicit TestNotifyHandler(EventSink sink) : sink_(std::move(sink)) {}
    bool Dispatch(uint32_t id, Data data) override;
    bool OnNotify211000(Data data) override;
    // The test game's own notification: at least 4 bytes, a value.
    virtual bool OnTestGame(Data data);

  private:
    EventSink sink_;
};

class TestApp;

class TestFrame : public platform::CWnd, public client::GameFrameAccess {
  public:
    // The newest lines the window keeps; older ones scroll away for good.
    static constexpr size_t kMaxLines = 200;
    static constexpr int kMargin = 8;
    static constexpr int kLineGap = 4;
    static constexpr int kHeaderHeight = 36;
    static constexpr platform::COLORREF kHeaderColor = 0x326400;  // the table's green
    static constexpr platform::COLORREF kHeaderText = 0xFFFFFF;
    static constexpr platform::COLORREF kBackground = 0xFFFFFF;
    static constexpr platform::COLORREF kText = 0x000000;
    static platform::FontSpec LineFont() { return {.face = "宋体", .height = -16}; }
    static platform::FontSpec HeaderFont() {
        return {.face = "宋体", .height = -16, .weight = platform::FW_BOLD};
    }

    TestFrame(TestApp& app, EventSink sink);
    ~TestFrame() override;
    // Creates the main window, shown, in the middle of the display's work
    // area, captioned `caption` (GBK).
    bool Make(const std::string& caption);

    platform::HWND Handle() const override { return Window::Handle(); }
    void ClearClosePending() override { leaveWatch_ = false; }
    void StartKeepAliveTimer(uint32_t seconds);
    bool LeaveWatch() const { return leaveWatch_; }

    // One status line more (GBK), at the bottom of the list. Written on the
    // window's thread it shows at once; from another, with the next repaint.
    void AddLine(const std::string& line);
    // The lines kept, oldest first; any thread may ask.
    std::vector<std::string> Lines() const;
    // Where the line `index` of Lines() is drawn in the client area, under
    // the header; empty when it has scrolled out of sight (the newest lines
    // stay in view).
    platform::RECT LineRect(size_t index) const;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void OnPaint();
    void PaintHeader(platform::Painter& painter);
    void OnPacket(platform::Message& msg);
    void OnDisconnect();
    void OnClose();
    int LineHeight() const;

    TestApp& app_;
    EventSink sink_;
    bool leaveWatch_ = true;
    bool closing_ = false;
    mutable std::mutex linesMu_;
    std::deque<std::string> lines_;
};

class TestApp : public client::CGameApp {
  public:
    explicit TestApp(EventSink sink, std::string hallEndpoint = {});
    ~TestApp() override;

    client::CGameNotifyHandler* GetNotifyHandler() override { return &notify_; }
    client::CGameSession* GetConnection() override { return &session_; }
    client::CSkinSettings* GetSkinSettings() override { return &skin_; }
    // [GAMESET] Silence of the program's settings.
    uint32_t IsSilent() override;
    std::span<uint8_t> GetTableData() override { return tableData_; }
    void PlaySound(uint32_t id, uint32_t flags) override;

    // Start-up, then the main window named to the hall.
    bool InitInstance() override;
    int ExitInstance() override;
    TestFrame* Frame() { return frame_.get(); }
    void Emit(const std::string& line) { sink_(line); }
    // Runs the message loop until the client ends; answers its exit code.
    int Run();

  protected:
    std::string HallEndpointOverride() const override { return hallEndpoint_; }
    // Nobody answers a test client: it writes the question and says No.
    int MessageBox(const std::string& text, uint32_t type) override;

  private:
    // Every line goes out and to the main window; lines written while there
    // is none wait for it.
    void Record(const std::string& line);

    EventSink out_;
    EventSink sink_;
    std::deque<std::string> early_;
    std::string hallEndpoint_;
    client::CGameSession session_;
    client::CSkinSettings skin_;
    TestNotifyHandler notify_;
    std::array<uint8_t, 256> tableData_{};
    std::unique_ptr<TestFrame> frame_;
};

}  // namespace testapp
