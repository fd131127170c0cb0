#include "engine/anim_entity.h"

#include <map>

#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"
#include "engine/screen_device.h"

namespace engine {

void AnimPayload::Draw(const DrawContext& context, const DrawRecord& record, double opacity) const {
    if (strip.flags & kStripAdvanceWhenDrawn) strip.Step(context.now);
    if (strip.imageId == 0 || !context.images) return;
    const ImageRecord* image = context.images->GetImage(strip.imageId);
    if (!image) return;
    BlitPlacement p = PlacementOf(record, record.flags, context.clip);
    BlitImage(context.surface, p, *image, strip.srcX, strip.srcY, strip.width, strip.height,
              opacity, kNoBlendColor);
}

AnimEntity::AnimEntity() : Entity(kKindAnim) {
    SetPayload(std::make_unique<AnimPayload>());
}

AnimPayload& AnimEntity::State() {
    return *static_cast<AnimPayload*>(GetPayload());
}

const FrameStrip& AnimEntity::Strip() const {
    return static_cast<const AnimPayload*>(GetPayload())->strip;
}

int AnimEntity::Create(const FrameSet* frames, double speed, uint32_t flags) {
    SetFrames(frames, speed, flags);
    if (frames && !frames->frames.empty()) {
        const FrameStrip& s = State().strip;
        State().strip.imageId = frames->frames.front().imageId;
        SetSize(s.set->frameWidth, s.set->frameHeight);
    }
    return kEngineOk;
}

int AnimEntity::SetFrames(const FrameSet* frames, double speed, uint32_t flags) {
    if (!frames) return kEngineOk;
    AnimPayload& state = State();
    if (!(flags & kStripOwnsSets)) {
        state.strip.Bind(frames, speed, flags);
        state.owned.clear();
        return kEngineOk;
    }
    // The chain is copied set by set; a chain that leads back to one of its
    // sets keeps doing so in the copy.
    std::deque<FrameSet> copy;
    std::map<const FrameSet*, FrameSet*> copied;
    for (const FrameSet* s = frames; s && !copied.count(s); s = s->next) {
        copy.push_back(*s);
        copy.back().Recount();
        copied[s] = &copy.back();
    }
    for (FrameSet& s : copy)
        if (s.next) s.next = copied.at(s.next);
    state.strip.Bind(&copy.front(), speed, flags);
    state.owned = std::move(copy);  // a deque keeps its elements in place
    return kEngineOk;
}

int AnimEntity::Advance(uint32_t now) {
    FrameStrip& strip = State().strip;
    const uint32_t image = strip.imageId;
    const int32_t x = strip.srcX, y = strip.srcY;
    const int result = strip.Step(now);
    // The same cell needs no repaint; a new one repaints the entity's box.
    if (strip.imageId != image || strip.srcX != x || strip.srcY != y) Update();
    return result;
}

void AnimEntity::Play() {
    State().strip.flags |= kStripPlaying;
}

bool AnimEntity::IsPlaying() const {
    return (Strip().flags & kStripPlaying) != 0;
}

void AnimEntity::Pause() {
    State().strip.flags &= ~kStripPlaying;
}

}  // namespace engine
