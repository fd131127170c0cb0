#pragma once
// The table gallery: the mahjong table drawn by the engine from any chair,
// for people to look at, for the golden pictures and for the frame
// benchmarks. It shows a scripted round just dealt, the same kind of round
// in the middle of play (melds of every kind, rivers, flowers, a wall
// partly drawn, chair 0 on turn with its drawn tile: all 144 tiles on the
// table), or a settlement; headless or in a window of the table's size.
// There is no server: a discard is taken at once and flies to the centre.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/table_view.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/table_scene.h"
#include "platform/gui/wnd.h"

namespace table_gallery {

enum class Show { kDealt, kInPlay, kSettlement };

// The round in play as chair `own` finds it in the table data (only the own
// hand is known); false when the deck ran out of a kind.
bool WriteRoundInPlay(std::span<uint8_t> tableData, int own);
// The dealt round's start (211040): chair 0 the banker on turn with 17 tiles.
std::vector<uint8_t> DealtRoundStart();
// A result (211080): chair 0 won on its own draw with flowers and a plain
// hand; chair 1 is charged.
std::vector<uint8_t> SelfDrawnResult();

class TableGallery {
  public:
    // Seated at chair `own` (0-3); the program folder links the skins and
    // sounds of `assetDir`.
    TableGallery(int own, const std::string& assetDir);
    ~TableGallery();
    TableGallery(const TableGallery&) = delete;
    TableGallery& operator=(const TableGallery&) = delete;

    // A window at (x, y) of the current display holding the engine's view,
    // started as the client starts it (the first sizing, then the timers),
    // with the table laid out for `show`; false when something failed.
    bool Open(int x, int y, Show show);
    // Dispatches what is queued; the number of messages handled.
    int Pump();
    // The message loop until the window closes or `seconds` pass.
    int Run(int seconds);

    mahjong::CTableScene& Scene();
    mahjong::CTableLogic& Logic() { return logic_; }
    platform::CWnd& Window();
    bool Ok() const { return !folder_.empty(); }

  private:
    class App;
    class AcceptingScene;

    std::string folder_;
    std::unique_ptr<App> app_;
    mahjong::CTableLogic logic_;
    std::unique_ptr<AcceptingScene> scene_;
    std::unique_ptr<engine::CHostFrameWnd> frame_;
    engine::CJqGameTableView view_;
};

}  // namespace table_gallery
