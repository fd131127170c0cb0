#pragma once
// A back end that plays nothing and writes down what it is asked, for
// tests. Only WAV images load; a sound lasts as long as its data says on the
// process clock (tests drive it) or until Finish; a looped one until halted.
// Music plays from an open file until EndMusic.

#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/audio.h"

namespace platform {

class RecordingAudio final : public AudioBackend {
  public:
    struct Event {
        enum class Kind { kPlay, kHalt, kMusicOpen, kMusicPlay, kMusicRewind, kMusicClose };
        Kind kind = Kind::kPlay;
        int voice = -1;
        std::vector<uint8_t> sound;  // kPlay: the file image played
        bool loop = false;
        std::string path;  // kMusicOpen
    };

    // Every event so far, and the sounds played (oldest first).
    std::vector<Event> Events() const;
    std::vector<std::vector<uint8_t>> Played() const;
    // Ends a voice's sound, every voice's, or the music.
    void Finish(int voice);
    void FinishAll();
    void EndMusic();
    // The length of a WAV image in microseconds; -1 when it is not one.
    static int64_t WavDurationMicros(std::span<const uint8_t> bytes);

    SoundId Load(std::span<const uint8_t> bytes) override;
    void Free(SoundId sound) override;
    int VoiceCount() const override;
    void SetVoiceCount(int count) override;
    bool Play(int voice, SoundId sound, bool loop) override;
    void Halt(int voice) override;
    bool IsPlaying(int voice) const override;
    bool OpenMusic(const std::string& osPath) override;
    bool PlayMusic() override;
    void RewindMusic() override;
    void CloseMusic() override;
    bool MusicPlaying() const override;

  private:
    struct Sound {
        std::vector<uint8_t> bytes;
        int64_t micros = 0;
    };
    struct Voice {
        SoundId sound = 0;
        int64_t end = 0;  // clock micros; INT64_MAX while looping
    };

    mutable std::mutex mu_;
    std::vector<Event> events_;
    std::map<SoundId, Sound> sounds_;
    SoundId lastId_ = 0;
    std::vector<Voice> voices_;
    bool musicOpen_ = false;
    bool musicPlaying_ = false;
};

}  // namespace platform
