#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "mahjong/app/seat_panel.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/tests/temp_dir.h"

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

TEST(Seats, ChairsViewSeatsTurnsAndNeighboursForEveryTableAndLooker) {
    for (int chairs : {2, 3, 4}) {
        for (int own = 0; own < chairs; ++own) {
            for (bool looker : {false, true}) {
                SCOPED_TRACE(::testing::Message() << chairs << " chairs, own " << own << looker);
                auto app = SeatApp(own, chairs, looker);
                CTableLogic layout;
                layout.SetLayoutWord(1, chairs);
                CTableScene scene(&layout);
                scene.SetPlayerCount(chairs);
                std::set<int> seated;
                for (int chair = -2; chair < 6; ++chair) {
                    const bool in = chair >= 0 && chair < chairs;
                    const int want =
                        in ? ExpectedView((chair - own + chairs) % chairs, chairs) : -1;
                    EXPECT_EQ(layout.ChairToViewSeat(chair), want) << chair;
                    EXPECT_EQ(scene.ChairToViewSeat(chair), want) << chair;
                    if (!in) continue;
                    seated.insert(want);
                    EXPECT_EQ(scene.ViewSeatToChair(want), chair);
                    EXPECT_EQ(layout.ViewSeatToChair(want), chair);
                    // The turn passes to the previous chair and the previous view seat.
                    EXPECT_EQ(scene.ViewSeatToChair(scene.PrevViewSeat(want)),
                              scene.PrevChair(chair));
                    EXPECT_EQ(scene.NextViewSeat(scene.PrevViewSeat(want)), want);
                }
                EXPECT_EQ(int(seated.size()), chairs);
                EXPECT_EQ(scene.ViewSeatToChair(4), -1);
                EXPECT_EQ(scene.ViewSeatToChair(1), chairs < 4 ? -1 : OppositeChairOf(own));
                for (int v = 0; v < 4; ++v) {
                    // Neighbours: the seated seats on either side; opponents: the
                    // two seats other than v and the own seat.
                    int a = 9, b = 9;
                    layout.GetNeighbourSeats(v, &a, &b);
                    std::set<int> around = {Mod4(v - 1), Mod4(v + 1)};
                    if (chairs == 3) around = v == 1 ? std::set<int>{0, 2} : std::set<int>{0, 2, 3};
                    if (chairs == 3) around.erase(v);
                    if (chairs == 2) around = {-1};
                    EXPECT_EQ((std::set<int>{a, b}), around) << v;
                    a = b = 9;
                    scene.GetNeighbourSeats2(v, &a, &b);
                    std::set<int> others = {0, 1, 2};
                    others.erase(v);
                    EXPECT_EQ((std::set<int>{a, b}), v == 3 ? std::set<int>{9} : others);
                }
            }
        }
    }
    EXPECT_EQ(Mod4(-1), 3);
    EXPECT_EQ(NextChairOf(1, 0), -1) << "no chairs, no arithmetic";
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
