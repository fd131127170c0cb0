#include "platform/audio/audio.h"

#include <algorithm>
#include <utility>

#include "platform/paths.h"
#include "platform/program_resources.h"

namespace platform {
namespace {

// Sound files are small; music streams from its file and is not read here.
constexpr uint64_t kMaxSoundFileBytes = 64u << 20;
// Voices grow on demand up to this many.
constexpr int kMaxVoices = 256;

std::mutex g_audioLock;
std::shared_ptr<Audio> g_audio;

}  // namespace

Audio::Audio(std::unique_ptr<AudioBackend> backend) : backend_(std::move(backend)) {
    if (backend_) {
        backend_->SetVoiceCount(8);
        voices_.resize(size_t(std::max(backend_->VoiceCount(), 1)));
    }
}

Audio::~Audio() {
    if (!backend_) return;
    StopSound();
    FreeSamples();
    CloseMusic();
}

bool Audio::PlaySound(std::span<const uint8_t> wav, UINT flags) {
    std::lock_guard lock(mu_);
    if (wav.empty() || (flags & SND_PURGE)) {
        StopSoundLocked();
        return true;
    }
    return PlaySoundLocked(wav, flags);
}

bool Audio::PlaySoundLocked(std::span<const uint8_t> wav, UINT flags) {
    if (!backend_) return false;
    if (backend_->IsPlaying(kSoundVoice) && (flags & SND_NOSTOP)) return false;
    StopSoundLocked();
    sound_ = backend_->Load(wav);
    return sound_ && backend_->Play(kSoundVoice, sound_, (flags & SND_LOOP) != 0);
}

void Audio::StopSoundLocked() {
    if (!backend_) return;
    backend_->Halt(kSoundVoice);
    if (sound_) backend_->Free(std::exchange(sound_, 0));
}

// A missing file or resource plays nothing and leaves the sound that plays.
bool Audio::PlaySoundFile(std::string_view path, UINT flags) {
    const auto bytes = ReadFileBytes(path, kMaxSoundFileBytes);
    if (!bytes || bytes->empty()) return false;
    std::lock_guard lock(mu_);
    return PlaySoundLocked(*bytes, flags);
}

bool Audio::PlaySoundResource(uint32_t id, UINT flags) {
    const auto bytes = LoadProgramResource(ResourceType::kSound, id);
    if (!bytes || bytes->empty()) return false;
    std::lock_guard lock(mu_);
    return PlaySoundLocked(*bytes, flags);
}

void Audio::StopSound() {
    std::lock_guard lock(mu_);
    StopSoundLocked();
}

bool Audio::SoundPlaying() const {
    std::lock_guard lock(mu_);
    return backend_ && backend_->IsPlaying(kSoundVoice);
}

SampleHandle Audio::LoadSample(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mu_);
    if (!backend_ || bytes.empty()) return 0;
    const SoundId sound = backend_->Load(bytes);
    if (!sound) return 0;
    const SampleHandle handle = nextSample_++;
    samples_[handle] = sound;
    return handle;
}

SampleHandle Audio::LoadSampleFile(std::string_view path) {
    const auto bytes = ReadFileBytes(path, kMaxSoundFileBytes);
    return bytes ? LoadSample(*bytes) : 0;
}

int Audio::FreeVoice() {
    for (size_t v = 1; v < voices_.size(); ++v) {
        if (!backend_->IsPlaying(int(v))) return int(v);
    }
    if (int(voices_.size()) >= kMaxVoices) return -1;
    backend_->SetVoiceCount(std::min(int(voices_.size()) * 2, kMaxVoices));
    const size_t first = voices_.size();
    voices_.resize(size_t(std::max(backend_->VoiceCount(), 1)));
    return voices_.size() > first ? int(first) : -1;
}

bool Audio::PlaySample(SampleHandle sample) {
    std::lock_guard lock(mu_);
    if (!backend_) return false;
    auto it = samples_.find(sample);
    if (it == samples_.end()) return false;
    // The sample's playbacks still sounding, oldest first.
    int playing = 0;
    int oldest = -1;
    for (size_t v = 1; v < voices_.size(); ++v) {
        if (voices_[v].sample != sample || !backend_->IsPlaying(int(v))) continue;
        ++playing;
        if (oldest < 0 || voices_[v].start < voices_[size_t(oldest)].start) oldest = int(v);
    }
    const int voice = playing >= kPlaybacksPerSample ? oldest : FreeVoice();
    if (voice < 0) return false;
    if (voice == oldest) backend_->Halt(voice);
    if (!backend_->Play(voice, it->second, false)) return false;
    voices_[size_t(voice)] = {sample, ++starts_};
    return true;
}

void Audio::FreeSamples() {
    std::lock_guard lock(mu_);
    if (!backend_) return;
    for (size_t v = 1; v < voices_.size(); ++v) {
        if (voices_[v].sample) backend_->Halt(int(v));
        voices_[v] = {};
    }
    for (const auto& [handle, sound] : samples_)
        backend_->Free(sound);
    samples_.clear();
}

size_t Audio::SampleCount() const {
    std::lock_guard lock(mu_);
    return samples_.size();
}

bool Audio::OpenMusic(std::string_view path) {
    std::lock_guard lock(mu_);
    if (!backend_) return false;
    if (musicOpen_) backend_->CloseMusic();
    musicOpen_ = FileExists(path) && backend_->OpenMusic(ResolvePath(path));
    return musicOpen_;
}

bool Audio::PlayMusic() {
    std::lock_guard lock(mu_);
    return musicOpen_ && backend_->PlayMusic();
}

void Audio::RewindMusic() {
    std::lock_guard lock(mu_);
    if (musicOpen_) backend_->RewindMusic();
}

void Audio::CloseMusic() {
    std::lock_guard lock(mu_);
    if (musicOpen_) backend_->CloseMusic();
    musicOpen_ = false;
}

bool Audio::MusicOpen() const {
    std::lock_guard lock(mu_);
    return musicOpen_;
}

bool Audio::MusicPlaying() const {
    std::lock_guard lock(mu_);
    return musicOpen_ && backend_->MusicPlaying();
}

void SetAudio(std::shared_ptr<Audio> audio) {
    std::lock_guard lock(g_audioLock);
    g_audio = std::move(audio);
}

std::shared_ptr<Audio> GetAudio() {
    std::lock_guard lock(g_audioLock);
    if (!g_audio) g_audio = std::make_shared<Audio>();
    return g_audio;
}

}  // namespace platform
