#include <gtest/gtest.h>

#include <functional>

#include "platform/gui/button.h"
#include "platform/gui/dialog.h"
#include "platform/gui/edit.h"
#include "platform/gui/message_box.h"
#include "platform/gui/static_control.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

struct Command {
    int id;
    int code;
    HWND from;
};

// A parent that records its WM_COMMAND notifications.
class Parent : public RecordingWnd {
  public:
    std::vector<Command> commands;
    std::vector<DRAWITEMSTRUCT> draws;
    const Brush* staticBrush = nullptr;

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_COMMAND) {
            commands.push_back(
                {LOWORD(msg.wParam), HIWORD(msg.wParam), HwndFromParam(uintptr_t(msg.lParam))});
            return 0;
        }
        if (msg.message == WM_DRAWITEM) {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(msg.lParam);
            draws.push_back(*item);
            item->hDC->FillSolidRect(
                item->rcItem, (item->itemState & ODS_SELECTED) ? RGB(0, 0, 255) : RGB(0, 255, 0));
            return 1;
        }
        if (msg.message == WM_CTLCOLORSTATIC && staticBrush) {
            reinterpret_cast<Painter*>(msg.wParam)->SetTextColor(RGB(255, 0, 0));
            return reinterpret_cast<LRESULT>(staticBrush);
        }
        return RecordingWnd::OnMessage(msg);
    }
};

class ControlsTest : public testing::Test {
  protected:
    ControlsTest() : display_(std::make_shared<HeadlessDisplay>(SIZE{800, 600})) {
        SetDisplay(display_);
        Pump();
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 300, 200}, nullptr, 0);
        Pump();
    }
    ~ControlsTest() override { Pump(); }

    void Click(POINT p, MouseButton button = MouseButton::Left) {
        InputEvent e;
        e.window = parent_.GetSafeHwnd().value;
        e.point = p;
        e.button = button;
        e.kind = InputEvent::Kind::MouseDown;
        display_->Inject(e);
        e.kind = InputEvent::Kind::MouseUp;
        display_->Inject(e);
        Pump();
    }
    void Key(int vk, uint32_t window = 0) {
        InputEvent e;
        e.window = window ? window : parent_.GetSafeHwnd().value;
        e.virtualKey = vk;
        e.kind = InputEvent::Kind::KeyDown;
        display_->Inject(e);
        e.kind = InputEvent::Kind::KeyUp;
        display_->Inject(e);
        Pump();
    }
    void Type(std::string_view text) {
        InputEvent e;
        e.window = parent_.GetSafeHwnd().value;
        e.kind = InputEvent::Kind::Text;
        e.text = std::string(text);
        display_->Inject(e);
        Pump();
    }
    COLORREF ScreenAt(int x, int y) {
        return ColorOf(display_->Screen(parent_.GetSafeHwnd().value).At(x, y));
    }

    std::shared_ptr<HeadlessDisplay> display_;
    Parent parent_;
};

TEST_F(ControlsTest, PushButtonClicksWhenReleasedOverIt) {
    CButton button;
    ASSERT_TRUE(button.Create("确定", WS_VISIBLE | WS_TABSTOP, {10, 10, 85, 33}, &parent_, 1));
    Pump();
    Click({20, 20});
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].id, 1);
    EXPECT_EQ(parent_.commands[0].code, int(BN_CLICKED));
    EXPECT_EQ(parent_.commands[0].from, button.GetSafeHwnd());
    EXPECT_EQ(CWnd::GetFocus(), button.GetSafeHwnd());

    // Pressed, then released elsewhere: no click.
    InputEvent e;
    e.window = parent_.GetSafeHwnd().value;
    e.button = MouseButton::Left;
    e.kind = InputEvent::Kind::MouseDown;
    e.point = {20, 20};
    display_->Inject(e);
    Pump();
    EXPECT_TRUE(button.IsPushed());
    e.kind = InputEvent::Kind::MouseMove;
    e.point = {200, 150};
    display_->Inject(e);
    Pump();
    EXPECT_FALSE(button.IsPushed());
    e.kind = InputEvent::Kind::MouseUp;
    display_->Inject(e);
    Pump();
    EXPECT_EQ(parent_.commands.size(), 1u);

    Key(VK_SPACE);
    EXPECT_EQ(parent_.commands.size(), 2u);
    SendMessage(button.GetSafeHwnd(), BM_CLICK);
    EXPECT_EQ(parent_.commands.size(), 3u);

    // The face is drawn in the button colours with the caption.
    EXPECT_EQ(ScreenAt(15, 22), GetSysColor(COLOR_BTNFACE));
}

