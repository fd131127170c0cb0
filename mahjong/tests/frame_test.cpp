// The game's main frame around the real application, seated at chair 0 of
// the table-mode game server with three bots, on a headless display under
// a manual clock: the table pane runs the scene, rounds follow one another,
// and the classic pane draws the table and takes the mouse.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "client/chat_view.h"
#include "client/controls/slide_popup.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "engine/control_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/resources/script_host.h"
#include "mahjong/app/client_app.h"
#include "mahjong/panes/classic_pane.h"
#include "mahjong/panes/main_frame.h"
#include "mahjong/panes/operate_pane.h"
#include "mahjong/panes/rank_pane.h"
#include "mahjong/panes/table_pane.h"
#include "mahjong/tests/entity_checks.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/gui/static_control.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "platform/profile.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"

namespace mahjong {
namespace {

using std::chrono::steady_clock;
constexpr auto kWait = client::testing::kWait;

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        std::array<bool, 4> bots{true, true, true, true};
        if (!Looker()) bots[size_t(OwnChair())] = false;
        server_ = std::make_unique<gameserver::TableServer>(gameserver::ClientTableOptions(bots));
        ASSERT_NE(server_->Start(), 0);
        server_->WithTable([this](gameserver::TableGame& t) {
            // The requests, but for the bots' discards.
            t.SetObserver([this, user = Looker() ? 201 : 101](const gameserver::TableMessage& m) {
                const std::vector<int32_t> w = testing::WordsOf(m.data);
                const bool own = w.size() > 7 && w[6] == OwnChair() && w[7] == user;
                if (m.kind != gameserver::TableMessage::kRequest || (m.id == kReqDiscard && !own))
                    return;
                std::lock_guard lock(mu_);
                requests_.emplace(m.id, w);
                changed_.notify_all();
            });
        });
        auto line = client::testing::RoadLaunchLine(server_->port(), 424242, OwnChair());
        line.userId = Looker() ? 201 : 101;
        line.lookerFlag = Looker() ? 1 : 0;
        hall_ = std::make_unique<hall::HallStandIn>(line);
        ASSERT_TRUE(hall_->Open());
        app_ = std::make_unique<CClientApp>();
        app_->SetUnattended(true);
        app_->SetEventSink([this](const std::string& l) { lines_.push_back(l); });
        app_->SetCommandLine(hall::BuildLaunchLine(line));
        app_->GetTableScene()->SetPaneKind(PaneKind());
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_TRUE(PumpUntil([this] { return Entered() > 0; }));
    }
    void TearDown() override {
        client::CSlidePopupDlg::DestroyAll();
        if (app_) app_->ExitInstance();
        app_.reset();
        hall_.reset();
        server_->Stop();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            unsetenv(name);
    }

    // The table pane's kind: 2 the engine pane, 1 the classic pane.
    virtual int32_t PaneKind() const { return 2; }
    // The client's chair; bots take the others. A looker watches it.
    virtual int32_t OwnChair() const { return 0; }
    virtual bool Looker() const { return false; }
    long Entered() const {
        return std::count_if(lines_.begin(), lines_.end(),
                             [](const std::string& l) { return l.rfind("entered", 0) == 0; });
    }
    // Serves the client (and moves the clock a step when it is idle) until
    // `done`; the time-out is a safety net only. `timers`: the wait is for
    // the client's own timers, pumped after each step rather than waited
    // for (no message may come before they fire).
    template <typename F>
    bool PumpUntil(F done, int64_t stepMs = 0, bool timers = false) {
        const auto giveUp = steady_clock::now() + kWait;
        while (!done()) {
            if (steady_clock::now() > giveUp) return false;
            if (client::testing::Pump() > 0) continue;
            if (stepMs) {
                clock_.AdvanceMillis(stepMs);
                server_->Poke();
                if (timers) continue;
            }
            platform::MsgWaitForMultipleObjects({}, 10);
        }
        return true;
    }
    // The next request from the client with that id, its payload as words.
    std::vector<int32_t> WaitForRequest(uint32_t id) {
        std::unique_lock lock(mu_);
        if (!changed_.wait_for(lock, kWait, [&] { return requests_.count(id) > 0; })) return {};
        return requests_.extract(requests_.lower_bound(id)).mapped();
    }
    CMainFrame* Frame() { return dynamic_cast<CMainFrame*>(app_->Frame()); }
    CTableScene& Scene() { return *app_->GetTableScene(); }
    // The own start, by the scene or by the pane's `button`.
    void StartRound(platform::CButton* button = nullptr) {
        if (button)
            ui_.Click(*button, {4, 4});
        else
            Scene().OnStart();
        // Running, and the round's start handled (it clears the exit requests).
        ASSERT_TRUE(PumpUntil(
            [this] { return app_->GetConnection()->IsGameRunning() && Scene().InRound(); }, 100));
    }

    client::testing::UiFixture ui_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<gameserver::TableServer> server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::unique_ptr<CClientApp> app_;
    std::vector<std::string> lines_;
    std::mutex mu_;
    std::condition_variable changed_;
    std::multimap<uint32_t, std::vector<int32_t>> requests_;  // words by id, in order
};

