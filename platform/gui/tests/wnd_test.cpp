#include "platform/gui/wnd.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/virtual_keys.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

class WndTest : public testing::Test {
  protected:
    WndTest() : display_(std::make_shared<HeadlessDisplay>(SIZE{1024, 768})) {
        SetDisplay(display_);
        Pump();
    }
    ~WndTest() override { Pump(); }

    InputEvent Mouse(const CWnd& top, InputEvent::Kind kind, POINT p,
                     MouseButton button = MouseButton::Left, int clicks = 1) {
        InputEvent e;
        e.kind = kind;
        e.window = top.GetSafeHwnd().value;
        e.point = p;
        e.button = button;
        e.clicks = clicks;
        return e;
    }
    void Inject(const InputEvent& e) {
        display_->Inject(e);
        Pump();
    }

    std::shared_ptr<HeadlessDisplay> display_;
};

TEST_F(WndTest, CreationShowingPaintingAndDestructionComeInOrder) {
    RecordingWnd top;
    top.fill = kRed;
    ASSERT_TRUE(
        top.CreateEx(0, "顶层", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {100, 50, 300, 200}, nullptr, 0));
    EXPECT_EQ(top.log, (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    EXPECT_EQ(LOWORD(uintptr_t(top.messages[1].lParam)), 200);
    EXPECT_EQ(HIWORD(uintptr_t(top.messages[1].lParam)), 150);
    EXPECT_TRUE(display_->HasWindow(top.GetSafeHwnd().value));
    EXPECT_TRUE(display_->IsShown(top.GetSafeHwnd().value));
    EXPECT_EQ(display_->Title(top.GetSafeHwnd().value), "顶层");

    top.Clear();
    Pump();
    EXPECT_EQ(top.log, (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    Surface screen = display_->Screen(top.GetSafeHwnd().value);
    EXPECT_EQ(ColorOf(screen.At(0, 0)), kRed);
    EXPECT_EQ(ColorOf(screen.At(199, 149)), kRed);

    const uint32_t id = top.GetSafeHwnd().value;
    top.Clear();
    EXPECT_TRUE(top.DestroyWindow());
    EXPECT_EQ(top.log, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(display_->HasWindow(id));
}

TEST_F(WndTest, ChildrenPaintAfterTheirParentAndStayInsideIt) {
    RecordingWnd top, child;
    top.fill = kRed;
    child.fill = kBlue;
    std::vector<HWND> order;
    auto note = [&order](RecordingWnd& w, Message& m, LRESULT&) {
        if (m.message == WM_PAINT) order.push_back(w.GetSafeHwnd());
        return false;
    };
    top.handler = note;
    child.handler = note;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 100, 80}, nullptr, 0));
    ASSERT_TRUE(child.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {90, 70, 150, 150}, &top, 7));
    Pump();
    EXPECT_EQ(order, (std::vector<HWND>{top.GetSafeHwnd(), child.GetSafeHwnd()}));
    EXPECT_EQ(top.GetDlgItem(7), &child);
    EXPECT_EQ(child.GetParent(), &top);
    Surface screen = display_->Screen(top.GetSafeHwnd().value);
    EXPECT_EQ(ColorOf(screen.At(89, 69)), kRed);
    EXPECT_EQ(ColorOf(screen.At(95, 75)), kBlue);
    EXPECT_EQ(child.GetWindowRect(), (RECT{90, 70, 150, 150}));

    // Invalidating part of the parent repaints that part of both.
    order.clear();
    top.paintedRects.clear();
    child.paintedRects.clear();
    RECT part{80, 60, 100, 80};
    top.InvalidateRect(&part);
    Pump();
    EXPECT_EQ(order.size(), 2u);
    ASSERT_EQ(top.paintedRects.size(), 1u);
    EXPECT_EQ(top.paintedRects[0], part);
    ASSERT_EQ(child.paintedRects.size(), 1u);
    EXPECT_EQ(child.paintedRects[0], (RECT{0, 0, 10, 10}));

    // Hiding the child repaints the parent where it was.
    child.ShowWindow(SW_HIDE);
    Pump();
    screen = display_->Screen(top.GetSafeHwnd().value);
    EXPECT_EQ(ColorOf(screen.At(95, 75)), kRed);
}

TEST_F(WndTest, InvalidationCoalescesIntoOnePaint) {
    RecordingWnd top;
    top.fill = kGreen;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 50, 50}, nullptr, 0));
    Pump();
    const int presents = display_->PresentCount(top.GetSafeHwnd().value);
    top.Clear();
    RECT a{0, 0, 5, 5}, b{10, 10, 20, 20};
    top.InvalidateRect(&a);
    top.InvalidateRect(&b, false);
    RECT update;
    EXPECT_TRUE(top.GetUpdateRect(&update));
    EXPECT_EQ(update, (RECT{0, 0, 20, 20}));
    Pump();
    EXPECT_EQ(top.paintedRects, (std::vector<RECT>{{0, 0, 20, 20}}));
    EXPECT_EQ(display_->PresentCount(top.GetSafeHwnd().value), presents + 1);
    EXPECT_FALSE(top.GetUpdateRect(nullptr));

    // Validated before the pass: nothing is painted.
    top.Clear();
    top.Invalidate();
    top.ValidateRect(nullptr);
    Pump();
    EXPECT_FALSE(top.Saw(WM_PAINT));

    // UpdateWindow paints at once.
    top.Invalidate();
    top.UpdateWindow();
    EXPECT_TRUE(top.Saw(WM_PAINT));
}

