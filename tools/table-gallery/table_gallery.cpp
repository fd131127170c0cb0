#include "tools/table-gallery/table_gallery.h"

#include <stdlib.h>

#include <array>
#include <filesystem>
#include <span>
#include <utility>

#include "client/game_app.h"
#include "engine/resources/resource_manager.h"
#include "mahjong/app/request_words.h"
#include "mahjong/app/snapshot_words.h"
#include "mahjong/scene/asset_names.h"
#include "platform/bytes.h"
#include "rules/hand/tile.h"

namespace table_gallery {
namespace {

namespace snap = mahjong::snap;

// What each chair of the round in play has laid, thrown and set aside. In
// this game winds and dragons are set aside as flowers are.
struct ScriptedChair {
    int32_t chow, pung, exposedKong, concealedKong;  // kinds, 0: none
    int32_t flowers, river;
};
constexpr std::array<ScriptedChair, 4> kChairs = {{
    {12, 25, 17, 9, 12, 7},  // a chow 12-13-14, a pung of 5s, a kong of 7s, a concealed kong
    {1, 19, 0, 0, 6, 7},
    {0, 0, 22, 8, 9, 6},
    {0, 0, 0, 0, 9, 6},
}};
constexpr int32_t kWallStart = 10, kTurnedUp = 8;
constexpr int32_t kJokerKind = 27;  // the turned-up tile: 9s of the third suit

int32_t KindOf(int32_t id) {
    return rules::TileKindOrZero(id, mahjong::CTableScene::kRuleFlags);
}

// Hands out tile ids: by kind, or the next free suited (or flower-like)
// one, walking the ids in steps of 37 so that neighbours differ.
class TileDeck {
  public:
    int32_t Take(int32_t kind) {
        for (int32_t id = 0; id < 144; ++id)
            if (!used_[size_t(id)] && KindOf(id) == kind) return Use(id);
        return -1;
    }
    int32_t Next(bool flowerLike = false) {
        for (int32_t n = 0; n < 144; ++n) {
            cursor_ = (cursor_ + 37) % 144;
            if (!used_[size_t(cursor_)] && (KindOf(cursor_) > 30) == flowerLike)
                return Use(cursor_);
        }
        return -1;
    }

  private:
    int32_t Use(int32_t id) {
        used_[size_t(id)] = true;
        return id;
    }
    std::array<bool, 144> used_{};
    int32_t cursor_ = 0;
};

class Words {
  public:
    explicit Words(std::span<uint8_t> bytes) : bytes_(bytes) {}
    void Set(int n, int32_t v) {
        if (size_t(n) * 4 + 4 <= bytes_.size())
            platform::StoreLE32(&bytes_[size_t(n) * 4], uint32_t(v));
    }

