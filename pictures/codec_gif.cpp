// GIF through giflib, read record by record so that every allocation is
// checked against the limits first. Frames are composed on the logical
// screen with their disposal methods; each output frame is the whole screen
// after that frame was drawn, and what no frame covers is clear. A frame's
// transparent index applies to that frame only. The picture stays paletted
// when one index can stand for clear in every frame (see PalettedClearIndex);
// otherwise it becomes 32-bit with alpha.

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"

namespace engine {
namespace {

struct Source {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* src = static_cast<Source*>(gif->UserData);
    size_t n = std::min(size_t(length < 0 ? 0 : length), src->bytes.size() - src->pos);
    if (n) std::memcpy(out, src->bytes.data() + src->pos, n);  // an empty span's data may be null
    src->pos += n;
    return int(n);
}

struct RawFrame {
    uint32_t left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> colours;  // the frame's colour table, R, G, B
    std::vector<uint8_t> indices;
    int transparent = -1;
    int disposal = 0;
    uint32_t delayCs = 0;
};

bool Fail(const char* what) {
    ResLog("GIF图片错误:%s", what);
    return false;
}

std::vector<uint8_t> Colours(const ColorMapObject* map) {
    std::vector<uint8_t> out;
    if (!map) return out;
    for (int i = 0; i < map->ColorCount; ++i)
        out.insert(out.end(), {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return out;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

bool ReadFrames(GifFileType* gif, std::vector<RawFrame>& frames, uint32_t& screenW,
                uint32_t& screenH) {
    screenW = uint32_t(std::max(0, int(gif->SWidth)));
    screenH = uint32_t(std::max(0, int(gif->SHeight)));
    const std::vector<uint8_t> global = Colours(gif->SColorMap);
    GraphicsControlBlock pending{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    uint64_t pixelsRead = 0;
    GifRecordType type;
    do {
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            // Files cut after their last frame (no trailer) still show.
            if (frames.empty()) return Fail("记录不完整");
            ResLog("GIF图片缺少结束标记");
            return true;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) return Fail("图像描述不完整");
            const GifImageDesc& desc = gif->Image;
            RawFrame f;
            f.left = uint32_t(std::max(0, int(desc.Left)));
            f.top = uint32_t(std::max(0, int(desc.Top)));
            f.width = uint32_t(std::max(0, int(desc.Width)));
            f.height = uint32_t(std::max(0, int(desc.Height)));
            if (!ImageSizeAllowed(f.width, f.height, 1)) return Fail("帧尺寸不合理");
            pixelsRead += uint64_t(f.width) * f.height;
            if (pixelsRead > kMaxImagePixels || frames.size() >= 0xFFFF) return Fail("帧数据过多");
            f.colours = desc.ColorMap ? Colours(desc.ColorMap) : global;
            if (f.colours.empty()) return Fail("缺少调色板");
            f.transparent = pending.TransparentColor;
            f.disposal = pending.DisposalMode;
            f.delayCs = uint32_t(std::max(0, pending.DelayTime));
            pending = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
            f.indices.resize(size_t(f.width) * f.height);
            // Interlaced frames arrive in four passes.
            static const uint32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
            const int passes = desc.Interlace ? 4 : 1;
            for (int p = 0; p < passes; ++p) {
                const uint32_t start = desc.Interlace ? kStart[p] : 0;
                const uint32_t step = desc.Interlace ? kStep[p] : 1;
                for (uint32_t y = start; y < f.height; y += step) {
                    if (DGifGetLine(gif, &f.indices[size_t(y) * f.width], int(f.width)) ==
                        GIF_ERROR)
                        return Fail("像素数据不完整");
                }
            }
            frames.push_back(std::move(f));
        } else if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return Fail("扩展块不完整");
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4)
                DGifExtensionToGCB(ext[0], ext + 1, &pending);
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return Fail("扩展块不完整");
            }
        }
    } while (type != TERMINATE_RECORD_TYPE);
    if (frames.empty()) return Fail("没有图像");
    return true;
}

// A cell of the composed screen: the frame that drew it (<< 8) and its
// index in that frame's colour table, or kClear where nothing shows.
constexpr uint32_t kClear = 0xFFFFFFFF;

// Draws the frames one after another on the logical screen with their
// disposal methods, calling `emit` with the screen and the frame after each
// frame is drawn. Uncovered and disposed-to-background areas are clear.
template <class Emit>
void Compose(const std::vector<RawFrame>& frames, uint32_t screenW, uint32_t screenH, Emit emit) {
    std::vector<uint32_t> canvas(size_t(screenW) * screenH, kClear), saved;
    for (size_t n = 0; n < frames.size(); ++n) {
        const RawFrame& f = frames[n];
        if (f.disposal == DISPOSE_PREVIOUS) saved = canvas;
        const uint32_t right = std::min(screenW, f.left + f.width);
        const uint32_t bottom = std::min(screenH, f.top + f.height);
        for (uint32_t y = f.top; y < bottom; ++y) {
            for (uint32_t x = f.left; x < right; ++x) {
                const uint8_t v = f.indices[size_t(y - f.top) * f.width + (x - f.left)];
                if (int(v) != f.transparent) canvas[size_t(y) * screenW + x] = uint32_t(n) << 8 | v;
            }
        }
        emit(canvas, f);
        if (f.disposal == DISPOSE_BACKGROUND) {
            for (uint32_t y = f.top; y < bottom; ++y)
                for (uint32_t x = f.left; x < right; ++x)
                    canvas[size_t(y) * screenW + x] = kClear;
        } else if (f.disposal == DISPOSE_PREVIOUS) {
            canvas = std::move(saved);
        }
    }
}

// Whether the picture can stay paletted, and with which transparent index:
// every frame uses the same colour table, and one index means clear, so
// every frame that names a transparent index names that one and no frame
// draws it as a colour. Without any clear area no index is needed (-1).
bool PalettedClearIndex(const std::vector<RawFrame>& frames, uint32_t screenW, uint32_t screenH,
                        int& clearIndex) {
    clearIndex = -1;
    for (const RawFrame& f : frames) {
        if (f.colours != frames[0].colours) return false;
        if (f.transparent < 0) continue;
        if (clearIndex >= 0 && f.transparent != clearIndex) return false;
        clearIndex = f.transparent;
    }
    bool drawn = false, clear = false;
    Compose(frames, screenW, screenH, [&](const std::vector<uint32_t>& canvas, const RawFrame&) {
        for (uint32_t cell : canvas) {
            clear = clear || cell == kClear;
            drawn = drawn || (cell != kClear && int(cell & 0xFF) == clearIndex);
        }
    });
    return !drawn && (clearIndex >= 0 || !clear);
}

}  // namespace

