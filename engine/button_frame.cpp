#include "engine/button_frame.h"

#include <algorithm>

#include "engine/apply_steps.h"
#include "engine/control_record.h"
#include "engine/game_log.h"
#include "engine/image_entity.h"
#include "engine/text_entity.h"
#include "engine/world.h"

namespace engine {
namespace {

constexpr int kFrameLayer = 4;
// Pieces and buttons move, turn, fade, show, size and go with the frame.
constexpr uint32_t kFrameLink = 0x1806F;

int32_t Half(int32_t size) {
    return Saturate32((int64_t(size) + 1) / 2);
}

}  // namespace

int ButtonFrame::Init(uint32_t count, const FrameDefinition* definition, uint32_t flags) {
    slots_.assign(count, {});
    flags_ = flags;
    Entity* frame = world_->CreateEntity(kKindBase, 0, 0, 0, 0, 0.0, 1, 1, 1.0);
    frame->SetLayer(&world_->Screen(), kFrameLayer);
    world_->BindControl(Record(), frame, kOwnEntityBinding);
    initialised_ = true;
    if (definition) {
        definition_ = *definition;
        hasDefinition_ = true;
        LoadFrame();
    }
    return 1;
}

int ButtonFrame::LoadFrame() {
    Entity* frame = FrameEntity();
    if (!frame || !hasDefinition_) return 0;
    const FrameDefinition& d = definition_;
    const int64_t count = int64_t(slots_.size());
    frame->SetSize(Saturate32(count * d.middle.width + d.left.width + d.right.width),
                   d.left.height);
    frame->Update();
    std::vector<const FramePiece*> parts = {&d.left, &d.right};
    parts.insert(parts.end(), slots_.size(), &d.middle);
    for (const FramePiece* part : parts) {
        auto* piece = static_cast<ImageEntity*>(world_->CreateEntity(
            kKindImage, frame->GetX(), frame->GetY(), part->width, part->height, 0.0,
            frame->GetDepth() + 1, frame->IsVisible() ? 1 : 0, frame->GetOpacity()));
        piece->SetImage(part->imageId, part->srcX, part->srcY, part->width, part->height,
                        kNoBlendColor);
        if (piece->SetLayer(&world_->Screen(), kFrameLayer) == 0) {
            world_->DestroyEntity(piece);
            continue;
        }
        frame->AttachChild(piece, kFrameLink);
        pieces_.push_back(piece->GetId());
    }
    Layout();
    return 1;
}

void ButtonFrame::Layout() {
    Entity* frame = FrameEntity();
    if (!frame || pieces_.size() < 2) return;
    const int32_t cy = frame->GetY();
    int64_t x = frame->GetLeft();
    auto place = [&](uint32_t id) -> int32_t {
        Entity* piece = world_->FindEntity(id);
        if (!piece) return 0;
        const int32_t centre = Saturate32(x + Half(piece->GetWidth()));
        piece->MoveTo(centre, cy);
        piece->Update();
        x += piece->GetWidth();
        return centre;
    };
    place(pieces_[0]);
    for (size_t i = 0; i < slots_.size() && i + 2 < pieces_.size(); ++i) {
        slots_[i].offsetX = Saturate32(int64_t(place(pieces_[i + 2])) - frame->GetX());
        slots_[i].offsetY = 0;
    }
    place(pieces_[1]);
    PlaceButtons();
}

Entity* ButtonFrame::SlotEntity(const Slot& slot) const {
    const ControlRecord* record = world_->GetControl(slot.controlId);
    return record ? world_->FindEntity(record->entityId) : nullptr;
}

int ButtonFrame::PlaceButtons() {
    const Entity* frame = FrameEntity();
    if (!frame) return 0;
    // A button told 14 may take the frame with it; this loop ends first.
    World::DeliveryScope held(*world_);
    int placed = 0;
    for (const Slot& slot : slots_) {
        Entity* button = SlotEntity(slot);
        if (!button) continue;
        button->MoveTo(Saturate32(int64_t(frame->GetX()) + slot.offsetX),
                       Saturate32(int64_t(frame->GetY()) + slot.offsetY));
        if (slot.width && slot.height &&
            (button->GetWidth() != slot.width || button->GetHeight() != slot.height))
            button->SetSize(slot.width, slot.height);
        button->Update();
        if (ControlRecord* record = world_->GetControl(slot.controlId))
            record->SendToOwner(kFrameShown);
        ++placed;
    }
    return placed;
}

uint32_t ButtonFrame::OnButton(uint32_t n, uint32_t controlId) {
    if (n >= slots_.size()) {
        WriteGameLog("BUTTONFRAME::OnButton()错误,一个越界的请求");
        return 0;
    }
    Slot& slot = slots_[n];
    if (slot.controlId == controlId) return controlId;
    const uint32_t previous = slot.controlId;
    Entity* frame = FrameEntity();
    // The control taken out no longer follows the frame.
    if (Entity* old = SlotEntity(slot); old && frame) frame->DetachChild(old->GetId());
    slot.controlId = controlId;
    if (Entity* button = SlotEntity(slot); button && frame) {
        button->SetDepth(frame->GetDepth() + 2);
        frame->AttachChild(button, kFrameLink);
    }
    PlaceButtons();
    return previous;
}

uint32_t ButtonFrame::OffButton(uint32_t n) {
    if (n >= slots_.size()) {
        WriteGameLog("BUTTONFRAME::OffButton()错误,一个越界的请求");
        return 0;
    }
    Slot& slot = slots_[n];
    const uint32_t removed = slot.controlId;
    if (Entity* button = SlotEntity(slot); button && FrameEntity())
        FrameEntity()->DetachChild(button->GetId());
    slot.controlId = 0;
    PlaceButtons();
    return removed;
}

ControlRecord* ButtonFrame::GetButton(uint32_t n) {
    if (n >= slots_.size()) {
        WriteGameLog("BUTTONFRAME::GetButton错误,一个越界的请求");
        return nullptr;
    }
    ControlRecord* record = world_->GetControl(slots_[n].controlId);
    if (!record && slots_[n].controlId != 0) OffButton(n);
    return record;
}

void ButtonFrame::DropPieces() {
    Entity* frame = FrameEntity();
    for (uint32_t id : pieces_) {
        if (frame) frame->DetachChild(id);
        world_->DeleteEntity(id);
    }
    pieces_.clear();
}

int ButtonFrame::SetButtonCount(int32_t count, const FrameDefinition* definition, int mode) {
    const size_t newCount = count < 0 ? slots_.size() : size_t(count);
    if (newCount == slots_.size() && !definition) return -1;
    std::vector<uint32_t> buttons;
    for (const Slot& slot : slots_)
        buttons.push_back(slot.controlId);
    DropPieces();
    slots_.assign(newCount, {});
    if (definition) {
        definition_ = *definition;
        hasDefinition_ = true;
    }
    LoadFrame();
    int beyond = 0;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (i < newCount) {
            slots_[i].controlId = buttons[i];
            continue;
        }
        if (buttons[i] == 0) continue;
        ++beyond;
        Slot gone{0, 0, 0, 0, buttons[i]};
        if (Entity* button = SlotEntity(gone); button && FrameEntity())
            FrameEntity()->DetachChild(button->GetId());
        if (mode == 1 && world_->GetControl(buttons[i])) world_->RemoveControl(buttons[i]);
    }
    PlaceButtons();
    return beyond;
}

