#pragma once
// Pictures from files and program resources into the window system's
// surfaces and icons, decoded by the engine's readers (BMP, ICO, PNG, JPEG,
// GIF, TIFF, ...). Files are untrusted: what does not decode gives an empty
// picture (the reader logs why).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "pictures/picture.h"
#include "platform/gui/icon.h"
#include "platform/gui/surface.h"

namespace client {

// The format a file name's extension names (any case; ".jpeg" is JPEG).
std::optional<engine::PictureFormat> PictureFormatOfPath(std::string_view path);
// The first frame of a picture as 32-bit pixels with straight alpha.
platform::Surface PictureToSurface(const engine::Picture& picture);
platform::Surface DecodePicture(std::span<const uint8_t> bytes, engine::PictureFormat format);
// A picture file by its extension (any case; ".jpeg" is JPEG).
platform::Surface LoadPictureFile(std::string_view path);
// An icon file (".ico", or any picture with its own alpha).
platform::Icon LoadIconFile(std::string_view path);
// An icon drawn on a background colour (for lists that leave a mask colour out).
platform::Surface IconOnColour(const platform::Icon& icon, platform::COLORREF background);
// The program's icon and bitmap resources by number.
platform::Icon LoadIconResource(uint32_t id);
platform::Surface LoadBitmapResource(uint32_t id);

}  // namespace client
