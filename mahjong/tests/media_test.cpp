// Voices, music, the skin switch and the settlement panel, heard through
// the recording sound back end and read from a stored round result.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/tests/recorded_sound.h"
#include "mahjong/app/client_app.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/tests/client_fixture.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "rules/hand/tile.h"

namespace mahjong {
namespace {

using engine::testing::RecordedSound;
using engine::testing::WriteTaggedWav;
using testing::Words;
using Kind = RecordedSound::Kind;

// The client started in a program folder with one voice of each kind;
// every file's level byte names it: 1-13 the operation words of voice
// kind 0 (by code), 101-113 those of kind 1, 50 + the tile voice number of
// kind 0's tiles, 150 + ... of kind 1's. Chairs 0 and 2 speak with voice
// kind 1, 1 and 3 with kind 0.
class MediaTest : public testing::ClientFixture {
  protected:
    std::vector<const char*> Folders() const override { return {"res", "skins"}; }
    void BeforeStart() override {
        const char* words[] = {"peng0", "peng1", "gang0", "gang1", "gang2", "chi0",
                               "chi1",  "hu0",   "hu1",   "hua0",  "hua1"};
        for (int kind = 0; kind < 2; ++kind) {
            const std::filesystem::path voice =
                std::filesystem::path(ProgramDir()) / "sound" / (kind == 0 ? "0man" : "1woman");
            for (uint8_t i = 0; i < std::size(words); ++i)
                WriteTaggedWav(voice / (std::string(words[i]) + ".wav"),
                               uint8_t(100 * kind + i + 1));
            for (int32_t n : {1, 17, 35})
                WriteTaggedWav(voice / (std::to_string(n) + ".wav"), uint8_t(100 * kind + 50 + n));
        }
        WriteTaggedWav(ProgramDir() + "sound/Classic/default.mp3", 7);
    }
    void SetUp() override {
        Seat(0, false, [](client::HallTableState& state) {
            for (size_t chair = 0; chair < 4; ++chair)
                platform::StoreLE32(&state.seated[chair].image[17 * 4], chair % 2 == 0 ? 1 : 0);
        });
    }
    // The level bytes of what `act` played.
    template <typename F>
    std::vector<uint8_t> Heard(F act) {
        // The voice before has ended: a voice never cuts another off.
        sound_.recorder->FinishAll();
        const size_t before = sound_.Played().size();
        act();
        const std::vector<uint8_t> all = sound_.Played();
        return {all.begin() + ptrdiff_t(before), all.end()};
    }

