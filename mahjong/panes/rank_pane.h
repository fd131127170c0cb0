#pragma once
// CAdCombatInfoView: the ranking and advert pane, second in the right-hand
// column. A strip of two tabs over one content area: the advert page in an
// HTML control, and the table's silver list (one row per seat with the
// running total, one column per finished game, the newest on the left).
// The list shows while the mouse rests on its tab and for a while after;
// then the pane falls back to the advert.

#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "client/game_view.h"
#include "client/html_views.h"
#include "platform/gui/image_list.h"
#include "platform/gui/list_ctrl.h"
#include "platform/gui/static_control.h"

namespace mahjong {

class CAdCombatInfoView : public client::CGameFormView {
  public:
    static constexpr platform::UINT kListId = 1105;
    static constexpr platform::UINT kPlaceholderId = 135;
    static constexpr platform::UINT_PTR kTimerBackToAdvert = 19;
    static constexpr int kStripHeight = 24;
    static constexpr platform::COLORREF kActiveFill = 0x78AC54;
    static constexpr platform::COLORREF kInactiveFill = 0x2B4B01;
    static constexpr platform::COLORREF kStripFill = 0x293E08;
    static constexpr platform::COLORREF kTitleColour = 0xC8C8C8;
    // Result word of the first seat's silver change in a round's result.
    static constexpr size_t kResultSilverChange = 80;

    CAdCombatInfoView();
    ~CAdCombatInfoView() override;
    static std::unique_ptr<client::CGameFormView> CreateObject() {
        return std::make_unique<CAdCombatInfoView>();
    }

    void OnInitialUpdate() override;
    void InitTabs();
    void AddTab(const std::string& title);
    // The list anew from the round snapshot: the games played before the
    // running one and each seat's total.
    void RebuildResultList();
    // One more game: its column and the seats' new totals (result words
    // 80-83 are the four seats' changes).
    void AddGameResult(std::span<const uint8_t> result);
    // The tab under a client point; the active one when the point is on no
    // other tab, -1 without tabs.
    int HitTestTab(platform::POINT p) const;

    // The list cells of a game's column. A row keeps 254 of them (2-255);
    // beyond that the oldest game's column goes and its cells serve the
    // newest.
    static constexpr int kMaxGameCells = 254;
    static int GameCell(int game);

    int ActiveTab() const { return active_; }
    int GamesListed() const { return games_; }
    platform::CListCtrl& ResultList() { return list_; }
    client::CHtmlCtrl* Html() { return html_.get(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    // Tab i's four corners, laid from x = h/2 onward.
    std::array<platform::POINT, 4> TabCorners(int tab) const;
    int TabLeft(int tab) const;
    void SwitchTab(platform::POINT p, platform::UINT backAfterMs);
    void DrawTab(platform::Painter& p, int tab);
    void Paint();

    platform::CListCtrl list_;
    platform::CStatic placeholder_;
    std::unique_ptr<client::CHtmlCtrl> html_;
    platform::CImageList rowHeight_;
    std::array<int32_t, 4> totals_{};
    int games_ = 0;
    platform::FontSpec normalFont_;
    platform::FontSpec boldFont_;
    int active_ = -1;
    std::vector<int> tabWidths_;
    std::vector<std::string> tabTitles_;
};

}  // namespace mahjong
