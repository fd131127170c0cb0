#pragma once
// What the resource manager needs of the audio library: samples loaded from
// a file or from memory (at most three playbacks of each at once, a fourth
// replacing the one that has played longest), played, and all stopped and
// freed at once. The engine fills it from the platform's audio, so this
// library never links the mixer.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace engine {

class SoundLibrary {
  public:
    virtual ~SoundLibrary() = default;
    // A sample handle, 0 when the bytes or the file do not load.
    virtual uint32_t LoadSample(std::span<const uint8_t> bytes) = 0;
    virtual uint32_t LoadSampleFile(std::string_view path) = 0;
    virtual bool PlaySample(uint32_t sample) = 0;
    // Stops every sample and frees them all.
    virtual void FreeSamples() = 0;
};

// Opens the library; null when it is absent (no mixer, no device).
using SoundLibraryOpener = std::function<std::unique_ptr<SoundLibrary>()>;

}  // namespace engine
