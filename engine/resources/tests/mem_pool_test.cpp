#include "engine/resources/mem_pool.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(MemPoolTest, ConstructionMakesOneDefaultBlock) {
    MemPool pool(16, 32);
    EXPECT_EQ(pool.defaultBlockSize(), (16u + 8u) * 32u);
    EXPECT_EQ(pool.blockCount(), 1u);
    EXPECT_EQ(pool.totalBytes(), 768u);
    EXPECT_EQ(pool.freeBytes(), 768u);
    ASSERT_NE(pool.head(), nullptr);
    EXPECT_EQ(pool.head()->size, 768u);
    EXPECT_EQ(MemPool::FirstFreeSize(*pool.head()), 760u);
    // The data area past the header is zeroed.
    for (uint32_t i = 4; i < 768; ++i)
        ASSERT_EQ(pool.head()->data[i], 0) << i;
}

TEST(MemPoolTest, NewBlocksChainAndCount) {
    MemPool pool(4, 4);
    PoolBlock* second = pool.NewBlock(100);
    PoolBlock* third = pool.NewBlock();
    EXPECT_EQ(pool.blockCount(), 3u);
    EXPECT_EQ(pool.totalBytes(), 48u + 100u + 48u);
    EXPECT_EQ(pool.head()->next.get(), second);
    EXPECT_EQ(second->next.get(), third);
    EXPECT_EQ(MemPool::FirstFreeSize(*second), 92u);
}

TEST(MemPoolTest, FreeChainDropsTheBlockAndEverythingBehind) {
    MemPool pool(4, 4);
    PoolBlock* second = pool.NewBlock(100);
    pool.NewBlock(200);
    pool.FreeChain(second);
    EXPECT_EQ(pool.blockCount(), 1u);
    EXPECT_EQ(pool.totalBytes(), 48u);
    EXPECT_EQ(pool.head()->next, nullptr);
    PoolBlock stranger;
    pool.FreeChain(&stranger);  // not ours: ignored
    EXPECT_EQ(pool.blockCount(), 1u);
}

TEST(MemPoolTest, TinyBlocksStillHoldTheHeader) {
    MemPool pool(0, 0);
    EXPECT_EQ(pool.head()->size, MemPool::kMinBlockSize);
    EXPECT_EQ(MemPool::FirstFreeSize(*pool.head()), MemPool::kMinBlockSize - 8);
}

TEST(MemPoolTest, LongChainsAreFreedWithoutRecursion) {
    MemPool pool(1, 1);
    for (int i = 0; i < 200000; ++i)
        pool.NewBlock(16);
    EXPECT_EQ(pool.blockCount(), 200001u);
}

}  // namespace
}  // namespace engine
