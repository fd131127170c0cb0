#include "tools/assetgen/asset_files.h"

#include <cstdio>
#include <filesystem>

#include "platform/text.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/writers.h"
#include "tools/pictures/pps_writer.h"

namespace assetgen {
namespace {

// Entries name their files in GBK, as the program does; the file system
// and the messages take UTF-8.
std::string OsPath(const std::string& folder, const Picture& entry) {
    return folder + platform::GbkToUtf8(entry.file);
}
std::string Shown(std::string_view gbk) {
    return platform::GbkToUtf8(gbk);
}

bool SizeMatches(const Picture& entry, const platform::Surface& picture) {
    if (picture.Width() == entry.Width() && picture.Height() == entry.Height()) return true;
    std::fprintf(stderr, "assetgen: %s is %d x %d, its entry says %d x %d\n",
                 Shown(entry.file).c_str(), picture.Width(), picture.Height(), entry.Width(),
                 entry.Height());
    return false;
}

// Clear pixels take the key's colour too, for readers that ignore alpha.
void KeyClearPixels(platform::Surface& picture, platform::COLORREF key) {
    const uint32_t keyed = platform::PixelOf(key) & 0x00FFFFFFu;
    for (int y = 0; y < picture.Height(); ++y) {
        uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.Width(); ++x)
            if ((row[x] >> 24) == 0) row[x] = keyed;
    }
}

}  // namespace

const Picture* FindPicture(std::span<const Picture> entries, std::string_view file) {
    for (const Picture& entry : entries)
        if (file == entry.file) return &entry;
    std::fprintf(stderr, "assetgen: no entry names %s\n", Shown(file).c_str());
    return nullptr;
}

bool WritePicture(const std::string& folder, std::span<const Picture> entries,
                  std::string_view file, platform::Surface picture) {
    const Picture* entry = FindPicture(entries, file);
    if (!entry || !SizeMatches(*entry, picture)) return false;
    const std::string path = OsPath(folder, *entry);
    if (file.ends_with(".png")) {
        KeyClearPixels(picture, entry->colorKey);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        return picture.SavePng(path);
    }
    if (file.ends_with(".pps")) return WritePacked(folder, entries, file, {picture}, 0);
    CutToKey(picture, entry->colorKey);
    return WriteBmp(path, picture);
}

bool WritePacked(const std::string& folder, std::span<const Picture> entries, std::string_view file,
                 const std::vector<platform::Surface>& frames, uint32_t delayMs) {
    const Picture* entry = FindPicture(entries, file);
    if (!entry) return false;
    pictures::PpsSpec spec;
    spec.method = 6;  // zlib planes
    // Keyed, with alpha; delays when it is an animation.
    spec.flags = 1 | 8 | (entry->frames > 1 ? 16 : 0);
    spec.width = uint16_t(entry->cellWidth * entry->cells);
    spec.height = uint16_t(entry->cellHeight);
    spec.colorKey = entry->colorKey;
    for (platform::Surface frame : frames) {
        if (frame.Width() != spec.width || frame.Height() != spec.height) {
            std::fprintf(stderr, "assetgen: a frame of %s is %d x %d, not %d x %d\n",
                         Shown(entry->file).c_str(), frame.Width(), frame.Height(), spec.width,
                         spec.height);
            return false;
        }
        KeyClearPixels(frame, entry->colorKey);
        const auto* bytes = reinterpret_cast<const uint8_t*>(frame.Data());
        spec.frames.push_back({std::vector<uint8_t>(bytes, bytes + frame.ByteSize()), delayMs});
    }
    if (int(spec.frames.size()) != entry->frames) {
        std::fprintf(stderr, "assetgen: %s has %zu frames, its entry says %d\n",
                     Shown(entry->file).c_str(), spec.frames.size(), entry->frames);
        return false;
    }
    return WriteBytes(OsPath(folder, *entry), pictures::WritePps(spec));
}

}  // namespace assetgen
