// GIF through giflib, read record by record so that every allocation is
// checked against the limits first. Frames are composed on the logical
// screen with their disposal methods; each output frame is the whole screen
// after that frame was drawn. When every frame uses the same colour table the
// picture stays paletted, otherwise it becomes 32-bit with alpha.

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/resources/image_record.h"
#include "engine/resources/picture.h"
#include "engine/resources/res_log.h"

namespace engine {
namespace {

struct Source {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* src = static_cast<Source*>(gif->UserData);
    size_t n = std::min(size_t(length < 0 ? 0 : length), src->bytes.size() - src->pos);
    std::memcpy(out, src->bytes.data() + src->pos, n);
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
    for (const RawFrame& f : frames) {
        const size_t colours = f.colours.size() / 3;
        for (uint8_t v : f.indices) {
            if (v >= colours) return Fail("颜色索引超出调色板");
        }
    }

    bool shared = true;
    for (const RawFrame& f : frames)
        shared = shared && f.colours == frames[0].colours;
    out.width = screenW;
    out.height = screenH;
    const size_t pixels = size_t(screenW) * screenH;

    if (shared) {
        // Indexed composition: the image's transparent index is the first one
        // any frame names; uncovered and disposed areas take it (or the
        // background index when there is none).
        out.paletted = true;
        out.palette = frames[0].colours;
        const size_t colours = out.palette.size() / 3;
        for (const RawFrame& f : frames) {
            if (f.transparent >= 0 && size_t(f.transparent) < colours) {
                out.transIndex = f.transparent;
                break;
            }
        }
        int clearIndex = out.transIndex;
        if (clearIndex < 0) {
            clearIndex = size_t(gif->SBackGroundColor) < colours ? gif->SBackGroundColor : 0;
        }
        const uint8_t clear = uint8_t(clearIndex);
        std::vector<uint8_t> canvas(pixels, clear), saved;
        for (const RawFrame& f : frames) {
            if (f.disposal == DISPOSE_PREVIOUS) saved = canvas;
            for (uint32_t y = 0; y < f.height && f.top + y < screenH; ++y) {
                for (uint32_t x = 0; x < f.width && f.left + x < screenW; ++x) {
                    const uint8_t v = f.indices[size_t(y) * f.width + x];
                    if (int(v) == f.transparent) continue;
                    canvas[size_t(f.top + y) * screenW + f.left + x] = v;
                }
            }
            PictureFrame& frame = out.frames.emplace_back();
            frame.index = canvas;
            frame.delayCs = f.delayCs;
            if (f.disposal == DISPOSE_BACKGROUND) {
                for (uint32_t y = 0; y < f.height && f.top + y < screenH; ++y)
                    for (uint32_t x = 0; x < f.width && f.left + x < screenW; ++x)
                        canvas[size_t(f.top + y) * screenW + f.left + x] = clear;
            } else if (f.disposal == DISPOSE_PREVIOUS) {
                canvas = std::move(saved);
            }
        }
        return true;
    }

    // Colour composition with alpha: uncovered and disposed areas are clear.
    std::vector<uint8_t> canvas(pixels * 4, 0), saved;
    bool anyClear = false;
    for (const RawFrame& f : frames) {
        if (f.disposal == DISPOSE_PREVIOUS) saved = canvas;
        for (uint32_t y = 0; y < f.height && f.top + y < screenH; ++y) {
            for (uint32_t x = 0; x < f.width && f.left + x < screenW; ++x) {
                const uint8_t v = f.indices[size_t(y) * f.width + x];
                if (int(v) == f.transparent) continue;
                uint8_t* p = &canvas[(size_t(f.top + y) * screenW + f.left + x) * 4];
                p[0] = f.colours[v * 3 + 2];
                p[1] = f.colours[v * 3 + 1];
                p[2] = f.colours[v * 3];
                p[3] = 255;
            }
        }
        PictureFrame& frame = out.frames.emplace_back();
        frame.bgra = canvas;
        frame.delayCs = f.delayCs;
        for (size_t i = 3; i < canvas.size() && !anyClear; i += 4)
            anyClear = canvas[i] == 0;
        if (f.disposal == DISPOSE_BACKGROUND) {
            for (uint32_t y = 0; y < f.height && f.top + y < screenH; ++y)
                for (uint32_t x = 0; x < f.width && f.left + x < screenW; ++x)
                    std::memset(&canvas[(size_t(f.top + y) * screenW + f.left + x) * 4], 0, 4);
        } else if (f.disposal == DISPOSE_PREVIOUS) {
            canvas = std::move(saved);
        }
    }
    out.alphaValid = anyClear;
    if (!anyClear) {
        for (PictureFrame& frame : out.frames)
            picture_detail::MakeOpaque(frame.bgra);
    }
    return true;
}

}  // namespace engine