TEST_F(WndTest, WindowPosChangingMayAdjustTheNewPlace) {
    RecordingWnd top, pane;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP, {0, 0, 200, 200}, nullptr, 0));
    pane.handler = [](RecordingWnd&, Message& m, LRESULT&) {
        if (m.message == WM_WINDOWPOSCHANGING) {
            // Reach under the neighbours by one pixel on each side.
            auto* pos = reinterpret_cast<WINDOWPOS*>(m.lParam);
            pos->x -= 1;
            pos->y -= 1;
            pos->cx += 2;
            pos->cy += 2;
        }
        return false;
    };
    ASSERT_TRUE(pane.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {0, 0, 10, 10}, &top, 1));
    pane.Clear();
    pane.MoveWindow(10, 10, 50, 40);
    EXPECT_EQ(pane.GetRectInParent(), (RECT{9, 9, 61, 51}));
    EXPECT_EQ(pane.log,
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
    pane.Clear();
    pane.SetWindowPos({}, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_FALSE(pane.Saw(WM_SIZE));
}

TEST_F(WndTest, MaximisingFillsTheWorkArea) {
    RecordingWnd top;
    ASSERT_TRUE(top.CreateEx(0, "", WS_OVERLAPPEDWINDOW, {10, 10, 110, 110}, nullptr, 0));
    top.Clear();
    top.ShowWindow(SW_SHOWMAXIMIZED);
    EXPECT_EQ(top.GetWindowRect(), (RECT{0, 0, 1024, 768}));
    EXPECT_EQ(top.BackBuffer()->Width(), 1024);
    ASSERT_TRUE(top.Saw(WM_SIZE));
    for (const Message& m : top.messages) {
        if (m.message == WM_SIZE) {
            EXPECT_EQ(m.wParam, SIZE_MAXIMIZED);
        }
    }
    EXPECT_EQ(display_->Frame(top.GetSafeHwnd().value), (RECT{0, 0, 1024, 768}));
}

TEST_F(WndTest, MouseInputGoesToTheDeepestEnabledWindow) {
    RecordingWnd top, child, grandchild;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 200, 200}, nullptr, 0));
    ASSERT_TRUE(child.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {50, 50, 150, 150}, &top, 1));
    ASSERT_TRUE(grandchild.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {10, 10, 30, 30}, &child, 2));
    grandchild.SetClassCursor(IDC_HAND);
    Pump();
    top.Clear();
    child.Clear();
    grandchild.Clear();

    Inject(Mouse(top, InputEvent::Kind::MouseDown, {65, 70}));
    EXPECT_EQ(grandchild.log, (std::vector<UINT>{WM_SETCURSOR, WM_LBUTTONDOWN}));
    EXPECT_EQ(GET_X_LPARAM(grandchild.messages[1].lParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(grandchild.messages[1].lParam), 10);
    EXPECT_EQ(display_->Cursor(), IDC_HAND);
    // WM_SETCURSOR asked the parents first.
    EXPECT_TRUE(child.Saw(WM_SETCURSOR));
    EXPECT_TRUE(top.Saw(WM_SETCURSOR));
    EXPECT_FALSE(child.Saw(WM_LBUTTONDOWN));

    // A double click is a second press unless the class asks for double clicks.
    grandchild.Clear();
    Inject(Mouse(top, InputEvent::Kind::MouseDown, {65, 70}, MouseButton::Left, 2));
    EXPECT_TRUE(grandchild.Saw(WM_LBUTTONDOWN));
    grandchild.SetClassStyle(CS_DBLCLKS);
    grandchild.Clear();
    Inject(Mouse(top, InputEvent::Kind::MouseDown, {65, 70}, MouseButton::Left, 2));
    EXPECT_TRUE(grandchild.Saw(WM_LBUTTONDBLCLK));

    // A disabled window and its children get no mouse input.
    child.EnableWindow(false);
    EXPECT_FALSE(grandchild.IsWindowEnabled());
    grandchild.Clear();
    Inject(Mouse(top, InputEvent::Kind::MouseDown, {65, 70}));
    EXPECT_FALSE(grandchild.Saw(WM_SETCURSOR));
    EXPECT_FALSE(grandchild.Saw(WM_LBUTTONDOWN));
    child.EnableWindow(true);

    // The right button's release asks for a context menu in screen coordinates.
    child.Clear();
    Inject(Mouse(top, InputEvent::Kind::MouseUp, {120, 120}, MouseButton::Right));
    ASSERT_TRUE(child.Saw(WM_CONTEXTMENU));
    EXPECT_EQ(GET_X_LPARAM(child.messages.back().lParam), 120);
    // Unhandled, it travels up to the top-level window.
    EXPECT_TRUE(top.Saw(WM_CONTEXTMENU));
}

