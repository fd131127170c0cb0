#include "platform/gui/present_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// What one Take hands over: (window, copy, rectangles) per window.
std::vector<std::tuple<DisplayWindowId, Surface, std::vector<RECT>>> TakeAll(PresentQueue& q) {
    std::vector<std::tuple<DisplayWindowId, Surface, std::vector<RECT>>> taken;
    q.Take([&](DisplayWindowId id, const Surface& copy, const std::vector<RECT>& rects) {
        taken.emplace_back(id, copy, rects);
    });
    return taken;
}

TEST(PresentQueueTest, CopiesTheDirtyPixelsWakesOncePerTakeAndSendsAllOnANewSize) {
    PresentQueue queue;
    Surface pixels(40, 30), larger(50, 30);
    pixels.Fill(1);
    EXPECT_FALSE(queue.Store(1, pixels, pixels.Bounds()));  // not a window yet
    queue.AddWindow(1);
    EXPECT_FALSE(queue.Invalidate(1));                     // nothing presented yet
    EXPECT_TRUE(queue.Store(1, pixels, pixels.Bounds()));  // the first store wakes
    TakeAll(queue);
    pixels.Fill(2);
    EXPECT_TRUE(queue.Store(1, pixels, {5, 5, 10, 10}));
    EXPECT_FALSE(queue.Store(1, pixels, {50, 50, 60, 60}));  // outside: nothing
    pixels.Fill(3);                                          // the queue holds its own copy
    auto taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 1u);
    const auto& [id, copy, rects] = taken[0];
    EXPECT_EQ(rects, std::vector<RECT>({{5, 5, 10, 10}}));
    EXPECT_EQ(copy.At(7, 7), 2u);
    EXPECT_EQ(copy.At(20, 20), 1u);
    EXPECT_TRUE(TakeAll(queue).empty());
    // A new size, or a screen that lost the pixels, sends the whole copy.
    queue.Store(1, larger, {0, 0, 2, 2});
    EXPECT_EQ(std::get<2>(TakeAll(queue)[0]), std::vector<RECT>({larger.Bounds()}));
    EXPECT_TRUE(queue.Invalidate(1));
    EXPECT_EQ(std::get<2>(TakeAll(queue)[0]), std::vector<RECT>({larger.Bounds()}));
    queue.RemoveWindow(1);
    EXPECT_FALSE(queue.Store(1, larger, larger.Bounds()));
}

TEST(PresentQueueTest, PendingRectanglesMerge) {
    std::vector<RECT> many;
    const int n = int(PresentQueue::kMaxRects) + 1;
    for (int i = 0; i < n; ++i)
        many.push_back({10 * i, 0, 10 * i + 5, 10});
    const std::pair<std::vector<RECT>, std::vector<RECT>> cases[] = {
        // stored, uploaded
        {{{0, 0, 4, 4}, {10, 10, 14, 14}}, {{0, 0, 4, 4}, {10, 10, 14, 14}}},
        {{{0, 0, 4, 4}, {1, 1, 2, 2}, {0, 0, 4, 4}}, {{0, 0, 4, 4}}},  // inside: dropped
        {{{1, 1, 2, 2}, {5, 5, 6, 6}, {0, 0, 8, 8}}, {{0, 0, 8, 8}}},  // covered: replaced
        {{{-5, -5, 3, 3}}, {{0, 0, 3, 3}}},                            // clipped
        {many, {{0, 0, 10 * (n - 1) + 5, 10}}},  // too many: one around them all
    };
    for (const auto& [stored, uploaded] : cases) {
        PresentQueue queue;
        queue.AddWindow(7);
        Surface pixels(100, 50);
        queue.Store(7, pixels, pixels.Bounds());
        TakeAll(queue);
        for (const RECT& r : stored)
            queue.Store(7, pixels, r);
        EXPECT_EQ(std::get<2>(TakeAll(queue).at(0)), uploaded);
    }
}

}  // namespace
}  // namespace platform
