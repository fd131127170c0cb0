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

struct Look {
    size_t at;
    COLORREF color;
    LONG twips;
    std::string face;
    DWORD effects;
};

TEST_F(ChatRichEditTest, MarkupShowsInTheFormatsItsTagsSet) {
    const DWORD bil = CFE_BOLD | CFE_ITALIC | CFE_LINK;
    const struct {
        std::string markup;
        bool links;
        std::string text;
        std::vector<Look> looks;
    } cases[] = {
        {"<c=255>red<>black",
         false,
         "redblack",
         {{0, 255, 180, "宋体", 0}, {2, 255, 180, "宋体", 0}, {3, 0, 180, "宋体", 0}}},
        {"plain <s=99999>big",
         false,
         "plain big",
         {{0, 0, 180, "宋体", 0}, {6, 0, 300, "宋体", 0}}},
        {"<e=b,f=Arial,>x", true, "x", {{0, 0, 180, "Arial", bil}}},
        {"<e=b,f=Arial,>x", false, "x", {{0, 0, 180, "Arial", CFE_BOLD | CFE_ITALIC}}},
        {"<f=Arial>x", false, "x", {{0, 0, 180, "", 0}}},
        {"a<b", false, "a<b", {{1, 0, 180, "宋体", 0}}},
        {" 我说: <c=8421440>hi<>\r\n",
         false,
         " 我说: hi\r\n",
         {{5, 0x808040, 180, "宋体", 0}, {7, 0, 180, "宋体", 0}}},
    };
    for (const auto& c : cases) {
        SendMessage(chat_.GetSafeHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        chat_.SetLinksAllowed(c.links);
        chat_.AppendMarkup(c.markup);
        EXPECT_EQ(Text(), c.text) << c.markup;
        for (const Look& look : c.looks) {
            const CHARFORMAT cf = chat_.FormatAt(look.at);
            EXPECT_EQ(cf.crTextColor, look.color) << c.markup << " @" << look.at;
            EXPECT_EQ(cf.yHeight, look.twips) << c.markup << " @" << look.at;
            EXPECT_EQ(cf.Face(), look.face) << c.markup << " @" << look.at;
            EXPECT_EQ(cf.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_LINK),
                      look.effects)
                << c.markup << " @" << look.at;
        }
    }
}

TEST_F(ChatRichEditTest, FaceTagsInsertPicturesWhereTheSelectionIs) {
    const struct {
        std::string markup;
        std::string text;           // pictures read as blanks
        std::vector<size_t> faces;  // positions of pictures
    } cases[] = {
        {"<><z=5>", " ", {0}},
        {"hi<z=5>", " ", {0}},  // the picture takes the place of the text before
        {"a<><z=5>b", "a b", {1}},
        {"<><z=1234>", " ", {0}},  // face 123
        {"<><z=7>x", "x", {}},     // missing
        {"<><z=6>x", "x", {}},     // not a picture
        {"<><z=-5>x", "x", {}},
    };
    for (const auto& c : cases) {
        SendMessage(chat_.GetSafeHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        chat_.AppendMarkup(c.markup);
        EXPECT_EQ(Text(), c.text) << c.markup;
        for (size_t i = 0; i < chat_.Length(); ++i) {
            const bool face = std::find(c.faces.begin(), c.faces.end(), i) != c.faces.end();
            EXPECT_EQ(chat_.IsPicture(i), face) << c.markup << " @" << i;
        }
    }
}

TEST_F(ChatRichEditTest, TheViewFollowsTheLastLineAndTheHistoryIsCapped) {
    for (int i = 0; i < 40; ++i)
        chat_.AppendMarkup(" line " + std::to_string(i) + "\n");
    EXPECT_GT(chat_.GetFirstVisibleLine(), 20);
    for (int i = 40; i < 700; ++i) {
        chat_.AppendMarkup(" line " + std::to_string(i) + "\n");
        ASSERT_LE(chat_.ParagraphCount(), kMaxChatParagraphs) << i;
    }
    // Past 500 paragraphs, 375 stay: at lines 500 and 626, so 700 lines leave 374 + 74
    // and the empty paragraph after the last line.
    EXPECT_EQ(chat_.ParagraphCount(), 449u);
    const std::string text = Text();
    EXPECT_EQ(text.substr(text.size() - 11), " line 699\r\n");
    EXPECT_EQ(text.find(" line 0\r\n"), std::string::npos);
    // Clearing as the chat pane does it.
    SendMessage(chat_.GetSafeHwnd(), EM_SETREADONLY, 0);
    chat_.SetSel(0, -1);
    SendMessage(chat_.GetSafeHwnd(), WM_CLEAR);
    SendMessage(chat_.GetSafeHwnd(), EM_SETREADONLY, 1);
    EXPECT_EQ(chat_.Length(), 0u);
}

TEST_F(ChatRichEditTest, AddressesBecomeLinksWhileDetectionIsOn) {
    chat_.SetAutoUrlDetect(true);
    chat_.AppendMarkup("<c=255,e=b,s=300>公告：<>见 www.qq.com\r\n");
    chat_.SetAutoUrlDetect(false);
    chat_.AppendMarkup(" 玩家说: <c=8421440>www.evil.com<>\r\n");
    const size_t first = 5, second = chat_.Length() - 13;
    EXPECT_EQ(chat_.GetTextRange(first, first + 10), "www.qq.com");
    EXPECT_EQ(chat_.GetTextRange(second, second + 12), "www.evil.com");
    EXPECT_TRUE(chat_.FormatAt(first).dwEffects & CFE_LINK);
    EXPECT_FALSE(chat_.FormatAt(second).dwEffects & CFE_LINK);
}

}  // namespace
}  // namespace client
