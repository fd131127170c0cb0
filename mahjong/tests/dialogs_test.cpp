// The exit request and answer, the player card and the settings box on the
// headless display, driven by injected input; their pictures are goldens.

#include <gtest/gtest.h>

#include "client/notice_popup.h"
#include "client/picture_file.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/panes/exit_dialogs.h"
#include "mahjong/panes/player_dialogs.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/gui/virtual_keys.h"

namespace mahjong {
namespace {

using client::testing::Pump;
using platform::CWnd;
using platform::InputEvent;
namespace gui = platform;

using testing::ExpectGolden;

// Seated at chair 0 ("东家"); the hall folder holds the generated portraits.
class DialogTest : public ::testing::Test {
  protected:
    DialogTest() {
        setenv("QEVO_SYSTEM_DIR", ui_.dir.path().c_str(), 1);
        ui_.dir.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + client::testing::AssetDir() +
                                      "hall/GameHall.exe\r\n");
    }
    ~DialogTest() override {
        client::CSlidePopupDlg::DestroyAll();
        unsetenv("QEVO_SYSTEM_DIR");
    }
    // Typed text, then a key, for the window with the focus, handled at once.
    void Type(CWnd& top, const std::string& text, int vk = 0) {
        InputEvent e;
        e.window = top.GetSafeHwnd().value;
        e.kind = InputEvent::Kind::Text;
        e.text = text;
        e.virtualKey = vk;
        ui_.display->Inject(e);
        for (auto kind : {InputEvent::Kind::KeyDown, InputEvent::Kind::KeyUp}) {
            e.kind = kind;
            if (vk) ui_.display->Inject(e);
        }
        gui::Message msg;
        while (gui::PeekMessage(msg, {}, 0, 0, gui::PM_REMOVE))
            if (!gui::CDialog::PreTranslateForDialog(msg)) gui::DispatchMessage(msg);
    }

