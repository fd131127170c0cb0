#include "engine/pool_entity.h"

#include <algorithm>
#include <utility>

namespace engine {

// Only the points inside the entity's box (its screen rectangle shifted back
// into the layer's world) are plotted, each where it lies in the world.
void PoolPayload::Draw(const DrawContext& context, const DrawRecord& record, double opacity) const {
    const LayerView& v = context.view;
    const int64_t viewX = int64_t(v.centreX) - v.halfWidth,
                  viewY = int64_t(v.centreY) - v.halfHeight;
    const int64_t left = int64_t(record.screenX) - (int64_t(record.width) + 1) / 2;
    const int64_t top = int64_t(record.screenY) - (int64_t(record.height) + 1) / 2;
    const int64_t x0 = std::max<int64_t>(left, context.clip.left) + viewX;
    const int64_t y0 = std::max<int64_t>(top, context.clip.top) + viewY;
    const int64_t x1 = std::min<int64_t>(left + record.width, context.clip.right) + viewX;
    const int64_t y1 = std::min<int64_t>(top + record.height, context.clip.bottom) + viewY;
    if (x1 <= x0 || y1 <= y0) return;
    DrawPointList(context.surface, Saturate32(viewX), Saturate32(viewY), Saturate32(x0),
                  Saturate32(y0), Saturate32(x1), Saturate32(y1), points, opacity);
}

PoolEntity::PoolEntity() : Entity(kKindPool) {
    SetPayload(std::make_unique<PoolPayload>());
}

PoolPayload& PoolEntity::State() {
    return *static_cast<PoolPayload*>(GetPayload());
}

void PoolEntity::Init() {
    State().points.clear();
}

void PoolEntity::AddPoint(const PoolPoint& point) {
    State().points.push_back(point);
}

size_t PoolEntity::PointCount() const {
    return static_cast<const PoolPayload*>(GetPayload())->points.size();
}

namespace {

void RunCallbacks(std::vector<CallbackRecord>& records) {
    for (CallbackRecord& record : records)
        if (record.function) record.function(record.argument);
}

}  // namespace

CallbackPayload::~CallbackPayload() {
    RunCallbacks(records);
}

CallbackEntity::CallbackEntity() : Entity(kKindCallback) {
    SetPayload(std::make_unique<CallbackPayload>());
}

void CallbackEntity::Init(std::vector<CallbackRecord> records) {
    auto* payload = static_cast<CallbackPayload*>(GetPayload());
    std::vector<CallbackRecord> old = std::exchange(payload->records, std::move(records));
    RunCallbacks(old);
}

size_t CallbackEntity::RecordCount() const {
    return static_cast<const CallbackPayload*>(GetPayload())->records.size();
}

}  // namespace engine
