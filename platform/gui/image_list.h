#pragma once
// Image lists: pictures of one size (portraits, item icons) drawn by index,
// optionally leaving out a mask colour.

#include <vector>

#include "platform/gui/painter.h"
#include "platform/gui/surface.h"
#include "platform/win_types.h"

namespace platform {

constexpr UINT ILD_NORMAL = 0x0;
constexpr UINT ILD_TRANSPARENT = 0x1;

class CImageList {
  public:
    bool Create(int cx, int cy, COLORREF mask = CLR_INVALID);
    // Adds `picture` scaled to the list's size; answers its index or -1.
    int Add(const Surface& picture);
    bool Replace(int index, const Surface& picture);
    bool Remove(int index);
    int GetImageCount() const { return int(images_.size()); }
    SIZE GetImageSize() const { return size_; }
    COLORREF MaskColor() const { return mask_; }
    const Surface* Image(int index) const;
    // With ILD_TRANSPARENT the mask colour is left out.
    bool Draw(Painter& painter, int index, POINT at, UINT style = ILD_NORMAL) const;

  private:
    SIZE size_{};
    COLORREF mask_ = CLR_INVALID;
    std::vector<Surface> images_;
};

// ImageList_Draw.
inline bool ImageList_Draw(const CImageList& list, int index, Painter& painter, int x, int y,
                           UINT style) {
    return list.Draw(painter, index, {x, y}, style);
}

}  // namespace platform
