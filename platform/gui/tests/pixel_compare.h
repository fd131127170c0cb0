#pragma once
// Comparing a picture with its golden picture within a tolerance.

#include <cstdlib>

#include "platform/gui/surface.h"

namespace platform::testing_support {

// The share of pixels with a colour channel more than `tolerance` apart
// (1.0 when the sizes differ).
inline double Mismatch(const Surface& a, const Surface& b, int tolerance) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return 1.0;
    long bad = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const uint32_t p = a.At(x, y), q = b.At(x, y);
            for (int s = 0; s < 24; s += 8) {
                if (std::abs(int(p >> s & 0xFF) - int(q >> s & 0xFF)) > tolerance) {
                    ++bad;
                    break;
                }
            }
        }
    }
    return double(bad) / (double(a.Width()) * a.Height());
}

}  // namespace platform::testing_support
