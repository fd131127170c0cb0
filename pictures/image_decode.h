#pragma once
// Turns a standard picture file (".bmp", ".png", ".gif", ".jpg", ".ico",
// ".tif", ".tga", ".pcx", ".wbmp") into an ImageRecord in the engine's pixel
// layout: paletted pictures keep their indices and palette, a transparent
// index or the colour key becomes the image's key, alpha is kept, and every
// frame of an animation is stored with its delay.

#include <cstdint>
#include <span>
#include <string_view>

#include "pictures/image_record.h"
#include "pictures/picture.h"

namespace engine {

// Decodes `bytes` by the extension's format into `image` (its id and colour
// key read on entry). 1 on success; 0 (image unchanged) when the extension is
// not in the table or the bytes do not decode.
int DecodeImage(std::span<const uint8_t> bytes, std::string_view extension, ImageRecord& image);


// The conversion DecodeImage applies to a decoded picture.
void PictureToImage(const Picture& picture, PictureFormat format, ImageRecord& image);

}  // namespace engine
