#pragma once
// CGameFrameWnd: the client's main window. It takes the hall's messages
// and runs the enter sequence that brings the client to its table (table
// state accepted 0x9049, enter 0x904E, table entered 0x8164; once), relays
// the server's notices to the notification handler, keeps its timers (hall
// check, notices, delayed close, skin change, keep-alive), downloads the
// notices and shows them in the chat, switches skins, and owns the close
// flow with its timed questions. The panes belong to derived frames and are
// reached through the accessors; the frame answers the framework's
// questions about them (GameFrameAccess).

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "client/game_app.h"
#include "client/hall_client.h"
#include "client/notice_download.h"
#include "platform/gui/wnd.h"

namespace client {

class CGameTableView;
class CGameChatView;
class CGamePlayerView;

// Messages of the main frame.
inline constexpr platform::UINT kMsgSkinButton = platform::WM_USER + 804;
inline constexpr platform::UINT kMsgSkinChosen = 0x816C;
inline constexpr platform::UINT kMsgPlayerCard = 0x822D;

// Timers of the main frame.
inline constexpr platform::UINT_PTR kTimerHallCheck = 1;
inline constexpr platform::UINT_PTR kTimerNotice = 2;
inline constexpr platform::UINT_PTR kTimerDelayedClose = 3;
inline constexpr platform::UINT_PTR kTimerSkin = 4;
inline constexpr platform::UINT_PTR kTimerKeepAlive = 5;
inline constexpr uint32_t kDefaultKeepAliveSeconds = 60;
inline constexpr uint32_t kDelayedCloseMs = 3000;
// The longest period a window timer takes (USER_TIMER_MAXIMUM).
inline constexpr uint64_t kMaxTimerMs = 0x7FFFFFFF;

inline constexpr char kTextLostInGame[] = "断线了！请尽快重入房间续玩。\r\n您的位置【%s_%s】。";
inline constexpr char kTextLost[] = "与服务器连接断开。";
inline constexpr char kTextPlayerQuit[] = "%s已经退出,游戏结束。";
inline constexpr char kTextKeepPlaying[] =
    "生命不息，战斗不止，请继续游戏。\r\n(如果游戏中有玩家长时间不活动，请您等待2分钟后再退出)";
inline constexpr char kTextQuitCosts[] =
    "游戏还没有结束，现在退出要扣你分，还要扣你银子。确定退出吗？";
// In the status line when no browser took a web address (its first 32 bytes).
inline constexpr char kTextNoBrowser[] = "无法打开%.32s：没有可用的浏览器";
inline constexpr uint32_t kNoBrowserSeconds = 8;

// The notice timer's period for the room's period in seconds: none for 0,
// at most the longest a timer takes.
uint32_t NoticePeriodMs(uint32_t seconds);

class CGameFrameWnd : public platform::CWnd, public GameFrameAccess {
  public:
    CGameFrameWnd();
    ~CGameFrameWnd() override;

    // Makes the main window (hidden) with its client area and panes, then
    // gives every pane its initial update.
    bool LoadFrame(const std::string& caption);
    // What the base frame shows in its client area (a plain view by default).
    void SetViewFactory(std::function<std::unique_ptr<platform::CWnd>()> factory) {
        viewFactory_ = std::move(factory);
    }

    // Slots, in order.
    virtual platform::CWnd* GetDlgBar() { return nullptr; }
    virtual CGameTableView* GetTableView() { return nullptr; }
    virtual CGameChatView* GetChatView() { return nullptr; }
    virtual CGamePlayerView* GetPlayerView() { return nullptr; }
    virtual void ApplySplitterSkin() {}
    virtual void OnDisconnect();
    virtual void OnPlayerQuit(const PlayerLeftRecord& record);
    virtual bool CanExit();
    virtual void StartKeepAliveTimer(uint32_t seconds);
    virtual void StartDefaultKeepAlive() { StartKeepAliveTimer(kDefaultKeepAliveSeconds); }

    int GetTableViewWidth();
    int GetTableViewHeight();

    // Starts a notice download unless one runs (timer 2, and the chat pane
    // once the table is entered).
    void DownloadNotify();
    size_t NoticeJobCount() const { return notices_.Count(); }
    bool LeaveWatch() const { return leaveWatch_; }
    bool Entered() const { return entered_; }
    // Dialog keys of the panes: walks from the message's window up to the
    // frame; true when a pane handled it.
    bool PreTranslateMessage(platform::Message& msg);

    // GameFrameAccess.
    platform::HWND Handle() const override { return Window::Handle(); }
    void RefreshTable() override;
    void RedrawTable() override;
    uint32_t TableClockTimer() const override;
    void ClearClosePending() override { leaveWatch_ = false; }
    bool HasChatView() const override;
    void ChatWords(std::span<const uint8_t> data) override;
    void ChatCall(std::span<const uint8_t> data) override;
    void ChatLookerLeft(const PlayerRecord& record) override;
    void RefreshPlayerValues(std::span<const uint8_t> data) override;
    void RemovePlayerRow(uint32_t userId) override;
    void AppendChatLine(const std::string& text) override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    // The client area under the top bar; the base makes one plain view.
    virtual bool OnCreateClient();
    // The top bar (a dialog bar) keeps its height across the top; the
    // client window (id AFX_IDW_PANE_FIRST) takes the rest.
    void SetTopBar(platform::CWnd* bar) { topBar_ = bar; }
    virtual void RecalcLayout();
    CGameApp& App() const;

  private:
    void OnCreate();
    void OnCopyData(platform::Message& msg);
    void OnTimer(platform::UINT_PTR id);
    void OnTableStateReady();
    void OnEnterGame();
    void OnPacket(platform::Message& msg);
    void OnClose();
    void OnDestroy();
    void OnSkinMenu(const platform::RECT* button);
    void OnSkinChanged(uint32_t command);
    void ApplySkin(const std::string& path);
    void OnNoticeFile(platform::Message& msg);

    platform::CWnd* topBar_ = nullptr;
    std::function<std::unique_ptr<platform::CWnd>()> viewFactory_;
    std::unique_ptr<platform::CWnd> plainView_;
    bool leaveWatch_ = true;
    bool entered_ = false;
    bool entering_ = false;
    bool closing_ = false;
    uint32_t noticeTimer_ = 0;
    NoticeDownloads notices_;
};

}  // namespace client
