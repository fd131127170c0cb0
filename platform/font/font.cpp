#include "platform/font/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/font/face_alias.h"
#include "platform/text.h"

namespace platform {
namespace {

// Glyph surfaces of the program are 300 pixels; anything larger is a bad
// request, not a font.
constexpr int kMaxEm = 512;
constexpr int kDefaultEm = 12;
// The shear Windows applies to synthesise italics (about 12 degrees).
constexpr double kItalicShear = 0.2126;

// FreeType's library object: faces are created and destroyed under its lock.
struct Library {
    FT_Library handle = nullptr;
    std::mutex lock;
    Library() {
        if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
    }
    ~Library() {
        if (handle) FT_Done_FreeType(handle);
    }
};

Library& TheLibrary() {
    static Library library;
    return library;
}

int RoundUp26_6(FT_Pos v) {
    return int((v + 63) >> 6);
}
int Round26_6(FT_Pos v) {
    return int((v + 32) >> 6);
}

// An FT_Face at one pixel size. Only used under its font's lock.
struct SizedFace {
    FT_Face face = nullptr;
    bool syntheticBold = false;
    bool syntheticItalic = false;

    SizedFace() = default;
    SizedFace(const SizedFace&) = delete;
    SizedFace& operator=(const SizedFace&) = delete;
    ~SizedFace() {
        if (face) {
            std::lock_guard<std::mutex> guard(TheLibrary().lock);
            FT_Done_Face(face);
        }
    }

    bool Open(const FontFile& file) {
        Library& library = TheLibrary();
        if (!library.handle || file.path.empty()) return false;
        std::lock_guard<std::mutex> guard(library.lock);
        if (FT_New_Face(library.handle, file.path.c_str(), file.index, &face) != 0) {
            face = nullptr;
            return false;
        }
        return true;
    }
};

// Em height in pixels for a LOGFONT height.
int EmPixels(FT_Face face, int height) {
    if (height == 0) return kDefaultEm;
    if (height < 0) return std::clamp(-height, 1, kMaxEm);
    int cellUnits = 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF) {
        cellUnits = int(os2->usWinAscent) + int(os2->usWinDescent);
    }
    if (cellUnits <= 0) cellUnits = face->ascender - face->descender;
    if (cellUnits <= 0 || face->units_per_EM == 0) return std::clamp(height, 1, kMaxEm);
    long em = std::lround(double(height) * face->units_per_EM / cellUnits);
    return std::clamp(int(em), 1, kMaxEm);
}

void SetSize(SizedFace& sized, int em, int width) {
    FT_Face face = sized.face;
    int xEm = em;
    if (width > 0) {
        int average = 0;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && face->units_per_EM) {
            average = int(std::lround(double(os2->xAvgCharWidth) * em / face->units_per_EM));
        }
        if (average <= 0) average = std::max(1, em / 2);
        xEm = std::clamp(int(std::lround(double(em) * width / average)), 1, kMaxEm);
    }
    if (FT_Set_Pixel_Sizes(face, FT_UInt(xEm), FT_UInt(em)) != 0 && face->num_fixed_sizes > 0) {
        FT_Select_Size(face, 0);
    }
    if (sized.syntheticItalic) {
        FT_Matrix shear{0x10000, FT_Fixed(kItalicShear * 0x10000), 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
}

// Copies the rendered slot bitmap into 8-bit coverage.
void CopyBitmap(const FT_Bitmap& bitmap, Glyph& glyph) {
    glyph.width = int(bitmap.width);
    glyph.height = int(bitmap.rows);
    glyph.coverage.assign(size_t(glyph.width) * size_t(glyph.height), 0);
    for (int y = 0; y < glyph.height; ++y) {
        const unsigned char* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        uint8_t* out = glyph.coverage.data() + size_t(y) * size_t(glyph.width);
        switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_MONO:
                for (int x = 0; x < glyph.width; ++x) {
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                }
                break;
            case FT_PIXEL_MODE_GRAY: {
                int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
                for (int x = 0; x < glyph.width; ++x) {
                    out[x] = levels == 255 ? row[x] : uint8_t(row[x] * 255 / levels);
                }
                break;
            }
            default:
                break;
        }
    }
}

// Windows' simulated bold: the glyph is overprinted `strength` pixels to the
// right and the advance grows by the same amount.
void Embolden(Glyph& glyph, int strength) {
    if (glyph.width > 0 && glyph.height > 0) {
        int width = glyph.width + strength;
        std::vector<uint8_t> out(size_t(width) * size_t(glyph.height), 0);
        for (int y = 0; y < glyph.height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t v = 0;
                for (int s = 0; s <= strength; ++s) {
                    int sx = x - s;
                    if (sx >= 0 && sx < glyph.width) v = std::max(v, glyph.At(sx, y));
                }
                out[size_t(y) * size_t(width) + size_t(x)] = v;
            }
        }
        glyph.width = width;
        glyph.coverage = std::move(out);
    }
    glyph.advance += strength;
}

