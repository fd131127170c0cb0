#pragma once
// The window that hosts an engine: a child window that attaches the engine,
// sizes its screen, drives it from two timers on the UI thread (the frame
// timer at the frame period, the 100 ms tick while the cursor is inside),
// pumps its queue whenever a message arrives in it, forwards mouse and keys,
// paints the frames and keeps the average frame time. The table pane of the
// game derives from it; the frame windows start it with message 0x8164.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/game_engine.h"
#include "platform/gui/wnd.h"

namespace engine {

// The frame windows' "table entered": start the engine's timers.
inline constexpr platform::UINT kStartEngineTimers = 0x8164;

class CJqGameTableView : public platform::CWnd, public EngineHost {
  public:
    CJqGameTableView();
    ~CJqGameTableView() override;

    // Stores the engine (not owned) and starts its system; 0 when the
    // engine refuses to start.
    int AttachEngine(GameEngine* engine);
    GameEngine* Engine() const { return engine_; }
    // 1: the screen is sized by OnInitialUpdate and the engine's resize
    // hook runs when the timers start; 0: the screen is sized then. Ignored
    // once the timers run.
    void SetSizeLocked(bool locked);
    bool SizeLocked() const { return sizeLocked_; }
    // After creation, as the framework's views are told.
    virtual void OnInitialUpdate();
    void StartTimers();
    void StopTimers() override;
    bool TimersStarted() const { return started_; }
    // Keys reaching the message loop go straight to this window; true: the
    // loop must not dispatch them again.
    bool PreTranslateMessage(platform::Message& msg);
    // A program hosting the view: dispatches what is queued, keys to this
    // window first (a quit stays queued); the number of messages handled.
    int PumpQueued();
    // The program's message loop until it quits or `seconds` pass (0: no
    // limit); the exit code.
    int RunMessageLoop(int seconds);
    // The mean of the last 100 frame times (ms), zeros counted until 100
    // frames have been seen.
    uint32_t AverageFrameTime(uint32_t frameMs);

    // Where system command 82's lines go (the main frame's).
    void SetMainFrameSink(std::function<void(std::string)> sink) { sink_ = std::move(sink); }

    // EngineHost.
    bool IsMainWindowVisible() override;
    void RequestPump() override;
    void PostToMainFrame(std::string text) override;
    void PostQuit() override;
    void SetCursorPos(int32_t x, int32_t y) override;
    void SetSceneTimer(uint32_t id, uint32_t ms) override;
    void KillSceneTimer(uint32_t id) override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    // A timer of the scene's own.
    virtual void OnTimer(platform::UINT_PTR id);

  private:
    void FirstSizing();
    void OnFrameTimer();
    void OnTickTimer();
    bool ForwardInput(platform::Message& msg);

    GameEngine* engine_ = nullptr;
    std::array<uint32_t, 100> frameTimes_{};
    size_t nextFrame_ = 0;
    bool inside_ = false;
    platform::UINT_PTR tickTimer_ = 0;
    bool started_ = false;
    bool sizeLocked_ = true;
    bool pumpPosted_ = false;
    std::function<void(std::string)> sink_;
};

// A program's top-level window around the view: the user closing it ends
// the program's message loop (the program destroys it afterwards).
class CHostFrameWnd : public platform::CWnd {
  public:
    ~CHostFrameWnd() override { Destroy(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
};

}  // namespace engine
