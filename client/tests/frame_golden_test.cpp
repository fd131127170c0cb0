// The main frame's pictures: at the table with four players and two
// lookers, faces and a link in the chat and the advert page, in both skins,
// and the player menu: exactly the golden pictures on the headless display,
// and within a small tolerance on an X screen (Xvfb) through SDL2.
// QEVO_UPDATE_GOLDEN=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "client/html_views.h"
#include "client/tests/frame_fixture.h"
#include "platform/bytes.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/gui/virtual_keys.h"
#include "platform/tests/source_path.h"

namespace client {
namespace {

using platform::Surface;

std::string GoldenPath(const std::string& name) {
    return platform::testing_support::SourcePath("client/tests/golden/" + name);
}

using platform::testing_support::Mismatch;

// Looks at the screen while the player menu is up, then closes it.
class MenuShot : public platform::CWnd {
  public:
    ~MenuShot() override { Destroy(); }
    std::function<void()> take;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message != platform::WM_USER) return CWnd::OnMessage(msg);
        take();
        platform::PostMessage(GetFocus(), platform::WM_KEYDOWN, platform::VK_ESCAPE);
        return 0;
    }
};

class FrameGoldenTest : public testing::FrameFixture {
  protected:
    // The pictures' names and the pictures of them, as `shot` takes them.
    using Shot = std::function<Surface(const platform::CWnd&)>;
    std::vector<std::pair<std::string, Surface>> Take(const Shot& shot) {
        std::vector<std::pair<std::string, Surface>> shots;
        EXPECT_TRUE(StartAndEnter());
        auto* advert = dynamic_cast<CAdvertView*>(frame_->GetAdvertPane());
        EXPECT_TRUE(PumpUntil([&] {
            return ChatHas("[系统公告]") && RequestsFor("/pictures/") == 2 &&
                   !advert->Html()->Loading();
        }));
        testing::Pump();
        // The notice names the server's port: the chat gets lines of its own.
        CGameChatView& chat = *frame_->GetChatView();
        platform::SendMessage(chat.GetSafeHwnd(), kMsgClearChat);
        frame_->ChatWords(testing::ChatWordsPayload(1002, "好牌！<><z=3><><z=12>"));
        chat.InputBox().SetWindowText("大家好<><z=5>");
        chat.OnSend();
        chat.AppendSystemText("<c=255,e=b>[系统公告]<> 规则见 http://rules.example/7.html\n");
        testing::Pump();
        shots.emplace_back("frame_skin1.png", shot(*frame_));

        MenuShot menu;
        menu.CreateEx(0, "", platform::WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
        menu.take = [&] {
            platform::CWnd* up = platform::CWnd::FromHandle(platform::CWnd::GetFocus());
            if (up) shots.emplace_back("player_menu.png", shot(*up));
        };
        platform::PostMessage(menu.GetSafeHwnd(), platform::WM_USER);
        CGamePlayerView& players = *frame_->GetPlayerView();
        const int row = players.RowOf(1003);
        const platform::RECT r = players.List().GetItemRect(row);
        players.ShowPlayerMenu(row, players.List().ClientToScreen({r.left + 8, r.top + 4}));

        platform::SendMessage(frame_->Handle(), kMsgSkinChosen, kSkinMenuFirst + 1);
        clock_.AdvanceMillis(1);
        testing::Pump();
        shots.emplace_back("frame_skin2.png", shot(*frame_));
        return shots;
    }
};

TEST_F(FrameGoldenTest, HeadlessPicturesMatchTheGoldens) {
    const auto shots = Take([](const platform::CWnd& window) { return *window.BackBuffer(); });
    ASSERT_EQ(shots.size(), 3u);
    for (const auto& [name, picture] : shots) {
        if (std::getenv("QEVO_UPDATE_GOLDEN")) picture.SavePng(GoldenPath(name));
        const Surface golden = Surface::LoadPng(GoldenPath(name));
        ASSERT_FALSE(golden.Empty()) << "missing " << GoldenPath(name);
        EXPECT_EQ(Mismatch(picture, golden, 0), 0.0) << name;
    }
}

TEST_F(FrameGoldenTest, UnderXvfbTheScreenShowsTheGoldens) {
    platform::testing_support::XvfbServer server("1024x768x24");
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::shared_ptr<platform::Display> sdl = platform::OpenSdlDisplay();
    ASSERT_NE(sdl, nullptr);
    platform::SetDisplay(sdl);
    platform::testing_support::X11Client x(server.Display());
    ASSERT_TRUE(x.Connected());
    const auto shots = Take([&](const platform::CWnd& window) {
        sdl->Flush();  // what was presented is on the screen
        return x.Grab(window.GetWindowRect());
    });
    ASSERT_EQ(shots.size(), 3u);
    for (const auto& [name, picture] : shots)
        EXPECT_LE(Mismatch(picture, Surface::LoadPng(GoldenPath(name)), 2), 0.001) << name;
    Stop();  // the frame goes while its display is there, and the display before the server
    platform::SetDisplay(nullptr);
}

}  // namespace
}  // namespace client
