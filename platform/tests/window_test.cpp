#include "platform/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/tests/test_window.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing::LambdaWindow;

TEST(WindowTest, CreateGivesALiveHandleOwnedByThisThread) {
    LambdaWindow w;
    EXPECT_FALSE(w.Handle());
    ASSERT_TRUE(w.Create());
    EXPECT_TRUE(IsWindow(w.Handle()));
    EXPECT_EQ(Window::FromHandle(w.Handle()), &w);
    EXPECT_EQ(GetWindowThreadId(w.Handle()), GetCurrentThreadId());
    EXPECT_EQ(w.ThreadId(), GetCurrentThreadId());
    EXPECT_FALSE(w.Create());  // once
}

TEST(WindowTest, HandlesAreNeverReused) {
    HWND first;
    {
        LambdaWindow w;
        ASSERT_TRUE(w.Create());
        first = w.Handle();
    }
    LambdaWindow again;
    ASSERT_TRUE(again.Create());
    EXPECT_NE(again.Handle(), first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(HWND{}));
}

TEST(WindowTest, CreateHandlerAnsweringMinusOneUndoesTheWindow) {
    std::vector<UINT> seen;
    LambdaWindow w([&](Message& m) -> LRESULT {
        seen.push_back(m.message);
        return m.message == WM_CREATE ? -1 : 0;
    });
    EXPECT_FALSE(w.Create());
    EXPECT_FALSE(w.Handle());
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

TEST(WindowTest, DestroyTellsParentThenChildrenAndRetiresEveryHandle) {
    std::vector<std::string> log;
    auto logger = [&](const std::string& name) {
        return [&log, name](Message& m) -> LRESULT {
            if (m.message == WM_DESTROY) log.push_back(name + ":destroy");
            if (m.message == WM_NCDESTROY) log.push_back(name + ":ncdestroy");
            return 0;
        };
    };
    LambdaWindow parent(logger("p")), a(logger("a")), b(logger("b")), a1(logger("a1"));
    ASSERT_TRUE(parent.Create());
    ASSERT_TRUE(a.Create(parent.Handle()));
    ASSERT_TRUE(b.Create(parent.Handle()));
    ASSERT_TRUE(a1.Create(a.Handle()));
    EXPECT_EQ(parent.Children(), (std::vector<HWND>{a.Handle(), b.Handle()}));
    EXPECT_EQ(GetParent(a1.Handle()), a.Handle());
    EXPECT_EQ(GetParent(parent.Handle()), HWND{});
    const HWND handles[] = {parent.Handle(), a.Handle(), b.Handle(), a1.Handle()};
    ASSERT_TRUE(DestroyWindow(parent.Handle()));
    EXPECT_EQ(log, (std::vector<std::string>{"p:destroy", "b:destroy", "b:ncdestroy", "a:destroy",
                                             "a1:destroy", "a1:ncdestroy", "a:ncdestroy",
                                             "p:ncdestroy"}));
    for (HWND h : handles)
        EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(parent.Handle()));
}

TEST(WindowTest, DestroyingAChildLeavesTheParentsListTidy) {
    LambdaWindow parent, child;
    ASSERT_TRUE(parent.Create());
    ASSERT_TRUE(child.Create(parent.Handle()));
    child.Destroy();
    EXPECT_TRUE(parent.Children().empty());
    EXPECT_FALSE(child.Create(HWND{0x7FFFFFFF}));  // no such parent
}

TEST(WindowTest, DefaultCloseDestroysTheWindow) {
    LambdaWindow w;
    ASSERT_TRUE(w.Create());
    const HWND h = w.Handle();
    PostMessage(h, WM_CLOSE);
    testing::PumpPending();
    EXPECT_FALSE(IsWindow(h));
}

TEST(WindowTest, DestroyInsideWmDestroyIsIgnored) {
    int destroys = 0;
    LambdaWindow w([&](Message& m) -> LRESULT {
        if (m.message == WM_DESTROY) {
            ++destroys;
            EXPECT_FALSE(DestroyWindow(m.hwnd));
        }
        return 0;
    });
    ASSERT_TRUE(w.Create());
    EXPECT_TRUE(w.Destroy());
    EXPECT_EQ(destroys, 1);
}

TEST(WindowTest, OtherThreadsSeeTheHandleButNotTheObject) {
    LambdaWindow w;
    ASSERT_TRUE(w.Create());
    std::atomic<bool> sawObject{true}, destroyed{true}, alive{false}, childMade{true};
    std::atomic<DWORD> owner{0};
    {
        Thread t;
        ASSERT_TRUE(t.Start([&] {
            sawObject = Window::FromHandle(w.Handle()) != nullptr;
            destroyed = DestroyWindow(w.Handle());
            alive = IsWindow(w.Handle());
            owner = GetWindowThreadId(w.Handle());
            LambdaWindow child;
            childMade = child.Create(w.Handle());
        }));
    }
    EXPECT_FALSE(sawObject);
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(alive);
    EXPECT_EQ(owner, GetCurrentThreadId());
    EXPECT_FALSE(childMade);
}

TEST(WindowTest, HandleRoundTripsThroughMessageParameters) {
    LambdaWindow w;
    ASSERT_TRUE(w.Create());
    EXPECT_EQ(HwndFromParam(ToWParam(w.Handle())), w.Handle());
    EXPECT_EQ(HwndFromParam(uintptr_t(ToLParam(w.Handle()))), w.Handle());
}

}  // namespace
}  // namespace platform
