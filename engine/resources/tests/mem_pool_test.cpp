#include "engine/resources/mem_pool.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

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
