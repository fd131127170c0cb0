#include "client/controls/chat_rich_edit.h"

#include <gtest/gtest.h>

#include "client/tests/ui_fixture.h"
#include "tools/assetgen/writers.h"

namespace client {
namespace {

using namespace platform;

class ChatRichEditTest : public ::testing::Test {
  protected:
    ChatRichEditTest() : ui_(false) {
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 300, 200}, nullptr, 0);
        chat_.Create(WS_VISIBLE | WS_VSCROLL, {0, 0, 300, 200}, &parent_, 1005);
        // As the chat pane sets it up.
        SendMessage(chat_.GetSafeHwnd(), EM_SETREADONLY, 1);
        chat_.SetMaxCharSize(300);
        chat_.SetDefaultFont();
        chat_.SetLinksAllowed(false);
        chat_.SetFaceFolder(ui_.dir.path() + "face\\");
        Surface face(20, 20);
        face.Fill(PixelOf(RGB(0, 180, 0)));
        for (int n : {5, 123})
            assetgen::WriteBmp(ui_.dir / ("face/" + std::to_string(n) + ".bmp"), face);
        assetgen::WriteText(ui_.dir / "face/6.bmp", "not a picture");
    }
    std::string Text() { return chat_.GetTextRange(0, chat_.Length()); }

    testing::UiFixture ui_;
    CWnd parent_;
    CChatRichEdit chat_;
};

// Each piece shows in the format its tag sets (the parser's cases are in
// chat_markup_test); face tags insert pictures where the selection is.
TEST_F(ChatRichEditTest, MarkupShowsInItsFormatsAndFacesAsPictures) {
    struct Look {
        size_t at;
        COLORREF color;
        LONG twips;
        std::string face;
        DWORD effects;
    };
    const struct {
        std::string markup;
        bool links;
        std::string text;  // pictures read as blanks
        std::vector<Look> looks;
        std::vector<size_t> faces = {};  // positions of pictures
    } cases[] = {
        {"<c=255>red<>black",
         false,
         "redblack",
         {{0, 255, 180, "宋体", 0}, {2, 255, 180, "宋体", 0}, {3, 0, 180, "宋体", 0}}},
        {"<e=b,f=Arial,s=99999>x",
         true,
         "x",
         {{0, 0, 300, "Arial", CFE_BOLD | CFE_ITALIC | CFE_LINK}}},
        {"<e=b,f=Arial,>x", false, "x", {{0, 0, 180, "Arial", CFE_BOLD | CFE_ITALIC}}},
        {" 我说: <c=8421440>a<b<>\r\n",
         false,
         " 我说: a<b\r\n",
         {{5, 0x808040, 180, "宋体", 0}, {6, 0, 180, "宋体", 0}, {8, 0, 180, "宋体", 0}}},
        {"<><z=5>", false, " ", {}, {0}},
        {"hi<z=5>", false, " ", {}, {0}},  // the picture takes the place of the text before
        {"a<><z=5>b", false, "a b", {}, {1}},
        {"<><z=1234>", false, " ", {}, {0}},  // face 123
        {"<><z=7>x", false, "x", {}},         // missing
        {"<><z=6>x", false, "x", {}},         // not a picture
    };
    for (const auto& c : cases) {
        SendMessage(chat_.GetSafeHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        chat_.SetLinksAllowed(c.links);
        chat_.AppendMarkup(c.markup);
        EXPECT_EQ(Text(), c.text) << c.markup;
        for (const Look& look : c.looks) {
            const CHARFORMAT cf = chat_.FormatAt(look.at);
            EXPECT_EQ(
                std::make_tuple(cf.crTextColor, cf.yHeight, cf.Face(),
                                cf.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_LINK)),
                std::make_tuple(look.color, look.twips, look.face, look.effects))
                << c.markup << " @" << look.at;
        }
        for (size_t i = 0; i < chat_.Length(); ++i)
            EXPECT_EQ(chat_.IsPicture(i), std::ranges::count(c.faces, i) > 0)
                << c.markup << " @" << i;
    }
}

TEST_F(ChatRichEditTest, TheHistoryKeepsItsLastParagraphsAndShowsTheBottom) {
    for (int i = 0; i < 600; ++i)
        chat_.AppendMarkup("line " + std::to_string(i) + "\r\n");
    EXPECT_LE(chat_.ParagraphCount(), kMaxChatParagraphs + 1);
    const std::string text = Text();
    EXPECT_EQ(text.find("line 0\r\n"), std::string::npos);
    EXPECT_NE(text.find("line 599\r\n"), std::string::npos);
    // At the bottom: scrolling there moves nothing.
    const int shown = chat_.GetFirstVisibleLine();
    EXPECT_GT(shown, 0);
    SendMessage(chat_.GetSafeHwnd(), WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(chat_.GetFirstVisibleLine(), shown);
}

}  // namespace
}  // namespace client
