#pragma once
// Two small kinds: the point set (kind 256), plotted pixel by pixel, and the
// callback list (kind 512), whose functions run when the entity goes.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/draw_payloads.h"
#include "engine/entity.h"

namespace engine {

class PoolPayload : public SelfDrawnPayload {
  public:
    PoolPayload() : SelfDrawnPayload(kKindPool) {}
    void Draw(const DrawContext& context, const DrawRecord& record, double opacity) const override;

    std::vector<PoolPoint> points;  // in the layer's world
};

class PoolEntity : public Entity {
  public:
    PoolEntity();
    // Empties the point set.
    void Init();
    void AddPoint(const PoolPoint& point);
    size_t PointCount() const;

  private:
    PoolPayload& State();
};

// One record of a callback list; the first and third words are kept as
// given.
struct CallbackRecord {
    uint32_t word0 = 0;
    uint32_t argument = 0;
    uint32_t word2 = 0;
    std::function<void(uint32_t argument)> function;
};

// Runs each record's function with its argument, in order, when it goes.
class CallbackPayload : public EntityPayload {
  public:
    CallbackPayload() : EntityPayload(kKindCallback) {}
    ~CallbackPayload() override;
    std::vector<CallbackRecord> records;
};

class CallbackEntity : public Entity {
  public:
    CallbackEntity();
    // Takes the records; the ones held before run now, as at the end.
    void Init(std::vector<CallbackRecord> records);
    size_t RecordCount() const;
};

}  // namespace engine
