#include "platform/gui/menu.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

constexpr int kFrame = 3;
constexpr int kGutter = 20;
constexpr int kSeparatorHeight = 8;
// Submenus nest at most this deep (a menu that holds itself stops here).
constexpr size_t kMaxDepth = 16;

std::atomic<HMENU> g_nextMenuHandle{1};

bool Selectable(const CMenu::Item& item) {
    return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

FontSpec BoldGuiFont() {
    return {.face = DefaultGuiFont().face, .height = DefaultGuiFont().height, .weight = FW_BOLD};
}

// The window of one open menu level.
class MenuWnd : public CWnd {
  public:
    explicit MenuWnd(CMenu& menu) : menu_(menu) { SetClassBackground(GetSysColor(COLOR_MENU)); }
    ~MenuWnd() override { Destroy(); }

    CMenu& Menu() const { return menu_; }
    int Hot() const { return hot_; }
    std::function<void()> onCaptureLost;

    SIZE Measure() {
        auto font = Font::Open(DefaultGuiFont());
        auto bold = Font::Open(BoldGuiFont());
        int width = 0, y = kFrame;
        tops_.clear();
        heights_.clear();
        for (const CMenu::Item& item : menu_.Items()) {
            int w = 0, h = 0;
            if (item.flags & MF_SEPARATOR) {
                h = kSeparatorHeight;
            } else if (item.flags & MF_OWNERDRAW) {
                MEASUREITEMSTRUCT measure{ODT_MENU, 0, item.id, 0, 0, item.data};
                menu_.MeasureItem(measure);
                w = int(std::min<UINT>(measure.itemWidth, 4096));
                h = int(std::clamp<UINT>(measure.itemHeight, 1, 1024));
            } else {
                const Font& f = (item.flags & MF_DEFAULT) ? *bold : *font;
                std::string_view text = item.text;
                size_t tab = text.find('\t');
                w = 2 * kGutter + f.MeasureText(text.substr(0, tab));
                if (tab != std::string_view::npos)
                    w += kGutter + f.MeasureText(text.substr(tab + 1));
                h = f.Height() + 6;
            }
            tops_.push_back(y);
            heights_.push_back(h);
            width = std::max(width, w);
            y += h;
        }
        return {width + 2 * kFrame, y + kFrame};
    }

    int ItemAt(POINT p) const {
        if (p.x < 0 || p.x >= GetClientRect().Width()) return -1;
        for (size_t i = 0; i < tops_.size(); ++i) {
            if (p.y >= tops_[i] && p.y < tops_[i] + heights_[i]) return int(i);
        }
        return -1;
    }

    // An item's rectangle in screen coordinates.
    RECT ItemScreenRect(int index) const {
        const POINT origin = ClientToScreen({0, 0});
        const int top = origin.y + tops_[size_t(index)];
        return {origin.x, top, origin.x + GetClientRect().Width(), top + heights_[size_t(index)]};
    }

    void SetHot(int index) {
        if (index == hot_) return;
        hot_ = index;
        Invalidate();
        UpdateWindow();  // the highlight follows the pointer at once
    }

  protected:
    LRESULT OnMessage(Message& msg) override {
        switch (msg.message) {
            case WM_PAINT:
                Paint();
                return 0;
            case WM_CAPTURECHANGED:
                // Losing the mouse to someone else dismisses the menu.
                if (msg.lParam != ToLParam(GetSafeHwnd()) && onCaptureLost) onCaptureLost();
                return 0;
            default:
                return CWnd::OnMessage(msg);
        }
    }

  private:
    void Paint() {
        PAINTSTRUCT ps;
        Painter p = BeginPaint(ps);
        const RECT client = GetClientRect();
        p.DrawEdge(client, EDGE_RAISED, BF_RECT);
        const auto& items = menu_.Items();
        for (size_t i = 0; i < items.size() && i < tops_.size(); ++i) {
            const RECT r{kFrame, tops_[i], client.right - kFrame, tops_[i] + heights_[i]};
            PaintItem(p, items[i], r, int(i) == hot_);
        }
        EndPaint(ps);
    }

    void PaintItem(Painter& p, const CMenu::Item& item, const RECT& r, bool hot) {
        const bool grey = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        if (item.flags & MF_SEPARATOR) {
            const int y = r.top + kSeparatorHeight / 2 - 1;
            p.FillSolidRect({r.left + 1, y, r.right - 1, y + 1}, GetSysColor(COLOR_3DSHADOW));
            p.FillSolidRect({r.left + 1, y + 1, r.right - 1, y + 2}, GetSysColor(COLOR_3DHILIGHT));
            return;
        }
        if (item.flags & MF_OWNERDRAW) {
            DRAWITEMSTRUCT draw;
            draw.CtlType = ODT_MENU;
            draw.itemID = item.id;
            draw.itemAction = ODA_DRAWENTIRE;
            draw.itemState = (hot ? ODS_SELECTED : 0) | (grey ? ODS_GRAYED : 0) |
                             ((item.flags & MF_CHECKED) ? ODS_CHECKED : 0) |
                             ((item.flags & MF_DEFAULT) ? ODS_DEFAULT : 0);
            draw.hwndItem = GetSafeHwnd();
            draw.hDC = &p;
            draw.rcItem = r;
            draw.itemData = item.data;
            p.SaveState();
            menu_.DrawItem(draw);
            p.RestoreState(-1);
            return;
        }
        p.FillSolidRect(r, GetSysColor(hot ? COLOR_HIGHLIGHT : COLOR_MENU));
        p.SetBkMode(TRANSPARENT);
        COLORREF text = GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
        if (grey) text = GetSysColor(COLOR_GRAYTEXT);
        p.SetTextColor(text);
        p.SelectFont(item.flags & MF_DEFAULT ? BoldGuiFont() : DefaultGuiFont());
        const int cy = (r.top + r.bottom) / 2;
        p.SelectPen({PS_SOLID, 1, text});
        if (item.flags & MF_CHECKED) {
            for (int d = 0; d < 2; ++d) {
                POINT tick[] = {{6, cy - 1 + d}, {8, cy + 1 + d}, {13, cy - 4 + d}};
                p.Polyline(tick);
            }
        }
        if (item.flags & MF_POPUP) {
            for (int d = 0; d < 4; ++d)
                p.FillSolidRect({r.right - 10 + d, cy - 3 + d, r.right - 9 + d, cy + 4 - d}, text);
        }
        std::string_view label = item.text;
        size_t tab = label.find('\t');
        RECT tr{r.left + kGutter, r.top, r.right - kGutter, r.bottom};
        p.DrawText(label.substr(0, tab), tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (tab != std::string_view::npos) {
            p.DrawText(label.substr(tab + 1), tr, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        }
    }

    CMenu& menu_;
    int hot_ = -1;
    std::vector<int> tops_;
    std::vector<int> heights_;
};

// One run of TrackPopupMenu: the open levels, innermost last, and the loop.
class MenuTracker {
  public:
    int Run(CMenu& menu, UINT flags, int x, int y) {
        if (!Open(menu, x, y, flags)) return 0;
        MenuWnd& root = *levels_.front();
        root.SetFocus();
        root.SetCapture();
        const HWND self = root.GetSafeHwnd();
        const int result = loop_.Run([this, self](Message& msg) { return Filter(msg, self); }, 0);
        if (CWnd::GetCapture() == self) CWnd::ReleaseCapture();
        levels_.clear();
        return result;
    }

  private:
    // Opens a level at (x, y) aligned by `flags`, or, for a submenu, beside
    // the item `beside` (screen coordinates): right of it when it fits.
    bool Open(CMenu& menu, int x, int y, UINT flags, const RECT* beside = nullptr) {
        if (levels_.size() >= kMaxDepth) return false;
        auto window = std::make_unique<MenuWnd>(menu);
        const SIZE size = window->Measure();
        const RECT area = GetDisplay()->WorkArea();
        if (beside) {
            x = beside->right - kFrame;
            if (x + size.cx > area.right) x = beside->left - size.cx + kFrame;
            y = beside->top - kFrame;
        }
        if (flags & TPM_RIGHTALIGN) x -= size.cx;
        if (flags & TPM_CENTERALIGN) x -= size.cx / 2;
        if (flags & TPM_BOTTOMALIGN) y -= size.cy;
        if (flags & TPM_VCENTERALIGN) y -= size.cy / 2;
        // Kept on the screen.
        x = std::clamp(x, area.left, std::max(area.left, area.right - size.cx));
        y = std::clamp(y, area.top, std::max(area.top, area.bottom - size.cy));
        if (!window->CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "", WS_POPUP | WS_VISIBLE,
                              {x, y, x + size.cx, y + size.cy}, nullptr, 0)) {
            return false;
        }
        window->onCaptureLost = [this] {
            if (loop_.Running()) loop_.End(0);
        };
        window->UpdateWindow();
        levels_.push_back(std::move(window));
        return true;
    }

    // Opens the submenu of the hot item of level `level`, beside the item.
    void OpenSubmenu(size_t level, bool selectFirst) {
        MenuWnd& parent = *levels_[level];
        const CMenu::Item* item = parent.Menu().ItemAt(parent.Hot());
        if (!item || !item->submenu || !Selectable(*item)) return;
        CloseAfter(level);
        const RECT at = parent.ItemScreenRect(parent.Hot());
        if (!Open(*item->submenu, 0, 0, 0, &at)) return;
        if (selectFirst) Step(*levels_.back(), VK_DOWN);
    }

    void CloseAfter(size_t level) {
        while (levels_.size() > level + 1)
            levels_.pop_back();
    }

    // The innermost level whose window holds a screen point, or -1.
    int LevelAt(POINT screen) const {
        for (size_t i = levels_.size(); i-- > 0;) {
            if (PtInRect(levels_[i]->GetWindowRect(), screen)) return int(i);
        }
        return -1;
    }

    bool Filter(Message& msg, HWND self) {
        if (!IsWindow(self)) {
            loop_.End(0);
            return false;
        }
        switch (msg.message) {
            case WM_MOUSEMOVE:
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP: {
                if (msg.hwnd != self) return true;  // the menu has the mouse
                const POINT screen = levels_.front()->ClientToScreen(
                    {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)});
                Mouse(msg.message, screen);
                return true;
            }
            case WM_KEYDOWN:
            case WM_CHAR:
            case WM_KEYUP:
                if (msg.message == WM_KEYDOWN) Key(int(msg.wParam));
                return true;
            default:
                return false;
        }
    }

    void Mouse(UINT message, POINT screen) {
        const int level = LevelAt(screen);
        if (level < 0) {
            if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) loop_.End(0);
            if (message == WM_MOUSEMOVE) levels_.back()->SetHot(-1);
            return;
        }
        MenuWnd& window = *levels_[size_t(level)];
        const int index = window.ItemAt(window.ScreenToClient(screen));
        const CMenu::Item* item = window.Menu().ItemAt(index);
        const bool selectable = item && Selectable(*item);
        if (message == WM_MOUSEMOVE) {
            if (selectable && index == window.Hot() && size_t(level) + 1 < levels_.size()) return;
            CloseAfter(size_t(level));
            window.SetHot(selectable ? index : -1);
            if (selectable && item->submenu) OpenSubmenu(size_t(level), false);
        } else if ((message == WM_LBUTTONUP || message == WM_RBUTTONUP) && selectable &&
                   !item->submenu) {
            loop_.End(int(item->id));
        }
    }

    void Key(int vk) {
        MenuWnd& inner = *levels_.back();
        const CMenu::Item* hot = inner.Menu().ItemAt(inner.Hot());
        switch (vk) {
            case VK_ESCAPE:
            case VK_LEFT:
                if (levels_.size() > 1) {
                    levels_.pop_back();
                } else if (vk == VK_ESCAPE) {
                    loop_.End(0);
                }
                break;
            case VK_RIGHT:
            case VK_RETURN:
                if (hot && hot->submenu) {
                    OpenSubmenu(levels_.size() - 1, true);
                } else if (hot && vk == VK_RETURN) {
                    loop_.End(int(hot->id));
                }
                break;
            case VK_DOWN:
            case VK_UP:
                Step(inner, vk);
                break;
            default:
                break;
        }
    }

    static void Step(MenuWnd& window, int vk) {
        const auto& items = window.Menu().Items();
        const int n = int(items.size());
        if (n == 0) return;
        int i = window.Hot() >= 0 ? window.Hot() : (vk == VK_DOWN ? -1 : n);
        for (int step = 0; step < n; ++step) {
            i = vk == VK_DOWN ? (i + 1) % n : (i - 1 + n) % n;
            if (Selectable(items[size_t(i)])) {
                window.SetHot(i);
                return;
            }
        }
    }

    ModalLoop loop_;
    std::vector<std::unique_ptr<MenuWnd>> levels_;
};

}  // namespace

