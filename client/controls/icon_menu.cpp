#include "client/controls/icon_menu.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

#include "client/picture_file.h"
#include "platform/gui/icon.h"
#include "platform/gui/sys_colors.h"
#include "platform/program_resources.h"

namespace client {
namespace {

using platform::COLORREF;
using platform::GetSysColor;
using platform::Painter;
using platform::RECT;
using platform::UINT;

std::mutex g_submenusLock;
std::set<platform::HMENU> g_submenus;  // every submenu of every CIconMenu
std::atomic<bool> g_lightenWhenDiffers{true};
std::atomic<bool> g_lightenWhenSame{false};
std::atomic<bool> g_selectDisabled{true};

void RegisterSubmenu(platform::HMENU handle, bool add) {
    std::lock_guard lock(g_submenusLock);
    if (add) {
        g_submenus.insert(handle);
    } else {
        g_submenus.erase(handle);
    }
}

const platform::Font& MenuFont(bool bold) {
    static const auto normal = platform::Font::Open(platform::DefaultGuiFont());
    static const auto heavy = platform::Font::Open({.face = platform::DefaultGuiFont().face,
                                                    .height = platform::DefaultGuiFont().height,
                                                    .weight = platform::FW_BOLD});
    return bold ? *heavy : *normal;
}

// The text's width with the part after a tab starting where the part before ends.
int TextWidth(std::string_view text, bool bold) {
    const size_t tab = text.find('\t');
    int width = MenuFont(bold).MeasureText(text.substr(0, tab));
    if (tab != std::string_view::npos) width += MenuFont(bold).MeasureText(text.substr(tab + 1));
    return width;
}

void DrawCheckMark(Painter& p, int x, int y, COLORREF color) {
    p.SelectPen({platform::PS_SOLID, 1, color});
    for (int d = 0; d < 2; ++d) {
        const platform::POINT tick[] = {{x, y + 2 + d}, {x + 2, y + 4 + d}, {x + 7, y - 1 + d}};
        p.Polyline(tick);
    }
}

void DrawSubmenuArrow(Painter& p, const RECT& r, COLORREF color) {
    const int cy = (r.top + r.bottom) / 2;
    for (int d = 0; d < 4; ++d)
        p.FillSolidRect({r.right - 10 + d, cy - 3 + d, r.right - 9 + d, cy + 4 - d}, color);
}

}  // namespace

CIconMenu::CIconMenu() = default;

CIconMenu::~CIconMenu() {
    DestroyMenu();
}

COLORREF CIconMenu::LightenColor(COLORREF color, double f) {
    if (!(f > 0.0 && f <= 1.0)) return color;
    COLORREF out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int c = int(color >> shift & 0xFF);
        out |= COLORREF(c + int((255 - c) * f)) << shift;
    }
    return out;
}

bool CIconMenu::IsSubmenuHandle(platform::HMENU handle) {
    std::lock_guard lock(g_submenusLock);
    return g_submenus.count(handle) != 0;
}

void CIconMenu::SetLightenedStyle(bool whenBackgroundDiffers, bool whenSame) {
    g_lightenWhenDiffers = whenBackgroundDiffers;
    g_lightenWhenSame = whenSame;
}

bool CIconMenu::UsesLightenedStyle() {
    const bool differs = GetSysColor(platform::COLOR_BTNFACE) != GetSysColor(platform::COLOR_MENU);
    return differs ? g_lightenWhenDiffers.load() : g_lightenWhenSame.load();
}

CIconMenu::ItemRecord* CIconMenu::Record(uintptr_t data) const {
    for (const auto& record : records_)
        if (reinterpret_cast<uintptr_t>(record.get()) == data) return record.get();
    return nullptr;
}

