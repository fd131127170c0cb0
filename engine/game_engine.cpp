// The engine object's life cycle, frames, painting and input.

#include "engine/game_engine.h"

#include <algorithm>

#include "engine/engine_clock.h"
#include "engine/game_log.h"
#include "engine/mouse_controller.h"
#include "engine/resources/resource_manager.h"
#include "platform/gui/painter.h"

namespace engine {
namespace {

constexpr platform::COLORREF kDirtyPen = 0x2DFE27;  // RGB(39, 254, 45)
constexpr platform::COLORREF kOverlayText = 0x0000FF;

}  // namespace

GameEngine::GameEngine(ResourceManager& resources)
    : world_(&resources), resources_(resources), random_(1) {
    world_.SetResources(&resources);
    resources_.SetSoundLibraryOpener(OpenPlatformSoundLibrary);
}

GameEngine::GameEngine() : GameEngine(GetResourceManagerInstance()) {}

GameEngine::~GameEngine() = default;

void GameEngine::InitDefaults() {
    fixedLogical_ = false;
    logicalWidth_ = logicalHeight_ = 0;
    deviceWidth_ = deviceHeight_ = 0;
    scrollStep_ = 5;
}

void GameEngine::InitFont() {
    FontStore& store = resources_.GetFontStore();
    store.Create();
    store.SetFont(20, 400, "宋体", false, false);
}

void GameEngine::SetHost(EngineHost* host) {
    host_ = host;
    if (host_)
        world_.SetWorkNotifier([this] { host_->RequestPump(); });
    else
        world_.SetWorkNotifier({});
}

void GameEngine::SetFramePeriod(uint32_t ms) {
    world_.SetFramePeriod(ms);
    if (host_) host_->SetFramePeriod(ms);
}

void GameEngine::CreateScriptHost() {
    if (scriptHostFactory_) scriptHostFactory_(*this);
}

void GameEngine::BeginSystem() {
    if (logGate_) Log("Oskel系统初始化开始...");
    SetWorld(&world_);
    world_.SetCursorControl(world_.MakeObject<MouseController>()->GetControlId());
    CreateScriptHost();
    SetFramePeriod(30);
    world_.Screen().SetPixelMode(1);
    world_.Screen().SetRefreshMode(kBackFill);
    pending_.clear();
    InitFont();
    resources_.AddRef();
    showFps_ = false;
}

void GameEngine::EndSystem() {
    SaveOptions();
    if (host_) host_->StopTimers();
    world_.Clear();
    resources_.Release();
    back_ = platform::Surface();
    overlay_ = platform::Surface();
    output_ = nullptr;
    screenReady_ = false;
    Log("Oskel系统清理完毕...!");
}

void GameEngine::Log(std::string_view text) {
    if (logGate_) WriteGameLogText(text);
}

void GameEngine::SetLogicalSize(int32_t width, int32_t height) {
    fixedLogical_ = width != 0 || height != 0;
    logicalWidth_ = width;
    logicalHeight_ = height;
}

// ---- Screen -----------------------------------------------------------------

void GameEngine::BuildBackBuffer() {
    back_ = platform::Surface(logicalWidth_, logicalHeight_);
    overlay_ = platform::Surface(logicalWidth_, logicalHeight_);
    output_ = &back_;
}

void GameEngine::InitScreen(int32_t width, int32_t height) {
    // A minimised or collapsed host reports 0: nothing to size.
    if (width <= 0 || height <= 0) return;
    deviceWidth_ = width;
    deviceHeight_ = height;
    if (!screenReady_) {
        Log("Oskel初始化屏幕...");
        if (fixedLogical_ && (logicalWidth_ <= 0 || logicalHeight_ <= 0)) {
            Log("警告，0值初始化逻辑屏幕!");
            fixedLogical_ = false;
        }
        if (!fixedLogical_) {
            logicalWidth_ = width;
            logicalHeight_ = height;
        }
        world_.Screen().Create(logicalWidth_, logicalHeight_);
        BuildBackBuffer();
        world_.Screen().InvalidateRect(0, 0, deviceWidth_, deviceHeight_);
        world_.Draw(back_);
        stretch_ = platform::Surface(deviceWidth_, deviceHeight_);
        screenReady_ = true;
        Log("Oskel图形引擎初始化完毕...!");
        return;
    }
    stretch_ = platform::Surface(deviceWidth_, deviceHeight_);
    if (!fixedLogical_) {
        logicalWidth_ = width;
        logicalHeight_ = height;
        BuildBackBuffer();
    }
    world_.Screen().InvalidateAll();
}

bool GameEngine::TakeScreenChanged() {
    return world_.Screen().TakeScreenChanged();
}

// ---- Frames -----------------------------------------------------------------

bool GameEngine::Frame() {
    PumpMessages();
    if (!world_.IsFrameDue()) return false;
    return RunFrame();
}

bool GameEngine::RunFrame() {
    OnFrameBegin();
    if (world_.HasWork()) world_.Update();
    dirty_.clear();
    Render();
    TakeScreenChanged();
    return !dirty_.empty();
}

void GameEngine::PumpMessages() {
    EngineClock::Update();
    // Only what was queued when the pump began: a handler that queues again
    // waits for the next pump instead of keeping this one going.
    for (size_t n = world_.QueuedMessages(); n > 0; --n) {
        EngineMessage message = world_.PopMessage();
        if (message.code == 0) break;
        if (message.target != 0) {
            world_.SendMessage(std::move(message), kSendNow);
        } else if (message.code >= kFirstSystemCommand && message.code <= kLastSystemCommand) {
            DispatchSystemCommand(message.code, message.payload);
        } else {
            OnMessage(message.code, message.payload, 0);
        }
    }
    world_.Sound().MusicCheck();
}

int GameEngine::OnMessage(uint32_t, platform::Payload&, uint32_t) {
    return 1;
}

void GameEngine::Render() {
    if (!screenReady_ || !IsMainWindowVisible()) return;
    if (world_.Draw(back_) < 0 && !showFps_) return;
    output_ = DrawOverlay() ? &overlay_ : &back_;
    if (deviceWidth_ != logicalWidth_ || deviceHeight_ != logicalHeight_) {
        platform::Painter painter(stretch_);
        painter.StretchBlt({0, 0, deviceWidth_, deviceHeight_}, *output_,
                           {0, 0, logicalWidth_, logicalHeight_});
        output_ = &stretch_;
    }
    ScaleDirtyRects();
}

void GameEngine::ScaleDirtyRects() {
    dirty_.clear();
    if (output_ == &overlay_ || output_ == &stretch_) {
        // The overlay and the stretch change what lies around each rectangle.
        dirty_.push_back({0, 0, deviceWidth_, deviceHeight_});
        return;
    }
    dirty_ = world_.Screen().DirtyRects();
}

bool GameEngine::DrawOverlay() {
    if (!showFps_ && !showDirty_) return false;
    overlay_ = back_;
    platform::Painter painter(overlay_);
    OnDrawOverlay(painter);
    if (showFps_) {
        painter.SetBkMode(platform::TRANSPARENT);
        painter.SetTextColor(kOverlayText);
        painter.TextOut(0, 0, "FCT:" + std::to_string(averageFrameTime_));
    }
    if (showDirty_) {
        for (const Rect& r : world_.Screen().DirtyRects())
            painter.FrameRect({r.left, r.top, r.right, r.bottom}, kDirtyPen);
    }
    return true;
}

const platform::Surface& GameEngine::Output() const {
    return output_ ? *output_ : back_;
}

void GameEngine::Paint(platform::Painter& painter) const {
    if (!screenReady_) return;
    painter.BitBlt(0, 0, deviceWidth_, deviceHeight_, Output(), 0, 0);
}

// ---- Input ------------------------------------------------------------------

Point GameEngine::ToLogical(int32_t x, int32_t y) const {
    // A window that was never sized (or sized to 0) has no scale.
    if (deviceWidth_ <= 0 || deviceHeight_ <= 0) return {x, y};
    if (deviceWidth_ != logicalWidth_) x = Saturate32(int64_t(logicalWidth_) * x / deviceWidth_);
    if (deviceHeight_ != logicalHeight_)
        y = Saturate32(int64_t(logicalHeight_) * y / deviceHeight_);
    return {x, y};
}

uint32_t GameEngine::MapKey(uint32_t key) const {
    auto it = keyMap_.find(key);
    return it == keyMap_.end() ? key : it->second;
}

void GameEngine::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    const Point p = ToLogical(x, y);
    if (MouseController* m = world_.Mouse()) m->OnMouseMove(p.x, p.y, flags);
}

