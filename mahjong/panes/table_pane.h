#pragma once
// CMJGameTableView2: the table pane that lets the engine draw the table
// scene. The framework's table pane (background, cursor modes, clock) holds
// the engine's hosting window as a child over its whole area; the scene is
// bound to it at creation, its screen takes the pane's first real size, and
// the table-entered message starts the engine's timers.

#include <memory>

#include "client/game_table_view.h"
#include "engine/table_view.h"

namespace mahjong {

class CMJTableScene;

class CMJGameTableView2 : public client::CGameTableView {
  public:
    // The scene's own clock timer.
    static constexpr platform::UINT_PTR kClockTimer = 10000;

    explicit CMJGameTableView2(CMJTableScene* scene);
    ~CMJGameTableView2() override;
    static std::unique_ptr<client::CGameTableView> CreateObject(CMJTableScene* scene) {
        return std::make_unique<CMJGameTableView2>(scene);
    }

    platform::UINT_PTR ClockTimerId() const override { return kClockTimer; }
    // When a clock timer runs, it starts again with the same id.
    void RestartClockTimer();
    void OnInitialUpdate() override;
    // The skin hook: the scene loads its settings and pictures anew.
    void InitializeTable() override;

    CMJTableScene* GetScene() const { return scene_; }
    engine::CJqGameTableView& EngineView() { return engineView_; }
    // Whether the scene is bound to the engine's window (it may refuse).
    bool SceneAttached() const { return engineView_.Engine() != nullptr; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void FitEngineView();

    CMJTableScene* scene_;
    engine::CJqGameTableView engineView_;
};

}  // namespace mahjong
