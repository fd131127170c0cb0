#include "client/web_picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "client/tests/ui_fixture.h"
#include "platform/gui/html_ctrl.h"
#include "tools/assetgen/writers.h"
#include "tools/webserver/web_server.h"

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

// The advert page from the loopback web server, with its pictures.
TEST(WebPictureTest, TheAdvertPageShowsItsPictures) {
    testing::UiFixture ui(false);
    webserver::WebOptions options;
    options.fileRoot = testing::AssetDir() + "web";
    webserver::WebServer server(options);
    ASSERT_NE(server.Start(), 0);
    CWnd top;
    top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 240, 140}, nullptr, 0);
    CHtmlCtrl page;
    page.Create(WS_VISIBLE, {0, 0, 240, 140}, &top, 135);
    page.SetPictureDecoder(DecodeWebPicture);
    ASSERT_TRUE(page.Navigate("http://" + server.HostAndPort() + "/advert/window/7/jq.htm"));
    auto banner = [&] {
        testing::Pump();
        page.UpdateWindow();
        GetDisplay()->Flush();
        const Surface screen = ui.display->Screen(top.GetSafeHwnd().value);
        auto count = [&](COLORREF c) {
            return std::count(screen.Data(), screen.Data() + screen.Width() * screen.Height(),
                              PixelOf(c));
        };
        // The banner's three tiles (10 x 26 inside their frames, less a
        // disc each), and the dots of the background's tile.
        const bool shown = count(RGB(250, 245, 230)) >= 3 * 200 && count(RGB(240, 220, 180)) > 100;
        return shown ? std::optional(screen) : std::nullopt;
    };
    std::optional<Surface> screen;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(screen = banner()) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    ASSERT_TRUE(screen);
    EXPECT_TRUE(server.WaitForRequests(3, std::chrono::seconds(5)));
    EXPECT_EQ(server.Requests().size(), 3u);
}

}  // namespace
}  // namespace client
