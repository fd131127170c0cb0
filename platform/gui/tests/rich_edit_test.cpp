#include "platform/gui/rich_edit.h"

#include <gtest/gtest.h>

#include "platform/gui/tests/gui_test_support.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

class LinkParent : public RecordingWnd {
  public:
    std::vector<ENLINK> links;

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<NMHDR*>(msg.lParam);
            if (hdr->code == EN_LINK) links.push_back(*reinterpret_cast<ENLINK*>(hdr));
            return 0;
        }
        return RecordingWnd::OnMessage(msg);
    }
};

class RichEditTest : public testing::Test {
  protected:
    RichEditTest() : display_(std::make_shared<HeadlessDisplay>(SIZE{800, 600})) {
        SetDisplay(display_);
        Pump();
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 300, 200}, nullptr, 0);
        edit_.Create(WS_VISIBLE | WS_VSCROLL | ES_READONLY, {0, 0, 300, 200}, &parent_, 1005);
        edit_.SetFont({.face = "宋体", .height = -12});
        Pump();
    }
    ~RichEditTest() override { Pump(); }

    // Appends `text` at the end and gives it `format` (the chat's way).
    void Append(std::string_view text, const CHARFORMAT& format) {
        const LONG length = LONG(SendMessage(edit_.GetSafeHwnd(), WM_GETTEXTLENGTH));
        edit_.SetSel(length, length);
        std::string copy(text);
        SendMessage(edit_.GetSafeHwnd(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(copy.c_str()));
        const LONG after = LONG(SendMessage(edit_.GetSafeHwnd(), WM_GETTEXTLENGTH));
        edit_.SetSel(length, after);
        SendMessage(edit_.GetSafeHwnd(), EM_SETCHARFORMAT, SCF_SELECTION,
                    reinterpret_cast<LPARAM>(&format));
        SendMessage(edit_.GetSafeHwnd(), EM_HIDESELECTION, 1);
    }
    CHARFORMAT Format(COLORREF color, LONG twips = 180, DWORD effects = 0,
                      std::string_view face = "宋体") {
        CHARFORMAT cf;
        SendMessage(edit_.GetSafeHwnd(), EM_GETCHARFORMAT, SCF_DEFAULT,
                    reinterpret_cast<LPARAM>(&cf));
        cf.dwMask = 0xE8000027;
        cf.dwEffects = effects;
        cf.crTextColor = color;
        cf.yHeight = twips;
        cf.SetFace(face);
        return cf;
    }
    int CountColour(COLORREF color) {
        const Surface screen = display_->Screen(parent_.GetSafeHwnd().value);
        int n = 0;
        for (int y = 0; y < screen.Height(); ++y) {
            for (int x = 0; x < screen.Width(); ++x)
                n += ColorOf(screen.At(x, y)) == color;
        }
        return n;
    }

    std::shared_ptr<HeadlessDisplay> display_;
    LinkParent parent_;
    CRichEditCtrl edit_;
};

TEST_F(RichEditTest, RunsKeepTheirFormats) {
    Append("red", Format(RGB(255, 0, 0)));
    Append("black", Format(0));
    EXPECT_EQ(SendMessage(edit_.GetSafeHwnd(), WM_GETTEXTLENGTH), 8);
    EXPECT_EQ(edit_.FormatAt(0).crTextColor, RGB(255, 0, 0));
    EXPECT_EQ(edit_.FormatAt(3).crTextColor, 0u);
    EXPECT_EQ(edit_.FormatAt(3).yHeight, 180);
    EXPECT_EQ(edit_.FormatAt(0).Face(), "宋体");
    Pump();
    EXPECT_GT(CountColour(RGB(255, 0, 0)), 5);
    EXPECT_EQ(edit_.GetTextRange(0, 100), "redblack");
}

TEST_F(RichEditTest, SizesAndEffectsChangeTheGlyphs) {
    Append("大", Format(RGB(0, 0, 200), 300, CFE_BOLD));
    Append("小", Format(RGB(0, 0, 200), 180));
    const CHARFORMAT big = edit_.FormatAt(0);
    EXPECT_EQ(big.yHeight, 300);
    EXPECT_TRUE(big.dwEffects & CFE_BOLD);
    EXPECT_FALSE(edit_.FormatAt(1).dwEffects & CFE_BOLD);
    EXPECT_EQ(edit_.GetLineCount(), 1);
    // A long face name is cut to 31 bytes without splitting a character.
    CHARFORMAT cf;
    cf.SetFace("一二三四五六七八九十一二三四五六七八");
    EXPECT_EQ(cf.Face().size(), 30u);
}

