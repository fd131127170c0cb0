// Pictures, sounds, DPI scaling, portraits and the face picker.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "client/client_ui.h"
#include "client/controls/face_picker.h"
#include "client/picture_file.h"
#include "client/testapp/test_app.h"
#include "client/tests/hall_test_data.h"
#include "client/tests/ui_fixture.h"
#include "platform/audio/recording_audio.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/program_resources.h"
#include "tools/assetgen/writers.h"

namespace client {
namespace {

using testing::Pump;
using testing::UiFixture;

TEST(ClientUiTest, SoundsPlayFromTheProgramsResourcesUnlessSilenced) {
    UiFixture ui;
    auto recorder = std::make_unique<platform::RecordingAudio>();
    platform::RecordingAudio* audio = recorder.get();
    platform::SetAudio(std::make_shared<platform::Audio>(std::move(recorder)));
    const auto chime = *platform::LoadProgramResource(platform::ResourceType::kSound, 29014);
    EXPECT_TRUE(PlayWaveResource(29014));
    EXPECT_FALSE(PlayWaveResource(29015));  // the chime still plays: no stop
    EXPECT_FALSE(PlayWaveResource(4242));
    std::vector<std::string> lines;
    testapp::TestApp app([&](const std::string& line) { lines.push_back(line); });
    app.PlaySound(29014, 0);
    platform::WritePrivateProfileString("GAMESET", "Silence", "1", app.GetIniPath());
    app.PlaySound(29014, 0);
    EXPECT_EQ(audio->Played(), (std::vector<std::vector<uint8_t>>{chime, chime}));
    EXPECT_EQ(lines, (std::vector<std::string>{"sound 29014", "sound 29014 silenced"}));
    platform::SetAudio(nullptr);
}

TEST(ClientUiTest, ScalingFollowsTheDensityAndASmallScreenIsNarrowWithItsPanels) {
    UiFixture ui;
    ui.display->SetDpi({120, 144});
    EXPECT_EQ(std::make_pair(ScaleX(160), ScaleY(80)), std::make_pair(200, 120));
    platform::CWnd window;
    ASSERT_TRUE(window.CreateEx(0, "", platform::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    ASSERT_TRUE(MoveWindowScaled(window, 8, 10, 81, 50, false));
    EXPECT_EQ(window.GetWindowRect(), (platform::RECT{10, 15, 111, 90}));  // 101 x 75
    // The factors are read once; the move reads the density each time.
    ui.display->SetDpi({96, 96});
    EXPECT_EQ(ScaleX(160), 200);
    ASSERT_TRUE(MoveWindowScaled(window, 8, 10, 81, 50, false));
    EXPECT_EQ(window.GetWindowRect(), (platform::RECT{8, 10, 89, 60}));
    // A 1024-pixel screen whose panels leave 800 is not a small one.
    ui.display->SetWorkArea({0, 0, 800, 768});
    EXPECT_EQ(testapp::TestApp([](const std::string&) {}).IsSmallScreen(), 0u);
}

TEST(ClientUiTest, PicturesLoadFromFilesAndResources) {
    UiFixture ui;
    const platform::Surface bitmap = LoadBitmapResource(162);
    EXPECT_EQ(bitmap.Width(), 32);
    EXPECT_EQ(bitmap.At(0, 0) >> 24, 255u);
    const platform::Icon icon = LoadIconResource(151);
    ASSERT_EQ(icon.Width(), 32);
    EXPECT_FALSE(platform::IconCovers(icon, 0, 0));  // the AND mask made it clear
    EXPECT_TRUE(platform::IconCovers(icon, 16, 28));
    // Extensions in any case; what is not a picture is an empty one.
    std::filesystem::copy_file(ui.dir / "res/bitmap/162.bmp", ui.dir / "upper.BMP");
    EXPECT_EQ(LoadPictureFile(ui.dir / "upper.BMP"), bitmap);
    ui.dir.Write("bad.bmp", "BM not a bitmap");
    EXPECT_TRUE(LoadPictureFile(ui.dir / "bad.bmp").Empty());
    EXPECT_TRUE(LoadPictureFile(ui.dir / "missing.png").Empty());
    EXPECT_TRUE(LoadPictureFile(ui.dir / "res").Empty());
    ASSERT_TRUE(platform::Surface(3, 2).SavePng(ui.dir / "a.png"));
    EXPECT_EQ(LoadPictureFile(ui.dir / "a.png").Width(), 3);
}

TEST(ClientUiTest, PortraitListsAreRebuiltOnEachTableState) {
    UiFixture ui;
    setenv("QEVO_SYSTEM_DIR", ui.dir.path().c_str(), 1);
    ui.dir.Write("mirb.ini",
                 "[SYSTEM]\r\nExePath=" + testing::AssetDir() + "hall/GameHall.exe\r\n");
    testapp::TestApp app([](const std::string&) {});
    app.SetCommandLine("\"7|127.0.0.1|3|424242|9|101|5|0|0|0|Caption|1\"");
    ASSERT_TRUE(app.ParseLaunchLine());
    auto state = testing::MakeState(2, 1);
    state.seated[0].portrait = 7;
    state.seated[1].portrait = 99;  // no such file
    ASSERT_TRUE(app.SetTableState(state));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(app.LoadPortraits(), 1);
        EXPECT_EQ(app.Portraits32().GetImageCount(), kLookerPortraitIndex + 1);
        EXPECT_EQ(app.Portraits16().GetImageCount(), kLookerPortraitIndex + 1);
    }
    const platform::Surface seven = LoadPictureFile(app.GetPortraitDir() + "7_0.bmp");
    EXPECT_EQ(*app.Portraits32().Image(0), seven);
    const platform::Surface fallback = IconOnColour(LoadIconResource(151), kPortraitMask);
    EXPECT_EQ(*app.Portraits32().Image(1), fallback);
    EXPECT_EQ(*app.Portraits32().Image(kLookerPortraitIndex), fallback);
    EXPECT_EQ(app.Portraits16().GetImageSize().cx, 16);
    unsetenv("QEVO_SYSTEM_DIR");
}

// Records the faces picked.
class ChatPane : public platform::CWnd {
  public:
    ~ChatPane() override { Destroy(); }
    std::vector<platform::WPARAM> picked;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message == kMsgFacePicked) picked.push_back(msg.wParam);
        return CWnd::OnMessage(msg);
    }
};

TEST(FacePickerTest, NumberedBitmapsBecomeFacesInRowsOfTen) {
    UiFixture ui(false);
    platform::Surface face(20, 20);
    face.Fill(platform::PixelOf(0xFFFFFF));
    face.Set(10, 10, platform::PixelOf(0x0000FF));
    for (const char* name : {"3.bmp", "12.bmp", "x.bmp", "0.bmp", "300.bmp", "7.bmp"})
        ASSERT_TRUE(assetgen::WriteBmp(ui.dir / name, face));
    chmod((ui.dir / "7.bmp").c_str(), 0444);  // read-only: skipped
    ui.dir.Write("face.ini", "[Remark]\r\n12=微笑\r\n");
    ChatPane pane;
    ASSERT_TRUE(pane.CreateEx(0, "", platform::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    CFacePickerWnd picker;
    picker.SetNotifyWindow(&pane);
    picker.SetFaceFolder(ui.dir.path());
    ASSERT_TRUE(picker.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE,
                                {100, 100, 340, 172}, nullptr, 0));
    ASSERT_EQ(picker.FaceCount(), 3);  // in name order: 12, 3, 300
    EXPECT_EQ(picker.FaceNumber(0), 12u);
    EXPECT_EQ(picker.FaceNumber(1), 3u);
    EXPECT_EQ(picker.FaceNumber(2), 300u);
    int width = 0, height = 0;
    picker.GetSize(width, height);
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 24);
    Pump();
    // White is clear: the face shows on the button's white, the pointer's black.
    EXPECT_EQ(platform::ColorOf(picker.BackBuffer()->At(2 + 10, 2 + 10)), 0x0000FFu);
    EXPECT_EQ(platform::ColorOf(picker.BackBuffer()->At(1, 1)), 0xFFFFFFu);
    ui.Click(*picker.FaceButton(1), {1, 1});
    EXPECT_EQ(platform::ColorOf(picker.BackBuffer()->At(25, 1)), 0x000000u);
    EXPECT_FALSE(picker.IsWindowVisible());
    EXPECT_EQ(pane.picked, (std::vector<platform::WPARAM>{3}));
    // A face numbered above 256 shows but its click is not handled.
    picker.ShowWindow(platform::SW_SHOW);
    ui.Click(*picker.FaceButton(2), {1, 1});
    EXPECT_TRUE(picker.IsWindowVisible());
    EXPECT_EQ(pane.picked.size(), 1u);
    EXPECT_EQ(picker.FaceButton(0)->ToolTip()->GetToolCount(), 1);
    // Losing the focus keeps it open while the pointer is over it.
    platform::SendMessage(picker.GetSafeHwnd(), platform::WM_KILLFOCUS);
    EXPECT_TRUE(picker.IsWindowVisible());
    pane.SetFocus();
    ui.Click(pane, {1, 1});
    platform::SendMessage(picker.GetSafeHwnd(), platform::WM_KILLFOCUS);
    EXPECT_FALSE(picker.IsWindowVisible());

    // The generated faces: 30 of them, three rows.
    CFacePickerWnd all;
    all.SetFaceFolder(testing::AssetDir() + "hall/Share/Image/face/");
    ASSERT_TRUE(all.CreateEx(0, "", platform::WS_POPUP, {0, 0, 1, 1}, nullptr, 0));
    all.GetSize(width, height);
    EXPECT_EQ(height, 72);
    // A picture goes into a rich edit as a copy.
    platform::CRichEditCtrl edit;
    ASSERT_TRUE(edit.Create(platform::WS_VISIBLE, {0, 0, 100, 50}, &pane, 1));
    CImageDataObject::InsertBitmap(edit, face);
    EXPECT_TRUE(edit.IsPicture(0));
}

}  // namespace
}  // namespace client
