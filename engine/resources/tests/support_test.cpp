// The resource side's hashes, memory pool and palettes.

#include <gtest/gtest.h>

#include <vector>

#include "engine/resources/hashes.h"
#include "engine/resources/image_record.h"
#include "engine/resources/mem_pool.h"
#include "engine/resources/palette.h"
#include "engine/resources/tests/log_capture.h"
#include "tools/pictures/pps_writer.h"

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

TEST(HashesTest, ImageTypeToExtension) {
    for (const char* ext : {".pps", ".bmp", ".png", ".gif", ".jpg", ".ico", ".tga", ".tif", ".mng",
                            ".pcx", ".wbmp", ".wmf"})
        EXPECT_EQ(ImageTypeToExtension(HashRS(ext)), ext);
    EXPECT_EQ(ImageTypeToExtension(HashRS(".jpeg")), "");
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

// A ".quad" file announcing `count` colours and holding `triples` (i, 2i, 255 - i).
std::vector<uint8_t> Quad(const std::string& name, uint16_t count, size_t triples) {
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < triples; ++i)
        rgb.insert(rgb.end(), {uint8_t(i), uint8_t(i * 2), uint8_t(255 - i)});
    return pictures::WriteQuad(name, count, rgb);
}

TEST(PaletteTest, RecordsAndTablesReadQuadFilesAndRefuseShortOnes) {
    PaletteRecord p;
    std::vector<uint8_t> rgb(300 * 3, 7);
    p.Set(rgb, 300, std::string(40, 'n'));
    EXPECT_EQ(p.count() + p.name().size(), 256u + 31u);
    p.Set(rgb, 3, "three");
    EXPECT_EQ(p.Colors()[9], 0);  // past the count: cleared
    ASSERT_TRUE(p.Assign(Quad("table", 3, 3)));
    EXPECT_EQ(p.name(), "table");
    EXPECT_EQ(std::vector<uint8_t>(p.Colors(), p.Colors() + 9),
              (std::vector<uint8_t>{0, 0, 255, 1, 2, 254, 2, 4, 253}));
    ASSERT_TRUE(p.Assign(Quad("many", 1000, 256)));
    EXPECT_EQ(p.count(), 256u);
    testing::LogCapture log;
    EXPECT_FALSE(p.Assign(std::vector<uint8_t>(33)));
    EXPECT_FALSE(p.Assign(Quad("short", 10, 9)));
    EXPECT_FALSE(p.Assign(Quad(std::string(32, 'n'), 1, 1)));  // the name has no NUL
    EXPECT_EQ(p.name(), "many");
    EXPECT_EQ(log.lines().size(), 3u);
    // The table keys by the name in the file and keeps the first.
    PaletteTable table;
    ASSERT_TRUE(table.LoadQuad(Quad("wood", 2, 2)));
    ASSERT_TRUE(table.LoadQuad(Quad("wood", 3, 3)));
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.Find("wood")->count(), 2u);
    EXPECT_EQ(table.Find("stone"), nullptr);
    EXPECT_FALSE(table.LoadQuad({}));
}

TEST(PaletteTest, LookupFindsTheNearestPreferringExactAndEarlier) {
    const uint8_t rgb[] = {0, 0, 0, 250, 0, 250, 255, 0, 255, 255, 0, 255};
    PaletteRecord p;
    p.Set(rgb, 4, "k");
    EXPECT_EQ(p.Lookup(0xFF00FF), 2u);  // exact wins over the close earlier entry
    EXPECT_EQ(p.Lookup(0xFB00FB), 1u);
    EXPECT_EQ(p.Lookup(0x000001), 0u);
    p.Set(rgb, 1, "far");
    EXPECT_EQ(p.Lookup(0xFFFFFF), 0u);  // nothing below the starting distance
}

}  // namespace
}  // namespace engine
