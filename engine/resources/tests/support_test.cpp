// The resource side's hashes and memory pool.

#include <gtest/gtest.h>

#include <vector>

#include "engine/resources/hashes.h"
#include "engine/resources/mem_pool.h"

namespace engine {
namespace {

TEST(HashesTest, PublishedAndIndependentlyWorkedOutAnswers) {
    // The published answers of the RS and JS hash functions for their test
    // key, under the 31-bit mask, and Java's String.hashCode for h * 31 + b.
    const std::string_view key = "abcdefghijklmnopqrstuvwxyz1234567890";
    EXPECT_EQ(HashRS(key), 4097835502u & 0x7FFFFFFF);
    EXPECT_EQ(HashJS(key), 1651003062u);
    EXPECT_EQ(HashX31("hello"), 99162322u);
    EXPECT_EQ(HashX31("Hello World"), uint32_t(-862545276));
    EXPECT_EQ(HashJS(""), 1315423911u);
    // Worked out apart: double-byte text adds its bytes as signed values.
    EXPECT_EQ(HashRS("确定"), 441657979u);
    EXPECT_EQ(HashJS("确定"), 1086986589u);
    EXPECT_EQ(HashX31("确定"), 6139873u);
    const uint32_t typeIds[] = {kResourceTypeIds.image,   kResourceTypeIds.script,
                                kResourceTypeIds.sound,   kResourceTypeIds.palette,
                                kResourceTypeIds.unknown, kResourceTypeIds.pps};
    const uint32_t worked[] = {1397249876, 543995969,  522717461,
                               1833991565, 1766688376, 1612805297};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(typeIds[i], worked[i]) << i;
}

TEST(MemPoolTest, BlocksChainCountAndFreeWithoutRecursion) {
    MemPool pool(16, 32);
    EXPECT_EQ(pool.defaultBlockSize(), (16u + 8u) * 32u);
    EXPECT_EQ(pool.freeBytes(), 768u);
    EXPECT_EQ(MemPool::FirstFreeSize(*pool.head()), 760u);
    for (uint32_t i = 4; i < 768; ++i)
        ASSERT_EQ(pool.head()->data[i], 0) << i;  // zeroed past the header
    PoolBlock* second = pool.NewBlock(100);
    PoolBlock* third = pool.NewBlock();
    EXPECT_EQ(second->next.get(), third);
    EXPECT_EQ(pool.totalBytes(), 768u + 100u + 768u);
    EXPECT_EQ(MemPool::FirstFreeSize(*second), 92u);
    pool.FreeChain(second);
    PoolBlock stranger;
    pool.FreeChain(&stranger);  // not ours: ignored
    EXPECT_EQ(pool.blockCount(), 1u);
    EXPECT_EQ(pool.totalBytes(), 768u);
    EXPECT_EQ(pool.head()->next, nullptr);
    MemPool tiny(0, 0);
    EXPECT_EQ(tiny.head()->size, MemPool::kMinBlockSize);
    for (int i = 0; i < 200000; ++i)
        tiny.NewBlock(16);
    EXPECT_EQ(tiny.blockCount(), 200001u);
}

}  // namespace
}  // namespace engine
