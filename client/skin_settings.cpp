#include "client/skin_settings.h"

#include <algorithm>

#include "client/client_utils.h"
#include "client/controls/icon_menu.h"
#include "client/picture_file.h"
#include "client/skin_library.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "transport/log.h"
#include "transport/util.h"

namespace client {
namespace {

std::string FolderOf(const std::string& file) {
    std::string folder;
    transport::GetPathParts(file, transport::kPathDrive | transport::kPathDirectory, folder);
    return folder;
}

}  // namespace

CSkinSettings::CSkinSettings(std::string iniPath) : iniPath_(std::move(iniPath)) {}

CSkinSettings::~CSkinSettings() = default;

void CSkinSettings::Load() {
    const std::string stored = platform::GetPrivateProfileString("SKIN", "Path", "", iniPath_, 260);
    if (!stored.empty() && platform::FileExists(stored)) {
        current_ = stored;
    } else {
        const std::string fallback = platform::ProgramDir() + "skins\\skin1\\skin.ini";
        if (platform::FileExists(fallback)) {
            SetSkinPath(fallback);
        } else {
            current_.clear();
        }
    }
    EnumSkins();
    if (!current_.empty()) SkinLibrary::Instance().Load(current_, 1);
}

void CSkinSettings::Unload() {
    if (current_.empty()) return;
    SkinLibrary::Instance().Unload();
    current_.clear();
}

void CSkinSettings::EnumSkins() {
    const std::string root = platform::ProgramDir() + "skins\\";
    std::vector<std::string> names;
    for (const auto& entry : platform::FindFiles(root + "*.*")) {
        if (entry.directory && platform::FileExists(root + entry.name + "\\skin.ini"))
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), platform::LessIgnoringAsciiCase);
    if (names.size() > kMaxSkins) {
        transport::LogPrintf("%zu skins installed; the first %zu are offered", names.size(),
                             kMaxSkins);
        names.resize(kMaxSkins);
    }
    skins_.clear();
    for (const std::string& name : names)
        skins_.push_back(root + name + "\\skin.ini");
}

void CSkinSettings::SetSkinPath(const std::string& path) {
    current_ = path;
    platform::WritePrivateProfileString("SKIN", "Path", path.c_str(), iniPath_);
}

bool CSkinSettings::HasSkin() const {
    return !current_.empty();
}

bool CSkinSettings::IsCurrentSkin(const std::string& path) const {
    return platform::GbkEqualsIgnoreCase(path, current_);
}

int CSkinSettings::FindCurrentSkinId() const {
    for (size_t i = 0; i < skins_.size(); ++i)
        if (IsCurrentSkin(skins_[i])) return int(i);
    return -1;
}

void CSkinSettings::FillSkinMenu(CIconMenu& popup) const {
    // The template's own item goes; the skins, a separator and the link
    // to more skins take its place.
    while (popup.GetMenuItemCount() > 0)
        popup.DeleteMenu(0, platform::MF_BYPOSITION);
    for (size_t i = 0; i < skins_.size(); ++i) {
        popup.AppendODMenuA(GetSkinName(skins_[i]),
                            IsCurrentSkin(skins_[i]) ? platform::MF_CHECKED : 0,
                            kSkinMenuFirst + uint32_t(i));
    }
    if (!skins_.empty()) popup.AppendODMenuA("", platform::MF_SEPARATOR, 0);
    popup.AppendODMenuA("更多皮肤...", 0, kSkinMenuMore);
}

uint32_t CSkinSettings::BuildSkinMenu(int x, int y, platform::CWnd* owner) {
    CIconMenu menu;
    CIconMenu* popup = menu.LoadMenu(kSkinMenuResource) ? menu.GetSubMenu(0) : nullptr;
    if (!popup) popup = &menu;
    FillSkinMenu(*popup);
    const int chosen = popup->TrackPopupMenu(
        platform::TPM_RIGHTALIGN | platform::TPM_LEFTBUTTON | platform::TPM_RETURNCMD, x, y, owner);
    menu.DestroyMenu();
    return uint32_t(std::max(chosen, 0));
}

std::string CSkinSettings::SkinOfCommand(uint32_t command) const {
    if (command < kSkinMenuFirst || command - kSkinMenuFirst >= skins_.size()) return {};
    return skins_[command - kSkinMenuFirst];
}

std::string CSkinSettings::GetSkinPath() const {
    return current_;
}

std::string CSkinSettings::GetSkinDir() const {
    return FolderOf(current_);
}

std::string CSkinSettings::GetJpgResource(const std::string& key) const {
    std::string name =
        platform::GetPrivateProfileString("JPGResource", key.c_str(), "", current_, 258);
    return GetSkinDir() + TrimSpaces(name);
}

std::string CSkinSettings::GetBitmapResource(const std::string& key) const {
    std::string name =
        platform::GetPrivateProfileString("BitmapResource", key.c_str(), "", current_, 258);
    return GetSkinDir() + TrimSpaces(name);
}

std::string CSkinSettings::GetSkinName(const std::string& skinFile) const {
    return platform::GetPrivateProfileString("SKIN", "Name", "方案", skinFile, 256);
}

platform::Icon CSkinSettings::GetSkinIcon(const std::string& skinFile) const {
    return LoadIconFile(FolderOf(skinFile) + "skin.ico");
}

platform::COLORREF CSkinSettings::GetColor(const std::string& section, const std::string& key,
                                           platform::COLORREF def) const {
    std::string text =
        platform::GetPrivateProfileString(section.c_str(), key.c_str(), "", current_, 64);
    return ParseRgb(TrimSpaces(text), def);
}

int CSkinSettings::SkinInt(const char* section, const char* key, int def) const {
    if (current_.empty()) return def;
    return int(platform::GetPrivateProfileInt(section, key, def, current_));
}

int CSkinSettings::GetDlgBarBKLeftWidth() const {
    return SkinInt("BitmapResource", "DlgBarBKLeftWidth", 0);
}

int CSkinSettings::GetAdvertLeft() const {
    return SkinInt("DLGBAR", "AdvertLeft", 3);
}

int CSkinSettings::GetAdvertTop() const {
    return SkinInt("DLGBAR", "AdvertTop", 3);
}

// A skin that gives no button size would make the buttons vanish.
int CSkinSettings::GetButtonWidth() const {
    const int width = SkinInt("DLGBAR", "BTNWidth", 0);
    return width > 0 ? width : kDefaultButtonWidth;
}

int CSkinSettings::GetButtonHeight() const {
    const int height = SkinInt("DLGBAR", "BTNHeight", 0);
    return height > 0 ? height : kDefaultButtonHeight;
}

int CSkinSettings::GetSplitterVerWidth() const {
    return SkinInt("SPLITTER", "VerWidth", 8);
}

int CSkinSettings::GetSplitterHorHeight() const {
    return SkinInt("SPLITTER", "HorHeight", 6);
}

void CSkinSettings::GetFrameColor(std::array<platform::COLORREF, 4>& colours) const {
    colours[0] = GetColor("FRAMECOLOR", "LeftIn", 0);
    colours[1] = GetColor("FRAMECOLOR", "LeftOut", 0x808080);
    colours[2] = GetColor("FRAMECOLOR", "RightIn", 0xC8D0D4);
    colours[3] = GetColor("FRAMECOLOR", "RightOut", 0xFFFFFF);
}

}  // namespace client
