#include "pictures/palette.h"

#include <algorithm>
#include <cstdlib>

#include "pictures/res_log.h"

namespace engine {

std::optional<std::string> ReadPaletteName(platform::ByteReader& reader) {
    auto field = reader.Bytes(kPaletteNameBytes);
    auto end = std::find(field.begin(), field.end(), uint8_t(0));
    if (reader.ok() && end == field.end()) {
        ResLog("调色板名称缺少结尾的NUL!");
        return std::nullopt;
    }
    return std::string(field.begin(), end);
}

void PaletteRecord::Set(std::span<const uint8_t> rgbTriples, uint32_t count,
                        std::string_view name) {
    name_ = std::string(name.substr(0, std::min(name.size(), kPaletteNameBytes - 1)));
    count_ = std::min<uint32_t>(count, kMaxPaletteColors);
    count_ = std::min<uint32_t>(count_, uint32_t(rgbTriples.size() / 3));
    colors_.fill(0);
    std::copy_n(rgbTriples.begin(), count_ * 3, colors_.begin());
}

bool PaletteRecord::Assign(std::span<const uint8_t> quadBytes) {
    platform::ByteReader reader(quadBytes);
    std::optional<std::string> name = ReadPaletteName(reader);
    uint32_t count = reader.U16();
    if (!reader.ok()) {
        ResLog("调色板数据过短(%zu字节)!", quadBytes.size());
        return false;
    }
    if (!name) return false;
    if (count > kMaxPaletteColors) count = kMaxPaletteColors;
    auto triples = reader.Bytes(size_t(count) * 3);
    if (!reader.ok()) {
        ResLog("调色板%s长度不足!", name->c_str());
        return false;
    }
    Set(triples, count, *name);
    return true;
}

uint32_t PaletteRecord::Lookup(uint32_t colorref) const {
    const int r = int(colorref & 0xFF), g = int((colorref >> 8) & 0xFF),
              b = int((colorref >> 16) & 0xFF);
    auto cube = [](int d) { return uint32_t(std::abs(d * d * d)); };
    uint32_t best = 1000000, bestIndex = 0;
    for (uint32_t i = 0; i < count_; ++i) {
        const uint8_t* c = &colors_[i * 3];
        uint32_t d = cube(r - c[0]) + cube(g - c[1]) + cube(b - c[2]);
        if (d == 0) return i;
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}

bool PaletteTable::LoadQuad(std::span<const uint8_t> quadBytes) {
    PaletteRecord record;
    if (!record.Assign(quadBytes)) return false;
    std::string name = record.name();
    table_.try_emplace(std::move(name), record);
    return true;
}

const PaletteRecord* PaletteTable::Find(std::string_view name) const {
    auto it = table_.find(name);
    return it == table_.end() ? nullptr : &it->second;
}

}  // namespace engine