std::unique_ptr<CIconMenu::ItemRecord> CIconMenu::MakeRecord(std::string_view text, UINT flags,
                                                             UINT id, int iconResource) {
    auto record = std::make_unique<ItemRecord>();
    record->text = std::string(text);
    record->flags = flags & ~platform::MF_BYPOSITION;
    record->id = id;
    record->iconResource = iconResource;
    if (iconResource < 0) return record;
    // The command's picture in the toolbar resource of that number.
    const auto bytes =
        platform::LoadProgramResource(platform::ResourceType::kToolbar, uint32_t(iconResource));
    const auto toolbar = bytes ? ParseToolbar(*bytes) : std::nullopt;
    const int image = toolbar ? toolbar->ImageOf(id) : -1;
    if (image < 0) return record;
    const platform::Surface strip = LoadBitmapResource(uint32_t(iconResource));
    const int left = image * toolbar->buttonWidth;
    if (strip.Empty() || left + toolbar->buttonWidth > strip.Width()) return record;
    platform::Surface picture(toolbar->buttonWidth,
                              std::min(toolbar->buttonHeight, strip.Height()));
    Painter(picture).BitBlt(0, 0, picture.Width(), picture.Height(), strip, left, 0);
    record->images = std::make_unique<platform::CImageList>();
    record->images->Create(kIconWidth, kIconHeight, kBitmapBackground);
    record->images->Add(picture);
    return record;
}

bool CIconMenu::AppendODMenuA(std::string_view text, UINT flags, UINT id, int iconResource) {
    auto record = MakeRecord(text, flags, id, iconResource);
    const uintptr_t data = reinterpret_cast<uintptr_t>(record.get());
    records_.push_back(std::move(record));
    return InsertItem(
        UINT(GetMenuItemCount()), platform::MF_BYPOSITION,
        {(flags & ~(platform::MF_POPUP | platform::MF_BYPOSITION)) | platform::MF_OWNERDRAW, id,
         std::string(text), data, nullptr});
}

bool CIconMenu::InsertODMenuA(UINT position, std::string_view text, UINT flags, UINT id,
                              int iconResource) {
    CIconMenu* menu = this;
    int at = int(position);
    if (!(flags & platform::MF_BYPOSITION) && !FindByCommand(position, menu, at)) return false;
    auto record = MakeRecord(text, flags, id, iconResource);
    const uintptr_t data = reinterpret_cast<uintptr_t>(record.get());
    if (!menu->InsertItem(
            UINT(at), platform::MF_BYPOSITION,
            {(flags & ~(platform::MF_POPUP | platform::MF_BYPOSITION)) | platform::MF_OWNERDRAW, id,
             std::string(text), data, nullptr})) {
        return false;
    }
    menu->records_.push_back(std::move(record));
    return true;
}

bool CIconMenu::AppendODPopupA(std::string_view text, UINT flags,
                               std::unique_ptr<CIconMenu> submenu) {
    if (!submenu) return false;
    auto record = MakeRecord(text, flags | platform::MF_POPUP, 0, -1);
    const uintptr_t data = reinterpret_cast<uintptr_t>(record.get());
    if (!AppendPopup(flags | platform::MF_OWNERDRAW, submenu.get(), text, data)) return false;
    RegisterSubmenu(submenu->GetSafeHmenu(), true);
    records_.push_back(std::move(record));
    submenus_.push_back(std::move(submenu));
    return true;
}

bool CIconMenu::FindByCommand(UINT id, CIconMenu*& menu, int& position) {
    for (int i = 0; i < GetMenuItemCount(); ++i) {
        const Item* item = ItemAt(i);
        if (item->submenu) {
            if (CIconMenu* sub = GetSubMenu(i); sub && sub->FindByCommand(id, menu, position))
                return true;
        } else if (!(item->flags & platform::MF_SEPARATOR) && item->id == id) {
            menu = this;
            position = i;
            return true;
        }
    }
    return false;
}

bool CIconMenu::ModifyODMenuA(std::string_view text, UINT id, const platform::CImageList* images,
                              int index) {
    bool found = false;
    for (int i = 0; i < GetMenuItemCount(); ++i) {
        const Item item = *ItemAt(i);
        if (item.submenu) {
            if (CIconMenu* sub = GetSubMenu(i))
                found = sub->ModifyODMenuA(text, id, images, index) || found;
            continue;
        }
        if ((item.flags & platform::MF_SEPARATOR) || item.id != id) continue;
        ItemRecord* record = Record(item.data);
        if (!record) continue;
        found = true;
        record->text = std::string(text);
        record->images.reset();
        if (images && images->Image(index)) {
            record->images = std::make_unique<platform::CImageList>();
            record->images->Create(kIconWidth, kIconHeight, images->MaskColor());
            record->images->Add(*images->Image(index));
        }
        ModifyItem(
            UINT(i), platform::MF_BYPOSITION,
            {item.flags | platform::MF_OWNERDRAW, id, std::string(text), item.data, nullptr});
    }
    return found;
}

