// The gallery's pictures: exactly the golden ones on the headless display.

#include "tools/gallery/gallery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/message_queue.h"
#include "platform/paths.h"
#include "platform/tests/source_path.h"
#include "platform/tests/temp_dir.h"
#include "platform/tests/test_window.h"

namespace gallery {
namespace {

using platform::Surface;
using platform::testing::PumpPending;
using platform::testing_support::Mismatch;

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
// the notice popup half and fully slid in, and takes each picture.
class GalleryRun {
  public:
    GalleryRun() {
        for (const char* folder : {"res", "skins"})
            std::filesystem::copy(std::string(QEVO_ASSET_DIR) + "/" + folder, program_ / folder,
                                  std::filesystem::copy_options::recursive);
        setenv("QEVO_PROGRAM_DIR", program_.path().c_str(), 1);
    }
    ~GalleryRun() { unsetenv("QEVO_PROGRAM_DIR"); }

    // Name and picture of every shot.
    std::vector<std::pair<std::string, Surface>> Take() {
        std::vector<std::pair<std::string, Surface>> shots;
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        Gallery g(std::string(QEVO_ASSET_DIR) + "/hall/", system_.path());
        for (const std::string skin : {"skin1", "skin2"}) {
            EXPECT_TRUE(g.Open(skin));
            PumpPending();
            // The face picker before any menu has covered it.
            if (skin == "skin1")
                shots.emplace_back("face_picker.png",
                                   Crop(*g.Window().BackBuffer(), kFacePickerRect));
            g.WithSkinMenuOpen(
                [&] { shots.emplace_back("gallery_" + skin + ".png", g.Compose()); });
            PumpPending();
        }
        client::CNoticePopupDlg* popup = g.OpenNoticePopup();
        for (int step = 1; step <= 16; ++step) {
            clock.AdvanceMillis(20);
            PumpPending();
            if (step == 8 || step == 16) {
                shots.emplace_back(step == 8 ? "popup_half.png" : "popup_full.png",
                                   *popup->BackBuffer());
            }
        }
        g.Close();
        PumpPending();
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
    const auto shots = run.Take();
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

}  // namespace
}  // namespace gallery
