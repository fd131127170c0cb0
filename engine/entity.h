#pragma once
// An entity: one object of the scene, a rectangle with a centre, size,
// depth, angle, opacity and visibility, drawn by its screen layer from its
// draw record. Linked children follow the changes their link asks for, so a
// group moves, turns, fades, shows and hides as one.
//
// Entities are addressed by id and never move in memory once made (the layer
// keeps a pointer to the draw record, children to their parent): the World
// holds each one on the heap and calls Release before dropping it.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/draw_record.h"
#include "engine/entity_payload.h"
#include "engine/geometry.h"

namespace engine {

class LayerHost;

// Link flags: which changes of the parent pass to the child.
inline constexpr uint32_t kLinkOwned = 0x1;  // destroying the parent deletes the child
inline constexpr uint32_t kLinkRotation = 0x2;
inline constexpr uint32_t kLinkShowHide = 0x4;
inline constexpr uint32_t kLinkOpacity = 0x8;
inline constexpr uint32_t kLinkPickable = 0x10;
inline constexpr uint32_t kLinkUpdate = 0x20;
inline constexpr uint32_t kLinkSize = 0x40;
inline constexpr uint32_t kLinkGuard =
    0x100;  // only while the parent's layer still maps the child's item
inline constexpr uint32_t kLinkHideRemember = 0x1000;
inline constexpr uint32_t kLinkHiddenByParent = 0x2000;
inline constexpr uint32_t kLinkClip = 0x4000;
inline constexpr uint32_t kLinkDepth = 0x8000;
inline constexpr uint32_t kLinkPosition = 0x10000;

// Parent-child chains longer than this are refused: every change walks them
// recursively, and scripts choose the links.
inline constexpr int kMaxLinkDepth = 64;

class Entity;

struct ChildLink {
    uint32_t childId = 0;
    uint32_t childItem = 0;  // the child's item when it was attached
    uint32_t flags = 0;
    Entity* child = nullptr;
};

class Entity {
  public:
    explicit Entity(uint32_t kind = kKindBase);
    virtual ~Entity();
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    // The kind's initialiser, which builds the payload; the base has none.
    virtual bool CreatePayload() { return false; }

    // Clears the draw record, then sets the geometry, visibility and opacity.
    void Init(int32_t x, int32_t y, int32_t width, int32_t height, double angle, int32_t depth,
              uint32_t visible, double opacity);

    // Placement. SetLayer gives the new item, 0 when refused (a kind other
    // than 0 whose payload does not exist yet, or a layer the screen lacks).
    uint32_t SetLayer(LayerHost* screen, int layer);
    void RemoveFromScreen();
    bool IsPlaced() const { return layer_ != -1; }
    // Unlinks children and parent, leaves the screen and frees the payload.
    void Release();

    // Hands the layer the changed record (or only visibility and opacity),
    // then refreshes children linked for it. 0 when the entity has no item.
    int Update();

    // Geometry; each marks the record dirty only on a real change, then
    // passes the change to the children whose link asks for it.
    void MoveTo(int32_t x, int32_t y);
    void MoveBy(int32_t dx, int32_t dy);
    void RotateBy(double angle);
    void SetRotation(double angle);
    void RotateAbout(int32_t px, int32_t py, double angle);
    void AddDepth(int32_t d);
    void SetDepth(int32_t depth);
    void AddSize(int32_t dw, int32_t dh);
    void SetSize(int32_t width, int32_t height);
    void ScaleSize(double fx, double fy);
    void SetOpacity(double opacity);
    void SetDrawFlags(uint32_t flags);
    void SetSourceRect(const Rect& rect);
    void SetPickable(uint32_t pickable);
    // Show and Hide do not refresh: callers run Update.
    void Show();
    void Hide();

    // The names the table scene and the scripts use for the same operations.
    void ShiftDepth(int32_t d) { AddDepth(d); }
    void Grow(int32_t dw, int32_t dh) { AddSize(dw, dh); }
    void SetScale(double opacity) { SetOpacity(opacity); }
    double GetScale() const { return opacity_; }
    void SetSizeRotated(int32_t px, int32_t py, double angle) { RotateAbout(px, py, angle); }

