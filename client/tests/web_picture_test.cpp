#include "client/web_picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "client/html_views.h"
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

// The client's page control keeps "app:" links, in any case, for the program.
class AppLinkProbe : public CHtmlCtrl {
  public:
    ~AppLinkProbe() override { Destroy(); }
    std::vector<std::string> links;

  protected:
    void OnAppLink(const std::string& link) override { links.push_back(link); }
};

TEST(HtmlViewsTest, AppLinksInAnyCaseReachOnAppLinkAndNavigateNowhere) {
    testing::UiFixture ui(false);
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 200, 100}, nullptr, 0));
    AppLinkProbe html;
    ASSERT_TRUE(html.Create(WS_VISIBLE, {0, 0, 200, 100}, &parent, 1));
    html.SetHtml("<body style=\"margin:0\"><a href=\"APP:Rules\" style=\"font-size:40px\">规则</a>",
                 "http://h/p.htm");
    testing::Pump();
    ui.Click(html, {10, 10});
    EXPECT_EQ(html.links, std::vector<std::string>{"Rules"});
    EXPECT_EQ(html.LocationUrl(), "http://h/p.htm");
}

}  // namespace
}  // namespace client
