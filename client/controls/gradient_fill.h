#pragma once
// CGradientFill: a gradient through several colours. The stretches between
// consecutive colours share the length equally; inside each, the colour
// moves linearly in bands of equal width, at most one band per level of the
// stretch's largest channel difference. The direction names the edge where
// the first colour stands.

#include <initializer_list>
#include <vector>

#include "platform/gui/painter.h"

namespace client {

class CGradientFill {
  public:
    enum Direction { kFromLeft = 0, kFromRight = 1, kFromTop = 2, kFromBottom = 3 };
    struct Band {
        platform::COLORREF color = 0;
        int width = 0;
    };

    virtual ~CGradientFill() = default;
    // Slots, in order. `usePalette` matters only on palette displays, which
    // this window system has none of.
    virtual void Draw(platform::Painter& painter, const platform::RECT& rect, int steps,
                      bool usePalette = false);
    virtual std::vector<Band> BuildBands(int length, int steps) const;
    virtual void CalcBands(std::vector<Band>& out, int length, int steps) const;
    virtual void CalcBandsBetween(std::vector<Band>& out, platform::COLORREF from,
                                  platform::COLORREF to, int width, int steps) const;

    void SetColors(std::initializer_list<platform::COLORREF> colors);
    void SetDirection(int direction) { direction_ = direction & 3; }
    int Direction() const { return direction_; }
    const std::vector<platform::COLORREF>& Colors() const { return stops_; }

  private:
    std::vector<platform::COLORREF> stops_;
    std::vector<double> widths_;  // percent of the length for each stretch
    int direction_ = kFromLeft;
};

}  // namespace client
