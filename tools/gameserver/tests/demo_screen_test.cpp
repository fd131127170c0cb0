// The demo as a person sees it: the real mahjong client on the SDL2 display
// under Xvfb, at chair 0 of the table-mode game server with three bots, the
// hall stand-in handing it the table. A round is dealt, a click through the
// X server on an own tile discards it, and auto-play then plays the round to
// its settlement; the frame's pixels at the deal, mid-round and at the
// settlement match golden pictures within a tolerance. Time moves only when
// everything sent has arrived and been handled, so every run draws the same.
// QEVO_UPDATE_GOLDEN=1 rewrites the golden pictures from the screen.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <mutex>
#include <optional>

#include "client/controls/slide_popup.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "engine/entity.h"
#include "engine/mouse_controller.h"
#include "mahjong/app/client_app.h"
#include "mahjong/app/request_words.h"
#include "mahjong/panes/main_frame.h"
#include "mahjong/panes/table_pane.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/tests/source_path.h"
#include "platform/tests/temp_dir.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/client_lockstep.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"
#include "tools/screen/x_screen.h"

namespace mahjong {
namespace {

using std::chrono::steady_clock;
constexpr auto kWait = std::chrono::seconds(20);  // a safety net only

class DemoScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!xvfb_.Running()) GTEST_SKIP() << "Xvfb is not available";
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR", "QEVO_PROGRAM_DIR"})
            setenv(name, dir_.path().c_str(), 1);
        testing::LinkAssets(dir_.path());
        std::filesystem::create_directory_symlink(QEVO_ASSET_DIR "/res", dir_.path() + "/res");
        sdl_ = platform::OpenSdlDisplay();
        ASSERT_NE(sdl_, nullptr);
        platform::SetDisplay(sdl_);
        server_ = std::make_unique<gameserver::TableServer>(gameserver::ClientTableOptions());
        ASSERT_NE(server_->Start(), 0);
        lockstep_.emplace(*server_, [this] { return app_->GetConnection()->RequestsSent(); });
        server_->WithTable([this](gameserver::TableGame& t) {
            t.SetObserver([this](const gameserver::TableMessage& m) { Observe(m); });
        });
        const auto line = client::testing::RoadLaunchLine(server_->port(), 424242, 0);
        hall_ = std::make_unique<hall::HallStandIn>(line);
        ASSERT_TRUE(hall_->Open());
        app_ = std::make_unique<CClientApp>();
        app_->SetUnattended(true);
        app_->SetEventSink([this](const std::string& l) {
            if (l.rfind("entered", 0) == 0) entered_ = true;
        });
        app_->SetCommandLine(hall::BuildLaunchLine(line));
        ASSERT_TRUE(app_->InitInstance());
        // Entered before the clock first moves: the hall's part comes in its
        // own time.
        const auto giveUp = steady_clock::now() + kWait;
        while (!entered_ && steady_clock::now() < giveUp)
            if (!Pump()) platform::MsgWaitForMultipleObjects({}, 100);
        ASSERT_TRUE(entered_);
        ASSERT_NE(Scene().Binding(1).entity, 0u) << "the client made its tile entities";
    }
    void TearDown() override {
        client::CSlidePopupDlg::DestroyAll();
        if (app_) app_->ExitInstance();
        app_.reset();
        hall_.reset();
        if (server_) server_->Stop();
        client::testing::Pump();
        platform::SetDisplay(nullptr);
        sdl_.reset();
        for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR", "QEVO_PROGRAM_DIR"})
            unsetenv(name);
    }

    // The table's thread: requests of the client's chair and notices to it.
    void Observe(const gameserver::TableMessage& m) {
        if (!lockstep_->Observe(m)) return;
        std::lock_guard lock(mu_);
        if (m.kind == gameserver::TableMessage::kRequest && m.id == 221080)
            discards_.push_back(testing::WordsOf(m.data));
    }
    // Serves what the client has, in lockstep with the table.
    bool Pump() {
        bool any = false;
        platform::Message msg;
        while (lockstep_->Next(msg)) {
            any = true;
            platform::DispatchMessage(msg);
        }
        return any;
    }
    // Serves the client until everything on its way has arrived and been
    // handled and the table has done what fell due.
    bool Settle() { return lockstep_->Settle(); }
    // Moves the clock in steps of `stepMs`, each once the table rests,
    // until `done`.
    template <typename F>
    bool Until(F done, int64_t stepMs = 100, int steps = 4000) {
        for (int i = 0; i < steps; ++i) {
            if (!Settle()) return false;
            if (done()) return true;
            clock_.AdvanceMillis(stepMs);
            server_->Poke();
        }
        return false;
    }
    bool OwnTurn() {
        CTableScene& s = Scene();
        return s.InRound() && s.TC_GetPointTo() == 6 && s.HasDrawnTile(3) && s.GetHandMode() == 0 &&
               !s.IsButtonEnabled(kHuButton);
    }
    // The own tile to click: the first standing one on the table that may
    // leave (an honour or flower would be replaced instead); -1 when none.
    int Pickable() {
        CTableScene& s = Scene();
        for (int i = 0; i < s.HandTiles(); ++i) {
            const MJStruct& r = *s.GetMJStruct(kAreaHand, 3, i);
            if (r.present && r.standing && !r.locked && r.nObject && s.Binding(r.nObject).entity &&
                !s.IsHonourOrFlowerTile(r.nFace))
                return i;
        }
        return -1;
    }
    // The frame's pixels on the X server, against the golden picture.
    void ExpectScreen(const char* name) {
        for (int i = 0; i < 10; ++i) {
            clock_.AdvanceMillis(40);
            Pump();
        }
        sdl_->Flush();  // what was presented is on the screen
        platform::testing_support::X11Client x(xvfb_.Display());
        ASSERT_TRUE(x.Connected());
        const platform::Surface shown = x.Grab(app_->Frame()->GetWindowRect());
        const std::string path = platform::testing_support::SourcePath(
            std::string("tools/gameserver/tests/golden/") + name);
        if (std::getenv("QEVO_UPDATE_GOLDEN")) shown.SavePng(path);
        EXPECT_LE(platform::testing_support::Mismatch(shown, platform::Surface::LoadPng(path), 8),
                  0.005)
            << name;
    }
    CTableScene& Scene() { return *app_->GetTableScene(); }
    size_t Discards() {
        std::lock_guard lock(mu_);
        return discards_.size();
    }

    platform::testing_support::XvfbServer xvfb_{"1280x1024x24"};
    platform::testing::TempDir dir_;
    platform::ManualClock clock_{1'000'000};
    platform::ScopedClock scoped_{clock_};
    std::shared_ptr<platform::Display> sdl_;
    std::unique_ptr<gameserver::TableServer> server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::unique_ptr<CClientApp> app_;
    std::optional<gameserver::ClientLockstep> lockstep_;
    bool entered_ = false;

    std::mutex mu_;
    std::vector<std::vector<int32_t>> discards_;
};

