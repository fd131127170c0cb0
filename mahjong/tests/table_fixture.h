#pragma once
// A real application seated at a table of 2-4 players (or watching one),
// and payloads built word by word.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "client/game_app.h"
#include "engine/resources/resource_manager.h"
#include "mahjong/app/snapshot_words.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/bytes.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/tests/source_path.h"

namespace platform {
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
}  // namespace platform

namespace mahjong::testing {

// Every scene registers its pictures with the process's one resource
// manager: a test, or a table within one, starts with none.
inline void ReleaseAllPictures() {
    engine::ResourceManager& resources = engine::GetResourceManagerInstance();
    while (resources.RefCount() > 1)
        resources.Release();
    resources.Release();
}
inline const bool kPicturesReleasedAfterEachTest = [] {
    struct Release : ::testing::EmptyTestEventListener {
        void OnTestEnd(const ::testing::TestInfo&) override { ReleaseAllPictures(); }
    };
    ::testing::UnitTest::GetInstance()->listeners().Append(new Release);
    return true;
}();

inline const char* const kNames[4] = {"东家", "南家", "西家", "北家"};
inline constexpr uint32_t kLookerId = 900;

// A request's payload as words.
inline std::vector<int32_t> WordsOf(const std::vector<uint8_t>& data) {
    std::vector<int32_t> out(data.size() / 4);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int32_t(platform::LoadLE32(&data[4 * i]));
    return out;
}

// A tile by suit, rank (1-9) and copy (0-3).
constexpr int32_t T(int suit, int rank, int copy) {
    return suit * 36 + copy * 9 + rank - 1;
}

// The picture against mahjong/tests/golden/`name`: the headless display
// draws the same pixels everywhere. QEVO_UPDATE_GOLDEN=1 writes it anew.
inline void ExpectGolden(const std::string& name, const platform::Surface& actual) {
    const std::string path = platform::testing_support::SourcePath("mahjong/tests/golden/" + name);
    if (std::getenv("QEVO_UPDATE_GOLDEN")) actual.SavePng(path);
    EXPECT_EQ(platform::testing_support::Mismatch(actual, platform::Surface::LoadPng(path), 0), 0.0)
        << name;
}

#ifdef QEVO_ASSET_DIR
// The generated skins and sounds, linked into the program folder `dir`.
inline void LinkAssets(const std::string& dir) {
    for (const char* folder : {assets::kSkinsFolder, assets::kSoundFolder})
        std::filesystem::create_directory_symlink(std::string(QEVO_ASSET_DIR "/") + folder,
                                                  std::filesystem::path(dir) / folder);
}
#endif

// Keeps the sounds played and the chat lines posted.
class RecordingApp : public client::CGameApp, public client::GameFrameAccess {
  public:
    RecordingApp() : CGameApp("Qevo", 31201, 14, 0) { SetMainFrame(this); }
    void PlaySound(uint32_t id, uint32_t flags) override { sounds.push_back({id, flags}); }
    platform::HWND Handle() const override { return {}; }
    bool HasChatView() const override { return true; }
    void AppendChatLine(const std::string& text) override { chat.push_back(text); }

    std::vector<std::pair<uint32_t, uint32_t>> sounds;
    std::vector<std::string> chat;
};

// `voiceKinds[i]`: word 17 of chair i's player record.
inline std::unique_ptr<RecordingApp> SeatApp(int own, int chairs = 4, bool looker = false,
                                             std::initializer_list<int32_t> voiceKinds = {}) {
    setenv("QEVO_HALL_DIR", "/nonexistent-qevo-hall", 1);
    auto app = std::make_unique<RecordingApp>();
    const uint32_t user = looker ? kLookerId : 101 + uint32_t(own);
    app->SetCommandLine("\"7|127.0.0.1|3|1|0|" + std::to_string(user) + "|5|" +
                        std::to_string(own) + "|" + (looker ? "1" : "0") + "\"");
    app->ParseLaunchLine();
    client::HallTableState state;
    auto kind = voiceKinds.begin();
    for (int i = 0; i < chairs; ++i) {
        client::PlayerRecord p;
        p.userId = 101 + uint32_t(i);
        p.chair = i;
        p.userName = kNames[i];
        if (kind != voiceKinds.end()) platform::StoreLE32(&p.image[17 * 4], uint32_t(*kind++));
        state.seated.push_back(p);
    }
    if (looker) {
        client::PlayerRecord p;
        p.userId = kLookerId;
        p.chair = own;
        p.lookerFlag = 1;
        p.userName = "看客";
        state.lookers.push_back(p);
    }
    state.table.seatedCount = uint32_t(chairs);
    app->SetTableState(state);
    return app;
}

// Little-endian words.
class Words {
  public:
    explicit Words(size_t n, int32_t fill = 0) : words_(n, fill) {}
    Words& Set(size_t i, int32_t v) {
        if (i >= words_.size()) words_.resize(i + 1);
        words_[i] = v;
        return *this;
    }
    Words& Resize(size_t n) {
        words_.resize(n);
        return *this;
    }
    int32_t& operator[](size_t i) { return words_.at(i); }
    size_t size() const { return words_.size(); }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out(words_.size() * 4);
        for (size_t i = 0; i < words_.size(); ++i)
            platform::StoreLE32(&out[4 * i], uint32_t(words_[i]));
        return out;
    }

  private:
    std::vector<int32_t> words_;
};

// An application, its round snapshot and this game's scene, seated.
struct Table {
    explicit Table(int own = 0, int chairs = 4, bool looker = false)
        : app(SeatApp(own, chairs, looker)), scene(&logic) {
        logic.SetLayoutWord(1, chairs);
        scene.SetPlayerCount(chairs);
        scene.SetWallPlayerCount(chairs);
    }
    // Stores a round start whose words are set by `fill`.
    template <typename F>
    void Start(F fill) {
        Words w(snap::kRoundStartWords);
        w[snap::kJokerA] = -1;
        w[snap::kJokerB] = -1;
        for (int i = 0; i < 32; ++i)
            w[53 + i] = -1;
        fill(w);
        logic.StoreRoundStart(w.Bytes());
    }

    std::unique_ptr<RecordingApp> app;
    CTableLogic logic;
    CTableScene scene;
};

}  // namespace mahjong::testing
