// The mahjong client: qevo-mahjong "<launch line>"
// The hall starts it with the launch line. Without a screen, or with
// QEVO_HEADLESS=1, it runs on the headless display: nobody answers its
// message boxes, and each step of its road is printed as one UTF-8 line.
// With a screen it plays its sounds through SDL2_mixer; without an output
// device it says so once and stays silent. A test may drive its clock
// through the channel QEVO_CLOCK_CHANNEL names (clock_channel.h).

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "mahjong/app/client_app.h"
#include "mahjong/app/clock_channel.h"
#include "platform/audio/audio.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/text.h"
#include "transport/log.h"

int main(int argc, char** argv) {
    std::string noChannel;
    const std::unique_ptr<mahjong::ClockChannel> channel =
        mahjong::ClockChannel::FromEnvironment(&noChannel);
    if (!noChannel.empty()) {
        std::fprintf(stderr, "qevo-mahjong: %s\n", noChannel.c_str());
        return 1;
    }
    bool headless = true;
    std::string noScreen, noSound;
    const char* wanted = std::getenv("QEVO_HEADLESS");
    if (!(wanted && *wanted == '1')) {
        std::string why;
        if (auto sdl = platform::OpenSdlDisplay(&why)) {
            platform::SetDisplay(std::move(sdl));
            headless = false;
            if (auto mixer = platform::OpenSdlMixer(platform::kSdlMixerLibrary, &why))
                platform::SetAudio(std::make_shared<platform::Audio>(std::move(mixer)));
            else
                noSound = "no sound (" + why + "): the table stays silent";
        } else {
            noScreen = "no screen (" + why + "): running on the headless display";
        }
    }
    mahjong::CClientApp app;
    app.SetUnattended(headless);
    app.SetEventSink([](const std::string& line) {
        std::printf("client: %s\n", platform::GbkToUtf8(line).c_str());
        std::fflush(stdout);
    });
    for (const std::string* line : {&noScreen, &noSound})
        if (!line->empty()) app.Emit(*line);
    if (channel) channel->Attach([&app] { return app.GetConnection()->RequestsSent(); });
    app.SetCommandLine(argc > 1 ? platform::Utf8ToGbk(argv[argc - 1]) : std::string());
    const bool started = app.InitInstance();
    // The daily log is open from the start of InitInstance on.
    for (const std::string* line : {&noScreen, &noSound})
        if (!line->empty()) transport::LogPrintf("%s", line->c_str());
    if (!started) {
        app.ExitInstance();
        return 1;
    }
    const int code = app.Run();
    platform::SetAudio(nullptr);
    return code;
}
