#pragma once
// CGameApp: the application object of a table-game client started by the
// hall for one table. It holds the launch parameters, the hall's records
// (through its hall client), the program's paths; it runs the start-up (log,
// launch line, communication thread, server connection) and the clean-up,
// and answers who this client is to every other part. Exactly one instance
// runs; Current() reaches it. Game layers derive from it and fill the
// accessors of the objects they own.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "client/hall_client.h"
#include "client/launch_line.h"
#include "platform/gui/image_list.h"
#include "platform/win_types.h"

namespace client {

class CGameSession;
class CGameNotifyHandler;
class CGameCommThread;
class CSkinSettings;

// What the framework asks of the main frame's panes; the frame fills it.
class GameFrameAccess {
  public:
    virtual ~GameFrameAccess() = default;
    virtual platform::HWND Handle() const = 0;
    // The table pane's refresh, when there is a table pane.
    virtual void RefreshTable() {}
    // The table pane painted again at once.
    virtual void RedrawTable() {}
    // The table pane's clock timer id, 0 when no clock runs.
    virtual uint32_t TableClockTimer() const { return 0; }
    virtual void ClearClosePending() {}
    virtual bool HasChatView() const { return false; }
    virtual void ChatWords(std::span<const uint8_t>) {}
    virtual void ChatCall(std::span<const uint8_t>) {}
    virtual void ChatLookerLeft(const PlayerRecord&) {}
    // The player list pane.
    virtual void RefreshPlayerValues(std::span<const uint8_t>) {}
    virtual void RemovePlayerRow(uint32_t /*userId*/) {}
    // The chat pane appends a line of chat markup (message 0x81C8).
    virtual void AppendChatLine(const std::string& /*text*/) {}
};

// Messages of the framework.
inline constexpr uint32_t kMsgCommForward = 0x903D;
inline constexpr uint32_t kMsgCommStop = 0x903C;
inline constexpr uint32_t kMsgStatusText = 0x9051;
inline constexpr uint32_t kMsgTableStateReady = 0x9049;
inline constexpr uint32_t kMsgEnterTable = 0x904E;
inline constexpr uint32_t kMsgTableEntered = 0x8164;  // to every pane
inline constexpr uint32_t kMsgAppendChat = 0x81C8;
inline constexpr uint32_t kMsgUrlOpened = 0x9056;

// Portraits: one picture a chair (index = chair), then the lookers' one.
inline constexpr int kLookerPortraitIndex = 8;
inline constexpr platform::COLORREF kPortraitMask = 0x808000;
inline constexpr uint32_t kDefaultPortraitIcon = 151;

inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// "%s[%s]" of a player's name and nickname; the name alone without one.
std::string DisplayName(const PlayerRecord& player);

// What the web-page worker posts to the main window (0x9056) when done.
struct UrlJob {
    platform::HWND mainWindow;
    std::string url;      // at most 259 characters
    bool opened = false;  // a browser took it
};

class CGameApp {
  public:
    CGameApp(std::string gameName, uint32_t defaultPort, uint32_t versionMajor,
             uint32_t versionMinor);
    virtual ~CGameApp();
    CGameApp(const CGameApp&) = delete;
    CGameApp& operator=(const CGameApp&) = delete;

    // The running application (null before one is constructed).
    static CGameApp* Current();

    // Slots, in order.
    virtual bool InitInstance();
    virtual int ExitInstance();
    virtual uint32_t GetTableClockTimer();
    virtual CGameNotifyHandler* GetNotifyHandler() { return nullptr; }
    virtual CSkinSettings* GetSkinSettings() { return nullptr; }
    virtual CGameSession* GetConnection() { return nullptr; }
    virtual uint32_t IsQuickCatch() { return 0; }
    // The table data block; empty when the game keeps none.
    virtual std::span<uint8_t> GetTableData() { return {}; }
    virtual void PlaySound(uint32_t /*id*/, uint32_t /*flags*/) {}
    virtual uint32_t IsSilent() { return 0; }
    virtual void StartHall();
    virtual void LeaveGame();