TEST_F(FrameTest, TheTablePaneRunsTheSceneAboveAnEvenOperationBarAndItsScriptsCompile) {
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    auto* table = dynamic_cast<CMJGameTableView2*>(frame->GetTableView());
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->SceneAttached());
    ASSERT_NE(frame->GetPlayerView(), nullptr);
    ASSERT_NE(frame->GetChatView(), nullptr);
    ASSERT_NE(frame->GetAdvertPane(), nullptr);
    ASSERT_NE(frame->GetOperatePane(), nullptr);
    // The scene's screen is the pane's, and the pane started its timers
    // once: the application left the scene's start to it.
    CTableScene& scene = Scene();
    const platform::RECT area = table->GetClientRect();
    ASSERT_TRUE(scene.IsScreenReady());
    EXPECT_EQ(scene.GetScreenWidth(), area.Width());
    EXPECT_EQ(scene.GetScreenHeight(), area.Height());
    EXPECT_TRUE(table->EngineView().TimersStarted());
    EXPECT_EQ(Entered(), 1);
    // The frames the engine draws reach the pane: the headless display shows
    // the same pixels everywhere.
    for (int i = 0; i < 20; ++i) {
        clock_.AdvanceMillis(50);
        client::testing::Pump();
    }
    testing::ExpectGolden("main_frame.png", ui_.display->Screen(frame->GetSafeHwnd().value));
    // The operation bar spaces its four buttons evenly.
    auto* bar = dynamic_cast<CMJOperateView*>(frame->GetOperatePane());
    ASSERT_NE(bar, nullptr);
    const int w = bar->ButtonWidth(), h = bar->ButtonHeight();
    struct Case {
        int cx, cy;
        int gap, y;
    } cases[] = {
        {4 * w + 40, h + 10, 8, 5},
        {4 * w + 9, h, 1, 0},
        {4 * w - 10, h - 3, -2, -1},  // too narrow: they overlap from the left
    };
    for (const Case& c : cases) {
        bar->LayoutButtons(c.cx, c.cy);
        for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id) {
            const int x = c.gap + int(id - kCmdRulesPage) * (w + c.gap);
            EXPECT_EQ(bar->Button(id).GetRectInParent(), (platform::RECT{x, c.y, x + w, c.y + h}))
                << c.cx << " " << id;
        }
    }
    // The client's engine hosts the script interpreter: a script resource
    // the running client registers compiles instead of failing its load.
    engine::ResourceManager& resources = Scene().Resources();
    std::vector<std::string> failed;
    resources.SetFailHandler([&](const std::string& name) { failed.push_back(name); });
    const std::string path = ui_.dir.path() + "/greeting.script";
    std::ofstream(path) << "脚本开始 greet(); 时间戳(hello); 脚本结束;\r\n";
    EXPECT_NE(resources.RegisterFile(path, "greeting", ".script", true, 0), 0u);
    resources.SetFailHandler({});
    EXPECT_TRUE(failed.empty());
    ASSERT_NE(resources.GetScriptInterpreter(), nullptr);
    EXPECT_EQ(resources.GetScriptInterpreter()->GetScriptCount(), 1u);
}

