// qevo-table-gallery [chair] [dealt|play|settlement] [seconds]: the mahjong
// table seen from a chair (0-3, default 0) in a window (SDL2 when DISPLAY is
// set, the headless display otherwise): a round just dealt, a round in play
// (the default) or a settlement. QEVO_TABLE_SHOT=file.png saves the last
// frame. The pictures come from the build's generated assets.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/table-gallery/table_gallery.h"

int main(int argc, char** argv) {
    const int chair = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::string what = argc > 2 ? argv[2] : "play";
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 0;
    if (chair < 0 || chair > 3 || (what != "dealt" && what != "play" && what != "settlement")) {
        std::fputs("usage: qevo-table-gallery [0-3] [dealt|play|settlement] [seconds]\n", stderr);
        return 2;
    }
    std::shared_ptr<platform::Display> display;
    if (std::getenv("DISPLAY") && !std::getenv("QEVO_HEADLESS"))
        display = platform::OpenSdlDisplay();
    if (!display) display = std::make_shared<platform::HeadlessDisplay>();
    platform::SetDisplay(display);
    int code = 1;
    {
        table_gallery::TableGallery gallery(chair, QEVO_ASSET_DIR);
        const table_gallery::Show show = what == "dealt"  ? table_gallery::Show::kDealt
                                         : what == "play" ? table_gallery::Show::kInPlay
                                                          : table_gallery::Show::kSettlement;
        if (gallery.Open(40, 40, show)) {
            code = gallery.Run(seconds > 0 ? seconds : (std::getenv("DISPLAY") ? 0 : 5));
            if (const char* shot = std::getenv("QEVO_TABLE_SHOT"))
                gallery.Scene().Output().SavePng(shot);
        } else {
            std::fputs("the table could not be shown\n", stderr);
        }
    }
    platform::SetDisplay(nullptr);
    return code;
}
