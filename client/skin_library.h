#pragma once
// The skin library's stand-in. The program calls the library at fixed
// moments: load the skin at start-up, apply a newly chosen one, unload it
// at exit, hook the main frame, and before a pane hides; and it fetches the
// skin's pictures by name. Our windows paint themselves from the skin
// settings, so the hooks only keep the handle they were given; what the
// library does besides is hand out the pictures of the skin's
// [BitmapResource] section, loaded once per skin.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/gui/surface.h"
#include "platform/win_types.h"

namespace client {

class SkinLibrary {
  public:
    static SkinLibrary& Instance();

    // Loading at start-up and applying a newly chosen skin (a "skin.ini");
    // false when the file does not exist (no skin is loaded then).
    bool Load(const std::string& skinFile, int flags);
    bool Apply(const std::string& skinFile, int flags);
    void Unload();
    bool Loaded() const;
    std::string SkinFile() const;

    // Hooks that matter only where the library paints windows itself.
    void HookFrame(platform::HWND frame, uint32_t flags);
    void BeforePaneHidden(platform::HWND pane);
    platform::HWND HookedFrame() const;

    // The picture named `key` in the skin's [BitmapResource] section (a
    // file beside the skin file); null without a skin, key or picture.
    std::shared_ptr<const platform::Surface> GetBitmap(std::string_view key);

  private:
    mutable std::mutex mu_;
    std::string skinFile_;
    platform::HWND frame_;
    std::map<std::string, std::shared_ptr<const platform::Surface>, std::less<>> bitmaps_;
};

}  // namespace client
