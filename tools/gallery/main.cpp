// gallery [--skin skin1|skin2] [--png <folder>]
// Shows the framework's skinned pieces in a window (a real one when there is
// a display). "皮肤" opens the skin menu (a skin chosen there is shown),
// "请求" slides in a notice popup. With --png it runs headless with the clock
// driven and writes gallery_<skin>.png, face_picker.png, popup_half.png and
// popup_full.png into the folder.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/message_queue.h"
#include "tools/gallery/gallery.h"

namespace {

void Pump() {
    platform::Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
        platform::DispatchMessage(msg);
}

platform::Surface Crop(const platform::Surface& from, const platform::RECT& r) {
    platform::Surface out(r.Width(), r.Height());
    platform::Painter(out).BitBlt(0, 0, r.Width(), r.Height(), from, r.left, r.top);
    return out;
}

int WritePictures(gallery::Gallery& g, const std::string& skin, const std::string& folder) {
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    if (!g.Open(skin)) return 1;
    Pump();
    bool ok = true;
    g.WithSkinMenuOpen(
        [&] { ok = g.Compose().SavePng(folder + "/gallery_" + skin + ".png") && ok; });
    Pump();
    const platform::RECT faces = gallery::kFacePickerRect;
    ok = Crop(*g.Window().BackBuffer(), faces).SavePng(folder + "/face_picker.png") && ok;
    client::CNoticePopupDlg* popup = g.OpenNoticePopup();
    for (int step = 1; step <= 16 && popup; ++step) {
        clock.AdvanceMillis(20);
        Pump();
        if (step == 8) ok = popup->BackBuffer()->SavePng(folder + "/popup_half.png") && ok;
    }
    ok = popup && popup->BackBuffer()->SavePng(folder + "/popup_full.png") && ok;
    g.Close();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string skin = "skin1", png;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--skin") == 0) skin = argv[i + 1];
        if (std::strcmp(argv[i], "--png") == 0) png = argv[i + 1];
    }
    // The generated assets are the program's folder unless told otherwise.
    setenv("QEVO_PROGRAM_DIR", QEVO_ASSET_DIR "/", 0);
    const std::string system = (std::filesystem::temp_directory_path() / "qevo-gallery").string();
    std::filesystem::create_directories(system);
    gallery::Gallery g(std::string(QEVO_ASSET_DIR) + "/hall/", system + "/");
    if (!png.empty()) return WritePictures(g, skin, png);
    if (auto sdl = platform::OpenSdlDisplay()) {
        platform::SetDisplay(std::move(sdl));
    } else {
        std::fprintf(stderr, "gallery: no display; try --png <folder>\n");
        return 1;
    }
    if (!g.Open(skin)) return 1;
    const int code = platform::RunMessageLoop();
    g.Close();
    platform::SetDisplay(nullptr);
    return code;
}
