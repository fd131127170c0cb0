#pragma once
// CMJGameFrameWnd: the main frame with its panes. The dialog bar runs
// across the top; under it a 1 x 2 splitter holds the table pane on the
// left and, on the right, a 4 x 1 splitter with the operation bar, the
// advert pane, the player list and the chat pane, from top to bottom. The
// panes come from factory slots, so a game puts its own panes in the same
// places; the framework's own are the table background, a plain operation
// strip, the advert page, the player list and the chat. When the table is
// entered the frame tells the chat, the player list and the table pane,
// and sends the advert pane to the advert page. Under a mahjong
// application the frame hosts its table scene: the scene hears of the
// entered table and gets the window's timers that are not the frame's own,
// its turn clock is the table's clock, and the application shows the
// player card.

#include <memory>

#include "client/controls/skin_splitter.h"
#include "client/dialog_bar.h"
#include "client/game_frame.h"

namespace client {

class CGameFormView;

class CMJGameFrameWnd : public CGameFrameWnd {
  public:
    CMJGameFrameWnd();
    ~CMJGameFrameWnd() override;
    static std::unique_ptr<CGameFrameWnd> CreateObject() {
        return std::make_unique<CMJGameFrameWnd>();
    }

    platform::CWnd* GetDlgBar() override { return &dialogBar_; }
    CGameTableView* GetTableView() override { return table_.get(); }
    CGameChatView* GetChatView() override { return chatView_; }
    CGamePlayerView* GetPlayerView() override { return players_.get(); }
    // The splitters' bar pictures of the current skin; the dialog bar too.
    void ApplySplitterSkin() override;
    uint32_t TableClockTimer() const override;
    // Slots of this frame, after those of CGameFrameWnd.
    virtual CGameFormView* GetAdvertPane() { return advert_.get(); }
    virtual CGameFormView* GetOperatePane() { return operate_.get(); }

    CGameDialogBar& DialogBar() { return dialogBar_; }
    CSkinSplitterWnd& OuterSplitter() { return outer_; }
    CSkinSplitterWnd& InnerSplitter() { return inner_; }
    // Whether the chat pane could not be made and a plain pane stands in.
    bool ChatFallback() const { return chatView_ == nullptr && chat_ != nullptr; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    bool OnCreateClient() override;

    // The panes, in their places; a game gives its own.
    virtual std::unique_ptr<CGameTableView> MakeTablePane();
    virtual std::unique_ptr<CGameFormView> MakeOperatePane();
    virtual std::unique_ptr<CGameFormView> MakeAdvertPane();
    virtual std::unique_ptr<CGamePlayerView> MakePlayerPane();
    virtual std::unique_ptr<CGameChatView> MakeChatPane();
    // What stands in for a chat pane that could not be made.
    virtual std::unique_ptr<CGameFormView> MakeChatStandIn();
    // Sizes given at creation.
    virtual int TablePaneWidth();
    virtual int OperatePaneHeight() { return 36; }
    virtual int AdvertPaneHeight() { return 140; }
    virtual int PlayerPaneHeight();
    // The hall's player card (0x822D): the application shows it.
    virtual void OnPlayerCard(const PlayerRecord& record);
    // Whether the table pane runs the scene's engine (and so starts its
    // timers on the table-entered message).
    virtual bool TablePaneHostsScene() { return false; }

  private:
    void OnTableEntered();

    CGameDialogBar dialogBar_;
    CSkinSplitterWnd outer_;
    CSkinSplitterWnd inner_;
    std::unique_ptr<CGameTableView> table_;
    std::unique_ptr<CGameFormView> operate_;
    std::unique_ptr<CGameFormView> advert_;
    std::unique_ptr<CGamePlayerView> players_;
    std::unique_ptr<CGameFormView> chat_;
    CGameChatView* chatView_ = nullptr;
};

}  // namespace client
