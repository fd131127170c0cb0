// Two players and a looker at one table. The real mahjong application takes
// one place (a player, or the looker); the others are raw clients of the
// server's own codec over loopback, so that what the application sends is
// read as another client reads it. Bots fill the other chairs; the clock is
// manual. Covered: the look-on permission asked and answered both ways, the
// player menu's toggle, an exit request asked and answered, chat both ways.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "client/chat_view.h"
#include "client/controls/icon_menu.h"
#include "client/controls/slide_popup.h"
#include "client/notice_popup.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/exit_dialogs.h"
#include "mahjong/panes/main_frame.h"
#include "mahjong/panes/player_lists.h"
#include "platform/clock.h"
#include "platform/gui/virtual_keys.h"
#include "platform/sync.h"
#include "tools/gameserver/link.h"
#include "tools/gameserver/peer_client.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"

namespace gameserver {
namespace {

using namespace table;
using std::chrono::steady_clock;
constexpr auto kWait = client::testing::kWait;
constexpr int32_t kRoom = 3, kTableNo = 5;
constexpr uint32_t kOwnUser = 101;

// A client of the table speaking raw words: it enters, sends without
// waiting, and keeps what the table tells it.
class RawClient {
  public:
    RawClient() : link_(DefaultKey()) {}
    bool Enter(uint16_t port, int32_t user, int32_t chair, bool looker) {
        user_ = user;
        chair_ = chair;
        if (!link_.Connect(port) || !link_.SendBytes(StandardGreeting())) return false;
        Words enter(kEnterBytes / 4, 0);
        enter[kEnterUser] = user;
        enter[kEnterRoom] = kRoom;
        enter[kEnterTable] = kTableNo;
        enter[kEnterChair] = chair;
        enter[kEnterLooker] = looker ? 1 : 0;
        const uint32_t number = link_.SendMessage(kEnter, ToBytes(enter), true);
        while (auto m = link_.Read(kWait))
            if (m->kind == kKindReply && m->messageNumber == number)
                return m->body.code == kEntered;
        return false;
    }
    // `words` after the head of this client.
    void Send(uint32_t id, Words words, size_t bytes) {
        Words w = {user_, kRoom, kTableNo, chair_};
        w.insert(w.end(), words.begin(), words.end());
        w.resize(bytes / 4, 0);
        link_.SendMessage(id, ToBytes(w), false);
    }
    // Reads what has come without waiting long; the notifications with `id`
    // are kept (from user `from` only, when it is not 0).
    std::optional<Words> Poll(uint32_t id, int32_t from) {
        while (auto m = link_.Read(std::chrono::milliseconds(2))) {
            if (m->kind != kKindRequest || m->body.code != id) continue;
            Words w = ToWords(m->body.data);
            if (!from || At(w, kUser) == from) return w;
        }
        return std::nullopt;
    }

  private:
    PeerClient link_;
    int32_t user_ = 0, chair_ = 0;
};

class TableListsTest : public ::testing::Test {
  protected:
    // The application is the player of chair 0, or (in the fixture below)
    // the looker of chair 1.
    bool AppLooks() const { return appLooks_; }

