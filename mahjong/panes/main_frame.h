#pragma once
// CMainFrame: this game's main window. The framework's mahjong frame with
// the table scene drawn in the table pane by the engine, the player list's
// and table's parts of the notifications (score changes, a looker's request
// to see the hand, another player's exit request with its answer popup), the
// player list with look-on permission, the settings command, and the exit
// check: closing during a running game first asks the others for leave with
// the exit request box.

#include <memory>

#include "client/mj_game_frame.h"
#include "mahjong/app/notify_dispatch.h"

namespace mahjong {

class CAdCombatInfoView;
class CExitAnswerDlg;
class CExitRequestDlg;

// Played as the exit request box opens.
inline constexpr uint32_t kSoundExitRequest = 29015;
inline constexpr int kRankPaneHeight = 140;

class CMainFrame : public client::CMJGameFrameWnd, public MJFramePanes {
  public:
    CMainFrame();
    ~CMainFrame() override;
    static std::unique_ptr<client::CGameFrameWnd> CreateObject() {
        return std::make_unique<CMainFrame>();
    }

    // Until two requests were sent this round the player may ask the others
    // for leave; after that the framework's question (or refusal) stands.
    // Once every other player agreed, he leaves without either.
    bool CanExit() override;
    // The operation bar takes the new skin's strip and button size too.
    void ApplySplitterSkin() override;
    // The exit request box while it is up, else null.
    CExitRequestDlg* ExitRequestBox() const { return exitBox_; }

    // MJFramePanes.
    void ApplyScoreChanges(Bytes result) override;
    void ShowSeeHandRequest(uint32_t lookerId) override;
    void ShowExitRequest(uint32_t userId, const std::string& reason) override;
    // The answer popup of one exit request; its links answer the player list.
    CExitAnswerDlg* OpenExitAnswer(uint32_t userId, const std::string& reason);

    // The ranking pane (row 1) and the game chat pane with its stand-in.
    void AddGameResult(Bytes result) override;
    CAdCombatInfoView* GetRankPane() const { return rankPane_; }
    // The table pane's reset for the next game (the classic pane's).
    void AfterRound() override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    std::unique_ptr<client::CGameTableView> MakeTablePane() override;
    std::unique_ptr<client::CGameFormView> MakeOperatePane() override;
    bool TablePaneHostsScene() override;
    std::unique_ptr<client::CGamePlayerView> MakePlayerPane() override;
    std::unique_ptr<client::CGameFormView> MakeAdvertPane() override;
    std::unique_ptr<client::CGameChatView> MakeChatPane() override;
    std::unique_ptr<client::CGameFormView> MakeChatStandIn() override;
    // The table logic's sizes; the ranking pane's row is 140 high.
    int TablePaneWidth() override;
    int OperatePaneHeight() override;
    int AdvertPaneHeight() override { return kRankPaneHeight; }
    int PlayerPaneHeight() override;

  private:
    CExitRequestDlg* exitBox_ = nullptr;
    CAdCombatInfoView* rankPane_ = nullptr;
};

}  // namespace mahjong