CMenu::CMenu() : handle_(g_nextMenuHandle.fetch_add(1)) {}

int CMenu::Find(UINT item, UINT flags) const {
    if (flags & MF_BYPOSITION) return item < items_.size() ? int(item) : -1;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!(items_[i].flags & (MF_SEPARATOR | MF_POPUP)) && items_[i].id == item) return int(i);
    }
    return -1;
}

bool CMenu::AppendMenu(UINT flags, UINT id, std::string_view text) {
    items_.push_back({flags & ~(MF_BYPOSITION | MF_POPUP), id, std::string(text), 0, nullptr});
    return true;
}

bool CMenu::AppendOwnerDraw(UINT flags, UINT id, uintptr_t data) {
    items_.push_back({(flags | MF_OWNERDRAW) & ~(MF_BYPOSITION | MF_POPUP), id, {}, data, nullptr});
    return true;
}

bool CMenu::AppendPopup(UINT flags, CMenu* submenu, std::string_view text, uintptr_t data) {
    if (!submenu || submenu == this) return false;
    items_.push_back({(flags | MF_POPUP) & ~MF_BYPOSITION, 0, std::string(text), data, submenu});
    return true;
}

bool CMenu::InsertMenu(UINT position, UINT flags, UINT id, std::string_view text) {
    return InsertItem(position, flags,
                      {flags & ~(MF_BYPOSITION | MF_POPUP), id, std::string(text), 0, nullptr});
}