// Rounds follow one another in the running client: the dealt table shows
// every record by its own entity, the settlement panel's close button clears
// the table, and the next round starts by itself on auto-play.
TEST_F(FrameTest, TheSettlementsCloseButtonLeadsToTheNextRound) {
    CTableScene& s = Scene();
    auto visible = [&s](uint32_t entity) {
        const engine::Entity* e = s.GetEntity(entity);
        return e && e->IsVisible();
    };
    auto controlEntity = [&s](uint32_t control) {
        const engine::ControlRecord* r = s.GetWorld().GetControl(control);
        return r ? r->entityId : 0u;
    };
    // The engine's mouse clicks the entity's middle.
    auto click = [&s](uint32_t entity) {
        const engine::Entity* e = s.GetEntity(entity);
        ASSERT_NE(e, nullptr);
        s.OnMouseMove(0, e->GetX(), e->GetY());
        s.PumpMessages();
        s.OnLButtonDown(0, e->GetX(), e->GetY());
        s.PumpMessages();
        s.OnLButtonUp(0, e->GetX(), e->GetY());
        s.PumpMessages();
    };
    ASSERT_TRUE(s.PlaysEffects());
    StartRound();
    // Dealt (its end shows the tool buttons), and a drawn tile has landed
    // in the hand.
    const uint32_t autoPlayButton = controlEntity(s.ButtonControl(kMsgAutoPlayButton));
    ASSERT_TRUE(PumpUntil(
        [&] {
            return visible(autoPlayButton) && s.GetTurnSeconds() > 0 &&
                   (!s.HasDrawnTile(3) || s.GetMJStruct(kAreaHand, 3, 0)->nObject != 0);
        },
        100));
    testing::ExpectEveryRecordShownByItsEntity(s);
    // The auto-play button plays the round to its end.
    click(autoPlayButton);
    ASSERT_TRUE(visible(s.AutoPlaySign()));
    const int rounds = server_->rounds();
    ASSERT_TRUE(PumpUntil([&] { return server_->rounds() > rounds; }, 250));
    ASSERT_TRUE(PumpUntil([&] { return visible(s.SettlementEntity()); }, 100));
    // The panel follows a drag on it, its close button with it; a click on
    // the panel is the panel's and leaves auto-play on.
    const engine::Entity& panel = *s.GetEntity(s.SettlementEntity());
    const engine::Entity& close = *s.GetEntity(controlEntity(s.SettlementCloseControl()));
    const int32_t x = panel.GetX(), y = panel.GetY(), closeX = close.GetX();
    s.OnMouseMove(0, x - 100, y);
    s.OnLButtonDown(0, x - 100, y);
    s.OnMouseMove(0, x - 90, y + 5);
    s.OnLButtonUp(0, x - 90, y + 5);
    EXPECT_TRUE(PumpUntil([&] { return panel.GetY() == y + 5; }));
    EXPECT_EQ(panel.GetX(), x + 10);
    EXPECT_EQ(close.GetX(), closeX + 10);
    EXPECT_TRUE(visible(s.AutoPlaySign()));
    ASSERT_TRUE(visible(controlEntity(s.SettlementCloseControl())));
    {
        std::lock_guard lock(mu_);
        requests_.clear();
    }
    // Closed on auto-play, the table is cleared and the next round starts
    // by itself.
    click(controlEntity(s.SettlementCloseControl()));
    EXPECT_TRUE(PumpUntil([&] { return !visible(s.SettlementEntity()); }));
    EXPECT_FALSE(visible(controlEntity(s.SettlementCloseControl())));
    EXPECT_FALSE(WaitForRequest(201160).empty());
    ASSERT_TRUE(PumpUntil([&] { return s.InRound() != 0; }, 100));
    EXPECT_TRUE(visible(s.AutoPlaySign()));
}

