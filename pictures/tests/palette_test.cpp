// Palette records and ".quad" palette files.

#include "pictures/palette.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pictures/tests/log_capture.h"
#include "tools/pictures/pps_writer.h"

namespace engine {
namespace {

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
