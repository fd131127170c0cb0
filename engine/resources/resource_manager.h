#pragma once
// The scene engine's store of assets. Every asset is registered under a name
// (title followed by its category string, "TableCloth0.imge") and addressed
// afterwards by a 32-bit id made from the name's three hashes. Registration
// records where the bytes are; they are loaded on first use (decoded by
// category), kept until released, and loaded again on the next use. A
// resource that is needed and cannot be loaded is fatal: the failure handler
// (replaceable, for tests) logs, tells the user to download the game again
// and ends the program.
//
// The manager also owns the palette table, the shared rich-text FontStore,
// a list of tracked memory blocks and a list of unique ids.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/resources/font_store.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"
#include "pictures/palette.h"
#include "engine/resources/sound_library.h"

namespace engine {

class ScriptHost;

// Sound state bits.
inline constexpr uint32_t kSoundStarted = 1;  // the sample library is open

// Record flags.
inline constexpr uint32_t kResInPack = 4;     // the bytes lie in an open pack file
inline constexpr uint32_t kResResident = 16;  // loaded at registration

inline constexpr uint32_t kFirstUniqueId = 10000000;

struct ResRecord {
    uint32_t id = 0;
    uint32_t key1 = 0, key2 = 0;
    uint32_t extensionId = 0;
    uint32_t categoryId = 0;
    uint32_t flags = 0;
    std::string path;
    uint32_t offset = 0;
    uint32_t size = 0;  // 0: the whole file (measured by the first read)
    // The loaded form: an image for ".imge", bytes (plus one NUL) for raw
    // categories; scripts and palettes leave both empty.
    std::unique_ptr<ImageRecord> image;
    std::optional<std::vector<uint8_t>> bytes;
    bool loaded = false;                   // loaded since registration or the last release
    uint32_t colorKey = kDefaultColorKey;  // of an image: the colour that is transparent
};

class ResourceManager : public ImageProvider {
  public:
    using FailHandler = std::function<void(const std::string& name)>;
    using ReleaseCallback = std::function<void(ResRecord&)>;
    // A tracked block's deleter takes the block over: whatever it does not
    // keep is freed when its argument goes, and the manager frees nothing
    // after it, so a deleter cannot free a block twice.
    using MemDeleter = void (*)(std::unique_ptr<uint8_t[]> data);

    ResourceManager();
    ~ResourceManager() override;
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    void AddRef() { ++refCount_; }
    void Release();
    int32_t RefCount() const { return refCount_; }
    void SetRoot(std::string_view dir);
    const std::string& Root() const { return root_; }

    // Registration; the id (0 when a replaced failure handler returned).
    uint32_t RegisterFile(std::string_view path, std::string_view name, std::string_view category,
                          bool loadNow, int mode);
    uint32_t AddResByName(std::string_view name, std::string_view path, uint32_t flags,
                          uint32_t categoryId, uint32_t extensionId, uint32_t offset,
                          uint32_t size);
    uint32_t AddRes(uint32_t rs, uint32_t js, uint32_t x31, std::string_view name,
                    std::string_view path, uint32_t flags, uint32_t categoryId,
                    uint32_t extensionId, uint32_t offset, uint32_t size);

    // Lookup.
    uint32_t FindIdByName(std::string_view name) const;
    uint32_t FindIdByKeys(uint32_t id, uint32_t key1, uint32_t key2) const;
    bool IsIdUsed(uint32_t id) const { return table_.count(id) != 0; }
    uint32_t GetImageIdByName(std::string_view title) const;
    // Loaded on demand; null when no record has the id (or its load failed
    // under a failure handler that returns).
    ResRecord* GetRecordById(uint32_t id);
    ResRecord* GetResByName(std::string_view name);
    const std::vector<uint8_t>* GetBytesById(uint32_t id);
    const std::vector<uint8_t>* GetBytesByName(std::string_view name);
    const ImageRecord* GetImage(uint32_t id) override;
    const ImageRecord* GetImageByName(std::string_view title);
    const PaletteRecord* GetPaletteByName(std::string_view name) const {
        return palettes_.Find(name);
    }
    // The cursor table is filled by nothing: every name gives null.
    const void* GetCursor(std::string_view name) const;

    // The colour an image's pixels are transparent in (0xFF00FF unless
    // set); a loaded image is released so that its next use applies it.
    void SetColorKey(uint32_t id, uint32_t colorKey);

