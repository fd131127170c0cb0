#pragma once
// The main frame with its panes on this thread, on a headless display,
// against the scripted game server, the hall stand-in and the web server
// over loopback, with the clock driven by the test. Message boxes, status
// texts and opened pages are recorded, not shown.

#include <stdlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/chat_view.h"
#include "client/doc_template.h"
#include "client/game_app.h"
#include "client/game_session.h"
#include "client/mj_game_frame.h"
#include "client/notify_handler.h"
#include "client/player_view.h"
#include "client/skin_settings.h"
#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "platform/clock.h"
#include "platform/gui/controls.h"
#include "tools/hall/hall_stand_in.h"
#include "tools/webserver/web_server.h"

namespace client::testing {

class FrameApp : public CGameApp {
  public:
    FrameApp()
        : CGameApp("Qevo", 31201, 14, 0),
          session(kSessionKey.data(), 128, 0x100, 0),
          skin(GetIniPath()) {}
    CGameSession* GetConnection() override { return &session; }
    CSkinSettings* GetSkinSettings() override { return &skin; }
    CGameNotifyHandler* GetNotifyHandler() override { return &notify; }
    int ShowTimedMessage(const std::string& text, const std::string&, const std::string&, int*,
                         uint32_t type) override {
        boxes.push_back(text + "|" + std::to_string(type));
        return answer;
    }
    void ShowStatus(const char* text, int show) override {
        if (show && text) statuses.push_back(text);
        CGameApp::ShowStatus(text, show);
    }
    void OpenUrl(const std::string& url) override { opened.push_back(url); }

    CGameSession session;
    CSkinSettings skin;
    CGameNotifyHandler notify;
    std::vector<std::string> boxes;  // "text|type"
    int answer = platform::IDOK;
    std::vector<std::string> statuses;
    std::vector<std::string> opened;
};

// Seated in chair 1 of table 5 with three more players and two lookers;
// the web server is the room's notice and advert host.
class FrameFixture : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        for (const char* name : {"QEVO_PROGRAM_DIR", "QEVO_HALL_DIR", "QEVO_SYSTEM_DIR"})
            setenv(name, ui_.dir.path().c_str(), 1);
        ui_.dir.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + AssetDir() + "hall/GameHall.exe\r\n");
        line_.chair = 1;
        Web();
        ASSERT_NE(web_.Start(), 0);
    }
    void TearDown() override { Stop(); }
    // Ends the frame, the application and the hall (also between table rows).
    void Stop() {
        frame_.reset();
        if (app_) app_->ExitInstance();
        app_.reset();
        hall_.reset();
        Pump();
    }

    // The hall, the application started (connected) and its frame shown;
    // `lookers` watch chair 0. False when any step failed.
    bool Start(uint32_t noticePeriod = 600, int lookers = 2) {
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        auto& room = hall_->TableState();
        room = hall::MakeTableState(line_, 4, lookers);
        room.room.noticeHost = room.room.advertHost = web_.HostAndPort();
        room.room.noticePeriod = noticePeriod;
        room.room.options = roomOptions_;
        if (!hall_->Open()) return false;
        app_ = std::make_unique<FrameApp>();
        app_->SetCommandLine(hall::BuildLaunchLine(line_));
        if (!app_->InitInstance()) return false;
        CSingleDocTemplate templ;
        templ.frame = [this] { return std::unique_ptr<CGameFrameWnd>(makeFrame_()); };
        OpenedDocument opened = templ.OpenNew("Qevo");
        if (!opened.frame) return false;
        frame_.reset(static_cast<CMJGameFrameWnd*>(opened.frame.release()));
        app_->SetMainFrame(frame_.get());
        app_->NotifyHall(frame_->Handle());
        frame_->ShowWindow(platform::SW_SHOWMAXIMIZED);
        return true;
    }
    bool StartAndEnter(uint32_t noticePeriod = 600, int lookers = 2) {
        return Start(noticePeriod, lookers) && PumpUntil([&] { return frame_->Entered(); });
    }
    // The web server's switches; its files are the generated web pictures.
    void Web(std::chrono::milliseconds delay = {}, bool wrongPrefix = false) {
        webserver::WebOptions options;
        options.delay = delay;
        options.wrongPrefix = wrongPrefix;
        options.fileRoot = AssetDir() + "web";
        web_.SetOptions(options);
    }
    // Pumps this thread's queue until `done` holds; false after a generous bound.
    template <class F>
    bool PumpUntil(F done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end) {
            Pump();
            if (done()) return true;
            std::this_thread::yield();
        }
        return false;
    }
    // Runs `send` (a hall send, which waits for this thread's handler) on
    // another thread while this one pumps.
    template <class F>
    bool WhileHallSends(F send) {
        bool done = false, ok = false;
        std::thread t([&] {
            ok = send();
            done = true;
        });
        PumpUntil([&] { return done; });
        t.join();
        return ok;
    }
    size_t RequestsFor(const std::string& prefix) const {
        size_t n = 0;
        for (const auto& r : web_.Requests())
            n += r.target.rfind(prefix, 0) == 0;
        return n;
    }
    std::string ChatText() {
        CChatRichEdit& chat = frame_->GetChatView()->ChatText();
        return chat.GetTextRange(0, chat.Length());
    }
    bool ChatHas(const std::string& text) { return ChatText().find(text) != std::string::npos; }

    UiFixture ui_;
    webserver::WebServer web_;
    uint32_t roomOptions_ = 0;
    std::function<std::unique_ptr<CMJGameFrameWnd>()> makeFrame_ = [] {
        return std::make_unique<CMJGameFrameWnd>();
    };
    std::unique_ptr<FrameApp> app_;
    std::unique_ptr<CMJGameFrameWnd> frame_;
};

}  // namespace client::testing
