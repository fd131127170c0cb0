#pragma once
// Sound: the system's PlaySound (one sound at a time, SND_NOSTOP yielding
// to the one that plays), samples as the engine's audio library keeps them
// (at most three playbacks of one sample at once, a fourth replacing the
// one that has played longest) and one music track, opened from a file,
// played, rewound and closed, whose end the owner polls for.
//
// Audio is the front the program calls; an AudioBackend plays: SDL2_mixer,
// opened at run time (OpenSdlMixer), or the recorder tests use. Without a
// back end (no library, no device) every call answers "not played": the road
// the program takes when the audio library is absent. The process has one
// Audio, set at start-up (SetAudio); until then GetAudio answers an absent one.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace platform {

// PlaySound flags (Win32 values). Playback is always asynchronous, and no
// default sound ever stands in for a missing one.
constexpr UINT SND_SYNC = 0x0;
constexpr UINT SND_ASYNC = 0x1;
constexpr UINT SND_NODEFAULT = 0x2;
constexpr UINT SND_MEMORY = 0x4;
constexpr UINT SND_LOOP = 0x8;
constexpr UINT SND_NOSTOP = 0x10;
constexpr UINT SND_PURGE = 0x40;
constexpr UINT SND_FILENAME = 0x20000;
constexpr UINT SND_RESOURCE = 0x40004;

// A sound decoded by a back end; 0 is none.
using SoundId = uint32_t;
// A sample of Audio; 0 is none.
using SampleHandle = uint32_t;

class AudioBackend {
  public:
    virtual ~AudioBackend() = default;

    // Decodes a sound file's image (WAV; OGG and MP3 where the back end
    // reads them), copying what it needs; 0 when it cannot.
    virtual SoundId Load(std::span<const uint8_t> bytes) = 0;
    // Frees a sound; voices playing it stop.
    virtual void Free(SoundId sound) = 0;

    // Voices play one sound each; Play stops what played on the voice.
    virtual int VoiceCount() const = 0;
    virtual void SetVoiceCount(int count) = 0;
    virtual bool Play(int voice, SoundId sound, bool loop) = 0;
    virtual void Halt(int voice) = 0;
    virtual bool IsPlaying(int voice) const = 0;

    // One music track streamed from a file (an OS path).
    virtual bool OpenMusic(const std::string& osPath) = 0;
    virtual bool PlayMusic() = 0;  // once, from the start or where rewound to
    virtual void RewindMusic() = 0;
    virtual void CloseMusic() = 0;
    virtual bool MusicPlaying() const = 0;
};

class Audio {
  public:
    // At most this many playbacks of one sample sound at once.
    static constexpr int kPlaybacksPerSample = 3;
    // The voice PlaySound uses; samples use the others.
    static constexpr int kSoundVoice = 0;

    explicit Audio(std::unique_ptr<AudioBackend> backend = nullptr);
    ~Audio();
    Audio(const Audio&) = delete;
    Audio& operator=(const Audio&) = delete;

    bool Available() const { return backend_ != nullptr; }

    // PlaySound: SND_MEMORY plays a WAV image, SND_FILENAME a file,
    // SND_RESOURCE a program sound resource by number. A sound already
    // playing is stopped, or, with SND_NOSTOP, kept (the call answers false).
    // SND_LOOP repeats until the next call. False when nothing was played;
    // an empty image (PlaySound(NULL)) or SND_PURGE stops the sound.
    bool PlaySound(std::span<const uint8_t> wav, UINT flags);
    bool PlaySoundFile(std::string_view path, UINT flags);
    bool PlaySoundResource(uint32_t id, UINT flags);
    // PlaySound(NULL, ...) and SND_PURGE: stops the sound.
    void StopSound();
    bool SoundPlaying() const;

    // Samples from a file image or a file (client path); 0 when they do not
    // load. They stay until FreeSamples.
    SampleHandle LoadSample(std::span<const uint8_t> bytes);
    SampleHandle LoadSampleFile(std::string_view path);
    bool PlaySample(SampleHandle sample);
    // Stops every sample and frees them all.
    void FreeSamples();
    size_t SampleCount() const;

    // Music (client path). Opening closes a track that was open.
    bool OpenMusic(std::string_view path);
    bool PlayMusic();
    void RewindMusic();
    void CloseMusic();
    bool MusicOpen() const;
    // An open track that was played and has not ended.
    bool MusicPlaying() const;

  private:
    struct Voice {
        SampleHandle sample = 0;
        uint64_t start = 0;  // order of the playback's start
    };
    bool PlaySoundLocked(std::span<const uint8_t> wav, UINT flags);
    void StopSoundLocked();
    int FreeVoice();

    mutable std::mutex mu_;
    std::unique_ptr<AudioBackend> backend_;
    SoundId sound_ = 0;  // PlaySound's current sound
    std::map<SampleHandle, SoundId> samples_;
    SampleHandle nextSample_ = 1;
    std::vector<Voice> voices_;  // who plays on each voice
    uint64_t starts_ = 0;
    bool musicOpen_ = false;
};

// The process's audio: an absent one until set.
void SetAudio(std::shared_ptr<Audio> audio);
std::shared_ptr<Audio> GetAudio();

// SDL2_mixer loaded at run time from `library` on the default output device;
// null when the library or the device is missing, and then `why` says which
// (without `why`, standard error does).
inline constexpr const char* kSdlMixerLibrary = "libSDL2_mixer-2.0.so.0";
std::unique_ptr<AudioBackend> OpenSdlMixer(const char* library = kSdlMixerLibrary,
                                           std::string* why = nullptr);

}  // namespace platform