void CIconMenu::ForgetSubmenu(const CIconMenu* submenu) {
    RegisterSubmenu(submenu->GetSafeHmenu(), false);
    std::erase_if(submenus_, [&](const auto& owned) { return owned.get() == submenu; });
}

bool CIconMenu::DeleteMenu(UINT position, UINT flags) {
    CIconMenu* menu = this;
    int at = int(position);
    if (!(flags & platform::MF_BYPOSITION) && !FindByCommand(position, menu, at)) return false;
    const Item* item = menu->ItemAt(at);
    if (!item) return false;
    const uintptr_t data = item->data;
    if (const auto* sub = dynamic_cast<const CIconMenu*>(item->submenu)) menu->ForgetSubmenu(sub);
    std::erase_if(menu->records_, [&](const auto& record) {
        return reinterpret_cast<uintptr_t>(record.get()) == data;
    });
    return menu->RemoveMenu(UINT(at), platform::MF_BYPOSITION);
}

CIconMenu* CIconMenu::GetSubMenu(int position) const {
    return dynamic_cast<CIconMenu*>(CMenu::GetSubMenu(position));
}

bool CIconMenu::SetMenuText(UINT position, std::string_view text, UINT flags) {
    CIconMenu* menu = this;
    int at = int(position);
    if (!(flags & platform::MF_BYPOSITION) && !FindByCommand(position, menu, at)) return false;
    const Item* item = menu->ItemAt(at);
    ItemRecord* record = item ? menu->Record(item->data) : nullptr;
    if (!record) return false;
    record->text = std::string(text);
    Item changed = *item;
    changed.text = record->text;
    return menu->ModifyItem(UINT(at), platform::MF_BYPOSITION, changed);
}

std::string CIconMenu::GetItemText(UINT position, UINT flags) const {
    CIconMenu* menu = const_cast<CIconMenu*>(this);
    int at = int(position);
    if (!(flags & platform::MF_BYPOSITION) && !menu->FindByCommand(position, menu, at)) return {};
    const Item* item = menu->ItemAt(at);
    const ItemRecord* record = item ? menu->Record(item->data) : nullptr;
    return record ? record->text : std::string();
}

bool CIconMenu::HasIcon(UINT position, UINT flags) const {
    CIconMenu* menu = const_cast<CIconMenu*>(this);
    int at = int(position);
    if (!(flags & platform::MF_BYPOSITION) && !menu->FindByCommand(position, menu, at))
        return false;
    const Item* item = menu->ItemAt(at);
    const ItemRecord* record = item ? menu->Record(item->data) : nullptr;
    return record && record->images && record->images->GetImageCount() > 0;
}

bool CIconMenu::LoadMenu(uint32_t resourceId) {
    return LoadMenu(std::to_string(resourceId));
}

bool CIconMenu::LoadMenu(std::string_view resourceName) {
    const auto bytes = platform::LoadProgramResource(platform::ResourceType::kMenu, resourceName);
    const auto entries = bytes ? ParseMenuTemplate(*bytes) : std::nullopt;
    if (!entries) return false;
    DestroyMenu();
    BuildFrom(*entries);
    return true;
}

void CIconMenu::BuildFrom(const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& entry : entries) {
        if (entry.flags & platform::MF_POPUP) {
            auto sub = std::make_unique<CIconMenu>();
            sub->BuildFrom(entry.children);
            AppendODPopupA(entry.text, entry.flags & ~platform::MF_POPUP, std::move(sub));
        } else {
            const bool separator =
                (entry.flags & platform::MF_SEPARATOR) || (entry.id == 0 && entry.text.empty());
            AppendODMenuA(entry.text, entry.flags | (separator ? platform::MF_SEPARATOR : 0),
                          entry.id);
        }
    }
    AlignShortcuts();
}

