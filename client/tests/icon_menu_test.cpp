#include "client/controls/icon_menu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "client/tests/ui_fixture.h"
#include "platform/bytes.h"
#include "platform/gui/sys_colors.h"
#include "platform/program_resources.h"
#include "tools/assetgen/writers.h"

namespace client {
namespace {

using platform::MF_POPUP;
using platform::MF_SEPARATOR;
using platform::UINT;
using testing::UiFixture;

TEST(MenuResourcesTest, TemplatesRoundTripAndBadBytesAreRefused) {
    const std::vector<MenuEntry> menu = {
        {MF_POPUP, 0, "skin", {{0, 20000, "更多皮肤...", {}}, {MF_SEPARATOR, 0, "", {}}}},
        {platform::MF_GRAYED, 7, "x\tCtrl+X", {}}};
    const auto bytes = EncodeMenuTemplate(menu);
    const ToolbarTemplate toolbar{16, 15, {1900, 0, 1902}};
    // QEVO_WRITE_CORPUS=<fuzz/corpus> writes these as the fuzz target's seeds
    // (the first byte picks the reader).
    if (const char* corpus = std::getenv("QEVO_WRITE_CORPUS")) {
        const std::string dir = std::string(corpus) + "/client_menu_resources/";
        auto seed = [](uint8_t reader, std::vector<uint8_t> body) {
            body.insert(body.begin(), reader);
            return body;
        };
        assetgen::WriteBytes(dir + "skin_menu", seed(0, bytes));
        assetgen::WriteBytes(dir + "toolbar", seed(1, EncodeToolbar(toolbar)));
    }
    const auto parsed = ParseMenuTemplate(bytes);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 2u);
    EXPECT_EQ((*parsed)[0].children[0].text, "更多皮肤...");
    EXPECT_EQ((*parsed)[0].children[0].id, 20000u);
    EXPECT_EQ((*parsed)[1].flags, platform::MF_GRAYED);
    EXPECT_EQ((*parsed)[1].text, "x\tCtrl+X");
    // Cut anywhere, the template is refused; so are other versions and a
    // nesting deeper than any menu.
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(ParseMenuTemplate({bytes.data(), cut})) << cut;
    auto versioned = bytes;
    versioned[0] = 1;
    EXPECT_FALSE(ParseMenuTemplate(versioned));
    std::vector<MenuEntry> deep{{MF_POPUP, 0, "a", {}}};
    for (int i = 0; i < 20; ++i)
        deep = {{MF_POPUP, 0, "a", deep}};
    EXPECT_FALSE(ParseMenuTemplate(EncodeMenuTemplate(deep)));

    const auto parsedBar = ParseToolbar(EncodeToolbar(toolbar));
    ASSERT_TRUE(parsedBar);
    EXPECT_EQ(parsedBar->ImageOf(1902), 1);  // separators have no picture
    EXPECT_EQ(parsedBar->ImageOf(1901), -1);
    auto bad = EncodeToolbar(toolbar);
    bad.pop_back();
    EXPECT_FALSE(ParseToolbar(bad));
    EXPECT_FALSE(ParseToolbar(EncodeToolbar({0, 15, {}})));
}

TEST(IconMenuTest, LoadedMenusMeasureAndAlignTheirShortcuts) {
    UiFixture ui;
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu("playerlist"));
    CIconMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetMenuItemCount(), 11);
    EXPECT_EQ(popup->GetItemText(1906), "允许看牌");
    EXPECT_FALSE(menu.LoadMenu(4242));
    EXPECT_EQ(menu.GetMenuItemCount(), 1);  // a failed load keeps the menu

    platform::MEASUREITEMSTRUCT separator{platform::ODT_MENU, 0, 0, 0, 0, popup->ItemAt(1)->data};
    popup->MeasureItem(separator);
    EXPECT_EQ(separator.itemWidth, 0u);
    EXPECT_EQ(separator.itemHeight, UINT(CIconMenu::kMenuLineHeight / 2));
    platform::MEASUREITEMSTRUCT item{platform::ODT_MENU, 0, 1900, 0, 0, popup->ItemAt(0)->data};
    popup->MeasureItem(item);
    const auto font = platform::Font::Open(platform::DefaultGuiFont());
    EXPECT_EQ(item.itemWidth, UINT(font->MeasureText("hello") + 2 * CIconMenu::kIconWidth + 1));
    EXPECT_EQ(item.itemHeight, UINT(CIconMenu::kMenuLineHeight));

    CIconMenu noDefault;  // id 0 is no default item
    noDefault.BuildFrom({{0, 0, "hello", {}}});
    item.itemData = noDefault.ItemAt(0)->data;
    noDefault.MeasureItem(item);
    EXPECT_EQ(item.itemWidth, UINT(font->MeasureText("hello") + 2 * CIconMenu::kIconWidth + 1));

    CIconMenu shortcuts;
    shortcuts.BuildFrom(
        {{0, 1, "打开\tCtrl+O", {}}, {0, 2, "另存为文件\tF12", {}}, {0, 3, "x", {}}});
    const std::string a = shortcuts.GetItemText(1), b = shortcuts.GetItemText(2);
    EXPECT_EQ(font->MeasureText(a.substr(0, a.find('\t'))),
              font->MeasureText(b.substr(0, b.find('\t'))));
    EXPECT_EQ(b.substr(b.find('\t')), "\tF12");
}

