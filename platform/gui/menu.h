#pragma once
// Popup menus: items with text, check marks, grey (disabled) items,
// separators, a bold default item, submenus and owner-drawn items, which
// the menu object measures and draws through its virtual MeasureItem and
// DrawItem (by default WM_MEASUREITEM and WM_DRAWITEM to the owner, with the
// item's data). TrackPopupMenu shows the menu at a screen point and runs its
// own loop until an item is chosen or the menu is dismissed (Escape, a click
// elsewhere). Submenus open beside their item when it is pointed at, or
// with Right or Enter; Left or Escape closes the innermost one.

#include <string>
#include <string_view>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

constexpr UINT WM_INITMENUPOPUP = 0x0117;

// A menu's handle: a number no other menu of the process ever had.
using HMENU = uintptr_t;

class CMenu {
  public:
    struct Item {
        UINT flags = 0;
        UINT id = 0;
        std::string text;          // GBK; "\t" separates a right-aligned part
        uintptr_t data = 0;        // owner-drawn items' data
        CMenu* submenu = nullptr;  // MF_POPUP items; not owned
    };

    CMenu();
    virtual ~CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU GetSafeHmenu() const { return handle_; }
    bool CreatePopupMenu() {
        items_.clear();
        return true;
    }
    bool AppendMenu(UINT flags, UINT id = 0, std::string_view text = {});
    bool AppendOwnerDraw(UINT flags, UINT id, uintptr_t data);
    // A submenu item (MF_POPUP is added); `flags` may hold MF_OWNERDRAW.
    bool AppendPopup(UINT flags, CMenu* submenu, std::string_view text, uintptr_t data = 0);
    bool InsertMenu(UINT position, UINT flags, UINT id, std::string_view text);
    bool InsertItem(UINT position, UINT flags, const Item& item);
    bool ModifyMenu(UINT position, UINT flags, UINT id, std::string_view text);
    bool ModifyItem(UINT position, UINT flags, const Item& item);
    bool RemoveMenu(UINT position, UINT flags);
    virtual bool DeleteMenu(UINT position, UINT flags) { return RemoveMenu(position, flags); }
    // The submenu at a position, or null.
    CMenu* GetSubMenu(int position) const;
    // The item at a position, or null.
    const Item* ItemAt(int position) const;
    // Answer the previous state (MF_CHECKED / MF_GRAYED bits), -1 when absent.
    int CheckMenuItem(UINT item, UINT flags);
    int EnableMenuItem(UINT item, UINT flags);
    bool SetDefaultItem(UINT item, bool byPosition = false);
    int GetMenuItemCount() const { return int(items_.size()); }
    UINT GetMenuItemID(int position) const;
    UINT GetMenuState(UINT item, UINT flags) const;
    std::string GetMenuString(UINT item, UINT flags) const;
    const std::vector<Item>& Items() const { return items_; }

    // With TPM_RETURNCMD answers the chosen id (0 for none); otherwise posts
    // WM_COMMAND with it to the owner and answers whether one was chosen.
    int TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

    // Owner-drawn items. The defaults ask the owner of the menu being
    // tracked (WM_MEASUREITEM, WM_DRAWITEM); a derived menu draws its own.
    virtual void MeasureItem(MEASUREITEMSTRUCT& measure);
    virtual void DrawItem(DRAWITEMSTRUCT& draw);
    // The window that tracks this menu, while it is tracked.
    CWnd* TrackingOwner() const { return owner_; }
    void SetTrackingOwner(CWnd* owner);

  protected:
    // Index of an item by command or position; -1 when absent.
    int Find(UINT item, UINT flags) const;
    std::vector<Item>& MutableItems() { return items_; }

  private:
    HMENU handle_;
    std::vector<Item> items_;
    CWnd* owner_ = nullptr;
};

}  // namespace platform
