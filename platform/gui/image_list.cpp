#include "platform/gui/image_list.h"

namespace platform {

bool CImageList::Create(int cx, int cy, COLORREF mask) {
    if (cx <= 0 || cy <= 0 || cx > 1024 || cy > 1024) return false;
    size_ = {cx, cy};
    mask_ = mask;
    images_.clear();
    return true;
}

int CImageList::Add(const Surface& picture) {
    if (size_.cx <= 0 || picture.Empty()) return -1;
    images_.emplace_back(size_.cx, size_.cy);
    Replace(int(images_.size()) - 1, picture);
    return int(images_.size()) - 1;
}

bool CImageList::Replace(int index, const Surface& picture) {
    if (index < 0 || index >= int(images_.size()) || picture.Empty()) return false;
    Surface& image = images_[size_t(index)];
    Painter painter(image);
    painter.StretchBlt(image.Bounds(), picture, picture.Bounds());
    return true;
}

bool CImageList::Remove(int index) {
    if (index < 0 || index >= int(images_.size())) return false;
    images_.erase(images_.begin() + index);
    return true;
}

const Surface* CImageList::Image(int index) const {
    return index >= 0 && index < int(images_.size()) ? &images_[size_t(index)] : nullptr;
}

bool CImageList::Draw(Painter& painter, int index, POINT at, UINT style) const {
    const Surface* image = Image(index);
    if (!image) return false;
    const RECT dest{at.x, at.y, at.x + size_.cx, at.y + size_.cy};
    if ((style & ILD_TRANSPARENT) && mask_ != CLR_INVALID) {
        painter.TransparentBlt(dest, *image, image->Bounds(), mask_);
    } else {
        painter.BitBlt(at.x, at.y, size_.cx, size_.cy, *image, 0, 0);
    }
    return true;
}

}  // namespace platform
