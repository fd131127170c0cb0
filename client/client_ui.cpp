#include "client/client_ui.h"

#include <mutex>

#include "platform/audio/audio.h"

namespace client {
namespace {

int Scale(int v, int dpi) {
    return int(int64_t(v) * dpi / 96);
}

// The density of the display in use, read once for each display.
platform::SIZE CachedDpi() {
    static std::mutex mu;
    static std::weak_ptr<platform::Display> of;
    static platform::SIZE dpi{96, 96};
    const std::shared_ptr<platform::Display> display = platform::GetDisplay();
    std::lock_guard lock(mu);
    if (of.lock() != display) {
        dpi = display->Dpi();
        of = display;
    }
    return dpi;
}

}  // namespace

bool PlayWaveResource(uint32_t id) {
    return PlayWaveResourceEx(id, platform::SND_ASYNC | platform::SND_NOSTOP);
}

bool PlayWaveResourceEx(uint32_t id, uint32_t flags) {
    return platform::GetAudio()->PlaySoundResource(
        id, flags | platform::SND_RESOURCE | platform::SND_NODEFAULT);
}

int ScaleX(int v) {
    return Scale(v, CachedDpi().cx);
}

int ScaleY(int v) {
    return Scale(v, CachedDpi().cy);
}

bool MoveWindowScaled(platform::CWnd& window, int x, int y, int width, int height, bool repaint) {
    const platform::SIZE dpi = platform::GetDisplay()->Dpi();
    return window.MoveWindow(Scale(x, dpi.cx), Scale(y, dpi.cy), Scale(width, dpi.cx),
                             Scale(height, dpi.cy), repaint);
}

platform::LRESULT TransparentStatic(const platform::Message& msg) {
    static const platform::Brush kNull = platform::Brush::Null();
    if (auto* painter = reinterpret_cast<platform::Painter*>(msg.wParam))
        painter->SetBkMode(platform::TRANSPARENT);
    return reinterpret_cast<platform::LRESULT>(&kNull);
}

}  // namespace client
