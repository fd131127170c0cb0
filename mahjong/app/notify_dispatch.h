#pragma once
// The notification handler of the mahjong client: the framework's handler,
// then CMJGameNotifyHandler with one handler per game notification, then
// CNotifyHandler with the exit request and answer. Each handler does the
// bookkeeping outside the table scene (round snapshot, seat panel, chat,
// panes) and then runs the scene's handler of the same notification.
// Everything is reached through the application at the moment of the call.
//
// Payloads come from the server: one too short for what its handler reads
// is refused with a log line (the scene checks its own).

#include <cstdint>
#include <span>
#include <string>

#include "client/notify_handler.h"

namespace mahjong {

// What the handlers ask of the mahjong main frame's panes beyond chat lines
// (which go through the application's chat relay). A frame without these
// panes leaves the steps out.
class MJFramePanes {
  public:
    using Bytes = std::span<const uint8_t>;
    virtual ~MJFramePanes() = default;
    // Player list: a round's score changes, a looker asking to see the hand,
    // another player's exit request.
    virtual void ApplyScoreChanges(Bytes result) { (void)result; }
    virtual void ShowSeeHandRequest(uint32_t lookerId) { (void)lookerId; }
    virtual void ShowExitRequest(uint32_t userId, const std::string& reason) {
        (void)userId;
        (void)reason;
    }
    // Table pane after a round; the information pane's list of rounds.
    virtual void AfterRound() {}
    virtual void AddGameResult(Bytes result) { (void)result; }
};

// The game's lines in the mahjong chat pane. A frame whose chat pane is the
// framework's gets the same lines through the application's chat relay.
class MJChatLines {
  public:
    using Bytes = std::span<const uint8_t>;
    virtual ~MJChatLines() = default;
    // The snapshot store's round-start and round-result texts.
    virtual void ShowRunningText() = 0;
    virtual void ShowRoundText() = 0;
    virtual void ShowPlayerStarted(uint32_t userId) = 0;
    // Record words: 0 the deciding user, 4 the looker, 5 non-zero allows.
    virtual void ShowLookOnPermission(Bytes record) = 0;
};

inline constexpr uint32_t kChatColourStarted = 0x808080;
inline constexpr uint32_t kChatColourExit = 0x2C5858;
// Told in the chat and the status line once every other player agreed to
// the own exit request.
inline constexpr char kTextLeaveAgreed[] = "其他玩家都已同意您退出，现在可以关闭窗口离开。";
inline constexpr uint32_t kLeaveAgreedSeconds = 10;

// "<name> has started" and the look-on permission line, as the chat shows them.
std::string PlayerStartedLine(uint32_t userId);
std::string LookOnPermissionLine(std::span<const uint8_t> record);

class CMJGameNotifyHandler : public client::CGameNotifyHandler {
  public:
    bool Dispatch(uint32_t id, Data data) override;
    // 211000 through the framework's dispatcher.
    bool OnNotify211000(Data data) override;

    virtual bool OnRoundStart(Data data);
    virtual bool OnNotify211080(Data data);
    virtual bool OnPlayerStarted(Data data);
    virtual bool OnPlayerDiscard(Data data);
    virtual bool OnPlayerDraw(Data data);
    virtual bool OnSeeHandAsked(Data data);
    virtual bool OnLookOnPermission(Data data);
    virtual bool OnOwnHandDealt(Data data);
    virtual bool OnNotify229165(Data data);
    virtual bool OnNotify229170(Data data);
    virtual bool OnNotify229185(Data data);
    virtual bool OnNotify229175(Data data);
    virtual bool OnNotify229190(Data data);
    virtual bool OnNotify229180(Data data);
    virtual bool OnPlayerKong(uint32_t id, Data data);
    virtual bool OnPlayerFlower(Data data);
    virtual bool OnConnectionLost(Data data);
    virtual bool OnPlayerPresence(Data data);

  protected:
    // The scene's handler of `id`.
    static bool ToScene(uint32_t id, Data data);
    static MJFramePanes* Panes();
    // The frame's mahjong chat pane, or null.
    static MJChatLines* ChatLines();
};

class CNotifyHandler : public CMJGameNotifyHandler {
  public:
    bool Dispatch(uint32_t id, Data data) override;
    bool OnPlayerStarted(Data data) override;
    virtual bool OnExitRequest(Data data);
    virtual bool OnExitAnswer(Data data);
};

}  // namespace mahjong
