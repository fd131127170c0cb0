#include "platform/gui/menu.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/gui/sys_colors.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

// The owner: runs a script inside the menu's loop and records owner-draw
// traffic and commands.
class Owner : public RecordingWnd {
  public:
    std::function<void(CWnd& menu)> script;
    std::vector<DRAWITEMSTRUCT> draws;
    std::vector<MEASUREITEMSTRUCT> measures;
    std::vector<int> commands;

  protected:
    LRESULT OnMessage(Message& msg) override {
        switch (msg.message) {
            case WM_USER + 1:
                if (CWnd* focus = FromHandle(GetFocus())) script(*focus->GetTopLevel());
                return 0;
            case WM_MEASUREITEM: {
                auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam);
                m->itemWidth = 80;
                m->itemHeight = 30;
                measures.push_back(*m);
                return 1;
            }
            case WM_DRAWITEM: {
                auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(msg.lParam);
                draws.push_back(*d);
                d->hDC->FillSolidRect(d->rcItem, RGB(0, 128, 255));
                return 1;
            }
            case WM_COMMAND:
                commands.push_back(LOWORD(msg.wParam));
                return 0;
            default:
                return RecordingWnd::OnMessage(msg);
        }
    }
};

class MenuTest : public testing::Test {
  protected:
    MenuTest() : display_(std::make_shared<HeadlessDisplay>(SIZE{800, 600})) {
        SetDisplay(display_);
        Pump();
        owner_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 400, 300}, nullptr, 0);
        Pump();
        menu_.CreatePopupMenu();
        menu_.AppendMenu(MF_STRING, 1900, "hello");
        menu_.AppendMenu(MF_SEPARATOR);
        menu_.AppendMenu(MF_STRING, 1901, "详细信息");
        menu_.AppendMenu(MF_STRING | MF_GRAYED, 1905, "呼叫玩家");
        menu_.AppendMenu(MF_STRING | MF_CHECKED, 1906, "允许看牌");
        menu_.SetDefaultItem(1901);
    }
    ~MenuTest() override { Pump(); }

    int Track(std::function<void(CWnd&)> script, UINT flags = TPM_RETURNCMD) {
        owner_.script = std::move(script);
        PostMessage(owner_.GetSafeHwnd(), WM_USER + 1);
        return menu_.TrackPopupMenu(flags, 100, 50, &owner_);
    }
    void Key(CWnd& menu, int vk) {
        InputEvent e;
        e.window = menu.GetSafeHwnd().value;
        e.kind = InputEvent::Kind::KeyDown;
        e.virtualKey = vk;
        display_->Inject(e);
    }
    void Mouse(CWnd& window, InputEvent::Kind kind, POINT p) {
        InputEvent e;
        e.window = window.GetSafeHwnd().value;
        e.kind = kind;
        e.point = p;
        e.button = MouseButton::Left;
        display_->Inject(e);
    }

    std::shared_ptr<HeadlessDisplay> display_;
    Owner owner_;
    CMenu menu_;
};