// The chat pane and the ranking pane through a round that auto-play plays to
// its end: the round's texts in order with their words, the silver list,
// the tabs under the mouse, and a golden of the frame at settlement.
TEST_F(FrameTest, ARoundsTextsReachTheChatAndItsSilverTheRankingList) {
    CAdCombatInfoView* rank = Frame()->GetRankPane();
    ASSERT_NE(rank, nullptr);
    platform::CListCtrl& list = rank->ResultList();
    const CTableLogic& logic = *app_->GetTableLogic();
    std::array<int32_t, 4> entered{};
    ASSERT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(list.GetColumnCount(), 2);
    for (int seat = 0; seat < 4; ++seat) {
        entered[size_t(seat)] = logic.Word(snap::kSeatTotals + seat);
        EXPECT_EQ(list.GetItemText(seat, 0), app_->GetSeatName(seat));
        EXPECT_EQ(list.GetItemText(seat, 1), std::to_string(entered[size_t(seat)]));
    }

    platform::WritePrivateProfileString("AI", "bn_Robot", "1", app_->GetIniPath());
    StartRound();
    // Entering a running table shows its round after the welcome.
    client::CGameChatView* chat = Frame()->GetChatView();
    platform::SendMessage(chat->GetSafeHwnd(), client::kMsgTableEntered);
    ASSERT_TRUE(PumpUntil([this] { return !Scene().InRound(); }, 250));
    const int round = logic.GetRoundNumber();

    client::CChatRichEdit& edit = chat->ChatText();
    const std::string shown = edit.GetTextRange(0, edit.Length());
    const std::string opened = "【第" + std::to_string(round) + "局】庄：" +
                               app_->GetSeatName(logic.GetBankerChair()) + " ";
    const std::string stake =
        "基础银：" +
        std::to_string(logic.GetMoneyMode() ? logic.GetSilverValue() : logic.GetPointsValue()) +
        (logic.GetMoneyMode() ? " 两" : " 分");
    std::string winners;
    for (int chair = 0; chair < 4; ++chair)
        if (logic.ResultWord(snap::kResultWon + chair) > 0)
            winners += (winners.empty() ? "" : ",") + app_->GetSeatName(chair);
    const std::string closed = "【第" + std::to_string(round) + "局】" +
                               (logic.IsNoWinner() ? "流局。" : "胡：" + winners + " ");
    // Welcome, the own start, the round's start, the second welcome with
    // the running round, then the result.
    size_t from = 0;
    const std::string started = app_->GetUserDisplayName(app_->GetUserId()) + " 已经开始";
    for (const std::string& words : {std::string("欢迎来到"), started, opened, stake,
                                     std::string("欢迎来到"), opened, stake, closed}) {
        from = shown.find(words, from);
        ASSERT_NE(from, std::string::npos) << words << " in\n" << shown;
        from += words.size();
    }
    EXPECT_EQ(shown.find(closed, from), std::string::npos) << "the result once";

    // One column for the game, newest at 2, with the silver the server
    // gave each seat.
    ASSERT_EQ(list.GetColumnCount(), 3);
    platform::HDITEM header;
    ASSERT_TRUE(list.GetHeaderCtrl()->GetItem(2, header));
    EXPECT_EQ(header.text, "  第" + std::to_string(round) + "局");
    for (int seat = 0; seat < 4; ++seat) {
        const int32_t change = logic.ResultWord(80 + seat);
        EXPECT_EQ(list.GetItemText(seat, 1), std::to_string(entered[size_t(seat)] + change));
        EXPECT_EQ(list.GetItemText(seat, CAdCombatInfoView::GameCell(round)),
                  std::to_string(change));
    }

    // The list shows while the mouse rests on its tab, then the advert.
    const platform::RECT area = rank->GetClientRect();
    int onList = -1;
    for (int x = 0; x < area.right && onList < 0; ++x)
        if (rank->HitTestTab({x, 12}) == 1) onList = x;
    ASSERT_GE(onList, 0);
    EXPECT_EQ(rank->HitTestTab({area.right - 1, 12}), 0) << "no tab there: the active one";
    platform::InputEvent move;
    move.kind = platform::InputEvent::Kind::MouseMove;
    move.window = Frame()->GetSafeHwnd().value;
    move.point = Frame()->ScreenToClient(rank->ClientToScreen({onList + 2, 12}));
    ui_.display->Inject(move);
    client::testing::Pump();
    EXPECT_EQ(rank->ActiveTab(), 1);
    EXPECT_TRUE(list.IsWindowVisible());
    EXPECT_FALSE(rank->Html()->IsWindowVisible());
    for (int ms = 0; ms < 1000; ms += 50) {
        clock_.AdvanceMillis(50);
        client::testing::Pump();
    }
    // The bots' start lines come at the server's pace: the chat's words are
    // checked above, its place is blanked here.
    platform::Surface settled = ui_.display->Screen(Frame()->GetSafeHwnd().value);
    const platform::POINT chatAt = Frame()->ScreenToClient(chat->ClientToScreen({0, 0}));
    platform::Painter(settled).FillSolidRect(
        platform::OffsetRect(chat->GetClientRect(), chatAt.x, chatAt.y), 0xFFFFFF);
    testing::ExpectGolden("main_frame_settled.png", settled);
    clock_.AdvanceMillis(9000);
    client::testing::Pump();
    EXPECT_EQ(rank->ActiveTab(), 0);
    EXPECT_FALSE(list.IsWindowVisible());
    EXPECT_TRUE(rank->Html()->IsWindowVisible());

    // Entered again: the advert page loads, the list starts afresh.
    const std::string page = ui_.dir.path() + "/ad.htm";
    std::ofstream(page) << "<html><body>广告</body></html>";
    platform::PostMessage(rank->GetSafeHwnd(), client::kMsgTableEntered, 0, 0,
                          platform::Payload::Make<std::string>("file://" + page));
    client::testing::Pump();
    EXPECT_EQ(rank->Html()->LocationUrl(), "file://" + page);
    EXPECT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(list.GetItemCount(), 4);

    // Hostile results: a short one is refused, totals stay in 32 bits, and
    // a long evening keeps its latest 254 games.
    std::vector<uint8_t> result(84 * 4);
    for (int seat = 0; seat < 4; ++seat)
        platform::StoreLE32(&result[size_t(80 + seat) * 4], uint32_t(INT32_MAX));
    rank->AddGameResult(std::span(result).first(83 * 4));
    EXPECT_EQ(list.GetColumnCount(), 2);
    rank->AddGameResult(result);
    rank->AddGameResult(result);
    EXPECT_EQ(list.GetItemText(3, 1), std::to_string(INT32_MAX));
    platform::StoreLE32(&result[80 * 4], uint32_t(-7));
    for (int game = 0; game < 300; ++game)
        rank->AddGameResult(result);
    EXPECT_EQ(list.GetColumnCount(), 2 + CAdCombatInfoView::kMaxGameCells);
    EXPECT_EQ(list.GetItemText(0, CAdCombatInfoView::GameCell(rank->GamesListed())), "-7");
}

