#include "engine/resources/image_load.h"

#include <array>

#include "engine/resources/file_utils.h"
#include "engine/resources/hashes.h"
#include "pictures/image_decode.h"
#include "pictures/pps.h"
#include "pictures/res_log.h"

namespace engine {

std::string_view ImageTypeToExtension(uint32_t typeId) {
    static constexpr std::array<std::string_view, 12> kRows = {".pps", ".bmp", ".png",  ".gif",
                                                               ".jpg", ".ico", ".tga",  ".tif",
                                                               ".mng", ".pcx", ".wbmp", ".wmf"};
    for (std::string_view row : kRows) {
        if (HashRS(row) == typeId) return row;
    }
    return {};
}

int DecodeFile(std::string_view path, std::string_view extension, ImageRecord& image) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return 0;
    return DecodeImage(*bytes, extension, image);
}

int LoadImageResource(const ImageResourceInfo& info, const ImageRangeReader& readRange,
                      const PaletteTable& palettes, ImageRecord& image) {
    image = ImageRecord{};
    image.id = info.id;
    image.colorKey = info.colorKey;

    if (info.extensionId == kResourceTypeIds.pps) {
        auto bytes = readRange();
        return bytes && LoadPps(*bytes, image, palettes) != 0 ? 1 : 0;
    }
    if (info.size != 0) {
        auto bytes = readRange();
        if (!bytes || !DecodeImage(*bytes, ImageTypeToExtension(info.extensionId), image)) {
            ResLog("资源包图片%d,%d,%d加载失败!", int(info.id), int(info.key1), int(info.key2));
            return 0;
        }
        return 1;
    }
    std::string extension = GetFileExt(info.path);
    StrToLowerAscii(extension);
    if (!DecodeFile(info.path, extension, image)) {
        ResLog("图片%s加载失败!", info.path.c_str());
        return 0;
    }
    return 1;
}

}  // namespace engine
