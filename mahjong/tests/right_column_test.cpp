// The right-hand column of the running client: the panes' sizes on the
// screens it meets, the operation bar's pictures and tool tips as the
// screen shows them, what the rules button says when no browser takes the
// page, the leave the other players grant, and the level column through a
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
#include "mahjong/tests/running_client.h"
#include "platform/gui/sys_colors.h"
#include "platform/profile.h"
#include "tools/gameserver/level_titles.h"

namespace mahjong {
namespace {

using platform::RECT;
using testing::ClientLayout;
using testing::RunningClient;

// A row's height in the right-hand column's splitter (the skin's panes
// cover the splitter's one-pixel border around it as well).
int RowHeight(CMainFrame& frame, int row) {
    int current = 0, minimum = 0;
    frame.InnerSplitter().GetRowInfo(row, current, minimum);
    platform::CWnd* pane = frame.InnerSplitter().GetPane(row, 0);
    EXPECT_TRUE(pane && pane->GetClientRect().Height() >= current) << row;
    return current;
}

TEST(RightColumn, PaneSizesFollowTheScreenTheChairsAndTheStackedBar) {
    const ClientLayout cases[] = {
        {{1024, 768}, 4, 1}, {{1920, 1080}, 3, 1}, {{800, 600}, 4, 2}, {{800, 600}, 3, 1}};
    for (const ClientLayout& c : cases) {
        const bool small = c.screen.cx <= 800, stacked = small && c.word3 == 2;
        SCOPED_TRACE(std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy) + ", " +
                     std::to_string(c.chairs) + " chairs" + (stacked ? ", stacked" : ""));
        RunningClient client(c);
        ASSERT_TRUE(client.Started());
        CMainFrame& frame = *client.Frame();
        auto* bar = dynamic_cast<CMJOperateView*>(frame.GetOperatePane());
        ASSERT_NE(bar, nullptr);
        const int w = bar->ButtonWidth(), h = bar->ButtonHeight();
        const int work = platform::GetDisplay()->WorkArea().Width();
        int tableWidth = 0, minimum = 0;
        frame.OuterSplitter().GetColumnInfo(0, tableWidth, minimum);
        EXPECT_EQ(tableWidth, work * 14 / 18 + (small ? 120 : 0));
        EXPECT_GE(frame.GetTableView()->GetClientRect().Width(), tableWidth);
        EXPECT_EQ(frame.InnerSplitter().GetPane(0, 0), bar);
        EXPECT_EQ(RowHeight(frame, 0), stacked ? 4 * h : 36);
        EXPECT_EQ(RowHeight(frame, 1), 140);
        EXPECT_EQ(RowHeight(frame, 2), small ? 56 + 16 * c.chairs : 72 + 32 * c.chairs);
        // Every button stands whole in the bar's height: in a row, or one
        // under another in the order settings, leave, rules, spare.
        const RECT area = bar->GetClientRect();
        const platform::UINT column[4] = {kCmdGameSettings, kCmdLeaveTable, kCmdRulesPage,
                                          kCmdOperateSpare};
        for (int i = 0; i < 4; ++i) {
            const platform::UINT id = stacked ? column[i] : kCmdRulesPage + platform::UINT(i);
            const RECT r = bar->Button(id).GetRectInParent();
            EXPECT_EQ(r.Width(), w);
            EXPECT_EQ(r.Height(), h);
            if (stacked) {
                EXPECT_EQ((RECT{0, i * h, w, (i + 1) * h}), r) << id;
            }
            EXPECT_TRUE(r.top >= 0 && r.bottom <= area.bottom) << id;
        }
    }
}

TEST(RightColumn, TheOperationBarShowsEachButtonsPictureAndNamesItInATip) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    CMainFrame& frame = *client.Frame();
    auto& bar = *dynamic_cast<CMJOperateView*>(frame.GetOperatePane());
    auto& ui = client.Ui();
    const auto frameId = frame.GetSafeHwnd().value;
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
    const platform::Surface shown = ui.display->Screen(frameId);
    const uint32_t shadow = platform::PixelOf(platform::GetSysColor(platform::COLOR_3DSHADOW));
    for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id) {
        SCOPED_TRACE(id);
        const std::string file =
            ui.dir.path() + "/skins/skin1/" + kOperatePictures[id - kCmdRulesPage] + ".bmp";
        const platform::Surface picture = client::LoadPictureFile(file);
        ASSERT_FALSE(picture.Empty()) << file;
        COperateButton& button = bar.Button(id);
        const platform::POINT origin = at(button, {(bar.ButtonWidth() - picture.Width()) / 2,
                                                   (bar.ButtonHeight() - picture.Height()) / 2});
        const bool spare = id == kCmdOperateSpare;
        EXPECT_EQ(button.IsWindowEnabled(), !spare);
        // The picture where it is not clear; the spare one embossed, in the
        // shadow colour.
        int differ = 0, opaque = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                const uint32_t p = picture.At(x, y) & 0xFFFFFFu;
                if (p == 0xFF00FFu) continue;
                ++opaque;
                const uint32_t want = spare ? shadow & 0xFFFFFFu : p;
                differ += (shown.At(origin.x + x, origin.y + y) & 0xFFFFFFu) != want;
            }
        }
        EXPECT_GT(opaque, picture.Width() * picture.Height() * 3 / 4);
        EXPECT_LE(differ, spare ? opaque / 20 : 0);

        // Resting the pointer on it names it after the tip's delay.
        platform::InputEvent move;
        move.kind = platform::InputEvent::Kind::MouseMove;
        move.window = frameId;
        move.point = at(button, {bar.ButtonWidth() / 2, bar.ButtonHeight() / 2});
        ui.display->Inject(move);
        client::testing::Pump();
        settle(500);
        const platform::CToolTipCtrl* tip = button.ToolTip();
        if (spare) {
            EXPECT_TRUE(!tip || !tip->IsShown());
        } else {
            ASSERT_NE(tip, nullptr);
            EXPECT_TRUE(ui.display->IsShown(tip->GetSafeHwnd().value));
            EXPECT_EQ(tip->ShownText(), kOperateTips[id - kCmdRulesPage]);
        }
        move.point = at(bar, {1, 1});
        ui.display->Inject(move);
        client::testing::Pump();
        settle(100);
    }
}