    void SetUp() override {
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        server_ =
            std::make_unique<TableServer>(ClientTableOptions({AppLooks(), false, true, true}));
        ASSERT_NE(server_->Start(), 0);
        client::LaunchLine line = client::testing::RoadLaunchLine(server_->port(), 424242, 0);
        line.lookerFlag = AppLooks() ? 1 : 0;
        line.chair = AppLooks() ? 1 : 0;
        hall_ = std::make_unique<hall::HallStandIn>(line);
        // Seats 101 (or 1000), 1001, 1002, 1003; looker 2000 watches chair 0.
        hall_->TableState() = hall::MakeTableState(line, 4, AppLooks() ? 0 : 1);
        if (!AppLooks()) {  // and, in the list only, 2001 watches chair 1
            client::PlayerRecord other = hall_->TableState().lookers.at(0);
            other.userId = 2001;
            other.userName = "user2001";
            other.chair = 1;
            hall_->TableState().lookers.push_back(other);
        }
        ASSERT_TRUE(hall_->Open());
        ASSERT_TRUE(player_.Enter(server_->port(), 1001, 1, false));
        app_ = std::make_unique<mahjong::CClientApp>();
        app_->SetUnattended(true);
        app_->SetEventSink(
            [this](const std::string& l) { entered_ |= l.rfind("entered", 0) == 0; });
        app_->SetCommandLine(hall::BuildLaunchLine(line));
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_TRUE(PumpUntil([this] { return entered_; }));
        if (!AppLooks()) {
            ASSERT_TRUE(looker_.Enter(server_->port(), 2000, 0, true));
        }
        // A round runs: the application's chair (if any) and the raw player start.
        if (!AppLooks()) app_->GetTableScene()->OnStart();
        player_.Send(kStart, {}, 32);
        ASSERT_TRUE(PumpUntil([this] { return app_->GetTableScene()->InRound(); }, 100));
    }
    void TearDown() override {
        {
            std::lock_guard lock(tickMu_);
            stopTicks_ = true;
        }
        tickCv_.notify_all();
        ticker_.join();
        client::CSlidePopupDlg::DestroyAll();
        if (app_) app_->ExitInstance();
        app_.reset();
        hall_.reset();
        server_->Stop();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            unsetenv(name);
    }

    // Serves the application (moving the clock by `stepMs` when it is idle)
    // until `done`; the time-out is a safety net only.
    template <typename F>
    bool PumpUntil(F done, int64_t stepMs = 0) {
        const auto giveUp = steady_clock::now() + kWait;
        while (!done()) {
            if (steady_clock::now() > giveUp) return false;
            if (client::testing::Pump() > 0) continue;
            if (stepMs) {
                clock_.AdvanceMillis(stepMs);
                server_->Poke();
            }
            platform::Waitable* tick = &tick_;
            platform::MsgWaitForMultipleObjects({&tick, 1}, platform::INFINITE);
        }
        return true;
    }
    // The next notification `id` to a raw client (from user `from`), the
    // application served meanwhile.
    Words Next(RawClient& peer, uint32_t id, int32_t from = 0) {
        std::optional<Words> got;
        EXPECT_TRUE(PumpUntil([&] { return (got = peer.Poll(id, from)).has_value(); })) << id;
        return got.value_or(Words{});
    }
    mahjong::CMainFrame& Frame() { return *dynamic_cast<mahjong::CMainFrame*>(app_->Frame()); }
    mahjong::CPlayerView& Players() {
        return *dynamic_cast<mahjong::CPlayerView*>(Frame().GetPlayerView());
    }
    std::string Chat() {
        client::CChatRichEdit& chat = Frame().GetChatView()->ChatText();
        return chat.GetTextRange(0, chat.Length());
    }
    bool ChatShows(const std::string& text) {
        return PumpUntil([&] { return Chat().find(text) != std::string::npos; });
    }
    // The player menu of `user`, shown and closed again: item 1906.
    std::pair<std::string, bool> MenuItem(uint32_t user) {
        mahjong::CPlayerView& players = Players();
        platform::PostMessage(players.GetSafeHwnd(), platform::WM_KEYDOWN, platform::VK_ESCAPE);
        players.ShowPlayerMenu(players.RowOf(user), {10, 10});
        const client::CIconMenu* menu = players.LastMenu()->GetSubMenu(0);
        const platform::UINT id = client::CGamePlayerView::kCmdAllowSee;
        return {menu->GetItemText(id),
                (menu->GetMenuState(id, platform::MF_BYCOMMAND) & platform::MF_GRAYED) == 0};
    }
    // Slides a popup in and clicks one of its links.
    void ClickWhenIn(platform::CDialog& popup, platform::UINT link) {
        for (int ms = 0; ms < 600; ms += 20) {
            clock_.AdvanceMillis(20);
            client::testing::Pump();
        }
        platform::CWnd* item = popup.GetDlgItem(link);
        ASSERT_NE(item, nullptr);
        ui_.Click(*item, {4, 4});
    }

