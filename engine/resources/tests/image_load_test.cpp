#include "engine/resources/image_load.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/resources/hashes.h"
#include "engine/resources/palette.h"
#include "engine/resources/tests/log_capture.h"
#include "engine/resources/tests/picture_writers.h"
#include "tools/pps_writer.h"

namespace engine {
namespace {

using namespace engine::testing;
using tools::PpsSpec;
using tools::WritePps;

Bytes SmallBmp() {
    DibSpec s;
    s.width = 2;
    s.height = 1;
    s.bpp = 24;
    s.data = {255, 0, 255, 1, 2, 3, 0, 0};
    return WriteBmp(s);
}

ImageRangeReader Returning(std::optional<Bytes> bytes) {
    return [bytes] { return bytes; };
}

TEST(ImageLoadTest, PackedPictureWithSharedPalette) {
    PpsSpec spec;
    spec.method = 3;
    spec.flags = kImageSharedPalette | kImagePaletted;
    spec.width = 2;
    spec.height = 1;
    spec.colorCount = 2;
    spec.paletteName = "felt";
    spec.frames.push_back({{0, 1}, 0});
    Bytes quad;
    platform::ByteWriter w(quad);
    w.FixedString("felt", 32);
    w.U16(2);
    w.Zeros(6);
    PaletteTable table;
    ASSERT_TRUE(table.LoadQuad(quad));

    ImageResourceInfo info;
    info.id = 42;
    info.extensionId = HashRS(".pps");
    ImageRecord image;
    ASSERT_EQ(LoadImageResource(info, Returning(WritePps(spec)), table, image), 1);
    EXPECT_EQ(image.id, 42u);
    EXPECT_EQ(image.Palette(), table.Find("felt")->Colors());

    LogCapture log;
    EXPECT_EQ(LoadImageResource(info, Returning(std::nullopt), table, image), 0);
    EXPECT_EQ(LoadImageResource(info, Returning(Bytes{'x'}), table, image), 0);
}

TEST(ImageLoadTest, PackRangeDecodesByTheRegisteredExtension) {
    ImageResourceInfo info;
    info.id = 7;
    info.key1 = 8;
    info.key2 = 9;
    info.extensionId = HashRS(".bmp");
    info.size = 100;
    PaletteTable table;
    ImageRecord image;
    ASSERT_EQ(LoadImageResource(info, Returning(SmallBmp()), table, image), 1);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.flags, uint32_t(kImageKeyed));

    LogCapture log;
    info.extensionId = HashRS(".png");
    EXPECT_EQ(LoadImageResource(info, Returning(SmallBmp()), table, image), 0);
    EXPECT_TRUE(log.Contains("资源包图片7,8,9加载失败!"));
}

TEST(ImageLoadTest, LooseFileByItsLowerCasedExtension) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("qevo_load_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    Bytes bmp = SmallBmp();
    std::ofstream(dir / "Cloth.BMP", std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
    ImageResourceInfo info;
    info.path = (dir / "Cloth.BMP").string();
    PaletteTable table;
    ImageRecord image;
    EXPECT_EQ(LoadImageResource(info, Returning(std::nullopt), table, image), 1);
    EXPECT_EQ(image.width, 2);

    LogCapture log;
    info.path = (dir / "Cloth.jpeg").string();
    EXPECT_EQ(LoadImageResource(info, Returning(std::nullopt), table, image), 0);
    EXPECT_TRUE(log.Contains("Cloth.jpeg加载失败!"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace engine
