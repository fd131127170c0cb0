// Requests from the network into a dealt table: each byte pattern picks a
// request and its words (chairs, offering chairs, tiles, shown tiles, kinds,
// counts), often from the seat's own hand so that many of them stand, now and
// then anything at all. After every request each tile must be in exactly one
// place; rounds that end are prepared and dealt again.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/bytes.h"
#include "rules/table/table_util.h"
#include "rules/table/tests/table_driver.h"

namespace {

using namespace rules;
using namespace rules::testing;

struct Input {
    platform::ByteReader in;
    // Small values mostly, anything now and then.
    int32_t Value(int32_t small) {
        uint8_t tag = in.U8();
        if (tag < 230) return small > 0 ? int32_t(tag % small) : 0;
        if (tag < 250) return int32_t(in.U8()) - 20;
        return in.I32();
    }
    // A tile of the seat's hand mostly, else any value.
    TileId Tile(CRuleTable& t, int32_t seat) {
        uint8_t tag = in.U8();
        if (tag < 200 && seat >= 0 && seat < 4) {
            auto held = HeldTiles(t, seat);
            if (!held.empty()) return held[tag % held.size()];
        }
        if (tag < 240) return t.WindowTile();
        return Value(160);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{platform::ByteReader(std::span<const uint8_t>(data, size))};
    // The wall position from the tail for any start, skip and counter.
    int32_t counter = in.Value(160), skipped = 0;
    (void)NextWallTailPos(in.Value(160), in.Value(160), 144, &counter, &skipped);
    TestTable tt(in.in.U32());
    CRuleTable& t = *tt.table;
    if (!tt.Start()) return 0;
    TableDriver driver(tt, 1);
    for (int step = 0; step < 400 && in.in.ok() && in.in.remaining() > 0; ++step) {
        tt.tick += uint32_t(in.Value(3000));
        const uint8_t op = in.in.U8() % 12;
        const int32_t chair = in.Value(5);
        Words w = MakeRequest(chair);
        w[request::kOffering] = in.Value(5);
        w[request::kTile] = in.Tile(t, chair);
        for (size_t i = 0; i < request::kShownWords; ++i)
            w[request::kShown + i] = in.Tile(t, chair);
        w[request::kKongKind] = in.Value(4);
        w[request::kDiscardCount] = in.Value(3);
        w[request::kDiscardTiles] = in.Tile(t, chair);
        TileId replacement;
        switch (op) {
            case 0:
                t.RequestDiscard(w);
                break;
            case 1:
            case 2:
            case 3:
                t.RequestClaim(w, 1 << (op - 1));
                break;
            case 4:
                w[request::kHuKind] = in.Value(6);
                t.RequestHu(w);
                break;
            case 5:
                t.RequestPass(w);
                break;
            case 6:
                t.RequestConcealedKong(w);
                break;
            case 7:
                t.RequestAddedKong(w);
                break;
            case 8:
                w[request::kFlowerTile] = w[request::kTile];
                t.RequestFlower(w, &replacement);
                break;
            case 9:
                t.CloseClaims();
                break;
            default:
                driver.Step();
                break;
        }
        if (!Misplaced(t).empty()) std::abort();
        if (t.HandOver()) {
            const TableRecord& end = t.LastGameEnd();
            int64_t sum = 0;
            for (size_t s = 0; s < 4; ++s)
                sum += end.Get(game_end::kScores + s);
            if (sum != 0) std::abort();
            if (!tt.Next()) return 0;
        }
    }
    TableRecord r;
    t.FillStateRecord(r, in.Value(6) - 1, 0);
    t.FillTableInfo(r, in.Value(6) - 1, 0);
    return 0;
}
