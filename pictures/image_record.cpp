#include "engine/resources/image_record.h"

#include <array>

#include "engine/resources/hashes.h"
#include "engine/resources/palette.h"

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

std::string_view ImageTypeToExtension(uint32_t typeId) {
    static constexpr std::array<std::string_view, 12> kRows = {".pps", ".bmp", ".png",  ".gif",
                                                               ".jpg", ".ico", ".tga",  ".tif",
                                                               ".mng", ".pcx", ".wbmp", ".wmf"};
    for (std::string_view row : kRows) {
        if (HashRS(row) == typeId) return row;
    }
    return {};
}

bool ImageSizeAllowed(uint64_t width, uint64_t height, uint64_t frames) {
    if (width == 0 || height == 0 || frames == 0) return false;
    if (width > kMaxImageSide || height > kMaxImageSide) return false;
    return width * height * frames <= kMaxImagePixels;
}

}  // namespace engine
