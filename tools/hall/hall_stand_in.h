#pragma once
// The hall stand-in: plays the game hall for one client. It builds the
// launch line, starts the client program, serves the hall endpoint of its
// window number, sends the encrypted room, table, player and looker records
// (WM_COPYDATA types 1, 4, 6, 7), records what the client reports (0x9105,
// reports of type 2 and 5, the posted 0x9107 and 0x9108), and can vanish.
// Its records are made by its own codec (hall_wire.h), not the client's.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "client/hall_records.h"
#include "client/launch_line.h"
#include "platform/hall_link.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace hall {

// The quoted launch line token: "%d|%s|%d|%d|%d|%d|%d|%d|%d|%d|%s|%d".
std::string BuildLaunchLine(const client::LaunchLine& line);

// A table for the launch line's user: `seated` players in chairs 0..n-1
// and `lookers` watchers; the own user takes its chair (or a looker slot).
client::HallTableState MakeTableState(const client::LaunchLine& line, int seated, int lookers);

// One thing the client told the hall.
struct HallEvent {
    enum class Kind { kMainWindow, kReport, kPost, kOther };
    Kind kind = Kind::kOther;
    uint32_t message = 0;  // 0x9105, WM_COPYDATA, 0x9107, ...
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    uint32_t dwData = 0;                       // kReport: 2 or 5
    std::optional<client::HallReport> report;  // kReport, when it decoded
};

class HallStandIn {
  public:
    // `line.hallWindow` names the endpoint (HallEndpointPath); `path`
    // overrides it.
    explicit HallStandIn(client::LaunchLine line, std::string path = {});
    ~HallStandIn();
    HallStandIn(const HallStandIn&) = delete;
    HallStandIn& operator=(const HallStandIn&) = delete;

    const client::LaunchLine& Launch() const { return line_; }
    const std::string& Path() const { return endpoint_.Path(); }
    client::HallTableState& TableState() { return state_; }
    // Whether the table state goes out on its own once the client names its
    // main window (0x9105); on by default.
    void SetAutoTableState(bool on) { autoState_ = on; }
    // Called (on the link's thread) with every event as it is recorded.
    void SetObserver(std::function<void(const HallEvent&)> observer) {
        observer_ = std::move(observer);
    }

    bool Open();
    // Starts `command` (program first) with the launch line, in UTF-8, as
    // the last argument, without a shell; the child's pid, or -1.
    pid_t Start(const std::vector<std::string>& command);
    // Waits for the started client; its exit status (-1 on failure).
    int WaitForExit();

    // Each sends one encrypted record to the client's main window and waits
    // for its handler (5000 ms); true when the client handled it.
    bool SendTableState();
    bool SendLooker(const client::PlayerRecord& player);
    bool SendPlayerLeft(uint32_t userId, int32_t chair);
    bool SendPlayerCard(const client::PlayerRecord& player);
    // Any WM_COPYDATA payload as it is (for refusal tests).
    bool SendRaw(uint32_t dwData, const std::vector<uint8_t>& bytes);

    // Closes the endpoint: to the client the hall window is gone.
    void Vanish();

    std::vector<HallEvent> Events();
    // Waits up to `timeoutMs` (process clock) for the count of events to
    // reach `count`.
    bool WaitForEvents(size_t count, platform::DWORD timeoutMs);
    uint32_t ClientWindow() const;

  private:
    bool OnRequest(const platform::HallFrame& frame, uint32_t* result);
    bool SendCopy(uint32_t dwData, const std::vector<uint8_t>& plain);

    client::LaunchLine line_;
    client::HallTableState state_;
    bool autoState_ = true;
    std::function<void(const HallEvent&)> observer_;
    platform::HallEndpoint endpoint_;
    mutable std::mutex mu_;
    std::vector<HallEvent> events_;
    uint32_t clientWindow_ = 0;
    platform::Event changed_{false, false};
    platform::Thread autoSender_;
    pid_t child_ = -1;
};

}  // namespace hall
