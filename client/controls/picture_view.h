#pragma once
// A static control that shows a picture (SS_BITMAP): drawn at its top-left
// corner, clipped to the control.

#include "platform/gui/static_control.h"

namespace client {

class CPictureView : public platform::CStatic {
  public:
    ~CPictureView() override { Destroy(); }
    void SetPicture(platform::Surface picture) {
        picture_ = std::move(picture);
        if (GetSafeHwnd()) Invalidate();
    }
    const platform::Surface& Picture() const { return picture_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message != platform::WM_PAINT) return CStatic::OnMessage(msg);
        platform::PAINTSTRUCT ps;
        platform::Painter painter = BeginPaint(ps);
        painter.BitBlt(0, 0, picture_.Width(), picture_.Height(), picture_, 0, 0);
        EndPaint(ps);
        return 0;
    }

  private:
    platform::Surface picture_;
};

}  // namespace client