void CIconMenu::AlignShortcuts() {
    int column = 0;
    for (const auto& record : records_) {
        const std::string_view text = record->text;
        column = std::max(column, MenuFont(false).MeasureText(text.substr(0, text.find('\t'))) +
                                      MenuFont(false).MeasureText(" "));
    }
    for (int i = 0; i < GetMenuItemCount(); ++i) {
        ItemRecord* record = Record(ItemAt(i)->data);
        if (!record) continue;
        const size_t tab = record->text.find('\t');
        if (tab == std::string::npos) continue;
        std::string before = record->text.substr(0, tab);
        while (MenuFont(false).MeasureText(before) < column)
            before += ' ';
        SetMenuText(UINT(i), before + record->text.substr(tab), platform::MF_BYPOSITION);
    }
}

bool CIconMenu::DestroyMenu() {
    for (const auto& sub : submenus_)
        RegisterSubmenu(sub->GetSafeHmenu(), false);
    while (GetMenuItemCount() > 0)
        RemoveMenu(0, platform::MF_BYPOSITION);
    submenus_.clear();
    records_.clear();
    defaultItem_ = 0;
    return true;
}

bool CIconMenu::IsDefaultItem(const ItemRecord& item) const {
    // Id 0 is "no default item", not the id of separators and such.
    return item.id != 0 && item.id == defaultItem_ && !(item.flags & platform::MF_POPUP);
}

void CIconMenu::MeasureItem(platform::MEASUREITEMSTRUCT& measure) {
    const ItemRecord* record = Record(measure.itemData);
    if (!record) return;
    if (record->flags & platform::MF_SEPARATOR) {
        measure.itemWidth = 0;
        measure.itemHeight = kMenuLineHeight / 2;
        return;
    }
    const bool bold = IsDefaultItem(*record);
    measure.itemWidth = UINT(TextWidth(record->text, bold) + 2 * kIconWidth + 1);
    measure.itemHeight = UINT(std::max(kMenuLineHeight, kIconHeight + 4));
}

