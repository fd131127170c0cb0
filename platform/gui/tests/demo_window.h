#pragma once
// A small window of every kind of drawing, for the screenshot tests.

#include "platform/gui/button.h"
#include "platform/gui/edit.h"
#include "platform/gui/static_control.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/wnd.h"

namespace platform::testing_support {

// Shapes, a gradient and text painted by hand.
class CanvasWnd : public CWnd {
  public:
    ~CanvasWnd() override { Destroy(); }

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message != WM_PAINT) return CWnd::OnMessage(msg);
        PAINTSTRUCT ps;
        Painter p = BeginPaint(ps);
        const RECT r = GetClientRect();
        p.GradientFill(r, RGB(0, 90, 40), RGB(0, 170, 90), GRADIENT_FILL_RECT_V);
        p.SelectPen({PS_SOLID, 1, RGB(255, 255, 255)});
        p.SelectBrush(Brush::Solid(RGB(220, 40, 40)));
        p.Ellipse({8, 8, 48, 48});
        const POINT tile[] = {{60, 10}, {90, 10}, {90, 46}, {60, 46}};
        p.SelectBrush(Brush::Solid(RGB(250, 245, 230)));
        p.Polygon(tile);
        p.SetBkMode(TRANSPARENT);
        p.SetTextColor(RGB(20, 20, 20));
        p.SelectFont(FontSpec{.face = "宋体", .height = -20});
        p.TextOut(65, 17, "中");
        p.SelectPen({PS_DOT, 1, RGB(255, 255, 0)});
        p.MoveTo(100, 28);
        p.LineTo(200, 28);
        p.SelectFont(FontSpec{.face = "宋体", .height = -12, .weight = FW_BOLD});
        p.SetTextColor(RGB(255, 255, 255));
        RECT text{100, 32, r.right - 4, r.bottom};
        p.DrawText("东南西北 mahjong", text, DT_END_ELLIPSIS | DT_SINGLELINE);
        EndPaint(ps);
        return 0;
    }
};

class DemoWindow : public CWnd {
  public:
    DemoWindow() { SetClassBackground(GetSysColor(COLOR_BTNFACE)); }
    ~DemoWindow() override { Destroy(); }

    bool Make(DWORD style) {
        if (!CreateEx(0, "演示", style, {0, 0, 320, 200}, nullptr, 0)) return false;
        label.Create("欢迎来到牌桌，请输入昵称：", WS_VISIBLE, {10, 10, 310, 26}, this, 1);
        edit.Create(WS_VISIBLE, {10, 30, 200, 52}, this, 2);
        edit.SetWindowText("你好 abc");
        check.Create("记住我", WS_VISIBLE | BS_AUTOCHECKBOX, {210, 30, 310, 52}, this, 3);
        check.SetCheck(BST_CHECKED);
        canvas.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {10, 60, 310, 120}, this, 4);
        ok.Create("确定", WS_VISIBLE | BS_DEFPUSHBUTTON, {150, 160, 225, 183}, this, 5);
        cancel.Create("取消", WS_VISIBLE, {235, 160, 310, 183}, this, 6);
        return true;
    }

    CStatic label;
    CEdit edit;
    CButton check;
    CanvasWnd canvas;
    CButton ok;
    CButton cancel;
};

}  // namespace platform::testing_support
