#pragma once
// CNoticePopupDlg: the popup that slides in when a looker asks to see the
// own hand: the requester's portrait and name, "请求看牌", and two links,
// "同意" and "拒绝". A link answers the owner pane once (message 0x8D1E,
// wParam the request data, lParam 1 to agree, 0 to refuse); then both
// links are disabled and the popup slides away.

#include <cstdint>

#include "client/controls/hyperlink_static.h"
#include "client/controls/picture_view.h"
#include "client/controls/slide_popup.h"

namespace client {

inline constexpr uint32_t kMsgSeeHandAnswer = 0x8D1E;
inline constexpr uint32_t kNoticePopupTemplate = 148;
inline constexpr uint32_t kDefaultPortraitBitmap = 162;
inline constexpr uint32_t kSoundAgree = 29010;

class CNoticePopupDlg : public CSlidePopupDlg {
  public:
    static constexpr platform::UINT kIdName = 1015;
    static constexpr platform::UINT kIdPortrait = 1016;
    static constexpr platform::UINT kIdAgree = 1017;
    static constexpr platform::UINT kIdRefuse = 1018;

    explicit CNoticePopupDlg(platform::HWND ownerPane);
    ~CNoticePopupDlg() override;

    // The requesting user's id, set before the popup shows.
    void SetRequestData(uint32_t userId) { request_ = userId; }
    uint32_t RequestData() const { return request_; }

  protected:
    bool OnInitDialog() override;
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    uint32_t request_ = 0;
    CPictureView portrait_;
    CHyperLinkStatic name_;
    CHyperLinkStatic agree_;
    CHyperLinkStatic refuse_;
    platform::CStatic text_;
};

}  // namespace client
