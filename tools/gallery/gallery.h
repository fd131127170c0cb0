#pragma once
// The gallery: the framework's skinned pieces in one window, for people to
// look at and for the golden pictures. The window shows the dialog bar with
// skin buttons (one disabled), a gradient, the face picker, a data list and
// the table cloth; beside it the wait dialog with its busy bar, and on
// demand the skin menu and a sliding notice popup.
//
// It needs the generated assets as the program folder, and a hall folder
// for the faces and portraits (see Open).

#include <functional>
#include <memory>
#include <string>

#include "client/controls/data_list_ctrl.h"
#include "client/controls/face_picker.h"
#include "client/controls/gradient_fill.h"
#include "client/controls/skin_button.h"
#include "client/framework_dialogs.h"
#include "client/game_app.h"
#include "client/notice_popup.h"
#include "client/skin_settings.h"

namespace gallery {

inline constexpr platform::SIZE kWindowSize{600, 400};
inline constexpr platform::POINT kWindowAt{20, 20};
// Where the pieces are, in the window's client area.
inline constexpr platform::RECT kFacePickerRect{300, 52, 540, 124};
inline constexpr platform::RECT kGradientRect{10, 52, 290, 124};
inline constexpr platform::RECT kListRect{10, 132, 590, 222};
inline constexpr platform::RECT kClothRect{10, 230, 250, 390};
// The wait dialog's place on the screen, over the window's lower right.
inline constexpr platform::POINT kWaitAt{kWindowAt.x + 270, kWindowAt.y + 300};
inline constexpr uint32_t kRequesterId = 1003;

// An application with a table of four (the requester of the notice popup
// among them) for names and portraits.
class GalleryApp : public client::CGameApp {
  public:
    GalleryApp();
    client::CSkinSettings* GetSkinSettings() override { return &skin_; }

  private:
    client::CSkinSettings skin_;
};

class Gallery {
  public:
    // The hall's folder holds Share/Image/face and portrait; `systemDir`
    // is where the machine-wide hall file is written for it.
    Gallery(std::string hallDir, std::string systemDir);
    ~Gallery();

    // Shows the window and the wait dialog in the skin of skins/<skin>.
    bool Open(const std::string& skin);
    void Close();
    // Runs `inside` while the skin menu is open, then closes it; answers the
    // command chosen (0 when `inside` only looked).
    uint32_t WithSkinMenuOpen(const std::function<void()>& inside);
    // The notice popup as the player list opens it; it slides with the clock.
    client::CNoticePopupDlg* OpenNoticePopup();

    platform::CWnd& Window();
    client::CWaitDlg& WaitDialog() { return *wait_; }
    // What the screen shows over the window's rectangle: the window, the
    // wait dialog and any menu, each from its own pixels.
    platform::Surface Compose() const;

  private:
    class Frame;
    std::unique_ptr<GalleryApp> app_;
    std::unique_ptr<Frame> frame_;
    std::unique_ptr<client::CWaitDlg> wait_;
};

}  // namespace gallery
