// The mahjong client: qevo-mahjong "<launch line>"
// The hall starts it with the launch line. Without a screen, or with
// QEVO_HEADLESS=1, it runs on the headless display: nobody answers its
// message boxes, and each step of its road is printed as one UTF-8 line.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mahjong/app/client_app.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    bool headless = true;
    std::string noScreen;
    const char* wanted = std::getenv("QEVO_HEADLESS");
    if (!(wanted && *wanted == '1')) {
        std::string why;
        if (auto sdl = platform::OpenSdlDisplay(&why)) {
            platform::SetDisplay(std::move(sdl));
            headless = false;
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
    if (!noScreen.empty()) app.Emit(noScreen);
    app.SetCommandLine(argc > 1 ? platform::Utf8ToGbk(argv[argc - 1]) : std::string());
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    return app.Run();
}
