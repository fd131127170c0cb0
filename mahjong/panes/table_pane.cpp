#include "mahjong/panes/table_pane.h"

#include "client/game_app.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {

CMJGameTableView2::CMJGameTableView2(CMJTableScene* scene) : scene_(scene) {
    engineView_.SetSizeLocked(true);
}

CMJGameTableView2::~CMJGameTableView2() {
    engineView_.Destroy();
    Destroy();
}

void CMJGameTableView2::OnInitialUpdate() {
    client::CGameTableView::OnInitialUpdate();
    const platform::RECT area = GetClientRect();
    if (!engineView_.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, area, this, 1))
        return;
    // A scene that refuses to start leaves the pane showing its background.
    if (!scene_ || engineView_.AttachEngine(scene_) == 0) return;
    engineView_.OnInitialUpdate();
}

void CMJGameTableView2::InitializeTable() {
    if (scene_) scene_->Initialize();
}

void CMJGameTableView2::RestartClockTimer() {
    if (ClockTimer() != 0) StartClockTimer();
}

void CMJGameTableView2::FitEngineView() {
    if (engineView_.GetSafeHwnd()) engineView_.MoveWindow(GetClientRect(), true);
}

platform::LRESULT CMJGameTableView2::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case client::kMsgTableEntered:
            if (engineView_.GetSafeHwnd())
                platform::SendMessage(engineView_.GetSafeHwnd(), engine::kStartEngineTimers);
            return 0;
        case platform::WM_SIZE: {
            const platform::LRESULT r = client::CGameTableView::OnMessage(msg);
            FitEngineView();
            return r;
        }
        default:
            return client::CGameTableView::OnMessage(msg);
    }
}

}  // namespace mahjong
