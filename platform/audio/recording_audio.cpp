#include "platform/audio/recording_audio.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>

#include "platform/bytes.h"
#include "platform/clock.h"

namespace platform {

int64_t RecordingAudio::WavDurationMicros(std::span<const uint8_t> bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return -1;
    }
    uint32_t byteRate = 0;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = LoadLE32(bytes.data() + at + 4);
        const uint8_t* body = bytes.data() + at + 8;
        const size_t room = bytes.size() - at - 8;
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && size >= 16 && room >= 16) {
            byteRate = LoadLE32(body + 8);
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            if (byteRate == 0) return -1;
            const uint64_t data = std::min<uint64_t>(size, room);
            return int64_t(data * 1'000'000 / byteRate);
        }
        at += 8 + size_t(size) + (size & 1);
    }
    return -1;
}

std::vector<RecordingAudio::Event> RecordingAudio::Events() const {
    std::lock_guard lock(mu_);
    return events_;
}

std::vector<std::vector<uint8_t>> RecordingAudio::Played() const {
    std::lock_guard lock(mu_);
    std::vector<std::vector<uint8_t>> played;
    for (const Event& e : events_)
        if (e.kind == Event::Kind::kPlay) played.push_back(e.sound);
    return played;
}

void RecordingAudio::Finish(int voice) {
    std::lock_guard lock(mu_);
    if (voice >= 0 && size_t(voice) < voices_.size()) voices_[size_t(voice)] = {};
}

void RecordingAudio::FinishAll() {
    std::lock_guard lock(mu_);
    for (Voice& v : voices_)
        v = {};
}

void RecordingAudio::EndMusic() {
    std::lock_guard lock(mu_);
    musicPlaying_ = false;
}

SoundId RecordingAudio::Load(std::span<const uint8_t> bytes) {
    const int64_t micros = WavDurationMicros(bytes);
    if (micros < 0) return 0;
    std::lock_guard lock(mu_);
    sounds_[++lastId_] = {{bytes.begin(), bytes.end()}, micros};
    return lastId_;
}

void RecordingAudio::Free(SoundId sound) {
    std::lock_guard lock(mu_);
    for (Voice& v : voices_)
        if (v.sound == sound) v = {};
    sounds_.erase(sound);
}

int RecordingAudio::VoiceCount() const {
    std::lock_guard lock(mu_);
    return int(voices_.size());
}

void RecordingAudio::SetVoiceCount(int count) {
    std::lock_guard lock(mu_);
    voices_.resize(size_t(std::max(count, 0)));
}

bool RecordingAudio::Play(int voice, SoundId sound, bool loop) {
    std::lock_guard lock(mu_);
    auto it = sounds_.find(sound);
    if (voice < 0 || size_t(voice) >= voices_.size() || it == sounds_.end()) return false;
    const int64_t now = CurrentClock().NowMicros();
    voices_[size_t(voice)] = {sound, loop ? INT64_MAX : now + it->second.micros};
    events_.push_back({Event::Kind::kPlay, voice, it->second.bytes, loop, {}});
    return true;
}

void RecordingAudio::Halt(int voice) {
    std::lock_guard lock(mu_);
    if (voice < 0 || size_t(voice) >= voices_.size()) return;
    const Voice& v = voices_[size_t(voice)];
    if (v.sound && CurrentClock().NowMicros() < v.end)
        events_.push_back({Event::Kind::kHalt, voice, {}, false, {}});
    voices_[size_t(voice)] = {};
}

bool RecordingAudio::IsPlaying(int voice) const {
    std::lock_guard lock(mu_);
    if (voice < 0 || size_t(voice) >= voices_.size()) return false;
    const Voice& v = voices_[size_t(voice)];
    return v.sound && CurrentClock().NowMicros() < v.end;
}

bool RecordingAudio::OpenMusic(const std::string& osPath) {
    std::lock_guard lock(mu_);
    std::error_code ec;
    musicOpen_ = std::filesystem::is_regular_file(osPath, ec);
    musicPlaying_ = false;
    events_.push_back({Event::Kind::kMusicOpen, -1, {}, false, osPath});
    return musicOpen_;
}

bool RecordingAudio::PlayMusic() {
    std::lock_guard lock(mu_);
    musicPlaying_ = musicOpen_;
    events_.push_back({Event::Kind::kMusicPlay, -1, {}, false, {}});
    return musicOpen_;
}

void RecordingAudio::RewindMusic() {
    std::lock_guard lock(mu_);
    events_.push_back({Event::Kind::kMusicRewind, -1, {}, false, {}});
}

void RecordingAudio::CloseMusic() {
    std::lock_guard lock(mu_);
    musicOpen_ = musicPlaying_ = false;
    events_.push_back({Event::Kind::kMusicClose, -1, {}, false, {}});
}

bool RecordingAudio::MusicPlaying() const {
    std::lock_guard lock(mu_);
    return musicPlaying_;
}

}  // namespace platform
