#pragma once
// Checks of the tile entities against the scene's records: each present
// record drawn where it says by an entity of its own, nothing else shown.

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>
#include <vector>

#include "engine/image_entity.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong::testing {

// Every present record, with the top-left corner its area gives it.
using Place = std::array<int32_t, 3>;  // area, seat, index
inline std::vector<std::pair<Place, platform::POINT>> PresentRecords(CTableScene& s) {
    std::vector<std::pair<Place, platform::POINT>> out;
    for (int32_t area : {kAreaWall, kAreaHand, kAreaFlower, kAreaRiver, kAreaShown}) {
        for (int32_t seat = 0; seat < (area == kAreaWall ? 1 : 4); ++seat) {
            for (int32_t i = 0; i < kWallRecords; ++i) {
                const MJStruct* r = s.GetMJStruct(area, seat, i);
                if (!r || !r->present || (area == kAreaShown && i > 0)) continue;
                RECT rect{};
                if (area == kAreaWall) s.GetWallTileRect(i, &rect);
                if (area == kAreaHand) s.GetHandAreaRect(seat, &rect);
                if (area == kAreaRiver) s.GetRiverRect(seat, &rect);
                if (area == kAreaFlower) s.GetFlowerRect(seat, &rect);
                if (area == kAreaShown) s.GetShownTileRect(seat, &rect);
                const bool own = area == kAreaWall || area == kAreaShown;
                out.push_back(
                    {{area, seat, i}, {rect.left + (own ? 0 : r->x), rect.top + (own ? 0 : r->y)}});
            }
        }
    }
    return out;
}

inline size_t ShownTiles(CTableScene& s) {
    size_t shown = 0;
    for (int32_t n = 1; n <= kTileBindings; ++n)
        shown += s.GetEntity(s.Binding(n).entity)->IsVisible() ? 1 : 0;
    return shown;
}

// Each present record is drawn where it says by an entity of its own, and
// no other tile is on the table.
inline void ExpectEveryRecordShownByItsEntity(CTableScene& s) {
    const auto records = PresentRecords(s);
    ASSERT_GT(records.size(), 4u * 16u);  // the hands at least
    std::set<int32_t> bindings;
    for (const auto& [place, corner] : records) {
        SCOPED_TRACE(::testing::Message() << place[0] << "/" << place[1] << "/" << place[2]);
        const MJStruct& r = *s.GetMJStruct(place[0], place[1], place[2]);
        ASSERT_NE(r.nObject, 0);
        EXPECT_TRUE(bindings.insert(r.nObject).second);
        const TileBinding& b = s.Binding(r.nObject);
        EXPECT_EQ(b.code, r.nFace);
        const engine::Entity* e = s.GetEntity(b.entity);
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(e->IsVisible());
        EXPECT_EQ(e->GetLeft(), corner.x);
        EXPECT_EQ(e->GetTop(), corner.y);
        EXPECT_EQ(e->GetDepth(), r.drawOrder);
        EXPECT_NE(static_cast<const engine::ImageEntity*>(e)->GetImageId(), 0u);
    }
    // Nothing else is on the table.
    EXPECT_EQ(ShownTiles(s), records.size());
    EXPECT_FALSE(s.GetEntity(s.SpareTileEntity())->IsVisible());
    EXPECT_FALSE(s.GetEntity(s.DrawnTileEntity())->IsVisible());
}

}  // namespace mahjong::testing