struct FontKey {
    FontSpec spec;
    bool operator<(const FontKey& o) const {
        const FontSpec& a = spec;
        const FontSpec& b = o.spec;
        return std::tie(a.face, a.height, a.width, a.weight, a.italic, a.underline, a.charset) <
               std::tie(b.face, b.height, b.width, b.weight, b.italic, b.underline, b.charset);
    }
};

}  // namespace

struct Font::Impl {
    std::mutex lock;
    FontFile file;
    int em = kDefaultEm;
    int boldStrength = 0;
    SizedFace primary;
    // Fallback faces, opened on first need; null when unusable.
    std::vector<std::unique_ptr<SizedFace>> fallbacks;
    bool fallbacksOpened = false;
    std::unordered_map<char32_t, std::unique_ptr<Glyph>> glyphs;
    std::unordered_map<uint16_t, const Glyph*> gbkGlyphs;
    Glyph empty;

    void Prepare(SizedFace& sized, bool bold, bool italic, int width) {
        sized.syntheticBold = bold && !(sized.face->style_flags & FT_STYLE_FLAG_BOLD);
        sized.syntheticItalic = italic && !(sized.face->style_flags & FT_STYLE_FLAG_ITALIC);
        SetSize(sized, em, width);
    }

    // The face that has `codePoint`, and its glyph index.
    SizedFace* FaceFor(char32_t codePoint, FT_UInt* index, const FontSpec& spec) {
        if (!primary.face) return nullptr;
        *index = FT_Get_Char_Index(primary.face, codePoint);
        if (*index != 0 || codePoint < 0x20) return &primary;
        if (!fallbacksOpened) {
            fallbacksOpened = true;
            for (const FontFile& f : FallbackFaces()) {
                if (f == file) continue;
                auto sized = std::make_unique<SizedFace>();
                if (!sized->Open(f)) continue;
                Prepare(*sized, spec.weight >= 600, spec.italic, spec.width);
                fallbacks.push_back(std::move(sized));
            }
        }
        for (auto& fallback : fallbacks) {
            FT_UInt i = FT_Get_Char_Index(fallback->face, codePoint);
            if (i != 0) {
                *index = i;
                return fallback.get();
            }
        }
        return &primary;
    }

    Glyph Render(char32_t codePoint, const FontSpec& spec) {
        Glyph glyph;
        if (codePoint < 0x20) return glyph;  // control characters take no room
        FT_UInt index = 0;
        SizedFace* sized = FaceFor(codePoint, &index, spec);
        if (!sized) return glyph;
        FT_Int32 flags = FT_LOAD_DEFAULT;
        if (sized->syntheticItalic) flags |= FT_LOAD_NO_BITMAP;
        FT_Face face = sized->face;
        if (FT_Load_Glyph(face, index, flags) != 0) {
            glyph.advance = em / 2;
            return glyph;
        }
        FT_GlyphSlot slot = face->glyph;
        glyph.advance = Round26_6(slot->metrics.horiAdvance);
        if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
            FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            return glyph;
        }
        CopyBitmap(slot->bitmap, glyph);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        if (sized->syntheticBold) Embolden(glyph, boldStrength);
        return glyph;
    }
};

std::shared_ptr<const Font> Font::Open(const FontSpec& spec) {
    TheLibrary();  // outlives the font cache below
    static std::mutex lock;
    static std::map<FontKey, std::shared_ptr<const Font>> cache;
    std::lock_guard<std::mutex> guard(lock);
    FontKey key{spec};
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    if (cache.size() >= 128) {
        // Markup can ask for many sizes; forget the fonts nobody holds.
        std::erase_if(cache, [](const auto& entry) { return entry.second.use_count() == 1; });
    }
    std::shared_ptr<const Font> font(new Font(spec));
    cache.emplace(key, font);
    return font;
}

