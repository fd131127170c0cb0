#include "client/picture_file.h"

#include "platform/paths.h"
#include "platform/program_resources.h"
#include "platform/text.h"

namespace client {
namespace {

// Pictures of the client are small; a larger file is not one of them.
constexpr uint64_t kMaxPictureBytes = 64u << 20;

}  // namespace

std::optional<engine::PictureFormat> PictureFormatOfPath(std::string_view path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    std::string ext(path.substr(dot));
    for (char& c : ext)
        c = platform::AsciiToLower(c);
    if (ext == ".jpeg") ext = ".jpg";
    return engine::FormatForExtension(ext);
}

namespace {

platform::Surface DecodeResource(platform::ResourceType type, uint32_t id,
                                 engine::PictureFormat format) {
    const auto bytes = platform::LoadProgramResource(type, id);
    return bytes ? DecodePicture(*bytes, format) : platform::Surface();
}

}  // namespace

platform::Surface PictureToSurface(const engine::Picture& picture) {
    if (picture.frames.empty() || (picture.paletted && picture.colorCount() == 0)) return {};
    const engine::PictureFrame& frame = picture.frames.front();
    platform::Surface out(int(picture.width), int(picture.height));
    const size_t pixels = size_t(picture.width) * picture.height;
    uint32_t* dst = out.Data();
    for (size_t i = 0; i < pixels; ++i) {
        if (picture.paletted) {
            const size_t index = i < frame.index.size() ? frame.index[i] : 0;
            const uint8_t* rgb =
                &picture.palette[std::min<size_t>(index, picture.colorCount() - 1) * 3];
            uint32_t alpha = i < frame.alpha.size() ? frame.alpha[i] : 255;
            if (int(index) == picture.transIndex) alpha = 0;
            dst[i] = alpha << 24 | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        } else if (4 * i + 3 < frame.bgra.size()) {
            const uint8_t* p = &frame.bgra[4 * i];
            dst[i] = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
    return out;
}

platform::Surface DecodePicture(std::span<const uint8_t> bytes, engine::PictureFormat format) {
    engine::Picture picture;
    if (bytes.empty() || !engine::ReadPicture(format, bytes, picture)) return {};
    return PictureToSurface(picture);
}

platform::Surface LoadPictureFile(std::string_view path) {
    const auto format = PictureFormatOfPath(path);
    if (!format) return {};
    const auto bytes = platform::ReadFileBytes(path, kMaxPictureBytes);
    return bytes ? DecodePicture(*bytes, *format) : platform::Surface();
}

platform::Icon LoadIconFile(std::string_view path) {
    return {LoadPictureFile(path)};
}

platform::Surface IconOnColour(const platform::Icon& icon, platform::COLORREF background) {
    platform::Surface out(icon.Width(), icon.Height());
    out.Fill(platform::PixelOf(background));
    platform::Painter painter(out);
    platform::DrawIcon(painter, 0, 0, icon);
    return out;
}

platform::Icon LoadIconResource(uint32_t id) {
    return {DecodeResource(platform::ResourceType::kIcon, id, engine::PictureFormat::kIco)};
}

platform::Surface LoadBitmapResource(uint32_t id) {
    return DecodeResource(platform::ResourceType::kBitmap, id, engine::PictureFormat::kBmp);
}

}  // namespace client
