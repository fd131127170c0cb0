#include "client/web_picture.h"

#include <algorithm>
#include <optional>

#include "client/picture_file.h"

namespace client {
namespace {

std::optional<engine::PictureFormat> SniffFormat(std::span<const uint8_t> b) {
    auto starts = [&](std::string_view magic) {
        return b.size() >= magic.size() &&
               std::equal(magic.begin(), magic.end(), b.begin(),
                          [](char m, uint8_t c) { return uint8_t(m) == c; });
    };
    if (starts("\x89PNG")) return engine::PictureFormat::kPng;
    if (starts("\xFF\xD8\xFF")) return engine::PictureFormat::kJpg;
    if (starts("GIF8")) return engine::PictureFormat::kGif;
    if (starts("BM")) return engine::PictureFormat::kBmp;
    return std::nullopt;
}

}  // namespace

platform::Surface DecodeWebPicture(std::span<const uint8_t> bytes, std::string_view url) {
    auto format = SniffFormat(bytes);
    if (!format)
        format = PictureFormatOfPath(url.substr(0, std::min(url.find_first_of("?#"), url.size())));
    return format ? DecodePicture(bytes, *format) : platform::Surface();
}

}  // namespace client
