#pragma once
// Small helpers shared by the rule tables and the table client: the wall
// position of the next draw from the tail, elapsed time, the level tables and
// operations on int lists in which -1 marks an empty entry.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace rules {

// The position of the next tile drawn from the tail end of the wall:
// start-2, start-1, start-4, start-3, ... wrapped once at the wall size,
// passing over skipPos (then *skipped is 1). Advances *counter.
int32_t NextWallTailPos(int32_t start, int32_t skipPos, int32_t wallSize, int32_t* counter,
                        int32_t* skipped);

// Whole seconds (and minutes) since startTick, 0 past cap; 0 when startTick is 0.
int32_t ElapsedSeconds(uint32_t startTick, int32_t* seconds, int32_t* minutes, int32_t cap);

inline constexpr int kLevelCount = 20;
extern const int32_t kLevelThresholds[kLevelCount];
extern const int32_t kLevelValues[kLevelCount];

int32_t LevelOfValue(int32_t value, int32_t unit);
int32_t LevelValueOfMin(std::span<const int32_t> list, int32_t ignored, int32_t n, int32_t unit);
int32_t StakeOfMin(std::span<const int32_t> list, int32_t base, int32_t n);
int32_t IntLog2(int32_t n);
int32_t PowerOfTwo(int32_t n);

void FillIntsMinusOne(std::span<int32_t> list);
void FillFourMinusOne(std::span<int32_t, 4> list);
int32_t SumInts(std::span<const int32_t> list);
int32_t CountNonNegative(std::span<const int32_t> list);
int32_t AllHaveBits(std::span<const int32_t> list, int32_t mask);
inline int32_t AllHaveBit2(std::span<const int32_t> list) {
    return AllHaveBits(list, 0x2);
}
inline int32_t AllHaveBit4(std::span<const int32_t> list) {
    return AllHaveBits(list, 0x4);
}
inline int32_t AllHaveBit4000(std::span<const int32_t> list) {
    return AllHaveBits(list, 0x4000);
}
int32_t AnyHasBits(std::span<const int32_t> list, int32_t mask);
int32_t AllDistinct(std::span<const int32_t> list);
int32_t ContainsValue(std::span<const int32_t> list, int32_t v);
int32_t ContainsAll(std::span<const int32_t> list, std::span<const int32_t> other);
int32_t SameSet(std::span<const int32_t> a, std::span<const int32_t> b);

// A hash map of 36-byte records: a key, then a text of up to 31 bytes and its
// terminator. Buckets are chosen by (key >> 4) % bucket count.
struct TextRecord {
    int32_t key = 0;
    std::array<char, 32> text{};
};

class TextRecordMap {
  public:
    explicit TextRecordMap(size_t buckets = 17) : buckets_(buckets ? buckets : 1) {}
    // Adds or replaces the record of key; text longer than 31 bytes is cut.
    void Set(int32_t key, std::string_view text);
    const TextRecord* Find(int32_t key) const;

  private:
    size_t BucketOf(int32_t key) const { return (uint32_t(key) >> 4) % buckets_.size(); }
    std::vector<std::vector<TextRecord>> buckets_;
};

// Copies the text of key's record into dst (cut to fit, always terminated;
// empty when the key is absent). Returns dst's first byte.
char* FindRecordText(const TextRecordMap& map, int32_t key, std::span<char> dst);

}  // namespace rules