void CIconMenu::DrawText(Painter& p, const ItemRecord& item, RECT r, bool bold, COLORREF color) {
    p.SelectFont(bold ? platform::FontSpec{.face = platform::DefaultGuiFont().face,
                                           .height = platform::DefaultGuiFont().height,
                                           .weight = platform::FW_BOLD}
                      : platform::DefaultGuiFont());
    p.SetBkMode(platform::TRANSPARENT);
    p.SetTextColor(color);
    const std::string_view text = item.text;
    const size_t tab = text.find('\t');
    p.DrawText(text.substr(0, tab), r,
               platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
    if (tab != std::string_view::npos) {
        r.left += p.GetTextExtent(text.substr(0, tab)).cx;
        p.DrawText(text.substr(tab + 1), r,
                   platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
    }
}

void CIconMenu::DrawItem(platform::DRAWITEMSTRUCT& draw) {
    const ItemRecord* record = Record(draw.itemData);
    if (!record || !draw.hDC) return;
    if (UsesLightenedStyle()) {
        DrawLightened(draw, *record);
    } else {
        DrawClassic(draw, *record);
    }
}

namespace {

// Where an item's parts go: the icon box at the left, the text after it.
struct ItemLayout {
    RECT box;
    RECT text;
    RECT selection;
};

ItemLayout Layout(const RECT& r, bool iconOrCheck) {
    const int boxTop = r.top + std::max((r.Height() - CIconMenu::kIconHeight - 4) / 2, 0);
    ItemLayout l;
    l.box = {r.left, boxTop, r.left + CIconMenu::kIconWidth + 4,
             boxTop + CIconMenu::kIconHeight + 4};
    l.text = {r.left + CIconMenu::kIconWidth + 8, r.top, r.right - 4, r.bottom};
    l.selection = r;
    if (iconOrCheck) l.selection.left = r.left + CIconMenu::kIconWidth + 5;
    return l;
}

}  // namespace

void CIconMenu::DrawClassic(platform::DRAWITEMSTRUCT& draw, const ItemRecord& item) {
    using namespace platform;
    Painter& p = *draw.hDC;
    const RECT r = draw.rcItem;
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    p.FillSolidRect(r, background);
    if (item.flags & MF_SEPARATOR) {
        const int mid = (r.top + r.bottom) / 2;
        p.DrawEdge({r.left, mid, r.right, mid + 2}, EDGE_ETCHED, BF_TOP);
        return;
    }
    const bool grey = (draw.itemState & ODS_GRAYED) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    const bool selected = (draw.itemState & ODS_SELECTED) && (!grey || g_selectDisabled);
    const bool hasIcon = item.images && item.images->GetImageCount() > 0;
    const ItemLayout l = Layout(r, hasIcon || checked);
    if (selected) p.FillSolidRect(l.selection, GetSysColor(COLOR_HIGHLIGHT));
    if (hasIcon) {
        if (checked) {
            p.FillSolidRect(l.box, GetSysColor(COLOR_3DLIGHT));
            p.Draw3dRect(l.box, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        } else if (selected && !grey) {
            p.Draw3dRect(l.box, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
        }
        if (grey) {
            DrawIconMask(p, l.box.left + 2, l.box.top + 2,
                         IconFromSurface(*item.images->Image(0), item.images->MaskColor()),
                         kDisabledColor);
        } else {
            item.images->Draw(p, 0, {l.box.left + 2, l.box.top + 2}, ILD_TRANSPARENT);
        }
    } else if (checked) {
        DrawCheckMark(p, l.box.left + 6, l.box.top + 5,
                      GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    }
    const bool bold = (draw.itemState & ODS_DEFAULT) || IsDefaultItem(item);
    if (grey) {
        DrawText(p, item, OffsetRect(l.text, 1, 1), bold, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(p, item, l.text, bold, GetSysColor(COLOR_BTNSHADOW));
    } else {
        DrawText(p, item, l.text, bold,
                 GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    }
    if (item.flags & MF_POPUP)
        DrawSubmenuArrow(p, r, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
}

void CIconMenu::DrawLightened(platform::DRAWITEMSTRUCT& draw, const ItemRecord& item) {
    using namespace platform;
    Painter& p = *draw.hDC;
    const RECT r = draw.rcItem;
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    const bool grey = (draw.itemState & ODS_GRAYED) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    const bool selected = (draw.itemState & ODS_SELECTED) && (!grey || g_selectDisabled);
    const bool hasIcon = item.images && item.images->GetImageCount() > 0;
    const ItemLayout l = Layout(r, hasIcon || checked);
    // The icon column keeps the menu colour; the text side is lighter.
    p.FillSolidRect(r, LightenColor(background, 0.35));
    p.FillSolidRect({r.left, r.top, l.box.right + 1, r.bottom}, background);
    if (item.flags & MF_SEPARATOR) {
        const int mid = (r.top + r.bottom) / 2;
        p.FillSolidRect({l.text.left, mid, r.right, mid + 1}, GetSysColor(COLOR_BTNSHADOW));
        return;
    }
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    if (selected) {
        p.FillSolidRect(r, LightenColor(highlight, 0.7));
        p.FrameRect(r, highlight);
    }
    if (checked) {
        p.FillSolidRect(l.box, LightenColor(highlight, 0.85));
        p.FrameRect(l.box, highlight);
    } else if (hasIcon && selected && !grey) {
        p.FrameRect(l.box, highlight);
    }
    if (hasIcon) {
        if (grey) {
            DrawIconMask(p, l.box.left + 2, l.box.top + 2,
                         IconFromSurface(*item.images->Image(0), item.images->MaskColor()),
                         LightenColor(kDisabledColor, 0.55));
        } else {
            item.images->Draw(p, 0, {l.box.left + 2, l.box.top + 2}, ILD_TRANSPARENT);
        }
    } else if (checked) {
        DrawCheckMark(p, l.box.left + 5, l.box.top + 4, GetSysColor(COLOR_MENUTEXT));
    }
    const bool bold = (draw.itemState & ODS_DEFAULT) || IsDefaultItem(item);
    const COLORREF text = grey ? LightenColor(kDisabledColor, 0.55) : GetSysColor(COLOR_MENUTEXT);
    DrawText(p, item, l.text, bold, text);
    if (item.flags & MF_POPUP) DrawSubmenuArrow(p, r, text);
}

}  // namespace client
