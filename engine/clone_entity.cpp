#include "engine/clone_entity.h"

#include "engine/draw_payloads.h"

namespace engine {

void CloneEntity::Init(const Entity* source, bool copyGeometry) {
    if (!source || source->GetKind() == kKindClone) return;
    if (!GetPayload()) SetPayload(std::make_unique<ClonePayload>());
    auto* clone = static_cast<ClonePayload*>(GetPayload());
    clone->item = source->GetItem();
    clone->layer = source->GetLayerIndex();
    if (copyGeometry) {
        SetSize(source->GetWidth(), source->GetHeight());
        SetRotation(source->GetAngle());
        SetOpacity(source->GetOpacity());
        Update();
    }
}

}  // namespace engine
