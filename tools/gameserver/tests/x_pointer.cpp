#include "tools/gameserver/tests/x_pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace gameserver::testing {

struct XPointer::Impl {
    ::Display* x = nullptr;
    bool extension = false;
};

XPointer::XPointer(const std::string& display) : impl_(std::make_unique<Impl>()) {
    impl_->x = XOpenDisplay(display.c_str());
    int event = 0, error = 0, major = 0, minor = 0;
    impl_->extension =
        impl_->x && XTestQueryExtension(impl_->x, &event, &error, &major, &minor) == True;
}

XPointer::~XPointer() {
    if (impl_->x) XCloseDisplay(impl_->x);
}

bool XPointer::Ready() const {
    return impl_->extension;
}

bool XPointer::MoveTo(int px, int py) {
    if (!Ready()) return false;
    XTestFakeMotionEvent(impl_->x, -1, px, py, CurrentTime);
    XSync(impl_->x, False);
    return true;
}

bool XPointer::Click() {
    return Press() && Release();
}

bool XPointer::Press() {
    if (!Ready()) return false;
    XTestFakeButtonEvent(impl_->x, 1, True, CurrentTime);
    XSync(impl_->x, False);
    return true;
}

bool XPointer::Release() {
    if (!Ready()) return false;
    XTestFakeButtonEvent(impl_->x, 1, False, CurrentTime);
    XSync(impl_->x, False);
    return true;
}

}  // namespace gameserver::testing
