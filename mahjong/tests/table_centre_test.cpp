// The table's centre inside the wall: the round's stake beside the clock.
#include <gtest/gtest.h>

#include <vector>

#include "engine/draw_payloads.h"
#include "mahjong/tests/client_fixture.h"

namespace mahjong {
namespace {

using testing::RoundStart;

class TableCentreTest : public testing::ClientFixture {};

TEST_F(TableCentreTest, TheStakeLineStandsAtItsPlacesInTheInfoBox) {
    Seat(0);
    const struct {
        int32_t value;
        std::vector<int32_t> digits;
    } rows[] = {{1230, {1, 2, 3, 0}}, {0, {0}}, {7, {7}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.value);
        testing::Words start = RoundStart(1, {});
        start.Set(snap::kMoneyMode, 1).Set(snap::kSilverValue, r.value);
        ASSERT_TRUE(Deal(start));
        const CTableScene::EngineControls& c = Scene().Controls();
        RECT box{};
        Scene().GetTableCentreBox(&box);
        const int32_t y = (box.top + box.bottom) / 2 + 2;
        auto at = [&](uint32_t id) {
            const engine::Entity* e = Scene().GetEntity(id);
            EXPECT_TRUE(e && e->IsVisible()) << id;
            return e ? platform::POINT{e->GetX(), e->GetY()} : platform::POINT{};
        };
        EXPECT_EQ(at(c.flowerCount), (platform::POINT{box.left + 14, y}));
        int32_t x = box.left + 44;
        for (size_t i = 0; i < c.stakeDigits.size(); ++i) {
            const engine::Entity* d = Scene().GetEntity(c.stakeDigits[i]);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->IsVisible(), i < r.digits.size()) << i;
            if (i >= r.digits.size()) continue;
            EXPECT_EQ(at(c.stakeDigits[i]), (platform::POINT{x, y})) << i;
            const auto* cell = dynamic_cast<const engine::ImagePayload*>(d->GetPayload());
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->srcX, 14 * r.digits[i]) << i;
            x += 12;
        }
        EXPECT_EQ(at(c.stakeUnit), (platform::POINT{x + 8, y}));
    }
}

}  // namespace
}  // namespace mahjong
