#include "engine/resources/resource_manager.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "engine/resources/file_utils.h"
#include "engine/resources/hashes.h"
#include "engine/resources/image_load.h"
#include "pictures/res_log.h"
#include "engine/resources/script_host.h"
#include "platform/paths.h"

namespace engine {
namespace {

struct ExtensionRow {
    std::string_view category;
    std::vector<std::string_view> extensions;
};

const std::vector<ExtensionRow>& ExtensionRows() {
    static const std::vector<ExtensionRow> rows = {
        {".imge",
         {".pps", ".png", ".jpg", ".gif", ".bmp", ".mng", ".ico", ".tga", ".tif", ".pcx", ".wbmp",
          ".wmf"}},
        {".sound", {".mp3", ".wav", ".ogg", ".mid"}},
        {".text", {".txt", ".doc"}},
        {".ini", {".ini", ".jqi"}},
        {".vedio", {".avi", ".rm", ".rmvb", ".mpeg"}},
        {".script", {".jqs", ".lua"}},
        {".flash", {".swf", ".flv"}},
        {".http", {".htm", ".asp", ".html", ".aspx", ".jsp", ".php", ".cgi"}},
    };
    return rows;
}

std::string Format(const char* format, const std::string& arg) {
    char line[1024];
    std::snprintf(line, sizeof line, format, arg.c_str());
    return line;
}

// One owner: the block goes to its deleter, or is freed here without one.
void FreeBlock(std::unique_ptr<uint8_t[]> data, ResourceManager::MemDeleter deleter) {
    if (deleter) deleter(std::move(data));
}

}  // namespace

ResourceManager::ResourceManager() : root_(GetAppDir()), release_(&ResourceManager::FreeResData) {
    for (const ExtensionRow& row : ExtensionRows())
        for (std::string_view ext : row.extensions)
            extensions_.emplace(HashRS(ext), HashRS(row.category));
    ids_.reserve(10);
}

ResourceManager::~ResourceManager() {
    for (auto& [path, file] : packFiles_)
        std::fclose(file);
    packFiles_.clear();
    fontStore_.Destroy();
}

void ResourceManager::SetRoot(std::string_view dir) {
    root_ = std::string(dir.substr(0, 259));
}

// ---- Registration --------------------------------------------------------------

uint32_t ResourceManager::RegisterFile(std::string_view path, std::string_view name,
                                       std::string_view category, bool loadNow, int mode) {
    std::string full = name.empty() ? GetFileTitle(path) : std::string(name);
    full += category;
    std::string stored(path);
    if (mode == 1) {
        stored = root_ + stored;
        StrToLowerAscii(stored);
    }
    return AddResByName(full, stored, loadNow ? kResResident : 0, HashRS(category),
                        HashRS(GetFileExt(path)), 0, 0);
}

uint32_t ResourceManager::AddResByName(std::string_view name, std::string_view path, uint32_t flags,
                                       uint32_t categoryId, uint32_t extensionId, uint32_t offset,
                                       uint32_t size) {
    return AddRes(HashRS(name), HashJS(name), HashX31(name), name, path, flags, categoryId,
                  extensionId, offset, size);
}

uint32_t ResourceManager::AddRes(uint32_t rs, uint32_t js, uint32_t x31, std::string_view name,
                                 std::string_view path, uint32_t flags, uint32_t categoryId,
                                 uint32_t extensionId, uint32_t offset, uint32_t size) {
    // A name registered again replaces its record.
    const uint32_t rotations[3][3] = {{rs, js, x31}, {js, x31, rs}, {x31, rs, js}};
    for (const auto& r : rotations) {
        if (const uint32_t old = FindIdByKeys(r[0], r[1], r[2])) {
            FreeRes(old);
            break;
        }
    }
    const uint32_t* chosen = nullptr;
    for (const auto& r : rotations) {
        if (!IsIdUsed(r[0])) {
            chosen = r;
            break;
        }
    }
    if (!chosen) {
        char line[1024];
        std::snprintf(line, sizeof line, "资源名哈希冲突%.*s,resID:%u,key1:%u,key2:%u",
                      int(std::min<size_t>(name.size(), 900)), name.data(), rs, js, x31);
        ResLog("%s", line);
        ResFail(line);
        return 0;
    }
    ResRecord record;
    record.id = chosen[0];
    record.key1 = chosen[1];
    record.key2 = chosen[2];
    record.extensionId = extensionId;
    record.categoryId = categoryId;
    record.flags = flags;
    record.path = std::string(path);
    record.offset = offset;
    record.size = size;
    if (flags & kResResident) {
        if (!LoadRes(record)) {
            ResFail(record.path);
            return 0;
        }
    }
    const uint32_t id = record.id;
    table_.emplace(id, std::move(record));
    return id;
}

// ---- Lookup ----------------------------------------------------------------------

uint32_t ResourceManager::FindIdByKeys(uint32_t id, uint32_t key1, uint32_t key2) const {
    auto it = table_.find(id);
    if (it == table_.end() || it->second.key1 != key1 || it->second.key2 != key2) return 0;
    return id;
}

const ResRecord* ResourceManager::FindByName(std::string_view name) const {
    const uint32_t rs = HashRS(name), js = HashJS(name), x31 = HashX31(name);
    const uint32_t rotations[3][3] = {{rs, js, x31}, {js, x31, rs}, {x31, rs, js}};
    for (const auto& r : rotations) {
        if (r[0] == 0) continue;
        if (FindIdByKeys(r[0], r[1], r[2])) return &table_.at(r[0]);
    }
    return nullptr;
}

ResRecord* ResourceManager::FindByName(std::string_view name) {
    return const_cast<ResRecord*>(std::as_const(*this).FindByName(name));
}

uint32_t ResourceManager::FindIdByName(std::string_view name) const {
    const ResRecord* r = FindByName(name);
    return r ? r->id : 0;
}

uint32_t ResourceManager::GetImageIdByName(std::string_view title) const {
    return FindIdByName(std::string(title) + std::string(kImageCategory));
}

ResRecord* ResourceManager::LoadOnDemand(ResRecord* record) {
    if (!record || (record->flags & kResResident) || record->loaded) return record;
    if (!LoadRes(*record)) {
        ResFail(record->path);
        return nullptr;
    }
    return record;
}

ResRecord* ResourceManager::GetRecordById(uint32_t id) {
    auto it = table_.find(id);
    return LoadOnDemand(it == table_.end() ? nullptr : &it->second);
}

ResRecord* ResourceManager::GetResByName(std::string_view name) {
    std::lock_guard<std::recursive_mutex> guard(tableLock_);
    lockHeld_ = true;
    ResRecord* r = LoadOnDemand(FindByName(name));
    lockHeld_ = false;
    return r;
}

const std::vector<uint8_t>* ResourceManager::GetBytesById(uint32_t id) {
    ResRecord* r = GetRecordById(id);
    return r && r->bytes ? &*r->bytes : nullptr;
}

const std::vector<uint8_t>* ResourceManager::GetBytesByName(std::string_view name) {
    ResRecord* r = GetResByName(name);
    return r && r->bytes ? &*r->bytes : nullptr;
}

const ImageRecord* ResourceManager::GetImage(uint32_t id) {
    ResRecord* r = GetRecordById(id);
    return r ? r->image.get() : nullptr;
}

const ImageRecord* ResourceManager::GetImageByName(std::string_view title) {
    ResRecord* r = GetResByName(std::string(title) + std::string(kImageCategory));
    return r ? r->image.get() : nullptr;
}

const void* ResourceManager::GetCursor(std::string_view) const {
    return nullptr;
}

// ---- Loading -----------------------------------------------------------------------

bool ResourceManager::LoadRes(ResRecord& record) {
    if (record.image || record.bytes) {
        record.loaded = true;
        return true;
    }
    bool ok;
    if (record.categoryId == kResourceTypeIds.image) {
        ok = LoadImage(record);
    } else if (record.categoryId == kResourceTypeIds.script) {
        ok = LoadScript(record);
    } else if (record.categoryId == kResourceTypeIds.palette) {
        ok = LoadPalette(record);
    } else {
        // A missing raw file is not fatal: its data stays empty, the read has
        // written its log line.
        record.bytes = ReadPackRange(record);
        if (record.bytes) record.bytes->push_back(0);
        ok = true;
    }
    record.loaded = ok;
    return ok;
}

std::optional<std::vector<uint8_t>> ResourceManager::ReadPackRange(ResRecord& record) {
    FILE* file = nullptr;
    std::unique_ptr<FILE, int (*)(FILE*)> owned(nullptr, std::fclose);
    if (record.flags & kResInPack) {
        auto it = packFiles_.find(record.path);
        if (it == packFiles_.end()) {
            if (FILE* f = std::fopen(platform::ResolvePath(record.path).c_str(), "rb"))
                it = packFiles_.emplace(record.path, f).first;
        }
        if (it != packFiles_.end()) file = it->second;
    } else {
        owned.reset(std::fopen(platform::ResolvePath(record.path).c_str(), "rb"));
        file = owned.get();
    }
    if (!file) {
        ResLog("文件%s 打开失败!", record.path.c_str());
        return std::nullopt;
    }
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    const long length = std::ftell(file);
    if (length < 0) return std::nullopt;
    if (record.size == 0) record.size = uint32_t(std::min<long>(length, UINT32_MAX));
    // A range past the end of the file, or larger than any resource, is a
    // damaged record: reading it would give bytes that are not there.
    if (uint64_t(record.offset) + record.size > uint64_t(length) ||
        record.size > kMaxWholeFileBytes) {
        ResLog("文件%s 打开失败!", record.path.c_str());
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(record.size);
    if (std::fseek(file, long(record.offset), SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        ResLog("文件%s 打开失败!", record.path.c_str());
        return std::nullopt;
    }
    return bytes;
}

bool ResourceManager::LoadImage(ResRecord& record) {
    record.image = std::make_unique<ImageRecord>();
    ImageResourceInfo info;
    info.id = record.id;
    info.key1 = record.key1;
    info.key2 = record.key2;
    info.extensionId = record.extensionId;
    info.path = record.path;
    info.size = record.size;
    info.colorKey = record.colorKey;
    const int ok = LoadImageResource(
        info, [&] { return ReadPackRange(record); }, palettes_, *record.image);
    if (!ok) record.image.reset();
    return ok != 0;
}

bool ResourceManager::LoadScript(ResRecord& record) {
    if (!script_) return false;
    auto bytes = ReadPackRange(record);
    if (!bytes) return false;
    const std::string text(bytes->begin(), bytes->end());
    return script_->Compile(text) != -1;
}

bool ResourceManager::LoadPalette(ResRecord& record) {
    auto bytes = ReadPackRange(record);
    return bytes && palettes_.LoadQuad(*bytes);
}

// ---- Release ----------------------------------------------------------------------

void ResourceManager::FreeResData(ResRecord& record) {
    if (record.image) FreeImageData(*record.image);
    record.image.reset();
    record.bytes.reset();
    record.loaded = false;
    record.flags &= ~kResResident;
}

void ResourceManager::SetReleaseCallback(ReleaseCallback callback) {
    release_ = callback ? std::move(callback) : ReleaseCallback(&ResourceManager::FreeResData);
}

void ResourceManager::SetColorKey(uint32_t id, uint32_t colorKey) {
    auto it = table_.find(id);
    if (it == table_.end() || it->second.colorKey == colorKey) return;
    it->second.colorKey = colorKey;
    if (it->second.loaded) release_(it->second);
}

void ResourceManager::ReleaseById(uint32_t id) {
    auto it = table_.find(id);
    if (it != table_.end()) release_(it->second);
}

void ResourceManager::FreeRes(uint32_t id) {
    auto it = table_.find(id);
    if (it == table_.end()) return;
    release_(it->second);
    table_.erase(it);
}

void ResourceManager::Release() {
    if (refCount_ > 1) {
        --refCount_;
        return;
    }
    refCount_ = 0;
    if (soundState_ & kSoundStarted) ReleaseSounds();
    ids_.clear();
    for (auto& [id, record] : table_)
        release_(record);
    for (auto& [path, file] : packFiles_)
        std::fclose(file);
    packFiles_.clear();
    table_.clear();
    palettes_.Clear();
    FreeMemBlocks();
}

// ---- Tracked memory -----------------------------------------------------------------

void* ResourceManager::NewMemRes(size_t size, MemDeleter deleter) {
    uint8_t* data =
        size <= kMaxMemRes ? new (std::nothrow) uint8_t[std::max<size_t>(size, 1)] : nullptr;
    if (!data) {
        ResLog("ResourceManager::NewMemRes,内存申请失败");
        if (box_) box_("系统内存不足!请重新启动您的电脑。");
        if (quit_) quit_();
        return nullptr;
    }
    memBlocks_.push_front({std::unique_ptr<uint8_t[]>(data), size, deleter});
    return data;
}

size_t ResourceManager::FreeMemRes(void* data) {
    for (auto it = memBlocks_.begin(); it != memBlocks_.end(); ++it) {
        if (it->data.get() != data) continue;
        MemBlock block = std::move(*it);
        memBlocks_.erase(it);  // unlinked first: the deleter may call back
        FreeBlock(std::move(block.data), block.deleter);
        return block.size;
    }
    // Not ours: how it was allocated is unknown, so it is not freed here.
    if (data) ResLog("ResourceManager::FreeMemRes,未知内存块");
    return 0;
}

void ResourceManager::FreeMemBlocks() {
    std::list<MemBlock> blocks = std::move(memBlocks_);
    memBlocks_.clear();
    for (MemBlock& block : blocks)
        FreeBlock(std::move(block.data), block.deleter);
}

size_t ResourceManager::GetMemResBytes() const {
    size_t total = 0;
    for (const MemBlock& block : memBlocks_)
        total += block.size;
    return total;
}

// ---- Ids and failure --------------------------------------------------------------------

uint32_t ResourceManager::NewUniqueId() {
    const uint32_t id = ids_.empty() ? kFirstUniqueId : ids_.back() + 1;
    ids_.push_back(id);
    return id;
}

void ResourceManager::SetFailHandler(FailHandler handler) {
    fail_ = std::move(handler);
}

void ResourceManager::ResFail(const std::string& name) {
    if (fail_) {
        fail_(name);
        return;
    }
    DefaultFail(name);
}

void ResourceManager::DefaultFail(const std::string& name) {
    ResLog("资源载入错误:%s未找到", name.c_str());
    if (box_) box_(Format("资源:%s未能正确的载入,请重新下载游戏!", name));
    Release();
    std::exit(0);
}

ResourceManager& GetResourceManagerInstance() {
    // Never destroyed: built before the first font is opened, it would be
    // torn down after the font library at exit while still holding a font.
    // The system reclaims its memory and files.
    static ResourceManager& manager = *new ResourceManager();
    return manager;
}

}  // namespace engine
