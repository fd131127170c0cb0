#include "tools/engine-demo/demo_app.h"

#include <stdlib.h>

#include <filesystem>

#include "script/bridge/script_object.h"
#include "tools/engine-demo/demo_assets.h"

namespace engine_demo {

// The top-level window: the user closing it ends the loop (the app
// destroys it afterwards).
class DemoApp::Frame : public platform::CWnd {
  public:
    ~Frame() override { Destroy(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message == platform::WM_CLOSE) {
            platform::PostQuitMessage(0);
            return 0;
        }
        return CWnd::OnMessage(msg);
    }
};

DemoApp::DemoApp(DemoScene::Say say, bool still) : frame_(std::make_unique<Frame>()) {
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
    int handled = 0;
    platform::Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
        if (msg.message == platform::WM_QUIT) {
            platform::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (!view_.PreTranslateMessage(msg)) platform::DispatchMessage(msg);
        ++handled;
    }
    return handled;
}

int DemoApp::Run(int seconds) {
    const platform::UINT_PTR timer =
        seconds > 0 ? platform::SetTimer({}, 0, uint32_t(seconds) * 1000,
                                         [](platform::HWND, platform::UINT, platform::UINT_PTR,
                                            platform::DWORD) { platform::PostQuitMessage(0); })
                    : 0;
    platform::Message msg;
    int result;
    while ((result = platform::GetMessage(msg)) > 0) {
        if (!view_.PreTranslateMessage(msg)) platform::DispatchMessage(msg);
    }
    if (timer) platform::KillTimer({}, timer);
    return result == 0 ? int(msg.wParam) : 1;
}

}  // namespace engine_demo
