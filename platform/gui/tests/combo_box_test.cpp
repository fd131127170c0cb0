#include "platform/gui/combo_box.h"

#include <gtest/gtest.h>

#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

class ComboParent : public RecordingWnd {
  public:
    std::vector<int> codes;

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_COMMAND && LOWORD(msg.wParam) == 1) {
            codes.push_back(HIWORD(msg.wParam));
            return 0;
        }
        return RecordingWnd::OnMessage(msg);
    }
};

class ComboBoxTest : public testing::Test {
  protected:
    ComboBoxTest() : display_(std::make_shared<HeadlessDisplay>(SIZE{800, 600})) {
        SetDisplay(display_);
        Pump();
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {100, 100, 400, 300}, nullptr, 0);
        combo_.Create(WS_VISIBLE | CBS_DROPDOWN | CBS_AUTOHSCROLL, {10, 10, 210, 210}, &parent_, 1);
        for (const char* phrase : {"你好", "快点出牌", "再见"})
            combo_.AddString(phrase);
        Pump();
    }
    ~ComboBoxTest() override { Pump(); }

    void Inject(uint32_t window, InputEvent::Kind kind, POINT p) {
        InputEvent e;
        e.window = window;
        e.kind = kind;
        e.point = p;
        e.button = MouseButton::Left;
        display_->Inject(e);
        Pump();
    }
    bool Saw(int code) const {
        return std::find(parent_.codes.begin(), parent_.codes.end(), code) != parent_.codes.end();
    }

    std::shared_ptr<HeadlessDisplay> display_;
    ComboParent parent_;
    CComboBox combo_;
};

TEST_F(ComboBoxTest, TheFieldIsOneLineAndTheListHoldsStrings) {
    EXPECT_EQ(combo_.GetRectInParent().Height(), combo_.FieldHeight());
    EXPECT_EQ(SendMessage(combo_.GetSafeHwnd(), CB_GETCOUNT), 3);
    EXPECT_EQ(combo_.FindStringExact(-1, "再见"), 2);
    EXPECT_EQ(combo_.FindStringExact(-1, "没有"), CB_ERR);
    EXPECT_EQ(combo_.InsertString(0, "first"), 0);
    EXPECT_EQ(combo_.GetLBText(1), "你好");
    EXPECT_EQ(combo_.DeleteString(0), 3);
    EXPECT_EQ(combo_.SetCurSel(1), 1);
    EXPECT_EQ(combo_.GetWindowText(), "快点出牌");
    EXPECT_EQ(combo_.SetCurSel(9), CB_ERR);
}

TEST_F(ComboBoxTest, TypingInTheFieldReportsEditChangesWithinTheLimit) {
    SendMessage(combo_.GetSafeHwnd(), CB_LIMITTEXT, 4);
    combo_.SetFocus();
    EXPECT_EQ(CWnd::GetFocus(), combo_.GetEditCtrl().GetSafeHwnd());
    InputEvent text;
    text.window = parent_.GetSafeHwnd().value;
    text.kind = InputEvent::Kind::Text;
    text.text = "打牌了";
    display_->Inject(text);
    Pump();
    EXPECT_EQ(combo_.GetWindowText(), "打牌");
    EXPECT_TRUE(Saw(CBN_EDITCHANGE));
    EXPECT_TRUE(Saw(CBN_EDITUPDATE));
}

TEST_F(ComboBoxTest, PickingFromTheDroppedListFillsTheField) {
    const RECT field = combo_.GetRectInParent();
    Inject(parent_.GetSafeHwnd().value, InputEvent::Kind::MouseDown,
           {field.right - 5, field.top + 5});
    ASSERT_TRUE(combo_.GetDroppedState());
    EXPECT_TRUE(Saw(CBN_DROPDOWN));
    // The list is its own window under the field; pick the second row.
    const HWND list = CWnd::GetCapture();
    CWnd* listWnd = CWnd::FromHandle(list);
    ASSERT_NE(listWnd, nullptr);
    EXPECT_EQ(listWnd->GetWindowRect().top, combo_.GetWindowRect().bottom);
    const int row = Font::Open(combo_.GetFont())->Height() + 2;
    Inject(list.value, InputEvent::Kind::MouseMove, {20, row + 3});
    Inject(list.value, InputEvent::Kind::MouseUp, {20, row + 3});
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(combo_.GetCurSel(), 1);
    EXPECT_EQ(combo_.GetWindowText(), "快点出牌");
    EXPECT_TRUE(Saw(CBN_SELCHANGE));
    EXPECT_TRUE(Saw(CBN_CLOSEUP));
}

TEST_F(ComboBoxTest, AClickElsewhereClosesTheList) {
    combo_.ShowDropDown(true);
    const HWND list = CWnd::GetCapture();
    Inject(list.value, InputEvent::Kind::MouseDown, {-50, -50});
    EXPECT_FALSE(combo_.GetDroppedState());
    EXPECT_EQ(combo_.GetCurSel(), CB_ERR);
}

}  // namespace
}  // namespace platform
