#pragma once
// CSkinSettings: the current skin (a "skin.ini" in a folder under the
// program's "skins" folder), the list of installed skins, the skin menu,
// the choice kept as [SKIN] Path in the program's settings, and the answers
// the panes ask of the skin: pictures, sizes and colours.
//
// Skins are listed in name order ignoring case (the file system's order is
// no order), at most 64 of them: the skin menu's commands 20001-20064.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/icon.h"
#include "platform/gui/wnd.h"

namespace client {

class CIconMenu;

inline constexpr uint32_t kSkinMenuMore = 20000;  // "更多皮肤..."
inline constexpr uint32_t kSkinMenuFirst = 20001;
inline constexpr size_t kMaxSkins = 64;
inline constexpr uint32_t kSkinMenuResource = 131;
// Button sizes used when the skin gives none.
inline constexpr int kDefaultButtonWidth = 50;
inline constexpr int kDefaultButtonHeight = 36;

class CSkinSettings {
  public:
    // `iniPath`: the program's settings file, which keeps [SKIN] Path.
    explicit CSkinSettings(std::string iniPath);
    virtual ~CSkinSettings();

    // Slots, in order.
    virtual void Load();
    virtual void Unload();
    virtual void EnumSkins();
    virtual void SetSkinPath(const std::string& path);
    virtual bool HasSkin() const;
    virtual bool IsCurrentSkin(const std::string& path) const;
    virtual int FindCurrentSkinId() const;
    // Shows the skin menu with its right edge at (x, y); the command chosen
    // (20000 for more skins, 20001 + index for a skin) or 0.
    virtual uint32_t BuildSkinMenu(int x, int y, platform::CWnd* owner);
    virtual std::string GetSkinPath() const;
    virtual std::string GetSkinDir() const;
    virtual std::string GetJpgResource(const std::string& key) const;
    virtual std::string GetBitmapResource(const std::string& key) const;
    virtual std::string GetSkinName(const std::string& skinFile) const;
    virtual platform::Icon GetSkinIcon(const std::string& skinFile) const;
    virtual platform::COLORREF GetColor(const std::string& section, const std::string& key,
                                        platform::COLORREF def) const;
    virtual int GetDlgBarBKLeftWidth() const;
    virtual int GetAdvertLeft() const;
    virtual int GetAdvertTop() const;
    virtual int GetButtonWidth() const;
    virtual int GetButtonHeight() const;
    virtual int GetSplitterVerWidth() const;
    virtual int GetSplitterHorHeight() const;
    virtual void GetFrameColor(std::array<platform::COLORREF, 4>& colours) const;

    // The skin menu's items put into `popup` (the menu resource's popup):
    // one per skin, the current one checked, a separator, "更多皮肤...".
    void FillSkinMenu(CIconMenu& popup) const;
    // The installed skins' files, by menu index.
    const std::vector<std::string>& Skins() const { return skins_; }
    // The skin file of a menu command, or empty.
    std::string SkinOfCommand(uint32_t command) const;
    // The path the frame is about to apply.
    void SetPendingPath(std::string path) { pending_ = std::move(path); }
    const std::string& PendingPath() const { return pending_; }

  private:
    int SkinInt(const char* section, const char* key, int def) const;

    std::string iniPath_;
    std::string current_;
    std::string pending_;
    std::vector<std::string> skins_;
};

}  // namespace client
