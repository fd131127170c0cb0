// The panes of the main frame: the chat pane and the player list (the web
// panes show in the frame and golden tests).
#include <gtest/gtest.h>

#include <filesystem>

#include "client/controls/icon_menu.h"
#include "client/tests/frame_fixture.h"
#include "platform/bytes.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "platform/gui/wait_cursor.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace client {
namespace {

using testing::FrameFixture;
using testing::Pump;

// ---- Chat ----

class ChatTest : public FrameFixture {
  protected:
    CGameChatView& Chat() { return *frame_->GetChatView(); }
    // A key in the input line, through the frame's dialog keys.
    void Key(int vk) {
        platform::Message msg;
        msg.hwnd = Chat().InputBox().GetEditCtrl().GetSafeHwnd();
        msg.message = platform::WM_KEYDOWN;
        msg.wParam = platform::WPARAM(vk);
        if (!frame_->PreTranslateMessage(msg)) platform::DispatchMessage(msg);
        Pump();
    }
    // The words of the next chat request.
    std::string Sent() {
        while (auto r = server_.WaitForRequest(testing::kWait))
            if (r->id == 201210) return std::string(reinterpret_cast<const char*>(&r->data[48]));
        return {};
    }
    size_t Find(const std::string& text) { return ChatText().find(text); }
    // Characters (positions) in GBK text; "\r\n" is one.
    static size_t Chars(const std::string& text) {
        size_t n = 0;
        for (size_t i = 0; i < text.size(); ++n)
            i += text.compare(i, 2, "\r\n") == 0 ? 2 : platform::GbkCharLength(text, i);
        return n;
    }
};

TEST_F(ChatTest, EnterSendsCutWordsAtMostEveryTwoSeconds) {
    ASSERT_TRUE(StartAndEnter());
    std::string words;
    for (int i = 0; i < 31; ++i)
        words += "字";  // 62 bytes: a cut at 61 would split the last one
    Chat().InputBox().SetWindowText(words);
    Key(platform::VK_RETURN);
    const std::string cut = words.substr(0, 60);
    EXPECT_EQ(Sent(), cut);
    EXPECT_EQ(Chat().InputBox().GetWindowText(), "");
    EXPECT_EQ(Chat().InputBox().GetLBText(0), cut);
    // Echoed in the words' colour.
    const size_t at = Find(" 我说: " + cut);
    ASSERT_NE(at, std::string::npos);
    const size_t start = Chars(ChatText().substr(0, at)) + 5;
    EXPECT_EQ(Chat().ChatText().FormatAt(start).crTextColor, CGameChatView::kWordsColor);
    // Too soon: the words stay; two seconds later they go, and nothing before them.
    Chat().InputBox().SetWindowText("again");
    Key(platform::VK_RETURN);
    EXPECT_EQ(Chat().InputBox().GetWindowText(), "again");
    clock_.AdvanceMillis(2000);
    Key(platform::VK_RETURN);
    EXPECT_EQ(Sent(), "again");
}

TEST_F(ChatTest, ReceivedWordsShowByTheSendersFlag) {
    ASSERT_TRUE(StartAndEnter());
    app_->FindPlayerMutable(1000)->flags = 0x1000;
    std::vector<uint8_t> payload = testing::ChatWordsPayload(1000, "hi\r\nyou");
    frame_->ChatWords(payload);
    const size_t at = Find("说: hiyou");  // no line of its own
    ASSERT_NE(at, std::string::npos) << ChatText();
    const platform::CHARFORMAT red = Chat().ChatText().FormatAt(Chat().ChatText().Length() - 2);
    EXPECT_EQ(red.crTextColor, 255u);
    EXPECT_TRUE(red.dwEffects & platform::CFE_BOLD);
    EXPECT_EQ(red.yHeight, 300);
    // A peer's long words are cut; long notices hold the history's length.
    payload.resize(48);
    payload.resize(48 + 1000, 'w');
    frame_->ChatWords(payload);
    EXPECT_NE(Find(std::string(CGameChatView::kMaxReceivedWordsBytes, 'w') + "\r\n"),
              std::string::npos);
    EXPECT_EQ(Find(std::string(CGameChatView::kMaxReceivedWordsBytes + 1, 'w')), std::string::npos);
    for (int i = 0; i < 3; ++i)
        Chat().AppendSystemText(std::string(kMaxChatChars / 2, 'n') + "\n");
    EXPECT_LE(Chat().ChatText().Length(), kMaxChatChars);
    EXPECT_GT(Chat().ChatText().Length(), kMaxChatChars / 2);
}

TEST_F(ChatTest, EscapeOpensTheFacesAboveTheFaceButtonAndAFaceIsSent) {
    ASSERT_TRUE(StartAndEnter());
    Key(platform::VK_ESCAPE);
    CFacePickerWnd* picker = Chat().FacePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->IsWindowVisible());
    const platform::RECT button = Chat().FaceButton().GetWindowRect();
    const platform::RECT faces = picker->GetWindowRect();
    EXPECT_EQ(faces.right, button.right);
    EXPECT_EQ(faces.bottom, button.top);
    ASSERT_GT(picker->FaceCount(), 0);
    const size_t before = Chat().ChatText().Length();
    platform::SendMessage(picker->GetSafeHwnd(), platform::WM_COMMAND, picker->FaceNumber(0));
    EXPECT_EQ(Sent(), "<><z=" + std::to_string(picker->FaceNumber(0)) + ">");
    EXPECT_TRUE(Chat().ChatText().IsPicture(before + 4));  // after " 我说："
    // With the face button hidden the input takes the whole width.
    Chat().ShowFaceButton(false);
    EXPECT_EQ(Chat().InputBox().GetRectInParent().Width(), Chat().GetClientRect().right);
}

