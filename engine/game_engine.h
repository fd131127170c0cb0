#pragma once
// The engine object a scene derives from. It embeds the World, owns the back
// buffer and the overlay and stretch surfaces and the mouse controller, runs
// the engine's start-up and clean-up, pumps the message queue, carries out
// system and console commands, and offers the facade through which scenes
// and scripts make entities, controls and timed actions.
//
// A host drives it: after BeginSystem and InitScreen it calls Frame() on a
// timer of the frame period, Tick() every 100 ms, PumpMessages() after every
// input message and whenever the World asks for a pump (EngineHost), and
// Paint() with the rectangles Frame() reported. Nothing runs between those
// calls, so an idle engine costs nothing.
//
// The virtual operations a scene overrides come in a fixed order (the mahjong
// table scene relies on it); the notes say when each runs.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/apply.h"
#include "engine/engine_object.h"
#include "engine/frame_strip.h"
#include "engine/world.h"
#include "platform/gui/surface.h"

namespace platform {
class Painter;
}

namespace engine {

class AnimEntity;
class ButtonFrame;
class ImageEntity;
class MouseController;
class ParticleEntity;
class ResourceManager;
class TextEntity;
struct FrameDefinition;
struct ImageRecord;

// What the engine asks of the window that hosts it. Without a host the
// engine runs headless: it always renders and nothing else happens.
class EngineHost {
  public:
    virtual ~EngineHost() = default;
    // Whether the main window of the UI thread is shown.
    virtual bool IsMainWindowVisible() { return true; }
    // A message reached the engine queue between frames: pump it soon.
    virtual void RequestPump() {}
    virtual void StopTimers() {}
    // A line for the main frame (system command 82).
    virtual void PostToMainFrame(std::string text) { (void)text; }
    // The console's "/endgame".
    virtual void PostQuit() {}
    // Puts the cursor at a point of the logical screen (edge scrolling).
    virtual void SetCursorPos(int32_t x, int32_t y) {
        (void)x;
        (void)y;
    }
    // A timer of the host's window for the scene: it comes back to
    // OnTimer(id) every `ms`, until killed.
    virtual void SetSceneTimer(uint32_t id, uint32_t ms) {
        (void)id;
        (void)ms;
    }
    virtual void KillSceneTimer(uint32_t id) { (void)id; }
};

// Notice flags.
inline constexpr uint32_t kNoticeButtons = 1;  // "确定", and with kNoticeCancel "取消"
inline constexpr uint32_t kNoticeCancel = 8;

// A notice: the text box that ShowNotice makes and MessageBox dresses.
struct NoticeRecord {
    uint32_t flags = 0;
    std::string text;  // at most 1024 bytes
    uint32_t okCode = 0;
    uint32_t cancelCode = 0;
    uint32_t target = 0;
    int32_t width = 0, height = 0;
    uint32_t entityId = 0;
    uint32_t duration = 0;
};

// A frame of an image's strip: frame n is (0, n x height, width, height).
struct FrameRect {
    uint32_t imageId = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
};

struct ImageInfo {
    uint32_t width = 0, height = 0, frameCount = 0, flags = 0;
};

struct IdRecord {
    uint32_t id = 0;
};

// Where a centred notice goes.
inline constexpr int32_t kCentre = -1000;

// The codes of the system commands.
inline constexpr uint32_t kFirstSystemCommand = 31;
inline constexpr uint32_t kLastSystemCommand = 96;

class GameEngine : public EngineNode {
  public:
    // `resources` holds the engine's pictures and fonts; it must outlive the
    // engine.
    explicit GameEngine(ResourceManager& resources);
    GameEngine();
    ~GameEngine() override;