    // Start-up pieces.
    void SetCommandLine(std::string line) { commandLine_ = std::move(line); }
    bool ParseLaunchLine();
    bool StartCommThread();
    void StopCommThread();
    bool ConnectServer();
    void Disconnect();

    // Identity (launch line).
    uint32_t GetUserId() const { return launch_.userId; }
    uint32_t GetRoomId() const { return launch_.roomId; }
    int32_t GetTableNo() const { return launch_.tableNo; }
    int32_t GetOwnChair() const { return launch_.chair; }
    uint32_t GetLookerFlag() const { return launch_.lookerFlag; }
    uint32_t GetGameId() const { return launch_.gameId; }
    uint32_t GetHallWnd() const { return launch_.hallWindow; }
    const std::string& GetServerHost() const { return launch_.serverHost; }
    uint32_t GetServerPort() const { return launch_.serverPort; }
    const std::string& GetGameTitle() const { return launch_.caption; }
    uint32_t GetLaunchField4() const { return launch_.field4; }
    uint32_t GetVersionMajor() const { return versionMajor_; }
    uint32_t GetVersionMinor() const { return versionMinor_; }
    uint32_t IsSmallScreen() const { return smallScreen_; }
    const std::string& GetIniName() const { return gameName_; }
    void SetLaunchField9(uint32_t v) { launchField9_ = v; }
    uint32_t GetLaunchField9() const { return launchField9_; }
    const LaunchLine& Launch() const { return launch_; }

    uint32_t& ServerVersionMajor() { return serverMajor_; }
    uint32_t& ServerVersionMinor() { return serverMinor_; }
    uint32_t& ConnectionLostRunning() { return connectionLostRunning_; }
    // The client decided to end (a lost connection, a table it cannot
    // resynchronise): from then on it sends nothing, and says why once.
    void BeginLeaving() { leaving_ = true; }
    bool IsLeaving() const { return leaving_; }

    // Room and table (zero records until the hall sends a table state).
    const RoomRecord& Room() const;
    const TableRecord& Table() const;
    uint32_t GetOptions() const { return Room().options; }
    uint32_t HasOption4000() const { return (Room().options & 0x4000) ? 1 : 0; }
    uint32_t GetRoomWord3() const { return Room().noticeFileNumber; }
    uint32_t GetRoomWord74() const { return Room().word74; }
    uint32_t GetRoomWord73() const { return Room().word73; }
    uint32_t GetRoomWord76to79(int i) const { return Room().words76to79[size_t(i & 3)]; }
    uint32_t GetSeatedCount() const { return Table().seatedCount; }
    const std::string& GetNoticeHost() const { return Room().noticeHost; }
    const std::string& GetZoneName() const { return Room().zoneName; }
    const std::string& GetRoomName() const { return Room().roomName; }
    // The [ADVERT] WWW3 page, else the room's advert host's page; empty without either.
    std::string GetAdvertUrl() const;

    // Players: seats first, then lookers.
    const PlayerRecord* FindPlayer(uint32_t userId) const;
    PlayerRecord* FindPlayerMutable(uint32_t userId);
    int32_t GetPlayerChair(uint32_t userId) const;
    std::string GetUserName(uint32_t userId) const;
    std::string GetUserDisplayName(uint32_t userId) const;
    uint32_t GetPlayerWord18(uint32_t userId) const;
    uint32_t GetPlayerWord40(uint32_t userId) const;
    uint32_t GetPlayerWord41(uint32_t userId) const;
    uint32_t GetPlayerWord42(uint32_t userId) const;
    uint32_t IsPlayerFlag1000(uint32_t userId) const;
    uint32_t IsLookerUser(uint32_t userId) const;
    uint32_t GetSeatUserId(int chair) const;
    std::string GetSeatName(int chair) const;
    std::string GetSeatDisplayName(int chair) const;

