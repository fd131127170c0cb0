// The wall's ring as the running client lays it out when it enters the
// table, on the screens people use and a small one, with four chairs and
// with three: no side over another, none over the centre's clock and boxes,
// the ring closed around the centre, wall order clockwise with each stack's
// lower tile under its upper one, and the rivers and hands clear of it all.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tools/gameserver/tests/running_client.h"

namespace mahjong {
namespace {

using platform::RECT;

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
// Edges meet or the rectangles overlap: no gap between them.
bool Touch(const RECT& a, const RECT& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}
bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

struct Case {
    platform::SIZE screen;
    int32_t chairs;
};

TEST(WallRing, ClosesAroundTheCentreWithoutCrossingOnEveryScreen) {
    const Case cases[] = {{{1024, 768}, 4}, {{1280, 1024}, 4}, {{1920, 1080}, 4}, {{800, 600}, 4},
                          {{1024, 768}, 3}, {{1920, 1080}, 3}, {{800, 600}, 3}};
    for (const Case& c : cases) {
        const std::string where = std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy) +
                                  ", " + std::to_string(c.chairs);
        SCOPED_TRACE(where);
        testing::RunningClient client({c.screen, c.chairs});
        ASSERT_TRUE(client.Started());
        const CTableScene& s = client.Scene();
        ASSERT_EQ(s.SmallScreen(), c.screen.cx <= 800);
        const bool four = c.chairs == 4;
        RECT sides[4], centre, clock, dice, info;
        for (int side = 0; side < 4; ++side)
            s.GetWallSideRect(side, &sides[side]);
        s.GetTableCentreRect(&centre);
        s.GetClockRect(&clock);
        s.GetDiceRect(&dice);
        s.GetTableCentreBox(&info);

        // Every used record lies on its side, clockwise in wall order, each
        // stack's lower tile under its upper one and drawn before it.
        std::vector<RECT> tiles[4];
        for (int side = 0; side < 4; ++side) {
            const int32_t start = s.GetWallSideStart(side), n = s.GetWallSideStacks(side);
            for (int32_t k = 0; k < n; ++k) {
                const MJStruct& up = *s.GetMJStruct(kAreaWall, 0, start + 2 * k);
                const MJStruct& low = *s.GetMJStruct(kAreaWall, 0, start + 2 * k + 1);
                ASSERT_EQ(up.seat, side);
                ASSERT_EQ(low.seat, side);
                EXPECT_EQ(low.x, up.x);
                EXPECT_EQ(low.y - up.y, side == 0 ? 9 : 10);
                EXPECT_GT(up.drawOrder, low.drawOrder);
                RECT a, b;
                s.GetWallTileRect(start + 2 * k, &a);
                s.GetWallTileRect(start + 2 * k + 1, &b);
                tiles[side].push_back(a);
                tiles[side].push_back(b);
                if (k == 0) continue;
                const MJStruct& prev = *s.GetMJStruct(kAreaWall, 0, start + 2 * k - 2);
                const int32_t along[4] = {prev.y - up.y, up.x - prev.x, up.y - prev.y,
                                          prev.x - up.x};
                EXPECT_GT(along[side], 0) << "side " << side << " stack " << k;
            }
        }
        EXPECT_EQ(tiles[1].empty(), !four);
        for (int a = 0; a < 4; ++a) {
            for (const RECT& t : tiles[a]) {
                for (int b = a + 1; b < 4; ++b)
                    for (const RECT& u : tiles[b])
                        ASSERT_FALSE(Overlap(t, u)) << "sides " << a << " and " << b;
                for (const RECT& box : {centre, clock, dice, info})
                    ASSERT_FALSE(Overlap(t, box)) << "side " << a;
            }
        }

        // Closed: each side meets the next, and the centre lies inside.
        const int ring[4] = {0, 1, 2, 3};
        for (int i = 0; i < 4; ++i) {
            const int a = ring[i], b = ring[(i + 1) % 4];
            if (Empty(sides[a]) || Empty(sides[b])) continue;
            EXPECT_TRUE(Touch(sides[a], sides[b])) << "sides " << a << " and " << b;
        }
        EXPECT_GE(centre.left, sides[0].right);
        EXPECT_LE(centre.right, sides[2].left);
        EXPECT_LE(centre.bottom, sides[3].top);
        if (four) {
            EXPECT_GE(centre.top, sides[1].bottom);
        }
        // Where the pane has room, the columns end beside the rows.
        if (four && !s.SmallScreen()) {
            EXPECT_LE(sides[0].bottom, sides[3].bottom);
            EXPECT_GE(sides[2].top, sides[1].top);
        }

        // Rivers, hands and flower strips stay off the wall, the centre and
        // one another; each river lies outside its side of the ring.
        std::vector<RECT> parts;
        for (int seat = 0; seat < 4; ++seat) {
            if (!four && seat == 1) continue;
            RECT river, hand, flowers;
            s.GetRiverRect(seat, &river);
            s.GetHandAreaRect(seat, &hand);
            s.GetFlowerRect(seat, &flowers);
            const RECT& w = sides[seat];
            const bool outside[4] = {river.right <= w.left, river.bottom <= w.top,
                                     river.left >= w.right, river.top >= w.bottom};
            EXPECT_TRUE(outside[seat]) << "river " << seat;
            for (const RECT& part : {river, hand})
                for (const RECT& box : {centre, sides[0], sides[1], sides[2], sides[3]})
                    EXPECT_FALSE(Overlap(part, box)) << "seat " << seat;
            // The strips are as long as 36 flowers: only their first places.
            RECT first = flowers;
            if (seat == 0) first.bottom = std::min(first.bottom, first.top + 21 * 8 + 11);
            if (seat == 1) first.left = std::max(first.left, first.right - 26 * 8);
            if (seat == 2) first.top = std::max(first.top, first.bottom - 21 * 8 - 11);
            if (seat == 3) first.right = std::min(first.right, first.left + 50 + 26 * 8);
            parts.push_back(river);
            parts.push_back(hand);
            parts.push_back(first);
        }
        // (On a small screen the side hands reach into the own hand's
        // corners whatever the wall: hands are not compared.)
        for (size_t i = 0; i < parts.size(); ++i)
            for (size_t j = i + 1; j < parts.size(); ++j)
                EXPECT_TRUE((i % 3 == 1 && j % 3 == 1) || !Overlap(parts[i], parts[j]))
                    << i << " " << j;
    }
}

}  // namespace
}  // namespace mahjong
