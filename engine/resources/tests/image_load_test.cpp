// How image resources are loaded from packed pictures, pack ranges and files.

#include "engine/resources/image_load.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/resources/hashes.h"
#include "pictures/palette.h"
#include "pictures/tests/log_capture.h"
#include "platform/tests/temp_dir.h"
#include "tools/pictures/picture_writers.h"
#include "tools/pictures/pps_writer.h"

namespace engine {
namespace {

using namespace engine::testing;
using namespace pictures;

ImageResourceInfo Info(uint32_t extensionId, uint32_t size, std::string path = {}) {
    ImageResourceInfo info;
    info.id = 7, info.key1 = 8, info.key2 = 9, info.extensionId = extensionId, info.size = size;
    info.path = std::move(path);
    return info;
}

TEST(ImageLoadTest, PackedPicturesPackRangesAndLooseFiles) {
    PaletteTable table;
    ASSERT_TRUE(table.LoadQuad(WriteQuad("felt", 2, Bytes(6, 0))));
    // Method 3, 2 x 1 pixels of the shared palette "felt".
    const uint32_t shared = kImageSharedPalette | kImagePaletted;
    const Bytes pps = WritePps({3, shared, 2, 1, 0xFF00FF, {}, 2, "felt", {{{0, 1}, 0}}});
    const Bytes bmp = Bmp(2, 1, 24, {255, 0, 255, 1, 2, 3, 0, 0});
    platform::testing::TempDir dir;
    dir.Write("Cloth.BMP", std::string(bmp.begin(), bmp.end()));
    const struct {
        ImageResourceInfo info;
        std::optional<Bytes> range;
        int result;
        const char* logged;
    } cases[] = {
        {Info(HashRS(".pps"), 0), pps, 1, nullptr},
        {Info(HashRS(".pps"), 0), std::nullopt, 0, nullptr},  // the reader logs
        {Info(HashRS(".pps"), 0), Bytes{'x'}, 0, ""},
        {Info(HashRS(".bmp"), 100), bmp, 1, nullptr},
        {Info(HashRS(".png"), 100), bmp, 0, "资源包图片7,8,9加载失败!"},
        {Info(0, 0, dir / "Cloth.BMP"), std::nullopt, 1, nullptr},  // by its lower-cased extension
        {Info(0, 0, dir / "Cloth.jpeg"), std::nullopt, 0, "Cloth.jpeg加载失败!"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        ImageRecord image;
        auto range = [&] { return c.range; };
        ASSERT_EQ(LoadImageResource(c.info, range, table, image), c.result) << &c - cases;
        EXPECT_TRUE(!c.logged || log.Contains(c.logged)) << &c - cases;
        if (!c.result) continue;
        EXPECT_EQ(image.id, 7u);
        EXPECT_EQ(image.width, 2);
        EXPECT_EQ(image.flags, c.info.extensionId == HashRS(".pps") ? shared : kImageKeyed);
        EXPECT_TRUE(c.info.extensionId != HashRS(".pps") ||
                    image.Palette() == table.Find("felt")->Colors());
    }
}

}  // namespace
}  // namespace engine
