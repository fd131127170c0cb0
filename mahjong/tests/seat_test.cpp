#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "mahjong/app/seat_panel.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/tests/temp_dir.h"
#include "rules/random.h"

namespace mahjong {
namespace {

using testing::SeatApp;

// View seat of the chair `d` places after the own chair, by chair count:
// the own chair is at the bottom (3), the next on the right (0), the
// opposite at the top (1), the previous on the left (2).
int ExpectedView(int d, int chairs) {
    if (d == 0) return 3;
    if (d == 1) return 0;
    if (d == chairs - 1) return 2;
    return 1;
}

TEST(Seats, ChairsMapToViewSeatsAndBackForEveryTableAndLooker) {
    for (int chairs : {2, 3, 4}) {
        for (int own = 0; own < chairs; ++own) {
            for (bool looker : {false, true}) {
                auto app = SeatApp(own, chairs, looker);
                ASSERT_EQ(app->GetOwnChair(), own);
                CTableLogic layout;
                layout.SetLayoutWord(1, chairs);
                CTableScene scene(&layout);
                scene.SetPlayerCount(chairs);
                std::set<int> seen;
                for (int chair = -2; chair < 6; ++chair) {
                    const int want = chair < 0 || chair >= chairs
                                         ? -1
                                         : ExpectedView((chair - own + chairs) % chairs, chairs);
                    SCOPED_TRACE(::testing::Message()
                                 << chairs << " chairs, own " << own << ", chair " << chair);
                    EXPECT_EQ(layout.ChairToViewSeat(chair), want);
                    EXPECT_EQ(scene.ChairToViewSeat(chair), want);
                    if (want < 0) continue;
                    seen.insert(want);
                    EXPECT_EQ(layout.ViewSeatToChair(want), chair);
                    EXPECT_EQ(scene.ViewSeatToChair(want), chair);
                }
                EXPECT_EQ(int(seen.size()), chairs);
                if (chairs < 4) {
                    EXPECT_EQ(scene.ViewSeatToChair(1), -1) << "the top stays empty";
                }
                for (int v : {-1, 4})
                    EXPECT_EQ(scene.ViewSeatToChair(v), -1);
            }
        }
    }
}

TEST(Seats, TurnsPassToThePreviousViewSeatSkippingTheEmptyTop) {
    auto app = SeatApp(1, 4);
    CTableLogic layout;
    CTableScene scene(&layout);
    const int four[4][2] = {{3, 1}, {0, 2}, {1, 3}, {2, 0}};  // seat: prev, next
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(scene.PrevViewSeat(v), four[v][0]);
        EXPECT_EQ(scene.NextViewSeat(v), four[v][1]);
        EXPECT_EQ(layout.PrevSeat4(v), four[v][0]);
    }
    EXPECT_EQ(scene.PrevViewSeat(-1), 2) << "mod 4 stays in 0..3";
    EXPECT_EQ(scene.PrevChair(0), 3);
    EXPECT_EQ(scene.NextChair(3), 0);
    EXPECT_EQ(scene.OppositeChair(-1), 1);
    scene.SetPlayerCount(3);
    layout.SetLayoutWord(1, 3);
    EXPECT_EQ(scene.NextViewSeat(0), 2);
    EXPECT_EQ(scene.PrevViewSeat(2), 0);
    EXPECT_EQ(layout.NextSeat4(0), 2);
    EXPECT_EQ(scene.PrevChair(0), 2);
    // A whole turn cycle visits the three seated view seats.
    int v = 3;
    std::set<int> visited;
    for (int i = 0; i < 3; ++i)
        visited.insert(v = scene.PrevViewSeat(v));
    EXPECT_EQ(visited, (std::set<int>{0, 2, 3}));
    scene.SetPlayerCount(0);
    EXPECT_EQ(scene.NextChair(1), -1) << "no chairs: no arithmetic";
}

TEST(Seats, NeighbourTables) {
    auto app = SeatApp(0, 4);
    CTableLogic layout;
    const int four[4][2] = {{1, 3}, {0, 2}, {1, 3}, {0, 2}};
    const int three[4][2] = {{2, 3}, {0, 2}, {0, 3}, {0, 2}};
    const int others[3][2] = {{2, 1}, {0, 2}, {0, 1}};
    for (int chairs : {2, 3, 4}) {
        layout.SetLayoutWord(1, chairs);
        for (int v = 0; v < 4; ++v) {
            int a = 0, b = 0;
            layout.GetNeighbourSeats(v, &a, &b);
            const int* want = chairs == 4 ? four[v] : chairs == 3 ? three[v] : nullptr;
            EXPECT_EQ(a, want ? want[0] : -1);
            EXPECT_EQ(b, want ? want[1] : -1);
            a = b = 7;
            layout.GetNeighbourSeats2(v, &a, &b);
            EXPECT_EQ(a, v < 3 ? others[v][0] : 7);
            EXPECT_EQ(b, v < 3 ? others[v][1] : 7);
        }
    }
}

TEST(SeatPanel, SeatsFromPlayerRecordsAndMarks) {
    auto app = SeatApp(2, 3);
    CTableLogic logic;
    logic.SetLayoutWord(1, 3);
    CSeatPanel panel(&logic);
    panel.SetLayoutWord(1, 3);
    panel.SetLayoutWord(4, 2);
    std::vector<int> drawn;
    panel.SetSceneSeatPainter([&](int seat) { drawn.push_back(seat); });
    panel.SetupSeats();
    EXPECT_EQ(panel.Seat(3).name, testing::kNames[2]);
    EXPECT_EQ(panel.Seat(3).userId, 103u);
    EXPECT_EQ(panel.Seat(0).name, testing::kNames[0]);
    EXPECT_EQ(panel.Seat(2).name, testing::kNames[1]);
    EXPECT_EQ(panel.Seat(1).userId, 0u) << "the opposite seat stays empty with three chairs";

    testing::Words round(snap::kRoundStartWords);
    round.Set(snap::kBankerChair, 1);
    ASSERT_TRUE(logic.StoreRoundStart(round.Bytes()));
    panel.ResetForRound();
    EXPECT_EQ(drawn, (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(panel.Seat(2).banker, 1);
    EXPECT_EQ(panel.Seat(3).banker, 0);
    EXPECT_EQ(panel.Seat(0).started, 1);
    drawn.clear();
    panel.SetAllStarted(0);
    panel.MarkStarted(7);
    EXPECT_TRUE(drawn.empty()) << "a chair outside the table changes nothing";
    panel.MarkStarted(0);
    EXPECT_EQ(panel.Seat(0).started, 1);
    EXPECT_EQ(drawn, std::vector<int>{0});
}

TEST(SeatPanel, VoiceFoldersAreDealtWithoutRepeatsAndShareAnEmptyKind) {
    platform::testing::TempDir dir;
    setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    struct Case {
        std::vector<std::string> folders;
        std::initializer_list<int32_t> kinds;  // by chair
    };
    const Case cases[] = {
        {{"0a", "0b", "1x"}, {0, 0, 0, 1}},  // three seats of kind 0, two folders
        {{"1x", "1y"}, {0, 1, 0, 2}},        // kind 0 has none: it speaks with kind 1's
        {{}, {0, 1, 0, 1}},                  // no folders at all: nothing changes
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir / "Sound");
        for (const auto& f : c.folders)
            std::filesystem::create_directories(dir / ("Sound/" + f));
        auto app = SeatApp(0, 4, false, c.kinds);
        std::vector<std::string> lists[2];
        app->EnumSoundFolders(lists[0], lists[1]);
        CTableLogic logic;
        CSeatPanel panel(&logic);
        panel.SetupSeats();
        auto folderOf = [&](int chair) {
            return panel.Seat(logic.ChairToViewSeat(chair)).voiceFolder;
        };
        const std::string root = app->GetModuleDir() + "sound\\";
        auto in = [&](const std::string& sub) { return root + sub + "\\"; };
        if (c.folders.empty()) {
            for (int chair = 0; chair < 4; ++chair)
                EXPECT_EQ(folderOf(chair), "");
            continue;
        }
        const std::vector<std::string>& shared = lists[0].empty() ? lists[1] : lists[0];
        // Chairs 0 and 1 draw the two folders of one list without sharing
        // one; chair 2, drawing from the spent list, gets its first folder.
        const std::set<std::string> dealt = {folderOf(0), folderOf(1)};
        EXPECT_EQ(dealt, (std::set<std::string>{in(shared[0]), in(shared[1])}));
        EXPECT_EQ(folderOf(2), in(shared[0]));
        EXPECT_EQ(folderOf(3), lists[0].empty() ? root + "\\" : in("1x"));
    }
    unsetenv("QEVO_PROGRAM_DIR");
}

}  // namespace
}  // namespace mahjong