void ButtonFrame::SetSlotSize(uint32_t n, int32_t width, int32_t height) {
    if (n >= slots_.size()) return;
    slots_[n].width = width;
    slots_[n].height = height;
}

int ButtonFrame::SetEventEntry(uint32_t n, int32_t code, platform::Payload payload) {
    ControlRecord* record = Record();
    if (!initialised_ || !record) {
        WriteGameLog("按键框控件设定错误，框体尚未初始化");
        return 0;
    }
    return record->SetEvent(n, code, 0, std::move(payload));
}

int32_t ButtonFrame::GetWidth() const {
    const Entity* frame = FrameEntity();
    return frame ? frame->GetWidth() : 0;
}

int32_t ButtonFrame::GetHeight() const {
    const Entity* frame = FrameEntity();
    return frame ? frame->GetHeight() : 0;
}

bool ButtonFrame::PointInside(const EngineMessage& event) const {
    const MouseState* state = event.payload.Get<MouseState>();
    const Entity* frame = FrameEntity();
    return state && frame && frame->HitsScreenPoint(state->x, state->y);
}

void ButtonFrame::Grow(const EngineMessage& event) {
    Entity* frame = FrameEntity();
    if (!frame) return;
    expanded_ = true;
    world_->PushCommand(kCmdCancelEntity, frame->GetId(), 3, 1);
    EngineMessage shown{kFrameShown, event.payload.Clone(), controlId_};
    world_->AddApply(frame->GetId(),
                     MakeFadeTiming(world_->GetClockStep(), 0.1, 1.0, std::move(shown)), StepFade,
                     0, 0, 0, kFacadeLevel);
}

