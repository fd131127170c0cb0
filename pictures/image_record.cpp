#include "pictures/image_record.h"

#include "pictures/palette.h"

namespace engine {

uint32_t ImageRecord::BytesPerPixel() const {
    if (flags & kImagePaletted) return (flags & kImageAlpha) ? 2 : 1;
    return 4;
}

const uint8_t* ImageRecord::Palette() const {
    if (flags & kImageSharedPalette) return sharedPalette ? sharedPalette->Colors() : nullptr;
    return ownPalette.empty() ? nullptr : ownPalette.data();
}

void FreeImageData(ImageRecord& image) {
    image = ImageRecord{};
    image.colorKey = 0;
    image.flags = 0;
}

bool ImageSizeAllowed(uint64_t width, uint64_t height, uint64_t frames) {
    if (width == 0 || height == 0 || frames == 0) return false;
    if (width > kMaxImageSide || height > kMaxImageSide) return false;
    return width * height * frames <= kMaxImagePixels;
}

}  // namespace engine