    // ---- Operations a scene overrides, in their fixed order ----
    // The host stops the start when this gives 0.
    virtual int CanStart() { return 1; }
    virtual void InitDefaults();
    virtual void AfterDefaults() {}
    // Once the host has sized the screen: the scene's settings and pictures.
    virtual void LoadSettings() {}
    // When the host starts its timers: the game data, made with the pictures
    // loaded; then the start's own hook.
    virtual void InitGameData() {}
    virtual void OnTimersStarted() {}
    // A host timer other than the frame and tick timers.
    virtual void OnTimer(uint32_t timerId) { (void)timerId; }
    // A message for the engine outside the system commands. The handler may
    // take the payload; what it leaves is freed afterwards. Non-zero:
    // handled.
    virtual int OnMessage(uint32_t code, platform::Payload& payload, uint32_t target);
    // First thing of EndSystem.
    virtual void SaveOptions() {}
    // After a resize once the timers run (and when they start).
    virtual void OnResize() {}
    // At the start of every frame.
    virtual void OnFrameBegin() {}
    // Nothing registers per-frame callbacks; scenes may override.
    virtual void RunFrameCallbacks() {}
    virtual void InitFont();
    // Dresses a notice's text entity (slot of the engine's message box).
    virtual int MessageBox(NoticeRecord& notice);
    // The console: 1 when the command is known.
    virtual int ExecCommand(std::string_view text);
    virtual void OnMouseLeave();
    virtual void OnMouseEnter() {}
    // The first call builds the screen; later calls follow a new device
    // size. A zero size is ignored.
    virtual void InitScreen(int32_t width, int32_t height);
    virtual void OnDrawOverlay(platform::Painter& painter) { (void)painter; }
    virtual void OnHiddenConsole() {}
    virtual int OnSystemCommand91(platform::Payload& payload) {
        (void)payload;
        return 0;
    }
    virtual int OnSystemCommand92() { return 0; }
    // Runs the installed script-host factory (nothing without one).
    virtual void CreateScriptHost();
    virtual bool TakeScreenChanged();
    virtual void OnMouseMove(uint32_t flags, int32_t x, int32_t y);
    virtual void OnMouseWheel(uint32_t flags, int32_t delta, int32_t x, int32_t y);
    virtual void OnMButtonUp(uint32_t flags, int32_t x, int32_t y);
    virtual void OnMButtonDown(uint32_t flags, int32_t x, int32_t y);
    virtual void OnLButtonUp(uint32_t flags, int32_t x, int32_t y);
    virtual void OnLButtonDown(uint32_t flags, int32_t x, int32_t y);
    virtual void OnRButtonUp(uint32_t flags, int32_t x, int32_t y);
    virtual void OnRButtonDown(uint32_t flags, int32_t x, int32_t y);
    virtual void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags);
    virtual void OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags);
    // Every 100 ms while the cursor is inside the host.
    virtual void OnTick();

    // ---- Life cycle and the host's calls ----
    void SetHost(EngineHost* host);
    EngineHost* Host() const { return host_; }
    // Builds the script host when the engine starts (the script bridge).
    void SetScriptHostFactory(std::function<void(GameEngine&)> factory) {
        scriptHostFactory_ = std::move(factory);
    }
    void BeginSystem();
    void EndSystem();
    bool IsScreenReady() const { return screenReady_; }
    // Pumps, and when a frame is due runs it: true when the screen changed
    // (repaint DirtyRects()).
    bool Frame();
    // The frame itself, once IsFrameDue said it is due.
    bool RunFrame();
    void Tick() { OnTick(); }
    // Hands every message queued when it starts to its receiver; messages
    // queued meanwhile wait for the next pump.
    void PumpMessages();
    int IsFrameDue() { return world_.IsFrameDue(); }
    // Presents the changed part of the screen into the back buffer (only
    // while the main window is shown) and builds the output surface.
    void Render();
    // The output at device size (clipped by the painter).
    void Paint(platform::Painter& painter) const;
    // What changed in the last rendered frame, in device coordinates.
    const std::vector<Rect>& DirtyRects() const { return dirty_; }
    Rect DirtyRect() const { return {0, 0, deviceWidth_, deviceHeight_}; }
    const platform::Surface& Output() const;
    bool IsMainWindowVisible() const { return host_ ? host_->IsMainWindowVisible() : true; }
    void SetAverageFrameTime(uint32_t ms) { averageFrameTime_ = ms; }
    // A fixed logical size (0, 0: follow the device).
    void SetLogicalSize(int32_t width, int32_t height);

    // ---- System commands and the console ----
    int DispatchSystemCommand(uint32_t code, platform::Payload& payload);
    void ShowSystemInfo();
    void ShowScreenInfo();
    void Log(std::string_view text);
    bool LogGate() const { return logGate_; }
    void SetMouseEvent(uint32_t n, int32_t code, uint32_t target, platform::Payload payload = {});
    void SetKeyMap(uint32_t key, uint32_t engineKey) { keyMap_[key] = engineKey; }
    void SetFramePeriod(uint32_t ms) { world_.SetFramePeriod(ms); }

    // ---- Facade: entities ----
    ImageEntity* CreateImageEntity(int layer, int32_t x, int32_t y, uint32_t imageId, int32_t srcX,
                                   int32_t srcY, int32_t width, int32_t height, uint32_t backColor);
    ImageEntity* CreateImageEntityEx(int layer, int32_t x, int32_t y, const FrameRect& frame,
                                     uint32_t colorKey);
    TextEntity* CreateTextEntity(int layer, int32_t x, int32_t y, int32_t width, int32_t height,
                                 uint32_t backColor);
    // An animation of `frames` (copied), still until Play, sized as its
    // frames.
    AnimEntity* CreateAnimEntity(int layer, int32_t x, int32_t y, const FrameSet& frames);
    // A particle effect with its picture from a rectangle of an image;
    // configured when count and interval are both non-zero.
    ParticleEntity* CreateParticleEntity(int layer, int32_t x, int32_t y, uint32_t imageId,
                                         int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                                         int32_t count, int32_t interval);
    Entity* GetEntity(uint32_t id) const { return world_.FindEntity(id); }
    void ShowEntity(Entity* entity, bool show);
    void MoveEntity(Entity* entity, int32_t x, int32_t y);
    void MoveEntityBy(Entity* entity, int32_t dx, int32_t dy);
    void InvalidateEntity(const Entity* entity);
    int AddChildEntity(uint32_t parentId, uint32_t childId, uint32_t flags) {
        return world_.AddChildEntity(parentId, childId, flags);
    }
    int AttachChild(Entity* parent, Entity* child, uint32_t flags);
    // Text or a picture into a text entity's surface.
    int WritePlane(uint32_t entityId, int32_t x, int32_t y, std::string_view text);
    int DrawPlane(uint32_t entityId, int32_t x, int32_t y, const FrameRect& frame, int32_t width,
                  int32_t height, double opacity);

    // ---- Facade: controls ----
    ControlRecord* NewControl() { return world_.NewControl(); }
    ControlRecord* RequestControl(uint32_t entityId, uint32_t flags) {
        return world_.RequestControl(entityId, flags);
    }
    int BindControl(ControlRecord* record, Entity* entity, uint32_t flags) {
        return world_.BindControl(record, entity, flags);
    }
    int BindControl(uint32_t controlId, uint32_t entityId, uint32_t flags) {
        return world_.BindControl(world_.GetControl(controlId), world_.FindEntity(entityId), flags);
    }
    int UnbindControl(uint32_t controlId) { return world_.UnbindControl(controlId); }
    int32_t SetControlEvent(ControlRecord* record, uint32_t n, int32_t code, uint32_t target);
    int32_t SetControlEventRelative(ControlRecord* record, uint32_t n, int32_t base,
                                    uint32_t target);
    void ShowControl(ControlRecord* record, bool show);
    int MoveControl(ControlRecord* record, int32_t x, int32_t y);
    void HighlightControl(ControlRecord* record, bool on);
    void BT_SetBackColor(ControlRecord* record, uint32_t color);
    // A control of kind T (a button) made in the engine-object order; the
    // caller creates its surface.
    template <class T>
    T* CreateButton() {
        return world_.MakeObject<T>();
    }
    ButtonFrame* CreateButtonFrame(uint32_t count, const FrameDefinition* definition,
                                   uint32_t flags);
    int SendMessage(EngineMessage message, int mode) {
        return world_.SendMessage(std::move(message), mode);
    }

    // ---- Facade: timed actions and messages ----
    uint32_t AddApply(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                      uint32_t flags, uint32_t hold, uint32_t level) {
        return world_.AddApply(entityId, std::move(timing), std::move(step), channel, flags, hold,
                               level);
    }
    uint32_t AddApplyRec(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                         uint32_t flags, uint32_t hold, uint32_t level) {
        return world_.AddApplyRec(entityId, std::move(timing), std::move(step), channel, flags,
                                  hold, level);
    }
    // Each builder gives the Apply's id, 0 when refused. A period of 0 is
    // the frame period; `deleteEntity` deletes the entity when it ends.
    uint32_t ApplyMove(Entity* entity, uint32_t channel, int32_t x, int32_t y, int32_t speed,
                       int32_t maxSpeed, int32_t acceleration, double growth, uint32_t period,
                       uint32_t code, platform::Payload payload, uint32_t target,
                       bool deleteEntity);
    uint32_t ApplyMoveTo(Entity* entity, uint32_t channel, int32_t x, int32_t y, int32_t speed,
                         uint32_t period, uint32_t code, platform::Payload payload = {},
                         uint32_t target = 0);
    uint32_t ApplyDelay(uint32_t duration, uint32_t code, platform::Payload payload,
                        uint32_t target, uint32_t channel);
    uint32_t ApplyCallback(uint32_t period, uint32_t code, platform::Payload payload,
                           uint32_t target, uint32_t channel);
    uint32_t ApplyOnce(Entity* entity, uint32_t channel, uint32_t target, uint32_t code,
                       platform::Payload payload = {});
    uint32_t ApplyShowHide(Entity* entity, bool show, uint32_t channel, uint32_t period,
                           uint32_t code, platform::Payload payload, bool deleteEntity);
    uint32_t ApplyFade(Entity* entity, double step, double goal, uint32_t channel, uint32_t period,
                       uint32_t code, platform::Payload payload, bool deleteEntity,
                       uint32_t target);
    uint32_t ApplyResize(Entity* entity, int32_t startWidth, int32_t startHeight,
                         int32_t targetWidth, int32_t targetHeight, int32_t stepWidth,
                         int32_t stepHeight, uint32_t channel, uint32_t period, uint32_t code,
                         platform::Payload payload, uint32_t target);
    // Mode 0 passes through the frames `count` times (-1: for ever), 1 steps
    // `count` frames, 2 plays for `count` ms, 3 shows frame `count`.
    uint32_t ApplyFrames(Entity* entity, int32_t mode, int32_t count, uint32_t startFrame,
                         uint32_t channel, uint32_t code, platform::Payload payload = {},
                         uint32_t target = 0);
    uint32_t ApplyParticles(Entity* entity, uint32_t channel, uint32_t code,
                            platform::Payload payload, bool deleteEntity);
    // The scene's name for a timed fade: the entity's blend value is its
    // opacity.
    uint32_t ApplyScale(Entity* entity, double step, double goal, uint32_t channel, uint32_t period,
                        uint32_t code, platform::Payload payload, bool deleteEntity,
                        uint32_t target) {
        return ApplyFade(entity, step, goal, channel, period, code, std::move(payload),
                         deleteEntity, target);
    }
    // Removes a running Apply without its message; 0 when none had the id.
    int RemoveApply(uint32_t applyId) { return world_.RemoveApply(applyId); }
    // Cancels the entity's Applies up to `level` at the next merge.
    size_t PostEvent(uint32_t entityId, uint32_t level, uint32_t mode) {
        return world_.PushCommand(kCmdCancelEntity, entityId, level, mode);
    }
    // Pauses an Apply at the next merge, keeping `value`.
    int32_t PostTimerEvent(uint32_t applyId, uint32_t value) {
        world_.PushCommand(kCmdStopApply, applyId, value);
        return kEngineOk;
    }
    uint32_t NextEventId() { return world_.NextEventId(); }
    int IsChannelActive(uint32_t channel) const { return world_.IsChannelActive(channel); }
    int SendMessageTo(uint32_t target, uint32_t code, platform::Payload payload, int mode) {
        return world_.SendMessageTo(target, code, std::move(payload), mode);
    }
    int PostWorldMessage(uint32_t code, platform::Payload payload, uint32_t target, int mode) {
        return world_.SendMessageTo(target, code, std::move(payload), mode);
    }

    // ---- Facade: screen and text ----
    ScreenDevice& Screen() { return world_.Screen(); }
    void SetScreenOrigin(int32_t x, int32_t y) { world_.Screen().SetViewOrigin(x, y, true); }
    void SetClip(Entity* entity, const Rect& clip);
    void InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        world_.Screen().InvalidateRect(left, top, right, bottom);
    }
    void InvalidateAll() { world_.Screen().InvalidateAll(); }
    void RefreshIfFull();
    // 0: redraw only the dirty rectangles; 1: the whole screen every frame.
    void SetInvalidateMode(int mode);
    Point GetMousePos();
    uint32_t GetMouseObject();
    // Looked up through the cursor control, which a script may remove.
    MouseController* GetMouse() { return world_.Mouse(); }
    int32_t GetScreenWidth() const { return logicalWidth_; }
    int32_t GetScreenHeight() const { return logicalHeight_; }
    int32_t GetScreenSizeX() const { return logicalWidth_; }
    int32_t GetScreenSizeY() const { return logicalHeight_; }
    // The default font of text entities and notices.
    void SelectFont(int32_t height, int32_t weight, std::string_view face);
    void DrawTextAt(int32_t height, int32_t weight, std::string_view face) {
        SelectFont(height, weight, face);
    }
    void SetFontColor(uint32_t color);

    // ---- Facade: resources ----
    const ImageRecord* GetImageRes(uint32_t imageId);
    // Registers a file of the resource root as an image under `title`; 0
    // when the file is missing.
    uint32_t LoadImageFile(std::string_view file, int mode, std::string_view title,
                           uint32_t colorKey, bool loadNow);
    // The image registered for `name` (a file of the resource root),
    // registering it on first use.
    uint32_t LoadImageRes(std::string_view name, uint32_t colorKey, bool loadNow);
    ImageInfo GetImageInfo(uint32_t imageId);
    FrameRect GetFrameRectById(uint32_t imageId, uint32_t frame);
    FrameRect GetFrameRectByName(std::string_view title, uint32_t frame);
    // The resource root becomes the program folder, `name` and "\".
    void GetAppDirFile(std::string_view name);
    void FreeResources(const std::vector<uint32_t>& ids);
    IdRecord NewIdRecord(uint32_t n) { return {n}; }
    ResourceManager& Resources() { return resources_; }

    // ---- Notices and the pending list ----
    uint32_t ShowNotice(std::string_view text, uint32_t flags, uint32_t duration, int32_t x,
                        int32_t y, int32_t width, int32_t height, uint32_t okCode,
                        uint32_t cancelCode, uint32_t target);
    void QueuePending(uint32_t entityId) { pending_.push_back(entityId); }
    // Cancels the pending entities' Applies and deletes them one frame later.
    void FlushPending();

    World& GetWorld() { return world_; }
    const World& GetWorld() const { return world_; }

  protected:
    World world_;

  private:
    Entity* CreateKindEntity(uint32_t kind, int32_t x, int32_t y, int32_t width, int32_t height);
    bool PlaceEntity(Entity* entity, int layer);
    bool ContainsMouse(const Entity& entity);
    void RefreshMouseFor(const Entity& entity, bool underCursor);
    uint32_t Period(uint32_t period) const { return period ? period : world_.GetClockStep(); }
    uint32_t QueueApply(Entity* entity, ApplyTiming timing, ApplyStep step, uint32_t channel,
                        bool deleteEntity);
    void BuildBackBuffer();
    bool DrawOverlay();
    void ScaleDirtyRects();
    std::string InfoBox(const std::vector<std::pair<std::string_view, int64_t>>& rows) const;
    Point ToLogical(int32_t x, int32_t y) const;
    uint32_t MapKey(uint32_t key) const;
    void EdgeScroll(const MouseState& state);
    void AddNoticeButtons(const NoticeRecord& notice, TextEntity& box, int32_t row);
    Entity* ControlEntity(const MouseState& state);

    ResourceManager& resources_;
    EngineHost* host_ = nullptr;
    std::function<void(GameEngine&)> scriptHostFactory_;
    int32_t scrollStep_ = 5;
    bool fixedLogical_ = false;
    int32_t logicalWidth_ = 0, logicalHeight_ = 0;
    int32_t deviceWidth_ = 0, deviceHeight_ = 0;
    uint32_t averageFrameTime_ = 0;
    platform::Surface back_;
    platform::Surface overlay_;
    platform::Surface stretch_;
    const platform::Surface* output_ = nullptr;
    bool showFps_ = false;
    bool showDirty_ = false;
    bool fullRedraw_ = false;
    bool screenReady_ = false;
    bool logGate_ = true;
    std::map<uint32_t, uint32_t> keyMap_;
    std::vector<uint32_t> pending_;
    std::vector<Rect> dirty_;
    std::minstd_rand random_;
};

}  // namespace engine
