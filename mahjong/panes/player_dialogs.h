#pragma once
// Two small dialogs of the application:
//   CPlayerInfoDlg    the player card: portrait, titles, score, statistics
//                     and relations of one player record; modeless, made
//                     once and kept, hidden by its close link and Escape
//   CGameSettingsDlg  the modal box with the three play options the
//                     application keeps in [GAMESET]

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "client/controls/hyperlink_static.h"
#include "client/hall_records.h"
#include "platform/gui/button.h"
#include "platform/gui/dialog.h"
#include "platform/gui/edit.h"
#include "platform/gui/image_list.h"
#include "platform/gui/static_control.h"

namespace mahjong {

// The text field of a player record that says which seat a looker watches.
inline constexpr size_t kWatchedSeatText = 192;

class CPlayerInfoDlg : public platform::CDialog {
  public:
    static constexpr platform::UINT kTemplate = 146;
    static constexpr platform::UINT kIdClose = 1034;
    static constexpr platform::UINT kIdRefresh = 1035;
    static constexpr platform::UINT kIdName = 1040;
    static constexpr platform::COLORREF kPortraitMask = 0x808000;

    CPlayerInfoDlg();
    ~CPlayerInfoDlg() override;

    // Shows the record's values (the window must exist: CreateModeless).
    void ShowRecord(const client::PlayerRecord& record);
    // Shows the card on top, left of the right-hand column (whose left edge
    // is `columnLeft`) and level with the table pane's top, in screen pixels.
    void ShowBeside(int columnLeft, int tableTop);
    const client::PlayerRecord& Record() const { return record_; }
    // The text of a value row by its edit id.
    std::string Value(platform::UINT id) const;
    const platform::CImageList& Portrait() const { return portrait_; }

  protected:
    bool OnInitDialog() override;
    void OnCancel() override;
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void LoadPortrait();
    void Hide();

    client::PlayerRecord record_;
    platform::CImageList portrait_;
    platform::CEdit name_;
    std::vector<std::unique_ptr<platform::CStatic>> labels_;
    std::vector<std::unique_ptr<platform::CEdit>> values_;
    client::CHyperLinkStatic refresh_;
    client::CHyperLinkStatic close_;
};

// The values of the card's rows, by edit id, as the card shows them.
std::vector<std::pair<platform::UINT, std::string>> PlayerCardValues(
    const client::PlayerRecord& record);

class CGameSettingsDlg : public platform::CDialog {
  public:
    static constexpr platform::UINT kTemplate = 145;
    static constexpr platform::UINT kIdSilence = 1032;
    static constexpr platform::UINT kIdRejectLookOn = 1067;
    static constexpr platform::UINT kIdQuickCatch = 1088;

    CGameSettingsDlg();
    ~CGameSettingsDlg() override;

    // Set before DoModal; OK writes the boxes back, Cancel leaves them.
    int32_t silence = 0;
    int32_t rejectLookOn = 0;
    int32_t quickCatch = 0;

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    platform::CButton group_;
    platform::CButton quickCatchBox_;
    platform::CButton rejectBox_;
    platform::CButton silenceBox_;
    platform::CButton ok_;
    platform::CButton cancel_;
};

}  // namespace mahjong