TEST(IconMenuTest, IconsComeFromToolbarsAndImageLists) {
    UiFixture ui;
    // Toolbar 128: commands 1900 and 1902 over a strip of two 16 x 15 pictures.
    platform::Surface strip(32, 15);
    strip.Fill(platform::PixelOf(CIconMenu::kBitmapBackground));
    for (int x = 0; x < 32; ++x)
        strip.Set(x, 7, platform::PixelOf(x < 16 ? 0x0000FF : 0x00FF00));
    ASSERT_TRUE(assetgen::WriteBmp(ui.dir / "res/bitmap/128.bmp", strip));
    ASSERT_TRUE(assetgen::WriteBytes(ui.dir / "res/toolbar/128.bar",
                                     EncodeToolbar({16, 15, {1900, 0, 1902}})));
    CIconMenu menu;
    menu.AppendODMenuA("hello", 0, 1900, 128);
    menu.AppendODMenuA("no picture", 0, 1901, 128);
    EXPECT_TRUE(menu.HasIcon(1900));
    EXPECT_FALSE(menu.HasIcon(1901));
    EXPECT_EQ(menu.GetItemText(1901), "no picture");

    // An item inside a submenu gets a text and a picture by command.
    auto sub = std::make_unique<CIconMenu>();
    sub->AppendODMenuA("名字", 0, 1950);
    CIconMenu* subRaw = sub.get();
    ASSERT_TRUE(menu.AppendODPopupA("more", 0, std::move(sub)));
    EXPECT_TRUE(CIconMenu::IsSubmenuHandle(subRaw->GetSafeHmenu()));
    platform::CImageList portraits;
    portraits.Create(32, 32, 0x808000);
    portraits.Add(strip);
    EXPECT_TRUE(menu.ModifyODMenuA("西风[小西]", 1950, &portraits, 0));
    EXPECT_EQ(menu.GetItemText(1950), "西风[小西]");
    EXPECT_TRUE(menu.HasIcon(1950));
    EXPECT_TRUE(menu.SetMenuText(1950, "东风"));
    EXPECT_EQ(subRaw->GetItemText(0, platform::MF_BYPOSITION), "东风");
    EXPECT_FALSE(menu.ModifyODMenuA("x", 4242, nullptr, 0));

    // Drawn: the selection starts after the icon column; the icon is drawn.
    platform::Surface canvas(120, 19);
    platform::Painter painter(canvas);
    platform::DRAWITEMSTRUCT draw;
    draw.CtlType = platform::ODT_MENU;
    draw.itemID = 1900;
    draw.itemState = platform::ODS_SELECTED;
    draw.hDC = &painter;
    draw.rcItem = canvas.Bounds();
    draw.itemData = menu.ItemAt(0)->data;
    menu.DrawItem(draw);
    const auto highlight = platform::GetSysColor(platform::COLOR_HIGHLIGHT);
    EXPECT_EQ(platform::ColorOf(canvas.At(CIconMenu::kIconWidth + 6, 1)), highlight);
    EXPECT_NE(platform::ColorOf(canvas.At(CIconMenu::kIconWidth + 4, 1)), highlight);
    EXPECT_EQ(platform::ColorOf(canvas.At(5, 2 + 7)), 0x0000FFu);  // 2 inside the box

    // Deleting the submenu takes its handle off the process-wide list.
    const platform::HMENU handle = subRaw->GetSafeHmenu();
    ASSERT_TRUE(menu.DeleteMenu(2, platform::MF_BYPOSITION));
    EXPECT_FALSE(CIconMenu::IsSubmenuHandle(handle));
    EXPECT_EQ(menu.GetMenuItemCount(), 2);
    EXPECT_TRUE(menu.DeleteMenu(1901, platform::MF_BYCOMMAND));
    EXPECT_EQ(menu.GetMenuItemCount(), 1);
}

TEST(IconMenuTest, LightenColourMovesEachChannelTowardsWhite) {
    EXPECT_EQ(CIconMenu::LightenColor(0x000000, 0.5), 0x7F7F7Fu);
    EXPECT_EQ(CIconMenu::LightenColor(0x0A6424, 0.7), 0xB5D0BDu);
    EXPECT_EQ(CIconMenu::LightenColor(0x0A6424, 0.0), 0x0A6424u);
    EXPECT_EQ(CIconMenu::LightenColor(0x0A6424, 1.5), 0x0A6424u);
    // The menu colour is the button face here: the classic look by default.
    EXPECT_FALSE(CIconMenu::UsesLightenedStyle());
    CIconMenu::SetLightenedStyle(true, true);
    EXPECT_TRUE(CIconMenu::UsesLightenedStyle());
    CIconMenu::SetLightenedStyle(true, false);
}

}  // namespace
}  // namespace client
