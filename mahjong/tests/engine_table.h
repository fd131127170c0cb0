#pragma once
// A table seated in a program folder with the generated skins and sounds,
// and a round in the middle of play written as the table data a client
// entering late receives: melds of every kind, rivers, flowers, a wall
// partly drawn, chair 0 on turn with its drawn tile, all 144 tiles somewhere.

#include <stdlib.h>

#include <array>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/resources/image_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/table_view.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/tests/temp_dir.h"
#include "rules/tile.h"

namespace mahjong::testing {

// A desktop of 1024 x 768: the own tiles are 42 x 60 and the own row fits
// the 744-pixel table (wider desktops take 54-pixel tiles).
inline constexpr const char* kSmallDesktop = "1024x768x24";
struct SmallDesktop {
    SmallDesktop() {
        platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>(platform::SIZE{1024, 768}));
    }
    ~SmallDesktop() { platform::SetDisplay(nullptr); }
};

#ifdef QEVO_ASSET_DIR
// A program folder whose skins and sounds are the generated ones (none
// when `withAssets` is false), and a table seated at `own` in it.
struct Program {
    explicit Program(bool withAssets = true, int own = 0) : t(own) {
        if (withAssets) LinkAssets(dir.path());
        setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
        // The resource manager outlives a table: earlier tables' pictures go.
        engine::ResourceManager& r = t.scene.Resources();
        auto drop = [&](const char* title) {
            if (const uint32_t id = r.GetImageIdByName(title)) r.FreeRes(id);
        };
        using Pictures = std::span<const assets::Picture>;
        for (Pictures list : {Pictures(assets::kCommonPictures), Pictures(assets::kStylePictures),
                              Pictures(assets::kStylePacked)})
            for (const auto& pic : list)
                drop(pic.title);
        drop("正面");
    }
    ~Program() { unsetenv("QEVO_PROGRAM_DIR"); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    CTableScene& Scene() {
        t.scene.InitScreen(744, 710);
        return t.scene;
    }
    const engine::ImageRecord* Image(const char* title) {
        return t.scene.GetImageRes(t.scene.Resources().GetImageIdByName(title));
    }

    platform::testing::TempDir dir;
    Table t;
};

// A dealt table of four on the engine: pictures loaded, tile entities made.
inline CTableScene& DealtOnEngine(Program& p) {
    CTableScene& s = p.Scene();
    s.LoadSettings();
    s.CreateTileEntities();
    p.t.Start([](Words& w) {
        w.Set(snap::kWallHead, 49).Set(snap::kTurnedUpPos, 142).Set(snap::kTurnTimeout, 15);
    });
    s.OnRoundStart(Words(snap::kRoundStartWords).Bytes());
    s.RevealDealtHands();
    s.RefreshEntities(100);
    return s;
}
#endif

// A top-level window of the table's size holding the engine's view, shown
// through the display in force.
class ShownTable {
  public:
    explicit ShownTable(CTableScene& scene) {
        ok_ = frame_.CreateEx(0, "牌桌", platform::WS_POPUP | platform::WS_VISIBLE,
                              {0, 0, 744, 710}, nullptr, 0) &&
              view_.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, 744, 710},
                             &frame_, 1) &&
              view_.AttachEngine(&scene) != 0;
        if (!ok_) return;
        view_.OnInitialUpdate();
        platform::SendMessage(view_.GetSafeHwnd(), engine::kStartEngineTimers);
    }
    ~ShownTable() {
        view_.DestroyWindow();
        frame_.DestroyWindow();
        Pump();
    }
    bool Ok() const { return ok_; }
    void Pump() {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
            platform::DispatchMessage(msg);
    }
    platform::CWnd& Window() { return frame_; }

  private:
    platform::CWnd frame_;
    engine::CJqGameTableView view_;
    bool ok_ = false;
};

// A stored result: chair `winner` won (off `discarder`, -1 self-drawn) with
// the given fans; points and silver as listed.
inline std::vector<uint8_t> StoredResult(int32_t flags, int32_t winner, int32_t discarder,
                                         std::array<int32_t, 4> points, std::array<int32_t, 4> silver,
                                         std::vector<std::pair<int, int32_t>> fans, int32_t charged = -1) {
    Words w(snap::kResultWords + 4 * 43);
    w[0] = flags;
    w[snap::kResultWinner] = winner;
    w[169] = discarder;
    w[snap::kResultRecordCount] = 4;
    for (int c = 0; c < 4; ++c) {
        w[size_t(72 + c)] = points[size_t(c)];
        w[size_t(80 + c)] = silver[size_t(c)];
        w[size_t(snap::kResultWords + 43 * c)] = c;
    }
    if (charged >= 0) w[size_t(405 + charged)] = 1;
    const std::string names = "花|平胡|三金倒|金雀|金龙|天胡|抢金" + std::string(25, '|');
    for (size_t i = 0; i < names.size(); ++i)
        w[340 + i / 4] |= int32_t(uint32_t(uint8_t(names[i])) << (8 * (i % 4)));
    for (const auto& [fan, count] : fans)
        w[size_t(snap::kResultWords + 43 * winner + 3 + fan)] = count;
    return w.Bytes();
}

