#pragma once
// Leaving a running game costs the leaver score, so a seated player may ask
// the others for leave instead:
//   CExitRequestDlg  the modal box shown when the player closes the client
//                    during a game: leave by force, ask with a reason (at
//                    most twice a round), or play on
//   CExitAnswerDlg   the popup sliding in at the other players with the
//                    request; its links answer the owner pane (0x8D20)

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "client/controls/hyperlink_static.h"
#include "client/controls/picture_view.h"
#include "client/controls/slide_popup.h"
#include "platform/gui/button.h"
#include "platform/gui/dialog.h"
#include "platform/gui/edit.h"
#include "platform/gui/static_control.h"

namespace mahjong {

inline constexpr int32_t kMaxExitRequestsPerRound = 2;
// A reason: 60 bytes typed, 63 and a terminator on the wire.
inline constexpr size_t kExitReasonLimit = 60;
inline constexpr size_t kExitReasonField = 64;
// To the owner pane: wParam the requester's user id, lParam 1 agree, 0 refuse.
inline constexpr uint32_t kMsgExitAnswer = 0x8D20;

// What the request box needs of the application.
struct ExitRequestHost {
    int32_t requestsSent = 0;     // by the own chair this round
    bool forcedLeaveBan = false;  // the room forbids leaving a running game
    // Sends the exit request with the reason and counts it for the own chair.
    std::function<void(const std::string& reason)> sendRequest;
};

class CExitRequestDlg : public platform::CDialog {
  public:
    static constexpr platform::UINT kTemplate = 276;
    static constexpr platform::UINT kIdReason = 1101;
    static constexpr platform::UINT kIdRequest = 1102;

    explicit CExitRequestDlg(ExitRequestHost host);
    ~CExitRequestDlg() override;

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool PreTranslateMessage(platform::Message& msg) override;
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void SendRequest();

    ExitRequestHost host_;
    platform::CButton leave_;
    platform::CButton stay_;
    platform::CButton request_;
    platform::CStatic note_;
    platform::CEdit reason_;
};

// The reason as shown: up to its terminator, at most 63 bytes of whole characters.
std::string ExitReasonText(std::string_view field);

class CExitAnswerDlg : public client::CSlidePopupDlg {
  public:
    static constexpr platform::UINT kTemplate = 275;
    static constexpr platform::UINT kIdPortrait = 1096;
    static constexpr platform::UINT kIdText = 1097;
    static constexpr platform::UINT kIdName = 1098;
    static constexpr platform::UINT kIdAgree = 1099;
    static constexpr platform::UINT kIdRefuse = 1100;
    static constexpr platform::UINT kIdReason = 1103;

    // `reason`: the request's 64-byte text field, terminated or not.
    CExitAnswerDlg(platform::HWND ownerPane, uint32_t requesterId, std::string_view reason);
    ~CExitAnswerDlg() override;

    // Slides the popup for a request in at the bottom right of the main
    // window, with a sound, for 30 seconds; each request gets its own.
    static CExitAnswerDlg* Open(platform::HWND ownerPane, uint32_t requesterId,
                                std::string_view reason);

    uint32_t RequesterId() const { return requester_; }
    const std::string& Reason() const { return reason_; }

  protected:
    bool OnInitDialog() override;
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    uint32_t requester_;
    std::string reason_;
    platform::Surface defaultPortrait_;
    client::CPictureView portrait_;
    platform::CStatic text_;
    client::CHyperLinkStatic name_;
    client::CHyperLinkStatic agree_;
    client::CHyperLinkStatic refuse_;
    platform::CEdit reasonEdit_;
};

}  // namespace mahjong
