#include "engine/sound_manager.h"

#include <cstdio>

#include "engine/resources/resource_manager.h"
#include "platform/audio/audio.h"

namespace engine {
namespace {

// The system's calls: a file, or a resource, asynchronously, without
// stopping a sound that plays.
constexpr platform::UINT kFileFlags =
    platform::SND_FILENAME | platform::SND_NOSTOP | platform::SND_ASYNC;
constexpr platform::UINT kResourceFlags =
    platform::SND_RESOURCE | platform::SND_NOSTOP | platform::SND_ASYNC;

class PlatformSoundLibrary : public SoundLibrary {
  public:
    explicit PlatformSoundLibrary(std::shared_ptr<platform::Audio> audio)
        : audio_(std::move(audio)) {}
    uint32_t LoadSample(std::span<const uint8_t> bytes) override {
        return audio_->LoadSample(bytes);
    }
    uint32_t LoadSampleFile(std::string_view path) override { return audio_->LoadSampleFile(path); }
    bool PlaySample(uint32_t sample) override { return audio_->PlaySample(sample); }
    void FreeSamples() override { audio_->FreeSamples(); }

  private:
    std::shared_ptr<platform::Audio> audio_;
};

}  // namespace

std::unique_ptr<SoundLibrary> OpenPlatformSoundLibrary() {
    std::shared_ptr<platform::Audio> audio = platform::GetAudio();
    if (!audio || !audio->Available()) return nullptr;
    return std::make_unique<PlatformSoundLibrary>(std::move(audio));
}

bool SoundManager::LibraryLive() const {
    return bassEnabled_ && resources_ && resources_->SoundsLive();
}

uint32_t SoundManager::EnableBass() {
    const uint32_t opened = resources_ ? resources_->LoadBass() : 0;
    if (opened) bassEnabled_ = true;
    return opened;
}

uint32_t SoundManager::GetSound(std::string_view name) {
    if (!LibraryLive()) return 0;
    if (const uint32_t sample = resources_->FindSound(name)) return sample;
    return resources_->LoadSoundFile(name);
}

uint32_t SoundManager::GetSystemSound(int id, std::string_view type) {
    if (!LibraryLive()) return 0;
    char name[96];
    std::snprintf(name, sizeof name, "系统音效%d%.*s.sound", id,
                  int(std::min<size_t>(type.size(), 32)), type.data());
    if (const uint32_t sample = resources_->FindSound(name)) return sample;
    return resources_->LoadSoundResource(id, name, type);
}

int SoundManager::PlayHandle(uint32_t sample) {
    return LibraryLive() && resources_->PlaySample(sample) ? 1 : 0;
}

void SoundManager::PlayFile(std::string_view path) {
    if (mute_) return;
    if (bassEnabled_) {
        if (const uint32_t sample = GetSound(path)) PlayHandle(sample);
        return;
    }
    platform::GetAudio()->PlaySoundFile(path, kFileFlags);
}

int SoundManager::PlaySystemSound(int id, std::string_view type) {
    if (mute_) return mute_;
    if (bassEnabled_) {
        const uint32_t sample = GetSystemSound(id, type);
        return sample ? PlayHandle(sample) : 0;
    }
    return platform::GetAudio()->PlaySoundResource(uint32_t(id) & 0xFFFF, kResourceFlags) ? 1 : 0;
}

int SoundManager::PlayByName(std::string_view name) {
    if (mute_) return mute_;
    if (bassEnabled_) {
        // Folder and name joined whole, however long they are.
        const uint32_t sample = GetSound(soundFolder_ + std::string(name));
        return sample ? PlayHandle(sample) : 0;
    }
    return platform::GetAudio()->PlaySoundFile(name, kFileFlags) ? 1 : 0;
}

void SoundManager::OpenMusic(std::string_view file) {
    if (musicOpen_) MciClose();
    musicPath_ = soundFolder_ + std::string(file);
    MciOpen();
}

void SoundManager::MciOpen() {
    if (musicOpen_) return;
    platform::GetAudio()->OpenMusic(musicPath_);
    // A failed open still counts as open: play and the polls do nothing.
    musicOpen_ = true;
}

void SoundManager::MciPlay() {
    if (!musicOpen_) return;
    platform::GetAudio()->PlayMusic();
    musicPlaying_ = true;
    musicLooping_ = true;
    pollCountdown_ = pollInterval_;
}

void SoundManager::MciClose() {
    if (!musicOpen_) return;
    platform::GetAudio()->CloseMusic();
    musicPlaying_ = false;
    musicOpen_ = false;
    musicLooping_ = false;
}

void SoundManager::MciRewind() {
    platform::GetAudio()->RewindMusic();
}

void SoundManager::MciLoop() {
    if (!musicPlaying_ || !musicLooping_) return;
    if (pollCountdown_ > 0) {
        --pollCountdown_;
        return;
    }
    pollCountdown_ = pollInterval_;
    if (platform::GetAudio()->MusicPlaying()) return;
    musicPlaying_ = false;
    MciRewind();
    MciPlay();
}

size_t SoundManager::SoundCount() const {
    return resources_ ? resources_->GetSoundCount() : 0;
}

int SoundManager::Release() {
    const bool wasOpen = musicOpen_;
    MciClose();
    DisableBass();
    return wasOpen ? 1 : 0;
}

}  // namespace engine