    RecordedSound sound_;
};

TEST_F(MediaTest, OperationsAndTilesSpeakFromTheSeatsVoiceFolder) {
    // Own chair 0: view seat 3 is chair 0 (kind 1), seat 0 chair 1 (kind 0).
    struct Case {
        int32_t seat, code;
        std::vector<uint8_t> heard;
    };
    const Case cases[] = {
        {3, 0, {101}},                                // peng0
        {3, 1, {102}},                                // peng1
        {0, 2, {3}},   {0, 4, {3}},   {0, 6, {3}},    // gang0
        {0, 3, {4}},   {1, 5, {105}}, {1, 7, {105}},  // gang1, gang2
        {2, 8, {6}},   {2, 9, {7}},   {3, 10, {108}}, {3, 11, {109}},
        {0, 12, {10}}, {0, 13, {11}}, {0, 14, {}},  // no word
        {4, 0, {}},                                 // no seat
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Heard([&] { Scene().PlayOperationSound(c.seat, c.code); }), c.heard)
            << c.seat << " " << c.code;
    }
    // A tile's name: its kind's number.
    struct TileCase {
        int32_t seat, kind;
        uint8_t heard;
    };
    for (const TileCase& c : {TileCase{3, 1, 151}, TileCase{0, 17, 67}, TileCase{2, 35, 85}}) {
        const int32_t tile = rules::IndexToFirstTileId(c.kind, CTableScene::kRuleFlags);
        EXPECT_EQ(Heard([&] { Scene().PlayTileSound(c.seat, tile); }),
                  std::vector<uint8_t>{c.heard})
            << c.kind;
    }
    // The Silence option keeps the table quiet.
    platform::WritePrivateProfileString("GAMESET", "Silence", "1", app_->GetIniPath());
    app_->LoadSettings();
    EXPECT_TRUE(Heard([&] {
                    Scene().PlayOperationSound(3, 0);
                    Scene().PlayTileSound(3, rules::IndexToFirstTileId(1, CTableScene::kRuleFlags));
                }).empty());
}

TEST_F(MediaTest, MusicTogglesItsWordIsSavedAndTheSkinSwitchTakesTheNextUsableStyle) {
    engine::SoundManager& s = Scene().GetWorld().Sound();
    Scene().PlayMusic();
    EXPECT_TRUE(s.MusicPlaying());
    EXPECT_EQ(s.MusicPath(), ProgramDir() + "sound\\Classic\\default.mp3");
    EXPECT_EQ(Scene().MusicOn(), 1);
    Scene().SaveOptions();
    EXPECT_EQ(platform::GetPrivateProfileInt("GAMESET", "Music", -1, app_->GetIniPath()), 1u);
    Scene().PlayMusic();
    EXPECT_FALSE(s.MusicOpen());
    EXPECT_EQ(Scene().MusicOn(), 0);
    Scene().SaveOptions();
    EXPECT_EQ(platform::GetPrivateProfileInt("GAMESET", "Music", -1, app_->GetIniPath()), 0u);
    EXPECT_EQ(sound_.Count(Kind::kMusicPlay), 1u);
    EXPECT_EQ(sound_.Count(Kind::kMusicClose), 1u);
    // The skin switch takes the next usable style and restarts the music.
    struct Case {
        std::vector<const char*> styles;
        std::vector<int32_t> visits;  // the style after each press
    };
    const Case cases[] = {
        {{"Classic", "Classic", "Classic"}, {0, 0}},
        {{"A", "", "B"}, {2, 0, 2}},
        {{"A", "B", "C"}, {1, 2, 0}},
        {{"A", "A", "B"}, {2, 0}},
    };
    for (const Case& c : cases) {
        const std::string ini = app_->GetIniPath();
        for (size_t i = 0; i < 3; ++i)
            platform::WritePrivateProfileString("SKIN", ("Style" + std::to_string(i)).c_str(),
                                                c.styles[i], ini);
        platform::WritePrivateProfileString("SKIN", "Default", "0", ini);
        // A skin applied to the frame: the scene reads its styles again.
        Frame().ApplySplitterSkin();
        for (int32_t want : c.visits) {
            Scene().ChangeSkin();
            EXPECT_EQ(Scene().CurrentStyle(), want) << c.styles[0] << c.styles[1] << c.styles[2];
            EXPECT_EQ(Scene().GetWorld().Sound().SoundDir(),
                      ProgramDir() + "sound\\" + c.styles[size_t(want)] + "\\");
        }
    }
    // Music that plays moves to the new style's folder.
    Scene().PlayMusic();
    ASSERT_TRUE(Scene().ChangeSkin());
    EXPECT_TRUE(Scene().GetWorld().Sound().MusicPlaying());
    EXPECT_EQ(
        Scene().GetWorld().Sound().MusicPath(),
        ProgramDir() + "sound\\" + Scene().StyleName(Scene().CurrentStyle()) + "\\default.mp3");
}

}  // namespace

void PrintTo(const SettlementText& t, std::ostream* os) {
    *os << "{" << t.x << ", " << t.y << ", " << std::hex << t.color << std::dec << ", "
        << platform::GbkToUtf8(t.text) << "}";
}

