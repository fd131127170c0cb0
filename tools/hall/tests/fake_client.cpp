// A client for the hall stand-in's tests, in a process of its own: it
// reads the launch line (its last argument), names its window to the hall,
// waits for a valid table state, reports to the hall and exits 0; 1 when no
// valid table state came, 2 for a bad launch line.

#include <cstdio>

#include "client/hall_client.h"
#include "client/launch_line.h"
#include "platform/message_queue.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

class Frame : public platform::Window {
  public:
    explicit Frame(client::HallClient& hall) : hall_(hall) {}
    ~Frame() override { Destroy(); }
    bool ready = false;

  protected:
    platform::LRESULT WindowProc(platform::Message& msg) override {
        if (msg.message != platform::WM_COPYDATA) return platform::DefWindowProc(msg);
        const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(msg.lParam);
        const auto* p = static_cast<const uint8_t*>(cds->lpData);
        const auto r = hall_.OnCopyData(cds->dwData, {p, cds->cbData}, true);
        if (r.action == client::HallCopyResult::Action::kTableStateReady) ready = true;
        return 1;
    }

  private:
    client::HallClient& hall_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const auto line = client::ParseLaunchLine(platform::Utf8ToGbk(argv[argc - 1]), 31201);
    if (!line) return 2;
    client::HallClient hall(*line);
    Frame frame(hall);
    if (!frame.Create()) return 1;
    hall.NotifyHall(frame.Handle());
    // The table state may come during the send or just after it.
    while (!frame.ready && hall.HallExists()) {
        if (platform::MsgWaitForMultipleObjects({}, 10000) == platform::WAIT_TIMEOUT) break;
        platform::Message m;
        while (platform::PeekMessage(m, {}, 0, 0, platform::PM_REMOVE))
            platform::DispatchMessage(m);
    }
    hall.ReportToHall(hall.MakeReport(frame.Handle().value, 0, 0, 0));
    std::printf("%s\n", frame.ready ? "entered" : "no table");
    return frame.ready ? 0 : 1;
}