Font::Font(const FontSpec& spec) : spec_(spec), impl_(std::make_unique<Impl>()) {
    Impl& impl = *impl_;
    impl.file = ResolveFace(spec.face);
    if (!impl.primary.Open(impl.file)) {
        for (const FontFile& f : FallbackFaces()) {
            if (impl.primary.Open(f)) {
                impl.file = f;
                break;
            }
        }
    }
    FT_Face face = impl.primary.face;
    if (!face) {
        // No font at all: zero-size glyphs with a plausible cell.
        impl.em = spec.height < 0 ? std::clamp(-spec.height, 1, kMaxEm) : kDefaultEm;
        metrics_.height = metrics_.ascent = impl.em;
        metrics_.aveCharWidth = impl.em / 2;
        metrics_.maxCharWidth = impl.em;
        impl.empty.advance = impl.em / 2;
        return;
    }
    impl.em = EmPixels(face, spec.height);
    impl.boldStrength = std::max(1, impl.em / 32);
    impl.Prepare(impl.primary, spec.weight >= 600, spec.italic, spec.width);

    const int em = impl.em;
    const double scale = face->units_per_EM ? double(em) / face->units_per_EM : 0.0;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0 && scale > 0) {
        metrics_.ascent = int(std::ceil(os2->usWinAscent * scale - 0.01));
        metrics_.descent = int(std::ceil(os2->usWinDescent * scale - 0.01));
    } else {
        metrics_.ascent = RoundUp26_6(face->size->metrics.ascender);
        metrics_.descent = RoundUp26_6(-face->size->metrics.descender);
    }
    metrics_.ascent = std::max(metrics_.ascent, 1);
    metrics_.descent = std::max(metrics_.descent, 0);
    metrics_.height = metrics_.ascent + metrics_.descent;
    metrics_.internalLeading = std::max(0, metrics_.height - em);
    if (os2 && os2->version != 0xFFFF && scale > 0) {
        metrics_.aveCharWidth = int(std::lround(os2->xAvgCharWidth * scale));
    }
    if (metrics_.aveCharWidth <= 0) metrics_.aveCharWidth = (em + 1) / 2;
    metrics_.maxCharWidth = std::max(RoundUp26_6(face->size->metrics.max_advance), em);
    if (impl.primary.syntheticBold) {
        metrics_.overhang = impl.boldStrength;
        metrics_.aveCharWidth += impl.boldStrength;
        metrics_.maxCharWidth += impl.boldStrength;
    }

    int position = scale > 0 ? int(std::lround(-face->underline_position * scale)) : 1;
    int thickness = scale > 0 ? int(std::lround(face->underline_thickness * scale)) : 1;
    underlineThickness_ = std::max(1, thickness);
    underlinePosition_ =
        std::clamp(position, 1, std::max(1, metrics_.descent - underlineThickness_));
    impl.empty.advance = (em + 1) / 2;
}

Font::~Font() = default;

const std::string& Font::FilePath() const {
    return impl_->file.path;
}

const Glyph& Font::GlyphFor(char32_t codePoint) const {
    Impl& impl = *impl_;
    std::lock_guard<std::mutex> guard(impl.lock);
    if (auto it = impl.glyphs.find(codePoint); it != impl.glyphs.end()) return *it->second;
    auto glyph = std::make_unique<Glyph>(impl.Render(codePoint, spec_));
    const Glyph& result = *glyph;
    impl.glyphs.emplace(codePoint, std::move(glyph));
    return result;
}

const Glyph& Font::GlyphAt(std::string_view gbk, size_t pos, size_t* length) const {
    size_t n = GbkCharLength(gbk, pos);
    if (length) *length = n;
    if (n == 0) return impl_->empty;
    auto lead = static_cast<unsigned char>(gbk[pos]);
    if (n == 1) return GlyphFor(lead < 0x80 ? char32_t(lead) : char32_t(0xFFFD));
    uint16_t code = uint16_t(lead << 8 | static_cast<unsigned char>(gbk[pos + 1]));
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        if (auto it = impl_->gbkGlyphs.find(code); it != impl_->gbkGlyphs.end()) {
            return *it->second;
        }
    }
    const Glyph& glyph = GlyphFor(GbkCodePointAt(gbk, pos, nullptr));
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->gbkGlyphs.emplace(code, &glyph);
    return glyph;
}

int Font::MeasureText(std::string_view gbk) const {
    int width = 0;
    size_t pos = 0;
    while (pos < gbk.size()) {
        size_t n = 0;
        width += GlyphAt(gbk, pos, &n).advance;
        pos += n;
    }
    return width;
}

}  // namespace platform