TEST_F(ControlsTest, DisabledButtonsDoNotClick) {
    CButton button;
    button.Create("取消", WS_VISIBLE | WS_DISABLED, {10, 10, 85, 33}, &parent_, 2);
    Pump();
    Click({20, 20});
    EXPECT_TRUE(parent_.commands.empty());
}

TEST_F(ControlsTest, OwnerDrawnButtonsAskTheParentWithTheirState) {
    CButton button;
    button.Create("", WS_VISIBLE | BS_OWNERDRAW, {10, 10, 50, 50}, &parent_, 3);
    Pump();
    ASSERT_FALSE(parent_.draws.empty());
    EXPECT_EQ(parent_.draws.back().CtlType, ODT_BUTTON);
    EXPECT_EQ(parent_.draws.back().CtlID, 3u);
    EXPECT_EQ(parent_.draws.back().rcItem, (RECT{0, 0, 40, 40}));
    EXPECT_EQ(ScreenAt(30, 30), RGB(0, 255, 0));
    InputEvent e;
    e.window = parent_.GetSafeHwnd().value;
    e.button = MouseButton::Left;
    e.kind = InputEvent::Kind::MouseDown;
    e.point = {30, 30};
    display_->Inject(e);
    Pump();
    EXPECT_TRUE(parent_.draws.back().itemState & ODS_SELECTED);
    EXPECT_EQ(ScreenAt(30, 30), RGB(0, 0, 255));
    e.kind = InputEvent::Kind::MouseUp;
    display_->Inject(e);
    Pump();
    EXPECT_EQ(parent_.commands.size(), 1u);
}

TEST_F(ControlsTest, AutoCheckBoxesToggle) {
    CButton box;
    box.Create("选项", WS_VISIBLE | BS_AUTOCHECKBOX, {10, 10, 100, 30}, &parent_, 4);
    Pump();
    Click({15, 20});
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    Click({15, 20});
    EXPECT_EQ(SendMessage(box.GetSafeHwnd(), BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(parent_.commands.size(), 2u);
}

TEST_F(ControlsTest, StaticsNotifyAndTakeTheParentsColours) {
    const Brush yellow = Brush::Solid(RGB(255, 255, 0));
    parent_.staticBrush = &yellow;
    CStatic label;
    label.Create("提示", WS_VISIBLE | SS_NOTIFY, {10, 10, 100, 30}, &parent_, 5);
    Pump();
    EXPECT_EQ(ScreenAt(90, 25), RGB(255, 255, 0));
    Click({20, 20});
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].code, int(STN_CLICKED));
    label.SetWindowText("新的");
    EXPECT_EQ(label.GetWindowText(), "新的");
}

TEST_F(ControlsTest, EditTakesTypedGbkTextAndReportsChanges) {
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_TABSTOP, {10, 10, 200, 32}, &parent_, 6));
    Pump();
    Click({20, 20});
    EXPECT_EQ(CWnd::GetFocus(), edit.GetSafeHwnd());
    EXPECT_TRUE(display_->TextInputOn(parent_.GetSafeHwnd().value));
    parent_.commands.clear();
    Type("ab确定");
    EXPECT_EQ(edit.GetWindowText(), "ab确定");
    int changes = 0;
    for (const Command& c : parent_.commands)
        changes += c.code == int(EN_CHANGE);
    EXPECT_EQ(changes, 4);  // one per character

    Key(VK_BACK);  // a double-byte character goes whole
    EXPECT_EQ(edit.GetWindowText(), "ab确");
    Key(VK_HOME);
    Key(VK_DELETE);
    EXPECT_EQ(edit.GetWindowText(), "b确");
    Key(VK_END);
    Key(VK_LEFT);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 1);

    Key(VK_RETURN);  // control characters type nothing
    EXPECT_EQ(edit.GetWindowText(), "b确");
}

