#include "client/testapp/test_app.h"

#include "client/client_ui.h"
#include "client/hall_records.h"
#include "platform/audio/audio.h"
#include "platform/bytes.h"
#include "platform/gui/controls.h"
#include "platform/message_queue.h"
#include "platform/profile.h"
#include "transport/log.h"

namespace testapp {

bool TestNotifyHandler::Dispatch(uint32_t id, Data data) {
    if (id == kNoteTestGame) return OnTestGame(data);
    const bool handled = CGameNotifyHandler::Dispatch(id, data);
    sink_("notification " + std::to_string(id) + (handled ? " handled" : " refused"));
    return handled;
}

bool TestNotifyHandler::OnTestGame(Data data) {
    if (!HasBytes(kNoteTestGame, data, 4)) {
        sink_("notification " + std::to_string(kNoteTestGame) + " refused");
        return false;
    }
    sink_("notification " + std::to_string(kNoteTestGame) + " value " +
          std::to_string(platform::LoadLE32(data.data())));
    return true;
}

TestFrame::TestFrame(TestApp& app, EventSink sink) : app_(app), sink_(std::move(sink)) {}

TestFrame::~TestFrame() {
    Destroy();
}

void TestFrame::OnDisconnect() {
    sink_("connection lost");
    CMJGameFrameWnd::OnDisconnect();
}

void TestFrame::OnPlayerCard(const client::PlayerRecord& record) {
    sink_("player card " + std::to_string(record.userId));
}

// What the hall sent, as the hall's side sees it.
void TestFrame::OnHallData(const platform::Message& msg) {
    const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(msg.lParam);
    if (!cds) return;
    const auto data = client::ReadHallCopyData(
        cds->dwData, {static_cast<const uint8_t*>(cds->lpData), cds->cbData});
    using Kind = client::HallCopyData::Kind;
    if (data.kind == Kind::kRefused) sink_("hall data refused");
    if (data.kind == Kind::kLookerJoined)
        sink_("looker joined " + std::to_string(data.player.userId));
    if (data.kind == Kind::kPlayerLeft) sink_("player left " + std::to_string(data.left.userId));
}

platform::LRESULT TestFrame::OnMessage(platform::Message& msg) {
    const platform::HWND self = GetSafeHwnd();
    switch (msg.message) {
        case platform::WM_COPYDATA: {
            const platform::LRESULT r = CMJGameFrameWnd::OnMessage(msg);
            OnHallData(msg);
            return r;
        }
        case client::kMsgTableStateReady: {
            sink_("table state");
            const platform::LRESULT r = CMJGameFrameWnd::OnMessage(msg);
            sink_("portraits " + std::to_string(app_.Portraits32().GetImageCount()) + ", " +
                  std::to_string(app_.PortraitFilesFound()) + " from files");
            return r;
        }
        case client::kMsgEnterTable: {
            const platform::LRESULT r = CMJGameFrameWnd::OnMessage(msg);
            if (Entered()) sink_("entered " + std::to_string(app_.GetLaunchField9()));
            return r;
        }
        case platform::WM_TIMER: {
            const platform::LRESULT r = CMJGameFrameWnd::OnMessage(msg);
            if (msg.wParam == client::kTimerKeepAlive) sink_("keep-alive");
            if (msg.wParam == client::kTimerHallCheck && !app_.Hall()->HallExists())
                sink_("hall gone");
            return r;
        }
        case platform::WM_CLOSE: {
            const platform::LRESULT r = CMJGameFrameWnd::OnMessage(msg);
            if (!platform::IsWindow(self)) sink_("closed");
            return r;
        }
        default:
            return CMJGameFrameWnd::OnMessage(msg);
    }
}

TestApp::TestApp(EventSink sink, std::string hallEndpoint)
    : CGameApp("Qevo", 31201, 14, 0),
      sink_(std::move(sink)),
      hallEndpoint_(std::move(hallEndpoint)),
      session_(client::kSessionKey.data(), 128, 0x100, 0),
      skin_(GetIniPath()),
      notify_(sink_) {}

TestApp::~TestApp() {
    SetMainFrame(nullptr);
    frame_.reset();
    StopCommThread();
}

int TestApp::MessageBox(const std::string& text, uint32_t type) {
    sink_("message box: " + text);
    return (type & 0xF) == client::kMbYesNo ? client::kIdNo : client::kIdOk;
}

int TestApp::ShowTimedMessage(const std::string& text, const std::string&, const std::string&,
                              int* seconds, uint32_t type) {
    transport::LogPrintf("%s", text.c_str());
    sink_("timed message: " + text);
    if (seconds) *seconds = 0;
    // What the box answers when its time runs out.
    return (type & 0xF) == 1 ? platform::IDCANCEL : platform::IDOK;
}

void TestApp::ShowStatus(const char* text, int show) {
    if (show && text) sink_(std::string("status: ") + text);
    CGameApp::ShowStatus(text, show);
}

uint32_t TestApp::IsSilent() {
    return platform::GetPrivateProfileInt("GAMESET", "Silence", 0, GetIniPath()) != 0;
}

void TestApp::PlaySound(uint32_t id, uint32_t flags) {
    if (IsSilent()) {
        sink_("sound " + std::to_string(id) + " silenced");
        return;
    }
    client::PlayWaveResourceEx(id, flags | platform::SND_ASYNC);
    sink_("sound " + std::to_string(id));
}

bool TestApp::InitInstance() {
    if (!CGameApp::InitInstance()) {
        const auto* thread = CommThread();
        sink_("start failed" + (thread ? ": " + thread->Status().text : std::string()));
        return false;
    }
    sink_("connected");
    sink_(skin_.HasSkin() ? "skin " + skin_.GetSkinName(skin_.GetSkinPath()) : "no skin");
    client::CSingleDocTemplate templ;
    templ.frame = [this] { return std::make_unique<TestFrame>(*this, sink_); };
    const std::string& caption = GetGameTitle();
    client::OpenedDocument opened = templ.OpenNew(caption.empty() ? GetIniName() : caption);
    if (!opened.frame) return false;
    document_ = std::move(opened.document);
    frame_.reset(static_cast<TestFrame*>(opened.frame.release()));
    SetMainFrame(frame_.get());
    NotifyHall(frame_->Handle());
    frame_->ShowWindow(platform::SW_SHOWMAXIMIZED);
    frame_->UpdateWindow();
    sink_("main window");
    return true;
}

int TestApp::ExitInstance() {
    SetMainFrame(nullptr);
    frame_.reset();
    document_.reset();
    Disconnect();
    return CGameApp::ExitInstance();
}

int TestApp::Run() {
    const int code = RunMessageLoop();
    ExitInstance();
    sink_("ended");
    return code;
}

}  // namespace testapp
