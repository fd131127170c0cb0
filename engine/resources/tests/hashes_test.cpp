#include "engine/resources/hashes.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/resources/image_record.h"

namespace engine {
namespace {

// Independent oracles written straight from the rules, on signed bytes.
uint32_t OracleJS(const std::string& s) {
    uint32_t h = 1315423911u;
    for (unsigned char u : s) {
        int c = u >= 128 ? int(u) - 256 : int(u);
        h = h ^ ((h << 5) + (h >> 2) + uint32_t(c));
    }
    return h & 0x7FFFFFFF;
}

uint32_t OracleRS(const std::string& s) {
    uint64_t h = 0, a = 63689;
    for (unsigned char u : s) {
        int64_t c = u >= 128 ? int64_t(u) - 256 : int64_t(u);
        h = (h * a + uint64_t(c)) & 0xFFFFFFFF;
        a = (a * 378551) & 0xFFFFFFFF;
    }
    return uint32_t(h) & 0x7FFFFFFF;
}

TEST(HashesTest, KnownAnswers) {
    EXPECT_EQ(HashX31("a"), 97u);
    EXPECT_EQ(HashRS("a"), 97u);
    EXPECT_EQ(HashJS(""), 1315423911u);
    EXPECT_EQ(HashRS(""), 0u);
    EXPECT_EQ(HashX31(""), 0u);
    EXPECT_EQ(HashX31("ab"), 97u * 31 + 98);
    EXPECT_EQ(HashRS("ab"), (97u * (63689u * 378551u) + 98u) & 0x7FFFFFFF);
    // JS of "a": h ^ ((h << 5) + (h >> 2) + 97), masked.
    const uint32_t h = 1315423911u;
    EXPECT_EQ(HashJS("a"), (h ^ ((h << 5) + (h >> 2) + 97u)) & 0x7FFFFFFF);
}

TEST(HashesTest, MatchOraclesOnMixedText) {
    const std::string texts[] = {"TableCloth0.imge",
                                 ".imge",
                                 "x",
                                 std::string("\xC8\xB7\xB6\xA8"),
                                 std::string("a\xFF\x80z"),
                                 std::string(300, 'Q')};
    for (const std::string& t : texts) {
        SCOPED_TRACE(t);
        EXPECT_EQ(HashJS(t), OracleJS(t));
        EXPECT_EQ(HashRS(t), OracleRS(t));
    }
}

TEST(HashesTest, HighBytesCountAsNegative) {
    // 0xFF read signed is -1, so RS("\xFF") wraps to 0xFFFFFFFF and is masked.
    EXPECT_EQ(HashRS(std::string("\xFF")), 0x7FFFFFFFu);
    EXPECT_EQ(HashX31(std::string("\xFF")), 255u);
}

TEST(HashesTest, TypeIdsAreRsOfTheCategoryStrings) {
    EXPECT_EQ(kResourceTypeIds.image, OracleRS(".imge"));
    EXPECT_EQ(kResourceTypeIds.script, OracleRS(".script"));
    EXPECT_EQ(kResourceTypeIds.sound, OracleRS(".sound"));
    EXPECT_EQ(kResourceTypeIds.palette, OracleRS(".quad"));
    EXPECT_EQ(kResourceTypeIds.unknown, OracleRS(".unkown"));
    EXPECT_EQ(kResourceTypeIds.pps, OracleRS(".pps"));
    // Computed at run time, the same text gives the same id.
    std::string category = ".im";
    category += "ge";
    EXPECT_EQ(HashRS(category), kResourceTypeIds.image);
    // The six are distinct.
    const uint32_t ids[] = {kResourceTypeIds.image,   kResourceTypeIds.script,
                            kResourceTypeIds.sound,   kResourceTypeIds.palette,
                            kResourceTypeIds.unknown, kResourceTypeIds.pps};
    for (size_t i = 0; i < 6; ++i) {
        for (size_t j = i + 1; j < 6; ++j)
            EXPECT_NE(ids[i], ids[j]);
    }
}

TEST(HashesTest, ImageTypeToExtension) {
    for (const char* ext : {".pps", ".bmp", ".png", ".gif", ".jpg", ".ico", ".tga", ".tif", ".mng",
                            ".pcx", ".wbmp", ".wmf"}) {
        EXPECT_EQ(ImageTypeToExtension(HashRS(ext)), ext);
    }
    EXPECT_EQ(ImageTypeToExtension(HashRS(".jpeg")), "");
    EXPECT_EQ(ImageTypeToExtension(0), "");
}

}  // namespace
}  // namespace engine
