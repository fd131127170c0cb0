#include "platform/gui/x11_errors.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <mutex>

namespace platform {
namespace {

int LogXError(::Display* display, XErrorEvent* error) {
    char text[160] = {};
    XGetErrorText(display, error->error_code, text, sizeof(text) - 1);
    std::fprintf(stderr, "display: X error %s (request %d.%d), ignored\n", text,
                 int(error->request_code), int(error->minor_code));
    return 0;
}

}  // namespace

void KeepXErrorsFromEndingTheProcess() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(LogXError); });
}

}  // namespace platform