TEST_F(RichEditTest, PicturesTakeOnePositionAndCanReplaceASelection) {
    auto picture = std::make_shared<Surface>(20, 20);
    picture->Fill(PixelOf(RGB(0, 200, 0)));
    Append("hi", Format(0));
    // The selection is the text just added: the picture replaces it.
    edit_.InsertPicture(picture);
    EXPECT_EQ(edit_.Length(), 1u);
    EXPECT_TRUE(edit_.IsPicture(0));
    Append("", Format(0));  // an empty segment leaves an empty selection at the end
    edit_.InsertPicture(picture);
    EXPECT_EQ(edit_.Length(), 2u);
    EXPECT_EQ(edit_.GetTextRange(0, 2), "  ");
    Pump();
    EXPECT_GE(CountColour(RGB(0, 200, 0)), 2 * 20 * 20);
}

TEST_F(RichEditTest, TextWrapsBetweenCjkCharactersAndAtLatinBlanks) {
    std::string cjk;
    for (int i = 0; i < 50; ++i)
        cjk += "牌";
    Append(cjk, Format(0));
    const int perLine = (300 - 4 - 16 - 4 - 4) / 12;  // text width over 12-pixel characters
    EXPECT_EQ(edit_.GetLineCount(), (50 + perLine - 1) / perLine);

    SendMessage(edit_.GetSafeHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    std::string words;
    for (int i = 0; i < 20; ++i)
        words += "word ";
    Append(words, Format(0));
    EXPECT_GT(edit_.GetLineCount(), 1);
    Append("\r\nnext", Format(0));
    const int lines = edit_.GetLineCount();
    Append("\n", Format(0));
    EXPECT_EQ(edit_.GetLineCount(), lines + 1);
}

TEST_F(RichEditTest, ScrollingToTheBottomShowsTheLastLine) {
    for (int i = 0; i < 40; ++i)
        Append("行\r\n", Format(0));
    EXPECT_EQ(SendMessage(edit_.GetSafeHwnd(), EM_GETLINECOUNT), 41);
    EXPECT_EQ(edit_.GetFirstVisibleLine(), 0);
    SendMessage(edit_.GetSafeHwnd(), WM_VSCROLL, SB_BOTTOM);
    const int first = edit_.GetFirstVisibleLine();
    EXPECT_GT(first, 20);
    SendMessage(edit_.GetSafeHwnd(), EM_LINESCROLL, 0, -5);
    EXPECT_EQ(edit_.GetFirstVisibleLine(), first - 5);
    SendMessage(edit_.GetSafeHwnd(), WM_VSCROLL, SB_TOP);
    EXPECT_EQ(edit_.GetFirstVisibleLine(), 0);
}

TEST_F(RichEditTest, ReadOnlyRefusesTypingAndLinksNotify) {
    edit_.SetFocus();
    SendMessage(edit_.GetSafeHwnd(), WM_CHAR, 'x');
    EXPECT_EQ(edit_.Length(), 0u);
    Append("看", Format(0));
    Append("链接", Format(RGB(0, 0, 255), 180, CFE_LINK));
    Append("后", Format(0));
    Pump();
    // Without ENM_LINK nothing is reported.
    InputEvent e;
    e.window = parent_.GetSafeHwnd().value;
    e.kind = InputEvent::Kind::MouseDown;
    e.button = MouseButton::Left;
    e.point = {4 + 2 + 12 + 6, 8};
    display_->Inject(e);
    Pump();
    EXPECT_TRUE(parent_.links.empty());
    SendMessage(edit_.GetSafeHwnd(), EM_SETEVENTMASK, 0, ENM_LINK);
    display_->Inject(e);
    Pump();
    ASSERT_EQ(parent_.links.size(), 1u);
    EXPECT_EQ(parent_.links[0].msg, WM_LBUTTONDOWN);
    EXPECT_EQ(parent_.links[0].chrg.cpMin, 1);
    EXPECT_EQ(parent_.links[0].chrg.cpMax, 3);
}

}  // namespace
}  // namespace platform
