#pragma once
// A button frame: a bar cut from a picture (left end, one middle piece per
// slot, right end) whose slots hold other controls. The frame entity is a
// plain entity on the top layer; the pieces and the buttons are its
// children, so they move, fade and show with it. With kFrameGrow the bar
// fades in while the cursor is over it and out when it leaves; with
// kFrameEnableOnGrow its buttons work only while it is shown.

#include <cstdint>
#include <vector>

#include "engine/control.h"

namespace engine {

struct ControlRecord;

struct FramePiece {
    uint32_t imageId = 0;
    int32_t srcX = 0, srcY = 0, width = 0, height = 0;
    uint32_t colorKey = 0xFF00FF;
};

struct FrameDefinition {
    FramePiece left, right, middle;
};

// Frame flags.
inline constexpr uint32_t kFrameGrow = 1;
inline constexpr uint32_t kFrameEnableOnGrow = 2;

// The frame's own message when it has shown its buttons.
inline constexpr uint32_t kFrameShown = 14;

class ButtonFrame : public Control {
  public:
    // `definition` may be null (no pieces until SetButtonCount gives one).
    int Init(uint32_t count, const FrameDefinition* definition, uint32_t flags);

    // In their fixed order: the pieces from the definition, their layout,
    // the buttons moved into their slots (the number placed), a control put
    // into slot n (the one it replaced, 0 for none) and taken out again
    // (the one taken, 0 for none).
    virtual int LoadFrame();
    virtual void Layout();
    virtual int PlaceButtons();
    virtual uint32_t OnButton(uint32_t n, uint32_t controlId);
    virtual uint32_t OffButton(uint32_t n);

    // The control in slot n, looked up again (null when it has gone, which
    // empties the slot).
    ControlRecord* GetButton(uint32_t n);
    // A new count (-1 keeps it) and definition (null keeps it): the buttons
    // that no longer fit are counted, and with mode 1 removed. -1 when
    // nothing changes.
    int SetButtonCount(int32_t count, const FrameDefinition* definition, int mode);
    // The size slot n imposes on its button (0, 0: keep the button's).
    void SetSlotSize(uint32_t n, int32_t width, int32_t height);
    void SetFlags(uint32_t flags) { flags_ |= flags; }
    uint32_t Flags() const { return flags_; }
    int SetEventEntry(uint32_t n, int32_t code, platform::Payload payload);
    int32_t GetWidth() const;
    int32_t GetHeight() const;
    bool IsExpanded() const { return expanded_; }
    uint32_t ButtonCount() const { return uint32_t(slots_.size()); }
    // Every image button gets back colour 0 and is enabled; each sends its
    // leave entry (system command 67).
    void ResetButtons();

    int OnEvent(EngineMessage& event) override;

  private:
    struct Slot {
        int32_t offsetX = 0, offsetY = 0;
        int32_t width = 0, height = 0;
        uint32_t controlId = 0;
    };

    Entity* FrameEntity() const { return BoundEntity(); }
    Entity* SlotEntity(const Slot& slot) const;
    void Grow(const EngineMessage& event);
    void Shrink();
    void EnableButtons(bool enable);
    void DropPieces();
    bool PointInside(const EngineMessage& event) const;

    bool initialised_ = false;
    bool expanded_ = false;
    uint32_t flags_ = 0;
    bool hasDefinition_ = false;
    FrameDefinition definition_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> pieces_;  // entity ids: left, right, then one middle per slot
};

}  // namespace engine
