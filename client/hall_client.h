#pragma once
// The client's side of the hall: the link to the hall window of the launch
// line, the held records, and what the client does with each hall message.
// The main frame hands it every WM_COPYDATA and acts on the answer; the
// application sends its window (0x9105), its reports and its posts through it.

#include <cstdint>
#include <span>
#include <string>

#include "client/hall_records.h"
#include "client/hall_tables.h"
#include "client/launch_line.h"
#include "platform/hall_link.h"
#include "platform/win_types.h"

namespace client {

// What a hall WM_COPYDATA asks of the frame.
struct HallCopyResult {
    enum class Action {
        kDefault,          // not a hall payload: default processing
        kRefused,          // bad payload or failed checks (logged)
        kIgnored,          // valid, but nothing to do (full table, other table, no watch)
        kTableStateReady,  // a valid table state is held: run the enter sequence
        kLookerJoined,     // a looker took a slot: `player`
        kPlayerLeft,       // a player of this table left: `left`
        kPlayerCard,       // show the card of `player`
    };
    Action action = Action::kDefault;
    PlayerRecord player;
    PlayerLeftRecord left;
};

class HallClient {
  public:
    // `endpointPath` empty: the endpoint of the launch line's hall window.
    explicit HallClient(const LaunchLine& line, std::string endpointPath = {});

    const OwnSeat& Own() const { return own_; }
    HallTables& Tables() { return tables_; }
    const HallTables& Tables() const { return tables_; }
    platform::HallLink& Link() { return link_; }

    // IsWindow of the hall window.
    bool HallExists() { return link_.IsWindow(); }

    // Makes `mainWindow` the receiver of the hall's messages and, when the
    // hall exists, sends it 0x9105 (wParam the window, lParam the table).
    void NotifyHall(platform::HWND mainWindow);

    // The report for `code`: own seat, game, and the server's version words
    // and the connection-lost word the application keeps.
    HallReport MakeReport(uint32_t code, uint32_t serverMajor, uint32_t serverMinor,
                          uint32_t connectionLost) const;
    // Sends the report as WM_COPYDATA of type 2 (5 when the connection was
    // lost in a game) when the hall exists; the result is not used.
    void ReportToHall(const HallReport& report);
    // 0x9107 and 0x9108: posted with the main window and a user id.
    void PostToHall(uint32_t message, platform::HWND mainWindow, uint32_t userId);

    // A WM_COPYDATA from the hall. `leaveWatch` is the frame's flag that
    // lets player-left records act.
    HallCopyResult OnCopyData(uintptr_t dwData, std::span<const uint8_t> bytes, bool leaveWatch);

  private:
    LaunchLine line_;
    OwnSeat own_;
    HallTables tables_;
    platform::HallLink link_;
};

}  // namespace client
