#include "platform/gui/list_ctrl.h"

#include <gtest/gtest.h>

#include "platform/gui/sys_colors.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

constexpr COLORREF kRed = RGB(255, 0, 0);

struct Note {
    int code;
    int item;
    UINT newState = 0;
    UINT oldState = 0;
};

class ListParent : public RecordingWnd {
  public:
    std::vector<Note> notes;
    int redItem = -1;

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message != WM_NOTIFY) return RecordingWnd::OnMessage(msg);
        auto* hdr = reinterpret_cast<NMHDR*>(msg.lParam);
        switch (hdr->code) {
            case NM_CUSTOMDRAW: {
                auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
                if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
                if (int(draw->nmcd.dwItemSpec) == redItem) draw->clrText = kRed;
                return CDRF_DODEFAULT;
            }
            case LVN_ITEMCHANGED: {
                auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
                notes.push_back({hdr->code, change->iItem, change->uNewState, change->uOldState});
                return 0;
            }
            case LVN_COLUMNCLICK:
                notes.push_back({hdr->code, reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem});
                return 0;
            default:
                notes.push_back({hdr->code, reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem});
                return 0;
        }
    }
};

// A list whose first column cannot be resized.
class FixedFirstColumnList : public CListCtrl {
  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_NOTIFY) {
            auto* header = reinterpret_cast<NMHEADER*>(msg.lParam);
            if ((header->hdr.code == HDN_BEGINTRACKA || header->hdr.code == HDN_BEGINTRACKW) &&
                header->iItem == 0) {
                return 1;
            }
        }
        return CListCtrl::OnMessage(msg);
    }
};

class ListCtrlTest : public testing::Test {
  protected:
    ListCtrlTest() : display_(std::make_shared<HeadlessDisplay>(SIZE{800, 600})) {
        SetDisplay(display_);
        Pump();
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 400, 300}, nullptr, 0);
        list_.Create(WS_VISIBLE | LVS_SINGLESEL, {0, 0, 400, 300}, &parent_, 1);
        list_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        list_.InsertColumn(0, "用户名", LVCFMT_LEFT, 100);
        list_.InsertColumn(1, "积分", LVCFMT_RIGHT, 60);
        const char* names[] = {"张三", "李四", "王五"};
        for (int i = 0; i < 3; ++i) {
            int item = list_.InsertItem(i, names[i], i);
            list_.SetItemText(item, 1, std::to_string(100 * (i + 1)));
            list_.SetItemData(item, uintptr_t(1000 + i));
        }
        Pump();
    }
    ~ListCtrlTest() override { Pump(); }

    POINT RowPoint(int item, int x = 20) {
        RECT r = list_.GetItemRect(item);
        return {x, (r.top + r.bottom) / 2};
    }
    void Mouse(InputEvent::Kind kind, POINT p, MouseButton button = MouseButton::Left,
               int clicks = 1) {
        InputEvent e;
        e.window = parent_.GetSafeHwnd().value;
        e.kind = kind;
        e.point = p;
        e.button = button;
        e.clicks = clicks;
        display_->Inject(e);
        Pump();
    }
    void Click(POINT p, MouseButton button = MouseButton::Left) {
        Mouse(InputEvent::Kind::MouseDown, p, button);
        Mouse(InputEvent::Kind::MouseUp, p, button);
    }

    std::shared_ptr<HeadlessDisplay> display_;
    ListParent parent_;
    FixedFirstColumnList list_;
};

TEST_F(ListCtrlTest, ItemsKeepTextDataAndImages) {
    EXPECT_EQ(list_.GetItemCount(), 3);
    EXPECT_EQ(list_.GetColumnCount(), 2);
    EXPECT_EQ(list_.GetItemText(1, 0), "李四");
    EXPECT_EQ(list_.GetItemText(2, 1), "300");
    EXPECT_EQ(list_.GetItemText(2, 7), "");
    EXPECT_EQ(list_.FindItemByData(1001), 1);
    EXPECT_EQ(list_.FindItemByData(5), -1);
    EXPECT_EQ(list_.GetItemImage(2), 2);
    EXPECT_TRUE(list_.DeleteItem(0));
    EXPECT_EQ(list_.FindItemByData(1001), 0);
    EXPECT_FALSE(list_.DeleteItem(7));
    EXPECT_TRUE(list_.DeleteAllItems());
    EXPECT_EQ(list_.GetItemCount(), 0);
    EXPECT_FALSE(list_.SetItemText(0, 0, "x"));
}

