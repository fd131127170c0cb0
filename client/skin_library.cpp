#include "client/skin_library.h"

#include "client/client_utils.h"
#include "client/picture_file.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "transport/log.h"
#include "transport/util.h"

namespace client {

SkinLibrary& SkinLibrary::Instance() {
    static SkinLibrary* library = new SkinLibrary;  // outlives every window
    return *library;
}

bool SkinLibrary::Load(const std::string& skinFile, int /*flags*/) {
    std::lock_guard lock(mu_);
    bitmaps_.clear();
    skinFile_ = platform::FileExists(skinFile) ? skinFile : std::string();
    if (skinFile_.empty()) transport::LogPrintf("skin file \"%s\" not found", skinFile.c_str());
    return !skinFile_.empty();
}

bool SkinLibrary::Apply(const std::string& skinFile, int flags) {
    return Load(skinFile, flags);
}

void SkinLibrary::Unload() {
    std::lock_guard lock(mu_);
    skinFile_.clear();
    bitmaps_.clear();
}

bool SkinLibrary::Loaded() const {
    std::lock_guard lock(mu_);
    return !skinFile_.empty();
}

std::string SkinLibrary::SkinFile() const {
    std::lock_guard lock(mu_);
    return skinFile_;
}

void SkinLibrary::HookFrame(platform::HWND frame, uint32_t /*flags*/) {
    std::lock_guard lock(mu_);
    frame_ = frame;
}

void SkinLibrary::BeforePaneHidden(platform::HWND /*pane*/) {}

platform::HWND SkinLibrary::HookedFrame() const {
    std::lock_guard lock(mu_);
    return frame_;
}

std::shared_ptr<const platform::Surface> SkinLibrary::GetBitmap(std::string_view key) {
    std::lock_guard lock(mu_);
    if (skinFile_.empty() || key.empty()) return nullptr;
    if (auto it = bitmaps_.find(key); it != bitmaps_.end()) return it->second;
    std::string name = platform::GetPrivateProfileString("BitmapResource", std::string(key).c_str(),
                                                         "", skinFile_, 258);
    TrimSpaces(name);
    std::shared_ptr<const platform::Surface> bitmap;
    if (!name.empty()) {
        std::string folder;
        transport::GetPathParts(skinFile_, transport::kPathDrive | transport::kPathDirectory,
                                folder);
        auto picture = LoadPictureFile(folder + name);
        if (!picture.Empty())
            bitmap = std::make_shared<const platform::Surface>(std::move(picture));
    }
    bitmaps_.emplace(std::string(key), bitmap);
    return bitmap;
}

}  // namespace client
