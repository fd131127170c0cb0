// The table drawn by the engine, pixel for pixel: a dealt table, and a round
// in the middle of play seen from each chair. Under Xvfb the same table and
// the settlement panel go through the SDL2 display into a real window and
// must match the same pictures within a small tolerance.
// QEVO_UPDATE_GOLDEN=1 writes the pictures anew from the headless frames.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "mahjong/tests/engine_table.h"
#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"

namespace mahjong {
namespace {

using testing::Program;
using testing::ShownTable;

// The tiles on the table: present records of the wall, the hands (melds
// included), the rivers and the flower areas.
int TilesOnTable(CTableScene& s) {
    int n = 0;
    for (int32_t area : {kAreaWall, kAreaHand, kAreaFlower, kAreaRiver})
        for (int32_t seat = 0; seat < (area == kAreaWall ? 1 : 4); ++seat)
            for (int32_t i = 0; i < kWallRecords; ++i)
                if (const MJStruct* r = s.GetMJStruct(area, seat, i); r && r->present) ++n;
    return n;
}

// The scripted round shown from `own`'s chair, every tile bound.
CTableScene& RoundInPlay(Program& p, int own) {
    CTableScene& s = p.Scene();
    s.LoadSettings();
    s.CreateTileEntities();
    EXPECT_TRUE(testing::WriteScriptedRound(p.t.logic, own));
    s.StartRoundDisplay();
    s.RefreshEntities(100);
    return s;
}

TEST(TableGolden, ADealtTableAndARoundInPlayFromEveryChair) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    testing::SmallDesktop desktop;
    {
        // Chair 0 is the banker with 17 tiles, the others hold 16; the
        // turned-up tile lies in the wall.
        Program p;
        CTableScene& s = p.Scene();
        s.LoadSettings();
        s.CreateTileEntities();
        p.t.Start([](testing::Words& w) {
            w.Set(snap::kWallStart, 10).Set(snap::kWallHead, 75).Set(snap::kTurnedUpPos, 8);
            w.Set(snap::kJokerA, testing::T(2, 9, 0)).Set(snap::kTurnTimeout, 15);
            w.Set(snap::kTableFlags, snap::kFlagRunning | snap::kFlagDrawn);
            for (int c = 0; c < 4; ++c)
                w.Set(size_t(49 + c), c == 0 ? 17 : 16);
            for (int i = 0; i < 17; ++i)
                w.Set(size_t(53 + i), testing::T(i % 3, 1 + i / 2, i % 2));
        });
        s.OnRoundStart(testing::Words(snap::kRoundStartWords).Bytes());
        s.RevealDealtHands();
        s.RefreshEntities(100);
        EXPECT_EQ(TilesOnTable(s), 144);
        s.Frame();
        testing::ExpectGolden("table_dealt.png", s.Output());
    }
    for (int own = 0; own < 4; ++own) {
        SCOPED_TRACE(own);
        Program p(true, own);
        CTableScene& s = RoundInPlay(p, own);
        EXPECT_EQ(TilesOnTable(s), 144);
        // The own hand stands at the bottom with its faces known; chair 0
        // holds its drawn tile.
        EXPECT_TRUE(s.IsHandFaceKnown(3));
        EXPECT_FALSE(s.IsHandFaceKnown(0));
        EXPECT_EQ(s.HasDrawnTile(s.ChairToViewSeat(0)), true);
        s.Frame();
        testing::ExpectGolden("table_chair" + std::to_string(own) + ".png", s.Output());
    }
}

TEST(TableGolden, UnderXvfbTheTableAndTheSettlementMatchTheirPictures) {
    platform::testing_support::XvfbServer server(testing::kSmallDesktop);
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::shared_ptr<platform::Display> sdl = platform::OpenSdlDisplay();
    ASSERT_NE(sdl, nullptr);
    platform::SetDisplay(sdl);
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    platform::testing_support::X11Client x(server.Display());
    ASSERT_TRUE(x.Connected());
    struct Case {
        const char* golden;
        std::function<void(testing::Table&)> show;
    };
    const Case cases[] = {
        {"table_chair0.png",
         [](testing::Table& t) {
             t.scene.LoadSettings();
             t.scene.CreateTileEntities();
             testing::WriteScriptedRound(t.logic, 0);
             t.scene.StartRoundDisplay();
             t.scene.RefreshEntities(100);
         }},
        {"settlement.png",
         [](testing::Table& t) {
             t.scene.LoadSettings();
             t.Start([](testing::Words& w) { w.Set(snap::kBankerChair, 1); });
             ASSERT_TRUE(t.logic.StoreRoundResult(testing::StoredResult(
                 0, 2, 3, {-10, 0, 30, -20}, {-1, 0, 15, -14}, {{0, 3}, {1, 30}}, 1)));
             t.scene.ShowSettlement();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        Program p;
        ShownTable shown(p.t.scene);
        ASSERT_TRUE(shown.Ok());
        c.show(p.t);
        for (int i = 0; i < 10; ++i) {
            clock.AdvanceMillis(30);
            shown.Pump();
        }
        sdl->Flush();  // what was presented is on the screen
        const platform::Surface golden = platform::Surface::LoadPng(
            std::string(std::getenv("QEVO_SOURCE_DIR") ? std::getenv("QEVO_SOURCE_DIR") : ".") +
            "/mahjong/tests/golden/" + c.golden);
        ASSERT_FALSE(golden.Empty());
        EXPECT_LE(platform::testing_support::Mismatch(x.Grab(shown.Window().GetWindowRect()),
                                                      golden, 2),
                  0.001);
    }
    platform::SetDisplay(nullptr);
}

}  // namespace
}  // namespace mahjong
