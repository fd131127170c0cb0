// The exit request and answer, the player card and the settings box on the
// headless display, driven by injected input; their pictures against goldens.

#include <gtest/gtest.h>

#include <functional>

#include "client/controls/slide_popup.h"
#include "client/notice_popup.h"
#include "client/picture_file.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/panes/dialog_units.h"
#include "mahjong/panes/exit_dialogs.h"
#include "mahjong/panes/player_dialogs.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/audio/recording_audio.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/virtual_keys.h"
#include "platform/paths.h"
#include "platform/program_resources.h"

namespace mahjong {
namespace {

using client::testing::Pump;
using platform::CWnd;
using platform::InputEvent;
using platform::Surface;

std::string GoldenPath(const std::string& name) {
    const char* root = std::getenv("QEVO_SOURCE_DIR");
    return std::string(root ? root : ".") + "/mahjong/tests/golden/" + name;
}

// The headless display draws the same pixels everywhere: a golden matches
// exactly. QEVO_UPDATE_GOLDEN=1 writes it anew.
void ExpectGolden(const std::string& name, const Surface& actual) {
    if (std::getenv("QEVO_UPDATE_GOLDEN")) actual.SavePng(GoldenPath(name));
    EXPECT_EQ(platform::testing_support::Mismatch(actual, Surface::LoadPng(GoldenPath(name)), 0),
              0.0)
        << name;
}

// A seated application (own chair 0, "东家") whose hall folder holds the
// generated portraits, with the sounds recorded.
class DialogTest : public ::testing::Test {
  protected:
    DialogTest() {
        app_ = testing::SeatApp(0);
        setenv("QEVO_SYSTEM_DIR", ui_.dir.path().c_str(), 1);
        ui_.dir.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + client::testing::AssetDir() +
                                      "hall/GameHall.exe\r\n");
        auto recorder = std::make_unique<platform::RecordingAudio>();
        audio_ = recorder.get();
        platform::SetAudio(std::make_shared<platform::Audio>(std::move(recorder)));
        client::CSlidePopupDlg::ResetMilestones();
    }
    ~DialogTest() override {
        client::CSlidePopupDlg::DestroyAll();
        platform::SetAudio(nullptr);
        unsetenv("QEVO_SYSTEM_DIR");
    }
    void Inject(CWnd& top, InputEvent::Kind kind, auto&& fill) {
        InputEvent e;
        e.kind = kind;
        e.window = top.GetSafeHwnd().value;
        fill(e);
        ui_.display->Inject(e);
    }
    void Type(CWnd& top, const std::string& text) {
        Inject(top, InputEvent::Kind::Text, [&](InputEvent& e) { e.text = text; });
    }
    void Key(CWnd& top, int vk) {
        for (auto kind : {InputEvent::Kind::KeyDown, InputEvent::Kind::KeyUp})
            Inject(top, kind, [&](InputEvent& e) { e.virtualKey = vk; });
    }
    // A click at the middle of a control, queued for the loop that runs next.
    void ClickLater(CWnd& control) {
        CWnd* top = control.GetTopLevel();
        const platform::RECT r = control.GetClientRect();
        const platform::POINT p =
            top->ScreenToClient(control.ClientToScreen({r.Width() / 2, r.Height() / 2}));
        for (auto kind : {InputEvent::Kind::MouseDown, InputEvent::Kind::MouseUp}) {
            Inject(*top, kind, [&](InputEvent& e) {
                e.point = p;
                e.button = platform::MouseButton::Left;
            });
        }
    }
    int ClicksPlayed() const {
        const auto sound = platform::ReadFileBytes(
            platform::ProgramResourcePath(platform::ResourceType::kSound, kSoundLinkClick),
            1 << 20);
        int n = 0;
        for (const auto& played : audio_->Played())
            n += sound && played == *sound;
        return n;
    }

    client::testing::UiFixture ui_;
    std::unique_ptr<testing::RecordingApp> app_;
    platform::RecordingAudio* audio_ = nullptr;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
};

ExitRequestHost Host(int32_t sent, bool ban,
                     std::function<void(const std::string&)> send = nullptr) {
    ExitRequestHost host;
    host.requestsSent = sent;
    host.forcedLeaveBan = ban;
    host.sendRequest = std::move(send);
    return host;
}

// The request box with a script run as it starts (its input is queued for
// the modal loop).
struct RequestBox : CExitRequestDlg {
    using CExitRequestDlg::CExitRequestDlg;
    std::function<void(RequestBox&)> script;
    CWnd& Item(platform::UINT id) { return *GetDlgItem(id); }

