// The owner-drawn controls: busy bar, gradient, data list, skinned button,
// splitter, link static.

#include <gtest/gtest.h>

#include "client/controls/color_step_bar.h"
#include "client/controls/data_list_ctrl.h"
#include "client/controls/gradient_fill.h"
#include "client/controls/hyperlink_static.h"
#include "client/controls/skin_button.h"
#include "client/controls/skin_splitter.h"
#include "client/picture_file.h"
#include "client/tests/ui_fixture.h"
#include "platform/gui/sys_colors.h"

namespace client {
namespace {

using platform::COLORREF;
using platform::GetSysColor;
using testing::Pump;
using testing::UiFixture;

// A white top-level window that records its children's commands.
class Host : public platform::CWnd {
  public:
    Host() {
        SetClassBackground(0xFFFFFF);
        CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 300, 200}, nullptr, 0);
    }
    ~Host() override { Destroy(); }
    COLORREF At(int x, int y) const { return platform::ColorOf(BackBuffer()->At(x, y)); }
    std::vector<std::pair<int, int>> commands;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message == platform::WM_COMMAND)
            commands.emplace_back(platform::LOWORD(msg.wParam), platform::HIWORD(msg.wParam));
        return CWnd::OnMessage(msg);
    }
};

// The controls on a headless display with the generated assets.
class ControlsTest : public ::testing::Test {
  protected:
    UiFixture ui_;
    Host host_;
};

TEST_F(ControlsTest, ColorStepBarCellsShadeTowardsTheBackgroundAndRotate) {
    struct Case {
        COLORREF base, background;
        std::array<COLORREF, 6> cells;
    } cases[] = {
        {0x000000, 0xFFFFFF, {0xFFFFFF, 0xAAAAAA, 0x555555, 0x000000, 0x555555, 0xAAAAAA}},
        // Steps truncate towards zero; a channel stops at the background.
        {0x1A462E, 0x429473, {0x419473, 0x347A5C, 0x276045, 0x1A462E, 0x276045, 0x347A5C}},
        {0x102030, 0x102030, {0x102030, 0x102030, 0x102030, 0x102030, 0x102030, 0x102030}},
        // A step of 0 moves nothing.
        {0x000012, 0x000010, {0x000012, 0x000012, 0x000012, 0x000012, 0x000012, 0x000012}},
    };
    for (const Case& c : cases) {
        CColorStepBar bar;
        bar.SetColors(c.base, c.background);
        EXPECT_EQ(bar.Cells(), c.cells) << std::hex << c.base;
    }
    CColorStepBar bar;
    bar.SetColors(0, 0xFFFFFF);
    bar.Rotate();
    EXPECT_EQ(bar.Cells()[0], 0xAAAAAAu);  // forward: towards higher indexes
    EXPECT_EQ(bar.Cells()[4], 0x000000u);
    bar.SetForward(false);
    bar.Rotate();
    bar.Rotate();
    EXPECT_EQ(bar.Cells()[2], 0x000000u);
    // Six cells side by side, the last reaching the far edge.
    bar.Create("", platform::WS_VISIBLE, {0, 0, 62, 10}, &host_, 1008);
    bar.SetColors(0, 0xFFFFFF);
    Pump();
    EXPECT_EQ(host_.At(0, 5), 0xFFFFFFu);
    EXPECT_EQ(host_.At(30, 5), 0x000000u);  // cell 3 spans 30..39
    EXPECT_EQ(host_.At(61, 5), 0xAAAAAAu);  // cell 5 spans 50..61
}

TEST_F(ControlsTest, GradientFillBandsGoFromTheFirstEdgeAndOneColourFillsAll) {
    platform::Surface s(10, 100);
    platform::Painter p(s);
    CGradientFill fill;
    fill.SetColors({0x0000FF});
    fill.Draw(p, s.Bounds(), 64);
    EXPECT_EQ(platform::ColorOf(s.At(5, 99)), 0x0000FFu);
    // Text, text, back: the upper half plain, the lower half fading.
    fill.SetColors({0x000000, 0x000000, 0x0000C8});
    fill.SetDirection(CGradientFill::kFromTop);
    fill.Draw(p, s.Bounds(), 256);
    EXPECT_EQ(platform::ColorOf(s.At(5, 49)), 0u);
    EXPECT_EQ(platform::ColorOf(s.At(5, 75)), 0x000064u);
    EXPECT_EQ(platform::ColorOf(s.At(5, 99)), 0x0000C4u);  // band 49 of 50
    const auto bands = fill.BuildBands(100, 256);
    int total = 0;
    for (const auto& band : bands)
        total += band.width;
    EXPECT_EQ(total, 100);
    EXPECT_EQ(fill.BuildBands(100, 4).size(), 1u + 4u);  // at most `steps` a stretch
    fill.SetDirection(CGradientFill::kFromBottom);
    fill.Draw(p, s.Bounds(), 256);
    EXPECT_EQ(platform::ColorOf(s.At(5, 99)), 0u);
}

