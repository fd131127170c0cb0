#include "platform/gui/combo_box.h"

#include <algorithm>
#include <cctype>

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

constexpr int kButton = 16;

}  // namespace

// The dropped list: a popup under the field that ends on a pick, a click
// elsewhere or Escape.
class CComboBox::DropList : public CWnd {
  public:
    explicit DropList(CComboBox& combo) : combo_(combo) {
        SetClassBackground(GetSysColor(COLOR_WINDOW));
    }
    ~DropList() override { Destroy(); }
    int hot = -1;

    int RowHeight() const { return Font::Open(GetFont())->Height() + 2; }

  protected:
    LRESULT OnMessage(Message& msg) override {
        const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        const bool inside = PtInRect(GetClientRect(), p);
        const int index = inside ? p.y / RowHeight() : -1;
        switch (msg.message) {
            case WM_PAINT: {
                PAINTSTRUCT ps;
                Painter painter = BeginPaint(ps);
                painter.FillSolidRect(GetClientRect(), GetSysColor(COLOR_WINDOW));
                painter.FrameRect(GetClientRect(), GetSysColor(COLOR_WINDOWFRAME));
                painter.SetBkMode(TRANSPARENT);
                for (int i = 0; i < combo_.GetCount(); ++i) {
                    RECT r{1, i * RowHeight(), GetClientRect().right - 1, (i + 1) * RowHeight()};
                    const bool lit = i == hot;
                    if (lit) painter.FillSolidRect(r, GetSysColor(COLOR_HIGHLIGHT));
                    painter.SetTextColor(GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
                    RECT text = InflateRect(r, -2, 0);
                    painter.DrawText(combo_.GetLBText(i), text,
                                     DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
                }
                EndPaint(ps);
                return 0;
            }
            case WM_MOUSEMOVE:
                if (index != hot && index < combo_.GetCount()) {
                    hot = index;
                    Invalidate();
                }
                return 0;
            case WM_LBUTTONDOWN:
                // Closing destroys this window: done from the combo's queue.
                if (!inside) PostMessage(combo_.GetSafeHwnd(), CB_SHOWDROPDOWN, 0);
                return 0;
            case WM_LBUTTONUP:
                if (inside && index >= 0 && index < combo_.GetCount()) combo_.Pick(index);
                return 0;
            case WM_CAPTURECHANGED:
                if (msg.lParam != ToLParam(GetSafeHwnd())) {
                    PostMessage(combo_.GetSafeHwnd(), CB_SHOWDROPDOWN, 0);
                }
                return 0;
            default:
                return CWnd::OnMessage(msg);
        }
    }

  private:
    CComboBox& combo_;
};

CComboBox::CComboBox() = default;

CComboBox::~CComboBox() {
    list_.reset();
    Destroy();
}

int CComboBox::FieldHeight() const {
    return Font::Open(GetFont())->Height() + 8;
}

bool CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    dropHeight_ = std::max(rect.Height(), 0);
    const RECT field{rect.left, rect.top, rect.right, rect.top + FieldHeight()};
    if (!CreateEx(0, "", style | WS_CHILD, field, parent, id)) return false;
    return edit_.Create(WS_VISIBLE | ES_AUTOHSCROLL,
                        {0, 0, field.Width() - kButton, field.Height()}, this, 1001);
}

int CComboBox::AddString(std::string_view text) {
    items_.emplace_back(text);
    return int(items_.size()) - 1;
}

int CComboBox::InsertString(int index, std::string_view text) {
    if (index < 0 || index > int(items_.size())) index = int(items_.size());
    items_.insert(items_.begin() + index, std::string(text));
    if (current_ >= index) ++current_;
    return index;
}

int CComboBox::DeleteString(int index) {
    if (index < 0 || index >= int(items_.size())) return CB_ERR;
    items_.erase(items_.begin() + index);
    if (current_ == index) current_ = CB_ERR;
    if (current_ > index) --current_;
    return int(items_.size());
}

void CComboBox::ResetContent() {
    items_.clear();
    current_ = CB_ERR;
}

int CComboBox::SetCurSel(int index) {
    if (index < 0 || index >= int(items_.size())) {
        current_ = CB_ERR;
        return CB_ERR;
    }
    current_ = index;
    edit_.SetWindowText(items_[size_t(index)]);
    edit_.SetSel(0, -1);
    return index;
}

std::string CComboBox::GetLBText(int index) const {
    return index >= 0 && index < int(items_.size()) ? items_[size_t(index)] : std::string();
}

int CComboBox::FindStringExact(int start, std::string_view text) const {
    const int n = int(items_.size());
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k + n) % n;
        const std::string& item = items_[size_t(i)];
        if (item.size() != text.size()) continue;
        bool same = true;
        for (size_t j = 0; j < item.size() && same; ++j) {
            auto a = static_cast<unsigned char>(item[j]), b = static_cast<unsigned char>(text[j]);
            if (a < 0x80 && b < 0x80)
                same = std::tolower(a) == std::tolower(b);
            else
                same = a == b;
        }
        if (same) return i;
    }
    return CB_ERR;
}

