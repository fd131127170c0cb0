#pragma once
// CMJGameApp: the mahjong layer of the application, between CGameApp and the
// game's final application. It reaches the mahjong objects the final class
// owns (table scene, seat panel, table logic) through the small interfaces
// below, copies the four shared layout words into them, plays the sound
// resources unless silenced, resynchronises the table after a waited
// request got no reply, and creates the main window.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "client/doc_template.h"
#include "client/game_app.h"

namespace client {

// What the layer asks of the seat panel and the table logic: layout words
// 1-4 and a redraw after a resynchronisation.
class MJLayoutTarget {
  public:
    virtual ~MJLayoutTarget() = default;
    virtual void SetSharedWord(int n, int32_t value) = 0;
    virtual void RefreshAfterResync() {}
};

// What the layer and the main frame ask of the table scene.
class MJTableSceneTarget : public MJLayoutTarget {
  public:
    // 1: a pane drawn by the scene itself; 2: the engine's pane.
    virtual int32_t GetPaneKind() const = 0;
    // The engine pane's rebuild after a resynchronisation: the tile
    // entities released, the table rebuilt from the table data, then a
    // refresh of everything (mode 100).
    virtual void ReleaseTileEntities() = 0;
    virtual void RebuildFromTableData() = 0;
    virtual void RefreshEntities(int32_t mode) = 0;
    // The hosting pane's part: the table entered (0x8164) and the pane's
    // timers that are not the frame's own.
    virtual void OnTableEntered() {}
    virtual void OnHostTimer(uint32_t id) { (void)id; }
    // The move log: a request's payload under the id of the notification
    // that tells it, once its reply came back.
    virtual void QueueGameMessage(uint32_t id, std::span<const uint8_t> payload) {
        (void)id;
        (void)payload;
    }
    // The clock timer's id while the turn clock runs, else 0.
    virtual uint32_t RunningClockTimer() const { return 0; }
};

inline constexpr char kTextResyncFailed[] = "您的网络出现了异常，请重新登录大厅。";
inline constexpr int kResyncTries = 3;
inline constexpr uint32_t kResyncWaitMs = 3000;

class CMJGameApp : public CGameApp {
  public:
    CMJGameApp(std::string gameName, uint32_t defaultPort, uint32_t versionMajor,
               uint32_t versionMinor);
    ~CMJGameApp() override;

    bool InitInstance() override;
    int ExitInstance() override;
    void PlaySound(uint32_t id, uint32_t flags) override;

    // Slots of this layer, in order.
    virtual MJTableSceneTarget* GetTableScene() { return nullptr; }
    virtual MJLayoutTarget* GetSeatPanel() { return nullptr; }
    virtual MJLayoutTarget* GetTableLogic() { return nullptr; }
    // After a waited game request got no reply: the table data asked for
    // again (three tries, 3 s apart) and the table rebuilt from it; on
    // failure the client says so and closes. A connection that broke is
    // left to the lost connection's road.
    virtual void ResyncTable();
    virtual bool CreateMainWindow();
    virtual void ShowPlayerInfo(const PlayerRecord& record) { (void)record; }
    virtual uint32_t GetRejectKanPaiAsk() { return 0; }
    virtual void ShowSettingsDialog() {}
    virtual void SetSharedWord1(int32_t value) { SetShared(1, value); }
    virtual void SetSharedWord2(int32_t value) { SetShared(2, value); }
    virtual void SetSharedWord3(int32_t value) { SetShared(3, value); }
    virtual void SetSharedWord4(int32_t value);

    uint32_t SharedWord4() const { return sharedWord4_; }
    // A plain message box (AfxMessageBox's).
    int Alert(const std::string& text, uint32_t type) { return MessageBox(text, type); }
    // The timed message box with the buttons "确定" and "取消".
    int ShowMessage(const std::string& text, int seconds, uint32_t type);

    // Nobody answers message boxes (a headless run): each is told as a line
    // and answered with its default, at once.
    void SetUnattended(bool unattended) { unattended_ = unattended; }
    int ShowTimedMessage(const std::string& text, const std::string& okText,
                         const std::string& cancelText, int* seconds, uint32_t type) override;
    // Where the client's road is told, one line a step (nothing by default).
    void SetEventSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }
    void Emit(const std::string& line) const {
        if (sink_) sink_(line);
    }
    CGameFrameWnd* Frame() const { return frame_.get(); }
    // Runs the framework's message loop until the client ends, then the
    // clean-up; answers the loop's exit code.
    int Run();

    // What the main frame tells the table scene: the table was entered (the
    // scene starts its timers, unless the table pane that runs it did), and
    // a timer of the frame's window that is not the frame's own.
    void OnTableEntered(bool sceneStarted = false);
    void OnHostTimer(uint32_t id);

  protected:
    int MessageBox(const std::string& text, uint32_t type) override;
    // Plays a sound resource from memory, asynchronously.
    virtual void PlayWave(uint32_t id, uint32_t flags);
    // The document template of the main window (128: CGameDoc,
    // CMJGameFrameWnd, CGameView); the final class gives its own frame.
    virtual CSingleDocTemplate DocTemplate() const;

  private:
    void SetShared(int n, int32_t value);

    uint32_t sharedWord4_ = 1;
    bool resyncing_ = false;
    bool unattended_ = false;
    std::function<void(const std::string&)> sink_;
    std::unique_ptr<CGameDoc> document_;
    std::unique_ptr<CGameFrameWnd> frame_;
};

}  // namespace client
