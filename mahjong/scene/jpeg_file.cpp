#include "mahjong/scene/jpeg_file.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <vector>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <sys/stat.h>

#include "client/game_app.h"
#include "engine/game_log.h"
#include "platform/gui/message_box.h"
#include "platform/paths.h"

namespace mahjong {
namespace {

// libjpeg's default error handler ends the process; this one jumps back to
// the writer, which cleans up and answers 0.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    engine::WriteGameLog("JPEG写入错误:%s", message);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Destroying a compressor that was never created does nothing.
struct Compress {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    FILE* file = nullptr;
    ~Compress() {
        jpeg_destroy_compress(&cinfo);
        if (file) std::fclose(file);
    }
};

// Everything libjpeg may abandon with a jump; only plain data lives here.
bool Encode(Compress& c, JSAMPARRAY rows, int32_t width, int32_t height, int32_t quality) {
    if (setjmp(c.err.jump)) return false;
    jpeg_create_compress(&c.cinfo);
    jpeg_stdio_dest(&c.cinfo, c.file);
    c.cinfo.image_width = JDIMENSION(width);
    c.cinfo.image_height = JDIMENSION(height);
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_quality(&c.cinfo, quality, TRUE);
    jpeg_start_compress(&c.cinfo, TRUE);
    jpeg_write_scanlines(&c.cinfo, rows, JDIMENSION(height));
    jpeg_finish_compress(&c.cinfo);
    return true;
}

void ShowOpenFailure(const std::string& fileName) {
    const std::string text = "JpegFile :\nCan't open " + fileName + "\n";
    if (client::CGameApp* app = client::CGameApp::Current()) {
        app->MessageBox(text, platform::MB_OK);
    } else {
        engine::WriteGameLogText(text);
    }
}

}  // namespace

int JpegFile::WriteRgbJpeg(const std::string& fileName, const uint8_t* rgb, int32_t width,
                           int32_t height, int32_t quality) {
    if (!rgb) return 0;
    if (width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        engine::WriteGameLog("JPEG写入错误:尺寸%dx%d不合理", width, height);
        return 0;
    }
    // The file shows the screen's top row first: the buffer's last row.
    const size_t stride = size_t(width) * 3;
    std::vector<JSAMPROW> rows(static_cast<size_t>(height));
    for (int32_t r = 0; r < height; ++r)
        rows[size_t(height - 1 - r)] = const_cast<JSAMPROW>(rgb + size_t(r) * stride);

    const std::string os = platform::ResolvePath(fileName);
    Compress c;
    c.cinfo.err = jpeg_std_error(&c.err.base);
    c.err.base.error_exit = OnError;
    c.file = std::fopen(os.c_str(), "wb");
    if (!c.file) {
        ShowOpenFailure(fileName);
        return 0;
    }
    struct stat info {};
    const bool regular = fstat(fileno(c.file), &info) == 0 && S_ISREG(info.st_mode);
    bool written = Encode(c, rows.data(), width, height, quality);
    written = std::fflush(c.file) == 0 && written;
    written = std::fclose(c.file) == 0 && written;
    c.file = nullptr;
    if (!written) {
        // A cut file would pass for a screenshot; none is better. Only a
        // regular file is removed: the name may be a device.
        if (regular) std::remove(os.c_str());
        engine::WriteGameLog("JPEG写入错误:%s写入失败", fileName.c_str());
        return 0;
    }
    return 1;
}

}  // namespace mahjong
