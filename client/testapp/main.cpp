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

int main(int argc, char** argv) {
    // A real window and sound when a display exists; headless and silent
    // otherwise (and for tests that ask for it).
    const char* headless = std::getenv("QEVO_HEADLESS");
    if (!(headless && *headless == '1')) {
        if (auto sdl = platform::OpenSdlDisplay()) platform::SetDisplay(std::move(sdl));
        if (auto mixer = platform::OpenSdlMixer())
            platform::SetAudio(std::make_shared<platform::Audio>(std::move(mixer)));
    }
    testapp::TestApp app([](const std::string& line) {
        std::printf("client: %s\n", platform::GbkToUtf8(line).c_str());
        std::fflush(stdout);
    });
    app.SetCommandLine(argc > 1 ? platform::Utf8ToGbk(argv[argc - 1]) : std::string());
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    return app.Run();
}
