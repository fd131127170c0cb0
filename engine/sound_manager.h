#pragma once
// The World's sound manager: effects from loose files of the table's sound
// folder, the built-in effects by resource id, and one piece of music looped
// by polling once per engine tick. Effects go through the sample library
// the resource manager opens (EnableBass) and, while it is not enabled,
// through the system's sound calls; music always through the platform's
// music track. Every call checks that the library is still open, so nothing
// reaches a released one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/resources/sound_library.h"

namespace engine {

class ResourceManager;

class SoundManager {
  public:
    // The resource manager that holds the sample library; null: effects use
    // the system's calls only.
    void SetResources(ResourceManager* resources) { resources_ = resources; }

    // The folder of the loose effect files, ending in its separator.
    void SetSoundDir(std::string_view folder) { soundFolder_ = folder; }
    const std::string& SoundDir() const { return soundFolder_; }
    // Opens the sample library; non-zero when effects go through it.
    uint32_t EnableBass();
    void DisableBass() { bassEnabled_ = false; }
    bool BassEnabled() const { return bassEnabled_; }

    // Samples by name (loaded on first use); 0 without the library.
    uint32_t GetSound(std::string_view name);
    uint32_t GetSystemSound(int id, std::string_view type);
    int PlayHandle(uint32_t sample);

    // Effects. While muted, nothing plays (and the int calls answer the
    // mute value).
    void PlayFile(std::string_view path);
    int PlaySystemSound(int id, std::string_view type);
    // A file of the sound folder.
    int PlayByName(std::string_view name);

    // Music: one file of the sound folder, opened, played, rewound and
    // closed; MciLoop restarts it once it has stopped (every interval + 1
    // ticks while it plays).
    void OpenMusic(std::string_view file);
    void MciOpen();
    void MciPlay();
    void MciClose();
    void MciRewind();
    void MciLoop();
    bool MusicOpen() const { return musicOpen_; }
    bool MusicPlaying() const { return musicPlaying_; }
    bool MusicLooping() const { return musicLooping_; }
    const std::string& MusicPath() const { return musicPath_; }

    // Run after every message pump.
    void MusicCheck() { MciLoop(); }
    size_t SoundCount() const;
    // When the World lets go: the music closes and the library is off.
    int Release();

    void SetMute(int mute) { mute_ = mute; }
    void SetVolume(int volume) { volume_ = volume; }
    void SetPollInterval(int ticks) { pollInterval_ = ticks; }

  private:
    bool LibraryLive() const;

    ResourceManager* resources_ = nullptr;
    bool musicOpen_ = false;
    bool musicPlaying_ = false;
    bool musicLooping_ = false;
    int volume_ = 50;
    int pollInterval_ = 100;
    int pollCountdown_ = 0;
    int mute_ = 0;
    std::string musicPath_;
    std::string soundFolder_;
    bool bassEnabled_ = false;
};

// The resource manager's sample library on the platform's audio; null when
// the platform has none.
std::unique_ptr<SoundLibrary> OpenPlatformSoundLibrary();

}  // namespace engine