TEST_F(ChatTest, ALinkClickOpensItsAddressAndClearingEmptiesTheChat) {
    ASSERT_TRUE(Start());  // not entered: the chat is empty
    Chat().AppendSystemText("http://x.example/a <c=255>notice");
    Pump();
    ui_.Click(Chat().ChatText(), {6, 6});
    EXPECT_EQ(app_->opened, std::vector<std::string>{"http://x.example/a"});
    // The opener's wait cursor lasts until the frame hears from its worker.
    app_->CGameApp::OpenUrl("nothing:to-open");
    EXPECT_EQ(platform::WaitCursorCount(), 1);
    EXPECT_TRUE(PumpUntil([] { return platform::WaitCursorCount() == 0; }));
    platform::SendMessage(Chat().GetSafeHwnd(), kMsgClearChat);
    EXPECT_EQ(Chat().ChatText().Length(), 0u);
    // The pane's phrases: lines trimmed, empty ones kept, a long one going
    // on in further entries cut between characters.
    const std::string a(1022, 'a');
    ui_.dir.Write("phrases.txt", "  hello  \r\n\r\nbye\n" + a + "字字");
    Chat().LoadPhrases(ui_.dir / "phrases.txt");
    EXPECT_EQ(Chat().InputBox().GetCount(), 5);
    EXPECT_EQ(Chat().InputBox().GetLBText(0), "hello");
    EXPECT_EQ(Chat().InputBox().GetLBText(2), "bye");
    EXPECT_EQ(Chat().InputBox().GetLBText(3), a);
    EXPECT_EQ(Chat().InputBox().GetLBText(4), "字字");
}

// ---- Player list ----

class PlayerListTest : public FrameFixture {
  protected:
    CGamePlayerView& Players() { return *frame_->GetPlayerView(); }
    std::string Cell(uint32_t id, const char* column) {
        const int row = Players().RowOf(id);
        return Players().List().GetItemText(row, Players().List().FindColumn(column));
    }
};