// The classic pane: the scene of pane kind 1 drawn from its records by the
// pane, and the pane's mouse on the own hand, on the own turn of chair 0.
class ClassicPaneTest : public FrameTest {
  protected:
    int32_t PaneKind() const override { return 1; }
    CMJGameTableView* Pane() { return dynamic_cast<CMJGameTableView*>(Frame()->GetTableView()); }
    const MJStruct& Own(int32_t i) { return *Scene().GetMJStruct(kAreaHand, 3, i); }
    std::vector<int32_t> OwnFaces() {
        std::vector<int32_t> faces;
        for (int32_t i = 0; i < Scene().HandPositions(); ++i)
            faces.push_back(Own(i).present && Own(i).standing ? Own(i).nFace : -1);
        return faces;
    }
    // Dealt, and the own turn came with the drawn tile in hand.
    // Started with the pane's start button, which then hides.
    void PlayToOwnTurn() {
        client::testing::Pump();
        platform::CButton& start = *Pane()->Button(CMJGameTableView::kIdStart);
        ASSERT_TRUE(start.IsWindowVisible());
        ASSERT_NO_FATAL_FAILURE(StartRound(&start));
        ASSERT_TRUE(PumpUntil(
            [this] {
                // Flowers held at the turn's start are replaced first: until
                // then the other tiles are locked.
                const std::vector<int32_t> faces = OwnFaces();
                for (int32_t i = 0; i < Scene().HandPositions(); ++i)
                    if (Own(i).locked) return false;
                // The deal is shown to its end: the clock runs.
                return Scene().TC_GetPointTo() == 6 && Scene().HasDrawnTile(3) &&
                       Scene().GetClockFace().visible &&
                       std::count_if(faces.begin(), faces.end(),
                                     [](int32_t f) { return f >= 0; }) == 17;
            },
            20, true));
        client::testing::Pump();
        EXPECT_FALSE(start.IsWindowVisible());
    }
    // The middle of own record i, in pane coordinates.
    platform::POINT TileAt(int32_t i) {
        platform::RECT area;
        Scene().GetHandAreaRect(3, &area);
        return {area.left + Own(i).x + 21, area.top + 40};
    }
    void Mouse(platform::UINT message, platform::POINT p, platform::WPARAM flags = 0) {
        platform::SendMessage(Pane()->GetSafeHwnd(), message, flags,
                              platform::MAKELPARAM(p.x, p.y));
    }
    long Sounds(const char* line) const { return std::count(lines_.begin(), lines_.end(), line); }
    // The pixels of a bitmap's cell (its colour key left out) that the
    // pane's picture does not show at `at`.
    int Unlike(const char* bitmap, platform::RECT cell, platform::POINT at) {
        const platform::Surface* source = Scene().TableBitmaps().Get(bitmap);
        if (!source) return -1;
        const uint32_t key = ClassicTableBitmaps::KeyOf(bitmap);
        const uint32_t keyPixel = (key & 0xff) << 16 | (key & 0xff00) | (key >> 16 & 0xff);
        int unlike = 0;
        for (int y = 0; y < cell.Height(); ++y) {
            for (int x = 0; x < cell.Width(); ++x) {
                const uint32_t want = source->At(cell.left + x, cell.top + y) & 0xffffff;
                if (want == keyPixel) continue;
                unlike += (Pane()->TablePicture().At(at.x + x, at.y + y) & 0xffffff) != want;
            }
        }
        return unlike;
    }
};

TEST_F(ClassicPaneTest, TheDealtTableItsButtonsAndYellowTextsAndAClickOnTheRaisedTileDiscards) {
    ASSERT_NE(Pane(), nullptr);
    EXPECT_EQ(Pane()->GetScene(), &Scene());
    PlayToOwnTurn();
    // The pane's picture is the table as the records hold it.
    Pane()->RedrawTable();
    testing::ExpectGolden("classic_pane.png", Pane()->TablePicture());
    // The same own hand reaches the screen.
    client::testing::Pump();
    const platform::Surface shown = ui_.display->Screen(Frame()->GetSafeHwnd().value);
    const platform::POINT at = Frame()->ScreenToClient(Pane()->ClientToScreen({0, 0}));
    const platform::Surface& drawn = Pane()->TablePicture();
    platform::RECT hand;
    Scene().GetHandAreaRect(3, &hand);
    int same = 0, cells = 0;
    for (int y = hand.top; y < hand.bottom; y += 3)
        for (int x = hand.left; x < hand.right; x += 3, ++cells)
            same += shown.At(at.x + x, at.y + y) == drawn.At(x, y);
    EXPECT_EQ(same, cells);
    // Pointing raises the tile, clicking it discards it.
    const int32_t i = 5, face = Own(i).nFace;
    Mouse(platform::WM_MOUSEMOVE, TileAt(i));
    EXPECT_EQ(Scene().RaisedHandTile(3), i);
    EXPECT_EQ(Pane()->CursorState(), 1);
    Mouse(platform::WM_LBUTTONDOWN, TileAt(i));
    const std::vector<int32_t> words = WaitForRequest(kReqDiscard);
    ASSERT_GT(words.size(), size_t(discard::kTiles));
    EXPECT_EQ(words[discard::kTiles], face);
    // The pane's buttons stand in their places.
    const platform::RECT pane = Pane()->GetClientRect();
    auto placed = [this](platform::UINT id) { return Pane()->Button(id)->GetRectInParent(); };
    EXPECT_EQ(placed(CMJGameTableView::kIdAskToSee),
              (platform::RECT{0, pane.bottom - 24, 70, pane.bottom}));
    EXPECT_EQ(placed(CMJGameTableView::kIdStart),
              (platform::RECT{pane.right / 2 - 40, pane.bottom - 160, pane.right / 2 + 40,
                              pane.bottom - 130}));
    // The claim buttons in a row above the own hand's right end: pass, hu,
    // kong, peng, then chow when the round plays chows.
    const bool chows = app_->GetTableLogic()->HasChowButton();
    std::vector<platform::UINT> row = {CMJGameTableView::kIdPass, CMJGameTableView::kIdHu,
                                       CMJGameTableView::kIdKong, CMJGameTableView::kIdPeng};
    if (chows) row.push_back(CMJGameTableView::kIdChow);
    EXPECT_EQ(placed(row.back()).right, hand.right);
    for (size_t k = 0; k < row.size(); ++k) {
        EXPECT_EQ(placed(row[k]).bottom, hand.top - 4) << k;
        if (k > 0) {
            EXPECT_GT(placed(row[k]).left, placed(row[k - 1]).right) << k;
        }
    }
    if (!chows) {
        EXPECT_FALSE(Pane()->Button(CMJGameTableView::kIdChow)->IsWindowVisible());
    }
    // A static text on the pane: yellow letters straight on the table.
    platform::CStatic label;
    label.Create("庄家", platform::WS_CHILD | platform::WS_VISIBLE, {10, 300, 90, 330}, Pane(),
                 1900);
    client::testing::Pump();
    const platform::Surface labelled = ui_.display->Screen(Frame()->GetSafeHwnd().value);
    const platform::POINT origin = Frame()->ScreenToClient(Pane()->ClientToScreen({10, 300}));
    int yellow = 0, grey = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 80; ++x) {
            const platform::COLORREF c = platform::ColorOf(labelled.At(origin.x + x, origin.y + y));
            yellow += c == 0x00ffff;
            grey += c == platform::GetSysColor(platform::COLOR_BTNFACE);
        }
    }
    EXPECT_GT(yellow, 20);
    EXPECT_EQ(grey, 0);
}

