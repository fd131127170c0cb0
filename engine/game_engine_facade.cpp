// The facade through which scenes and scripts work with the engine: entity
// factories, entity and control operations, screen, text and resources.

#include <algorithm>
#include <cmath>

#include "engine/anim_entity.h"
#include "engine/button_frame.h"
#include "engine/game_engine.h"
#include "engine/game_log.h"
#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
#include "engine/particle_entity.h"
#include "engine/resources/file_utils.h"
#include "engine/resources/hashes.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "platform/paths.h"

namespace engine {

// ---- Entities -----------------------------------------------------------------

Entity* GameEngine::CreateKindEntity(uint32_t kind, int32_t x, int32_t y, int32_t width,
                                     int32_t height) {
    return world_.CreateEntity(kind, x, y, width, height, 0.0, 1, 0, 1.0);
}

// A factory's entity that cannot be placed is not kept.
bool GameEngine::PlaceEntity(Entity* entity, int layer) {
    if (entity->SetLayer(&world_.Screen(), layer) != 0) return true;
    world_.DestroyEntity(entity);
    return false;
}

ImageEntity* GameEngine::CreateImageEntity(int layer, int32_t x, int32_t y, uint32_t imageId,
                                           int32_t srcX, int32_t srcY, int32_t width,
                                           int32_t height, uint32_t backColor) {
    if (width < 1 || height < 1) {
        const ImageRecord* image = resources_.GetImage(imageId);
        if (width < 1) width = image ? image->width : 0;
        if (height < 1) height = image ? image->height : 0;
    }
    auto* entity = static_cast<ImageEntity*>(CreateKindEntity(kKindImage, x, y, width, height));
    entity->SetImage(imageId, srcX, srcY, width, height, backColor);
    return PlaceEntity(entity, layer) ? entity : nullptr;
}

ImageEntity* GameEngine::CreateImageEntityEx(int layer, int32_t x, int32_t y,
                                             const FrameRect& frame, uint32_t colorKey) {
    return CreateImageEntity(layer, x, y, frame.imageId, frame.x, frame.y, frame.width,
                             frame.height, colorKey);
}

TextEntity* GameEngine::CreateTextEntity(int layer, int32_t x, int32_t y, int32_t width,
                                         int32_t height, uint32_t backColor) {
    auto* entity = static_cast<TextEntity*>(CreateKindEntity(kKindText, x, y, width, height));
    entity->Init(width, height, backColor);
    entity->SetFontStore(&resources_.GetFontStore(), false);
    return PlaceEntity(entity, layer) ? entity : nullptr;
}

// The frame sets belong to the entity; the 4 bit means nothing to the strip.
constexpr uint32_t kFacadeStripFlags = 20;

AnimEntity* GameEngine::CreateAnimEntity(int layer, int32_t x, int32_t y, const FrameSet& frames) {
    auto* entity = static_cast<AnimEntity*>(
        CreateKindEntity(kKindAnim, x, y, frames.frameWidth, frames.frameHeight));
    entity->Create(&frames, 1.0, kFacadeStripFlags);
    return PlaceEntity(entity, layer) ? entity : nullptr;
}

ParticleEntity* GameEngine::CreateParticleEntity(int layer, int32_t x, int32_t y, uint32_t imageId,
                                                 int32_t srcX, int32_t srcY, int32_t width,
                                                 int32_t height, int32_t count, int32_t interval) {
    auto* entity =
        static_cast<ParticleEntity*>(CreateKindEntity(kKindParticle, x, y, width, height));
    entity->Create(imageId, srcX, srcY, width, height);
    if (count != 0 && interval != 0) entity->Configure(count, interval);
    return PlaceEntity(entity, layer) ? entity : nullptr;
}

Point GameEngine::GetMousePos() {
    MouseController* mouse = world_.Mouse();
    return mouse ? Point{mouse->GetX(), mouse->GetY()} : Point{};
}

uint32_t GameEngine::GetMouseObject() {
    MouseController* mouse = world_.Mouse();
    return mouse ? mouse->State().hoveredEntity : 0;
}

// Whether the mouse point lies in the entity's turned box.
bool GameEngine::ContainsMouse(const Entity& entity) {
    const Point mouse = GetMousePos();
    return entity.HitsScreenPoint(mouse.x, mouse.y);
}

// Hover states follow an entity that moved or appeared under a still cursor.
void GameEngine::RefreshMouseFor(const Entity& entity, bool underCursor) {
    if (!entity.IsPickable()) return;
    MouseController* mouse = world_.Mouse();
    if (mouse && (underCursor || ContainsMouse(entity))) mouse->Refresh();
}

void GameEngine::ShowEntity(Entity* entity, bool show) {
    if (!entity) {
        Log("物体隐藏错误，一个不存在的物体");
        return;
    }
    if (show)
        entity->Show();
    else
        entity->Hide();
    entity->Update();
    RefreshMouseFor(*entity, false);
}

void GameEngine::MoveEntity(Entity* entity, int32_t x, int32_t y) {
    if (!entity) {
        Log("物体移动错误，一个不存在的物体");
        return;
    }
    const bool wasUnder = ContainsMouse(*entity) || GetMouseObject() == entity->GetId();
    entity->MoveTo(x, y);
    entity->Update();
    RefreshMouseFor(*entity, wasUnder);
}

void GameEngine::MoveEntityBy(Entity* entity, int32_t dx, int32_t dy) {
    if (!entity) {
        Log("物体移动错误，一个不存在的物体");
        return;
    }
    MoveEntity(entity, Saturate32(int64_t(entity->GetX()) + dx),
               Saturate32(int64_t(entity->GetY()) + dy));
}

void GameEngine::InvalidateEntity(const Entity* entity) {
    if (!entity) return;
    DrawRecord record = entity->GetBox();
    const Rect area = DrawRecordBounds(record);
    const Point at = world_.Screen().LayerToScreen(entity->GetLayerIndex(), area.left, area.top);
    world_.Screen().InvalidateRect(at.x, at.y, Saturate32(int64_t(at.x) + area.right - area.left),
                                   Saturate32(int64_t(at.y) + area.bottom - area.top));
}

int GameEngine::AttachChild(Entity* parent, Entity* child, uint32_t flags) {
    return parent ? int(parent->AttachChild(child, flags)) : 0;
}

int GameEngine::WritePlane(uint32_t entityId, int32_t x, int32_t y, std::string_view text) {
    auto* plane = world_.FindEntityAs<TextEntity>(entityId);
    if (!plane) {
        Log("写平面错误,目标不存在!");
        return 0;
    }
    plane->SetText(x, y, text);
    return kEngineOk;
}

int GameEngine::DrawPlane(uint32_t entityId, int32_t x, int32_t y, const FrameRect& frame,
                          int32_t width, int32_t height, double opacity) {
    auto* plane = world_.FindEntityAs<TextEntity>(entityId);
    if (!plane) {
        Log("画平面错误,目标不存在!");
        return 0;
    }
    plane->DrawImage(x, y, {frame.imageId, frame.x, frame.y, frame.width, frame.height}, width,
                     height, 0.0, opacity, kNoBlendColor);
    return kEngineOk;
}

// ---- Controls -----------------------------------------------------------------

ButtonFrame* GameEngine::CreateButtonFrame(uint32_t count, const FrameDefinition* definition,
                                           uint32_t flags) {
    ButtonFrame* frame = world_.MakeObject<ButtonFrame>();
    frame->Init(count, definition, flags);
    return frame;
}

int32_t GameEngine::SetControlEvent(ControlRecord* record, uint32_t n, int32_t code,
                                    uint32_t target) {
    return record ? record->SetEvent(n, code, target) : 0;
}

int32_t GameEngine::SetControlEventRelative(ControlRecord* record, uint32_t n, int32_t base,
                                            uint32_t target) {
    return record ? record->SetEventRelative(n, base, target) : 0;
}

void GameEngine::ShowControl(ControlRecord* record, bool show) {
    if (!record) {
        Log("控件操作（显示）错误，控件不存在");
        return;
    }
    Entity* entity = world_.FindEntity(record->entityId);
    if (!entity) {
        Log("控件操作（显示）错误，控件未与实体绑定");
        return;
    }
    ShowEntity(entity, show);
}

int GameEngine::MoveControl(ControlRecord* record, int32_t x, int32_t y) {
    if (!record) {
        Log("控件移动错误，控件不存在");
        return 0;
    }
    MoveEntity(world_.FindEntity(record->entityId), x, y);
    return kEngineOk;
}

// Highlighting makes the entity brighter and answers its press and release
// with a message the system commands ignore.
void GameEngine::HighlightControl(ControlRecord* record, bool on) {
    Entity* entity = record ? world_.FindEntity(record->entityId) : nullptr;
    if (!entity) return;
    constexpr int32_t kIgnored = 35;
    if (on) {
        entity->SetOpacity(entity->GetOpacity() + 0.2);
        for (uint32_t n : {kEvClick, kEvLeftDown, kEvLeftUp})
            record->SetEvent(n, kIgnored, 0);
    } else {
        for (uint32_t n : {kEvClick, kEvLeftDown, kEvLeftUp})
            record->SetEvent(n, 0, 0);
        entity->SetOpacity(std::min(entity->GetOpacity(), 1.0) - 0.2);
    }
    entity->Update();
}

void GameEngine::BT_SetBackColor(ControlRecord* record, uint32_t color) {
    if (!record) {
        Log("BT_SetBackColor::error，控件不存在");
        return;
    }
    auto* image = world_.FindEntityAs<ImageEntity>(record->entityId);
    if (!image) {
        Log("BT_SetBackColor::error,Object is not a BIT_SINGLE");
        return;
    }
    image->SetBackColor(color);
    image->Update();
}

// ---- Screen and text ------------------------------------------------------------

void GameEngine::SetClip(Entity* entity, const Rect& clip) {
    if (!entity) return;
    entity->SetSourceRect(clip);
    entity->Update();
}

void GameEngine::SetInvalidateMode(int mode) {
    fullRedraw_ = mode != 0;
    world_.Screen().SetFullRedraw(mode);
}

void GameEngine::RefreshIfFull() {
    if (fullRedraw_) world_.Screen().InvalidateAll();
}

void GameEngine::SelectFont(int32_t height, int32_t weight, std::string_view face) {
    resources_.GetFontStore().SetFont(height, weight, face, false, false);
}

void GameEngine::SetFontColor(uint32_t color) {
    resources_.GetFontStore().SetColor(color);
}

// ---- Resources ------------------------------------------------------------------

const ImageRecord* GameEngine::GetImageRes(uint32_t imageId) {
    return resources_.GetImage(imageId);
}

uint32_t GameEngine::LoadImageFile(std::string_view file, int mode, std::string_view title,
                                   uint32_t colorKey, bool loadNow) {
    const std::string path = mode == 1 ? resources_.Root() + std::string(file) : std::string(file);
    if (!platform::FileExists(path)) return 0;
    const uint32_t id = resources_.RegisterFile(file, title, kImageCategory, false, mode);
    if (id == 0) return 0;
    resources_.SetColorKey(id, colorKey);
    if (loadNow) resources_.GetImage(id);
    return id;
}

uint32_t GameEngine::LoadImageRes(std::string_view name, uint32_t colorKey, bool loadNow) {
    if (const uint32_t id = resources_.GetImageIdByName(GetFileTitle(name))) return id;
    return LoadImageFile(name, 1, GetFileTitle(name), colorKey, loadNow);
}

ImageInfo GameEngine::GetImageInfo(uint32_t imageId) {
    const ImageRecord* image = resources_.GetImage(imageId);
    if (!image) return {};
    return {image->width, image->height, image->frameCount, image->flags};
}

FrameRect GameEngine::GetFrameRectById(uint32_t imageId, uint32_t frame) {
    const ImageRecord* image = resources_.GetImage(imageId);
    if (!image) return {};
    const int64_t y = int64_t(image->WrapFrame(frame)) * image->height;
    return {imageId, 0, Saturate32(y), image->width, image->height};
}

FrameRect GameEngine::GetFrameRectByName(std::string_view title, uint32_t frame) {
    const uint32_t id = resources_.GetImageIdByName(title);
    return id ? GetFrameRectById(id, frame) : FrameRect{};
}

void GameEngine::GetAppDirFile(std::string_view name) {
    resources_.SetRoot(GetAppDir() + std::string(name) + "\\");
}

void GameEngine::FreeResources(const std::vector<uint32_t>& ids) {
    for (uint32_t id : ids)
        resources_.ReleaseById(id);
}

// ---- Pending deletions ------------------------------------------------------------

void GameEngine::FlushPending() {
    for (uint32_t id : pending_) {
        PostEvent(id, 3, 1);
        if (Entity* entity = world_.FindEntity(id)) ApplyOnce(entity, 0, 0, 0);
    }
    pending_.clear();
}

}  // namespace engine