TEST_F(ListCtrlTest, ClicksSelectOneRowAndNotify) {
    Click(RowPoint(1, 250));  // full-row selection: the second column hits too
    ASSERT_EQ(parent_.notes.size(), 2u);
    EXPECT_EQ(parent_.notes[0].code, LVN_ITEMCHANGED);
    EXPECT_EQ(parent_.notes[0].item, 1);
    EXPECT_TRUE(parent_.notes[0].newState & LVIS_SELECTED);
    EXPECT_EQ(parent_.notes[1].code, NM_CLICK);
    EXPECT_EQ(parent_.notes[1].item, 1);
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), 1);

    parent_.notes.clear();
    Click(RowPoint(2));
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_FOCUSED), 2);
    bool deselected = false;
    for (const Note& n : parent_.notes) {
        deselected = deselected ||
                     (n.code == LVN_ITEMCHANGED && n.item == 1 && !(n.newState & LVIS_SELECTED));
    }
    EXPECT_TRUE(deselected);

    // Below the last row: nothing is hit and the selection goes.
    parent_.notes.clear();
    Click({20, 280});
    EXPECT_EQ(parent_.notes.back().code, NM_CLICK);
    EXPECT_EQ(parent_.notes.back().item, -1);
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(ListCtrlTest, DoubleAndRightClicksNotify) {
    Mouse(InputEvent::Kind::MouseDown, RowPoint(0), MouseButton::Left, 2);
    EXPECT_EQ(parent_.notes.back().code, NM_DBLCLK);
    EXPECT_EQ(parent_.notes.back().item, 0);
    parent_.notes.clear();
    Click(RowPoint(2), MouseButton::Right);
    bool rclick = false;
    for (const Note& n : parent_.notes)
        rclick = rclick || (n.code == NM_RCLICK && n.item == 2);
    EXPECT_TRUE(rclick);
    EXPECT_TRUE(parent_.Saw(WM_CONTEXTMENU));  // the list's default passes it up
}

TEST_F(ListCtrlTest, KeysMoveTheSelection) {
    Click(RowPoint(0));
    list_.SetFocus();
    InputEvent e;
    e.window = parent_.GetSafeHwnd().value;
    e.kind = InputEvent::Kind::KeyDown;
    e.virtualKey = VK_DOWN;
    display_->Inject(e);
    Pump();
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), 1);
    e.virtualKey = VK_END;
    display_->Inject(e);
    Pump();
    EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), 2);
}

TEST_F(ListCtrlTest, CustomDrawColoursARowsText) {
    parent_.redItem = 1;
    list_.Invalidate();
    Pump();
    const Surface screen = display_->Screen(parent_.GetSafeHwnd().value);
    auto countRed = [&](int item) {
        RECT r = list_.GetItemRect(item);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = 0; x < 100; ++x)
                n += ColorOf(screen.At(x, y)) == kRed;
        }
        return n;
    };
    EXPECT_GT(countRed(1), 10);
    EXPECT_EQ(countRed(0), 0);
}

TEST_F(ListCtrlTest, RowsShowTheirSmallImages) {
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, RGB(255, 0, 255)));
    Surface blue(8, 8);
    blue.Fill(PixelOf(RGB(0, 0, 200)));
    Surface keyed(16, 16);
    keyed.Fill(PixelOf(RGB(255, 0, 255)));
    keyed.Set(8, 8, PixelOf(RGB(0, 200, 0)));
    EXPECT_EQ(images.Add(blue), 0);
    EXPECT_EQ(images.Add(keyed), 1);
    list_.SetImageList(&images, LVSIL_SMALL);
    Pump();
    const Surface screen = display_->Screen(parent_.GetSafeHwnd().value);
    const RECT row0 = list_.GetItemRect(0);
    const int top0 = row0.top + (row0.Height() - 16) / 2;
    EXPECT_EQ(ColorOf(screen.At(2 + 4, top0 + 4)), RGB(0, 0, 200));
    const RECT row1 = list_.GetItemRect(1);
    const int top1 = row1.top + (row1.Height() - 16) / 2;
    EXPECT_EQ(ColorOf(screen.At(2 + 8, top1 + 8)), RGB(0, 200, 0));
    EXPECT_EQ(ColorOf(screen.At(2 + 1, top1 + 1)), GetSysColor(COLOR_WINDOW));  // masked out
    list_.SetImageList(nullptr, LVSIL_SMALL);
}

TEST_F(ListCtrlTest, FixedColumnsRefuseDividerDrags) {
    const int headerMid = list_.HeaderHeight() / 2;
    // The first divider (x = 100) is fixed.
    Mouse(InputEvent::Kind::MouseDown, {100, headerMid});
    Mouse(InputEvent::Kind::MouseMove, {140, headerMid});
    Mouse(InputEvent::Kind::MouseUp, {140, headerMid});
    EXPECT_EQ(list_.GetColumnWidth(0), 100);
    // The second (x = 160) follows the mouse.
    Mouse(InputEvent::Kind::MouseDown, {160, headerMid});
    Mouse(InputEvent::Kind::MouseMove, {190, headerMid});
    Mouse(InputEvent::Kind::MouseUp, {190, headerMid});
    EXPECT_EQ(list_.GetColumnWidth(1), 90);
    // A click on a heading is a column click.
    parent_.notes.clear();
    Click({50, headerMid});
    ASSERT_FALSE(parent_.notes.empty());
    EXPECT_EQ(parent_.notes.back().code, LVN_COLUMNCLICK);
    EXPECT_EQ(parent_.notes.back().item, 0);
}

}  // namespace
}  // namespace platform
