// The sound manager on a recording audio back end: samples by name, the
// built-in sounds, the system road without the sample library, muting, the
// music loop, and a released library that is never called again.

#include "engine/sound_manager.h"

#include <gtest/gtest.h>

#include "engine/resources/resource_manager.h"
#include "engine/tests/recorded_sound.h"
#include "engine/tests/runtime_fixture.h"

namespace engine {
namespace {

using Kind = testing::RecordedSound::Kind;

class SoundTest : public testing::RuntimeTest {
  protected:
    SoundTest() {
        sounds_.SetResources(&resources_);
        sounds_.SetSoundDir(dir_.path() + "/sound/");
        resources_.SetSoundLibraryOpener(OpenPlatformSoundLibrary);
        for (const auto& [name, tag] : {std::pair{"sound/click.wav", 1},
                                        {"sound/bell.wav", 2},
                                        {"res/sound/29010.wav", 3},
                                        {"click.sound", 4},
                                        {"sound/music.wav", 5}})
            testing::WriteTaggedWav(dir_ / name, uint8_t(tag));
    }
    std::string File(const std::string& name) { return dir_.path() + "/sound/" + name; }

    testing::RecordedSound recorded_;
    SoundManager sounds_;
};

TEST_F(SoundTest, ASampleLoadsOnceAndPlaysThreeTimesAtOnce) {
    ASSERT_NE(sounds_.EnableBass(), 0u);
    // A whole second each, so that they overlap.
    const std::vector<uint8_t> long_wav = testing::TaggedWav(9, 8000);
    std::ofstream(File("long.wav"), std::ios::binary)
        .write(reinterpret_cast<const char*>(long_wav.data()), std::streamsize(long_wav.size()));
    sounds_.PlayFile(File("click.wav"));
    sounds_.PlayFile(File("click.wav"));
    EXPECT_EQ(sounds_.SoundCount(), 1u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sounds_.PlayByName("long.wav"), 1);
    EXPECT_EQ(recorded_.Count(Kind::kHalt), 0u);
    // The fourth takes the place of the one that has played longest.
    EXPECT_EQ(sounds_.PlayByName("long.wav"), 1);
    EXPECT_EQ(recorded_.Count(Kind::kHalt), 1u);
    EXPECT_EQ(recorded_.Played(), (std::vector<uint8_t>{1, 1, 9, 9, 9, 9}));
}

TEST_F(SoundTest, FilesAreTakenByTheirExactExtension) {
    ASSERT_NE(sounds_.EnableBass(), 0u);
    resources_.RegisterFile(dir_ / "click.sound", "click", ".sound", false, 0);
    struct Case {
        std::string path;
        bool loads;
    };
    const Case cases[] = {
        {File("click.wav"), true},
        {File("click.WAV"), false},            // not taken as a WAV, and no fall-back
        {"click", true},                       // the resource record click.sound
        {File("missing.sound"), false},        // no file, no record "missing.sound"
        {dir_.path() + "/click.sound", true},  // the file itself
    };
    for (const Case& c : cases)
        EXPECT_EQ(resources_.LoadSoundFile(c.path) != 0, c.loads) << c.path;
}

TEST_F(SoundTest, BuiltInSoundsGoByTheirNameOrBySystemCalls) {
    // Without the library: the system's call plays the resource.
    EXPECT_EQ(sounds_.PlaySystemSound(29010, "sound"), 1);
    // Muted, the mute value comes back and nothing plays.
    sounds_.SetMute(7);
    EXPECT_EQ(sounds_.PlaySystemSound(29010, "sound"), 7);
    EXPECT_EQ(sounds_.PlayByName("click.wav"), 7);
    sounds_.SetMute(0);
    ASSERT_NE(sounds_.EnableBass(), 0u);
    EXPECT_EQ(sounds_.PlaySystemSound(29010, "sound"), 1);
    EXPECT_EQ(sounds_.PlaySystemSound(29010, "sound"), 1);
    EXPECT_NE(resources_.FindSound("系统音效29010sound.sound"), 0u);
    EXPECT_EQ(sounds_.SoundCount(), 1u);
    EXPECT_EQ(sounds_.PlaySystemSound(29099, "sound"), 0);
    EXPECT_EQ(recorded_.Played(), (std::vector<uint8_t>{3, 3, 3}));
}

TEST_F(SoundTest, MusicRestartsOnTheFirstPollAfterItStopped) {
    sounds_.MciLoop();  // closed: nothing
    sounds_.OpenMusic("music.wav");
    sounds_.MciPlay();
    EXPECT_TRUE(sounds_.MusicPlaying());
    recorded_.recorder->EndMusic();
    // The first 100 ticks after the play do not look.
    for (int i = 0; i < 100; ++i)
        sounds_.MciLoop();
    EXPECT_EQ(recorded_.Count(Kind::kMusicRewind), 0u);
    sounds_.MciLoop();
    EXPECT_EQ(recorded_.Count(Kind::kMusicRewind), 1u);
    EXPECT_EQ(recorded_.Count(Kind::kMusicPlay), 2u);
    // Playing: the next poll finds it so and leaves it.
    for (int i = 0; i < 101; ++i)
        sounds_.MciLoop();
    EXPECT_EQ(recorded_.Count(Kind::kMusicPlay), 2u);
    EXPECT_EQ(sounds_.Release(), 1);
    EXPECT_FALSE(sounds_.MusicOpen());
    EXPECT_EQ(recorded_.Count(Kind::kMusicClose), 1u);
}

TEST_F(SoundTest, AReleasedLibraryIsNeverCalledAgain) {
    ASSERT_NE(sounds_.EnableBass(), 0u);
    EXPECT_EQ(sounds_.PlayByName("click.wav"), 1);
    resources_.ReleaseSounds();
    EXPECT_EQ(sounds_.SoundCount(), 0u);
    EXPECT_EQ(sounds_.PlayByName("click.wav"), 0);
    EXPECT_EQ(sounds_.PlaySystemSound(29010, "sound"), 0);
    sounds_.PlayFile(File("bell.wav"));
    EXPECT_EQ(recorded_.Played(), (std::vector<uint8_t>{1}));
    // Released with the World, the manager turns the library off.
    ASSERT_NE(sounds_.EnableBass(), 0u);
    sounds_.Release();
    EXPECT_FALSE(sounds_.BassEnabled());
}

TEST_F(SoundTest, AFolderPastTheOldBufferStillPlays) {
    ASSERT_NE(sounds_.EnableBass(), 0u);
    const std::string deep =
        dir_.path() + "/" + std::string(200, 'd') + "/" + std::string(100, 'e') + "/";
    ASSERT_GT(deep.size(), 300u);
    testing::WriteTaggedWav(deep + "bell.wav", 2);
    sounds_.SetSoundDir(deep);
    EXPECT_EQ(sounds_.PlayByName("bell.wav"), 1);
    sounds_.OpenMusic("bell.wav");
    EXPECT_EQ(sounds_.MusicPath(), deep + "bell.wav");
    EXPECT_EQ(recorded_.Played(), (std::vector<uint8_t>{2}));
}

}  // namespace
}  // namespace engine
