#pragma once
// Loading an ".imge" resource into its ImageRecord: a ".pps" picture through
// the packed decoder (binding a shared palette), a range of a pack file by
// the registered extension, or a loose file by its own extension. The
// resource manager supplies the bytes of the record's range.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/image_record.h"

namespace engine {

class PaletteTable;

// What the manager knows of an image record.
struct ImageResourceInfo {
    uint32_t id = 0;
    uint32_t key1 = 0;
    uint32_t key2 = 0;
    uint32_t extensionId = 0;  // HashRS of the registered file extension
    std::string path;
    uint32_t size = 0;  // 0: the whole file, read by path
    uint32_t colorKey = kDefaultColorKey;
};

// Reads the record's byte range; nothing when the file cannot be read.
using ImageRangeReader = std::function<std::optional<std::vector<uint8_t>>()>;

// The extension (".pps", ".bmp", ...) whose HashRS is `typeId`, or "".
std::string_view ImageTypeToExtension(uint32_t typeId);

// Reads the whole file and decodes it by the extension's format; 0 when it
// cannot be read.
int DecodeFile(std::string_view path, std::string_view extension, ImageRecord& image);

// Makes `image` (id set, the info's colour key, flags 1) and fills it. 1 on success,
// 0 on failure, with the failure's log line written.
int LoadImageResource(const ImageResourceInfo& info, const ImageRangeReader& readRange,
                      const PaletteTable& palettes, ImageRecord& image);

}  // namespace engine
