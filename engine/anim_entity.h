#pragma once
// The animated picture (kind 16): a chain of frame sets played by time. The
// screen draws the cell the strip shows; a strip with kStripAdvanceWhenDrawn
// is moved on to the screen's time before each draw, any other is moved on
// by its owner through Advance.

#include <cstdint>
#include <deque>

#include "engine/draw_payloads.h"
#include "engine/entity.h"
#include "engine/frame_strip.h"

namespace engine {

// The strip and the frame sets the entity owns (kStripOwnsSets).
class AnimPayload : public SelfDrawnPayload {
  public:
    AnimPayload() : SelfDrawnPayload(kKindAnim) {}
    void Draw(const DrawContext& context, const DrawRecord& record, double opacity) const override;

    // Drawing may move a kStripAdvanceWhenDrawn strip on.
    mutable FrameStrip strip;
    std::deque<FrameSet> owned;
};

class AnimEntity : public Entity {
  public:
    AnimEntity();

    // Binds the frames (replacing what was bound) and records the first
    // frame's size; kEngineOk.
    int Create(const FrameSet* frames, double speed, uint32_t flags);
    // Starts `frames` from its first frame. With kStripOwnsSets the chain
    // is copied and kept by the entity; otherwise it must outlive the
    // binding. Nothing changes without frames; kEngineOk either way.
    int SetFrames(const FrameSet* frames, double speed, uint32_t flags);
    // Moves the strip on to `now`: a step result (kStripFrame while it
    // plays). The screen is told when the cell it shows changed.
    int Advance(uint32_t now);

    void Play();
    bool IsPlaying() const;
    // Stands the strip still on its frame; Play continues from there.
    void Pause();
    bool IsPaused() const { return !IsPlaying(); }
    const FrameStrip& Strip() const;

  private:
    AnimPayload& State();
};

}  // namespace engine