    // Release of single resources.
    void ReleaseById(uint32_t id);
    void FreeRes(uint32_t id);
    static void FreeResData(ResRecord& record);
    void SetReleaseCallback(ReleaseCallback callback);

    // Tracked memory: blocks freed through their deleter, or plainly without one.
    void* NewMemRes(size_t size, MemDeleter deleter);
    size_t FreeMemRes(void* data);
    void FreeMemBlocks();

    size_t GetResCount() const { return table_.size(); }
    size_t GetPaletteCount() const { return palettes_.size(); }
    size_t GetMemResBytes() const;
    FontStore& GetFontStore() { return fontStore_; }
    ScriptHost* GetScriptInterpreter() const { return script_; }
    void SetScriptInterpreter(ScriptHost* script) { script_ = script; }
    uint32_t GetFlags() const { return soundState_; }

    // ---- Sound: the sample library and the samples by name ----
    void SetSoundLibraryOpener(SoundLibraryOpener opener) { soundOpener_ = std::move(opener); }
    // Opens the library (once; non-zero while it is open).
    uint32_t LoadBass();
    // Stops and frees every sample, closes the library and forgets the names.
    void ReleaseSounds();
    bool SoundsLive() const { return sounds_ != nullptr; }
    // The sample registered under `name`; 0 without the library or name.
    uint32_t FindSound(std::string_view name) const;
    size_t GetSoundCount() const { return soundMap_.size(); }
    // A built-in sound by its program resource id, registered as `name`.
    uint32_t LoadSoundResource(int id, std::string_view name, std::string_view type);
    // A sound file (".wav", ".mp3", ".ogg"; ".sound" or no extension also
    // from the resource record of its title), registered under the path.
    uint32_t LoadSoundFile(std::string_view path);
    bool PlaySample(uint32_t sample);

    uint32_t NewUniqueId();
    void ClearIds() { ids_.clear(); }

    // The fatal path; the default logs, shows the box, releases everything
    // and ends the process with exit code 0.
    void SetFailHandler(FailHandler handler);
    void ResFail(const std::string& name);
    // Where the message boxes and the quit request go (the application).
    void SetMessageBox(std::function<void(const std::string& text)> box) { box_ = std::move(box); }
    void SetQuitRequest(std::function<void()> quit) { quit_ = std::move(quit); }

    // Reads the record's byte range (measuring the size when 0); nothing,
    // with the log line, when the file cannot be read.
    std::optional<std::vector<uint8_t>> ReadPackRange(ResRecord& record);

    bool TableLockHeld() const { return lockHeld_; }
    // Largest allocation NewMemRes grants.
    static constexpr size_t kMaxMemRes = size_t(256) << 20;

  private:
    struct MemBlock {
        std::unique_ptr<uint8_t[]> data;
        size_t size;
        MemDeleter deleter;
    };

    ResRecord* FindByName(std::string_view name);
    const ResRecord* FindByName(std::string_view name) const;
    ResRecord* LoadOnDemand(ResRecord* record);
    bool LoadRes(ResRecord& record);
    bool LoadImage(ResRecord& record);
    bool LoadScript(ResRecord& record);
    bool LoadPalette(ResRecord& record);
    void DefaultFail(const std::string& name);

    std::map<uint32_t, ResRecord> table_;
    std::map<uint32_t, uint32_t> extensions_;  // HashRS(extension) -> HashRS(category)
    std::map<std::string, FILE*, std::less<>> packFiles_;
    std::list<MemBlock> memBlocks_;
    PaletteTable palettes_;
    std::vector<uint32_t> ids_;
    FontStore fontStore_;
    std::string root_;
    ScriptHost* script_ = nullptr;
    int32_t refCount_ = 0;
    uint32_t soundState_ = 0;
    SoundLibraryOpener soundOpener_;
    std::unique_ptr<SoundLibrary> sounds_;
    std::map<std::string, uint32_t, std::less<>> soundMap_;
    std::recursive_mutex tableLock_;
    bool lockHeld_ = false;
    ReleaseCallback release_;
    FailHandler fail_;
    std::function<void(const std::string&)> box_;
    std::function<void()> quit_;
};

// The one manager, built on first use and kept until the process ends.
ResourceManager& GetResourceManagerInstance();

}  // namespace engine
