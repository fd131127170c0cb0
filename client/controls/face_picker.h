#pragma once
// CFacePickerWnd: the grid of face buttons from which the player picks a
// face for the chat. Faces are the numbered bitmaps ("3.bmp", "12.bmp", ...)
// of the face folder, white being clear, with tool tips from the folder's
// "face.ini" [Remark]; ten a row, 24 pixels a cell. Picking one hides the
// picker and sends 0x81CA with the face number to the notify window.
//
// CImageDataObject::InsertBitmap puts a copy of a picture into a rich edit
// at its selection.

#include <memory>
#include <string>
#include <vector>

#include "client/controls/skin_button.h"
#include "platform/gui/image_list.h"
#include "platform/gui/rich_edit.h"
#include "platform/gui/wnd.h"

namespace client {

inline constexpr uint32_t kMsgFacePicked = 0x81CA;

class CFacePickerWnd : public platform::CWnd {
  public:
    static constexpr int kCell = 24;
    static constexpr int kPerRow = 10;
    static constexpr int kFaceSide = 20;
    static constexpr size_t kMaxFaces = 256;

    CFacePickerWnd();
    ~CFacePickerWnd() override;

    void SetNotifyWindow(platform::CWnd* window);
    // Faces load when the window is made; a later folder has no effect.
    void SetFaceFolder(std::string folder) { folder_ = std::move(folder); }
    void GetSize(int& width, int& height) const;
    int FaceCount() const { return int(buttons_.size()); }
    // The face number of button `index`, and the button.
    platform::UINT FaceNumber(int index) const;
    CSkinButton* FaceButton(int index) const;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void LoadFaces();
    void AddFace(platform::UINT number, const platform::Surface& picture);

    platform::HWND notify_;
    std::string folder_;
    platform::CImageList images_;
    std::vector<std::unique_ptr<CSkinButton>> buttons_;
};

class CImageDataObject {
  public:
    // The picture stays the caller's: the rich edit keeps its own copy.
    static void InsertBitmap(platform::CRichEditCtrl& edit, const platform::Surface& picture);
};

}  // namespace client
