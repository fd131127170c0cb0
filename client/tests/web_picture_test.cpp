#include "client/web_picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "client/tests/ui_fixture.h"
#include "tools/assetgen/writers.h"

namespace client {
namespace {

using namespace platform;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WebPictureTest, PicturesAreKnownByTheirBytesBeforeTheirNames) {
    testing::UiFixture ui(false);
    Surface picture(3, 2);
    picture.Fill(PixelOf(RGB(10, 20, 30)));
    ASSERT_TRUE(assetgen::WriteBmp(ui.dir / "p.bmp", picture));
    ASSERT_TRUE(picture.SavePng(ui.dir / "p.png"));
    const auto bmp = ReadAll(ui.dir / "p.bmp"), png = ReadAll(ui.dir / "p.png");
    const std::vector<uint8_t> junk = {'n', 'o', 'p', 'e'};
    const struct {
        const std::vector<uint8_t>& bytes;
        std::string_view url;
        bool decodes;
    } cases[] = {
        {bmp, "http://h/a.bmp", true},    {bmp, "http://h/banner.png", true},  // the bytes say BMP
        {png, "http://h/get?id=3", true}, {junk, "http://h/a.bmp", false},
        {junk, "http://h/a", false},
    };
    for (const auto& c : cases) {
        const Surface got = DecodeWebPicture(c.bytes, c.url);
        EXPECT_EQ(!got.Empty(), c.decodes) << c.url;
        EXPECT_EQ(ColorOf(got.At(2, 1)), c.decodes ? RGB(10, 20, 30) : 0u) << c.url;
    }
}

}  // namespace
}  // namespace client
