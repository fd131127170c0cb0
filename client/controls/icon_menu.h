#pragma once
// CIconMenu: the client's owner-drawn popup menu. Every item is drawn by
// the menu itself: its text (a tab lines shortcuts up in a column), a small
// icon from a toolbar resource or an image list, the default item in bold,
// check marks, grey items, separators, and submenus. Two looks: the classic
// 3-D one and a flat, lightened one (chosen by two process-wide switches by
// whether the menu background is the menu colour). Menus load from menu
// templates (LoadMenu), which build one CIconMenu per submenu.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/controls/menu_resources.h"
#include "platform/gui/image_list.h"
#include "platform/gui/menu.h"

namespace client {

class CIconMenu : public platform::CMenu {
  public:
    CIconMenu();
    ~CIconMenu() override;

    // Slots, in order.
    void DrawItem(platform::DRAWITEMSTRUCT& draw) override;
    void MeasureItem(platform::MEASUREITEMSTRUCT& measure) override;
    virtual bool LoadMenu(uint32_t resourceId);
    virtual bool LoadMenu(std::string_view resourceName);
    virtual bool DestroyMenu();

    // Builds the tree from template entries (what LoadMenu does with a resource).
    void BuildFrom(const std::vector<MenuEntry>& entries);

    // An item; with an icon resource (a toolbar) the item's command picks its
    // picture, and an item whose toolbar lacks its command has no icon.
    bool AppendODMenuA(std::string_view text, platform::UINT flags, platform::UINT id,
                       int iconResource = -1);
    bool InsertODMenuA(platform::UINT position, std::string_view text, platform::UINT flags,
                       platform::UINT id, int iconResource = -1);
    // A submenu item; the submenu is this menu's from then on.
    bool AppendODPopupA(std::string_view text, platform::UINT flags,
                        std::unique_ptr<CIconMenu> submenu);
    // Every item of command `id` anywhere in the tree gets the text and the
    // picture `index` of `images` (no icon when `images` is null).
    bool ModifyODMenuA(std::string_view text, platform::UINT id, const platform::CImageList* images,
                       int index);
    // By command, searching submenus; a removed submenu leaves the
    // process-wide list of submenus.
    bool DeleteMenu(platform::UINT position, platform::UINT flags) override;
    CIconMenu* GetSubMenu(int position) const;
    bool SetMenuText(platform::UINT item, std::string_view text,
                     platform::UINT flags = platform::MF_BYCOMMAND);
    std::string GetItemText(platform::UINT item,
                            platform::UINT flags = platform::MF_BYCOMMAND) const;
    bool HasIcon(platform::UINT item, platform::UINT flags = platform::MF_BYCOMMAND) const;
    void SetDefaultItem(platform::UINT id) {
        defaultItem_ = id;
        CMenu::SetDefaultItem(id);
    }

    // Each channel moved towards white by `f` (only for 0 < f <= 1).
    static platform::COLORREF LightenColor(platform::COLORREF color, double f);
    // Whether a menu handle is a submenu of some CIconMenu.
    static bool IsSubmenuHandle(platform::HMENU handle);
    // The look: the lightened style for menus whose background differs from
    // the menu colour (on by default) and for those where it is the same (off).
    static void SetLightenedStyle(bool whenBackgroundDiffers, bool whenSame);
    static bool UsesLightenedStyle();

    // Icons are this big; the toolbar background colour is transparent.
    static constexpr int kIconWidth = 16;
    static constexpr int kIconHeight = 15;
    static constexpr platform::COLORREF kBitmapBackground = 0xC0C0C0;
    static constexpr platform::COLORREF kDisabledColor = 0x808080;
    // The height of a menu line (the system's menu height).
    static constexpr int kMenuLineHeight = 19;

  private:
    struct ItemRecord {
        std::string text;
        int iconResource = -1;
        platform::UINT flags = 0;
        platform::UINT id = 0;
        std::unique_ptr<platform::CImageList> images;  // the item's own picture
    };

    ItemRecord* Record(uintptr_t data) const;
    // Drawn (and measured) bold.
    bool IsDefaultItem(const ItemRecord& item) const;
    std::unique_ptr<ItemRecord> MakeRecord(std::string_view text, platform::UINT flags,
                                           platform::UINT id, int iconResource);
    bool FindByCommand(platform::UINT id, CIconMenu*& menu, int& position);
    void AlignShortcuts();
    void DrawClassic(platform::DRAWITEMSTRUCT& draw, const ItemRecord& item);
    void DrawLightened(platform::DRAWITEMSTRUCT& draw, const ItemRecord& item);
    void DrawText(platform::Painter& p, const ItemRecord& item, platform::RECT r, bool bold,
                  platform::COLORREF color);
    void ForgetSubmenu(const CIconMenu* submenu);

    std::vector<std::unique_ptr<ItemRecord>> records_;
    std::vector<std::unique_ptr<CIconMenu>> submenus_;
    platform::UINT defaultItem_ = 0;
};

}  // namespace client
