#include "platform/gui/html_ctrl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/gui/static_control.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/tests/canned_http_peer.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

// Links of the "app:" scheme become actions instead of navigations.
class AppHtml : public CHtmlCtrl {
  public:
    std::vector<std::string> appLinks;
    std::vector<std::string> completed;

  protected:
    bool OnBeforeNavigate(const std::string& url) override {
        if (url.rfind("app:", 0) == 0) {
            appLinks.push_back(url.substr(4));
            return false;
        }
        return true;
    }
    void OnDocumentComplete(const std::string& url) override { completed.push_back(url); }
};

class HtmlCtrlTest : public ::testing::Test {
  protected:
    HtmlCtrlTest() : display_(std::make_shared<HeadlessDisplay>()) {
        SetDisplay(display_);
        Pump();
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 300, 200}, nullptr, 0);
        html_.Create(WS_VISIBLE, {0, 0, 300, 200}, &parent_, 135);
        Pump();
    }
    ~HtmlCtrlTest() override { Pump(); }

    int Count(COLORREF color) {
        const Surface screen = display_->Screen(parent_.GetSafeHwnd().value);
        int n = 0;
        for (int y = 0; y < screen.Height(); ++y) {
            for (int x = 0; x < screen.Width(); ++x)
                n += ColorOf(screen.At(x, y)) == color;
        }
        return n;
    }

    std::shared_ptr<HeadlessDisplay> display_;
    RecordingWnd parent_;
    AppHtml html_;
};

TEST_F(HtmlCtrlTest, PagesDrawTheirBackgroundsAndText) {
    html_.SetHtml(
        "<html><body style=\"background-color:#ff0000;margin:0\">"
        "<p style=\"color:#0000ff;font-size:20px\">你好 world</p></body></html>");
    Pump();
    EXPECT_GT(Count(RGB(255, 0, 0)), 300 * 100);
    // Anti-aliased glyphs: count the pixels that are mostly text colour.
    const Surface screen = display_->Screen(parent_.GetSafeHwnd().value);
    int blue = 0;
    for (int y = 0; y < screen.Height(); ++y) {
        for (int x = 0; x < screen.Width(); ++x)
            blue += GetBValue(ColorOf(screen.At(x, y))) > 160;
    }
    EXPECT_GT(blue, 40);
    EXPECT_EQ(html_.completed.size(), 1u);
}

TEST_F(HtmlCtrlTest, AppLinksBecomeActions) {
    html_.SetHtml(
        "<body style=\"margin:0\"><a href=\"app:hello\" "
        "style=\"font-size:30px\">点这里</a></body>");
    Pump();
    InputEvent e;
    e.window = parent_.GetSafeHwnd().value;
    e.button = MouseButton::Left;
    e.point = {10, 10};
    e.kind = InputEvent::Kind::MouseMove;
    display_->Inject(e);
    e.kind = InputEvent::Kind::MouseDown;
    display_->Inject(e);
    e.kind = InputEvent::Kind::MouseUp;
    display_->Inject(e);
    Pump();
    EXPECT_EQ(html_.appLinks, (std::vector<std::string>{"hello"}));
    EXPECT_EQ(display_->Cursor(), IDC_HAND);
}

TEST_F(HtmlCtrlTest, FilePagesInGbkLoadAndScroll) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "qevo_html_test.htm").string();
    {
        std::ofstream file(path, std::ios::binary);
        file << "<body>";
        for (int i = 0; i < 60; ++i)
            file << "<p>第" << i << "行</p>";
        file << "</body>";
    }
    ASSERT_TRUE(html_.Navigate("file://" + path));
    EXPECT_EQ(html_.LocationUrl(), "file://" + path);
    Pump();
    EXPECT_GT(Count(RGB(0, 0, 0)), 50);
    EXPECT_GT(html_.DocumentHeight(), 1000);
    html_.ScrollTo(100000);
    EXPECT_EQ(html_.ScrollY(), html_.DocumentHeight() - 200);
    std::remove(path.c_str());
    EXPECT_FALSE(html_.Navigate("file:///no/such/page.htm"));
    EXPECT_FALSE(html_.Navigate("gopher://x"));
}

