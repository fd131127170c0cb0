#include "tools/engine-demo/demo_app.h"

#include <stdlib.h>

#include <filesystem>

#include "script/bridge/script_object.h"
#include "tools/engine-demo/demo_assets.h"

namespace engine_demo {

DemoApp::DemoApp(DemoScene::Say say, bool still)
    : frame_(std::make_unique<engine::CHostFrameWnd>()) {
    char pattern[] = "/tmp/qevo-engine-demo-XXXXXX";
    if (const char* made = mkdtemp(pattern)) folder_ = std::string(made) + "/";
    resources_.SetFailHandler([say](const std::string& name) { say("missing " + name); });
    scene_ = std::make_unique<DemoScene>(resources_, folder_, std::move(say), still);
    script::InstallScriptBridge(*scene_);
}

DemoApp::~DemoApp() {
    view_.DestroyWindow();
    frame_->DestroyWindow();
    Pump();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

platform::CWnd& DemoApp::Window() {
    return *frame_;
}

bool DemoApp::Open(int x, int y) {
    if (folder_.empty() || !WriteDemoAssets(folder_)) return false;
    if (!frame_->CreateEx(0, "引擎演示", platform::WS_POPUP | platform::WS_VISIBLE,
                          {x, y, x + kWidth, y + kHeight}, nullptr, 0))
        return false;
    if (!view_.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, kWidth, kHeight},
                        frame_.get(), 1))
        return false;
    if (!view_.AttachEngine(scene_.get())) return false;
    view_.OnInitialUpdate();
    view_.SetFocus();
    platform::SendMessage(view_.GetSafeHwnd(), engine::kStartEngineTimers);
    return scene_->IsScreenReady();
}

int DemoApp::Pump() {
    return view_.PumpQueued();
}

int DemoApp::Run(int seconds) {
    return view_.RunMessageLoop(seconds);
}

}  // namespace engine_demo
