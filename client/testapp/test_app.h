#pragma once
// A small client built on the framework classes, for running the road end
// to end: launch line, connect, version check, the hall's table state,
// entering the game, the keep-alive, notifications dispatched by id,
// leaving and the report to the hall; a lost connection or a vanished hall
// end it in order. Its main window is the framework's main frame with its
// panes; the frame here is a test double that writes each step of the road
// as one line to the event sink. Nobody answers its message boxes: each is
// written as a line and answered as it would answer itself.

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "client/comm_thread.h"
#include "client/doc_template.h"
#include "client/game_app.h"
#include "client/game_session.h"
#include "client/mj_game_frame.h"
#include "client/notify_handler.h"
#include "client/skin_settings.h"

namespace testapp {

using EventSink = std::function<void(const std::string& line)>;

// A notification of this test game, handled on top of the framework's.
inline constexpr uint32_t kNoteTestGame = 222001;

class TestNotifyHandler : public client::CGameNotifyHandler {
  public:
    explicit TestNotifyHandler(EventSink sink) : sink_(std::move(sink)) {}
    bool Dispatch(uint32_t id, Data data) override;
    // The test game's own notification: at least 4 bytes, a value.
    virtual bool OnTestGame(Data data);

  private:
    EventSink sink_;
};

class TestApp;

class TestFrame : public client::CMJGameFrameWnd {
  public:
    TestFrame(TestApp& app, EventSink sink);
    ~TestFrame() override;

    void OnDisconnect() override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    void OnPlayerCard(const client::PlayerRecord& record) override;

  private:
    void OnHallData(const platform::Message& msg);

    TestApp& app_;
    EventSink sink_;
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
    int ShowTimedMessage(const std::string& text, const std::string& okText,
                         const std::string& cancelText, int* seconds, uint32_t type) override;
    void ShowStatus(const char* text, int show) override;

    // Start-up, then the main window named to the hall.
    bool InitInstance() override;
    int ExitInstance() override;
    TestFrame* Frame() { return frame_.get(); }
    void Emit(const std::string& line) { sink_(line); }
    // Runs the message loop until the client ends; answers its exit code.
    int Run();

  protected:
    std::string HallEndpointOverride() const override { return hallEndpoint_; }
    int MessageBox(const std::string& text, uint32_t type) override;

  private:
    EventSink sink_;
    std::string hallEndpoint_;
    client::CGameSession session_;
    client::CSkinSettings skin_;
    TestNotifyHandler notify_;
    std::array<uint8_t, 256> tableData_{};
    std::unique_ptr<client::CGameDoc> document_;
    std::unique_ptr<TestFrame> frame_;
};

}  // namespace testapp
