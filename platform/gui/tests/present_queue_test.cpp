#include "platform/gui/present_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

struct Taken {
    DisplayWindowId id;
    Surface copy;
    std::vector<RECT> rects;
};

std::vector<Taken> TakeAll(PresentQueue& queue) {
    std::vector<Taken> taken;
    queue.Take([&](DisplayWindowId id, const Surface& copy, const std::vector<RECT>& rects) {
        taken.push_back({id, copy, rects});
    });
    return taken;
}

TEST(PresentQueueTest, KeepsTheDirtyPixelsAndWakesOncePerTake) {
    PresentQueue queue;
    Surface pixels(40, 30);
    pixels.Fill(0xFF0000FFu);
    EXPECT_FALSE(queue.Store(1, pixels, pixels.Bounds()));  // not a window yet
    queue.AddWindow(1);
    queue.AddWindow(2);
    EXPECT_TRUE(queue.Store(1, pixels, pixels.Bounds()));  // the first one wakes
    pixels.Fill(0xFF00FF00u);
    EXPECT_FALSE(queue.Store(1, pixels, {5, 5, 10, 10}));    // a wake is on its way
    EXPECT_FALSE(queue.Store(2, pixels, {50, 50, 60, 60}));  // outside: nothing
    std::vector<Taken> taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].id, 1u);
    // The small rectangle lies inside the pending whole: one upload.
    EXPECT_EQ(taken[0].rects, std::vector<RECT>({{0, 0, 40, 30}}));
    EXPECT_EQ(taken[0].copy.At(7, 7), 0xFF00FF00u);  // the newest pixels
    EXPECT_EQ(taken[0].copy.At(20, 20), 0xFF0000FFu);
    EXPECT_TRUE(TakeAll(queue).empty());

    // After a take the next store wakes again; the surface is copied, so
    // the caller may change it at once.
    EXPECT_TRUE(queue.Store(2, pixels, {1, 1, 3, 3}));
    pixels.Fill(0);
    taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].copy.At(2, 2), 0xFF00FF00u);
    queue.RemoveWindow(2);
    EXPECT_FALSE(queue.Store(2, pixels, pixels.Bounds()));
    EXPECT_FALSE(queue.Invalidate(2));
}

TEST(PresentQueueTest, PendingRectanglesMerge) {
    struct Case {
        std::vector<RECT> stored;
        std::vector<RECT> uploaded;
    };
    std::vector<RECT> many;
    const int n = int(PresentQueue::kMaxRects) + 1;
    for (int i = 0; i < n; ++i)
        many.push_back({10 * i, 0, 10 * i + 5, 10});
    const std::vector<RECT> manyBounds = {{0, 0, 10 * (n - 1) + 5, 10}};
    const Case cases[] = {
        {{{0, 0, 4, 4}, {10, 10, 14, 14}}, {{0, 0, 4, 4}, {10, 10, 14, 14}}},
        {{{0, 0, 4, 4}, {1, 1, 2, 2}}, {{0, 0, 4, 4}}},                // inside: dropped
        {{{1, 1, 2, 2}, {5, 5, 6, 6}, {0, 0, 8, 8}}, {{0, 0, 8, 8}}},  // covered: replaced
        {{{0, 0, 4, 4}, {0, 0, 4, 4}}, {{0, 0, 4, 4}}},                // the same twice
        {{{-5, -5, 3, 3}}, {{0, 0, 3, 3}}},                            // clipped
        {many, manyBounds},  // too many: one rectangle around them all
    };
    for (const Case& c : cases) {
        PresentQueue queue;
        queue.AddWindow(7);
        Surface pixels(100, 50);
        queue.Store(7, pixels, pixels.Bounds());  // the first store of a size copies all
        TakeAll(queue);
        for (const RECT& r : c.stored)
            queue.Store(7, pixels, r);
        std::vector<Taken> taken = TakeAll(queue);
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_EQ(taken[0].rects, c.uploaded);
    }
}

TEST(PresentQueueTest, ANewSizeOrALostScreenSendsTheWholeCopy) {
    PresentQueue queue;
    queue.AddWindow(3);
    EXPECT_FALSE(queue.Invalidate(3));  // nothing presented yet
    Surface small(10, 10), large(20, 15);
    small.Fill(1);
    large.Fill(2);
    queue.Store(3, small, small.Bounds());
    TakeAll(queue);
    queue.Store(3, large, {0, 0, 2, 2});
    std::vector<Taken> taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].rects, std::vector<RECT>({{0, 0, 20, 15}}));
    EXPECT_EQ(taken[0].copy, large);

    EXPECT_TRUE(queue.Invalidate(3));
    taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].rects, std::vector<RECT>({{0, 0, 20, 15}}));
}

}  // namespace
}  // namespace platform
