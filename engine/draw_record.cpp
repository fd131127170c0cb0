#include "engine/draw_record.h"

#include <cmath>

namespace engine {

double DrawRecordRadius(int32_t width, int32_t height) {
    if (width < 1 || height < 1) return 0.0;
    const double hw = double((int64_t(width) + 1) / 2);
    const double hh = double((int64_t(height) + 1) / 2);
    return std::sqrt(hw * hw + hh * hh) + 0.5;
}

Rect DrawRecordBounds(DrawRecord& record) {
    if (record.angle == 0.0) {
        const int64_t left = int64_t(record.screenX) - (int64_t(record.width) + 1) / 2;
        const int64_t top = int64_t(record.screenY) - (int64_t(record.height) + 1) / 2;
        return MakeRect(left, top, left + record.width, top + record.height);
    }
    if (record.radius < 1) record.radius = DrawRecordRadiusInt(record.width, record.height);
    const int64_t r = record.radius;
    return MakeRect(record.screenX - r, record.screenY - r, int64_t(record.screenX) + r,
                    int64_t(record.screenY) + r);
}

}  // namespace engine
