#include "engine/resources/image_load.h"

#include "engine/resources/file_utils.h"
#include "engine/resources/hashes.h"
#include "engine/resources/image_decode.h"
#include "engine/resources/pps.h"
#include "engine/resources/res_log.h"

namespace engine {

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
