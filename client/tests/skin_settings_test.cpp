#include "client/skin_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/controls/icon_menu.h"
#include "client/skin_library.h"
#include "client/tests/ui_fixture.h"
#include "platform/gui/virtual_keys.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace client {
namespace {

using testing::UiFixture;

class SkinSettingsTest : public ::testing::Test {
  protected:
    std::string Ini() const { return ui_.dir / "Qevo.ini"; }
    std::string StoredPath() const {
        return platform::GetPrivateProfileString("SKIN", "Path", "", Ini(), 260);
    }
    UiFixture ui_;
};

TEST_F(SkinSettingsTest, AMissingStoredSkinFallsBackToSkinOneAndIsRewritten) {
    const std::string skin1 = platform::ProgramDir() + "skins\\skin1\\skin.ini";
    const std::string skin2 = platform::ProgramDir() + "skins\\skin2\\skin.ini";
    struct Case {
        std::string stored;
        std::string current;
        std::string written;
    } cases[] = {
        {"", skin1, skin1},                                                // nothing stored
        {platform::ProgramDir() + "skins\\gone\\skin.ini", skin1, skin1},  // a deleted skin
        {skin2, skin2, skin2},                                             // kept, not rewritten
    };
    for (const Case& c : cases) {
        platform::WritePrivateProfileString("SKIN", "Path", c.stored.c_str(), Ini());
        CSkinSettings skin(Ini());
        skin.Load();
        EXPECT_EQ(skin.GetSkinPath(), c.current) << c.stored;
        EXPECT_EQ(StoredPath(), c.written) << c.stored;
        EXPECT_EQ(SkinLibrary::Instance().SkinFile(), c.current);
        skin.Unload();
        EXPECT_FALSE(skin.HasSkin());
        EXPECT_FALSE(SkinLibrary::Instance().Loaded());
    }
    // Without skin1 there is no skin, and unloading does nothing.
    std::filesystem::remove_all(ui_.dir / "skins/skin1");
    platform::WritePrivateProfileString("SKIN", "Path", nullptr, Ini());
    CSkinSettings none(Ini());
    none.Load();
    EXPECT_FALSE(none.HasSkin());
    EXPECT_EQ(StoredPath(), "");
    none.Unload();
}

TEST_F(SkinSettingsTest, SkinsAreListedInNameOrderIgnoringCaseAndCappedAtSixtyFour) {
    for (int i = 0; i < 70; ++i) {
        const std::string name = (i % 2 ? "Z" : "z") + std::to_string(100 + i);
        std::filesystem::create_directories(ui_.dir / ("skins/" + name));
        ui_.dir.Write("skins/" + name + "/skin.ini", "[SKIN]\r\nName=" + name + "\r\n");
    }
    ui_.dir.Write("skins/AA.txt", "");  // a file, not a folder
    CSkinSettings skin(Ini());
    skin.Load();
    ASSERT_EQ(skin.Skins().size(), kMaxSkins);
    const std::string root = platform::ProgramDir() + "skins\\";
    EXPECT_EQ(skin.Skins()[0], root + "skin1\\skin.ini");
    EXPECT_EQ(skin.Skins()[1], root + "skin2\\skin.ini");  // "noskin" has no skin.ini
    EXPECT_EQ(skin.Skins()[2], root + "z100\\skin.ini");
    EXPECT_EQ(skin.Skins()[3], root + "Z101\\skin.ini");
    EXPECT_EQ(skin.FindCurrentSkinId(), 0);
    EXPECT_EQ(skin.SkinOfCommand(kSkinMenuFirst + 1), skin.Skins()[1]);
    EXPECT_EQ(skin.SkinOfCommand(kSkinMenuFirst + 64), "");
    EXPECT_EQ(skin.SkinOfCommand(kSkinMenuMore), "");
}

TEST_F(SkinSettingsTest, TheSkinMenuListsSkinsWithTheCurrentOneChecked) {
    CSkinSettings skin(Ini());
    skin.Load();
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(kSkinMenuResource));
    CIconMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    skin.FillSkinMenu(*popup);
    ASSERT_EQ(popup->GetMenuItemCount(), 4);
    EXPECT_EQ(popup->GetMenuItemID(0), kSkinMenuFirst);
    EXPECT_EQ(popup->GetItemText(kSkinMenuFirst), "经典蓝");
    EXPECT_TRUE(popup->GetMenuState(kSkinMenuFirst, platform::MF_BYCOMMAND) & platform::MF_CHECKED);
    EXPECT_EQ(popup->GetItemText(kSkinMenuFirst + 1), "暖阳橙");
    EXPECT_FALSE(popup->GetMenuState(kSkinMenuFirst + 1, platform::MF_BYCOMMAND) &
                 platform::MF_CHECKED);
    EXPECT_TRUE(popup->ItemAt(2)->flags & platform::MF_SEPARATOR);
    EXPECT_EQ(popup->GetItemText(kSkinMenuMore), "更多皮肤...");
    // Tracked: Down twice and Enter choose the second skin.
    platform::CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 50, 50},
                               nullptr, 0));
    platform::SetTimer(
        {}, 0, 1, [&](platform::HWND, platform::UINT, platform::UINT_PTR id, platform::DWORD) {
            platform::KillTimer({}, id);
            for (int key :
                 {int(platform::VK_DOWN), int(platform::VK_DOWN), int(platform::VK_RETURN)}) {
                platform::InputEvent e;
                e.kind = platform::InputEvent::Kind::KeyDown;
                e.window = platform::CWnd::GetFocus().value;
                e.virtualKey = key;
                ui_.display->Inject(e);
            }
        });
    EXPECT_EQ(skin.BuildSkinMenu(600, 100, &owner), kSkinMenuFirst + 1);
}