TEST_F(ControlsTest, DataListColumnsComeFromTheirTextAndFixedOnesRefuseTheDrag) {
    auto columns = ParseColumnSpec("用户名|0|80|积分|1|60|incomplete|2");
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[1].title, "积分");
    EXPECT_EQ(columns[1].format, 1);
    EXPECT_EQ(columns[1].width, 60);
    EXPECT_TRUE(ParseColumnSpec("").empty());

    CDataListCtrl list;
    ASSERT_TRUE(
        list.Create(platform::WS_VISIBLE | platform::LVS_REPORT, {0, 0, 300, 200}, &host_, 1));
    ASSERT_NE(list.FlatHeader(), nullptr);
    std::string spec;
    for (int i = 0; i < 341; ++i)
        spec += "C" + std::to_string(i) + "|0|40|";
    list.SetColumnSpec(spec);
    list.SetupColumns();
    EXPECT_EQ(list.GetColumnCount(), 341);
    EXPECT_EQ(list.FindColumn("c340"), 340);
    EXPECT_EQ(list.FindColumn("none"), -1);
    list.SetColumnFixed(340, true);  // past the old 256 flags
    EXPECT_TRUE(list.IsColumnFixed(340));
    EXPECT_FALSE(list.IsColumnFixed(0));
    platform::NMHEADER track;
    track.hdr = {list.GetHeaderCtrl()->GetSafeHwnd(), 0, platform::HDN_BEGINTRACKA};
    track.iItem = 340;
    EXPECT_EQ(platform::SendMessage(list.GetSafeHwnd(), platform::WM_NOTIFY, 0,
                                    reinterpret_cast<platform::LPARAM>(&track)),
              1);
    track.iItem = 0;
    EXPECT_EQ(platform::SendMessage(list.GetSafeHwnd(), platform::WM_NOTIFY, 0,
                                    reinterpret_cast<platform::LPARAM>(&track)),
              0);
    list.SetupColumns();
    EXPECT_FALSE(list.IsColumnFixed(340));
    list.InsertItem(0, "a");
    list.SetItemState(0, platform::LVIS_SELECTED, platform::LVIS_SELECTED);
    list.DeselectAll();
    EXPECT_EQ(list.GetItemState(0, platform::LVIS_SELECTED), 0u);
}

TEST_F(ControlsTest, SkinButtonChecksFocusHoverAndDisabledLooks) {
    CSkinButton check, push, next;
    ASSERT_TRUE(check.Create("", platform::WS_VISIBLE | platform::BS_AUTOCHECKBOX, {0, 0, 40, 30},
                             &host_, 1));
    ASSERT_TRUE(push.Create(
        "开始", platform::WS_VISIBLE | platform::WS_TABSTOP | platform::BS_DEFPUSHBUTTON,
        {50, 0, 110, 30}, &host_, 2));
    ASSERT_TRUE(next.Create("换桌", platform::WS_VISIBLE | platform::WS_TABSTOP, {120, 0, 180, 30},
                            &host_, 3));
    EXPECT_TRUE(check.IsCheckBox());
    EXPECT_TRUE(push.IsDefault());
    EXPECT_EQ(push.GetStyle() & platform::BS_TYPEMASK, platform::BS_OWNERDRAW);
    EXPECT_EQ(platform::SendMessage(push.GetSafeHwnd(), platform::WM_GETDLGCODE),
              platform::DLGC_DEFPUSHBUTTON);
    // A check box toggles on each click, and a double click is two presses.
    ui_.Click(check, {5, 5});
    EXPECT_EQ(platform::SendMessage(check.GetSafeHwnd(), platform::BM_GETCHECK), 1);
    ui_.Click(check, {5, 5});
    ui_.Click(check, {5, 5});
    EXPECT_EQ(check.GetCheck(), 1);
    EXPECT_EQ(host_.commands.size(), 3u);
    // Colours: a focused button that the pointer is not on shows colour 4.
    push.SetColor(CSkinButton::kBackFocus, 0x00FF00);
    push.SetColor(CSkinButton::kBackNormal, 0x0000FF);
    push.SetFocus();
    Pump();
    EXPECT_EQ(host_.At(52, 2), 0x00FF00u);
    EXPECT_EQ(host_.At(122, 2), GetSysColor(platform::COLOR_BTNFACE));
    // Disabled: the focus moves on and the caption is embossed.
    push.EnableWindow(false);
    Pump();
    EXPECT_EQ(platform::CWnd::GetFocus(), next.GetSafeHwnd());
    bool shadow = false, light = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 50; x < 110; ++x) {
            shadow = shadow || host_.At(x, y) == GetSysColor(platform::COLOR_3DSHADOW);
            light = light || host_.At(x, y) == GetSysColor(platform::COLOR_3DHILIGHT);
        }
    EXPECT_TRUE(shadow && light);
    // Icons: a grey copy keeps the shape, with each pixel's luminance.
    const platform::Icon icon = LoadIconResource(151);
    ASSERT_FALSE(icon.Empty());
    const platform::Icon gray = CSkinButton::CreateGrayIcon(icon);
    const uint32_t p = icon.pixels.At(16, 28), g = gray.pixels.At(16, 28);
    EXPECT_EQ(g >> 24, p >> 24);
    EXPECT_EQ(g & 0xFF, uint32_t(0.299 * (p >> 16 & 0xFF) + 0.587 * (p >> 8 & 0xFF) +
                                 0.114 * (p & 0xFF) + 0.5));
    EXPECT_EQ(next.SetIconResource(151, CSkinButton::kGrayCopy), 0);
    EXPECT_EQ(next.SetIconResource(4242), 1);
}