bool CMenu::InsertItem(UINT position, UINT flags, const Item& item) {
    if (item.submenu == this) return false;
    int at = Find(position, flags);
    Item copy = item;
    copy.flags &= ~MF_BYPOSITION;
    if (at < 0) {
        if (!(flags & MF_BYPOSITION)) return false;
        items_.push_back(std::move(copy));  // a position past the end appends
    } else {
        items_.insert(items_.begin() + at, std::move(copy));
    }
    return true;
}

bool CMenu::ModifyMenu(UINT position, UINT flags, UINT id, std::string_view text) {
    return ModifyItem(position, flags,
                      {flags & ~(MF_BYPOSITION | MF_POPUP), id, std::string(text), 0, nullptr});
}

bool CMenu::ModifyItem(UINT position, UINT flags, const Item& item) {
    int at = Find(position, flags);
    if (at < 0 || item.submenu == this) return false;
    items_[size_t(at)] = item;
    items_[size_t(at)].flags &= ~MF_BYPOSITION;
    return true;
}

bool CMenu::RemoveMenu(UINT position, UINT flags) {
    int at = Find(position, flags);
    if (at < 0) return false;
    items_.erase(items_.begin() + at);
    return true;
}

CMenu* CMenu::GetSubMenu(int position) const {
    const Item* item = ItemAt(position);
    return item ? item->submenu : nullptr;
}

