// The gallery's pictures: exactly the golden ones on the headless display,
// and the same within a small tolerance through SDL2 under Xvfb.

#include "tools/gallery/gallery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/message_queue.h"
#include "platform/paths.h"
#include "platform/tests/source_path.h"
#include "platform/tests/temp_dir.h"

namespace gallery {
namespace {

using platform::Surface;
using platform::testing_support::Mismatch;

void Pump() {
    platform::Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
        platform::DispatchMessage(msg);
}

std::string GoldenPath(const std::string& name) {
    return platform::testing_support::SourcePath("tools/gallery/tests/golden/" + name);
}

// The golden picture; QEVO_UPDATE_GOLDEN=1 rewrites it from `actual`.
Surface Golden(const std::string& name, const Surface& actual) {
    if (std::getenv("QEVO_UPDATE_GOLDEN")) actual.SavePng(GoldenPath(name));
    return Surface::LoadPng(GoldenPath(name));
}

Surface Crop(const Surface& from, const platform::RECT& r) {
    Surface out(r.Width(), r.Height());
    platform::Painter(out).BitBlt(0, 0, r.Width(), r.Height(), from, r.left, r.top);
    return out;
}

// Opens the gallery in each skin with the menu up, then the face picker and
// the notice popup half and fully slid in; `shot` takes each picture.
class GalleryRun {
  public:
    using Shot = std::function<Surface(const platform::RECT& screen, const Surface& own)>;

    GalleryRun() {
        for (const char* folder : {"res", "skins"})
            std::filesystem::copy(std::string(QEVO_ASSET_DIR) + "/" + folder, program_ / folder,
                                  std::filesystem::copy_options::recursive);
        setenv("QEVO_PROGRAM_DIR", program_.path().c_str(), 1);
    }
    ~GalleryRun() { unsetenv("QEVO_PROGRAM_DIR"); }

    // Name and picture of every shot.
    std::vector<std::pair<std::string, Surface>> Take(const Shot& shot) {
        std::vector<std::pair<std::string, Surface>> shots;
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        Gallery g(std::string(QEVO_ASSET_DIR) + "/hall/", system_.path());
        for (const std::string skin : {"skin1", "skin2"}) {
            EXPECT_TRUE(g.Open(skin));
            Pump();
            if (skin == "skin1") {
                // The face picker before any menu has covered it.
                const platform::RECT faces = kFacePickerRect;
                const platform::POINT at = g.Window().ClientToScreen({faces.left, faces.top});
                shots.emplace_back(
                    "face_picker.png",
                    shot(platform::OffsetRect(faces, at.x - faces.left, at.y - faces.top),
                         Crop(*g.Window().BackBuffer(), faces)));
            }
            g.WithSkinMenuOpen([&] {
                shots.emplace_back("gallery_" + skin + ".png",
                                   shot(g.Window().GetWindowRect(), g.Compose()));
            });
            Pump();
        }
        client::CNoticePopupDlg* popup = g.OpenNoticePopup();
        for (int step = 1; step <= 16; ++step) {
            clock.AdvanceMillis(20);
            Pump();
            if (step == 8 || step == 16) {
                shots.emplace_back(step == 8 ? "popup_half.png" : "popup_full.png",
                                   shot(popup->GetWindowRect(), *popup->BackBuffer()));
            }
        }
        g.Close();
        Pump();
        return shots;
    }

  private:
    platform::testing::TempDir program_;
    platform::testing::TempDir system_;
};

TEST(GalleryTest, HeadlessPicturesMatchTheGoldens) {
    auto display = std::make_shared<platform::HeadlessDisplay>(platform::SIZE{1280, 1024});
    platform::SetDisplay(display);
    GalleryRun run;
    const auto shots = run.Take([](const platform::RECT&, const Surface& own) { return own; });
    ASSERT_EQ(shots.size(), 5u);
    EXPECT_EQ(shots[0].second.Width(), 240);
    EXPECT_EQ(shots[3].second.Height(), 40);  // half of 80
    EXPECT_EQ(shots[4].second.Height(), 80);
    for (const auto& [name, picture] : shots) {
        const Surface golden = Golden(name, picture);
        ASSERT_FALSE(golden.Empty()) << "missing " << GoldenPath(name);
        EXPECT_EQ(Mismatch(picture, golden, 0), 0.0) << name;
    }
    platform::SetDisplay(nullptr);
}

TEST(GalleryTest, UnderXvfbTheScreenShowsTheGoldenPictures) {
    platform::testing_support::XvfbServer server;
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::shared_ptr<platform::Display> sdl = platform::OpenSdlDisplay();
    ASSERT_NE(sdl, nullptr);
    platform::SetDisplay(sdl);
    {
        platform::testing_support::X11Client x(server.Display());
        ASSERT_TRUE(x.Connected());
        GalleryRun run;
        const auto shots = run.Take([&](const platform::RECT& screen, const Surface&) {
            sdl->Flush();  // what was presented is on the screen
            return x.Grab(screen);
        });
        ASSERT_EQ(shots.size(), 5u);
        for (const auto& [name, picture] : shots) {
            const Surface golden = Surface::LoadPng(GoldenPath(name));
            ASSERT_FALSE(golden.Empty()) << "missing " << GoldenPath(name);
            EXPECT_LE(Mismatch(picture, golden, 2), 0.001) << name;
        }
    }
    Pump();
    platform::SetDisplay(nullptr);
    sdl.reset();
}

}  // namespace
}  // namespace gallery
