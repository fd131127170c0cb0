#include "pictures/picture.h"

#include "pictures/image_record.h"
#include "pictures/res_log.h"

namespace engine {

namespace picture_detail {

std::vector<uint8_t> GreyPalette(uint32_t count) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t v = uint8_t(count > 1 ? i * 255 / (count - 1) : 0);
        out.insert(out.end(), {v, v, v});
    }
    return out;
}

bool AnyAlpha(const std::vector<uint8_t>& bgra) {
    for (size_t i = 3; i < bgra.size(); i += 4) {
        if (bgra[i]) return true;
    }
    return false;
}

void MakeOpaque(std::vector<uint8_t>& bgra) {
    for (size_t i = 3; i < bgra.size(); i += 4)
        bgra[i] = 255;
}

}  // namespace picture_detail

std::optional<PictureFormat> FormatForExtension(std::string_view extension) {
    static constexpr struct {
        std::string_view ext;
        PictureFormat format;
    } kTable[] = {
        {".gif", PictureFormat::kGif}, {".bmp", PictureFormat::kBmp},
        {".png", PictureFormat::kPng}, {".jpg", PictureFormat::kJpg},
        {".ico", PictureFormat::kIco}, {".tif", PictureFormat::kTif},
        {".tga", PictureFormat::kTga}, {".mng", PictureFormat::kMng},
        {".pcx", PictureFormat::kPcx}, {".wbmp", PictureFormat::kWbmp},
        {".wmf", PictureFormat::kWmf},
    };
    for (const auto& row : kTable) {
        if (row.ext == extension) return row.format;
    }
    return std::nullopt;
}

namespace {

bool Validate(const Picture& p) {
    if (!ImageSizeAllowed(p.width, p.height, p.frames.size())) {
        ResLog("图片尺寸%ux%u,%zu帧不合理!", p.width, p.height, p.frames.size());
        return false;
    }
    const size_t pixels = size_t(p.width) * p.height;
    const uint32_t colours = p.colorCount();
    if (p.paletted && (colours < 1 || colours > 256 || p.palette.size() % 3)) {
        ResLog("图片调色板%u色不合理!", colours);
        return false;
    }
    if (p.paletted && p.transIndex >= int(colours)) {
        ResLog("图片透明色索引%d超出调色板!", p.transIndex);
        return false;
    }
    for (const PictureFrame& f : p.frames) {
        const bool sizesAgree =
            p.paletted ? f.index.size() == pixels &&
                             (p.alphaValid ? f.alpha.size() == pixels : f.alpha.empty())
                       : f.bgra.size() == pixels * 4;
        if (!sizesAgree) {
            ResLog("图片帧数据长度不符!");
            return false;
        }
        if (p.paletted) {
            for (uint8_t i : f.index) {
                if (i >= colours) {
                    ResLog("图片颜色索引%u超出调色板(%u色)!", i, colours);
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

bool ReadPicture(PictureFormat format, std::span<const uint8_t> bytes, Picture& out) {
    out = Picture{};
    bool ok = false;
    switch (format) {
        case PictureFormat::kBmp:
            ok = ReadBmp(bytes, out);
            break;
        case PictureFormat::kIco:
            ok = ReadIco(bytes, out);
            break;
        case PictureFormat::kTga:
            ok = ReadTga(bytes, out);
            break;
        case PictureFormat::kPcx:
            ok = ReadPcx(bytes, out);
            break;
        case PictureFormat::kWbmp:
            ok = ReadWbmp(bytes, out);
            break;
        case PictureFormat::kPng:
            ok = ReadPng(bytes, out);
            break;
        case PictureFormat::kJpg:
            ok = ReadJpeg(bytes, out);
            break;
        case PictureFormat::kGif:
            ok = ReadGif(bytes, out);
            break;
        case PictureFormat::kTif:
            ok = ReadTiff(bytes, out);
            break;
        case PictureFormat::kMng:
        case PictureFormat::kWmf:
            ResLog("图片格式%u不支持!", uint32_t(format));
            return false;
    }
    if (!ok || !Validate(out)) {
        out = Picture{};
        return false;
    }
    return true;
}

}  // namespace engine
