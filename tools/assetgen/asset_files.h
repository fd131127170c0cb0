#pragma once
// Writes the table's pictures under the names and sizes of the scene's
// index (mahjong/scene/asset_names.h): a picture whose size differs from its
// entry is refused with a message, so the index and the art cannot drift
// apart. BMP files are cut to the entry's colour key, PNG files keep their
// alpha, packed pictures (".pps") are coded with their alpha plane.

#include <span>
#include <string>
#include <vector>

#include "mahjong/scene/asset_names.h"
#include "platform/gui/surface.h"

namespace assetgen {

using mahjong::assets::Picture;

// The entry of `entries` named `file`; null when there is none.
const Picture* FindPicture(std::span<const Picture> entries, std::string_view file);

// `picture` holds the cells side by side and the frames one under another,
// as the entry says.
bool WritePicture(const std::string& folder, std::span<const Picture> entries,
                  std::string_view file, platform::Surface picture);
// A packed picture of several frames of the entry's cell size, each shown
// for `delayMs`.
bool WritePacked(const std::string& folder, std::span<const Picture> entries, std::string_view file,
                 const std::vector<platform::Surface>& frames, uint32_t delayMs);

}  // namespace assetgen
