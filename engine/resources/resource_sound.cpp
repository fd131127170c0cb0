// The resource manager's sound side: the sample library and the samples it
// has loaded, by name.

#include "engine/resources/file_utils.h"
#include "engine/resources/resource_manager.h"
#include "platform/program_resources.h"

namespace engine {

uint32_t ResourceManager::LoadBass() {
    if (sounds_) return 1;
    if (!soundOpener_) return 0;
    sounds_ = soundOpener_();
    if (!sounds_) return 0;
    soundState_ |= kSoundStarted;
    return 1;
}

void ResourceManager::ReleaseSounds() {
    if (sounds_) sounds_->FreeSamples();
    sounds_.reset();
    soundMap_.clear();
    soundState_ &= ~kSoundStarted;
}

uint32_t ResourceManager::FindSound(std::string_view name) const {
    if (!(soundState_ & kSoundStarted)) return 0;
    auto it = soundMap_.find(name);
    return it == soundMap_.end() ? 0 : it->second;
}

bool ResourceManager::PlaySample(uint32_t sample) {
    return sounds_ && sample != 0 && sounds_->PlaySample(sample);
}

uint32_t ResourceManager::LoadSoundResource(int id, std::string_view name, std::string_view) {
    if (!sounds_) return 0;
    const auto bytes =
        platform::LoadProgramResource(platform::ResourceType::kSound, uint32_t(id) & 0xFFFF);
    const uint32_t sample = bytes ? sounds_->LoadSample(*bytes) : 0;
    if (sample != 0) soundMap_.emplace(std::string(name), sample);
    return sample;
}

uint32_t ResourceManager::LoadSoundFile(std::string_view path) {
    if (!sounds_) return 0;
    const std::string extension = GetFileExt(path);
    uint32_t sample = 0;
    // Byte-wise: ".WAV" is no ".wav".
    const bool direct = extension == ".wav" || extension == ".mp3" || extension == ".ogg";
    if (direct || extension == ".sound") sample = sounds_->LoadSampleFile(path);
    if (sample == 0 && !direct && (extension.empty() || extension == ".sound")) {
        // The resource record of the same title, whose bytes the library
        // copies.
        if (ResRecord* record = GetResByName(GetFileTitle(path) + ".sound")) {
            if (const std::vector<uint8_t>* bytes = GetBytesById(record->id)) {
                // The stored bytes end with a NUL of their own.
                std::span<const uint8_t> data(*bytes);
                if (!data.empty()) data = data.first(data.size() - 1);
                sample = sounds_->LoadSample(data);
            }
            ReleaseById(record->id);
        }
    }
    if (sample != 0) soundMap_.emplace(std::string(path), sample);
    return sample;
}

}  // namespace engine