TEST_F(ControlsTest, SkinButtonOffsetColourKeepsEveryChannelInRange) {
    struct Case {
        COLORREF colour;
        int shade;
        int result;
        COLORREF after;
    } cases[] = {{0xFFFFFF, -255, 0, 0x000000}, {0x102030, 300, 5, 0x102030},
                 {0x102030, 10, 0, 0x1A2A3A},   {0x10F030, 100, 0, 0x1FFF3F},
                 {0x10F030, -100, 0, 0x00E020}, {0x10F030, 0, 0, 0x10F030}};
    for (const Case& c : cases) {
        CSkinButton button;
        button.SetColor(0, c.colour, false);
        EXPECT_EQ(button.OffsetColor(0, c.shade, false), c.result) << c.shade;
        EXPECT_EQ(button.GetColor(0), c.after) << std::hex << c.colour << " " << c.shade;
    }
    CSkinButton button;
    EXPECT_EQ(button.SetColor(6, 0), 3);
    EXPECT_EQ(button.OffsetColor(6, 1), 3);
}

TEST_F(ControlsTest, SkinSplitterSkinnedBarsAreCoveredByTheirPictureAndBordersGo) {
    CSkinSplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(&host_, 1, 2));
    splitter.MoveWindow(0, 0, 300, 200);
    splitter.SetColumnInfo(0, 100, 10);
    platform::CWnd left, right;
    left.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, {}, &splitter,
                  CSkinSplitterWnd::IdFromRowCol(0, 0));
    right.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, {}, &splitter,
                   CSkinSplitterWnd::IdFromRowCol(0, 1));
    splitter.RecalcLayout();
    const platform::RECT bar = splitter.ColumnBarRect(0);
    Pump();
    // Style 0: a 3-D border around each pane, over the bar's edges.
    EXPECT_EQ(host_.At(bar.left, 100), GetSysColor(platform::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(host_.At(bar.right - 1, 100), GetSysColor(platform::COLOR_BTNSHADOW));
    auto picture = std::make_shared<platform::Surface>(2, 3);
    picture->Fill(platform::PixelOf(0x0000FF));
    picture->Set(1, 0, platform::PixelOf(0x00FF00));
    splitter.SetDrawStyle(2);
    splitter.SetBarBitmaps(picture, nullptr);
    splitter.Invalidate();
    Pump();
    EXPECT_EQ(host_.At(bar.left, bar.top + 4), 0x0000FFu);
    EXPECT_EQ(host_.At(bar.left + 1, bar.top + 3), 0x00FF00u);  // repeated from the bar's corner
    // No picture: the standard bar, and still no border.
    splitter.SetBarBitmaps(nullptr, nullptr);
    Pump();
    EXPECT_EQ(host_.At(bar.left, 100), GetSysColor(platform::COLOR_BTNFACE));
    EXPECT_EQ(host_.At(bar.right - 1, 100), GetSysColor(platform::COLOR_BTNFACE));
}

TEST_F(ControlsTest, HyperLinkHoverColoursTheTextAndAClickReachesTheParent) {
    CHyperLinkStatic link;
    link.SetColours(0x000000, 0x000000, 0xFFFFFF);
    ASSERT_TRUE(link.Create("同意", platform::WS_VISIBLE, {10, 10, 60, 30}, &host_, 1017));
    EXPECT_EQ(link.URL(), "同意");
    EXPECT_EQ(link.TextColour(), 0x000000u);
    EXPECT_EQ(link.VisitedColour(), 0x000000u);
    ui_.Click(link, {5, 5});
    EXPECT_TRUE(link.PointerOver());
    EXPECT_EQ(link.TextColour(), 0xFFFFFFu);
    EXPECT_EQ(host_.commands,
              (std::vector<std::pair<int, int>>{{1017, int(platform::STN_CLICKED)}}));
    EXPECT_EQ(ui_.display->Cursor(), platform::IDC_HAND);
    // Leaving the control ends the hover.
    platform::PostMessage(link.GetSafeHwnd(), platform::WM_MOUSEMOVE, 0,
                          platform::MAKELPARAM(200, 5));
    Pump();
    EXPECT_FALSE(link.PointerOver());
    EXPECT_EQ(platform::CWnd::GetCapture(), platform::HWND{});
}

}  // namespace
}  // namespace client