TEST_F(ControlsTest, MultilineEditWrapsBreaksLinesAndMovesBetweenThem) {
    CEdit edit;
    // 52 pixels inside its edges: four 12-pixel characters a line.
    ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_MULTILINE, {10, 40, 70, 100}, &parent_, 7));
    edit.SetFocus();
    Type("一二三四五六");
    Key(VK_RETURN);
    Type("七");
    EXPECT_EQ(edit.GetWindowText(), "一二三四五六\r\n七");
    int start = 0, end = 0;
    Key(VK_UP);  // from after 七 (x 12) to after 五 on the wrapped line
    edit.GetSel(start, end);
    EXPECT_EQ(start, 10);
    Key(VK_HOME);
    edit.GetSel(start, end);
    EXPECT_EQ(start, 8);
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_END);
    edit.GetSel(start, end);
    EXPECT_EQ(start, 16);
    Key(VK_LEFT);  // a line break is one character
    Key(VK_BACK);
    EXPECT_EQ(edit.GetWindowText(), "一二三四五六七");
    // A click on the second line puts the caret there.
    Click({10 + 4 + 12 + 2, 40 + 4 + 12 + 6});
    edit.GetSel(start, end);
    EXPECT_EQ(start, 10);
}

TEST_F(ControlsTest, ReadOnlyEditsAreColouredAsStaticsAndGroupBoxesTakeNoClicks) {
    const Brush yellow = Brush::Solid(RGB(255, 255, 0));
    parent_.staticBrush = &yellow;
    CEdit fixed;
    ASSERT_TRUE(fixed.Create(WS_VISIBLE | ES_READONLY, {10, 10, 100, 32}, &parent_, 9));
    CButton group;
    ASSERT_TRUE(group.Create("组", WS_VISIBLE | BS_GROUPBOX, {10, 40, 200, 150}, &parent_, 10));
    Pump();
    EXPECT_EQ(ScreenAt(50, 20), RGB(255, 255, 0));
    parent_.commands.clear();
    Click({100, 100});
    EXPECT_TRUE(parent_.commands.empty());
    EXPECT_NE(CWnd::GetFocus(), group.GetSafeHwnd());
}

TEST_F(ControlsTest, EditLimitCutsAtCharacterBoundariesAndSaysSo) {
    CEdit edit;
    edit.Create(WS_VISIBLE, {10, 10, 200, 32}, &parent_, 7);
    SendMessage(edit.GetSafeHwnd(), EM_LIMITTEXT, 4);
    EXPECT_EQ(SendMessage(edit.GetSafeHwnd(), EM_GETLIMITTEXT), 4);
    edit.SetFocus();
    parent_.commands.clear();
    Type("a确定");
    EXPECT_EQ(edit.GetWindowText(), "a确");
    bool maxText = false;
    for (const Command& c : parent_.commands)
        maxText = maxText || c.code == int(EN_MAXTEXT);
    EXPECT_TRUE(maxText);
    // Pasting is limited the same way; setting the text is not.
    edit.SetSel(0, -1);
    edit.ReplaceSel("12345");
    EXPECT_EQ(edit.GetWindowText(), "1234");
    edit.SetWindowText("longer than four");
    EXPECT_EQ(edit.GetWindowText(), "longer than four");
}

