// The real client's right-hand column at the table: the panes' sizes on the
// screens it meets, the operation bar's pictures and tool tips as the screen
// shows them, what the rules button says when no browser takes the page,
// the leave the other players grant, and the level column through a
// settlement.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "client/chat_view.h"
#include "client/comm_thread.h"
#include "client/game_frame.h"
#include "client/game_table_view.h"
#include "client/picture_file.h"
#include "client/player_view.h"
#include "mahjong/panes/exit_dialogs.h"
#include "mahjong/panes/operate_pane.h"
#include "platform/gui/sys_colors.h"
#include "platform/profile.h"
#include "tools/gameserver/level_titles.h"
#include "tools/gameserver/tests/running_client.h"

namespace mahjong {
namespace {

using platform::RECT;
using testing::ClientLayout;
using testing::RunningClient;

// A row's height in the column's splitter; its pane covers it.
int RowHeight(CMainFrame& frame, int row) {
    int current = 0, minimum = 0;
    frame.InnerSplitter().GetRowInfo(row, current, minimum);
    platform::CWnd* pane = frame.InnerSplitter().GetPane(row, 0);
    EXPECT_TRUE(pane && pane->GetClientRect().Height() >= current) << row;
    return current;
}

TEST(ClientPanes, SizesFollowTheScreenTheChairsAndTheStackedBar) {
    const ClientLayout cases[] = {
        {{1024, 768}, 4, 1}, {{1920, 1080}, 3, 1}, {{800, 600}, 4, 2}, {{800, 600}, 3, 1}};
    for (const ClientLayout& c : cases) {
        const bool small = c.screen.cx <= 800, stacked = small && c.word3 == 2;
        SCOPED_TRACE(std::to_string(c.screen.cx) + " wide, " + std::to_string(c.chairs) +
                     " chairs, layout word 3 = " + std::to_string(c.word3));
        RunningClient client(c);
        ASSERT_TRUE(client.Started());
        CMainFrame& frame = *client.Frame();
        auto* bar = dynamic_cast<CMJOperateView*>(frame.GetOperatePane());
        ASSERT_EQ(frame.InnerSplitter().GetPane(0, 0), bar);
        const int w = bar->ButtonWidth(), h = bar->ButtonHeight();
        int tableWidth = 0, minimum = 0;
        frame.OuterSplitter().GetColumnInfo(0, tableWidth, minimum);
        EXPECT_EQ(tableWidth,
                  platform::GetDisplay()->WorkArea().Width() * 14 / 18 + (small ? 120 : 0));
        EXPECT_GE(frame.GetTableView()->GetClientRect().Width(), tableWidth);
        EXPECT_EQ(RowHeight(frame, 0), stacked ? 4 * h : 36);
        EXPECT_EQ(RowHeight(frame, 1), 140);
        EXPECT_EQ(RowHeight(frame, 2), small ? 56 + 16 * c.chairs : 72 + 32 * c.chairs);
        // Every button whole in the bar's height: in a row, or one under
        // another as settings, leave, rules, spare.
        const platform::UINT column[4] = {kCmdGameSettings, kCmdLeaveTable, kCmdRulesPage,
                                          kCmdOperateSpare};
        const int top = (bar->GetClientRect().bottom - h) / 2;
        for (int i = 0; i < 4; ++i) {
            const platform::UINT id = stacked ? column[i] : kCmdRulesPage + platform::UINT(i);
            const RECT r = bar->Button(id).GetRectInParent();
            const RECT want =
                stacked ? RECT{0, i * h, w, (i + 1) * h} : RECT{r.left, top, r.left + w, top + h};
            EXPECT_EQ(r, want) << id;
        }
    }
}

TEST(ClientPanes, TheOperationBarShowsEachButtonsPictureAndNamesItInATip) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    CMainFrame& frame = *client.Frame();
    auto& bar = *dynamic_cast<CMJOperateView*>(frame.GetOperatePane());
    auto& ui = client.Ui();
    auto at = [&](platform::CWnd& w, platform::POINT p) {
        return frame.ScreenToClient(w.ClientToScreen(p));
    };
    auto settle = [&](int ms) {
        for (int t = 0; t < ms; t += 50) {
            client.Clock().AdvanceMillis(50);
            client::testing::Pump();
        }
    };
    settle(200);
    const platform::Surface shown = ui.display->Screen(frame.GetSafeHwnd().value);
    const uint32_t shadow = platform::PixelOf(platform::GetSysColor(platform::COLOR_3DSHADOW));
    for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id) {
        SCOPED_TRACE(id);
        const size_t k = id - kCmdRulesPage;
        const platform::Surface picture =
            client::LoadPictureFile(ui.dir.path() + "/skins/skin1/" + kOperatePictures[k] + ".bmp");
        ASSERT_FALSE(picture.Empty());
        COperateButton& button = bar.Button(id);
        const platform::POINT origin = at(button, {(bar.ButtonWidth() - picture.Width()) / 2,
                                                   (bar.ButtonHeight() - picture.Height()) / 2});
        // The picture where it is not clear; the spare key embossed in the
        // shadow colour, and disabled.
        const bool spare = id == kCmdOperateSpare;
        EXPECT_EQ(button.IsWindowEnabled(), !spare);
        int differ = 0, opaque = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                const uint32_t p = picture.At(x, y) & 0xFFFFFFu;
                if (p == 0xFF00FFu) continue;
                ++opaque;
                differ += (shown.At(origin.x + x, origin.y + y) & 0xFFFFFFu) !=
                          (spare ? shadow & 0xFFFFFFu : p);
            }
        }
        EXPECT_GT(opaque, picture.Width() * picture.Height() / (spare ? 5 : 2));
        EXPECT_LE(differ, spare ? opaque / 10 : 0);
        // The pointer resting on it shows its name.
        ui.Point(button, {bar.ButtonWidth() / 2, bar.ButtonHeight() / 2});
        settle(500);
        const platform::CToolTipCtrl* tip = button.ToolTip();
        EXPECT_EQ(tip && ui.display->IsShown(tip->GetSafeHwnd().value), !spare);
        EXPECT_EQ(tip ? tip->ShownText() : "", spare ? "" : kOperateTips[k]);
        ui.Point(bar, {1, 1});
        settle(100);
    }
}