TEST_F(PlayerListTest, RowsAreFoundByUserIdWhateverTheirPlaces) {
    ASSERT_TRUE(StartAndEnter());
    EXPECT_EQ(Cell(2000, "旁观对象"), "user1000");
    EXPECT_EQ(Cell(1002, "旁观对象"), "");
    // The first seat's row goes; its record is zeroed, as is one with no row.
    PlayerRecord& first = *app_->FindPlayerMutable(1000);
    Players().RemovePlayer(first);
    EXPECT_EQ(first.userId, 0u);
    PlayerRecord stray = testing::MakePlayer(999, 0);
    Players().RemovePlayer(stray);
    EXPECT_EQ(stray.userName, "");
    EXPECT_EQ(Players().RowOf(1000), -1);
    // A game result for four seats: seat i's values land in its own row.
    std::vector<uint8_t> result(4 * 120);
    platform::StoreLE32(&result[8], 4);
    for (uint32_t i = 0; i < 4; ++i) {
        platform::StoreLE32(&result[4 * (40 + i)], 10 * i);
        platform::StoreLE32(&result[4 * (72 + i)], 1);
        platform::StoreLE32(&result[4 * (48 + i)], 100 * i);
        platform::StoreLE32(&result[4 * (80 + i)], 5);
        result[4 * (104 + 4 * i)] = uint8_t('A' + i);
    }
    // Seat 2's title fills its 16 bytes: the 15 kept end between characters.
    const std::string wide = "一二三四五六七八";
    std::copy(wide.begin(), wide.end(), &result[4 * (104 + 8)]);
    Players().ApplyScoreChanges(result);
    EXPECT_EQ(Cell(101, "积分"), "11");
    EXPECT_EQ(Cell(101, "银子"), "105");
    EXPECT_EQ(Cell(1003, "级别"), "D");
    EXPECT_EQ(Cell(1002, "级别"), "一二三四五六七");
    EXPECT_EQ(app_->FindPlayer(1003)->score, 31);
    // Player values in the server's order, one of them for nobody here.
    app_->GetNotifyHandler()->Dispatch(kNotePlayerValues,
                                       testing::PlayerValues({1003, 4242, 1002}));
    EXPECT_EQ(Cell(1003, "积分"), "1503");
    EXPECT_EQ(Cell(1002, "积分"), "1502");
}

TEST_F(PlayerListTest, TheOwnRowIsBoldAndRelationsTakeTheirColours) {
    // A hall of its own, whose file for the own user names a friend colour.
    ui_.dir.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + (ui_.dir / "hall/GameHall.exe") + "\r\n");
    std::filesystem::create_directories(ui_.dir / "hall/temp");
    ui_.dir.Write("hall/temp/101.dat", "[PLAYER]\r\nFriendColor=255\r\n");
    ASSERT_TRUE(StartAndEnter());
    app_->FindPlayerMutable(1000)->friendFlag = 1;
    app_->FindPlayerMutable(1002)->knownFlag = 1;
    app_->FindPlayerMutable(1003)->unwelcomeFlag = 1;
    struct Case {
        uint32_t id;
        bool colouring;
        platform::LRESULT answer;
        platform::COLORREF text;
        int weight;
    } cases[] = {
        {101, true, platform::CDRF_NEWFONT, 0, 700},
        {1000, true, platform::CDRF_DODEFAULT, 255, 400},
        {1002, true, platform::CDRF_DODEFAULT, CGamePlayerView::kKnowColor, 400},
        {1003, true, platform::CDRF_DODEFAULT, CGamePlayerView::kUnwelcomeColor, 400},
        {1000, false, platform::CDRF_DODEFAULT, 0, 400},
    };
    auto check = [&](const Case& c) {
        platform::Surface scratch(4, 4);
        platform::Painter p(scratch);
        p.SelectFont(platform::DefaultGuiFont());
        platform::NMLVCUSTOMDRAW draw;
        draw.nmcd.hdr = {Players().List().GetSafeHwnd(), 1, platform::NM_CUSTOMDRAW};
        draw.nmcd.dwDrawStage = platform::CDDS_ITEMPREPAINT | platform::CDDS_SUBITEM;
        draw.nmcd.hdc = &p;
        draw.nmcd.lItemlParam = c.id;
        draw.clrText = 0;
        EXPECT_EQ(platform::SendMessage(Players().GetSafeHwnd(), platform::WM_NOTIFY, 1,
                                        reinterpret_cast<platform::LPARAM>(&draw.nmcd.hdr)),
                  c.answer)
            << c.id;
        EXPECT_EQ(draw.clrText, c.text) << c.id;
        EXPECT_EQ(p.CurrentFont().Spec().weight, c.weight) << c.id;
    };
    for (const Case& c : cases) {
        Players().SetRelationColouring(c.colouring);
        check(c);
    }
    // A later table state (1000 a friend in it) rebuilds the list and keeps the colouring.
    Players().SetRelationColouring(true);
    hall_->TableState().seated[0].friendFlag = 1;
    ASSERT_TRUE(WhileHallSends([&] { return hall_->SendTableState(); }));
    Pump();
    check(cases[1]);
}

