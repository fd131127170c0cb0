#pragma once
// CColorStepBar: the wait dialog's busy bar. Six cells shade from a base
// colour (cell 3) towards the background in steps of a third of their
// difference; each tick of its timer rotates the shades by one cell.

#include <array>

#include "platform/gui/static_control.h"

namespace client {

class CColorStepBar : public platform::CStatic {
  public:
    static constexpr int kCells = 6;
    static constexpr int kBaseCell = 3;
    static constexpr platform::UINT_PTR kTimer = 1;

    CColorStepBar();
    ~CColorStepBar() override;

    void SetColors(platform::COLORREF base, platform::COLORREF background);
    // Rotates every `intervalMs` while started.
    void Start(platform::UINT intervalMs);
    void Stop();
    bool Running() const { return running_; }
    void SetHorizontal(bool horizontal) { horizontal_ = horizontal; }
    void SetForward(bool forward) { forward_ = forward; }
    const std::array<platform::COLORREF, kCells>& Cells() const { return cells_; }
    // One step of the animation.
    void Rotate();
    void Paint(platform::Painter& painter);

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    std::array<platform::COLORREF, kCells> cells_{};
    platform::COLORREF base_ = 0;
    platform::COLORREF background_ = 0xFFFFFF;
    bool horizontal_ = true;
    bool forward_ = true;
    bool running_ = false;
};

}  // namespace client
