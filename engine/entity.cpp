#include "engine/entity.h"

#include <algorithm>
#include <cmath>

#include "engine/layer_host.h"

namespace engine {

bool IsEntityKind(uint32_t kind) {
    switch (kind) {
        case kKindBase:
        case kKindImage:
        case kKindAnim:
        case kKindPool:
        case kKindCallback:
        case kKindClone:
        case kKindText:
        case kKindParticle:
            return true;
        default:
            return false;
    }
}

Entity::Entity(uint32_t kind) : kind_(kind) {}

// The World releases an entity before dropping it; this only covers an entity
// that never reached the World, so that no layer or relative keeps a pointer.
Entity::~Entity() {
    Release();
}

void Entity::Init(int32_t x, int32_t y, int32_t width, int32_t height, double angle, int32_t depth,
                  uint32_t visible, double opacity) {
    record_ = DrawRecord{};
    record_.x = x;
    record_.y = y;
    record_.depth = depth;
    record_.width = width;
    record_.height = height;
    record_.angle = std::isfinite(angle) ? angle : 0.0;
    record_.radius = DrawRecordRadiusInt(width, height);
    visible_ = visible;
    opacity_ = opacity;
}

void Entity::SetPayload(std::unique_ptr<EntityPayload> payload) {
    payload_ = std::move(payload);
    created_ = payload_ ? 1 : 0;
}

uint32_t Entity::SetLayer(LayerHost* screen, int layer) {
    if (!screen || (kind_ != kKindBase && !created_)) return 0;
    // Placing again moves the entity: its old item would otherwise stay on
    // screen with nothing to remove it.
    RemoveFromScreen();
    screen_ = screen;
    const uint32_t item =
        screen->AddLayerItem(layer, id_, &record_, opacity_, visible_, payload_.get());
    if (item == 0) return 0;
    item_ = item;
    layer_ = layer;
    // A control bound before placement made the entity pickable; the new item
    // must answer hit tests for it too.
    if (pickable_) screen->SetItemHitTest(layer_, item_, 1);
    return item;
}

void Entity::RemoveFromScreen() {
    if (layer_ == -1) return;
    OnLeaveScreen();
    if (screen_) screen_->RemoveLayerItem(layer_, item_);
    layer_ = -1;
    item_ = 0;
}

void Entity::Release() {
    for (ChildLink& link : children_) {
        if (link.child) link.child->attachedTo_ = nullptr;
    }
    children_.clear();
    children_.shrink_to_fit();
    if (attachedTo_) attachedTo_->DetachLink(this);
    // Off the screen before the payload goes: the layer points at both.
    RemoveFromScreen();
    payload_.reset();
    created_ = 0;
}

int Entity::Update() {
    if (item_ == 0 || !screen_) return 0;
    if (dirty_) {
        record_.radius = DrawRecordRadiusInt(record_.width, record_.height);
        screen_->UpdateLayerItem(layer_, item_, visible_ ? kItemShow : kItemHide, opacity_,
                                 record_);
    } else {
        screen_->SetLayerItemState(layer_, item_, visible_ ? kItemShow : kItemHide, opacity_);
    }
    dirty_ = 0;
    ForChildren(kLinkUpdate, [](Entity& child, ChildLink&) { child.Update(); });
    return 1;
}

bool Entity::GuardHolds(const ChildLink& link) const {
    if (!(link.flags & kLinkGuard)) return true;
    return screen_ && layer_ != -1 &&
           screen_->GetItemEntity(layer_, link.childItem) == link.childId;
}

template <typename F>
void Entity::ForChildren(uint32_t flag, F&& f) {
    for (size_t i = 0; i < children_.size(); ++i) {
        ChildLink& link = children_[i];
        if (!link.child || (flag && !(link.flags & flag)) || !GuardHolds(link)) continue;
        f(*link.child, link);
    }
}

void Entity::MoveTo(int32_t x, int32_t y) {
    MoveByWide(int64_t(x) - record_.x, int64_t(y) - record_.y);
}

void Entity::MoveBy(int32_t dx, int32_t dy) {
    MoveByWide(dx, dy);
}

// In 64 bits, so that a move across the whole coordinate range lands exactly.
void Entity::MoveByWide(int64_t dx, int64_t dy) {
    if (dx != 0 || dy != 0) {
        record_.x = Saturate32(record_.x + dx);
        record_.y = Saturate32(record_.y + dy);
        dirty_ = 1;
    }
    ForChildren(kLinkPosition, [&](Entity& child, ChildLink&) { child.MoveByWide(dx, dy); });
}

void Entity::RotateBy(double angle) {
    if (!std::isfinite(angle)) return;  // from a script: would poison every later turn
    if (angle != 0.0) {
        record_.angle += angle;
        dirty_ = 1;
    }
    ForChildren(kLinkRotation,
                [&](Entity& child, ChildLink&) { child.RotateAbout(record_.x, record_.y, angle); });
}

void Entity::SetRotation(double angle) {
    if (!std::isfinite(angle)) return;
    const double delta = angle - record_.angle;
    if (angle != record_.angle) {
        record_.angle = angle;
        dirty_ = 1;
    }
    ForChildren(kLinkRotation,
                [&](Entity& child, ChildLink&) { child.RotateAbout(record_.x, record_.y, delta); });
}

void Entity::RotateAbout(int32_t px, int32_t py, double angle) {
    if (!std::isfinite(angle)) return;
    if (angle != 0.0) {
        const Point p = RotatePoint(record_.x, record_.y, px, py, angle, 1);
        MoveTo(p.x, p.y);
    }
    RotateBy(angle);
}

void Entity::AddDepth(int32_t d) {
    if (d != 0) {
        record_.depth = int32_t(uint32_t(record_.depth) + uint32_t(d));
        dirty_ = 1;
    }
    ForChildren(kLinkDepth, [&](Entity& child, ChildLink&) { child.AddDepth(d); });
}

void Entity::SetDepth(int32_t depth) {
    const int32_t delta = int32_t(uint32_t(depth) - uint32_t(record_.depth));
    if (depth != record_.depth) {
        record_.depth = depth;
        dirty_ = 1;
    }
    ForChildren(kLinkDepth, [&](Entity& child, ChildLink&) { child.AddDepth(delta); });
}

void Entity::AddSize(int32_t dw, int32_t dh) {
    if (dw != 0 || dh != 0) {
        record_.width = Saturate32(int64_t(record_.width) + dw);
        record_.height = Saturate32(int64_t(record_.height) + dh);
        dirty_ = 1;
    }
    ForChildren(kLinkSize, [&](Entity& child, ChildLink&) { child.AddSize(dw, dh); });
}

void Entity::SetSize(int32_t width, int32_t height) {
    const int32_t dw = Saturate32(int64_t(width) - record_.width);
    const int32_t dh = Saturate32(int64_t(height) - record_.height);
    if (width != record_.width || height != record_.height) {
        record_.width = width;
        record_.height = height;
        dirty_ = 1;
    }
    ForChildren(kLinkSize, [&](Entity& child, ChildLink&) { child.AddSize(dw, dh); });
}

namespace {

int32_t ScaledSize(int32_t size, double factor) {
    return Saturate32(std::trunc(double(size) * factor));
}

}  // namespace

void Entity::ScaleSize(double fx, double fy) {
    if (fx != 1.0 || fy != 1.0) {
        record_.width = ScaledSize(record_.width, fx);
        record_.height = ScaledSize(record_.height, fy);
        dirty_ = 1;
    }
    ForChildren(kLinkSize, [&](Entity& child, ChildLink&) { child.ScaleSize(fx, fy); });
}

void Entity::SetOpacity(double opacity) {
    opacity_ = opacity;
    ForChildren(kLinkOpacity, [&](Entity& child, ChildLink&) { child.SetOpacity(opacity); });
}

void Entity::SetDrawFlags(uint32_t flags) {
    record_.flags = flags;
    dirty_ = 1;
}

void Entity::SetSourceRect(const Rect& rect) {
    record_.clip = rect;
    record_.flags |= kDrawClip;
    dirty_ = 1;
    ForChildren(kLinkClip, [&](Entity& child, ChildLink&) { child.SetSourceRect(rect); });
}

void Entity::SetPickable(uint32_t pickable) {
    pickable_ = pickable;
    if (screen_ && layer_ != -1) screen_->SetItemHitTest(layer_, item_, pickable);
    ForChildren(kLinkPickable, [&](Entity& child, ChildLink&) { child.SetPickable(pickable); });
}

void Entity::Show() {
    visible_ = 1;
    ForChildren(0, [](Entity& child, ChildLink& link) {
        if (link.flags & kLinkShowHide) {
            child.Show();
        } else if (link.flags & kLinkHiddenByParent) {
            link.flags &= ~kLinkHiddenByParent;
            child.Show();
        }
    });
}

void Entity::Hide() {
    visible_ = 0;
    ForChildren(0, [](Entity& child, ChildLink& link) {
        if (link.flags & kLinkShowHide) {
            child.Hide();
        } else if ((link.flags & kLinkHideRemember) && child.visible_) {
            link.flags |= kLinkHiddenByParent;
            child.Hide();
        }
    });
}

int32_t Entity::GetLeft() const {
    return Saturate32(int64_t(record_.x) - (int64_t(record_.width) + 1) / 2);
}
int32_t Entity::GetRight() const {
    return Saturate32((int64_t(record_.width) + 1) / 2 + record_.x);
}
int32_t Entity::GetTop() const {
    return Saturate32(int64_t(record_.y) - (int64_t(record_.height) + 1) / 2);
}
int32_t Entity::GetBottom() const {
    return Saturate32((int64_t(record_.height) + 1) / 2 + record_.y);
}

Point Entity::ScreenToLocal(int32_t x, int32_t y) const {
    if (!screen_ || layer_ == -1) return {x, y};
    return screen_->ScreenToLayer(layer_, x, y);
}

bool Entity::HitsScreenPoint(int32_t x, int32_t y) const {
    const Point local = ScreenToLocal(x, y);
    const Point p = record_.angle != 0.0
                        ? RotatePoint(local.x, local.y, record_.x, record_.y, record_.angle, 0)
                        : local;
    const int64_t hx = (int64_t(record_.width) + 1) / 2, hy = (int64_t(record_.height) + 1) / 2;
    return p.x > record_.x - hx && p.x < record_.x + hx && p.y > record_.y - hy &&
           p.y < record_.y + hy;
}

int Entity::HeightBelow() const {
    int height = 0;
    for (const ChildLink& link : children_) {
        if (link.child) height = std::max(height, 1 + link.child->HeightBelow());
    }
    return height;
}

int Entity::DepthAbove() const {
    int depth = 0;
    for (const Entity* p = attachedTo_; p; p = p->attachedTo_)
        ++depth;
    return depth;
}

uint32_t Entity::AttachChild(Entity* child, uint32_t flags) {
    if (!child || child == this) return 0;
    for (const Entity* p = attachedTo_; p; p = p->attachedTo_) {
        if (p == child) return 0;  // the child is one of our parents: a loop
    }
    if (DepthAbove() + 1 + child->HeightBelow() > kMaxLinkDepth) return 0;
    if ((flags & kLinkGuard) &&
        !(screen_ && layer_ != -1 && screen_->GetItemEntity(layer_, child->item_) == child->id_))
        return 0;
    // One link per child: a child already attached (here or elsewhere) leaves
    // its old link first, so no change reaches it twice.
    if (child->attachedTo_) child->attachedTo_->DetachLink(child);
    child->attachedTo_ = this;
    if (children_.size() == children_.capacity()) children_.reserve(children_.size() + 10);
    children_.push_back({child->id_, child->item_, flags, child});
    return uint32_t(children_.size());
}

// By pointer: entities not yet entered in the World all have id 0.
void Entity::DetachLink(Entity* child) {
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].child != child) continue;
        child->attachedTo_ = nullptr;
        children_.erase(children_.begin() + ptrdiff_t(i));
        return;
    }
}

uint32_t Entity::DetachChild(uint32_t childId) {
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].childId != childId) continue;
        if (children_[i].child) children_[i].child->attachedTo_ = nullptr;
        children_.erase(children_.begin() + ptrdiff_t(i));
        return uint32_t(children_.size());
    }
    return 0;
}

}  // namespace engine
