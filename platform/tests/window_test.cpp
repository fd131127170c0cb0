#include "platform/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::LambdaWindow;

TEST(WindowTest, HandlesAreLiveOnceCreatedOwnedByTheThreadAndNeverReused) {
    HWND first;
    {
        LambdaWindow w;
        EXPECT_FALSE(w.Handle());
        ASSERT_TRUE(w.Create());
        EXPECT_FALSE(w.Create());  // once
        first = w.Handle();
        EXPECT_TRUE(IsWindow(first));
        EXPECT_EQ(Window::FromHandle(first), &w);
        EXPECT_EQ(GetWindowThreadId(first), GetCurrentThreadId());
        EXPECT_EQ(w.ThreadId(), GetCurrentThreadId());
        EXPECT_EQ(HwndFromParam(ToWParam(first)), first);
        EXPECT_EQ(HwndFromParam(uintptr_t(ToLParam(first))), first);
    }
    LambdaWindow again;
    ASSERT_TRUE(again.Create());
    EXPECT_NE(again.Handle(), first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(HWND{}));
    // WM_CLOSE's default destroys the window.
    PostMessage(again.Handle(), WM_CLOSE);
    testing::PumpPending();
    EXPECT_FALSE(IsWindow(again.Handle()));
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
    LambdaWindow orphan;
    EXPECT_FALSE(orphan.Create(HWND{0x7FFFFFFF}));  // no such parent
}

TEST(WindowTest, DestroyTellsParentThenChildrenAndRetiresEveryHandle) {
    std::vector<std::string> log;
    auto logger = [&](const std::string& name) {
        return [&log, name](Message& m) -> LRESULT {
            if (m.message == WM_DESTROY) {
                log.push_back(name + ":destroy");
                EXPECT_FALSE(DestroyWindow(m.hwnd));  // ignored while destroying
            }
            if (m.message == WM_NCDESTROY) log.push_back(name + ":ncdestroy");
            return 0;
        };
    };
    LambdaWindow parent(logger("p")), a(logger("a")), b(logger("b")), a1(logger("a1")),
        gone(logger("c"));
    ASSERT_TRUE(parent.Create());
    ASSERT_TRUE(a.Create(parent.Handle()));
    ASSERT_TRUE(b.Create(parent.Handle()));
    ASSERT_TRUE(gone.Create(parent.Handle()));
    ASSERT_TRUE(a1.Create(a.Handle()));
    gone.Destroy();
    log.clear();
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

}  // namespace
}  // namespace platform