TEST_F(ControlsTest, NumberOnlyAndReadOnlyEditsRefuseInput) {
    CEdit number, fixed;
    number.Create(WS_VISIBLE | ES_NUMBER, {10, 10, 100, 32}, &parent_, 8);
    fixed.Create(WS_VISIBLE | ES_READONLY, {10, 40, 100, 62}, &parent_, 9);
    number.SetFocus();
    Type("1a2");
    EXPECT_EQ(number.GetWindowText(), "12");
    fixed.SetFocus();
    Type("x");
    EXPECT_EQ(fixed.GetWindowText(), "");
    EXPECT_FALSE(display_->TextInputOn(parent_.GetSafeHwnd().value) &&
                 CWnd::GetFocus() != fixed.GetSafeHwnd());
}

// A dialog whose start runs a test's script.
class ScriptedDialog : public CDialog {
  public:
    std::function<void(ScriptedDialog&)> onInit;
    CButton ok, cancel, other;
    CEdit edit;

    ScriptedDialog() : CDialog({240, 120}, "对话框") {}
    ~ScriptedDialog() override { Destroy(); }

  protected:
    bool OnInitDialog() override {
        edit.Create(WS_VISIBLE | WS_TABSTOP, {10, 10, 230, 32}, this, 100);
        ok.Create("确定", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {10, 80, 80, 103}, this,
                  IDOK);
        cancel.Create("取消", WS_VISIBLE | WS_TABSTOP, {85, 80, 155, 103}, this, IDCANCEL);
        other.Create("其他", WS_VISIBLE | WS_TABSTOP, {160, 80, 230, 103}, this, 300);
        if (onInit) onInit(*this);
        return true;
    }
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_COMMAND && LOWORD(msg.wParam) == 300) {
            EndDialog(300);
            return 0;
        }
        return CDialog::OnMessage(msg);
    }
};

class DialogTest : public ControlsTest {
  protected:
    void InjectKey(CWnd& top, int vk) {
        InputEvent e;
        e.window = top.GetSafeHwnd().value;
        e.virtualKey = vk;
        e.kind = InputEvent::Kind::KeyDown;
        display_->Inject(e);
        e.kind = InputEvent::Kind::KeyUp;
        display_->Inject(e);
    }
    void InjectClick(CWnd& top, POINT p) {
        InputEvent e;
        e.window = top.GetSafeHwnd().value;
        e.point = p;
        e.button = MouseButton::Left;
        e.kind = InputEvent::Kind::MouseDown;
        display_->Inject(e);
        e.kind = InputEvent::Kind::MouseUp;
        display_->Inject(e);
    }
};

TEST_F(DialogTest, ModalDialogDisablesItsOwnerUntilItEnds) {
    ScriptedDialog dialog;
    bool ownerDisabled = false;
    dialog.onInit = [&](ScriptedDialog& d) {
        ownerDisabled = !parent_.IsWindowEnabled();
        InjectClick(d, {20, 90});  // the OK button
    };
    EXPECT_EQ(dialog.DoModal(&parent_), IDOK);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(parent_.IsWindowEnabled());
    EXPECT_FALSE(IsWindow(dialog.GetSafeHwnd()));
}

TEST_F(DialogTest, DialogKeysChooseDefaultCancelAndTab) {
    struct Case {
        std::vector<int> keys;
        int result;
    } cases[] = {
        {{VK_RETURN}, IDOK},                         // focus in the edit: the default button
        {{VK_ESCAPE}, IDCANCEL},                     // cancel
        {{VK_TAB, VK_TAB, VK_TAB, VK_RETURN}, 300},  // edit -> OK -> Cancel -> other
        {{VK_TAB, VK_TAB, VK_SPACE}, IDCANCEL},      // space clicks the focused button
    };
    for (const Case& c : cases) {
        ScriptedDialog dialog;
        dialog.onInit = [&](ScriptedDialog& d) {
            for (int vk : c.keys)
                InjectKey(d, vk);
        };
        EXPECT_EQ(dialog.DoModal(&parent_), c.result);
    }
}

// An outer dialog whose command 301 runs an inner dialog modally.
struct OuterDialog : ScriptedDialog {
    std::function<void()> on301;

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_COMMAND && LOWORD(msg.wParam) == 301) {
            on301();
            return 0;
        }
        return ScriptedDialog::OnMessage(msg);
    }
};