// The scripted round: what each chair has laid, thrown and set aside. In
// this game winds and dragons are set aside as flowers are.
struct ScriptedChair {
    int32_t chow = 0, pung = 0, exposedKong = 0, concealedKong = 0;  // kinds, 0: none
    int32_t flowers = 0, river = 0;
};
inline constexpr std::array<ScriptedChair, 4> kScriptedChairs = {{
    {12, 25, 17, 9, 12, 7},  // a chow 12-13-14, a pung of 5s, a kong of 7s, a concealed kong
    {1, 19, 0, 0, 6, 7},
    {0, 0, 22, 8, 9, 6},
    {0, 0, 0, 0, 9, 6},
}};
inline constexpr int32_t kScriptedStart = 10, kScriptedTurnedUp = 8;

// Hands out tile ids: by kind, or the next free suited (or flower-like)
// one, walking the ids in steps of 37 so that neighbours differ.
class TileDeck {
  public:
    int32_t Take(int32_t kind) {
        for (int32_t id = 0; id < 144; ++id)
            if (!used_[size_t(id)] && Kind(id) == kind) return Use(id);
        return -1;
    }
    int32_t Next(bool flowerLike = false) {
        for (int32_t n = 0; n < 144; ++n) {
            cursor_ = (cursor_ + 37) % 144;
            if (!used_[size_t(cursor_)] && (Kind(cursor_) > 30) == flowerLike) return Use(cursor_);
        }
        return -1;
    }
    static int32_t Kind(int32_t id) { return rules::TileKindOrZero(id, CTableScene::kRuleFlags); }

  private:
    int32_t Use(int32_t id) {
        used_[size_t(id)] = true;
        return id;
    }
    std::array<bool, 144> used_{};
    int32_t cursor_ = 0;
};

// Writes the scripted round into `logic`'s table data as chair `own` (or a
// looker) receives it: only the viewer's own hand is known. False when the
// deck ran out of a kind.
inline bool WriteScriptedRound(CTableLogic& logic, int own, bool looker = false) {
    const auto set = [&](int n, int32_t v) {
        platform::StoreLE32(&logic.TableData()[size_t(n) * 4], uint32_t(v));
    };
    for (int i = 0; i < snap::kBlockWords; ++i)
        set(i, i < snap::kRoundWords ? 0 : -1);
    TileDeck deck;
    bool dealt = true;
    const auto put = [&](int n, int32_t tile) {
        dealt = dealt && tile >= 0;
        set(n, tile);
    };
    const int32_t joker = deck.Take(27);  // the turned-up tile: 9s of the third suit
    int tailDraws = 0, elsewhere = 0;
    // The melds first: each table's slot 0 holds the hand tiles, then the
    // claimed one, and the giver.
    for (int c = 0; c < 4; ++c) {
        const auto meld = [&](int table, int32_t kind, int32_t giver, int tiles) {
            if (!kind) return;
            const int at = snap::kSpareStart + table * snap::kMeldTableWords + c * 42;
            for (int i = 0; i < tiles; ++i)
                put(at + i, deck.Take(kind + (table == snap::kChows ? i : 0)));
            set(at + 4, giver);
            set(snap::kSpareStart + table * snap::kMeldTableWords + 168 + c, 1);
            elsewhere += tiles;
            tailDraws += tiles == 4 ? 1 : 0;
        };
        const ScriptedChair& p = kScriptedChairs[size_t(c)];
        meld(snap::kChows, p.chow, (c + 3) % 4, 3);
        meld(snap::kPungs, p.pung, (c + 1) % 4, 3);
        meld(snap::kExposedKongs, p.exposedKong, (c + 2) % 4, 4);
        meld(snap::kConcealedKongs, p.concealedKong, c, 4);
    }
    for (int c = 0; c < 4; ++c) {
        const ScriptedChair& p = kScriptedChairs[size_t(c)];
        for (int i = 0; i < p.flowers; ++i)
            put(snap::kFlowerLists + 36 * c + i, deck.Next(true));
        set(snap::kFlowerCounts + c, p.flowers);
        for (int i = 0; i < p.river; ++i)
            put(snap::kRiverLists + 36 * c + i, deck.Next());
        set(snap::kRiverCounts + c, p.river);
        const int held = 16 + (c == 0 ? 1 : 0) - 3 * (p.chow != 0) - 3 * (p.pung != 0) -
                         3 * (p.exposedKong != 0) - 3 * (p.concealedKong != 0);
        for (int i = 0; i < held; ++i) {
            const int32_t tile = deck.Next();
            dealt = dealt && tile >= 0;
            if (c == own && !looker) set(snap::kOwnTiles + i, tile);
        }
        set(snap::kHandCounts + c, held);
        tailDraws += p.flowers;
        elsewhere += p.flowers + p.river + held;
    }
    // What is left stands in the wall: drawn from the head, and from the
    // tail for every kong and flower (the walk counts the turned-up tile).
    const std::pair<int, int32_t> words[] = {
        {snap::kBankerChair, 0},
        {snap::kTurnChair, 0},
        {snap::kTableFlags, snap::kFlagRunning | snap::kFlagDrawn},
        {snap::kWallStart, kScriptedStart},
        {snap::kWallHead, (kScriptedStart + elsewhere - tailDraws) % 144},
        {snap::kTailCounter, tailDraws + 1},
        {snap::kTurnedUpPos, kScriptedTurnedUp},
        {snap::kJokerA, joker},
        {snap::kJokerB, -1},
        {snap::kTurnTimeout, 15},
        {snap::kDieA, 3},
        {snap::kDieB, 4},
    };
    for (auto [n, v] : words)
        set(n, v);
    return dealt;
}

}  // namespace mahjong::testing
