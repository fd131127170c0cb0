#pragma once
// CGamePlayerView: the pane that lists everybody at the table, the seated
// players first, then the lookers: name, nickname, level title, score,
// silver and, for a looker, the player watched. Rows are found by their
// user id (the row's item data), never by position: rows are skipped and
// deleted, and the server's lists come in its own order. The own row is
// bold; with relation colouring on, friends, known and unwelcome players
// take the colours of the hall's per-user file. A right click offers the
// player menu; a click addresses the player in the chat input, a double
// click asks the hall about the player.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>

#include "client/controls/data_list_ctrl.h"
#include "client/game_view.h"
#include "client/hall_records.h"

namespace client {

class CGameChatView;
class CIconMenu;

inline constexpr platform::UINT kMsgAddressPlayer = 0x81C9;
inline constexpr uint32_t kPlayerMenuResource = 130;
inline constexpr uint32_t kSoundRequest = 29015;

// The column lists in the list's order (title|format|width), by room.
inline constexpr char kPlayerColumns[] =
    "用户名|0|100|昵称|0|50|级别|0|50|积分|0|80|银子|0|60|旁观对象|0|100|";
inline constexpr char kSilverRoomColumns[] =
    "用户名|0|100|昵称|0|50|银子|0|80|级别|0|50|积分|0|60|旁观对象|0|100|";

class CGamePlayerView : public CGameFormView {
  public:
    static constexpr platform::UINT kListId = 1;
    enum Command : platform::UINT {
        kCmdHello = 1900,
        kCmdDetails = 1901,
        kCmdLevel = 1902,
        kCmdScore = 1903,
        kCmdSilver = 1904,
        kCmdCall = 1905,
        kCmdAllowSee = 1906,
    };
    static constexpr platform::COLORREF kFriendColor = 0x808040;
    static constexpr platform::COLORREF kKnowColor = 10715996;
    static constexpr platform::COLORREF kUnwelcomeColor = 0x303030;

    CGamePlayerView();
    ~CGamePlayerView() override;
    static std::unique_ptr<CGamePlayerView> CreateObject() {
        return std::make_unique<CGamePlayerView>();
    }

    // Slots, continuing those of CGameFormView.
    virtual void OnPlayerEnter(const PlayerRecord& record) { AddPlayer(record); }
    // Deletes the row of the record's user and forgets the id; the record
    // is zeroed in every case.
    virtual void RemovePlayer(PlayerRecord& record);
    // A game result: the seats' values assigned and their rows rewritten.
    virtual void ApplyScoreChanges(std::span<const uint8_t> result);
    // A row at the end; none for an empty name or user id 0.
    virtual void AddPlayer(const PlayerRecord& record);
    // The 211030 list: the listed users' rows rewritten from their records.
    virtual void RefreshPlayerValues(std::span<const uint8_t> list);
    virtual void SetupColumns();
    virtual void AddressPlayer(int row);
    virtual void AskHallAboutPlayer(int row);
    virtual void AdjustContextMenu(CIconMenu& menu, uint32_t userId) {
        (void)menu;
        (void)userId;
    }
    virtual bool IsSilverRoom();

    // Fills the list anew: columns, then the seats, then the lookers.
    void OnRefreshList();
    bool IsKnownUser(uint32_t id) const { return known_.contains(id); }
    void AddKnownUser(uint32_t id) { known_.insert(id); }
    // The last one gone, the set's storage goes too.
    void ForgetKnownUser(uint32_t id) {
        known_.erase(id);
        if (known_.empty()) known_ = {};
    }
    size_t KnownUserCount() const { return known_.size(); }
    // A looker asks to see the own hand: the sliding request popup.
    void ShowRequestPopup(uint32_t data);
    void SetRelationColouring(bool on) { relationColouring_ = on; }
    platform::COLORREF RelationColor(int which) const { return colors_[size_t(which)]; }

    CDataListCtrl& List() { return list_; }
    // The row of a user, -1 when none.
    int RowOf(uint32_t userId) const { return list_.FindItemByData(userId); }
    // The menu's user while the player menu is up (or was last).
    uint32_t MenuUserId() const { return menuUser_; }
    // Shows the player menu for `row` at a screen point.
    void ShowPlayerMenu(int row, platform::POINT screen);
    // Where the player menu was last built; tests look into it.
    const CIconMenu* LastMenu() const { return menu_.get(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    void OnInitialUpdate() override;

  private:
    void ReadRelationColors();
    void WriteValues(int row, const PlayerRecord& record);
    void SetCell(int row, const char* column, const std::string& text);
    std::string Cell(int row, const char* column) const;
    platform::LRESULT OnNotify(const platform::NMHDR& header);
    platform::LRESULT OnCustomDraw(platform::NMLVCUSTOMDRAW& draw);
    void OnContextMenu(platform::LPARAM at);
    void OnCommand(platform::UINT id);
    // The frame's chat pane, or null.
    CGameChatView* ChatPane();
    void SendToChat(const std::string& text);

    CDataListCtrl list_;
    platform::FontSpec normalFont_;
    platform::FontSpec boldFont_;
    std::array<platform::COLORREF, 3> colors_{kFriendColor, kKnowColor, kUnwelcomeColor};
    bool relationColouring_ = false;
    int lastRow_ = -1;
    uint32_t menuUser_ = 0;
    std::unordered_set<uint32_t> known_;
    std::unique_ptr<CIconMenu> menu_;
};

}  // namespace client
