// The table scene's settings and pictures: the INI words it keeps, the
// common pictures, and a style's tiles, cloth, clock and bars, registered
// with the engine's resource manager under the titles the entities use.
#include <iterator>
#include <string_view>

#include "client/game_app.h"
#include "engine/resources/resource_manager.h"
#include "engine/screen_device.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace mahjong {
namespace {

constexpr std::string_view kLargeTitle = "正面大图";
constexpr std::string_view kSmallLargeTitle = "正面";
constexpr std::string_view kJokerFaceTitle = "财神正面";

// The program's INI file; empty without an application (defaults apply).
std::string IniPath() {
    const client::CGameApp* app = client::CGameApp::Current();
    return app ? app->GetIniPath() : std::string();
}

}  // namespace

void CMJTableScene::GetSkinFolder(std::string_view name) {
    GetAppDirFile(std::string(assets::kSkinsFolder) + "\\" + std::string(name));
}

void CMJTableScene::GetSoundFolder(std::string_view name) {
    GetWorld().Sound().SetSoundDir(platform::ProgramDir() + assets::kSoundFolder + "\\" +
                                   std::string(name) + "\\");
}

void CMJTableScene::LoadTileImages(std::string_view style) {
    GetSkinFolder(style);
    GetSoundFolder(style);
    // This game's level adds the small-screen face copy, the joker faces
    // and the packed pictures.
    const bool full = UsesJokerPictures();
    const bool large = Sizes().Large();
    constexpr size_t n = std::size(assets::kStylePictures);
    for (size_t i = 0; i < n; ++i) {
        const assets::Picture& p = assets::kStylePictures[i];
        const std::string_view title = p.title;
        if (!full && title.starts_with(kJokerFaceTitle)) continue;
        // The 800 and 1024 files of one picture stand side by side under one
        // title: the screen's width picks one.
        if (i + 1 < n && title == assets::kStylePictures[i + 1].title) {
            const assets::Picture& chosen = large ? assets::kStylePictures[i + 1] : p;
            LoadImageFile(chosen.file, 1, chosen.title, chosen.colorKey, false);
            if (full && title == kLargeTitle)
                LoadImageFile(p.file, 1, kSmallLargeTitle, p.colorKey, false);
            ++i;
            continue;
        }
        LoadImageFile(p.file, 1, p.title, p.colorKey, false);
    }
    if (!full) return;
    for (const assets::Picture& p : assets::kStylePacked)
        LoadImageFile(p.file, 1, p.title, p.colorKey, false);
}

void CMJTableScene::LoadSettings() {
    GetSkinFolder(assets::kCommonFolder);
    for (const assets::Picture& p : assets::kCommonPictures)
        LoadImageFile(p.file, 1, p.title, p.colorKey, false);
    for (uint32_t& group : buttonGroups_)
        group = NewIdRecord(NextEventId()).id;

    const std::string ini = IniPath();
    if (!ini.empty()) {
        for (size_t i = 0; i < styles_.size(); ++i) {
            const std::string key = "Style" + std::to_string(i);
            styles_[i] =
                platform::GetPrivateProfileString("SKIN", key.c_str(), "Classic", ini, 257);
        }
        currentStyle_ = int32_t(platform::GetPrivateProfileInt("SKIN", "Default", 0, ini));
        musicOn_ = int32_t(platform::GetPrivateProfileInt("GAMESET", "Music", 0, ini));
    }
    // The index picks one of three names: a hand-edited file may say anything.
    if (currentStyle_ < 0 || currentStyle_ >= int32_t(styles_.size())) currentStyle_ = 0;
    LoadTileImages(styles_[size_t(currentStyle_)]);

    SizeLogicalScreen();
}

void CTableScene::LoadSettings() {
    CMJTableScene::LoadSettings();
    if (const std::string ini = IniPath(); !ini.empty()) autoPlayer_.LoadSettings(ini);
}

void CMJTableScene::SaveOptions() {
    const std::string ini = IniPath();
    if (ini.empty()) return;
    platform::WritePrivateProfileString("SKIN", "Default", std::to_string(currentStyle_).c_str(),
                                        ini);
    platform::WritePrivateProfileString("GAMESET", "Music", std::to_string(musicOn_).c_str(), ini);
}

}  // namespace mahjong
