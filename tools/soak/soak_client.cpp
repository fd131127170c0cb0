// One chair of the soak: the mahjong client on the headless display, its
// clock moved only by the conductor's steps.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "mahjong/app/client_app.h"
#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "tools/soak/soak.h"
#include "transport/notice.h"

namespace soak {
namespace {

constexpr platform::UINT kStep = platform::WM_APP + 71;
constexpr platform::UINT kStop = platform::WM_APP + 72;
// The player presses start this long after a round unless the client has
// started the next one by itself.
constexpr int64_t kStartAfterMicros = 3'000'000;

}  // namespace

int RunSoakClient(int commandFd, int reportFd, const std::string& launchLine) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>(platform::SIZE{1024, 768}));
    int code = 0;
    {
        mahjong::CClientApp app;
        app.SetUnattended(true);
        // The start's sound: the client started the next round itself.
        bool started = false;
        app.SetEventSink([&started](const std::string& line) {
            if (line == "sound 29010") started = true;
        });
        app.SetCommandLine(platform::Utf8ToGbk(launchLine));
        if (!app.InitInstance()) {
            app.ExitInstance();
            return 1;
        }
        const platform::DWORD ui = platform::GetCurrentThreadId();
        std::thread reader([commandFd, ui] {
            FILE* in = fdopen(commandFd, "r");
            char line[64];
            while (in && std::fgets(line, sizeof line, in) && line[0] != 'q')
                platform::PostThreadMessage(ui, kStep, platform::WPARAM(std::atol(line)));
            platform::PostThreadMessage(ui, kStop);
            if (in) std::fclose(in);
        });
        uint64_t steps = 0, handled = 0;
        std::string lastReport;
        bool wasInRound = false, running = true;
        int64_t outSince = -1;
        while (running) {
            platform::Message msg;
            bool any = false;
            while (running && platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
                any = true;
                if (msg.message == kStop || msg.message == platform::WM_QUIT) {
                    running = false;
                    code = msg.message == kStop ? 0 : 2;  // the client left the table
                } else if (msg.message == kStep && !msg.hwnd) {
                    clock.AdvanceMillis(int64_t(msg.wParam));
                    ++steps;
                } else {
                    handled += msg.message == transport::kNoticeMessage;
                    platform::DispatchMessage(msg);
                }
            }
            if (!running || any) continue;
            mahjong::CTableScene* scene = app.GetTableScene();
            if (scene && scene->InRound()) {
                wasInRound = true;
                started = false;
                outSince = -1;
            } else if (scene && wasInRound) {
                if (outSince < 0) outSince = clock.NowMicros();
                if (!started && clock.NowMicros() - outSince >= kStartAfterMicros) {
                    wasInRound = false;
                    scene->OnStart();
                    continue;
                }
            }
            const std::string report = std::to_string(steps) + " " +
                                       std::to_string(app.GetConnection()->RequestsSent()) + " " +
                                       std::to_string(handled) + "\n";
            if (report != lastReport) {
                lastReport = report;
                if (write(reportFd, report.data(), report.size()) < 0) break;
            }
            platform::MsgWaitForMultipleObjects({}, platform::INFINITE);
        }
        app.ExitInstance();
        close(reportFd);
        reader.join();
    }
    platform::SetDisplay(nullptr);
    return code;
}

}  // namespace soak
