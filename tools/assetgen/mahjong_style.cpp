#include "tools/assetgen/mahjong_style.h"

namespace assetgen {

using platform::RGB;

std::span<const TableLook> TableLooks() {
    // Ivory tiles with green backs on green cloth; white tiles with blue
    // backs on blue cloth.
    static const TableLook kLooks[] = {
        {"Classic", RGB(250, 246, 232), RGB(222, 212, 186), RGB(34, 128, 78), RGB(20, 92, 54),
         RGB(70, 64, 50), RGB(24, 104, 62), RGB(10, 58, 34), RGB(250, 226, 160), RGB(150, 96, 30),
         0},
        {"Azure", RGB(252, 251, 246), RGB(212, 216, 224), RGB(44, 100, 180), RGB(26, 66, 132),
         RGB(48, 56, 80), RGB(22, 48, 84), RGB(8, 22, 44), RGB(206, 228, 250), RGB(40, 90, 160), 5},
    };
    return kLooks;
}

}  // namespace assetgen
