// JPEG through libjpeg: colour pictures become 32-bit, grey ones paletted with
// a grey ramp, CMYK (as Adobe writes it, inverted) is turned into RGB. A file
// cut short decodes with the rest filled grey (libjpeg's own recovery) and a
// log line. Progressive files are refused past kMaxScans scans: each scan
// passes over the whole picture, so tens of thousands of tiny scans would
// keep the decoder busy for seconds to minutes.

#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"

namespace engine {
namespace {

// Common progressive scripts use up to about ten scans.
constexpr int kMaxScans = 100;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool warned = false;
};

void OnError(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    ResLog("JPG图片错误:%s", message);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Logs the first warning (a cut or damaged file) of each picture; trace
// messages are dropped.
void OnMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0 || err->warned) return;
    err->warned = true;
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    ResLog("JPG图片警告:%s", message);
}

void OnProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number <= kMaxScans) return;
    ResLog("JPG图片错误:扫描数超过%d", kMaxScans);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

struct Decode {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    std::vector<uint8_t> line;
    ~Decode() { jpeg_destroy_decompress(&cinfo); }
};

bool Run(Decode& d, std::span<const uint8_t> bytes, Picture& out) {
    if (setjmp(d.err.jump)) return false;
    jpeg_create_decompress(&d.cinfo);
    d.cinfo.mem->max_memory_to_use = 256L << 20;
    d.progress.progress_monitor = OnProgress;
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    if (!ImageSizeAllowed(d.cinfo.image_width, d.cinfo.image_height, 1)) {
        ResLog("JPG图片错误:尺寸%ux%u不合理", d.cinfo.image_width, d.cinfo.image_height);
        return false;
    }
    const bool grey = d.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&d.cinfo);

    const uint32_t width = d.cinfo.output_width, height = d.cinfo.output_height;
    out.width = width;
    out.height = height;
    PictureFrame& frame = out.frames.emplace_back();
    const size_t channels = size_t(d.cinfo.output_components);
    d.line.resize(size_t(width) * channels);
    if (grey) {
        out.paletted = true;
        out.palette = picture_detail::GreyPalette(256);
        frame.index.resize(size_t(width) * height);
    } else {
        frame.bgra.resize(size_t(width) * height * 4);
    }
    while (d.cinfo.output_scanline < height) {
        const uint32_t y = d.cinfo.output_scanline;
        JSAMPROW row = d.line.data();
        jpeg_read_scanlines(&d.cinfo, &row, 1);
        if (grey) {
            std::copy(d.line.begin(), d.line.begin() + width,
                      frame.index.begin() + size_t(y) * width);
        } else if (cmyk) {
            // Adobe writes inverted CMYK: each stored value is 255 - ink.
            const bool inverted = d.cinfo.saw_Adobe_marker;
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t* s = &d.line[x * 4];
                uint32_t c = s[0], m = s[1], yy = s[2], k = s[3];
                if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
                uint8_t* p = &frame.bgra[(size_t(y) * width + x) * 4];
                p[0] = uint8_t(yy * k / 255);
                p[1] = uint8_t(m * k / 255);
                p[2] = uint8_t(c * k / 255);
                p[3] = 255;
            }
        } else {
            std::copy(d.line.begin(), d.line.end(), frame.bgra.begin() + size_t(y) * width * 4);
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

}  // namespace

bool ReadJpeg(std::span<const uint8_t> bytes, Picture& out) {
    if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        ResLog("JPG图片错误:文件头错误");
        return false;
    }
    Decode d;
    d.cinfo.err = jpeg_std_error(&d.err.base);
    d.err.base.error_exit = OnError;
    d.err.base.emit_message = OnMessage;
    return Run(d, bytes, out);
}

}  // namespace engine
