// Auto-play over arbitrary tables: every hand, meld, river and flower record
// takes a face (any 16-bit value) and its flags from the input, the round's
// jokers come from a round start of the input's bytes, and the discard
// choice and a step run with every button offered or not. The choice
// must name a hand position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz/mahjong_fuzz_app.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/auto_play.h"
#include "mahjong/scene/table_scene.h"

namespace {

// Offers what the input says; the kong command leaves the kinds held four
// times choosable, as the scene's does.
struct Moves : mahjong::AutoPlayMoves {
    explicit Moves(mahjong::CMJTableSceneBase& s, uint8_t buttons) : scene(s), offered(buttons) {}
    bool IsOffered(int32_t button) const override { return offered >> (button & 7) & 1; }
    void OnHu() override {}
    void OnKong() override { scene.UnlockFourOfAKind(); }
    void OnPeng() override {}
    void OnPass() override {}
    int32_t DoConcealedKong(int32_t) override { return 1; }
    int32_t DoAddedKong(int32_t) override { return 1; }
    int32_t ReplaceFlower(int32_t p) override { return Check(p); }
    int32_t DiscardTile(int32_t p) override { return Check(p); }
    static int32_t Check(int32_t p) {
        if (p < 0 || p >= 32) std::abort();
        return 1;
    }
    mahjong::CMJTableSceneBase& scene;
    uint8_t offered;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > 16 * 1024) return 0;
    const int variant = data[0] & 7;
    const int players = 3 + (data[0] >> 3 & 1);
    MahjongFuzzApp(variant);
    mahjong::CTableLogic logic;
    logic.SetLayoutWord(1, players);
    const size_t start = std::min<size_t>(size, size_t(data[1]) * 4);
    logic.StoreRoundStart(std::span<const uint8_t>(data, start));
    mahjong::CTableScene scene(&logic);
    scene.SetPlayerCount(players);
    scene.SetClockPosition(data[2] & 7);
    size_t at = 4;
    auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
    auto fill = [&](int area, int seat, int index) {
        mahjong::MJStruct* r = scene.GetMJStruct(area, seat, index);
        if (!r) std::abort();
        const uint8_t flags = next();
        r->nFace = int16_t(next() | next() << 8);
        r->standing = flags & 1;
        r->present = flags >> 1 & 1;
        r->faceState = flags >> 2 & 3;
        r->locked = flags >> 4 & 1;
        r->meldMark = flags >> 5 & 3;
    };
    for (int seat = 0; seat < 4 && at < size; ++seat) {
        for (int i = 0; i < mahjong::kHandRecords; ++i)
            fill(mahjong::kAreaHand, seat, i);
        for (int i = 0; i < mahjong::kStripRecords; ++i)
            fill(mahjong::kAreaRiver, seat, i);
    }
    mahjong::CAutoPlay play;
    const int32_t choice = play.ChooseAutoDiscard(scene);
    if (choice < 0 || choice >= 32) std::abort();
    Moves moves(scene, data[3]);
    for (int tick = 0; tick < 2; ++tick)
        play.AutoPlayStep(scene, moves);
    return 0;
}