// A player list that looks into its menu just before it goes up, and
// closes it once it is.
class ProbePlayers : public CGamePlayerView {
  public:
    ~ProbePlayers() override { Destroy(); }
    uint32_t asked = 0;
    std::vector<std::string> items;
    bool callGreyed = true;
    bool helloIcon = false;

  protected:
    void AdjustContextMenu(CIconMenu& menu, uint32_t userId) override {
        asked = userId;
        for (int i = 0; i < menu.GetMenuItemCount(); ++i)
            if (menu.GetMenuItemID(i))
                items.push_back(menu.GetItemText(i, platform::MF_BYPOSITION));
        callGreyed = menu.GetMenuState(kCmdCall, platform::MF_BYCOMMAND) & platform::MF_GRAYED;
        helloIcon = menu.HasIcon(kCmdHello);
        platform::PostMessage(GetSafeHwnd(), platform::WM_KEYDOWN, platform::VK_ESCAPE);
    }
};

class ProbeFrame : public CMJGameFrameWnd {
  protected:
    std::unique_ptr<CGamePlayerView> MakePlayerPane() override {
        return std::make_unique<ProbePlayers>();
    }
};

TEST_F(PlayerListTest, ColumnsAndThePlayerMenuFollowTheRoomTypeAndTheMenuCallsThePlayer) {
    makeFrame_ = [] { return std::make_unique<ProbeFrame>(); };
    for (uint32_t options : {0u, 4u}) {
        roomOptions_ = options;
        ASSERT_TRUE(StartAndEnter());
        auto& list = Players().List();
        std::string titles;
        for (int c = 0; c < list.GetColumnCount(); ++c) {
            platform::HDITEM h;
            list.GetHeaderCtrl()->GetItem(c, h);
            titles += h.text + "|" + std::to_string(list.GetColumnWidth(c)) + "|";
        }
        EXPECT_EQ(titles, options ? "用户名|100|昵称|50|银子|80|级别|50|积分|60|旁观对象|100|"
                                  : "用户名|100|昵称|50|级别|50|积分|80|银子|60|旁观对象|100|");
        auto& players = static_cast<ProbePlayers&>(Players());
        const platform::RECT r = players.List().GetItemRect(players.RowOf(1003));
        ui_.Click(players.List(), {r.left + 5, r.top + 5}, platform::MouseButton::Right);
        EXPECT_EQ(players.asked, 1003u);
        const std::vector<std::string> silverFirst = {
            "user1003[南风]", "详细信息", "银子：10000两", "级别：高级",
            "积分：174分",    "允许看牌", "呼叫玩家"};
        std::vector<std::string> levelFirst = silverFirst;
        std::rotate(levelFirst.begin() + 2, levelFirst.begin() + 3, levelFirst.begin() + 5);
        EXPECT_EQ(players.items, options ? silverFirst : levelFirst);
        EXPECT_FALSE(players.callGreyed);
        EXPECT_TRUE(players.helloIcon);
        if (options) {
            // Calling him: the request, and a line in the chat.
            platform::SendMessage(players.GetSafeHwnd(), platform::WM_COMMAND,
                                  CGamePlayerView::kCmdCall);
            EXPECT_TRUE(ChatHas("呼叫 user1003[南风]")) << ChatText();
        }
        Stop();
    }
}

}  // namespace
}  // namespace client