TEST_F(HtmlCtrlTest, CreateFromStaticTakesThePlaceholdersPlace) {
    CStatic placeholder;
    placeholder.Create("", WS_VISIBLE, {5, 6, 105, 56}, &parent_, 136);
    CHtmlCtrl page;
    ASSERT_TRUE(page.CreateFromStatic(136, &parent_));
    EXPECT_EQ(page.GetRectInParent(), (RECT{5, 6, 105, 56}));
    EXPECT_EQ(parent_.GetDlgItem(136), &page);
    EXPECT_FALSE(IsWindow(placeholder.GetSafeHwnd()));
    CHtmlCtrl none;
    EXPECT_FALSE(none.CreateFromStatic(999, &parent_));
}

TEST(ResolveUrlTest, ReferencesBecomeAbsolute) {
    const struct {
        std::string_view base, reference, want;
    } cases[] = {
        {"http://h:8/a/b.htm?q=1", "c.bmp", "http://h:8/a/c.bmp"},
        {"http://h:8/a/b.htm", "/c.bmp", "http://h:8/c.bmp"},
        {"http://h:8", "c.bmp", "http://h:8/c.bmp"},
        {"http://h:8/a/", "//other/x.png", "http://other/x.png"},
        {"http://h:8/a/", "app:rules", "app:rules"},
        {"http://h:8/a/", "HTTPS://x/y", "HTTPS://x/y"},
        {"file:///tmp/p/page.htm", "pic.bmp", "file:///tmp/p/pic.bmp"},
        {"file:///tmp/p/page.htm", "/pic.bmp", "file:///pic.bmp"},
        {"", "pic.bmp", "pic.bmp"},
        {"http://h/a", "", "http://h/a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveUrl(c.base, c.reference), c.want) << c.base << " + " << c.reference;
}

// A picture format of the tests: "PIX", red, green, blue, alpha, width, height.
std::string Pix(COLORREF color, int alpha, int width, int height) {
    return std::string("PIX") + char(GetRValue(color)) + char(GetGValue(color)) +
           char(GetBValue(color)) + char(alpha) + char(width) + char(height);
}

Surface DecodePix(std::span<const uint8_t> bytes, std::string_view) {
    if (bytes.size() != 9 || bytes[0] != 'P') return {};
    Surface out(bytes[7], bytes[8]);
    out.Fill(uint32_t(bytes[6]) << 24 | uint32_t(bytes[3]) << 16 | uint32_t(bytes[4]) << 8 |
             bytes[5]);
    return out;
}

class HtmlPictureTest : public HtmlCtrlTest {
  protected:
    // Serves this thread's queue until `done` holds (bounded; never sleeps).
    template <class Done>
    bool PumpUntil(Done done) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done() && std::chrono::steady_clock::now() < giveUp) {
            Pump();
            std::this_thread::yield();
        }
        Pump();
        return done();
    }
    RECT Extent(COLORREF color) {
        const Surface screen = display_->Screen(parent_.GetSafeHwnd().value);
        RECT r{screen.Width(), screen.Height(), 0, 0};
        for (int y = 0; y < screen.Height(); ++y) {
            for (int x = 0; x < screen.Width(); ++x) {
                if (ColorOf(screen.At(x, y)) != color) continue;
                r = {std::min(int(r.left), x), std::min(int(r.top), y),
                     std::max(int(r.right), x + 1), std::max(int(r.bottom), y + 1)};
            }
        }
        return r;
    }
};

TEST_F(HtmlPictureTest, ImagesAndBackgroundsFromFilesAreDrawn) {
    const std::string folder = ::testing::TempDir();
    std::ofstream(folder + "green.pix", std::ios::binary) << Pix(RGB(0, 200, 0), 255, 20, 10);
    std::ofstream(folder + "tile.pix", std::ios::binary) << Pix(RGB(0, 0, 200), 255, 7, 5);
    std::ofstream(folder + "half.pix", std::ios::binary) << Pix(RGB(0, 0, 0), 128, 10, 10);
    html_.SetPictureDecoder(DecodePix);
    const std::string base = "file://" + folder + "page.htm";
    // Natural size, then stretched, then half transparent over white.
    html_.SetHtml(
        "<body style=\"margin:0\"><img src=\"green.pix\"><br>"
        "<img src=\"green.pix\" width=\"40\" height=\"30\"><br>"
        "<img src=\"half.pix\"><img src=\"missing.pix\" width=\"9\" height=\"9\"></body>",
        base);
    Pump();
    EXPECT_EQ(Count(RGB(0, 200, 0)), 20 * 10 + 40 * 30);
    EXPECT_EQ(Extent(RGB(0, 200, 0)).Width(), 40);
    EXPECT_EQ(Count(RGB(127, 127, 127)), 10 * 10);
    EXPECT_EQ(Count(RGB(0, 0, 0)), 0);  // a picture that is not there draws nothing
    // A repeated background covers the body; one that does not repeat, one tile.
    html_.SetHtml("<body style=\"margin:0;background:url(tile.pix)\"></body>", base);
    Pump();
    EXPECT_EQ(Count(RGB(0, 0, 200)), 300 * 200);
    html_.SetHtml(
        "<body style=\"margin:0\"><div style=\"width:100px;height:50px;"
        "background:url(tile.pix) no-repeat 10px 20px\"></div></body>",
        base);
    Pump();
    EXPECT_EQ(Extent(RGB(0, 0, 200)), (RECT{10, 20, 17, 25}));
    for (const char* name : {"green.pix", "tile.pix", "half.pix"})
        std::remove((folder + name).c_str());
}

