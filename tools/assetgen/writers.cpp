#include "tools/assetgen/writers.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/bytes.h"

namespace assetgen {
namespace {

void Tag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}

// BITMAPINFOHEADER for a picture `height` rows high (twice that for icons).
void InfoHeader(platform::ByteWriter& w, int width, int height, int bits, uint32_t imageBytes) {
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(uint16_t(bits));
    w.U32(0);  // no compression
    w.U32(imageBytes);
    w.I32(2835);  // 72 dots per inch
    w.I32(2835);
    w.U32(0);
    w.U32(0);
}

}  // namespace

bool WriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteBytes(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

bool WriteBmp(const std::string& path, const platform::Surface& picture) {
    const int width = picture.Width(), height = picture.Height();
    const uint32_t stride = uint32_t(width * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * uint32_t(height);
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    out.push_back('B');
    out.push_back('M');
    w.U32(14 + 40 + imageBytes);
    w.U32(0);
    w.U32(14 + 40);
    InfoHeader(w, width, height, 24, imageBytes);
    for (int y = height - 1; y >= 0; --y) {
        const size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const uint32_t p = picture.At(x, y);
            out.insert(out.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)});
        }
        out.resize(start + stride, 0);
    }
    return WriteBytes(path, out);
}

bool WriteIco(const std::string& path, const std::vector<platform::Surface>& images) {
    std::vector<std::vector<uint8_t>> bodies;
    for (const platform::Surface& image : images) {
        const int width = image.Width(), height = image.Height();
        const uint32_t maskStride = uint32_t((width + 31) / 32 * 4);
        std::vector<uint8_t> body;
        platform::ByteWriter w(body);
        InfoHeader(w, width, 2 * height, 32, uint32_t(width * height * 4) + maskStride * height);
        for (int y = height - 1; y >= 0; --y)
            for (int x = 0; x < width; ++x)
                w.U32(image.At(x, y));
        for (int y = height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < width; ++x)
                if ((image.At(x, y) >> 24) < 128) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(body));
    }
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U16(0);
    w.U16(1);
    w.U16(uint16_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(uint8_t(images[i].Width() & 0xFF));
        out.push_back(uint8_t(images[i].Height() & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);
        w.U16(1);
        w.U16(32);
        w.U32(uint32_t(bodies[i].size()));
        w.U32(offset);
        offset += uint32_t(bodies[i].size());
    }
    for (const auto& body : bodies)
        out.insert(out.end(), body.begin(), body.end());
    return WriteBytes(path, out);
}

bool WriteWav(const std::string& path, const std::vector<double>& samples, int rate) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    const uint32_t data = uint32_t(samples.size() * 2);
    Tag(out, "RIFF");
    w.U32(36 + data);
    Tag(out, "WAVE");
    Tag(out, "fmt ");
    w.U32(16);
    w.U16(1);  // PCM
    w.U16(1);  // mono
    w.U32(uint32_t(rate));
    w.U32(uint32_t(rate) * 2);
    w.U16(2);
    w.U16(16);
    Tag(out, "data");
    w.U32(data);
    for (double s : samples)
        w.I16(int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 32767.0)));
    return WriteBytes(path, out);
}

}  // namespace assetgen