TEST_F(ClassicPaneTest, TheMouseRaisesDragsAndPeeksAsTheOwnHandAllows) {
    PlayToOwnTurn();
    platform::RECT area;
    Scene().GetHandAreaRect(3, &area);
    const platform::POINT outside{area.left + 5, area.top - 30};
    struct Row {
        const char* name;
        std::function<void()> act;
        std::function<void(const std::vector<int32_t>& before)> check;
    };
    const auto hoverSound = "sound 29100";
    long sounds = 0;
    int32_t x7 = 0;
    std::vector<int32_t> afterTaking;
    std::vector<Row> rows = {
        {"a click on a tile that is not raised does nothing",
         [&] { Mouse(platform::WM_LBUTTONDOWN, TileAt(3)); },
         [&](const std::vector<int32_t>& before) {
             EXPECT_EQ(OwnFaces(), before);
             std::lock_guard lock(mu_);
             EXPECT_EQ(requests_.count(kReqDiscard), 0u);
         }},
        {"leaving the hand lowers the raised tile, each with a sound",
         [&] {
             sounds = Sounds(hoverSound);
             Mouse(platform::WM_MOUSEMOVE, TileAt(4));
             EXPECT_EQ(Scene().RaisedHandTile(3), 4);
             Mouse(platform::WM_MOUSEMOVE, outside);
         },
         [&](const std::vector<int32_t>&) {
             EXPECT_EQ(Scene().RaisedHandTile(3), -1);
             EXPECT_EQ(Sounds(hoverSound), sounds + 2);
         }},
        {"dragging tile 2 onto tile 6's place moves it there, the others close up",
         [&] {
             Mouse(platform::WM_MOUSEMOVE, TileAt(2));
             Mouse(platform::WM_RBUTTONDOWN, TileAt(2), platform::MK_RBUTTON);
             EXPECT_EQ(Pane()->CursorState(), 2);
             // Held by its middle, the tile is dropped a little right of
             // tile 6's middle: onto tile 6's column.
             const platform::POINT onto{TileAt(6).x + 5, TileAt(6).y};
             Mouse(platform::WM_MOUSEMOVE, onto, platform::MK_RBUTTON);
             EXPECT_TRUE(Scene().Dragging());
             Mouse(platform::WM_RBUTTONUP, onto);
         },
         [&](const std::vector<int32_t>& before) {
             std::vector<int32_t> want = before;
             std::rotate(want.begin() + 2, want.begin() + 3, want.begin() + 7);
             EXPECT_EQ(OwnFaces(), want);
             EXPECT_EQ(Scene().OwnDragIndex(), -1);
             EXPECT_TRUE(Scene().JustDropped());
         }},
        {"the first move after a drop raises nothing",
         [&] { Mouse(platform::WM_MOUSEMOVE, TileAt(8)); },
         [&](const std::vector<int32_t>&) {
             EXPECT_EQ(Scene().RaisedHandTile(3), -1);
             EXPECT_FALSE(Scene().JustDropped());
         }},
        {"a drop on the tile's own column puts it back and changes nothing",
         [&] {
             Mouse(platform::WM_MOUSEMOVE, TileAt(7));
             Mouse(platform::WM_MOUSEMOVE, TileAt(7));
             const platform::POINT p = TileAt(7), near{p.x + 3, p.y};
             x7 = Own(7).x;
             sounds = Sounds(hoverSound);
             Mouse(platform::WM_RBUTTONDOWN, p, platform::MK_RBUTTON);
             Mouse(platform::WM_MOUSEMOVE, near, platform::MK_RBUTTON);
             EXPECT_EQ(Own(7).x, x7 + 3);
             Mouse(platform::WM_RBUTTONUP, near);
         },
         [&](const std::vector<int32_t>& before) {
             EXPECT_EQ(OwnFaces(), before);
             EXPECT_EQ(Own(7).raised, 0);
             EXPECT_EQ(Own(7).x, x7);
             EXPECT_EQ(Sounds(hoverSound), sounds);
             EXPECT_EQ(Scene().OwnDragIndex(), 7);
         }},
        {"beyond the right end, with the drawn tile in hand, it lands in place 0",
         [&] {
             Mouse(platform::WM_MOUSEMOVE, TileAt(9));
             Mouse(platform::WM_MOUSEMOVE, TileAt(9));
             Mouse(platform::WM_RBUTTONDOWN, TileAt(9), platform::MK_RBUTTON);
             Mouse(platform::WM_MOUSEMOVE, {area.right + 4, area.top - 5}, platform::MK_RBUTTON);
             Mouse(platform::WM_RBUTTONUP, {area.right + 4, area.top - 5});
         },
         [&](const std::vector<int32_t>& before) {
             std::vector<int32_t> want = before;
             std::rotate(want.begin(), want.begin() + 9, want.begin() + 10);
             EXPECT_EQ(OwnFaces(), want);
         }},
        {"a click on the turned-up wall tile shows it for a second",
         [&] {
             platform::RECT peek;
             Scene().GetDrawPosRect(&peek);
             ASSERT_GT(peek.right, peek.left);
             Mouse(platform::WM_LBUTTONDOWN, {peek.left + 2, peek.top + 2});
         },
         [&](const std::vector<int32_t>&) {
             const int32_t j = app_->GetTableLogic()->Word(snap::kTurnedUpPos);
             EXPECT_EQ(Scene().GetMJStruct(kAreaWall, 0, j)->showLarge, 1);
             EXPECT_TRUE(PumpUntil(
                 [&] { return Scene().GetMJStruct(kAreaWall, 0, j)->showLarge == 0; }, 100, true));
         }},
    };
    // The table changes the hand under a drag: the tile the drag holds is
    // taken, or locked; the drop does nothing, and leaves the tile on its
    // place. While a choice of tiles runs the pane drops nothing.
    const struct {
        const char* name;
        std::function<void(int32_t held)> change;
    } changes[] = {
        {"a tile the table took during the drag is not put back by the drop",
         [&](int32_t held) { Scene().RemoveHandTile(3, Own(held).nFace); }},
        {"a tile locked during the drag stays where it is",
         [&](int32_t held) { Scene().GetMJStruct(kAreaHand, 3, held)->locked = 1; }},
        {"a drop while the hand is in a choice does nothing",
         [&](int32_t) { Scene().SetHandMode(2); }},
    };
    for (const auto& c : changes) {
        rows.push_back({c.name,
                        [&] {
                            Mouse(platform::WM_MOUSEMOVE, TileAt(3));
                            Mouse(platform::WM_MOUSEMOVE, TileAt(3));
                            Mouse(platform::WM_RBUTTONDOWN, TileAt(3), platform::MK_RBUTTON);
                            ASSERT_EQ(Scene().OwnDragIndex(), 3);
                            x7 = Own(3).x;
                            c.change(3);
                            afterTaking = OwnFaces();
                            Mouse(platform::WM_MOUSEMOVE, TileAt(8), platform::MK_RBUTTON);
                            Mouse(platform::WM_RBUTTONUP, TileAt(8));
                        },
                        [&](const std::vector<int32_t>&) {
                            EXPECT_EQ(OwnFaces(), afterTaking);
                            if (Scene().GetHandMode() == 0) {
                                EXPECT_EQ(Own(3).x, x7);
                            }
                            Scene().SetHandMode(0);
                            Scene().GetMJStruct(kAreaHand, 3, 3)->locked = 0;
                        }});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<int32_t> before = OwnFaces();
        row.act();
        row.check(before);
    }
}