    client::testing::UiFixture ui_;
    std::unique_ptr<testing::RecordingApp> app_ = testing::SeatApp(0);
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
};

TEST_F(DialogTest, TheRequestBoxCountsRequestsAndTheBanStopsForcedLeave) {
    struct Case {
        int32_t sent;
        bool ban;
        const char* caption;
        gui::RECT request, stay;
    } cases[] = {
        {0, false, "请求退出(2)", {24, 125, 106, 150}, {229, 125, 309, 150}},
        {5, true, "请求退出(0)", {64, 125, 146, 150}, {189, 125, 269, 150}},
    };
    for (const Case& c : cases) {
        CExitRequestDlg box({c.sent, c.ban, nullptr});
        ASSERT_TRUE(box.CreateModeless());
        CWnd& request = *box.GetDlgItem(CExitRequestDlg::kIdRequest);
        EXPECT_EQ(request.GetWindowText(), c.caption);
        EXPECT_EQ(request.IsWindowEnabled(), c.sent < 2);
        EXPECT_EQ(request.GetRectInParent(), c.request);
        EXPECT_EQ(box.GetDlgItem(gui::IDCANCEL)->GetRectInParent(), c.stay);
        EXPECT_EQ(box.GetDlgItem(gui::IDOK)->IsWindowVisible(), !c.ban);
        if (c.sent == 0 || c.ban) {
            if (!c.ban) Type(box, "家里有事，需要先走一步", gui::VK_RETURN);
            Type(box, c.ban ? "" : "抱歉");
            ExpectGolden(c.ban ? "exit_request_ban.png" : "exit_request.png", *box.BackBuffer());
        }
        // Leaving by force ends the box, unless the room bans it.
        gui::SendMessage(box.GetSafeHwnd(), gui::WM_COMMAND, gui::IDOK);
        EXPECT_EQ(gui::IsWindow(box.GetSafeHwnd()), c.ban) << c.sent;
    }
    // Asking sends the reason, writes the chat line and plays on.
    std::string sent;
    CExitRequestDlg box({1, false, [&](const std::string& r) { sent = r; }});
    ASSERT_TRUE(box.CreateModeless());
    Type(box, "家里有事", gui::VK_RETURN);  // a new line of the reason, no button
    Type(box, "明天" + std::string(60, 'x'));
    ui_.Click(*box.GetDlgItem(CExitRequestDlg::kIdRequest), {4, 4});
    EXPECT_FALSE(gui::IsWindow(box.GetSafeHwnd()));
    EXPECT_EQ(sent, "家里有事\r\n明天" + std::string(60 - 14, 'x'));
    EXPECT_EQ(app_->chat, std::vector<std::string>{" <c=2906200>东家请求退出 \r\n"});
    // The reason received ends at its NUL, or within 63 bytes of whole characters.
    EXPECT_EQ(ExitReasonText(std::string("再见\0xx", 7)), "再见");
    EXPECT_EQ(ExitReasonText(std::string(62, 'a') + "请请"), std::string(62, 'a'));
}

struct Pane : CWnd {  // keeps the answers posted to it
    ~Pane() override { Destroy(); }
    std::vector<std::pair<gui::WPARAM, gui::LPARAM>> answers;
    gui::LRESULT OnMessage(gui::Message& msg) override {
        if (msg.message == kMsgExitAnswer) answers.emplace_back(msg.wParam, msg.lParam);
        return CWnd::OnMessage(msg);
    }
};

TEST_F(DialogTest, TheAnswerPopupShowsTheRequestAndAnswersItsPaneOnce) {
    app_->FindPlayerMutable(102)->portrait = 7;  // generated; chair 2 has none
    Pane pane;
    ASSERT_TRUE(pane.CreateEx(0, "", gui::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    const std::string reason = "打完这一盘我得走了，谢谢";
    for (const uint32_t requester : {102u, 103u}) {
        auto* popup = CExitAnswerDlg::Open(pane.GetSafeHwnd(), requester,
                                           reason + std::string(64 - reason.size(), '\0'));
        // Right of the work area (no main window), the second 10 pixels left.
        EXPECT_EQ(popup->CurrentRect().right, requester == 102 ? 1014 : 1004);
        for (int ms = 0; ms < 600; ms += 20) {  // fully slid in
            clock_.AdvanceMillis(20);
            Pump();
        }
        auto* portrait = popup->GetDlgItem(CExitAnswerDlg::kIdPortrait);
        EXPECT_EQ(static_cast<client::CPictureView*>(portrait)->Picture(),
                  requester == 102 ? client::LoadPictureFile(app_->GetPortraitDir() + "7_0.bmp")
                                   : client::LoadBitmapResource(client::kDefaultPortraitBitmap));
        EXPECT_EQ(popup->GetDlgItem(CExitAnswerDlg::kIdReason)->GetWindowText(), reason);
        if (requester == 102) ExpectGolden("exit_answer.png", *popup->BackBuffer());
        CWnd& link = *popup->GetDlgItem(requester == 102 ? CExitAnswerDlg::kIdAgree
                                                         : CExitAnswerDlg::kIdRefuse);
        ui_.Click(link, {4, 4});
        ui_.Click(link, {4, 4});  // answered once
    }
    Pump();
    EXPECT_EQ(pane.answers, (decltype(pane.answers){{102, 1}, {103, 0}}));
}

// Words 27-32 (experience, disconnections, speed, wins, losses, draws) and the
// watched seat's text at byte 192 live in the record's bytes.
client::PlayerRecord Record(std::vector<int32_t> words, const std::string& watched) {
    client::PlayerRecord r;
    r.userName = "南家";
    r.nickname = "小南";
    r.silver = 250;
    r.levelTitle = "雀圣";
    r.score = -12;
    r.portrait = 7;
    r.friendFlag = 1;
    for (size_t i = 0; i < words.size(); ++i)
        platform::StoreLE32(&r.image[4 * (27 + i)], uint32_t(words[i]));
    std::copy(watched.begin(), watched.end(), r.image.begin() + 192);
    return r;
}

TEST_F(DialogTest, TheCardShowsRatesSignsAndTheWatchedSeatAndOnlyOkStoresTheSettings) {
    auto texts = [](const client::PlayerRecord& r) {
        std::vector<std::string> out;
        for (const auto& [id, text] : PlayerCardValues(r))
            out.push_back(text);
        return out;
    };
    EXPECT_EQ(texts(Record({30, 1, 4, 3, 1, 0}, "东家")),
              (std::vector<std::string>{"南家", "小南", "合同工", "250两", "雀圣", "-12", "30",
                                        "25.00%", "4", "3", "1", "0", "75.00%", "是", "", "东家"}));
    // No games: fixed rates; negative words keep their sign; the watched text
    // ends with the record when nothing ends it before.
    EXPECT_EQ(
        texts(Record({-5, 2, -1, 0, 0, 0}, std::string(128, 'x'))),
        (std::vector<std::string>{"南家", "小南", "合同工", "250两", "雀圣", "-12", "-5", "0.00%",
                                  "-1", "0", "0", "0", "100%", "是", "", std::string(127, 'x')}));

    CPlayerInfoDlg card;
    ASSERT_TRUE(card.CreateModeless());
    client::PlayerRecord record = Record({30, 1, 4, 3, 1, 0}, "东家");
    card.ShowRecord(record);
    Pump();
    EXPECT_EQ(*card.Portrait().Image(0),
              client::LoadPictureFile(app_->GetPortraitDir() + "7_0.bmp"));
    ExpectGolden("player_card.png", *card.BackBuffer());
    record.portrait = 99;  // no such file: icon 151, still one picture
    card.ShowRecord(record);
    EXPECT_EQ(card.Portrait().GetImageCount(), 1);
    EXPECT_EQ(*card.Portrait().Image(0),
              client::IconOnColour(client::LoadIconResource(client::kDefaultPortraitIcon),
                                   CPlayerInfoDlg::kPortraitMask));
    card.ShowBeside(700, 40);
    EXPECT_EQ(card.GetWindowRect(), (gui::RECT{700 - 158 - 5, 40, 700 - 5, 40 + 341}));
    // The close link hides the card, which is kept for the next record.
    ui_.Click(*card.GetDlgItem(CPlayerInfoDlg::kIdClose), {4, 4});
    EXPECT_FALSE(card.IsWindowVisible());
    EXPECT_TRUE(gui::IsWindow(card.GetSafeHwnd()));
    // The settings start from the flags and only OK stores them.
    for (const gui::UINT ending : {gui::IDCANCEL, gui::IDOK}) {
        CGameSettingsDlg box;
        box.silence = box.quickCatch = 1;
        ASSERT_TRUE(box.CreateModeless());
        ui_.Click(*box.GetDlgItem(CGameSettingsDlg::kIdRejectLookOn), {4, 4});
        ui_.Click(*box.GetDlgItem(CGameSettingsDlg::kIdSilence), {4, 4});
        if (ending == gui::IDOK) ExpectGolden("settings.png", *box.BackBuffer());
        ui_.Click(*box.GetDlgItem(ending), {4, 4});
        // Each box started from its flag: clicked once, it says the opposite.
        EXPECT_EQ(box.silence * 100 + box.rejectLookOn * 10 + box.quickCatch,
                  ending == gui::IDOK ? 11 : 101);
    }
}

}  // namespace
}  // namespace mahjong
