#pragma once
// What the engine asks of its sound manager. The World always has one; this
// silent one stands in until the application installs the real manager.

#include <cstddef>
#include <string_view>

namespace engine {

class SoundInterface {
  public:
    virtual ~SoundInterface() = default;
    // Plays a sound resource of the sound folder; 0 when nothing played.
    virtual int PlayByName(std::string_view name) {
        (void)name;
        return 0;
    }
    // Run after every message pump: restarts music that has stopped.
    virtual void MusicCheck() {}
    virtual size_t SoundCount() const { return 0; }
    // Closes music and the sample library when the World lets go of it.
    virtual int Release() { return 0; }
};

}  // namespace engine
