#include "platform/gui/rich_edit.h"

#include <gtest/gtest.h>

#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/url_detect.h"
#include "platform/process.h"

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
    static void AppendTo(CRichEditCtrl& edit, std::string_view text, const CHARFORMAT& format) {
        const LONG length = LONG(SendMessage(edit.GetSafeHwnd(), WM_GETTEXTLENGTH));
        edit.SetSel(length, length);
        std::string copy(text);
        SendMessage(edit.GetSafeHwnd(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(copy.c_str()));
        const LONG after = LONG(SendMessage(edit.GetSafeHwnd(), WM_GETTEXTLENGTH));
        edit.SetSel(length, after);
        SendMessage(edit.GetSafeHwnd(), EM_SETCHARFORMAT, SCF_SELECTION,
                    reinterpret_cast<LPARAM>(&format));
        SendMessage(edit.GetSafeHwnd(), EM_HIDESELECTION, 1);
    }
    void Append(std::string_view text, const CHARFORMAT& format) { AppendTo(edit_, text, format); }
    void Click(POINT at) {
        InputEvent e;
        e.window = parent_.GetSafeHwnd().value;
        e.kind = InputEvent::Kind::MouseDown;
        e.button = MouseButton::Left;
        e.point = at;
        display_->Inject(e);
        Pump();
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
    Click({4 + 2 + 12 + 6, 8});
    EXPECT_TRUE(parent_.links.empty());
    SendMessage(edit_.GetSafeHwnd(), EM_SETEVENTMASK, 0, ENM_LINK);
    Click({4 + 2 + 12 + 6, 8});
    ASSERT_EQ(parent_.links.size(), 1u);
    EXPECT_EQ(parent_.links[0].msg, WM_LBUTTONDOWN);
    EXPECT_EQ(parent_.links[0].chrg.cpMin, 1);
    EXPECT_EQ(parent_.links[0].chrg.cpMax, 3);
}

TEST(UrlDetectTest, FindsAddressesThatTheOpenerOpensAtWordStarts) {
    const struct {
        std::string_view text;
        std::vector<UrlRange> want;
    } cases[] = {
        {"see http://a.cn/x?y=1 now", {{4, 21}}},
        {"HTTPS://A.CN", {{0, 12}}},
        {"ftp://f.org/pub and www.qq.com.", {{20, 30}}},
        {"mailto:me@x.org, then", {}},
        {"(www.x.com)", {{1, 10}}},
        {"http://", {}},         // nothing after the prefix
        {"www...", {}},          // only punctuation after it
        {"xhttp://a.b", {}},     // not at a word start
        {"1www.a.b", {}},        // not at a word start
        {"-www.a.b", {{1, 8}}},  // punctuation starts a word
        {"http://a<b>", {{0, 8}}},
        {"http://a\x01"
         "b",
         {{0, 8}}},  // a character outside ASCII ends it
        {"www.a.b\"q", {{0, 7}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindUrls(c.text), c.want) << c.text;
        for (const UrlRange& r : FindUrls(c.text))
            EXPECT_TRUE(IsWebAddress(WebAddressOf(c.text.substr(r.begin, r.end - r.begin))));
    }
}

TEST_F(RichEditTest, FoundAddressesAreLinksThatOutliveTheDetection) {
    SendMessage(edit_.GetSafeHwnd(), EM_SETEVENTMASK, 0, ENM_LINK);
    SendMessage(edit_.GetSafeHwnd(), EM_AUTOURLDETECT, 1);
    Append("go www.qq.com，好", Format(0));
    // An address split over two appends is found whole.
    Append("\r\nhttp://a", Format(RGB(200, 0, 0)));
    Append(".cn/x 后", Format(0));
    SendMessage(edit_.GetSafeHwnd(), EM_AUTOURLDETECT, 0);
    Append("\r\nwww.no.com", Format(0));
    const std::string text = edit_.GetTextRange(0, edit_.Length());
    for (size_t i = 0; i < edit_.Length(); ++i) {
        const bool link = (i >= 3 && i < 13) || (i >= 16 && i < 29);
        EXPECT_EQ((edit_.FormatAt(i).dwEffects & CFE_LINK) != 0, link) << i;
    }
    // The format of the text is its own; the link only adds the effect.
    EXPECT_EQ(edit_.FormatAt(16).crTextColor, RGB(200, 0, 0));
    // A new format keeps the link.
    edit_.SetSel(3, 13);
    const CHARFORMAT bold = Format(0, 180, CFE_BOLD);
    SendMessage(edit_.GetSafeHwnd(), EM_SETCHARFORMAT, SCF_SELECTION,
                reinterpret_cast<LPARAM>(&bold));
    EXPECT_TRUE(edit_.FormatAt(5).dwEffects & CFE_LINK);
    EXPECT_TRUE(edit_.FormatAt(5).dwEffects & CFE_BOLD);
    Pump();
    EXPECT_GT(CountColour(RGB(0, 0, 255)), 20);  // found links show in the link colour
    Click({4 + 2 + 3 * 6 + 2, 8});
    ASSERT_EQ(parent_.links.size(), 1u);
    EXPECT_EQ(parent_.links[0].chrg.cpMin, 3);
    EXPECT_EQ(parent_.links[0].chrg.cpMax, 13);
    edit_.SetSel(parent_.links[0].chrg.cpMin, parent_.links[0].chrg.cpMax);
    EXPECT_EQ(edit_.GetSelText(), "www.qq.com");
}

TEST_F(RichEditTest, ClearDeletesTheSelectionUnlessReadOnly) {
    Append("第一行\r\nsecond", Format(0));
    edit_.SetSel(0, -1);
    SendMessage(edit_.GetSafeHwnd(), WM_CLEAR);
    EXPECT_EQ(edit_.Length(), 10u);  // the fixture's control is read-only
    SendMessage(edit_.GetSafeHwnd(), EM_SETREADONLY, 0);
    edit_.SetSel(1, 4);
    SendMessage(edit_.GetSafeHwnd(), WM_CLEAR);
    EXPECT_EQ(edit_.GetTextRange(0, 100), "第second");
    EXPECT_EQ(edit_.ParagraphCount(), 1u);
    edit_.SetSel(0, -1);
    SendMessage(edit_.GetSafeHwnd(), WM_CLEAR);
    EXPECT_EQ(edit_.Length(), 0u);
    EXPECT_EQ(edit_.GetLineCount(), 1);
}

TEST_F(RichEditTest, LeadingParagraphsGoAndTheRestKeepsItsPlace) {
    for (int i = 0; i < 30; ++i)
        Append("行" + std::to_string(i) + "\r\n", Format(0));
    EXPECT_EQ(edit_.ParagraphCount(), 31u);
    SendMessage(edit_.GetSafeHwnd(), WM_VSCROLL, SB_BOTTOM);
    const int first = edit_.GetFirstVisibleLine();
    edit_.SetSel(LONG(edit_.Length()) - 4, LONG(edit_.Length()) - 1);
    edit_.RemoveLeadingParagraphs(10);
    EXPECT_EQ(edit_.ParagraphCount(), 21u);
    EXPECT_EQ(edit_.GetTextRange(0, 4), "行10\r\n");
    EXPECT_EQ(edit_.GetFirstVisibleLine(), first - 10);  // the same lines stay in view
    EXPECT_EQ(edit_.GetSelText(), "行29");
    edit_.RemoveLeadingParagraphs(100);
    EXPECT_EQ(edit_.Length(), 0u);
    EXPECT_EQ(edit_.ParagraphCount(), 1u);
    EXPECT_EQ(edit_.GetLineCount(), 1);
}

// A history built append by append, laid out after each one, must look
// exactly like the same history laid out once.
TEST_F(RichEditTest, IncrementalLayoutDrawsWhatAFullLayoutDraws) {
    struct Pane {
        LinkParent parent;
        CRichEditCtrl edit;
        explicit Pane(int x) {
            parent.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {x, 0, x + 300, 200}, nullptr, 0);
            edit.Create(WS_VISIBLE | WS_VSCROLL | ES_READONLY, {0, 0, 300, 200}, &parent, 1);
            edit.SetFont({.face = "宋体", .height = -12});
        }
    };
    Pane stepwise(0), whole(310), rest(620);
    auto picture = std::make_shared<Surface>(24, 30);
    picture->Fill(PixelOf(RGB(0, 150, 0)));
    auto line = [&](CRichEditCtrl& edit, int i) {
        // The stepwise pane lays out after every piece, mid-paragraph too.
        auto add = [&](std::string_view text, const CHARFORMAT& format) {
            AppendTo(edit, text, format);
            if (&edit == &stepwise.edit) edit.GetLineCount();
        };
        const LONG twips[] = {180, 300, 240};
        add("第" + std::to_string(i) + "行 ",
            Format(RGB(i * 40 % 256, 0, 0), twips[i % 3], i % 2 ? CFE_BOLD : 0));
        add(i % 4 ? "words that wrap around the edge of the pane " : "短",
            Format(0, 180, i % 5 ? 0 : CFE_ITALIC));
        if (i % 7 == 0) {
            add("", Format(0));
            edit.InsertPicture(picture);
        }
        add("\r\n", Format(0));
    };
    auto screen = [&](Pane& pane) {
        SendMessage(pane.edit.GetSafeHwnd(), WM_VSCROLL, SB_BOTTOM);
        pane.edit.Invalidate();
        Pump();
        return display_->Screen(pane.parent.GetSafeHwnd().value);
    };
    for (int i = 0; i < 60; ++i) {
        line(stepwise.edit, i);
        if (i % 9 == 0) Pump();  // and paints now and then
        line(whole.edit, i);
    }
    EXPECT_EQ(stepwise.edit.GetLineCount(), whole.edit.GetLineCount());
    const Surface a = screen(stepwise), b = screen(whole);
    EXPECT_TRUE(a == b);
    EXPECT_GT(std::count(a.Data(), a.Data() + a.Width() * a.Height(), PixelOf(RGB(0, 150, 0))),
              24 * 30 - 1);
    // Dropping the first 20 paragraphs leaves what 40 appends make.
    stepwise.edit.RemoveLeadingParagraphs(20);
    for (int i = 20; i < 60; ++i)
        line(rest.edit, i);
    EXPECT_EQ(stepwise.edit.GetLineCount(), rest.edit.GetLineCount());
    EXPECT_TRUE(screen(stepwise) == screen(rest));
    SendMessage(stepwise.edit.GetSafeHwnd(), WM_VSCROLL, SB_TOP);
    SendMessage(rest.edit.GetSafeHwnd(), WM_VSCROLL, SB_TOP);
    Pump();
    EXPECT_TRUE(display_->Screen(stepwise.parent.GetSafeHwnd().value) ==
                display_->Screen(rest.parent.GetSafeHwnd().value));
}

}  // namespace
}  // namespace platform