TEST(ClientPanes, TheRulesButtonSaysInTheStatusLineWhenNoBrowserTakesThePage) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    // A PATH without xdg-open: no browser can take the page.
    const std::string path = getenv("PATH") ? getenv("PATH") : "";
    const std::filesystem::path empty = client.Ui().dir / "no-programs";
    std::filesystem::create_directory(empty);
    setenv("PATH", empty.c_str(), 1);
    auto& bar = *dynamic_cast<CMJOperateView*>(client.Frame()->GetOperatePane());
    client.Ui().Click(bar.Button(kCmdRulesPage), {10, 10});
    const client::CGameCommThread& comm = *client.app->CommThread();
    const std::string said =
        "无法打开" + client.app->GetRulesPage().substr(0, 32) + "：没有可用的浏览器";
    EXPECT_TRUE(client.PumpUntil([&] { return comm.Status().text == said; }));
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(comm.Status().visible);
    EXPECT_TRUE(client.Ui().display->IsShown(comm.WaitWindow().value));
    client.Clock().AdvanceMillis(client::kNoBrowserSeconds * 1000);  // then it goes
    EXPECT_TRUE(client.PumpUntil([&] { return !comm.Status().visible; }));
}

// Presses the exit request box's request button inside the box's own loop.
struct RequestPresser : platform::CWnd {
    ~RequestPresser() override { Destroy(); }
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message != platform::WM_USER) return CWnd::OnMessage(msg);
        if (CExitRequestDlg* shown = frame->ExitRequestBox()) {
            ++boxes;
            platform::SendMessage(shown->GetSafeHwnd(), platform::WM_COMMAND,
                                  CExitRequestDlg::kIdRequest);
        }
        return 0;
    }
    CMainFrame* frame = nullptr;
    int boxes = 0;
};

