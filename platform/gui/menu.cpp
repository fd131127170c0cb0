#include "platform/gui/menu.h"

#include <algorithm>

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

constexpr int kFrame = 3;
constexpr int kGutter = 20;
constexpr int kSeparatorHeight = 8;

bool Selectable(const CMenu::Item& item) {
    return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

// The window of a tracked menu.
class MenuWnd : public CWnd {
  public:
    MenuWnd(const CMenu& menu, CWnd* owner) : menu_(menu), owner_(owner) {
        SetClassBackground(GetSysColor(COLOR_MENU));
    }
    ~MenuWnd() override { Destroy(); }

    SIZE Measure() {
        auto font = Font::Open(DefaultGuiFont());
        auto bold = Font::Open(FontSpec{
            .face = DefaultGuiFont().face, .height = DefaultGuiFont().height, .weight = FW_BOLD});
        int width = 0, y = kFrame;
        tops_.clear();
        heights_.clear();
        for (const CMenu::Item& item : menu_.Items()) {
            int w = 0, h = 0;
            if (item.flags & MF_SEPARATOR) {
                h = kSeparatorHeight;
            } else if (item.flags & MF_OWNERDRAW) {
                MEASUREITEMSTRUCT measure{ODT_MENU, 0, item.id, 0, 0, item.data};
                if (owner_) {
                    SendMessage(owner_->GetSafeHwnd(), WM_MEASUREITEM, 0,
                                reinterpret_cast<LPARAM>(&measure));
                }
                w = int(measure.itemWidth);
                h = int(std::max<UINT>(measure.itemHeight, 1));
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
        for (size_t i = 0; i < tops_.size(); ++i) {
            if (p.y >= tops_[i] && p.y < tops_[i] + heights_[i] && p.x >= 0 &&
                p.x < GetClientRect().Width()) {
                return int(i);
            }
        }
        return -1;
    }

    int Run() {
        SetFocus();
        SetCapture();
        const HWND self = GetSafeHwnd();
        int result = loop_.Run([this, self](Message& msg) { return Filter(msg, self); }, 0);
        if (GetCapture() == self) ReleaseCapture();
        return result;
    }

  protected:
    LRESULT OnMessage(Message& msg) override {
        switch (msg.message) {
            case WM_PAINT:
                Paint();
                return 0;
            case WM_CAPTURECHANGED:
                // Losing the mouse to someone else dismisses the menu.
                if (loop_.Running() && msg.lParam != ToLParam(GetSafeHwnd())) loop_.End(0);
                return 0;
            default:
                return CWnd::OnMessage(msg);
        }
    }

  private:
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
                const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
                const bool inside = PtInRect(GetClientRect(), p);
                const int index = inside ? ItemAt(p) : -1;
                if (msg.message == WM_MOUSEMOVE) {
                    SetHot(index >= 0 && Selectable(menu_.Items()[size_t(index)]) ? index : -1);
                } else if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN) {
                    if (!inside) loop_.End(0);
                } else if (index >= 0 && Selectable(menu_.Items()[size_t(index)])) {
                    loop_.End(int(menu_.Items()[size_t(index)].id));
                }
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

    void Key(int vk) {
        const auto& items = menu_.Items();
        const int n = int(items.size());
        if (vk == VK_ESCAPE) {
            loop_.End(0);
        } else if (vk == VK_RETURN) {
            if (hot_ >= 0) loop_.End(int(items[size_t(hot_)].id));
        } else if ((vk == VK_DOWN || vk == VK_UP) && n > 0) {
            int i = hot_ >= 0 ? hot_ : (vk == VK_DOWN ? -1 : n);
            for (int step = 0; step < n; ++step) {
                i = vk == VK_DOWN ? (i + 1) % n : (i - 1 + n) % n;
                if (Selectable(items[size_t(i)])) {
                    SetHot(i);
                    break;
                }
            }
        }
    }

    void SetHot(int index) {
        if (index == hot_) return;
        hot_ = index;
        Invalidate();
        UpdateWindow();  // the highlight follows the pointer at once
    }

    void Paint() {
        PAINTSTRUCT ps;
        Painter p = BeginPaint(ps);
        const RECT client = GetClientRect();
        p.DrawEdge(client, EDGE_RAISED, BF_RECT);
        const auto& items = menu_.Items();
        for (size_t i = 0; i < items.size(); ++i) {
            const CMenu::Item& item = items[i];
            RECT r{kFrame, tops_[i], client.right - kFrame, tops_[i] + heights_[i]};
            const bool hot = int(i) == hot_;
            const bool grey = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
            if (item.flags & MF_SEPARATOR) {
                const int y = r.top + kSeparatorHeight / 2 - 1;
                p.FillSolidRect({r.left + 1, y, r.right - 1, y + 1}, GetSysColor(COLOR_3DSHADOW));
                p.FillSolidRect({r.left + 1, y + 1, r.right - 1, y + 2},
                                GetSysColor(COLOR_3DHILIGHT));
                continue;
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
                if (owner_) {
                    p.SaveState();
                    SendMessage(owner_->GetSafeHwnd(), WM_DRAWITEM, 0,
                                reinterpret_cast<LPARAM>(&draw));
                    p.RestoreState(-1);
                }
                continue;
            }
            p.FillSolidRect(r, GetSysColor(hot ? COLOR_HIGHLIGHT : COLOR_MENU));
            p.SetBkMode(TRANSPARENT);
            COLORREF text = GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
            if (grey) text = GetSysColor(COLOR_GRAYTEXT);
            p.SetTextColor(text);
            p.SelectFont(item.flags & MF_DEFAULT ? FontSpec{.face = DefaultGuiFont().face,
                                                            .height = DefaultGuiFont().height,
                                                            .weight = FW_BOLD}
                                                 : DefaultGuiFont());
            if (item.flags & MF_CHECKED) {
                p.SelectPen({PS_SOLID, 1, text});
                const int cy = (r.top + r.bottom) / 2;
                for (int d = 0; d < 2; ++d) {
                    POINT tick[] = {{6, cy - 1 + d}, {8, cy + 1 + d}, {13, cy - 4 + d}};
                    p.Polyline(tick);
                }
            }
            std::string_view label = item.text;
            size_t tab = label.find('\t');
            RECT tr{r.left + kGutter, r.top, r.right - kGutter, r.bottom};
            p.DrawText(label.substr(0, tab), tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            if (tab != std::string_view::npos) {
                p.DrawText(label.substr(tab + 1), tr, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
            }
        }
        EndPaint(ps);
    }

    const CMenu& menu_;
    CWnd* owner_;
    ModalLoop loop_;
    int hot_ = -1;
    std::vector<int> tops_;
    std::vector<int> heights_;
};

}  // namespace

int CMenu::Find(UINT item, UINT flags) const {
    if (flags & MF_BYPOSITION) return item < items_.size() ? int(item) : -1;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!(items_[i].flags & MF_SEPARATOR) && items_[i].id == item) return int(i);
    }
    return -1;
}

bool CMenu::AppendMenu(UINT flags, UINT id, std::string_view text) {
    items_.push_back({flags & ~MF_BYPOSITION, id, std::string(text), 0});
    return true;
}

bool CMenu::AppendOwnerDraw(UINT flags, UINT id, uintptr_t data) {
    items_.push_back({(flags | MF_OWNERDRAW) & ~MF_BYPOSITION, id, {}, data});
    return true;
}

bool CMenu::InsertMenu(UINT position, UINT flags, UINT id, std::string_view text) {
    int at = Find(position, flags);
    Item item{flags & ~MF_BYPOSITION, id, std::string(text), 0};
    if (at < 0) {
        if (!(flags & MF_BYPOSITION)) return false;
        items_.push_back(std::move(item));  // a position past the end appends
    } else {
        items_.insert(items_.begin() + at, std::move(item));
    }
    return true;
}

bool CMenu::ModifyMenu(UINT position, UINT flags, UINT id, std::string_view text) {
    int at = Find(position, flags);
    if (at < 0) return false;
    items_[size_t(at)] = {flags & ~MF_BYPOSITION, id, std::string(text), 0};
    return true;
}

bool CMenu::RemoveMenu(UINT position, UINT flags) {
    int at = Find(position, flags);
    if (at < 0) return false;
    items_.erase(items_.begin() + at);
    return true;
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

int CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    if (items_.empty()) return 0;
    if (owner) {
        SendMessage(owner->GetSafeHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(this), 0);
    }
    const HWND previousFocus = CWnd::GetFocus();
    MenuWnd window(*this, owner);
    const SIZE size = window.Measure();
    if (flags & TPM_RIGHTALIGN) x -= size.cx;
    if (flags & TPM_CENTERALIGN) x -= size.cx / 2;
    if (flags & TPM_BOTTOMALIGN) y -= size.cy;
    if (flags & TPM_VCENTERALIGN) y -= size.cy / 2;
    // Kept on the screen.
    const RECT area = GetDisplay()->WorkArea();
    x = std::clamp(x, area.left, std::max(area.left, area.right - size.cx));
    y = std::clamp(y, area.top, std::max(area.top, area.bottom - size.cy));
    if (!window.CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "", WS_POPUP | WS_VISIBLE,
                         {x, y, x + size.cx, y + size.cy}, nullptr, 0)) {
        return 0;
    }
    window.UpdateWindow();
    const int chosen = window.Run();
    window.DestroyWindow();
    if (CWnd* focus = CWnd::FromHandle(previousFocus)) focus->SetFocus();
    if (flags & TPM_RETURNCMD) return chosen;
    if (chosen && owner && !(flags & TPM_NONOTIFY)) {
        PostMessage(owner->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
    return chosen != 0;
}

}  // namespace platform
