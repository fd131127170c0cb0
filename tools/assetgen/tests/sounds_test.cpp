// The generated voices, effects and music: every word the scene can ask a
// voice folder for is there and sounds, the voice kinds have folders to
// share out, and SDL2_mixer (the program's audio) plays all of it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/audio/audio.h"
#include "platform/bytes.h"
#include "platform/paths.h"
#include "rules/hand/tile.h"
#include "tools/assetgen/tests/generated.h"

namespace assetgen {
namespace {

namespace assets = mahjong::assets;
using testing::SoundFolder;

std::vector<uint8_t> Bytes(const std::string& path) {
    return platform::ReadFileBytes(path, 1 << 24).value_or(std::vector<uint8_t>());
}

struct Wave {
    bool pcm16Mono22050 = false;
    double seconds = 0, rms = 0;
};

// Reads the canonical 44-byte header the generator writes and the samples.
Wave ReadWave(const std::vector<uint8_t>& bytes) {
    platform::ByteReader r(bytes);
    Wave w;
    const auto riff = r.Bytes(4);
    r.Skip(4);
    const auto wave = r.Bytes(4);
    r.Skip(8);  // "fmt " and its length
    const uint16_t format = r.U16(), channels = r.U16();
    const uint32_t rate = r.U32();
    r.Skip(6);
    const uint16_t bits = r.U16();
    r.Skip(4);  // "data"
    const uint32_t size = r.U32();
    if (!r.ok() || std::string(riff.begin(), riff.end()) != "RIFF" ||
        std::string(wave.begin(), wave.end()) != "WAVE" || size > r.remaining())
        return w;
    w.pcm16Mono22050 = format == 1 && channels == 1 && rate == 22050 && bits == 16;
    double sum = 0;
    for (uint32_t i = 0; i < size / 2; ++i) {
        const double s = r.I16() / 32768.0;
        sum += s * s;
    }
    w.seconds = size / 2 / 22050.0;
    w.rms = size ? std::sqrt(sum / (size / 2)) : 0;
    return w;
}

void ExpectSpoken(const std::string& path) {
    SCOPED_TRACE(path);
    const Wave w = ReadWave(Bytes(path));
    EXPECT_TRUE(w.pcm16Mono22050);
    EXPECT_GT(w.seconds, 0.15);
    EXPECT_LT(w.seconds, 2.0);
    EXPECT_GT(w.rms, 0.05);
}

TEST(AssetSounds, EveryVoiceFolderSaysEveryOperationAndEveryTileOfTheWall) {
    ASSERT_FALSE(testing::Generated().empty());
    int kinds[2] = {0, 0};
    for (const char* folder : assets::kVoiceFolders) {
        ASSERT_TRUE(folder[0] == '0' || folder[0] == '1') << folder;
        ++kinds[folder[0] - '0'];
        for (const char* word : assets::kOperationVoices)
            ExpectSpoken(SoundFolder(folder) + word + ".wav");
        // The 144 tiles of the wall, by the number the scene names them with.
        for (int tile = 0; tile < 144; ++tile) {
            const int index = rules::TileIdToIndex(tile, 0);
            EXPECT_STRNE(rules::TileKindName(index), "") << tile;
            ExpectSpoken(SoundFolder(folder) + std::to_string(assets::TileVoiceNumber(index)) +
                         ".wav");
        }
    }
    // Two seats of one voice kind get voices of their own.
    EXPECT_GE(kinds[0], 2);
    EXPECT_GE(kinds[1], 2);
}

TEST(AssetSounds, EachVoiceFolderHasItsOwnVoice) {
    std::set<std::vector<uint8_t>> seen;
    for (const char* folder : assets::kVoiceFolders)
        EXPECT_TRUE(seen.insert(Bytes(SoundFolder(folder) + "peng0.wav")).second) << folder;
}

TEST(AssetSounds, TheMixerPlaysTheEffectsVoicesAndMusic) {
    // SDL's "dummy" driver takes the samples without a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::unique_ptr<platform::AudioBackend> mixer = platform::OpenSdlMixer();
    unsetenv("SDL_AUDIODRIVER");
    if (!mixer) GTEST_SKIP() << "SDL2_mixer cannot be opened here";
    for (int id : assets::kTableSounds) {
        const std::string path = testing::Generated() + "res/sound/" + std::to_string(id) + ".wav";
        EXPECT_TRUE(ReadWave(Bytes(path)).pcm16Mono22050) << id;
        EXPECT_NE(mixer->Load(Bytes(path)), 0u) << id;
    }
    EXPECT_NE(mixer->Load(Bytes(SoundFolder(assets::kVoiceFolders[0]) + "hu0.wav")), 0u);
    for (const char* style : assets::kStyles) {
        SCOPED_TRACE(style);
        ASSERT_TRUE(
            mixer->OpenMusic(platform::ResolvePath(SoundFolder(style) + assets::kMusicFile)));
        EXPECT_TRUE(mixer->PlayMusic());
        EXPECT_TRUE(mixer->MusicPlaying());
        mixer->CloseMusic();
    }
}

}  // namespace
}  // namespace assetgen
