#include "platform/audio/audio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/audio/recording_audio.h"
#include "platform/audio/tests/wav_image.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/tests/temp_dir.h"

namespace platform {
namespace {

using Kind = RecordingAudio::Event::Kind;

// A WAV image of `ms` milliseconds: 8 kHz, mono, 8 bits, one level.
std::vector<uint8_t> Wav(int ms, uint8_t level = 0x80) {
    return testing_support::WavImage(uint32_t(ms) * 8, level);
}

struct Recorded {
    Recorded() {
        auto backend = std::make_unique<RecordingAudio>();
        rec = backend.get();
        audio = std::make_unique<Audio>(std::move(backend));
    }
    std::vector<std::pair<Kind, int>> Log() const {
        std::vector<std::pair<Kind, int>> log;
        for (const auto& e : rec->Events())
            log.emplace_back(e.kind, e.voice);
        return log;
    }
    ManualClock clock;
    ScopedClock scoped{clock};
    RecordingAudio* rec;
    std::unique_ptr<Audio> audio;
};

TEST(AudioTest, PlaySoundStopsTheSoundThatPlaysUnlessNoStopKeepsIt) {
    Recorded r;
    const auto a = Wav(100, 1), b = Wav(50, 2);
    EXPECT_TRUE(r.audio->PlaySound(a, SND_MEMORY | SND_ASYNC | SND_NOSTOP));
    EXPECT_FALSE(r.audio->PlaySound(b, SND_MEMORY | SND_NOSTOP));  // a still plays
    r.clock.AdvanceMillis(100);
    EXPECT_FALSE(r.audio->SoundPlaying());
    EXPECT_TRUE(r.audio->PlaySound(b, SND_MEMORY | SND_NOSTOP));  // a has ended
    EXPECT_TRUE(r.audio->PlaySound(a, SND_MEMORY));               // b is stopped
    EXPECT_EQ(r.rec->Played(), (std::vector<std::vector<uint8_t>>{a, b, a}));
    EXPECT_EQ(r.Log(),
              (std::vector<std::pair<Kind, int>>{
                  {Kind::kPlay, 0}, {Kind::kPlay, 0}, {Kind::kHalt, 0}, {Kind::kPlay, 0}}));
    r.audio->PlaySound({}, SND_PURGE);
    EXPECT_FALSE(r.audio->SoundPlaying());
    // What does not decode, or a missing file, plays nothing.
    EXPECT_FALSE(r.audio->PlaySound(std::vector<uint8_t>{'n', 'o'}, SND_MEMORY));
    EXPECT_FALSE(r.audio->PlaySoundFile("/no/such/file.wav", SND_FILENAME));
}

TEST(AudioTest, ASampleSoundsThreeTimesAtOnceAndAFourthReplacesTheOldest) {
    Recorded r;
    const SampleHandle click = r.audio->LoadSample(Wav(200));
    const SampleHandle bell = r.audio->LoadSample(Wav(200));
    ASSERT_NE(click, 0u);
    EXPECT_EQ(r.audio->SampleCount(), 2u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(r.audio->PlaySample(click));
        r.clock.AdvanceMillis(10);
    }
    EXPECT_TRUE(r.audio->PlaySample(bell));
    EXPECT_TRUE(r.audio->PlaySample(click));  // halts the first playback, reuses its voice
    EXPECT_EQ(r.Log(), (std::vector<std::pair<Kind, int>>{{Kind::kPlay, 1},
                                                          {Kind::kPlay, 2},
                                                          {Kind::kPlay, 3},
                                                          {Kind::kPlay, 4},
                                                          {Kind::kHalt, 1},
                                                          {Kind::kPlay, 1}}));
    // Once they have ended, voices are free again and nothing is halted;
    // more at once than the first eight voices hold make more.
    r.clock.AdvanceMillis(300);
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(r.audio->PlaySample(i % 4 ? r.audio->LoadSample(Wav(200)) : bell));
    EXPECT_EQ(r.rec->VoiceCount(), 16);
    EXPECT_EQ(r.Log().size(), 18u);
    EXPECT_FALSE(r.audio->PlaySample(4242));
    EXPECT_EQ(r.audio->LoadSample(std::vector<uint8_t>{1, 2, 3}), 0u);
    r.audio->FreeSamples();
    EXPECT_EQ(r.audio->SampleCount(), 0u);
    EXPECT_FALSE(r.audio->PlaySample(click));
}

TEST(AudioTest, SoundsComeFromFilesAndProgramResources) {
    Recorded r;
    testing::TempDir dir;
    std::filesystem::create_directories(dir / "res/sound");
    const auto wav = Wav(20, 7);
    dir.Write("res/sound/29014.wav", std::string(wav.begin(), wav.end()));
    setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    EXPECT_TRUE(r.audio->PlaySoundResource(29014, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT));
    EXPECT_FALSE(r.audio->PlaySoundResource(29099, SND_RESOURCE));
    EXPECT_TRUE(r.audio->PlaySoundFile(dir / "res/sound/29014.wav", SND_FILENAME));
    EXPECT_NE(r.audio->LoadSampleFile(dir / "res/sound/29014.wav"), 0u);
    EXPECT_EQ(r.rec->Played(), (std::vector<std::vector<uint8_t>>{wav, wav}));
    unsetenv("QEVO_PROGRAM_DIR");
}

TEST(AudioTest, MusicOpensPlaysEndsAndCloses) {
    Recorded r;
    testing::TempDir dir;
    dir.Write("default.mp3", "music");
    EXPECT_FALSE(r.audio->OpenMusic(dir / "missing.mp3"));
    EXPECT_FALSE(r.audio->PlayMusic());
    ASSERT_TRUE(r.audio->OpenMusic(dir / "default.mp3"));
    EXPECT_TRUE(r.audio->PlayMusic());
    EXPECT_TRUE(r.audio->MusicPlaying());
    r.rec->EndMusic();
    EXPECT_FALSE(r.audio->MusicPlaying());  // what the owner polls for
    r.audio->RewindMusic();
    EXPECT_TRUE(r.audio->PlayMusic());
    r.audio->CloseMusic();
    EXPECT_FALSE(r.audio->MusicOpen());
    EXPECT_EQ(r.Log(), (std::vector<std::pair<Kind, int>>{{Kind::kMusicOpen, -1},
                                                          {Kind::kMusicPlay, -1},
                                                          {Kind::kMusicRewind, -1},
                                                          {Kind::kMusicPlay, -1},
                                                          {Kind::kMusicClose, -1}}));
}

TEST(AudioTest, WithoutALibraryOrADeviceNothingPlaysAndTheReasonIsTold) {
    // The library, SDL_AUDIODRIVER and the reason told.
    const char* cases[][3] = {
        {"libqevo-no-such-mixer.so.0", "", "no libqevo-no-such-mixer.so.0"},
        {"libSDL2_mixer-2.0.so.0", "qevo-no-such-driver", "libSDL2_mixer-2.0.so.0 cannot start"}};
    for (const auto& [library, driver, reason] : cases) {
        if (*driver) setenv("SDL_AUDIODRIVER", driver, 1);
        std::string why;
        EXPECT_EQ(OpenSdlMixer(library, &why), nullptr) << library;
        unsetenv("SDL_AUDIODRIVER");
        // Without the library installed, the second case fails the first way.
        EXPECT_TRUE(why == reason || why.rfind("no ", 0) == 0) << why;
    }
    Audio absent;
    EXPECT_FALSE(absent.Available());
    EXPECT_FALSE(absent.PlaySound(Wav(10), SND_MEMORY));
    EXPECT_EQ(absent.LoadSample(Wav(10)), 0u);
    EXPECT_FALSE(absent.OpenMusic("/"));
    EXPECT_FALSE(GetAudio()->Available());  // the process's until one is set
}

TEST(AudioTest, SdlMixerPlaysOnSdlsSilentDriver) {
    // SDL's "dummy" driver takes the samples without a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::unique_ptr<AudioBackend> mixer = OpenSdlMixer();
    unsetenv("SDL_AUDIODRIVER");
    if (!mixer) GTEST_SKIP() << "SDL2_mixer is not installed";
    Audio audio(std::move(mixer));
    const SampleHandle tone = audio.LoadSample(Wav(2000));
    ASSERT_NE(tone, 0u);
    EXPECT_EQ(audio.LoadSample(std::vector<uint8_t>{1, 2, 3, 4}), 0u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(audio.PlaySample(tone));
    EXPECT_TRUE(audio.PlaySound(Wav(2000), SND_MEMORY));
    EXPECT_FALSE(audio.PlaySound(Wav(10), SND_MEMORY | SND_NOSTOP));
    audio.StopSound();
    EXPECT_FALSE(audio.SoundPlaying());
}

}  // namespace
}  // namespace platform
