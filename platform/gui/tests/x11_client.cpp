#include "platform/gui/tests/x11_client.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform::testing_support {

struct X11Client::Impl {
    ::Display* x = nullptr;
};

X11Client::X11Client(const std::string& display) : impl_(std::make_unique<Impl>()) {
    impl_->x = XOpenDisplay(display.c_str());
}

X11Client::~X11Client() {
    if (impl_->x) XCloseDisplay(impl_->x);
}

bool X11Client::Connected() const {
    return impl_->x != nullptr;
}

Surface X11Client::Grab(const RECT& area) {
    ::Display* x = impl_->x;
    XImage* image = XGetImage(x, DefaultRootWindow(x), area.left, area.top, unsigned(area.Width()),
                              unsigned(area.Height()), AllPlanes, ZPixmap);
    if (!image) return {};
    Surface out(area.Width(), area.Height());
    for (int y = 0; y < area.Height(); ++y) {
        for (int col = 0; col < area.Width(); ++col) {
            out.Set(col, y, 0xFF000000u | uint32_t(XGetPixel(image, col, y) & 0xFFFFFF));
        }
    }
    XDestroyImage(image);
    return out;
}

void X11Client::WarpPointer(int px, int py) {
    ::Display* x = impl_->x;
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, px, py);
    XSync(x, False);
}

namespace {

Window TopMost(::Display* x) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    Window target = count ? children[count - 1] : 0;
    if (children) XFree(children);
    return target;
}

bool SendButton(::Display* x, int type, unsigned button, int px, int py) {
    Window target = TopMost(x);
    if (!target) return false;
    XEvent press{};
    press.xbutton.type = type;
    press.xbutton.display = x;
    press.xbutton.window = target;
    press.xbutton.root = DefaultRootWindow(x);
    press.xbutton.button = button;
    press.xbutton.x = px;
    press.xbutton.y = py;
    press.xbutton.same_screen = True;
    XSendEvent(x, target, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &press);
    XSync(x, False);
    return true;
}

}  // namespace

bool X11Client::SendButtonPress(unsigned button, int px, int py) {
    return SendButton(impl_->x, ButtonPress, button, px, py);
}

bool X11Client::SendButtonRelease(unsigned button, int px, int py) {
    return SendButton(impl_->x, ButtonRelease, button, px, py);
}

bool X11Client::SendKeyPress(const char* keysym) {
    ::Display* x = impl_->x;
    Window target = TopMost(x);
    if (!target) return false;
    XEvent key{};
    key.xkey.type = KeyPress;
    key.xkey.display = x;
    key.xkey.window = target;
    key.xkey.root = DefaultRootWindow(x);
    key.xkey.keycode = XKeysymToKeycode(x, XStringToKeysym(keysym));
    key.xkey.same_screen = True;
    XSetInputFocus(x, target, RevertToParent, CurrentTime);
    XSendEvent(x, target, True, KeyPressMask, &key);
    XSync(x, False);
    return true;
}

}  // namespace platform::testing_support
