#pragma once
// CClientApp: the mahjong client's application object and its hub. It holds
// by value the connection, the notification handler, the round snapshot,
// the table scene and the seat panel, and hands them out; it keeps the three
// [GAMESET] settings of the program INI (read at start-up, written back at
// exit), the exit-request counters and the forced-leave ban, and creates the
// main window.

#include <array>
#include <cstdint>
#include <memory>

#include "client/mj_game_app.h"
#include "client/skin_settings.h"
#include "mahjong/app/client_connection.h"
#include "mahjong/app/notify_dispatch.h"
#include "mahjong/app/seat_panel.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/panes/player_dialogs.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {

inline constexpr char kGameName[] = "Qevo";
inline constexpr uint32_t kDefaultServerPort = 31201;
inline constexpr uint32_t kVersionMajor = 14, kVersionMinor = 0;

// The framework's skin settings, as this game keeps them.
class CClientSkinSettings : public client::CSkinSettings {
  public:
    using CSkinSettings::CSkinSettings;
};

class CClientApp : public client::CMJGameApp {
  public:
    CClientApp();
    ~CClientApp() override;

    // The running application, or null.
    static CClientApp* Current();

    bool InitInstance() override;
    int ExitInstance() override;
    client::CGameNotifyHandler* GetNotifyHandler() override { return &notify_; }
    client::CSkinSettings* GetSkinSettings() override { return &skin_; }
    CClientConnection* GetConnection() override { return &connection_; }
    uint32_t IsQuickCatch() override { return quickCatch_ != 0 ? 1 : 0; }
    std::span<uint8_t> GetTableData() override { return logic_.TableData(); }
    uint32_t IsSilent() override { return uint32_t(silence_); }
    CTableScene* GetTableScene() override { return &scene_; }
    CSeatPanel* GetSeatPanel() override { return &panel_; }
    CTableLogic* GetTableLogic() override { return &logic_; }
    // The hall's player card (through the main frame): one modeless card,
    // made on first use, left of the right-hand column.
    void ShowPlayerInfo(const client::PlayerRecord& record) override;
    uint32_t GetRejectKanPaiAsk() override { return rejectKanPaiAsk_ != 0 ? 1 : 0; }
    // The three play options in a modal box; OK stores them.
    void ShowSettingsDialog() override;
    CPlayerInfoDlg* PlayerCard() const { return card_.get(); }

    // [GAMESET] QuickCatch, Silence, RejectKanPaiAsk of the program INI.
    void LoadSettings();
    void SaveSettings() const;
    void SetSettings(int32_t silence, int32_t rejectKanPaiAsk, int32_t quickCatch);

    // Exit requests sent by each chair this round (the own one counts up),
    // and whether a running game may be left by force.
    int32_t ExitRequests(int32_t chair) const;
    void CountExitRequest(int32_t chair);
    void ResetExitRequests() { exitRequests_.fill(0); }
    bool ForcedLeaveBan() const { return HasOption4000() != 0; }

  protected:
    // The main window is this game's frame (CMainFrame).
    client::CSingleDocTemplate DocTemplate() const override;

  private:
    CClientSkinSettings skin_;
    CClientConnection connection_;
    CNotifyHandler notify_;
    CTableLogic logic_;
    CTableScene scene_;
    CSeatPanel panel_;
    int32_t silence_ = 0;
    int32_t rejectKanPaiAsk_ = 0;
    int32_t quickCatch_ = 0;
    std::array<int32_t, 4> exitRequests_{};
    std::unique_ptr<CPlayerInfoDlg> card_;
};

}  // namespace mahjong