namespace {

// A stored result: chair `winner` won (off `discarder`, -1 self-drawn) with
// the given fans; points and silver as listed.
std::vector<uint8_t> Result(int32_t flags, int32_t winner, int32_t discarder,
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

TEST(Settlement, EachChairsRowTheHeadLineAndThePanelPictureFollowTheResult) {
    using T = SettlementText;
    constexpr uint32_t W = kSettlementWhite, H = kSettlementHighlight;
    struct Case {
        const char* what;
        std::vector<uint8_t> result;
        std::vector<T> texts;
    };
    // clang-format off
    const Case cases[] = {
        {"a win off chair 3, banker 1, own chair 0, flowers and a plain hand",
         Result(0, 2, 3, {-10, 0, 30, -20}, {-1, 0, 15, -14}, {{0, 3}, {1, 30}}),
         {{18, 130, H, "东家"}, {249, 130, W, "-10积分"}, {327, 130, W, "-1银两"},
          {18, 149, W, "南家(庄)"}, {255, 149, W, "0积分"}, {330, 149, W, "0银两"},
          {18, 168, W, "西家"}, {160, 168, W, "胡"}, {252, 168, W, "30积分"}, {327, 168, W, "15银两"},
          {18, 187, W, "北家"}, {160, 187, W, "放冲"}, {249, 187, W, "-20积分"}, {324, 187, W, "-14银两"},
          {18, 63, H, "西家 赢30分，15两"}, {273, 72, W, "3花"}, {297, 72, W, "平胡"}}},
        {"self-drawn, robbed gold, the charged chair",
         Result(0, 0, -1, {90, -30, -30, -30}, {9, -3, -3, -3}, {{6, 30}}, 1),
         {{18, 130, H, "东家"}, {160, 130, W, "抢金"}, {252, 130, W, "90积分"}, {330, 130, W, "9银两"},
          {18, 149, W, "南家(庄)"}, {200, 149, W, "承包"}, {249, 149, W, "-30积分"}, {327, 149, W, "-3银两"},
          {18, 168, W, "西家"}, {249, 168, W, "-30积分"}, {327, 168, W, "-3银两"},
          {18, 187, W, "北家"}, {249, 187, W, "-30积分"}, {327, 187, W, "-3银两"},
          {18, 63, H, "东家 赢90分，9两"}, {285, 72, W, "抢金"}}},
        {"a drawn game: no winner, no fans",
         Result(snap::kResultNoWinner, -1, -1, {}, {}, {}),
         {{18, 130, H, "东家"}, {255, 130, W, "0积分"}, {330, 130, W, "0银两"},
          {18, 149, W, "南家(庄)"}, {255, 149, W, "0积分"}, {330, 149, W, "0银两"},
          {18, 168, W, "西家"}, {255, 168, W, "0积分"}, {330, 168, W, "0银两"},
          {18, 187, W, "北家"}, {255, 187, W, "0积分"}, {330, 187, W, "0银两"},
          {18, 63, W, "流局"}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::Table t;
        t.Start([](Words& w) { w.Set(snap::kBankerChair, 1); });
        ASSERT_TRUE(t.logic.StoreRoundResult(c.result));
        EXPECT_EQ(LayOutSettlement(t.scene.ReadSettlement()), c.texts);
    }
    // A looker's rows are all white.
    testing::Table looker(0, 4, true);
    ASSERT_TRUE(looker.logic.StoreRoundResult(cases[0].result));
    EXPECT_EQ(LayOutSettlement(looker.scene.ReadSettlement())[0].color, W);
}

// The panel over the round it ends, as the client shows it when the round's
// end arrives (QEVO_UPDATE_GOLDEN=1 writes it anew).
class SettlementPanelTest : public testing::ClientFixture {
  protected:
    void SetUp() override { Seat(0); }
};

TEST_F(SettlementPanelTest, TheRoundsEndShowsThePanelOverTheTable) {
    ASSERT_TRUE(Deal(testing::RoundStart(1, testing::InOrder(16, 1))
                         .Set(snap::kJokerA, -1)
                         .Set(snap::kJokerB, -1)));
    std::vector<uint8_t> end =
        Result(0, 2, 3, {-10, 0, 30, -20}, {-1, 0, 15, -14}, {{0, 3}, {1, 30}}, 1);
    for (int i = 0; i < 4 * 32; ++i)
        platform::StoreLE32(&end[4 * size_t(snap::kResultHands + i)], uint32_t(-1));
    ASSERT_TRUE(app_->GetNotifyHandler()->Dispatch(211080, end));
    Run(300);
    testing::ExpectGolden("settlement.png", Scene().Output());
}

}  // namespace
}  // namespace mahjong