    // Queries.
    uint32_t GetId() const { return id_; }
    uint32_t GetKind() const { return kind_; }
    int32_t GetX() const { return record_.x; }
    int32_t GetY() const { return record_.y; }
    int32_t GetLeft() const;
    int32_t GetRight() const;
    int32_t GetTop() const;
    int32_t GetBottom() const;
    Point GetTopLeft() const { return {GetLeft(), GetTop()}; }
    int32_t GetWidth() const { return record_.width; }
    int32_t GetWidthField() const { return record_.width; }
    int32_t GetHeight() const { return record_.height; }
    int32_t GetDepth() const { return record_.depth; }
    double GetAngle() const { return record_.angle; }
    double GetOpacity() const { return opacity_; }
    uint32_t GetDrawFlags() const { return record_.flags; }
    DrawRecord GetBox() const { return record_; }
    const DrawRecord& record() const { return record_; }
    bool IsVisible() const { return visible_ != 0; }
    bool IsPickable() const { return pickable_ != 0; }
    bool IsDirty() const { return dirty_ != 0; }
    bool IsFrameBound() const { return (record_.flags & kDrawInView) == kDrawInView; }
    bool IsCreated() const { return created_ != 0; }
    Point ScreenToLocal(int32_t x, int32_t y) const;
    // Whether a screen point lies strictly inside the entity's turned box,
    // as the layer's hit test takes it.
    bool HitsScreenPoint(int32_t x, int32_t y) const;

    uint32_t GetItem() const { return item_; }
    int GetLayerIndex() const { return layer_; }
    LayerHost* GetScreen() const { return screen_; }
    uint32_t GetControlId() const { return controlId_; }
    const EntityPayload* GetPayload() const { return payload_.get(); }
    EntityPayload* GetPayload() { return payload_.get(); }

    // Children.
    Entity* GetAttachedTo() const { return attachedTo_; }
    uint32_t GetChildCount() const { return uint32_t(children_.size()); }
    Entity* GetChild(uint32_t n) const {
        return n < children_.size() ? children_[n].child : nullptr;
    }
    uint32_t GetChildId(uint32_t n) const {
        return n < children_.size() ? children_[n].childId : 0;
    }
    const ChildLink* GetChildLink(uint32_t n) const {
        return n < children_.size() ? &children_[n] : nullptr;
    }
    // The new child count, 0 when refused: no child, a failed guard, the
    // entity itself or one of its parents (a loop), or a chain too long.
    uint32_t AttachChild(Entity* child, uint32_t flags);
    // The remaining count, 0 when no link has that id.
    uint32_t DetachChild(uint32_t childId);

    // Set by the World.
    void SetId(uint32_t id) { id_ = id; }
    void SetControlId(uint32_t id) { controlId_ = id; }

  protected:
    // Runs while the entity still has its item, just before it leaves the
    // screen (removed, placed elsewhere or released).
    virtual void OnLeaveScreen() {}
    // The kind initialiser hands over the payload; from then on the entity
    // counts as created and may be placed.
    void SetPayload(std::unique_ptr<EntityPayload> payload);
    void MarkDirty() { dirty_ = 1; }

  private:
    bool GuardHolds(const ChildLink& link) const;
    void DetachLink(Entity* child);
    void MoveByWide(int64_t dx, int64_t dy);
    template <typename F>
    void ForChildren(uint32_t flag, F&& f);
    int HeightBelow() const;  // levels of children under this entity
    int DepthAbove() const;   // parents above this entity

    uint32_t id_ = 0;
    uint32_t item_ = 0;
    int layer_ = -1;
    uint32_t controlId_ = 0;
    std::unique_ptr<EntityPayload> payload_;
    Entity* attachedTo_ = nullptr;
    std::vector<ChildLink> children_;
    LayerHost* screen_ = nullptr;
    uint32_t created_ = 0;
    uint32_t kind_;
    DrawRecord record_;
    uint32_t visible_ = 0;
    double opacity_ = 1.0;
    uint32_t dirty_ = 0;
    uint32_t pickable_ = 0;
};

}  // namespace engine
