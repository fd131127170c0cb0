#include "platform/gui/message_box.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/gui/button.h"
#include "platform/gui/dialog.h"
#include "platform/gui/static_control.h"
#include "platform/gui/sys_colors.h"

namespace platform {
namespace {

constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kGap = 8;

struct ButtonSpec {
    int id;
    const char* text;
};

std::vector<ButtonSpec> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {{IDOK, "确定"}, {IDCANCEL, "取消"}};
        case MB_YESNOCANCEL:
            return {{IDYES, "是(&Y)"}, {IDNO, "否(&N)"}, {IDCANCEL, "取消"}};
        case MB_YESNO:
            return {{IDYES, "是(&Y)"}, {IDNO, "否(&N)"}};
        default:
            return {{IDOK, "确定"}};
    }
}

class IconView : public CWnd {
  public:
    explicit IconView(UINT type) : type_(type) {}
    ~IconView() override { Destroy(); }

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message != WM_PAINT) return CWnd::OnMessage(msg);
        PAINTSTRUCT ps;
        Painter painter = BeginPaint(ps);
        painter.FillSolidRect(GetClientRect(), GetSysColor(COLOR_BTNFACE));
        DrawMessageIcon(painter, 0, 0, type_);
        EndPaint(ps);
        return 0;
    }

  private:
    UINT type_;
};

class MessageBoxDialog : public CDialog {
  public:
    MessageBoxDialog(std::string_view text, std::string_view caption, UINT type)
        : CDialog({0, 0}, std::string(caption)), text_(text), type_(type), icon_(type) {}
    ~MessageBoxDialog() override { Destroy(); }

    // Sizes the dialog to its text before it is made.
    void Layout() {
        auto font = Font::Open(DefaultGuiFont());
        Surface scratch(1, 1);
        Painter measure(scratch);
        RECT text{0, 0, 360, 0};
        measure.DrawText(text_, text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        const bool icon = (type_ & MB_ICONMASK) != 0;
        const int left = kMargin + (icon ? kIcon + kMargin : 0);
        const int buttons = int(ButtonsOf(type_).size());
        const int buttonsWidth = buttons * kButtonWidth + (buttons - 1) * kGap;
        const int width = std::max(left + text.Width() + kMargin, buttonsWidth + 2 * kMargin);
        const int body = std::max(text.Height(), icon ? kIcon : 0);
        textRect_ = {left, kMargin + (body - text.Height()) / 2, left + text.Width(),
                     kMargin + (body - text.Height()) / 2 + text.Height()};
        buttonsTop_ = kMargin + body + kMargin;
        SetDialogSize({width, buttonsTop_ + kButtonHeight + kMargin});
    }

  protected:
    bool OnInitDialog() override {
        const RECT client = GetClientRect();
        if (type_ & MB_ICONMASK) {
            icon_.CreateEx(0, "", WS_CHILD | WS_VISIBLE,
                           {kMargin, kMargin, kMargin + kIcon, kMargin + kIcon}, this, 0xFFFF);
        }
        label_.Create(text_, WS_VISIBLE | SS_LEFT, textRect_, this, 0xFFFE);
        const auto specs = ButtonsOf(type_);
        const int total = int(specs.size()) * kButtonWidth + int(specs.size() - 1) * kGap;
        int x = (client.Width() - total) / 2;
        for (size_t i = 0; i < specs.size(); ++i) {
            auto button = std::make_unique<CButton>();
            DWORD style = WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            button->Create(specs[i].text, style,
                           {x, buttonsTop_, x + kButtonWidth, buttonsTop_ + kButtonHeight}, this,
                           UINT(specs[i].id));
            x += kButtonWidth + kGap;
            buttons_.push_back(std::move(button));
        }
        SetDefID(UINT(specs[0].id));
        return true;
    }

    void OnCancel() override {
        // Escape and the close box answer Cancel only where there is one;
        // a single OK button answers OK.
        const UINT kind = type_ & MB_TYPEMASK;
        if (kind == MB_OKCANCEL || kind == MB_YESNOCANCEL) {
            EndDialog(IDCANCEL);
        } else if (kind == MB_OK) {
            EndDialog(IDOK);
        }
    }

    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_COMMAND && HIWORD(msg.wParam) == BN_CLICKED) {
            const int id = LOWORD(msg.wParam);
            if (id == IDYES || id == IDNO) {
                EndDialog(id);
                return 0;
            }
        }
        return CDialog::OnMessage(msg);
    }

  private:
    std::string text_;
    UINT type_;
    IconView icon_;
    CStatic label_;
    std::vector<std::unique_ptr<CButton>> buttons_;
    RECT textRect_{};
    int buttonsTop_ = 0;
};

}  // namespace

void DrawMessageIcon(Painter& painter, int x, int y, UINT type) {
    COLORREF color;
    const char* mark;
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR:
            color = RGB(200, 0, 0);
            mark = "X";
            break;
        case MB_ICONQUESTION:
            color = RGB(0, 80, 200);
            mark = "?";
            break;
        case MB_ICONWARNING:
            color = RGB(230, 180, 0);
            mark = "!";
            break;
        case MB_ICONINFORMATION:
            color = RGB(0, 80, 200);
            mark = "i";
            break;
        default:
            return;
    }
    painter.SaveState();
    painter.SelectPen({PS_SOLID, 1, RGB(60, 60, 60)});
    painter.SelectBrush(Brush::Solid(color));
    painter.Ellipse({x, y, x + kIcon, y + kIcon});
    painter.SelectFont(FontSpec{.face = "Arial", .height = -22, .weight = FW_BOLD});
    painter.SetTextColor(RGB(255, 255, 255));
    painter.SetBkMode(TRANSPARENT);
    RECT r{x, y, x + kIcon, y + kIcon};
    painter.DrawText(mark, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    painter.RestoreState(-1);
}

int MessageBox(CWnd* owner, std::string_view text, std::string_view caption, UINT type) {
    MessageBoxDialog box(text, caption, type);
    box.Layout();
    return box.DoModal(owner);
}

}  // namespace platform
