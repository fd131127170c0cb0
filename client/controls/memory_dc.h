#pragma once
// CMemoryDC: drawing off screen. It offers a painter on a surface the size
// of the target's rectangle, in the target's coordinates; when it ends, what
// it drew is copied to the target in one piece, so the screen never shows a
// half-drawn state.

#include "platform/gui/painter.h"

namespace client {

class CMemoryDC {
  public:
    CMemoryDC(platform::Painter& target, const platform::RECT& rect)
        : target_(target), rect_(rect), buffer_(rect.Width(), rect.Height()), painter_(buffer_) {
        painter_.SetOrigin({-rect.left, -rect.top});
    }
    ~CMemoryDC() {
        target_.BitBlt(rect_.left, rect_.top, rect_.Width(), rect_.Height(), buffer_, 0, 0);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    platform::Painter& operator*() { return painter_; }
    platform::Painter* operator->() { return &painter_; }

  private:
    platform::Painter& target_;
    platform::RECT rect_;
    platform::Surface buffer_;
    platform::Painter painter_;
};

}  // namespace client