TEST_F(WndTest, CaptureTakesTheMouseEvenOutsideTheWindow) {
    RecordingWnd top, left, right;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 200, 100}, nullptr, 0));
    ASSERT_TRUE(left.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {0, 0, 100, 100}, &top, 1));
    ASSERT_TRUE(right.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {100, 0, 200, 100}, &top, 2));
    Pump();
    EXPECT_EQ(left.SetCapture(), HWND{});
    EXPECT_EQ(CWnd::GetCapture(), left.GetSafeHwnd());
    left.Clear();
    right.Clear();
    Inject(Mouse(top, InputEvent::Kind::MouseMove, {150, 20}));
    ASSERT_EQ(left.log, (std::vector<UINT>{WM_MOUSEMOVE}));
    EXPECT_EQ(GET_X_LPARAM(left.messages[0].lParam), 150);
    EXPECT_TRUE(right.log.empty());
    Inject(Mouse(top, InputEvent::Kind::MouseMove, {-20, 20}));
    EXPECT_EQ(GET_X_LPARAM(left.messages.back().lParam), -20);

    // Capture moving on tells the loser.
    left.Clear();
    right.SetCapture();
    EXPECT_EQ(left.log, (std::vector<UINT>{WM_CAPTURECHANGED}));
    right.Clear();
    CWnd::ReleaseCapture();
    EXPECT_EQ(right.log, (std::vector<UINT>{WM_CAPTURECHANGED}));
    EXPECT_EQ(CWnd::GetCapture(), HWND{});
    right.Clear();
    Inject(Mouse(top, InputEvent::Kind::MouseMove, {150, 20}));
    EXPECT_EQ(right.log, (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE}));
}

TEST_F(WndTest, FocusMovesWithItsMessagesAndTakesTheKeys) {
    RecordingWnd top, a, b;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, nullptr, 0));
    ASSERT_TRUE(a.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {0, 0, 50, 50}, &top, 1));
    ASSERT_TRUE(b.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {50, 0, 100, 50}, &top, 2));
    Pump();
    a.SetFocus();
    EXPECT_EQ(CWnd::GetFocus(), a.GetSafeHwnd());
    a.Clear();
    b.Clear();
    EXPECT_EQ(b.SetFocus(), a.GetSafeHwnd());
    ASSERT_EQ(a.log, (std::vector<UINT>{WM_KILLFOCUS}));
    EXPECT_EQ(a.messages[0].wParam, ToWParam(b.GetSafeHwnd()));
    ASSERT_EQ(b.log, (std::vector<UINT>{WM_SETFOCUS}));
    EXPECT_EQ(b.messages[0].wParam, ToWParam(a.GetSafeHwnd()));

    b.Clear();
    InputEvent key;
    key.window = top.GetSafeHwnd().value;
    key.kind = InputEvent::Kind::KeyDown;
    key.virtualKey = VK_RETURN;
    Inject(key);
    EXPECT_EQ(b.log, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
    EXPECT_EQ(b.messages[0].wParam, WPARAM(VK_RETURN));
    EXPECT_EQ(b.messages[1].wParam, WPARAM('\r'));
    EXPECT_EQ(GetKeyState(VK_RETURN) & 0x8000, 0x8000);
    key.kind = InputEvent::Kind::KeyUp;
    Inject(key);
    EXPECT_EQ(GetKeyState(VK_RETURN), 0);

    // Committed text arrives as one WM_CHAR per GBK byte.
    b.Clear();
    InputEvent text;
    text.window = top.GetSafeHwnd().value;
    text.kind = InputEvent::Kind::Text;
    text.text = "a确";
    Inject(text);
    ASSERT_EQ(b.log.size(), 3u);
    EXPECT_EQ(b.messages[0].wParam, WPARAM('a'));
    EXPECT_EQ(b.messages[1].wParam, WPARAM(0xC8));
    EXPECT_EQ(b.messages[2].wParam, WPARAM(0xB7));

    // Hiding the focused window drops the focus.
    b.ShowWindow(SW_HIDE);
    EXPECT_EQ(CWnd::GetFocus(), HWND{});
}