bool CComboBox::GetDroppedState() const {
    return list_ && list_->GetSafeHwnd();
}

void CComboBox::ShowDropDown(bool show) {
    if (show == GetDroppedState()) return;
    if (!show) {
        list_.reset();
        NotifyParent(*this, CBN_CLOSEUP);
        return;
    }
    NotifyParent(*this, CBN_DROPDOWN);
    list_ = std::make_unique<DropList>(*this);
    const RECT field = GetWindowRect();
    const int rows = std::max(int(items_.size()), 1);
    const int height = std::min(rows * list_->RowHeight() + 2, std::max(dropHeight_, 20));
    list_->CreateEx(WS_EX_TOOLWINDOW, "", WS_POPUP | WS_VISIBLE,
                    {field.left, field.bottom, field.right, field.bottom + height}, nullptr, 0);
    list_->hot = current_;
    list_->SetCapture();
}

void CComboBox::Pick(int index) {
    const HWND self = GetSafeHwnd();
    SetCurSel(index);
    NotifyParent(*this, CBN_SELCHANGE);
    // The list is the caller; it goes once its message is done.
    if (IsWindow(self)) PostMessage(self, CB_SHOWDROPDOWN, 0);
}

LRESULT CComboBox::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter p = BeginPaint(ps);
            const RECT client = GetClientRect();
            RECT button{client.right - kButton, 0, client.right, client.bottom};
            p.FillSolidRect(button, GetSysColor(COLOR_BTNFACE));
            p.DrawEdge(button, EDGE_RAISED, BF_RECT);
            const int cx = (button.left + button.right) / 2, cy = client.bottom / 2;
            const POINT arrow[] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
            p.SelectPen({PS_NULL, 1, 0});
            p.SelectBrush(Brush::Solid(GetSysColor(COLOR_BTNTEXT)));
            p.Polygon(arrow);
            EndPaint(ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            ShowDropDown(!GetDroppedState());
            return 0;
        case WM_COMMAND:
            if (HwndFromParam(uintptr_t(msg.lParam)) == edit_.GetSafeHwnd()) {
                switch (HIWORD(msg.wParam)) {
                    case EN_CHANGE:
                        NotifyParent(*this, CBN_EDITCHANGE);
                        break;
                    case EN_UPDATE:
                        NotifyParent(*this, CBN_EDITUPDATE);
                        break;
                    case EN_SETFOCUS:
                        NotifyParent(*this, CBN_SETFOCUS);
                        break;
                    case EN_KILLFOCUS:
                        NotifyParent(*this, CBN_KILLFOCUS);
                        break;
                    default:
                        break;
                }
            }
            return 0;
        case WM_SETFOCUS:
            edit_.SetFocus();
            return 0;
        case WM_SIZE:
            // The field keeps the width the box is given, beside the button.
            if (edit_.GetSafeHwnd())
                edit_.MoveWindow(0, 0, std::max(LOWORD(uintptr_t(msg.lParam)) - kButton, 0),
                                 HIWORD(uintptr_t(msg.lParam)));
            return CWnd::OnMessage(msg);
        case WM_SETTEXT:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
            return SendMessage(edit_.GetSafeHwnd(), msg.message, msg.wParam, msg.lParam);
        case CB_LIMITTEXT:
            LimitText(size_t(msg.wParam));
            return 1;
        case CB_ADDSTRING:
            return AddString(msg.lParam ? reinterpret_cast<const char*>(msg.lParam) : "");
        case CB_INSERTSTRING:
            return InsertString(int(LPARAM(msg.wParam)),
                                msg.lParam ? reinterpret_cast<const char*>(msg.lParam) : "");
        case CB_DELETESTRING:
            return DeleteString(int(msg.wParam));
        case CB_RESETCONTENT:
            ResetContent();
            return 0;
        case CB_GETCOUNT:
            return GetCount();
        case CB_GETCURSEL:
            return GetCurSel();
        case CB_SETCURSEL:
            return SetCurSel(int(LPARAM(msg.wParam)));
        case CB_GETLBTEXTLEN:
            return LRESULT(GetLBText(int(msg.wParam)).size());
        case CB_GETLBTEXT: {
            const std::string text = GetLBText(int(msg.wParam));
            if (auto* out = reinterpret_cast<char*>(msg.lParam)) {
                std::copy(text.begin(), text.end(), out);
                out[text.size()] = '\0';
            }
            return LRESULT(text.size());
        }
        case CB_FINDSTRINGEXACT:
            return FindStringExact(int(LPARAM(msg.wParam)),
                                   msg.lParam ? reinterpret_cast<const char*>(msg.lParam) : "");
        case CB_SHOWDROPDOWN:
            ShowDropDown(msg.wParam != 0);
            return 1;
        case CB_GETDROPPEDSTATE:
            return GetDroppedState() ? 1 : 0;
        case WM_DESTROY:
            list_.reset();
            return CWnd::OnMessage(msg);
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