  protected:
    bool OnInitDialog() override {
        const bool result = CExitRequestDlg::OnInitDialog();
        if (script) script(*this);
        return result;
    }
};

TEST_F(DialogTest, TheRequestButtonCountsDownAndTheBanHidesForcedLeave) {
    struct Case {
        int32_t sent;
        bool ban;
        const char* caption;
        bool enabled;
        platform::RECT request, stay;
    } cases[] = {
        {0, false, "请求退出(2)", true, {24, 125, 106, 150}, {229, 125, 309, 150}},
        {1, false, "请求退出(1)", true, {24, 125, 106, 150}, {229, 125, 309, 150}},
        {2, false, "请求退出(0)", false, {24, 125, 106, 150}, {229, 125, 309, 150}},
        {5, true, "请求退出(0)", false, {64, 125, 146, 150}, {189, 125, 269, 150}},
    };
    for (const Case& c : cases) {
        RequestBox box(Host(c.sent, c.ban));
        box.script = [&](RequestBox& b) {
            EXPECT_EQ(b.Item(CExitRequestDlg::kIdRequest).GetWindowText(), c.caption);
            EXPECT_EQ(b.Item(CExitRequestDlg::kIdRequest).IsWindowEnabled(), c.enabled);
            EXPECT_EQ(b.Item(CExitRequestDlg::kIdRequest).GetRectInParent(), c.request);
            EXPECT_EQ(b.Item(platform::IDCANCEL).GetRectInParent(), c.stay);
            EXPECT_EQ((b.Item(platform::IDOK).GetStyle() & platform::WS_VISIBLE) != 0, !c.ban);
            // Forced leave ends the box with OK, unless the room bans it.
            platform::PostMessage(b.GetSafeHwnd(), platform::WM_COMMAND, platform::IDOK);
            if (c.ban) Key(b, platform::VK_ESCAPE);
        };
        EXPECT_EQ(box.DoModal(), c.ban ? platform::IDCANCEL : platform::IDOK) << c.sent;
    }
}

TEST_F(DialogTest, AskingSendsTheReasonWritesTheChatLineAndPlaysOn) {
    std::vector<std::string> sent;
    RequestBox box(Host(1, false, [&](const std::string& r) { sent.push_back(r); }));
    box.script = [&](RequestBox& b) {
        // Return starts a new line of the reason and presses no button.
        Type(b, "家里有事");
        Key(b, platform::VK_RETURN);
        Type(b, "明天再来" + std::string(60, 'x'));  // the reason holds 60 bytes
        ClickLater(b.Item(CExitRequestDlg::kIdRequest));
    };
    EXPECT_EQ(box.DoModal(), platform::IDCANCEL);
    const std::string reason = "家里有事\r\n明天再来";
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].substr(0, reason.size()), reason);
    EXPECT_EQ(sent[0].size(), kExitReasonLimit);
    EXPECT_EQ(app_->chat, std::vector<std::string>{" <c=2906200>东家请求退出 \r\n"});
}

TEST_F(DialogTest, TheReasonEndsAtItsTerminatorOrWithinItsField) {
    struct Case {
        std::string field, shown;
    } cases[] = {
        {std::string("再见\0garbage", 11), "再见"},
        {std::string(64, 'a'), std::string(63, 'a')},
        // 32 two-byte characters: the 32nd would end past byte 63.
        {[] {
             std::string s;
             for (int i = 0; i < 32; ++i)
                 s += "请";
             return s;
         }(),
         [] {
             std::string s;
             for (int i = 0; i < 31; ++i)
                 s += "请";
             return s;
         }()},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExitReasonText(c.field), c.shown);
}

// Records the answers the popup posts to its owner pane.
class Pane : public CWnd {
  public:
    ~Pane() override { Destroy(); }
    std::vector<std::pair<platform::WPARAM, platform::LPARAM>> answers;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message == kMsgExitAnswer) answers.emplace_back(msg.wParam, msg.lParam);
        return CWnd::OnMessage(msg);
    }
};

