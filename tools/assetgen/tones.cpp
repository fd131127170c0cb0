#include "tools/assetgen/tones.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

std::vector<double> Tones(std::initializer_list<double> hertz, int ms) {
    std::vector<double> out;
    for (double f : hertz) {
        const int n = kRate * ms / 1000;
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / kRate;
            const double envelope = std::min(1.0, i / 80.0) * std::exp(-6.0 * i / n);
            out.push_back(0.5 * envelope * std::sin(2 * M_PI * f * t));
        }
    }
    return out;
}

}  // namespace assetgen
