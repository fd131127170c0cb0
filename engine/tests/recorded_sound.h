#pragma once
// Sounds written down instead of played: the process's audio becomes a
// recording one for the test's lifetime, and small WAV files whose level
// byte names them tell which sound played.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/recording_audio.h"
#include "platform/audio/tests/wav_image.h"

namespace engine::testing {

// A WAV image whose samples are all `level`: 1 ms by default.
inline std::vector<uint8_t> TaggedWav(uint8_t level, uint32_t samples = 8) {
    return platform::testing_support::WavImage(samples, level);
}

inline void WriteTaggedWav(const std::filesystem::path& path, uint8_t level) {
    std::filesystem::create_directories(path.parent_path());
    const std::vector<uint8_t> wav = TaggedWav(level);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
}

class RecordedSound {
  public:
    using Kind = platform::RecordingAudio::Event::Kind;
    RecordedSound() {
        auto backend = std::make_unique<platform::RecordingAudio>();
        recorder = backend.get();
        platform::SetAudio(std::make_shared<platform::Audio>(std::move(backend)));
    }
    ~RecordedSound() { platform::SetAudio(nullptr); }
    RecordedSound(const RecordedSound&) = delete;
    RecordedSound& operator=(const RecordedSound&) = delete;

    // The level bytes of the sounds played, in order.
    std::vector<uint8_t> Played() const {
        std::vector<uint8_t> tags;
        for (const auto& wav : recorder->Played())
            tags.push_back(wav.size() > 44 ? wav[44] : 0);
        return tags;
    }
    size_t Count(Kind kind) const {
        size_t n = 0;
        for (const auto& e : recorder->Events())
            n += e.kind == kind;
        return n;
    }

    platform::RecordingAudio* recorder = nullptr;
};

}  // namespace engine::testing