// The round's start rolls the thrown dice until the clock shows, and shows
// the turned-up tile full size for two seconds.
TEST_F(ClassicPaneTest, TheRoundStartRollsTheDiceAndShowsTheTurnedUpTileFullSize) {
    client::testing::Pump();
    ui_.Click(*Pane()->Button(CMJGameTableView::kIdStart), {4, 4});
    ASSERT_TRUE(PumpUntil([this] { return Scene().InRound() != 0; }, 10));
    const int32_t j = app_->GetTableLogic()->Word(snap::kTurnedUpPos);
    const MJStruct& turned = *Scene().GetMJStruct(kAreaWall, 0, j);
    ASSERT_EQ(turned.faceState, 1);
    EXPECT_EQ(turned.showLarge, 1);
    // Drawn full size from the large faces over the turned-up tile.
    Pane()->RedrawTable();
    platform::RECT big;
    Scene().GetDrawTileRect(&big);
    const int32_t cell = TileImageIndex(turned.nFace) * 42;
    EXPECT_EQ(Unlike("MJ_LARGE1", {cell, 0, cell + 42, 60}, {big.left, big.top}), 0);
    int32_t thrown[2];
    app_->GetTableLogic()->GetDice(thrown);
    const CMJTableSceneBase::ClassicDice& dice = Scene().GetClassicDice();
    EXPECT_TRUE(dice.shown);
    EXPECT_EQ(dice.first, thrown[0]);
    EXPECT_EQ(dice.second, thrown[1]);
    EXPECT_EQ(Sounds("sound 29101"), 1);
    // A frame every 60 ms; the last, the thrown numbers, stays.
    for (int32_t frame = 0; frame <= 9; ++frame) {
        EXPECT_EQ(dice.frame, std::min(frame, 8)) << frame;
        clock_.AdvanceMillis(60);
        client::testing::Pump();
    }
    platform::RECT box;
    Scene().GetDiceRect(&box);
    const std::string second = "DICE" + std::to_string(6 + thrown[1]);
    Pane()->RedrawTable();
    EXPECT_EQ(Unlike(second.c_str(), {8 * 106, 0, 9 * 106, 99}, {box.left + 106, box.top}), 0);
    clock_.AdvanceMillis(1900 - 600);
    client::testing::Pump();
    EXPECT_EQ(turned.showLarge, 1);
    clock_.AdvanceMillis(200);
    client::testing::Pump();
    EXPECT_EQ(turned.showLarge, 0);
    ASSERT_TRUE(PumpUntil([this] { return Scene().GetClockFace().visible; }, 20, true));
    Pane()->RedrawTable();
    EXPECT_GT(Unlike(second.c_str(), {8 * 106, 0, 9 * 106, 99}, {box.left + 106, box.top}), 100);
}

