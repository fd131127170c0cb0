#include "platform/gui/html_ctrl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/gui/static_control.h"
#include "platform/gui/tests/gui_test_support.h"

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

class HtmlCtrlTest : public testing::Test {
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

}  // namespace
}  // namespace platform