void ButtonFrame::Shrink() {
    Entity* frame = FrameEntity();
    if (!frame) return;
    expanded_ = false;
    EnableButtons(false);
    world_->PushCommand(kCmdCancelEntity, frame->GetId(), 3, 1);
    for (const Slot& slot : slots_) {
        Entity* button = SlotEntity(slot);
        if (auto* image = dynamic_cast<ImageEntity*>(button)) image->SetBackColor(kNoBlendColor);
        if (auto* text = dynamic_cast<TextEntity*>(button)) text->SetColor(kNoBlendColor);
        if (button) button->Update();
    }
    world_->AddApply(frame->GetId(), MakeFadeTiming(world_->GetClockStep(), -0.1, 0.0, {}),
                     StepFade, 0, 0, 0, kFacadeLevel);
}

// Buttons are enabled only while the frame is out, and disabled only while
// it is in.
void ButtonFrame::EnableButtons(bool enable) {
    if (enable != expanded_) return;
    World::DeliveryScope held(*world_);
    for (const Slot& slot : slots_) {
        const Entity* button = SlotEntity(slot);
        if (!button || (button->GetKind() != kKindImage && button->GetKind() != kKindText))
            continue;
        ControlRecord* record = world_->GetControl(slot.controlId);
        record->SetEnabled(enable ? 1 : 0);
        if (enable) {
            if (ControlRecord* still = world_->GetControl(slot.controlId))
                still->SendToOwner(kFrameShown);
        }
    }
}

void ButtonFrame::ResetButtons() {
    World::DeliveryScope held(*world_);
    for (const Slot& slot : slots_) {
        auto* image = dynamic_cast<ImageEntity*>(SlotEntity(slot));
        if (!image) continue;
        image->SetBackColor(0);
        image->Update();
        ControlRecord* record = world_->GetControl(slot.controlId);
        record->SetEnabled(1);
        record = world_->GetControl(slot.controlId);
        if (const EventEntry* leave = record ? record->GetEvent(kEvLeave) : nullptr)
            world_->SendMessage({uint32_t(leave->code), leave->payload.Clone(), leave->target},
                                kSendNow);
    }
}

int ButtonFrame::OnEvent(EngineMessage& event) {
    switch (event.code) {
        case kEvEnter:
            if (!(flags_ & kFrameGrow)) return 0;
            if (!expanded_ && PointInside(event)) Grow(event);
            return 1;
        case kEvLeave:
            if (!(flags_ & kFrameGrow)) return 0;
            if (expanded_ && !PointInside(event)) Shrink();
            return 1;
        case kFrameShown:
            if (flags_ & kFrameEnableOnGrow) EnableButtons(true);
            return 0;
        default:
            return 0;
    }
}

}  // namespace engine
