// Decodes arbitrary bytes as a packed ".pps" picture, binding shared palettes
// from a table that holds one.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/palette.h"
#include "pictures/pps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const engine::PaletteTable& table = []() -> const engine::PaletteTable& {
        static engine::PaletteTable t;
        std::vector<uint8_t> quad(34 + 16 * 3, 0);
        quad[0] = 'p';
        quad[32] = 16;
        t.LoadQuad(quad);
        return t;
    }();
    engine::ImageRecord image;
    engine::LoadPps({data, size}, image, table);
    return 0;
}