TEST_F(DemoScreenTest, AClickThroughXDiscardsAndAutoPlayPlaysTheRoundToItsSettlement) {
    CTableScene& s = Scene();
    s.OnStart();
    ASSERT_TRUE(Until([&] { return OwnTurn() && Pickable() >= 0; })) << "the round was not dealt";
    ExpectScreen("demo_deal.png");

    const int pick = Pickable();
    ASSERT_GE(pick, 0);
    const int32_t face = s.GetMJStruct(kAreaHand, 3, pick)->nFace;
    const engine::Entity* tile =
        s.GetEntity(s.Binding(s.GetMJStruct(kAreaHand, 3, pick)->nObject).entity);
    ASSERT_NE(tile, nullptr);
    auto* pane =
        dynamic_cast<CMJGameTableView2*>(dynamic_cast<CMainFrame*>(app_->Frame())->GetTableView());
    ASSERT_NE(pane, nullptr);
    const platform::POINT at = pane->ClientToScreen({tile->GetX() + 8, tile->GetY() + 20});
    sdl_->Flush();
    screen::XScreen x(xvfb_.Display());
    ASSERT_TRUE(x.Ready());
    ASSERT_TRUE(x.MoveTo(at.x, at.y));
    // The engine takes the pointer's arrival on its next frame.
    const int32_t standingY = tile->GetY();
    ASSERT_TRUE(Until([&] { return tile->GetY() < standingY; }, 20)) << "the tile did not rise";
    ASSERT_TRUE(x.Click());
    ASSERT_TRUE(Until(
        [&] {
            std::lock_guard lock(mu_);
            return !discards_.empty();
        },
        20, 100))
        << "the click did not discard";
    {
        std::lock_guard lock(mu_);
        ASSERT_GT(discards_[0].size(), size_t(discard::kTiles));
        EXPECT_EQ(discards_[0][discard::kTiles], face) << "the discard names the clicked tile";
    }

    // The next round with auto-play on: once the player presses start, the
    // client plays it to its settlement by itself. (This deal's first round
    // ends soon after the click: its many flowers use up the wall.)
    ASSERT_TRUE(Until([&] { return server_->rounds() >= 1 && !s.InRound(); }, 250))
        << "the first round did not end";
    ASSERT_TRUE(x.MoveTo(0, 0));  // the pointer off the table
    s.SetAutoPlay();
    ASSERT_NE(s.GetAutoPlayWord(), 0);
    const size_t before = Discards();
    s.OnStart();
    ASSERT_TRUE(Until([&] { return s.InRound(); }, 250));
    ASSERT_TRUE(Until([&] { return Discards() > before || !s.InRound(); }, 250));
    ASSERT_TRUE(s.InRound()) << "the round ended before the client's first discard";
    ExpectScreen("demo_mid_round.png");
    ASSERT_TRUE(Until([&] { return server_->rounds() >= 2 && !s.InRound(); }, 250, 20000))
        << "the second round did not end";
    EXPECT_GT(Discards(), before) << "auto-play discarded nothing";
    EXPECT_NE(s.GetAutoPlayWord(), 0);
    ExpectScreen("demo_settlement.png");
}

}  // namespace
}  // namespace mahjong
