// Reads arbitrary bytes as a ".quad" palette and looks colours up in it.

#include <cstddef>
#include <cstdint>

#include "pictures/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    engine::PaletteTable table;
    if (table.LoadQuad({data, size})) {
        engine::PaletteRecord record;
        record.Assign({data, size});
        record.Lookup(size >= 3 ? uint32_t(data[0] | data[1] << 8 | data[2] << 16) : 0xFF00FF);
    }
    return 0;
}