void GameEngine::OnMouseWheel(uint32_t flags, int32_t delta, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnMouseWheel(x, y, delta, flags);
}

void GameEngine::OnMButtonUp(uint32_t flags, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnMButtonUp(x, y, flags);
}
void GameEngine::OnMButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnMButtonDown(x, y, flags);
}
void GameEngine::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnLButtonUp(x, y, flags);
}
void GameEngine::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnLButtonDown(x, y, flags);
}
void GameEngine::OnRButtonUp(uint32_t flags, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnRButtonUp(x, y, flags);
}
void GameEngine::OnRButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (MouseController* m = world_.Mouse()) m->OnRButtonDown(x, y, flags);
}

void GameEngine::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (MouseController* m = world_.Mouse()) m->OnKeyDown(MapKey(key), repeat, flags);
}

void GameEngine::OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (MouseController* m = world_.Mouse()) m->OnKeyUp(MapKey(key), repeat, flags);
}

void GameEngine::OnTick() {
    if (MouseController* m = world_.Mouse()) m->OnTick();
}

void GameEngine::OnMouseLeave() {
    if (MouseController* m = world_.Mouse()) m->Reset();
}

void GameEngine::SetMouseEvent(uint32_t n, int32_t code, uint32_t target,
                               platform::Payload payload) {
    if (n >= kEventSlots) {
        Log("鼠标控件设置错误，不合理的状态值");
        return;
    }
    if (ControlRecord* record = world_.GetControl(world_.CursorControl()))
        record->SetEvent(n, code, target, std::move(payload));
}

}  // namespace engine
