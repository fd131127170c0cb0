// The framework's test client: qevo-client-testapp "<launch line>"
// Prints each step of its road as one UTF-8 line on stdout.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/testapp/test_app.h"
#include "platform/audio/audio.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/text.h"
#include "transport/log.h"

int main(int argc, char** argv) {
    // A real window and sound when there is a screen. Without one (and for
    // tests that ask for it) the headless display serves, silently: it draws
    // for no one and never polls, so an idle client sleeps.
    std::string noScreen;
    const char* headless = std::getenv("QEVO_HEADLESS");
    if (!(headless && *headless == '1')) {
        std::string why;
        if (auto sdl = platform::OpenSdlDisplay(&why)) {
            platform::SetDisplay(std::move(sdl));
            if (auto mixer = platform::OpenSdlMixer())
                platform::SetAudio(std::make_shared<platform::Audio>(std::move(mixer)));
        } else {
            noScreen = "no screen (" + why + "): running on the headless display";
        }
    }
    auto print = [](const std::string& line) {
        std::printf("client: %s\n", platform::GbkToUtf8(line).c_str());
        std::fflush(stdout);
    };
    testapp::TestApp app(print);
    if (!noScreen.empty()) print(noScreen);
    app.SetCommandLine(argc > 1 ? platform::Utf8ToGbk(argv[argc - 1]) : std::string());
    const bool started = app.InitInstance();
    // The daily log is open from the start of InitInstance on.
    if (!noScreen.empty()) transport::LogPrintf("%s", noScreen.c_str());
    if (!started) {
        app.ExitInstance();
        return 1;
    }
    return app.Run();
}