// A looker at the classic pane, watching chair 0 of four bots.
class ClassicPaneLookerTest : public ClassicPaneTest {
  protected:
    bool Looker() const override { return true; }
};

TEST_F(ClassicPaneLookerTest, AskingToSeeTheHandWaitsFifteenSecondsBeforeAskingAgain) {
    platform::CButton& ask = *Pane()->Button(CMJGameTableView::kIdAskToSee);
    ASSERT_TRUE(PumpUntil(
        [&] {
            client::testing::Pump();
            return Scene().InRound() != 0 && ask.IsWindowVisible();
        },
        20, true));
    EXPECT_FALSE(Pane()->Button(CMJGameTableView::kIdStart)->IsWindowVisible());
    ASSERT_TRUE(ask.IsWindowEnabled());
    ui_.Click(ask, {4, 4});
    ASSERT_FALSE(WaitForRequest(kReqSeeHand).empty());
    EXPECT_FALSE(ask.IsWindowEnabled());
    ui_.Click(ask, {4, 4});  // while it waits: no second request
    clock_.AdvanceMillis(14900);
    client::testing::Pump();
    EXPECT_FALSE(ask.IsWindowEnabled());
    clock_.AdvanceMillis(200);
    client::testing::Pump();
    EXPECT_TRUE(ask.IsWindowEnabled());
    std::lock_guard lock(mu_);
    EXPECT_EQ(requests_.count(kReqSeeHand), 0u);
}

// The classic pane from chair 3, at its first turn: the three chairs
// before it have discarded, the table turned round. After the round's
// result the table is empty and the start button back.
class ClassicPaneChair3Test : public ClassicPaneTest {
  protected:
    int32_t OwnChair() const override { return 3; }
};

TEST_F(ClassicPaneChair3Test, TheTableShowsFromAnotherChairAndAfterTheResultIsEmpty) {
    PlayToOwnTurn();
    Pane()->RedrawTable();
    testing::ExpectGolden("classic_pane_chair3.png", Pane()->TablePicture());
    // The clock plays the own turns until the round ends.
    platform::CButton& start = *Pane()->Button(CMJGameTableView::kIdStart);
    ASSERT_TRUE(PumpUntil([&] { return start.IsWindowVisible(); }, 500, true));
    EXPECT_EQ(app_->GetTableLogic()->GetTableFlags() & snap::kFlagRunning, 0);
    EXPECT_EQ(Scene().InRound(), 0);
    // The marks are cleared (the bots may have started the next game since).
    EXPECT_EQ(app_->GetSeatPanel()->Seat(3).started, 0);
    for (int32_t seat = 0; seat < 4; ++seat) {
        EXPECT_EQ(app_->GetSeatPanel()->Seat(seat).banker, 0) << seat;
        for (int32_t i = 0; i < kHandRecords; ++i)
            EXPECT_EQ(Scene().GetMJStruct(kAreaHand, seat, i)->present, 0) << seat << " " << i;
    }
    for (platform::UINT id : {CMJGameTableView::kIdPass, CMJGameTableView::kIdPeng})
        EXPECT_FALSE(Pane()->Button(id)->IsWindowVisible());
}

}  // namespace
}  // namespace mahjong