TEST_F(WndTest, TheDisplaysCloseRequestBecomesWmClose) {
    auto top = std::make_unique<RecordingWnd>();
    ASSERT_TRUE(top->CreateEx(0, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {0, 0, 50, 50}, nullptr, 0));
    HWND hwnd = top->GetSafeHwnd();
    InputEvent close;
    close.kind = InputEvent::Kind::Close;
    close.window = hwnd.value;
    top->EnableWindow(false);
    Inject(close);  // a disabled window (under a modal dialog) ignores it
    EXPECT_TRUE(IsWindow(hwnd));
    top->EnableWindow(true);
    Inject(close);
    EXPECT_TRUE(top->Saw(WM_CLOSE));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WndTest, TextAndFontGoThroughMessages) {
    RecordingWnd top;
    ASSERT_TRUE(top.CreateEx(0, "旧", WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    top.Clear();
    top.SetWindowText("新标题");
    EXPECT_EQ(top.log, (std::vector<UINT>{WM_SETTEXT}));
    EXPECT_EQ(top.GetWindowText(), "新标题");
    EXPECT_EQ(display_->Title(top.GetSafeHwnd().value), "新标题");
    top.SetFont({.face = "黑体", .height = -16});
    EXPECT_EQ(top.GetFont().face, "黑体");
}

TEST_F(WndTest, CopyDataCrossesThreadsWithinTheProcess) {
    std::string received;
    RecordingWnd top;
    top.handler = [&received](RecordingWnd&, Message& m, LRESULT& result) {
        if (m.message != WM_COPYDATA) return false;
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(m.lParam);
        received.assign(static_cast<const char*>(data->lpData), data->cbData);
        result = LRESULT(data->dwData);
        return true;
    };
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    const HWND target = top.GetSafeHwnd();
    std::promise<LRESULT> answer;
    Thread sender;
    sender.Start([&] {
        const std::string text = "牌桌";
        COPYDATASTRUCT data{77, DWORD(text.size()), text.data()};
        answer.set_value(SendMessage(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
    });
    auto future = answer.get_future();
    // Peeking serves the sent message (WaitMessage would serve it and keep
    // waiting for a posted one).
    while (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        Pump();
        std::this_thread::yield();
    }
    EXPECT_EQ(future.get(), 77);
    EXPECT_EQ(received, "牌桌");
    sender.Join();
}

TEST_F(WndTest, AWindowOfAnotherThreadPaintsWhileThisThreadIsBlocked) {
    std::promise<uint32_t> created;
    std::promise<void> painted;
    std::promise<void> release;
    Thread owner;
    owner.Start([&] {
        RecordingWnd wait;
        wait.fill = kBlue;
        wait.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 40, 20}, nullptr, 0);
        created.set_value(wait.GetSafeHwnd().value);
        Pump();
        wait.fill = kGreen;
        wait.Invalidate();
        Pump();
        painted.set_value();
        release.get_future().wait();
    });
    const uint32_t id = created.get_future().get();
    // This thread now blocks without serving its queue; the other window
    // still paints and presents.
    painted.get_future().wait();
    EXPECT_EQ(ColorOf(display_->Screen(id).At(5, 5)), kGreen);
    EXPECT_GE(display_->PresentCount(id), 2);
    release.set_value();
    owner.Join();
    EXPECT_FALSE(display_->HasWindow(id));
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

TEST_F(WndTest, TrackedWindowsHearWhenThePointerLeaves) {
    RecordingWnd top, a, b;
    ASSERT_TRUE(top.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 100, 50}, nullptr, 0));
    ASSERT_TRUE(a.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {0, 0, 50, 50}, &top, 1));
    ASSERT_TRUE(b.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {50, 0, 100, 50}, &top, 2));
    Pump();
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = a.GetSafeHwnd();
    ASSERT_TRUE(TrackMouseEvent(track));
    Inject(Mouse(top, InputEvent::Kind::MouseMove, {10, 10}));
    EXPECT_FALSE(a.Saw(WM_MOUSELEAVE));
    Inject(Mouse(top, InputEvent::Kind::MouseMove, {60, 10}));
    EXPECT_TRUE(a.Saw(WM_MOUSELEAVE));
    // Leaving the top-level window ends the tracking too; once only.
    track.hwndTrack = b.GetSafeHwnd();
    TrackMouseEvent(track);
    InputEvent leave;
    leave.kind = InputEvent::Kind::MouseLeave;
    leave.window = top.GetSafeHwnd().value;
    Inject(leave);
    EXPECT_TRUE(b.Saw(WM_MOUSELEAVE));
    b.Clear();
    Inject(leave);
    EXPECT_FALSE(b.Saw(WM_MOUSELEAVE));
}

}  // namespace
}  // namespace platform