TEST(ClientPanes, OnceEveryOtherPlayerAgreedTheClientSaysSoAndLeavesWithoutAsking) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(client.StartRound());
    CMainFrame* frame = client.Frame();
    RequestPresser presser;
    presser.frame = frame;
    ASSERT_TRUE(presser.CreateEx(0, "", platform::WS_POPUP, {0, 0, 1, 1}, nullptr, 0));
    auto close = [&] {
        platform::PostMessage(frame->GetSafeHwnd(), platform::WM_CLOSE);
        platform::PostMessage(presser.GetSafeHwnd(), platform::WM_USER);
        client::testing::Pump();
    };
    client::CChatRichEdit& chat = frame->GetChatView()->ChatText();
    const client::CGameCommThread& comm = *client.app->CommThread();
    close();
    EXPECT_EQ(presser.boxes, 1);
    EXPECT_EQ(client.app->ExitRequests(0), 1);
    // The three bots agree: the chat and the status line tell the player.
    ASSERT_TRUE(client.PumpUntil(
        [&] {
            return chat.GetTextRange(0, chat.Length()).find(kTextLeaveAgreed) != std::string::npos;
        },
        100));
    EXPECT_TRUE(client.app->LeaveAgreed());
    EXPECT_TRUE(client.PumpUntil([&] { return comm.Status().text == kTextLeaveAgreed; }));
    EXPECT_TRUE(comm.Status().visible);
    // One of them takes it back: closing asks again.
    std::vector<uint8_t> answer(40);
    platform::StoreLE32(&answer[0], client.app->GetSeatUserId(2));
    platform::StoreLE32(&answer[16], client.app->GetUserId());
    ASSERT_TRUE(client.app->GetNotifyHandler()->Dispatch(400007, answer));
    EXPECT_FALSE(client.app->LeaveAgreed());
    close();
    EXPECT_EQ(presser.boxes, 2);
    EXPECT_EQ(client.app->ExitRequests(0), 2);
    // Agreed and taken back once more: after two requests the box no longer
    // opens; what quitting costs is asked, and its time-out stays.
    ASSERT_TRUE(client.PumpUntil([&] { return client.app->LeaveAgreed(); }, 100));
    ASSERT_TRUE(client.app->GetNotifyHandler()->Dispatch(400007, answer));
    close();
    EXPECT_EQ(presser.boxes, 2);
    EXPECT_EQ(client.lines.back(), std::string("message: ") + client::kTextQuitCosts);
    EXPECT_TRUE(platform::IsWindow(frame->GetSafeHwnd()));
    // Agreed again: the next close leaves the table at once.
    platform::StoreLE32(&answer[20], 1);
    ASSERT_TRUE(client.app->GetNotifyHandler()->Dispatch(400007, answer));
    close();
    EXPECT_EQ(presser.boxes, 2);
    EXPECT_FALSE(platform::IsWindow(frame->GetSafeHwnd()));
}

TEST(ClientPanes, TheLevelColumnNamesEachSeatsLevelAfterASettlement) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    client::CDataListCtrl& list = client.Frame()->GetPlayerView()->List();
    int level = -1, score = -1;
    for (int c = 0; c < list.GetColumnCount(); ++c) {
        platform::HDITEM h;
        list.GetHeaderCtrl()->GetItem(c, h);
        if (h.text == "级别") level = c;
        if (h.text == "积分") score = c;
    }
    ASSERT_GE(level, 0);
    ASSERT_GE(score, 0);
    auto titlesNameScores = [&] {
        for (int row = 0; row < 4; ++row) {
            const std::string title = list.GetItemText(row, level);
            EXPECT_FALSE(title.empty()) << row;
            EXPECT_EQ(title, gameserver::LevelTitleOfScore(std::stoi(list.GetItemText(row, score))))
                << row;
        }
    };
    titlesNameScores();
    // The client plays the round alone to its settlement.
    platform::WritePrivateProfileString("AI", "bn_Robot", "1", client.app->GetIniPath());
    const int rounds = client.Rounds();
    ASSERT_TRUE(client.StartRound());
    ASSERT_TRUE(client.PumpUntil([&] { return client.Rounds() > rounds; }, 250));
    ASSERT_TRUE(client.PumpUntil([&] { return !client.Scene().InRound(); }, 100));
    titlesNameScores();
}

}  // namespace
}  // namespace mahjong
