#include "tools/assetgen/raster.h"

#include <algorithm>
#include <cmath>

namespace assetgen {
namespace {

using platform::Surface;

// Premultiplied channels in 0..255 doubles: blue, green, red, alpha.
struct Mix {
    double c[4] = {0, 0, 0, 0};
};

Mix Premultiplied(uint32_t pixel) {
    const double a = double(pixel >> 24);
    return {{double(pixel & 0xFF) * a / 255, double(pixel >> 8 & 0xFF) * a / 255,
             double(pixel >> 16 & 0xFF) * a / 255, a}};
}

uint32_t Straight(const Mix& m) {
    if (m.c[3] < 0.5) return 0;
    auto channel = [&](int i) {
        return uint32_t(std::clamp(std::lround(m.c[i] * 255 / m.c[3]), 0L, 255L));
    };
    const uint32_t a = uint32_t(std::clamp(std::lround(m.c[3]), 0L, 255L));
    return a << 24 | channel(2) << 16 | channel(1) << 8 | channel(0);
}

// The weights of source pixels along one axis for each target pixel: the
// length of [i, i + 1) x scale that each source pixel covers.
std::vector<std::vector<std::pair<int, double>>> Spans(int from, int to) {
    std::vector<std::vector<std::pair<int, double>>> spans(size_t(std::max(to, 0)));
    const double scale = double(from) / to;
    for (int i = 0; i < to; ++i) {
        const double start = i * scale, end = (i + 1) * scale;
        for (int s = int(start); s < from && s < end; ++s) {
            const double w = std::min(end, s + 1.0) - std::max(start, double(s));
            if (w > 1e-9) spans[size_t(i)].push_back({s, w / scale});
        }
    }
    return spans;
}

}  // namespace

Surface Resample(const Surface& source, int width, int height) {
    Surface out(width, height);
    if (source.Empty() || out.Empty()) return out;
    const auto xs = Spans(source.Width(), width);
    const auto ys = Spans(source.Height(), height);
    // Rows first: each source row averaged to `width` columns.
    std::vector<Mix> rows(size_t(width) * size_t(source.Height()));
    for (int y = 0; y < source.Height(); ++y) {
        const uint32_t* row = source.Row(y);
        for (int x = 0; x < width; ++x) {
            Mix& m = rows[size_t(y) * size_t(width) + size_t(x)];
            for (auto [s, w] : xs[size_t(x)]) {
                const Mix p = Premultiplied(row[s]);
                for (int i = 0; i < 4; ++i)
                    m.c[i] += p.c[i] * w;
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Mix m;
            for (auto [s, w] : ys[size_t(y)]) {
                const Mix& p = rows[size_t(s) * size_t(width) + size_t(x)];
                for (int i = 0; i < 4; ++i)
                    m.c[i] += p.c[i] * w;
            }
            out.Set(x, y, Straight(m));
        }
    }
    return out;
}

Surface Turn(const Surface& source, int quarterTurns) {
    const int turns = ((quarterTurns % 4) + 4) % 4;
    const int w = source.Width(), h = source.Height();
    Surface out = turns % 2 ? Surface(h, w) : Surface(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = source.At(x, y);
            switch (turns) {
                case 0:
                    out.Set(x, y, p);
                    break;
                case 1:
                    out.Set(h - 1 - y, x, p);
                    break;
                case 2:
                    out.Set(w - 1 - x, h - 1 - y, p);
                    break;
                default:
                    out.Set(y, w - 1 - x, p);
                    break;
            }
        }
    }
    return out;
}

void Over(Surface& base, const Surface& layer, int x0, int y0) {
    for (int y = 0; y < layer.Height(); ++y) {
        for (int x = 0; x < layer.Width(); ++x) {
            const Mix top = Premultiplied(layer.At(x, y));
            if (top.c[3] <= 0) continue;
            const Mix under = Premultiplied(base.At(x0 + x, y0 + y));
            Mix m;
            for (int i = 0; i < 4; ++i)
                m.c[i] = top.c[i] + under.c[i] * (1 - top.c[3] / 255);
            base.Set(x0 + x, y0 + y, Straight(m));
        }
    }
}

void CutToKey(Surface& picture, platform::COLORREF key) {
    for (int y = 0; y < picture.Height(); ++y) {
        uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.Width(); ++x)
            row[x] = (row[x] >> 24) >= 128 ? row[x] | 0xFF000000u : platform::PixelOf(key);
    }
}

Surface Row(const std::vector<Surface>& cells) {
    int width = 0, height = 0;
    for (const Surface& c : cells) {
        width += c.Width();
        height = std::max(height, c.Height());
    }
    Surface out(width, height);
    int x = 0;
    for (const Surface& c : cells) {
        for (int y = 0; y < c.Height(); ++y)
            std::copy(c.Row(y), c.Row(y) + c.Width(), out.Row(y) + x);
        x += c.Width();
    }
    return out;
}

}  // namespace assetgen
