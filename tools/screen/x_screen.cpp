#include "tools/screen/x_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstring>

namespace screen {

struct XScreen::Impl {
    ::Display* x = nullptr;
    bool extension = false;
};

XScreen::XScreen(const std::string& display) : impl_(std::make_unique<Impl>()) {
    impl_->x = XOpenDisplay(display.c_str());
    int event = 0, error = 0, major = 0, minor = 0;
    impl_->extension =
        impl_->x && XTestQueryExtension(impl_->x, &event, &error, &major, &minor) == True;
}

XScreen::~XScreen() {
    if (impl_->x) XCloseDisplay(impl_->x);
}

bool XScreen::Ready() const {
    return impl_->extension;
}

bool XScreen::MoveTo(int px, int py) {
    if (!Ready()) return false;
    XTestFakeMotionEvent(impl_->x, -1, px, py, CurrentTime);
    XSync(impl_->x, False);
    return true;
}

bool XScreen::Click() {
    return Press() && Release();
}

bool XScreen::Press() {
    if (!Ready()) return false;
    XTestFakeButtonEvent(impl_->x, 1, True, CurrentTime);
    XSync(impl_->x, False);
    return true;
}

bool XScreen::Release() {
    if (!Ready()) return false;
    XTestFakeButtonEvent(impl_->x, 1, False, CurrentTime);
    XSync(impl_->x, False);
    return true;
}

platform::Surface XScreen::Grab(const platform::RECT& area) {
    ::Display* x = impl_->x;
    if (!x) return {};
    XImage* image = XGetImage(x, DefaultRootWindow(x), area.left, area.top, unsigned(area.Width()),
                              unsigned(area.Height()), AllPlanes, ZPixmap);
    if (!image) return {};
    platform::Surface out(area.Width(), area.Height());
    // A 24-bit screen keeps 32-bit little-endian pixels: rows are copied.
    const bool rows = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                      image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
                      image->blue_mask == 0xFF;
    for (int y = 0; y < area.Height(); ++y) {
        uint32_t* row = out.Row(y);
        if (rows)
            std::memcpy(row, image->data + ptrdiff_t(y) * image->bytes_per_line,
                        size_t(area.Width()) * 4);
        for (int col = 0; col < area.Width(); ++col)
            row[col] = 0xFF000000u | (rows ? row[col] : uint32_t(XGetPixel(image, col, y)));
    }
    XDestroyImage(image);
    return out;
}

}  // namespace screen