TEST_F(DialogTest, ModalDialogsNest) {
    std::vector<std::string> trace;
    bool innerSawBothDisabled = false;
    OuterDialog outer;
    outer.onInit = [&](ScriptedDialog& d) {
        d.other.SetDlgCtrlID(301);
        InjectClick(d, {170, 90});
    };
    outer.on301 = [&] {
        ScriptedDialog inner;
        inner.onInit = [&](ScriptedDialog& d) {
            innerSawBothDisabled = !outer.IsWindowEnabled() && !parent_.IsWindowEnabled();
            InjectKey(d, VK_ESCAPE);
        };
        trace.push_back("inner " + std::to_string(inner.DoModal(&outer)));
        trace.push_back(outer.IsWindowEnabled() ? "outer enabled" : "outer disabled");
        InjectKey(outer, VK_RETURN);
    };
    trace.push_back("outer " + std::to_string(outer.DoModal(&parent_)));
    EXPECT_TRUE(innerSawBothDisabled);
    EXPECT_EQ(trace, (std::vector<std::string>{"inner 2", "outer enabled", "outer 1"}));
    EXPECT_TRUE(parent_.IsWindowEnabled());
}

TEST_F(DialogTest, ModelessDialogsLiveBesideTheirOwnerAndEndByDestruction) {
    ScriptedDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless(&parent_));
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_TRUE(parent_.IsWindowEnabled());  // the owner stays usable
    EXPECT_FALSE(dialog.IsModal());
    EXPECT_EQ(CWnd::GetFocus(), dialog.edit.GetSafeHwnd());
    Pump();
    // The hosting loop lets the dialog see its keys first.
    InjectKey(dialog, VK_ESCAPE);
    Message msg;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        if (!CDialog::PreTranslateForDialog(msg)) DispatchMessage(msg);
    }
    EXPECT_FALSE(IsWindow(dialog.GetSafeHwnd()));
}

TEST_F(DialogTest, QuitEndsAModalLoopAndIsPassedOn) {
    ScriptedDialog dialog;
    dialog.onInit = [](ScriptedDialog&) { PostQuitMessage(3); };
    EXPECT_EQ(dialog.DoModal(&parent_), -1);
    // WM_QUIT was posted again for the outer loop; it comes after the rest.
    Message msg;
    bool quit = false;
    while (!quit && PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        quit = msg.message == WM_QUIT;
        if (!quit) DispatchMessage(msg);
    }
    ASSERT_TRUE(quit);
    EXPECT_EQ(msg.wParam, 3u);
}

// Drives a message box from inside its modal loop.
class BoxDriver : public CWnd {
  public:
    std::function<void(CWnd& box)> script;
    ~BoxDriver() override { Destroy(); }

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_USER + 1) {
            CWnd* focus = FromHandle(GetFocus());
            if (focus) script(*focus->GetTopLevel());
            return 0;
        }
        return CWnd::OnMessage(msg);
    }
};

TEST_F(DialogTest, MessageBoxesAnswerWithTheirButtons) {
    BoxDriver driver;
    driver.CreateEx(0, "", WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
    struct Case {
        UINT type;
        std::vector<int> keys;
        int result;
    } cases[] = {
        {MB_OK | MB_ICONINFORMATION, {VK_RETURN}, IDOK},
        {MB_OK, {VK_ESCAPE}, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, {VK_ESCAPE}, IDCANCEL},
        {MB_YESNO | MB_ICONWARNING, {VK_TAB, VK_RETURN}, IDNO},
        {MB_YESNOCANCEL | MB_ICONERROR, {VK_RETURN}, IDYES},
    };
    for (const Case& c : cases) {
        driver.script = [&](CWnd& box) {
            for (int vk : c.keys)
                InjectKey(box, vk);
        };
        PostMessage(driver.GetSafeHwnd(), WM_USER + 1);
        EXPECT_EQ(MessageBox(&parent_, "游戏还没有结束，确定退出吗？", "游戏", c.type), c.result)
            << c.type;
    }
}

}  // namespace
}  // namespace platform