    client::testing::UiFixture ui_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<TableServer> server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    RawClient player_, looker_;
    std::unique_ptr<mahjong::CClientApp> app_;
    bool entered_ = false;
    bool appLooks_ = false;
    // The waits above run on the manual clock, which stands still: this
    // wakes them in real time now and then, so that they can give up.
    platform::Event tick_{false, false};
    std::mutex tickMu_;
    std::condition_variable tickCv_;
    bool stopTicks_ = false;
    std::thread ticker_{[this] {
        std::unique_lock lock(tickMu_);
        while (!tickCv_.wait_for(lock, std::chrono::milliseconds(5), [this] { return stopTicks_; }))
            tick_.Set();
    }};
};

class TableListsLookerTest : public TableListsTest {
  protected:
    TableListsLookerTest() { appLooks_ = true; }
};

TEST_F(TableListsLookerTest, TheApplicationLookingOnSeesTheHandOnlyWhenAllowed) {
    // The application asks chair 1's player, who forbids, then allows. Its
    // menu offers no permission to give.
    mahjong::CTableScene& scene = *app_->GetTableScene();
    EXPECT_EQ(MenuItem(1001), std::make_pair(std::string("允许看牌"), false));
    for (int32_t allow : {0, 1}) {
        scene.AskToSeeCards();
        const Words ask = Next(player_, kSeeHand);
        ASSERT_GE(ask.size(), 4u);
        EXPECT_EQ(ask[kUser], int32_t(kOwnUser));
        player_.Send(kSeeHandAnswer, {int32_t(kOwnUser), allow}, 40);
        ASSERT_TRUE(ChatShows(std::string("user1001") + (allow ? "允许" : "禁止") + "user101看牌"))
            << Chat();
        if (allow) {
            EXPECT_TRUE(PumpUntil([&] { return scene.IsHandFaceKnown(3); }));
        }
        EXPECT_EQ(scene.IsHandFaceKnown(3), allow != 0);
    }
}

TEST_F(TableListsTest, ALookerSeesTheHandOnlyWhileThePlayerAllowsIt) {
    // The raw looker asks the application's player: its popup allows.
    // Only a looker of the own chair may be let in.
    mahjong::CPlayerView& players = Players();
    const struct {
        uint32_t user;
        const char* text;
        bool enabled;
    } menus[] = {
        {1001, "允许看牌", false},
        {2000, "允许user2000看牌", true},
        {2001, "允许user2001看牌", false},
    };
    for (const auto& m : menus)
        EXPECT_EQ(MenuItem(m.user), std::make_pair(std::string(m.text), m.enabled)) << m.user;
    looker_.Send(kSeeHand, {}, 32);
    ASSERT_TRUE(PumpUntil([] { return client::CSlidePopupDlg::OpenCount() == 1; }));
    auto* popup = dynamic_cast<client::CNoticePopupDlg*>(client::CSlidePopupDlg::Newest());
    ASSERT_NE(popup, nullptr);
    ClickWhenIn(*popup, client::CNoticePopupDlg::kIdAgree);
    EXPECT_EQ(Next(looker_, kLookOnView), (Words{101, kRoom, kTableNo, 0, 2000, 1, 0, 0}));
    std::array<rules::TileId, 32> held;
    int32_t n = 0;
    server_->WithTable([&](TableGame& t) { n = t.model().ListHeld(0, held); });
    const Words hand = Next(looker_, kHandShown);
    ASSERT_EQ(hand.size(), 35u);
    EXPECT_EQ(Words(hand.begin() + 3, hand.begin() + 3 + n), Words(held.begin(), held.begin() + n));
    EXPECT_TRUE(players.IsKnownUser(2000));
    EXPECT_TRUE(ChatShows("user101允许user2000看牌")) << Chat();
    // The menu toggles: now it forbids and the set is empty; then it allows
    // again and the set holds him again.
    EXPECT_EQ(MenuItem(2000), std::make_pair(std::string("禁止user2000看牌"), true));
    for (int32_t allow : {0, 1}) {
        platform::SendMessage(players.GetSafeHwnd(), platform::WM_COMMAND,
                              client::CGamePlayerView::kCmdAllowSee);
        EXPECT_EQ(Next(looker_, kLookOnView), (Words{101, kRoom, kTableNo, 0, 2000, allow, 0, 0}));
        EXPECT_EQ(players.KnownUserCount(), size_t(allow));
    }
    EXPECT_TRUE(ChatShows("user101禁止user2000看牌")) << Chat();
    // The command for a user whose row went does nothing.
    const std::string before = Chat();
    players.List().DeleteItem(players.RowOf(2000));
    platform::SendMessage(players.GetSafeHwnd(), platform::WM_COMMAND,
                          client::CGamePlayerView::kCmdAllowSee);
    EXPECT_EQ(players.KnownUserCount(), 1u);
    EXPECT_EQ(Chat(), before);
    // An allow answered after the looker left keeps no stale entry.
    for (int32_t allow : {0, 1})
        platform::SendMessage(players.GetSafeHwnd(), mahjong::kMsgLookOnAnswer, 2000, allow);
    EXPECT_EQ(players.KnownUserCount(), 0u);
    EXPECT_NE(Chat(), before);  // the answers went out and are told
}

TEST_F(TableListsTest, PlayersAskEachOtherForLeaveAndChat) {
    // The raw player asks; the application's popup refuses.
    Words reason(16, 0);
    const std::string text = "家里有事";
    std::memcpy(reason.data(), text.data(), text.size());
    player_.Send(kExitRequest, reason, kExitRequestBytes);
    ASSERT_TRUE(PumpUntil([] { return client::CSlidePopupDlg::OpenCount() == 1; }));
    auto* popup = dynamic_cast<mahjong::CExitAnswerDlg*>(client::CSlidePopupDlg::Newest());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->Reason(), text);
    EXPECT_TRUE(ChatShows("user1001请求退出"));
    ClickWhenIn(*popup, mahjong::CExitAnswerDlg::kIdRefuse);
    // (The bots answer too.)
    const Words answer = Next(player_, kExitAnswer, int32_t(kOwnUser));
    ASSERT_GE(answer.size(), 6u);
    EXPECT_EQ(answer[kExitRequester], 1001);
    EXPECT_EQ(answer[kExitAgree], 0);
    EXPECT_TRUE(ChatShows("user101拒绝user1001的退出请求")) << Chat();
    // The application asks (as its request box does); the raw player agrees.
    std::string error;
    ASSERT_TRUE(app_->GetConnection()->SendExitRequest(error, "明天再来"));
    const Words asked = Next(player_, kExitRequest);
    ASSERT_EQ(asked.size(), kExitRequestBytes / 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&asked[kExitText])), "明天再来");
    player_.Send(kExitAnswer, {int32_t(kOwnUser), 1}, 40);
    EXPECT_TRUE(ChatShows("user1001答应user101的退出请求")) << Chat();
    // Chat: words typed in the application reach the other player, and his
    // reach the application's chat pane.
    client::CGameChatView& chat = *Frame().GetChatView();
    chat.InputBox().SetWindowText("碰碰胡");
    chat.OnSend();
    const Words said = Next(player_, kChat, int32_t(kOwnUser));
    ASSERT_GE(said.size(), 12u + 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&said[12])), "碰碰胡");
    Words words(28, 0);
    const std::string hello = "清一色来了";
    std::memcpy(&words[8], hello.data(), hello.size());
    player_.Send(kChat, words, 128);
    EXPECT_TRUE(ChatShows(hello)) << Chat();
}

}  // namespace
}  // namespace gameserver