TEST_F(DialogTest, TheAnswerPopupShowsTheRequestAndAnswersItsPaneOnce) {
    client::PlayerRecord* south = app_->FindPlayerMutable(102);
    ASSERT_NE(south, nullptr);
    south->portrait = 7;  // a generated portrait; chair 2 has none
    Pane pane;
    ASSERT_TRUE(pane.CreateEx(0, "", platform::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    std::string field(64, '\0');
    field.replace(0, 26, "打完这一盘我得走了，谢谢");
    for (const uint32_t requester : {102u, 103u}) {
        auto* popup =
            client::CSlidePopupDlg::Make<CExitAnswerDlg>(pane.GetSafeHwnd(), requester, field);
        popup->SetTextColour(0x808000);
        popup->SetBackColour(0x808000);
        popup->SetSize(200, 105);
        popup->SetStaySeconds(30);
        ASSERT_TRUE(popup->Show(CExitAnswerDlg::kTemplate, nullptr, nullptr));
        for (int t = 0; t < 600; t += 20) {
            clock_.AdvanceMillis(20);
            Pump();
        }
        auto* portrait =
            dynamic_cast<client::CPictureView*>(popup->GetDlgItem(CExitAnswerDlg::kIdPortrait));
        ASSERT_NE(portrait, nullptr);
        EXPECT_EQ(portrait->Picture(),
                  requester == 102 ? client::LoadPictureFile(app_->GetPortraitDir() + "7_0.bmp")
                                   : client::LoadBitmapResource(client::kDefaultPortraitBitmap));
        EXPECT_EQ(popup->GetDlgItem(CExitAnswerDlg::kIdName)->GetWindowText(),
                  testing::kNames[requester - 101]);
        EXPECT_EQ(popup->GetDlgItem(CExitAnswerDlg::kIdReason)->GetWindowText(),
                  "打完这一盘我得走了，谢谢");
        EXPECT_FALSE(popup->GetDlgItem(CExitAnswerDlg::kIdReason)->IsWindowEnabled());
        if (requester == 102) ExpectGolden("exit_answer.png", *popup->BackBuffer());
        CWnd* link = popup->GetDlgItem(requester == 102 ? CExitAnswerDlg::kIdAgree
                                                        : CExitAnswerDlg::kIdRefuse);
        ui_.Click(*link, {4, 4});
        ui_.Click(*link, {4, 4});  // the answer is given once
        EXPECT_TRUE(popup->Answered());
        EXPECT_FALSE(popup->SlidingUp());
    }
    Pump();
    using Answer = std::pair<platform::WPARAM, platform::LPARAM>;
    EXPECT_EQ(pane.answers, (std::vector<Answer>{{102, 1}, {103, 0}}));
    EXPECT_EQ(ClicksPlayed(), 2);
}

TEST_F(DialogTest, TheRequestBoxPictures) {
    for (const bool ban : {false, true}) {
        CExitRequestDlg box(Host(ban ? 2 : 0, ban));
        ASSERT_TRUE(box.CreateModeless());
        if (!ban) {
            Type(box, "家里有事，需要先走一步");
            Key(box, platform::VK_RETURN);
            Type(box, "抱歉");
        }
        Pump();
        ExpectGolden(ban ? "exit_request_ban.png" : "exit_request.png", *box.BackBuffer());
    }
}

// Words 27-32 and the watched seat's text live in the record's bytes.
client::PlayerRecord Record(std::initializer_list<int32_t> words27to32,
                            const std::string& watched) {
    client::PlayerRecord r;
    r.userId = 102;
    r.userName = "南家";
    r.nickname = "小南";
    r.silver = 250;
    r.levelTitle = "雀圣";
    r.score = -12;
    r.portrait = 7;
    r.friendFlag = 1;
    size_t n = 27;
    for (int32_t w : words27to32)
        platform::StoreLE32(&r.image[4 * n++], uint32_t(w));
    std::copy(watched.begin(), watched.end(), r.image.begin() + 192);
    return r;
}

TEST_F(DialogTest, TheCardShowsRatesSignsAndTheWatchedSeat) {
    using Values = std::vector<std::pair<platform::UINT, std::string>>;
    // Experience, disconnections, speed, wins, losses, draws.
    const Values played = PlayerCardValues(Record({30, 1, 4, 3, 1, 0}, "东家"));
    const Values expected = {
        {1040, "南家"},   {1042, "小南"}, {1043, "合同工"}, {1044, "250两"},
        {1047, "雀圣"},   {1049, "-12"},  {1045, "30"},     {1048, "25.00%"},
        {1046, "4"},      {1050, "3"},    {1051, "1"},      {1052, "0"},
        {1053, "75.00%"}, {1054, "是"},   {1055, ""},       {1056, "东家"},
    };
    EXPECT_EQ(played, expected);
    // No games: the rates are fixed texts; negative words keep their sign;
    // a watched seat's text without its end stops with the record.
    const Values none = PlayerCardValues(Record({-5, 2, -1, 0, 0, 0}, std::string(128, 'x')));
    EXPECT_EQ(none[6].second, "-5");
    EXPECT_EQ(none[7].second, "0.00%");
    EXPECT_EQ(none[8].second, "-1");
    EXPECT_EQ(none[12].second, "100%");
    EXPECT_EQ(none[15].second, std::string(127, 'x'));
    const Values negative = PlayerCardValues(Record({0, 0, 0, -2, 1, 0}, ""));
    EXPECT_EQ(negative[12].second, "200.00%");  // -2 of -1 games
}

TEST_F(DialogTest, TheCardKeepsOnePortraitAndHidesInsteadOfEnding) {
    CPlayerInfoDlg card;
    ASSERT_TRUE(card.CreateModeless(nullptr, false));
    client::PlayerRecord record = Record({30, 1, 4, 3, 1, 0}, "东家");
    card.ShowRecord(record);
    card.ShowWindow(platform::SW_SHOW);
    Pump();
    EXPECT_EQ(card.Value(1049), "-12");
    EXPECT_EQ(card.Portrait().GetImageCount(), 1);
    const Surface seven = client::LoadPictureFile(app_->GetPortraitDir() + "7_0.bmp");
    EXPECT_EQ(*card.Portrait().Image(0), seven);
    ExpectGolden("player_card.png", *card.BackBuffer());
    // A missing portrait file shows icon 151.
    record.portrait = 99;
    card.ShowRecord(record);
    EXPECT_EQ(card.Portrait().GetImageCount(), 1);
    EXPECT_EQ(*card.Portrait().Image(0),
              client::IconOnColour(client::LoadIconResource(client::kDefaultPortraitIcon),
                                   CPlayerInfoDlg::kPortraitMask));
    // Escape and the close link hide the card; it stays for the next record.
    for (const bool link : {false, true}) {
        card.ShowWindow(platform::SW_SHOW);
        if (link) {
            ui_.Click(*card.GetDlgItem(CPlayerInfoDlg::kIdClose), {4, 4});
        } else {
            Key(card, platform::VK_ESCAPE);
            platform::Message msg;
            while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
                if (!platform::CDialog::PreTranslateForDialog(msg)) platform::DispatchMessage(msg);
            }
        }
        EXPECT_FALSE(card.IsWindowVisible()) << link;
        EXPECT_TRUE(platform::IsWindow(card.GetSafeHwnd())) << link;
    }
    EXPECT_EQ(ClicksPlayed(), 1);
}

struct SettingsBox : CGameSettingsDlg {
    std::function<void(SettingsBox&)> script;

  protected:
    bool OnInitDialog() override {
        const bool result = CGameSettingsDlg::OnInitDialog();
        if (script) script(*this);
        return result;
    }
};

TEST_F(DialogTest, SettingsStartFromTheFlagsAndOnlyOkStoresThem) {
    for (const int ending : {platform::IDOK, platform::IDCANCEL}) {
        SettingsBox box;
        box.silence = 1;
        box.rejectLookOn = 0;
        box.quickCatch = 1;
        std::vector<int> checks;
        box.script = [&](SettingsBox& b) {
            for (platform::UINT id :
                 {CGameSettingsDlg::kIdSilence, CGameSettingsDlg::kIdRejectLookOn,
                  CGameSettingsDlg::kIdQuickCatch}) {
                checks.push_back(int(
                    platform::SendMessage(b.GetDlgItem(id)->GetSafeHwnd(), platform::BM_GETCHECK)));
            }
            ClickLater(*b.GetDlgItem(CGameSettingsDlg::kIdRejectLookOn));
            ClickLater(*b.GetDlgItem(CGameSettingsDlg::kIdSilence));
            ClickLater(*b.GetDlgItem(platform::UINT(ending)));
        };
        EXPECT_EQ(box.DoModal(), ending);
        EXPECT_EQ(checks, (std::vector<int>{1, 0, 1}));
        const bool ok = ending == platform::IDOK;
        EXPECT_EQ(box.silence, ok ? 0 : 1);
        EXPECT_EQ(box.rejectLookOn, ok ? 1 : 0);
        EXPECT_EQ(box.quickCatch, 1);
    }
    SettingsBox box;
    box.rejectLookOn = 1;
    ASSERT_TRUE(box.CreateModeless());
    Pump();
    ExpectGolden("settings.png", *box.BackBuffer());
}

}  // namespace
}  // namespace mahjong