const CMenu::Item* CMenu::ItemAt(int position) const {
    return position >= 0 && size_t(position) < items_.size() ? &items_[size_t(position)] : nullptr;
}

int CMenu::CheckMenuItem(UINT item, UINT flags) {
    int at = Find(item, flags);
    if (at < 0) return -1;
    UINT& f = items_[size_t(at)].flags;
    int previous = int(f & MF_CHECKED);
    f = (f & ~MF_CHECKED) | (flags & MF_CHECKED);
    return previous;
}

int CMenu::EnableMenuItem(UINT item, UINT flags) {
    int at = Find(item, flags);
    if (at < 0) return -1;
    UINT& f = items_[size_t(at)].flags;
    int previous = int(f & (MF_GRAYED | MF_DISABLED));
    f = (f & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return previous;
}

bool CMenu::SetDefaultItem(UINT item, bool byPosition) {
    int at = Find(item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    for (Item& i : items_)
        i.flags &= ~MF_DEFAULT;
    if (at < 0) return item == UINT(-1);
    items_[size_t(at)].flags |= MF_DEFAULT;
    return true;
}

UINT CMenu::GetMenuItemID(int position) const {
    if (position < 0 || size_t(position) >= items_.size()) return UINT(-1);
    const Item& item = items_[size_t(position)];
    if (item.flags & MF_POPUP) return UINT(-1);
    return (item.flags & MF_SEPARATOR) ? 0 : item.id;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
    int at = Find(item, flags);
    return at < 0 ? UINT(-1) : items_[size_t(at)].flags;
}

std::string CMenu::GetMenuString(UINT item, UINT flags) const {
    int at = Find(item, flags);
    return at < 0 ? std::string() : items_[size_t(at)].text;
}

void CMenu::MeasureItem(MEASUREITEMSTRUCT& measure) {
    if (owner_) {
        SendMessage(owner_->GetSafeHwnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    }
}

void CMenu::DrawItem(DRAWITEMSTRUCT& draw) {
    if (owner_) SendMessage(owner_->GetSafeHwnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
}

void CMenu::SetTrackingOwner(CWnd* owner) {
    // Walks the tree once; a menu reached again (a cycle) is not walked twice.
    std::vector<CMenu*> seen;
    std::vector<CMenu*> todo{this};
    while (!todo.empty() && seen.size() < 4096) {
        CMenu* menu = todo.back();
        todo.pop_back();
        if (std::find(seen.begin(), seen.end(), menu) != seen.end()) continue;
        seen.push_back(menu);
        menu->owner_ = owner;
        for (const Item& item : menu->items_)
            if (item.submenu) todo.push_back(item.submenu);
    }
}

int CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    if (items_.empty()) return 0;
    if (owner) {
        SendMessage(owner->GetSafeHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(this), 0);
    }
    const HWND previousFocus = CWnd::GetFocus();
    SetTrackingOwner(owner);
    const int chosen = MenuTracker().Run(*this, flags, x, y);
    SetTrackingOwner(nullptr);
    if (CWnd* focus = CWnd::FromHandle(previousFocus)) focus->SetFocus();
    if (flags & TPM_RETURNCMD) return chosen;
    if (chosen && owner && !(flags & TPM_NONOTIFY)) {
        PostMessage(owner->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
    return chosen != 0;
}

}  // namespace platform
