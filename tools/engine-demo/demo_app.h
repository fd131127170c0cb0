#pragma once
// The demo as a program: its folder of pictures, a top-level window the size
// of the table with the hosting view in it, the scene attached and started,
// and the message loop that hands keys to the view first.

#include <memory>
#include <string>

#include "engine/resources/resource_manager.h"
#include "engine/table_view.h"
#include "platform/gui/wnd.h"
#include "tools/engine-demo/demo_scene.h"

namespace engine_demo {

class DemoApp {
  public:
    explicit DemoApp(DemoScene::Say say, bool still = false);
    ~DemoApp();
    DemoApp(const DemoApp&) = delete;
    DemoApp& operator=(const DemoApp&) = delete;

    // Writes the pictures, opens the window at (x, y) of the screen and
    // starts the engine; false when something could not be made.
    bool Open(int x, int y);
    // Dispatches what is queued; the number of messages handled.
    int Pump();
    // The message loop until the window closes or `seconds` pass (0: no
    // limit); the exit code.
    int Run(int seconds);

    platform::CWnd& Window();
    engine::CJqGameTableView& View() { return view_; }
    DemoScene& Scene() { return *scene_; }

  private:
    std::string folder_;
    engine::ResourceManager resources_;
    std::unique_ptr<DemoScene> scene_;
    std::unique_ptr<engine::CHostFrameWnd> frame_;
    engine::CJqGameTableView view_;
};

}  // namespace engine_demo
