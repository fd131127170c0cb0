#include "tools/screen/picture_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <utility>

#include "pictures/image_record.h"
#include "pictures/pps.h"
#include "platform/bytes.h"
#include "platform/paths.h"

namespace screen {
namespace {

bool Close(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) return false;
    return true;
}

// A picture at one scale: its pixels and the offsets of those compared,
// steady ones (inside a patch of one colour, so blending at edges cannot
// move them) spread out first, so that most wrong places fail at once.
struct Prepared {
    Surface pixels;
    std::vector<int> order;  // y * width + x
};

Prepared Prepare(const Surface& picture, double scale, const FindOptions& options) {
    Prepared p{scale == 1.0 ? picture : Scaled(picture, scale), {}};
    const Surface& s = p.pixels;
    auto compared = [&](int x, int y) {
        const uint32_t px = s.At(x, y);
        if ((px >> 24) < 0x80) return false;
        return !options.key || (px & 0xFFFFFF) != (*options.key & 0xFFFFFF);
    };
    std::vector<int> steady, rest;
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            if (!compared(x, y)) continue;
            bool still = x > 0 && y > 0 && x + 1 < s.Width() && y + 1 < s.Height();
            for (int dy = -1; still && dy <= 1; ++dy)
                for (int dx = -1; still && dx <= 1; ++dx)
                    still = compared(x + dx, y + dy) &&
                            Close(s.At(x + dx, y + dy), s.At(x, y), options.tolerance / 2);
            (still ? steady : rest).push_back(y * s.Width() + x);
        }
    }
    // The first eight are as unlike in colour as can be, and among alike
    // ones as far apart, so that a patch of one colour on the screen fails
    // them at once; then a stride prime to the count visits every steady
    // pixel, far apart.
    auto distance = [&](int a, int b) {
        const uint32_t x = s.Data()[a], y = s.Data()[b];
        int d = 0;
        for (int shift = 0; shift < 24; shift += 8)
            d += std::abs(int(x >> shift & 0xFF) - int(y >> shift & 0xFF));
        const int w = s.Width();
        return d * 4096 + std::abs(a % w - b % w) + std::abs(a / w - b / w);
    };
    std::vector<bool> taken(steady.size(), false);
    for (size_t k = 0; k < 8 && k < steady.size(); ++k) {
        size_t best = 0;
        int bestFar = -1;
        for (size_t i = 0; i < steady.size(); i += 1 + steady.size() / 4096) {
            if (taken[i]) continue;
            int near = k == 0 ? 0 : 1 << 30;
            for (int chosen : p.order)
                near = std::min(near, distance(steady[i], chosen));
            if (near > bestFar) bestFar = near, best = i;
        }
        taken[best] = true;
        p.order.push_back(steady[best]);
    }
    const size_t n = steady.size();
    size_t stride = n > 7 ? n / 7 + 1 : 1;
    while (n > 1 && std::gcd(stride, n) != 1)
        ++stride;
    for (size_t i = 0, at = 0; i < n; ++i, at = (at + stride) % n)
        if (!taken[at]) p.order.push_back(steady[at]);
    p.order.insert(p.order.end(), rest.begin(), rest.end());
    return p;
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::vector<Found> FindPictures(const Surface& screen, const Surface& picture,
                                const FindOptions& options) {
    RECT area = IsRectEmpty(options.area) ? screen.Bounds() : options.area;
    area = platform::IntersectRect(area, screen.Bounds());
    std::vector<Found> candidates;
    for (double scale : options.scales) {
        const Prepared p = Prepare(picture, scale, options);
        const int w = p.pixels.Width(), h = p.pixels.Height();
        if (p.order.empty() || w > area.Width() || h > area.Height()) continue;
        const size_t allowed = size_t(options.misses * double(p.order.size()));
        // The first pixels, steady ones spread over the picture, miss at a
        // true place no more than the rest: a place where more of the first
        // 8 miss than the share allows (with a little slack) is given up at
        // once.
        // Past them, a place is given up once its misses run well ahead of
        // the share.
        const size_t firstAllowed = std::min(allowed, size_t(options.misses * 8) + 1);
        auto running = [&](size_t i) { return size_t(options.misses * 1.5 * double(i + 1)) + 2; };
        std::vector<std::pair<int, int>> offsets;  // (row, column) of each compared pixel
        for (int at : p.order)
            offsets.emplace_back(at / w, at % w);
        const uint32_t* pic = p.pixels.Data();
        for (int y = area.top; y + h <= area.bottom; ++y) {
            for (int x = area.left; x + w <= area.right; ++x) {
                size_t missed = 0;
                bool rejected = false;
                for (size_t i = 0; i < offsets.size() && !rejected; ++i) {
                    const auto [dy, dx] = offsets[i];
                    if (Close(screen.Row(y + dy)[x + dx], pic[p.order[i]], options.tolerance))
                        continue;
                    ++missed;
                    rejected =
                        missed > allowed || (i < 8 ? missed > firstAllowed : missed > running(i));
                }
                if (rejected) continue;
                candidates.push_back(
                    {{x, y, x + w, y + h}, double(missed) / double(p.order.size()), scale});
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Found& a, const Found& b) { return a.misses < b.misses; });
    std::vector<Found> kept;
    for (const Found& c : candidates)
        if (std::none_of(kept.begin(), kept.end(),
                         [&](const Found& k) { return Overlap(k.rect, c.rect); }))
            kept.push_back(c);
    return kept;
}

std::optional<Found> FindPicture(const Surface& screen, const Surface& picture,
                                 const FindOptions& options) {
    std::vector<Found> all = FindPictures(screen, picture, options);
    if (all.empty()) return std::nullopt;
    return all.front();
}

Surface Crop(const Surface& surface, const RECT& area) {
    Surface part(area.Width(), area.Height());
    for (int y = 0; y < part.Height(); ++y)
        for (int x = 0; x < part.Width(); ++x)
            part.Set(x, y, surface.At(area.left + x, area.top + y));
    return part;
}

Surface CellOf(const Surface& strip, int n, int width, int height) {
    return Crop(strip, {n * width, 0, n * width + width, height});
}

Surface Scaled(const Surface& picture, double scale) {
    const int w = int(std::lround(picture.Width() * scale));
    const int h = int(std::lround(picture.Height() * scale));
    Surface out(w, h);
    for (int y = 0; y < h; ++y) {
        const int sy = std::min(picture.Height() - 1, int((y + 0.5) / scale));
        for (int x = 0; x < w; ++x)
            out.Set(x, y, picture.At(std::min(picture.Width() - 1, int((x + 0.5) / scale)), sy));
    }
    return out;
}

Surface LoadBmp(const std::string& path) {
    const auto file = platform::ReadFileBytes(path, 64u << 20);
    if (!file || file->size() < 54 || (*file)[0] != 'B' || (*file)[1] != 'M') return {};
    const uint8_t* b = file->data();
    const uint32_t offset = platform::LoadLE32(b + 10);
    const int32_t width = int32_t(platform::LoadLE32(b + 18)),
                  height = int32_t(platform::LoadLE32(b + 22));
    const uint16_t bits = platform::LoadLE16(b + 28);
    const uint32_t compression = platform::LoadLE32(b + 30);
    if (width <= 0 || height == 0 || width > 1 << 15 || std::abs(height) > 1 << 15 ||
        (bits != 24 && bits != 32) || compression != 0)
        return {};
    const size_t rows = size_t(std::abs(height));
    const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
    if (offset > file->size() || (file->size() - offset) / stride < rows) return {};
    Surface out(width, int(rows));
    for (size_t r = 0; r < rows; ++r) {
        // Rows run bottom-up unless the height is negative.
        const uint8_t* row = b + offset + (height > 0 ? rows - 1 - r : r) * stride;
        for (int x = 0; x < width; ++x) {
            const uint8_t* px = row + size_t(x) * bits / 8;
            out.Set(x, int(r), 0xFF000000u | uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0]);
        }
    }
    return out;
}

Surface LoadPicture(const std::string& path) {
    if (path.ends_with(".bmp")) return LoadBmp(path);
    if (path.ends_with(".png")) return Surface::LoadPng(path);
    engine::ImageRecord image;
    const auto bytes = platform::ReadFileBytes(path, 16u << 20);
    if (!path.ends_with(".pps") || !bytes || engine::DecodePps(*bytes, image) == 0 ||
        image.BytesPerPixel() != 4)
        return {};
    Surface out(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.pixels[(size_t(y) * image.width + size_t(x)) * 4];
            out.Set(x, y, uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
        }
    return out;
}

}  // namespace screen
