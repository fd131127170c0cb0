#include "engine/resources/palette.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/resources/tests/log_capture.h"
#include "platform/bytes.h"

namespace engine {
namespace {

std::vector<uint8_t> Quad(const std::string& name, uint16_t count, size_t triples) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.FixedString(name, 33);
    out.pop_back();  // a 32-byte name keeps all its bytes
    w.U16(count);
    for (size_t i = 0; i < triples; ++i) {
        w.U8(uint8_t(i));
        w.U8(uint8_t(i * 2));
        w.U8(uint8_t(255 - i));
    }
    return out;
}

TEST(PaletteTest, SetCopiesAtMost256Colours) {
    std::vector<uint8_t> rgb(300 * 3, 7);
    PaletteRecord p;
    p.Set(rgb, 300, "big");
    EXPECT_EQ(p.count(), 256u);
    EXPECT_EQ(p.name(), "big");
    p.Set(rgb, 3, std::string(40, 'n'));
    EXPECT_EQ(p.count(), 3u);
    EXPECT_EQ(p.name().size(), 31u);
    EXPECT_EQ(p.Colors()[9], 0);  // past the count: cleared
}

TEST(PaletteTest, AssignReadsQuadLayout) {
    PaletteRecord p;
    ASSERT_TRUE(p.Assign(Quad("table", 3, 3)));
    EXPECT_EQ(p.name(), "table");
    EXPECT_EQ(p.count(), 3u);
    EXPECT_EQ(p.Colors()[3], 1);
    EXPECT_EQ(p.Colors()[4], 2);
    EXPECT_EQ(p.Colors()[5], 254);
}

TEST(PaletteTest, AssignTakesCountsAbove256As256) {
    PaletteRecord p;
    ASSERT_TRUE(p.Assign(Quad("many", 1000, 256)));
    EXPECT_EQ(p.count(), 256u);
}

TEST(PaletteTest, AssignRefusesShortBytes) {
    testing::LogCapture log;
    PaletteRecord p;
    EXPECT_FALSE(p.Assign(std::vector<uint8_t>(33)));
    EXPECT_FALSE(p.Assign(Quad("short", 10, 9)));
    EXPECT_FALSE(p.Assign(Quad(std::string(32, 'n'), 1, 1)));  // the name has no NUL
    EXPECT_EQ(p.count(), 0u);
    EXPECT_EQ(log.lines().size(), 3u);
}

TEST(PaletteTest, LookupFindsNearestAndExact) {
    const uint8_t rgb[] = {
        0,   0, 0,    // 0 black
        250, 0, 250,  // 1 near magenta
        255, 0, 255,  // 2 magenta
        255, 0, 255,  // 3 magenta again
    };
    PaletteRecord p;
    p.Set(rgb, 4, "k");
    EXPECT_EQ(p.Lookup(0xFF00FF), 2u);  // exact wins over the close earlier entry
    EXPECT_EQ(p.Lookup(0xFB00FB), 1u);
    EXPECT_EQ(p.Lookup(0x000001), 0u);
    // Nothing below the starting distance: index 0.
    const uint8_t far[] = {0, 0, 0, 0, 0, 0};
    p.Set(far, 2, "far");
    EXPECT_EQ(p.Lookup(0xFFFFFF), 0u);
}

TEST(PaletteTest, TableKeysByTheNameInTheFileAndKeepsTheFirst) {
    PaletteTable table;
    ASSERT_TRUE(table.LoadQuad(Quad("wood", 2, 2)));
    auto other = Quad("wood", 3, 3);
    ASSERT_TRUE(table.LoadQuad(other));
    EXPECT_EQ(table.size(), 1u);
    ASSERT_NE(table.Find("wood"), nullptr);
    EXPECT_EQ(table.Find("wood")->count(), 2u);
    EXPECT_EQ(table.Find("stone"), nullptr);
    EXPECT_FALSE(table.LoadQuad({}));
}

}  // namespace
}  // namespace engine
