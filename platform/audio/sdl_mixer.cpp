// The SDL2_mixer back end. The library is opened at run time, so a machine
// without it (or without an output device) runs the "no audio library" road
// instead of failing to start.

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/audio/audio.h"

namespace platform {
namespace {

// The entry points used, resolved by name.
struct MixerApi {
    decltype(&Mix_Init) init = nullptr;
    decltype(&Mix_Quit) quit = nullptr;
    decltype(&Mix_OpenAudio) openAudio = nullptr;
    decltype(&Mix_CloseAudio) closeAudio = nullptr;
    decltype(&Mix_AllocateChannels) allocateChannels = nullptr;
    decltype(&Mix_LoadWAV_RW) loadWavRw = nullptr;
    decltype(&Mix_FreeChunk) freeChunk = nullptr;
    decltype(&Mix_PlayChannelTimed) playChannelTimed = nullptr;
    decltype(&Mix_HaltChannel) haltChannel = nullptr;
    decltype(&Mix_Playing) playing = nullptr;
    decltype(&Mix_LoadMUS) loadMus = nullptr;
    decltype(&Mix_FreeMusic) freeMusic = nullptr;
    decltype(&Mix_PlayMusic) playMusic = nullptr;
    decltype(&Mix_HaltMusic) haltMusic = nullptr;
    decltype(&Mix_RewindMusic) rewindMusic = nullptr;
    decltype(&Mix_PlayingMusic) playingMusic = nullptr;

    bool Resolve(void* library) {
        bool ok = true;
        auto get = [&](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(library, name));
            ok = ok && slot;
        };
        get(init, "Mix_Init");
        get(quit, "Mix_Quit");
        get(openAudio, "Mix_OpenAudio");
        get(closeAudio, "Mix_CloseAudio");
        get(allocateChannels, "Mix_AllocateChannels");
        get(loadWavRw, "Mix_LoadWAV_RW");
        get(freeChunk, "Mix_FreeChunk");
        get(playChannelTimed, "Mix_PlayChannelTimed");
        get(haltChannel, "Mix_HaltChannel");
        get(playing, "Mix_Playing");
        get(loadMus, "Mix_LoadMUS");
        get(freeMusic, "Mix_FreeMusic");
        get(playMusic, "Mix_PlayMusic");
        get(haltMusic, "Mix_HaltMusic");
        get(rewindMusic, "Mix_RewindMusic");
        get(playingMusic, "Mix_PlayingMusic");
        return ok;
    }
};

class SdlMixerBackend final : public AudioBackend {
  public:
    explicit SdlMixerBackend(const MixerApi& api) : mix_(api) {}
    ~SdlMixerBackend() override {
        CloseMusic();
        mix_.haltChannel(-1);
        for (auto& [id, chunk] : chunks_)
            mix_.freeChunk(chunk);
        mix_.closeAudio();
        mix_.quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // The library stays loaded: its decoders' libraries keep state of
        // their own, and a later OpenSdlMixer finds it at once.
    }

    SoundId Load(std::span<const uint8_t> bytes) override {
        if (bytes.empty() || bytes.size() > size_t(INT32_MAX)) return 0;
        SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
        if (!rw) return 0;
        // Closed here: the mixer leaves it open when the bytes are no sound.
        Mix_Chunk* chunk = mix_.loadWavRw(rw, 0);
        SDL_RWclose(rw);
        if (!chunk) return 0;
        chunks_[++lastId_] = chunk;
        return lastId_;
    }

    void Free(SoundId sound) override {
        auto it = chunks_.find(sound);
        if (it == chunks_.end()) return;
        mix_.freeChunk(it->second);  // halts the voices that play it
        chunks_.erase(it);
    }

    int VoiceCount() const override { return mix_.allocateChannels(-1); }
    void SetVoiceCount(int count) override { mix_.allocateChannels(count); }

    bool Play(int voice, SoundId sound, bool loop) override {
        auto it = chunks_.find(sound);
        return it != chunks_.end() &&
               mix_.playChannelTimed(voice, it->second, loop ? -1 : 0, -1) == voice;
    }
    void Halt(int voice) override { mix_.haltChannel(voice); }
    bool IsPlaying(int voice) const override { return mix_.playing(voice) != 0; }

    bool OpenMusic(const std::string& osPath) override {
        CloseMusic();
        music_ = mix_.loadMus(osPath.c_str());
        return music_ != nullptr;
    }
    bool PlayMusic() override { return music_ && mix_.playMusic(music_, 1) == 0; }
    void RewindMusic() override {
        if (music_) mix_.rewindMusic();
    }
    void CloseMusic() override {
        if (!music_) return;
        mix_.haltMusic();
        mix_.freeMusic(music_);
        music_ = nullptr;
    }
    bool MusicPlaying() const override { return music_ && mix_.playingMusic() != 0; }

  private:
    MixerApi mix_;
    std::map<SoundId, Mix_Chunk*> chunks_;
    SoundId lastId_ = 0;
    Mix_Music* music_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioBackend> OpenSdlMixer(const char* library, std::string* why) {
    auto fail = [&](std::string reason) -> std::unique_ptr<AudioBackend> {
        if (why)
            *why = std::move(reason);
        else
            std::fprintf(stderr, "audio: %s, sounds are off\n", reason.c_str());
        return nullptr;
    };
    void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return fail(std::string("no ") + library);
    // Once opened the library stays loaded, as when it plays: its decoders'
    // libraries keep state of their own.
    MixerApi api;
    if (!api.Resolve(handle) || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return fail(std::string(library) + " cannot start");
    api.init(MIX_INIT_OGG | MIX_INIT_MP3);
    if (api.openAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        std::string reason = std::string("no output device (") + SDL_GetError() + ")";
        api.quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(std::move(reason));
    }
    return std::make_unique<SdlMixerBackend>(api);
}

}  // namespace platform