TEST(RightColumn, TheRulesButtonSaysInTheStatusLineWhenNoBrowserTakesThePage) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    // A PATH without xdg-open: no browser can open the page.
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
    // It goes by itself after a while.
    client.Clock().AdvanceMillis(client::kNoBrowserSeconds * 1000);
    EXPECT_TRUE(client.PumpUntil([&] { return !comm.Status().visible; }));
}

// The exit request box's request button, pressed inside the box's own loop.
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

TEST(RightColumn, OnceEveryOtherPlayerAgreedTheClientSaysSoAndLeavesWithoutAsking) {
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
    auto told = [&] {
        return chat.GetTextRange(0, chat.Length()).find(kTextLeaveAgreed) != std::string::npos;
    };
    const client::CGameCommThread& comm = *client.app->CommThread();

    close();
    EXPECT_EQ(presser.boxes, 1);
    ASSERT_TRUE(client.Requested(400006));
    // The three bots agree: the chat and the status line tell the player.
    ASSERT_TRUE(client.PumpUntil(told, 100));
    EXPECT_TRUE(client.app->LeaveAgreed());
    EXPECT_TRUE(client.PumpUntil([&] { return comm.Status().text == kTextLeaveAgreed; }));
    EXPECT_TRUE(comm.Status().visible);

    // One of them takes it back: closing asks again.
    std::vector<uint8_t> refusal(40);
    platform::StoreLE32(&refusal[0], client.app->GetSeatUserId(2));
    platform::StoreLE32(&refusal[16], client.app->GetUserId());
    ASSERT_TRUE(client.app->GetNotifyHandler()->Dispatch(400007, refusal));
    EXPECT_FALSE(client.app->LeaveAgreed());
    close();
    EXPECT_EQ(presser.boxes, 2);
    ASSERT_TRUE(client.Requested(400006));
    EXPECT_TRUE(platform::IsWindow(frame->GetSafeHwnd()));
    // Agreed again: the next close leaves the table at once.
    ASSERT_TRUE(client.PumpUntil([&] { return client.app->LeaveAgreed(); }, 100));
    close();
    EXPECT_EQ(presser.boxes, 2);
    EXPECT_TRUE(client.Requested(201120));
    EXPECT_FALSE(platform::IsWindow(frame->GetSafeHwnd()));
}

TEST(RightColumn, TheLevelColumnShowsEachSeatsTitleAfterASettlement) {
    RunningClient client;
    ASSERT_TRUE(client.Started());
    client::CDataListCtrl& list = client.Frame()->GetPlayerView()->List();
    int levelColumn = -1, scoreColumn = -1;
    for (int c = 0; c < list.GetColumnCount(); ++c) {
        platform::HDITEM h;
        list.GetHeaderCtrl()->GetItem(c, h);
        if (h.text == "级别") levelColumn = c;
        if (h.text == "积分") scoreColumn = c;
    }
    ASSERT_GE(levelColumn, 0);
    ASSERT_GE(scoreColumn, 0);
    auto titlesMatchScores = [&] {
        for (int row = 0; row < 4; ++row) {
            const std::string title = list.GetItemText(row, levelColumn);
            const int32_t score = std::stoi(list.GetItemText(row, scoreColumn));
            EXPECT_FALSE(title.empty()) << row;
            EXPECT_EQ(title, gameserver::LevelTitleOfScore(score)) << row;
        }
    };
    titlesMatchScores();
    // The client plays the round alone to its settlement.
    platform::WritePrivateProfileString("AI", "bn_Robot", "1", client.app->GetIniPath());
    const int rounds = client.Rounds();
    ASSERT_TRUE(client.StartRound());
    ASSERT_TRUE(client.PumpUntil([&] { return client.Rounds() > rounds; }, 250));
    ASSERT_TRUE(client.PumpUntil([&] { return !client.Scene().InRound(); }, 100));
    titlesMatchScores();
}

}  // namespace
}  // namespace mahjong