    // Paths (client paths, GBK).
    std::string GetModuleDir() const;
    std::string GetIniPath() const;
    std::string GetTempDir() const;
    std::string GetHallDir() const;
    std::string GetHallIniPath() const;
    std::string GetPortraitDir() const;
    std::string GetPlayerColorFilePath() const;
    void EnumSoundFolders(std::vector<std::string>& first, std::vector<std::string>& second) const;
    std::string GetRulesPage() const;
    std::string GetSkinPage() const;

    // Portraits of the table, 32 and 16 pixels: rebuilt from the seat records
    // (a chair without a portrait file gets icon 151, and so do the lookers).
    // Answers how many chairs had a portrait file.
    int LoadPortraits();
    // What the last LoadPortraits answered.
    int PortraitFilesFound() const { return portraitFiles_; }
    const platform::CImageList& Portraits32() const { return portraits32_; }
    const platform::CImageList& Portraits16() const { return portraits16_; }

    // Hall.
    HallClient* Hall() { return hall_.get(); }
    bool SetTableState(const HallTableState& state);
    void NotifyHall(platform::HWND mainWindow);
    void ReportToHall(uint32_t code);

    // Status and messages.
    // A plain message box over the main window, captioned with the launch
    // line's caption; answers kIdYes, kIdNo or 1 (OK).
    virtual int MessageBox(const std::string& text, uint32_t type);
    virtual void ShowStatus(const char* text, int show);
    void ShowStatusEx(const char* text, uint32_t seconds);
    void PostToMainFrame(const std::string& text);
    // Opens the page on a worker; the wait cursor stays until the main
    // window hears that the browser was started (0x9056): UrlOpened.
    virtual void OpenUrl(const std::string& url);
    // One opened page's wait cursor ends; with `all`, every one still up
    // (the main window goes before their messages come).
    void UrlOpened(bool all = false);
    virtual int ShowTimedMessage(const std::string& text, const std::string& okText,
                                 const std::string& cancelText, int* seconds, uint32_t type);

    // The main frame, as far as the framework needs it; null before it exists.
    void SetMainFrame(GameFrameAccess* frame) { frame_ = frame; }
    GameFrameAccess* MainFrame() const { return frame_; }
    platform::HWND MainWindow() const;

    // The communication thread's id (0 when it does not run).
    uint32_t CommThreadId() const;
    CGameCommThread* CommThread() const { return commThread_.get(); }

    // The message loop until WM_QUIT (its exit code): the main frame's panes
    // and modeless dialogs see their keys first.
    int RunMessageLoop();

    // Waits `ms` on the process clock while serving this thread's messages,
    // so the hall's sends are answered meanwhile.
    static void WaitServingMessages(uint32_t ms);
    // The same up to a deadline of the process clock (DeadlineAfterMillis).
    static void WaitServingMessagesUntil(int64_t deadline);

  protected:
    // Where the hall endpoint is (empty: the launch line's window number).
    virtual std::string HallEndpointOverride() const { return {}; }

  private:
    int urlWaits_ = 0;  // OpenUrl's wait cursors still up
    std::string gameName_;
    uint32_t defaultPort_;
    uint32_t versionMajor_;
    uint32_t versionMinor_;
    uint32_t smallScreen_ = 0;
    std::string commandLine_;
    LaunchLine launch_;
    uint32_t launchField9_ = 0;
    uint32_t serverMajor_ = 0;
    uint32_t serverMinor_ = 0;
    uint32_t connectionLostRunning_ = 0;
    bool leaving_ = false;
    std::unique_ptr<HallClient> hall_;
    std::unique_ptr<CGameCommThread> commThread_;
    GameFrameAccess* frame_ = nullptr;
    platform::CImageList portraits32_;
    platform::CImageList portraits16_;
    int portraitFiles_ = 0;
};

}  // namespace client
