#include "rules/hand/random.h"

#include <mutex>
#include <random>
#include <utility>

namespace rules {
namespace {

struct Generator {
    std::mutex mutex;
    RandomSource source;
};

RandomSource MakeDefaultSource() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    return [engine = std::mt19937(seed)]() mutable { return uint32_t(engine()); };
}

Generator& TheGenerator() {
    static Generator generator{{}, MakeDefaultSource()};
    return generator;
}

uint32_t Draw() {
    Generator& g = TheGenerator();
    std::lock_guard lock(g.mutex);
    return g.source();
}

// An unbiased value in 0..n-1 for n >= 1.
uint32_t DrawBelow(uint32_t n) {
    uint32_t limit = UINT32_MAX - UINT32_MAX % n;
    for (;;) {
        uint32_t v = Draw();
        if (v < limit) return v % n;
    }
}

}  // namespace

RandomSource ReplaceRandomSource(RandomSource source) {
    Generator& g = TheGenerator();
    std::lock_guard lock(g.mutex);
    if (!source) source = MakeDefaultSource();
    return std::exchange(g.source, std::move(source));
}

ScopedRandomSource::ScopedRandomSource(RandomSource source)
    : previous_(ReplaceRandomSource(std::move(source))) {}
ScopedRandomSource::~ScopedRandomSource() {
    ReplaceRandomSource(std::move(previous_));
}

int32_t RandomBelow(int32_t n) {
    return n > 0 ? int32_t(DrawBelow(uint32_t(n))) : 0;
}

int32_t RandomInRange(int32_t lo, int32_t hi) {
    if (lo == hi) return lo;
    if (hi < lo) std::swap(lo, hi);
    uint32_t span = uint32_t(int64_t(hi) - lo + 1);  // 0 means the whole 32-bit range
    uint32_t v = span == 0 ? Draw() : DrawBelow(span);
    return int32_t(int64_t(lo) + v);
}

int32_t RollTwoDice(int32_t* a, int32_t* b, int32_t) {
    *a = int32_t(DrawBelow(6)) + 1;
    *b = int32_t(DrawBelow(6)) + 1;
    return 1;
}

int32_t ShuffleToArray(std::vector<int32_t>& array, int32_t n, int32_t) {
    if (n <= 0) return 1;
    std::vector<int32_t> perm(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        perm[size_t(i)] = i;
    for (int32_t i = n - 1; i > 0; --i)
        std::swap(perm[size_t(i)], perm[DrawBelow(uint32_t(i) + 1)]);
    array.insert(array.begin(), perm.begin(), perm.end());
    return 1;
}

}  // namespace rules