TEST_F(MenuTest, ItemsAreEditedByCommandOrPosition) {
    EXPECT_EQ(menu_.GetMenuItemCount(), 5);
    EXPECT_EQ(menu_.GetMenuItemID(1), 0u);  // separator
    EXPECT_EQ(menu_.GetMenuString(1901, MF_BYCOMMAND), "详细信息");
    EXPECT_EQ(menu_.CheckMenuItem(1906, MF_UNCHECKED), int(MF_CHECKED));
    EXPECT_EQ(menu_.GetMenuState(1906, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(menu_.EnableMenuItem(1905, MF_ENABLED), int(MF_GRAYED));
    EXPECT_TRUE(menu_.InsertMenu(0, MF_BYPOSITION, 1800, "first"));
    EXPECT_EQ(menu_.GetMenuItemID(0), 1800u);
    EXPECT_TRUE(menu_.RemoveMenu(1800, MF_BYCOMMAND));
    EXPECT_FALSE(menu_.RemoveMenu(4242, MF_BYCOMMAND));
    EXPECT_TRUE(menu_.ModifyMenu(0, MF_BYPOSITION, 1900, "你好"));
    EXPECT_EQ(menu_.GetMenuString(0, MF_BYPOSITION), "你好");
    EXPECT_EQ(menu_.CheckMenuItem(4242, MF_CHECKED), -1);
}

TEST_F(MenuTest, KeysMoveOverSelectableItemsAndChoose) {
    // Down from nothing: "hello"; Down skips the separator to the default
    // item; Down skips the grey item to the checked one.
    EXPECT_EQ(Track([&](CWnd& m) {
                  Key(m, VK_DOWN);
                  Key(m, VK_DOWN);
                  Key(m, VK_DOWN);
                  Key(m, VK_RETURN);
              }),
              1906);
    EXPECT_EQ(Track([&](CWnd& m) { Key(m, VK_ESCAPE); }), 0);
    EXPECT_EQ(Track([&](CWnd& m) {
                  Key(m, VK_UP);
                  Key(m, VK_RETURN);
              }),
              1906);
}

TEST_F(MenuTest, ClicksChooseEnabledItemsAndClicksOutsideDismiss) {
    int itemTop = 0;
    EXPECT_EQ(Track([&](CWnd& m) {
                  EXPECT_EQ(m.GetWindowRect().left, 100);
                  EXPECT_EQ(m.GetWindowRect().top, 50);
                  // Third item ("详细信息"): frame, one text row, separator.
                  itemTop = 3 + (m.GetClientRect().Height() - 3 - 3 - 8) / 4 + 8;
                  Mouse(m, InputEvent::Kind::MouseMove, {30, itemTop + 4});
                  Mouse(m, InputEvent::Kind::MouseDown, {30, itemTop + 4});
                  Mouse(m, InputEvent::Kind::MouseUp, {30, itemTop + 4});
              }),
              1901);
    // A grey item cannot be chosen; a press outside the menu dismisses it.
    EXPECT_EQ(Track([&](CWnd& m) {
                  const int greyTop = 3 + 2 * (m.GetClientRect().Height() - 14) / 4 + 8;
                  Mouse(m, InputEvent::Kind::MouseUp, {30, greyTop + 4});
                  Mouse(owner_, InputEvent::Kind::MouseDown, {390, 290});
              }),
              0);
    EXPECT_TRUE(IsWindow(owner_.GetSafeHwnd()));
}

TEST_F(MenuTest, WithoutReturnCmdTheOwnerGetsTheCommand) {
    EXPECT_EQ(Track(
                  [&](CWnd& m) {
                      Key(m, VK_DOWN);
                      Key(m, VK_RETURN);
                  },
                  TPM_LEFTALIGN),
              1);
    Pump();
    EXPECT_EQ(owner_.commands, (std::vector<int>{1900}));
    EXPECT_TRUE(owner_.Saw(WM_INITMENUPOPUP));
}

TEST_F(MenuTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheOwner) {
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendOwnerDraw(MF_CHECKED, 7, 0xABC);
    menu.AppendMenu(MF_STRING, 8, "普通");
    owner_.script = [&](CWnd& m) {
        EXPECT_EQ(ColorOf(m.BackBuffer()->At(20, 10)), RGB(0, 128, 255));
        Key(m, VK_DOWN);
        Key(m, VK_RETURN);
    };
    PostMessage(owner_.GetSafeHwnd(), WM_USER + 1);
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTALIGN, 300, 100, &owner_), 7);
    ASSERT_EQ(owner_.measures.size(), 1u);
    EXPECT_EQ(owner_.measures[0].itemData, 0xABCu);
    ASSERT_FALSE(owner_.draws.empty());
    EXPECT_EQ(owner_.draws[0].CtlType, ODT_MENU);
    EXPECT_EQ(owner_.draws[0].itemData, 0xABCu);
    EXPECT_TRUE(owner_.draws[0].itemState & ODS_CHECKED);
    EXPECT_EQ(owner_.draws[0].rcItem.Height(), 30);
    EXPECT_TRUE(owner_.draws.back().itemState & ODS_SELECTED);
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// A menu that measures and draws its own owner-drawn items.
class SelfDrawnMenu : public CMenu {
  public:
    int measured = 0;
    std::vector<UINT> drawn;
    void MeasureItem(MEASUREITEMSTRUCT& m) override {
        ++measured;
        m.itemWidth = 60;
        m.itemHeight = 20;
    }
    void DrawItem(DRAWITEMSTRUCT& d) override {
        drawn.push_back(d.itemID);
        d.hDC->FillSolidRect(d.rcItem, RGB(255, 0, 0));
    }
};

TEST_F(MenuTest, SubmenusOpenBesideTheirItemAndDrawThemselves) {
    SelfDrawnMenu sub;
    sub.AppendOwnerDraw(0, 31, 0);
    sub.AppendOwnerDraw(0, 32, 0);
    CMenu menu;
    menu.AppendMenu(MF_STRING, 30, "first");
    ASSERT_TRUE(menu.AppendPopup(0, &sub, "more"));
    EXPECT_FALSE(menu.AppendPopup(0, &menu, "itself"));
    EXPECT_EQ(menu.GetSubMenu(1), &sub);
    EXPECT_EQ(menu.GetMenuItemID(1), UINT(-1));
    EXPECT_NE(menu.GetSafeHmenu(), sub.GetSafeHmenu());
    // Keys: Down twice to "more", Right opens it on its first item, Down, Enter.
    owner_.script = [&](CWnd& m) {
        Key(m, VK_DOWN);
        Key(m, VK_DOWN);
        Key(m, VK_RIGHT);
        Key(m, VK_DOWN);
        Key(m, VK_RETURN);
    };
    PostMessage(owner_.GetSafeHwnd(), WM_USER + 1);
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 50, &owner_), 32);
    EXPECT_EQ(sub.measured, 2);
    EXPECT_EQ(sub.drawn.front(), 31u);
    EXPECT_TRUE(owner_.draws.empty());  // the owner was not asked
    // The mouse: pointing at "more" opens the submenu to the right, a click
    // on its first item chooses it; Left closes a submenu, Escape the menu.
    owner_.script = [&](CWnd& m) {
        const RECT root = m.GetWindowRect();
        const int y = root.bottom - 3 - 4 - root.top;
        Mouse(m, InputEvent::Kind::MouseMove, {20, y});
        Mouse(m, InputEvent::Kind::MouseUp, {20, y});  // a submenu's item is no choice
        const POINT inSub{root.right + 10 - root.left, y - 8};
        Mouse(m, InputEvent::Kind::MouseMove, inSub);
        Mouse(m, InputEvent::Kind::MouseUp, inSub);
    };
    PostMessage(owner_.GetSafeHwnd(), WM_USER + 1);
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 50, &owner_), 31);
    owner_.script = [&](CWnd& m) {
        Key(m, VK_UP);
        Key(m, VK_RETURN);  // opens "more"
        Key(m, VK_LEFT);
        Key(m, VK_UP);
        Key(m, VK_RETURN);
    };
    PostMessage(owner_.GetSafeHwnd(), WM_USER + 1);
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 50, &owner_), 30);
    EXPECT_EQ(sub.TrackingOwner(), nullptr);
}

}  // namespace
}  // namespace platform