TEST_F(HtmlPictureTest, PicturesOverHttpArriveLaterAndTakeTheirPlace) {
    const std::string pix = Pix(RGB(200, 0, 0), 255, 30, 20);
    testing::CannedHttpPeer web("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(pix.size()) +
                                "\r\n\r\n" + pix);
    const std::string page = "<body style=\"margin:0\"><img src=\"p.pix\"><p>text</p></body>";
    // Without a decoder nothing is fetched.
    html_.SetHtml(page, web.Url("/ad/page.htm"));
    Pump();
    EXPECT_EQ(web.requests(), 0);
    html_.SetPictureDecoder(DecodePix);
    html_.SetHtml(page, web.Url("/ad/page.htm"));
    const int before = html_.DocumentHeight();
    ASSERT_TRUE(PumpUntil([&] { return Count(RGB(200, 0, 0)) == 30 * 20; }));
    EXPECT_EQ(web.requests(), 1);
    EXPECT_GT(html_.DocumentHeight(), before);  // the text moved down
    // A page that moved is at its new address, which its references follow.
    testing::CannedHttpPeer moved("HTTP/1.1 302 Found\r\nLocation: " + web.Url("/b/p.htm") +
                                  "\r\nContent-Length: 0\r\n\r\n");
    ASSERT_TRUE(html_.Navigate(moved.Url("/a/p.htm")));
    EXPECT_TRUE(PumpUntil([&] { return html_.LocationUrl() == web.Url("/b/p.htm"); }));
}

TEST_F(HtmlPictureTest, StyleSheetsComeLaterAndAWebPageReadsNoLocalFile) {
    const std::string css = "body{background:#00c800}";
    testing::CannedHttpPeer web("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(css.size()) +
                                "\r\n\r\n" + css);
    const std::string local = ::testing::TempDir() + "local.pix";
    std::ofstream(local, std::ios::binary) << Pix(RGB(0, 0, 200), 255, 20, 10);
    html_.SetPictureDecoder(DecodePix);
    html_.SetHtml(
        "<link rel=\"stylesheet\" href=\"s.css\"><body style=\"margin:0\">"
        "<img src=\"file://" +
            local + "\"></body>",
        web.Url("/p.htm"));
    EXPECT_TRUE(PumpUntil([&] { return Count(RGB(0, 200, 0)) > 0; }));
    EXPECT_EQ(Count(RGB(0, 0, 200)), 0);
    std::remove(local.c_str());
    // A local page's sheet that imports itself is read a bounded number of times.
    const std::string loop = ::testing::TempDir() + "loop.css";
    std::ofstream(loop) << "@import \"loop.css\"; body{background:#0000c8}";
    html_.SetHtml("<link rel=stylesheet href=loop.css><body>", "file://" + loop);
    Pump();
    EXPECT_GT(Count(RGB(0, 0, 200)), 0);
    std::remove(loop.c_str());
}

TEST_F(HtmlPictureTest, AControlGoesWhileItsPicturesAreStillComing) {
    testing::CannedHttpPeer stalled("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nPIX", true);
    {
        CHtmlCtrl page;
        page.Create(WS_VISIBLE, {0, 0, 100, 100}, &parent_, 136);
        page.SetPictureDecoder(DecodePix);
        page.SetHtml("<img src=\"a.pix\"><img src=\"b.pix\">", stalled.Url("/"));
        ASSERT_TRUE(PumpUntil([&] { return stalled.requests() == 2; }));
    }  // the fetches are told to stop and are waited for
    Pump();
}

}  // namespace
}  // namespace platform