bool ReadGif(std::span<const uint8_t> bytes, Picture& out) {
    Source src{bytes, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, ReadFromMemory, &error));
    if (!gif) return Fail("文件头错误");

    std::vector<RawFrame> frames;
    uint32_t screenW = 0, screenH = 0;
    if (!ReadFrames(gif.get(), frames, screenW, screenH)) return false;

    if (screenW == 0 || screenH == 0) {
        screenW = frames[0].left + frames[0].width;
        screenH = frames[0].top + frames[0].height;
    }
    if (!ImageSizeAllowed(screenW, screenH, frames.size())) return Fail("尺寸不合理");
    for (RawFrame& f : frames) {
        const size_t colours = f.colours.size() / 3;
        for (uint8_t v : f.indices) {
            if (v >= colours) return Fail("颜色索引超出调色板");
        }
        if (size_t(f.transparent) >= colours) f.transparent = -1;  // names no pixel
    }
    out.width = screenW;
    out.height = screenH;

    int clearIndex = -1;
    if (PalettedClearIndex(frames, screenW, screenH, clearIndex)) {
        out.paletted = true;
        out.palette = frames[0].colours;
        out.transIndex = clearIndex;
        Compose(
            frames, screenW, screenH, [&](const std::vector<uint32_t>& canvas, const RawFrame& f) {
                PictureFrame& frame = out.frames.emplace_back();
                frame.delayCs = f.delayCs;
                frame.index.resize(canvas.size());
                for (size_t i = 0; i < canvas.size(); ++i)
                    frame.index[i] = canvas[i] == kClear ? uint8_t(clearIndex) : uint8_t(canvas[i]);
            });
        return true;
    }

    bool anyClear = false;
    Compose(frames, screenW, screenH, [&](const std::vector<uint32_t>& canvas, const RawFrame& f) {
        PictureFrame& frame = out.frames.emplace_back();
        frame.delayCs = f.delayCs;
        frame.bgra.resize(canvas.size() * 4);
        for (size_t i = 0; i < canvas.size(); ++i) {
            uint8_t* p = &frame.bgra[i * 4];
            if (canvas[i] == kClear) {
                anyClear = true;
                continue;  // left 0, 0, 0, 0
            }
            const uint8_t* rgb = &frames[canvas[i] >> 8].colours[(canvas[i] & 0xFF) * 3];
            p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0], p[3] = 255;
        }
    });
    out.alphaValid = anyClear;
    return true;
}

}  // namespace engine
