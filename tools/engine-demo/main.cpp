// qevo-engine-demo [seconds]: the engine's demo scene in a window (SDL2 when
// DISPLAY is set, the headless display otherwise), with its sounds through
// SDL2_mixer when there is a device. QEVO_DEMO_SHOT=file.png saves the
// window's last frame; QEVO_DEMO_STILL=1 keeps everything still. The sounds
// come from the build's generated assets unless QEVO_PROGRAM_DIR names
// another program folder.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/audio.h"
#include "platform/gui/wnd.h"
#include "tools/engine-demo/demo_app.h"

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;
    std::shared_ptr<platform::Display> display;
    if (std::getenv("DISPLAY") && !std::getenv("QEVO_HEADLESS"))
        display = platform::OpenSdlDisplay();
    if (!display) {
        display = std::make_shared<platform::HeadlessDisplay>();
        if (seconds == 0) std::puts("headless: running for 5 seconds");
    }
    platform::SetDisplay(display);
    if (!std::getenv("QEVO_PROGRAM_DIR")) setenv("QEVO_PROGRAM_DIR", QEVO_ASSET_DIR, 1);
    platform::SetAudio(std::make_shared<platform::Audio>(platform::OpenSdlMixer()));
    const bool still = std::getenv("QEVO_DEMO_STILL") != nullptr;
    int code = 1;
    {
        engine_demo::DemoApp app(
            [](const std::string& line) {
                std::puts(line.c_str());
                std::fflush(stdout);
            },
            still);
        if (!app.Open(40, 40)) {
            std::fputs("the demo could not start\n", stderr);
        } else {
            const bool headless = dynamic_cast<platform::HeadlessDisplay*>(display.get());
            code = app.Run(seconds > 0 ? seconds : headless ? 5 : 0);
            if (const char* shot = std::getenv("QEVO_DEMO_SHOT"))
                app.Window().SaveBackBufferPng(shot);
        }
    }
    platform::SetDisplay(nullptr);
    platform::SetAudio(nullptr);
    return code;
}
