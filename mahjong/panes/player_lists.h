#pragma once
// The player list of this game. CMJGamePlayerView adds the look-on
// permission to the framework's list: a seated player lets a looker who
// watches his chair see his hand, or forbids it again, from the player menu
// (command 1906, a toggle) or from the looker's request popup (0x8D1E).
// The base pane's set of known users holds the lookers let in. CPlayerView
// adds another player's exit request: its answer popup, owned by this pane,
// and the answer (0x8D20) to the chat and the table.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "client/player_view.h"

namespace mahjong {

class CExitAnswerDlg;

// The look-on answer as the pane posts it: wParam the looker's user id,
// lParam 1 to allow, 0 to forbid.
inline constexpr platform::UINT kMsgLookOnAnswer = 0x8D1E;

// The chat line of an exit answer: `answerer` agrees to (or refuses)
// `requester`'s request for leave.
std::string ExitAnswerLine(const std::string& answerer, const std::string& requester, bool agree);

class CMJGamePlayerView : public client::CGamePlayerView {
  public:
    ~CMJGamePlayerView() override;

    // 1906 reads "允许%s看牌" or "禁止%s看牌" for a looker while the own
    // client plays, and is enabled only for a looker of the own chair.
    void AdjustContextMenu(client::CIconMenu& menu, uint32_t userId) override;
    bool IsSilverRoom() override { return true; }

    // Sends the answer; only when it went out does the allowed set change
    // and the chat tell it.
    void OnLookOnAnswer(uint32_t lookerId, int32_t allow);

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
};

class CPlayerView : public CMJGamePlayerView {
  public:
    ~CPlayerView() override;
    static std::unique_ptr<client::CGamePlayerView> CreateObject() {
        return std::make_unique<CPlayerView>();
    }

    // Another player asks for leave: a popup of its own for each request.
    CExitAnswerDlg* ShowExitRequest(uint32_t userId, std::string_view reason);
    // The answer in the chat, then to the table.
    void OnExitAnswer(uint32_t requesterId, int32_t answer);

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
};

}  // namespace mahjong
