#pragma once
// Random numbers and dice for the tables. One private generator, seeded once
// per process; tests replace it with one of their own.

#include <cstdint>
#include <functional>
#include <vector>

namespace rules {

// A source of uniformly distributed 32-bit values.
using RandomSource = std::function<uint32_t()>;

// Installs `source` as the generator; returns the one it replaces.
RandomSource ReplaceRandomSource(RandomSource source);

// Installs a generator for the lifetime of this object (tests).
class ScopedRandomSource {
  public:
    explicit ScopedRandomSource(RandomSource source);
    ~ScopedRandomSource();
    ScopedRandomSource(const ScopedRandomSource&) = delete;
    ScopedRandomSource& operator=(const ScopedRandomSource&) = delete;

  private:
    RandomSource previous_;
};

// A value in 0..n-1; 0 when n is not positive.
int32_t RandomBelow(int32_t n);
// A value in lo..hi (either order); lo when both are equal, without drawing.
int32_t RandomInRange(int32_t lo, int32_t hi);
// Two dice, each 1-6. The seed is kept for callers; the generator already
// makes successive pairs differ.
int32_t RollTwoDice(int32_t* a, int32_t* b, int32_t seed);
// A random permutation of 0..n-1 placed in front of what the array holds.
int32_t ShuffleToArray(std::vector<int32_t>& array, int32_t n, int32_t seed);

}  // namespace rules