  private:
    std::span<uint8_t> bytes_;
};

}  // namespace

bool WriteRoundInPlay(std::span<uint8_t> tableData, int own) {
    Words w(tableData);
    for (int i = 0; i < snap::kBlockWords; ++i)
        w.Set(i, i < snap::kRoundWords ? 0 : -1);
    TileDeck deck;
    bool dealt = true;
    const auto put = [&](int n, int32_t tile) {
        dealt = dealt && tile >= 0;
        w.Set(n, tile);
    };
    const int32_t joker = deck.Take(kJokerKind);
    int tailDraws = 0, elsewhere = 0;
    // The melds first: each table's slot 0 holds the hand tiles, then the
    // claimed one, and the giver.
    for (int c = 0; c < 4; ++c) {
        const auto meld = [&](int table, int32_t kind, int32_t giver, int tiles) {
            if (!kind) return;
            const int at = snap::kSpareStart + table * snap::kMeldTableWords + c * 42;
            for (int i = 0; i < tiles; ++i)
                put(at + i, deck.Take(kind + (table == snap::kChows ? i : 0)));
            w.Set(at + 4, giver);
            w.Set(snap::kSpareStart + table * snap::kMeldTableWords + 168 + c, 1);
            elsewhere += tiles;
            tailDraws += tiles == 4 ? 1 : 0;
        };
        const ScriptedChair& p = kChairs[size_t(c)];
        meld(snap::kChows, p.chow, (c + 3) % 4, 3);
        meld(snap::kPungs, p.pung, (c + 1) % 4, 3);
        meld(snap::kExposedKongs, p.exposedKong, (c + 2) % 4, 4);
        meld(snap::kConcealedKongs, p.concealedKong, c, 4);
    }
    for (int c = 0; c < 4; ++c) {
        const ScriptedChair& p = kChairs[size_t(c)];
        for (int i = 0; i < p.flowers; ++i)
            put(snap::kFlowerLists + 36 * c + i, deck.Next(true));
        w.Set(snap::kFlowerCounts + c, p.flowers);
        for (int i = 0; i < p.river; ++i)
            put(snap::kRiverLists + 36 * c + i, deck.Next());
        w.Set(snap::kRiverCounts + c, p.river);
        const int held =
            16 + (c == 0 ? 1 : 0) -
            3 * ((p.chow != 0) + (p.pung != 0) + (p.exposedKong != 0) + (p.concealedKong != 0));
        for (int i = 0; i < held; ++i) {
            const int32_t tile = deck.Next();
            dealt = dealt && tile >= 0;
            if (c == own) w.Set(snap::kOwnTiles + i, tile);
        }
        w.Set(snap::kHandCounts + c, held);
        tailDraws += p.flowers;
        elsewhere += p.flowers + p.river + held;
    }
    // What is left stands in the wall: drawn from the head, and from the
    // tail for every kong and flower (the walk counts the turned-up tile).
    const std::pair<int, int32_t> words[] = {
        {snap::kBankerChair, 0},
        {snap::kTurnChair, 0},
        {snap::kTableFlags, snap::kFlagRunning | snap::kFlagDrawn},
        {snap::kWallStart, kWallStart},
        {snap::kWallHead, (kWallStart + elsewhere - tailDraws) % 144},
        {snap::kTailCounter, tailDraws + 1},
        {snap::kTurnedUpPos, kTurnedUp},
        {snap::kJokerA, joker},
        {snap::kJokerB, -1},
        {snap::kTurnTimeout, 15},
        {snap::kDieA, 3},
        {snap::kDieB, 4},
    };
    for (auto [n, v] : words)
        w.Set(n, v);
    return dealt;
}

std::vector<uint8_t> DealtRoundStart() {
    std::vector<uint8_t> bytes(snap::kRoundStartWords * 4);
    Words w(bytes);
    for (int i = snap::kRoundWords; i < snap::kRoundStartWords; ++i)
        w.Set(i, -1);
    const std::pair<int, int32_t> words[] = {
        {snap::kWallStart, kWallStart},  {snap::kWallHead, kWallStart + 65},
        {snap::kTurnedUpPos, kTurnedUp}, {snap::kJokerA, 2 * 36 + 8},  // a 9 of the third suit
        {snap::kTurnTimeout, 15},        {snap::kTableFlags, snap::kFlagRunning | snap::kFlagDrawn},
    };
    for (auto [n, v] : words)
        w.Set(n, v);
    for (int c = 0; c < 4; ++c) {
        w.Set(49 + c, c == 0 ? 17 : 16);
        w.Set(229 + c, 0);
    }
    // The own tiles: ranks 1-9 of the three suits, two copies at most.
    for (int i = 0; i < 17; ++i)
        w.Set(53 + i, (i % 3) * 36 + (i % 2) * 9 + i / 2);
    return bytes;
}

std::vector<uint8_t> SelfDrawnResult() {
    constexpr int kRecordWords = snap::kResultRecordBytes / 4;
    std::vector<uint8_t> bytes((snap::kResultWords + 4 * kRecordWords) * 4);
    Words w(bytes);
    w.Set(snap::kResultWinner, 0);
    w.Set(169, -1);  // no discarder
    w.Set(snap::kResultRecordCount, 4);
    for (int c = 0; c < 4; ++c) {
        w.Set(72 + c, c == 0 ? 60 : -20);  // points
        w.Set(80 + c, c == 0 ? 6 : -2);    // silver
        w.Set(snap::kResultWords + kRecordWords * c, c);
    }
    w.Set(405 + 1, 1);  // chair 1 is charged
    // The fan names, '|'-separated, then chair 0's counts of the first two.
    const std::string names = "花|平胡|三金倒|金雀|金龙|天胡|抢金" + std::string(25, '|');
    std::copy(names.begin(), names.end(), bytes.begin() + 340 * 4);
    w.Set(snap::kResultWords + 3 + 0, 12);
    w.Set(snap::kResultWords + 3 + 1, 10);
    return bytes;
}

// The framework seated at the table; a gallery is silent and has no chat.
class TableGallery::App : public client::CGameApp, public client::GameFrameAccess {
  public:
    explicit App(int own) : CGameApp("Qevo", 31201, 14, 0) {
        SetMainFrame(this);
        const uint32_t user = 101 + uint32_t(own);
        SetCommandLine("\"7|127.0.0.1|3|1|0|" + std::to_string(user) + "|5|" + std::to_string(own) +
                       "|0\"");
        ParseLaunchLine();
        client::HallTableState state;
        const char* const names[4] = {"东家", "南家", "西家", "北家"};
        for (int i = 0; i < 4; ++i) {
            client::PlayerRecord p;
            p.userId = 101 + uint32_t(i);
            p.chair = i;
            p.userName = names[i];
            state.seated.push_back(p);
        }
        state.table.seatedCount = 4;
        SetTableState(state);
    }
    void PlaySound(uint32_t, uint32_t) override {}
    platform::HWND Handle() const override { return {}; }
};

class TableGallery::AcceptingScene : public mahjong::CTableScene {
  public:
    using CTableScene::CTableScene;
    uint32_t RequestDiscardGetCode(int32_t) override { return mahjong::kReplyOk; }
};

TableGallery::TableGallery(int own, const std::string& assetDir)
    : app_(std::make_unique<App>(own)), frame_(std::make_unique<engine::CHostFrameWnd>()) {
    char pattern[] = "/tmp/qevo-table-gallery-XXXXXX";
    if (const char* made = mkdtemp(pattern)) folder_ = std::string(made) + "/";
    std::error_code failed;
    for (const char* sub : {mahjong::assets::kSkinsFolder, mahjong::assets::kSoundFolder})
        std::filesystem::create_directory_symlink(std::filesystem::path(assetDir) / sub,
                                                  folder_ + sub, failed);
    setenv("QEVO_PROGRAM_DIR", folder_.c_str(), 1);
    setenv("QEVO_HALL_DIR", "/nonexistent-qevo-hall", 1);
    logic_.SetLayoutWord(1, 4);
    scene_ = std::make_unique<AcceptingScene>(&logic_);
    scene_->SetPlayerCount(4);
    scene_->SetWallPlayerCount(4);
    // The resource manager outlives a table: an earlier table's pictures
    // go, so that this one loads its own.
    engine::ResourceManager& r = scene_->Resources();
    const auto drop = [&](const char* title) {
        if (const uint32_t id = r.GetImageIdByName(title)) r.FreeRes(id);
    };
    using Pictures = std::span<const mahjong::assets::Picture>;
    namespace assets = mahjong::assets;
    for (Pictures list : {Pictures(assets::kCommonPictures), Pictures(assets::kStylePictures),
                          Pictures(assets::kStylePacked)})
        for (const auto& pic : list)
            drop(pic.title);
    drop("正面");
}

TableGallery::~TableGallery() {
    view_.DestroyWindow();
    frame_->DestroyWindow();
    Pump();
    scene_.reset();
    unsetenv("QEVO_PROGRAM_DIR");
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

mahjong::CTableScene& TableGallery::Scene() {
    return *scene_;
}

platform::CWnd& TableGallery::Window() {
    return *frame_;
}

bool TableGallery::Open(int x, int y, Show show) {
    const platform::RECT area{x, y, x + 744, y + 710};
    if (!frame_->CreateEx(0, "牌桌", platform::WS_POPUP | platform::WS_VISIBLE, area, nullptr, 0))
        return false;
    if (!view_.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, 744, 710},
                        frame_.get(), 1) ||
        !view_.AttachEngine(scene_.get()))
        return false;
    // As the client starts it: the first sizing loads the settings.
    view_.OnInitialUpdate();
    // The table holds its round when the client enters it, so no start
    // button is offered.
    const int own = app_->GetOwnChair();
    const bool stored = show == Show::kDealt ? logic_.StoreRoundStart(DealtRoundStart())
                                             : WriteRoundInPlay(logic_.TableData(), own);
    if (!stored) return false;
    // Entering the table starts the view's timers: the game data, the game.
    platform::SendMessage(view_.GetSafeHwnd(), engine::kStartEngineTimers);
    mahjong::CTableScene& s = *scene_;
    if (!s.IsScreenReady()) return false;
    switch (show) {
        case Show::kDealt:
            s.OnRoundStart();
            s.RevealDealtHands();
            break;
        case Show::kInPlay:
        case Show::kSettlement:
            s.StartRoundDisplay();
            break;
    }
    s.RefreshEntities(100);
    // The settlement's panel over the round it ends.
    if (show == Show::kSettlement) {
        if (!logic_.StoreRoundResult(SelfDrawnResult())) return false;
        s.ShowSettlement();
    }
    return true;
}

int TableGallery::Pump() {
    return view_.PumpQueued();
}

int TableGallery::Run(int seconds) {
    return view_.RunMessageLoop(seconds);
}

}  // namespace table_gallery