TEST_F(SkinSettingsTest, SizesPicturesAndColoursComeFromTheSkinFile) {
    ui_.dir.Write("skins/skin1/skin.ini",
                  "[DLGBAR]\r\nBTNWidth=0\r\n[BitmapResource]\r\nCommDlgBK= wait.bmp \r\n"
                  "TableCloth=TableCloth.bmp\r\n[CommColors]\r\nTableColor=0 128 255\r\n");
    CSkinSettings skin(Ini());
    skin.Load();
    const std::string dir = platform::ProgramDir() + "skins\\skin1\\";
    EXPECT_EQ(skin.GetSkinDir(), dir);
    EXPECT_EQ(skin.GetBitmapResource("CommDlgBK"), dir + "wait.bmp");
    EXPECT_EQ(skin.GetBitmapResource("Missing"), dir);
    EXPECT_EQ(skin.GetColor("CommColors", "TableColor", 5), 0xFF8000u);
    EXPECT_EQ(skin.GetColor("CommColors", "Missing", 5), 5u);
    // A skin that gives no button size keeps the buttons visible.
    EXPECT_EQ(skin.GetButtonWidth(), kDefaultButtonWidth);
    EXPECT_EQ(skin.GetButtonHeight(), kDefaultButtonHeight);
    EXPECT_EQ(skin.GetSplitterVerWidth(), 8);
    EXPECT_EQ(skin.GetAdvertTop(), 3);
    std::array<platform::COLORREF, 4> frame{};
    skin.GetFrameColor(frame);
    EXPECT_EQ(frame, (std::array<platform::COLORREF, 4>{0, 0x808080, 0xC8D0D4, 0xFFFFFF}));
    EXPECT_EQ(skin.GetSkinName(dir + "skin.ini"), "方案");
    EXPECT_FALSE(skin.GetSkinIcon(dir + "skin.ini").Empty());
    // The library hands out the skin's pictures by name.
    auto cloth = SkinLibrary::Instance().GetBitmap("TableCloth");
    ASSERT_NE(cloth, nullptr);
    EXPECT_EQ(cloth->Width(), 64);
    EXPECT_EQ(SkinLibrary::Instance().GetBitmap("CommDlgBK"), nullptr);  // no such file
    skin.Unload();
    EXPECT_EQ(SkinLibrary::Instance().GetBitmap("TableCloth"), nullptr);
}

}  // namespace
}  // namespace client
