#include "rules/table/table_util.h"

#include <algorithm>

#include "platform/clock.h"

namespace rules {
namespace {

int32_t TailStep(int32_t start, int32_t step, int32_t wallSize) {
    int64_t pos = int64_t(start) + step % 2 - 2 * int64_t(step / 2) - 2;
    if (pos < 0) pos += wallSize;
    return int32_t(pos);
}

int32_t MinOfFirst(std::span<const int32_t> list, int32_t n) {
    size_t count = n < 2 ? 1 : std::min(size_t(n), list.size());
    return *std::min_element(list.begin(), list.begin() + ptrdiff_t(count));
}

}  // namespace

int32_t NextWallTailPos(int32_t start, int32_t skipPos, int32_t wallSize, int32_t* counter,
                        int32_t* skipped) {
    int32_t pos = TailStep(start, *counter, wallSize);
    *skipped = 0;
    if (pos == skipPos) {
        *skipped = 1;
        ++*counter;
        pos = TailStep(start, *counter, wallSize);
    }
    ++*counter;
    return pos;
}

int32_t ElapsedSeconds(uint32_t startTick, int32_t* seconds, int32_t* minutes, int32_t cap) {
    *seconds = 0;
    *minutes = 0;
    if (startTick == 0) return 0;
    // Unsigned difference: the tick count wraps like the system's.
    int64_t s = int64_t(uint32_t(platform::GetTickCount() - startTick) / 1000u);
    if (s > cap) s = 0;
    *seconds = int32_t(s);
    *minutes = int32_t(s / 60);
    return 1;
}

const int32_t kLevelThresholds[kLevelCount] = {0,     10,    30,    60,    100,   200,  400,
                                               640,   920,   1240,  2140,  4640,  7390, 10390,
                                               13640, 20640, 35640, 51640, 68640, 86640};
const int32_t kLevelValues[kLevelCount] = {1,  2,  3,  4,  5,  10,  12,  14,  16,  18,
                                           50, 55, 60, 65, 70, 150, 160, 170, 180, 190};

int32_t LevelOfValue(int32_t value, int32_t unit) {
    if (value < 1) return 0;
    for (int i = kLevelCount - 1; i >= 1; --i) {
        if (int64_t(value) >= int64_t(kLevelThresholds[i]) * unit) return i;
    }
    return 0;
}

int32_t LevelValueOfMin(std::span<const int32_t> list, int32_t, int32_t n, int32_t unit) {
    if (list.empty()) return kLevelValues[0];
    return kLevelValues[LevelOfValue(MinOfFirst(list, n), unit)];
}

int32_t IntLog2(int32_t n) {
    int32_t log = 0;
    while (n >= 2) {
        n /= 2;
        ++log;
    }
    return log;
}

int32_t PowerOfTwo(int32_t n) {
    if (n < 1) return 1;
    return n >= 31 ? INT32_MAX : int32_t(1) << n;
}

int32_t StakeOfMin(std::span<const int32_t> list, int32_t base, int32_t n) {
    int32_t m = list.empty() ? 100 : MinOfFirst(list, n);
    if (m < 101) m = 100;
    int64_t stake = int64_t(PowerOfTwo(IntLog2(m / 100))) * (base / 10 + 1);
    return int32_t(std::clamp<int64_t>(stake, INT32_MIN, INT32_MAX));
}

void FillIntsMinusOne(std::span<int32_t> list) {
    std::fill(list.begin(), list.end(), -1);
}
void FillFourMinusOne(std::span<int32_t, 4> list) {
    std::fill(list.begin(), list.end(), -1);
}

int32_t SumInts(std::span<const int32_t> list) {
    int64_t sum = 0;
    for (int32_t v : list)
        sum += v;
    return int32_t(uint32_t(sum));  // wraps like the 32-bit sum it stands for, without overflow
}

int32_t CountNonNegative(std::span<const int32_t> list) {
    return int32_t(std::count_if(list.begin(), list.end(), [](int32_t v) { return v >= 0; }));
}

int32_t AllHaveBits(std::span<const int32_t> list, int32_t mask) {
    return std::all_of(list.begin(), list.end(), [mask](int32_t v) { return (v & mask) == mask; });
}

int32_t AnyHasBits(std::span<const int32_t> list, int32_t mask) {
    return std::any_of(list.begin(), list.end(), [mask](int32_t v) { return (v & mask) == mask; });
}

int32_t AllDistinct(std::span<const int32_t> list) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == -1) continue;
        for (size_t j = i + 1; j < list.size(); ++j) {
            if (list[j] == list[i]) return 0;
        }
    }
    return 1;
}

int32_t ContainsValue(std::span<const int32_t> list, int32_t v) {
    return v >= 0 && std::find(list.begin(), list.end(), v) != list.end();
}

int32_t ContainsAll(std::span<const int32_t> list, std::span<const int32_t> other) {
    return std::all_of(other.begin(), other.end(), [&](int32_t v) {
        return v == -1 || std::find(list.begin(), list.end(), v) != list.end();
    });
}

int32_t SameSet(std::span<const int32_t> a, std::span<const int32_t> b) {
    if (a.size() != b.size()) return 0;
    auto covers = [](std::span<const int32_t> x, std::span<const int32_t> y) {
        return std::all_of(y.begin(), y.end(),
                           [&](int32_t v) { return std::find(x.begin(), x.end(), v) != x.end(); });
    };
    return covers(a, b) && covers(b, a);
}

void TextRecordMap::Set(int32_t key, std::string_view text) {
    TextRecord record;
    record.key = key;
    text = text.substr(0, record.text.size() - 1);
    std::copy(text.begin(), text.end(), record.text.begin());
    auto& bucket = buckets_[BucketOf(key)];
    for (TextRecord& r : bucket) {
        if (r.key == key) {
            r = record;
            return;
        }
    }
    bucket.push_back(record);
}

const TextRecord* TextRecordMap::Find(int32_t key) const {
    for (const TextRecord& r : buckets_[BucketOf(key)]) {
        if (r.key == key) return &r;
    }
    return nullptr;
}

char* FindRecordText(const TextRecordMap& map, int32_t key, std::span<char> dst) {
    if (dst.empty()) return nullptr;
    dst[0] = '\0';
    const TextRecord* r = map.Find(key);
    if (!r) return dst.data();
    // The record's text is bounded by its field, the copy by the destination.
    size_t n = 0;
    while (n < r->text.size() && r->text[n] != '\0' && n + 1 < dst.size()) {
        dst[n] = r->text[n];
        ++n;
    }
    dst[n] = '\0';
    return dst.data();
}

}  // namespace rules
