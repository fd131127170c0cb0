#pragma once
// The chat pane of the mahjong frame: the framework's chat with the lines
// of the game (the round's texts from the snapshot store, a player's start,
// look-on permissions), and the plain white pane that stands in when the
// chat cannot be made.

#include <cstdint>
#include <memory>

#include "client/chat_view.h"
#include "mahjong/app/notify_dispatch.h"

namespace mahjong {

class CMJGameChatView : public client::CGameChatView, public MJChatLines {
  public:
    ~CMJGameChatView() override;
    static std::unique_ptr<client::CGameChatView> CreateObject() {
        return std::make_unique<CMJGameChatView>();
    }

    // MJChatLines. The running round's text also follows the welcome when
    // the table is entered during a game.
    void ShowRunningText() override;
    void ShowRoundText() override;
    void ShowPlayerStarted(uint32_t userId) override;
    void ShowLookOnPermission(Bytes record) override;

    void OnInitialUpdate() override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void AppendLine(const std::string& markup);
};

class CMJChatView2 : public client::CGameFormView {
  public:
    ~CMJChatView2() override;
    static std::unique_ptr<client::CGameFormView> CreateObject() {
        return std::make_unique<CMJChatView2>();
    }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
};

}  // namespace mahjong
