#pragma once
// Sounds made of tones, at the rate every generated sound uses.

#include <initializer_list>
#include <vector>

namespace assetgen {

inline constexpr int kRate = 22050;

// `ms` milliseconds of each frequency in turn, each with a quick attack and
// an exponential decay.
std::vector<double> Tones(std::initializer_list<double> hertz, int ms);

}  // namespace assetgen
