#include "client/testapp/test_app.h"

#include <algorithm>
#include <cstdio>

#include "client/client_ui.h"
#include "platform/audio/audio.h"
#include "platform/bytes.h"
#include "platform/gui/display.h"
#include "platform/message_queue.h"
#include "platform/profile.h"
#include "platform/thread.h"
#include "transport/log.h"
#include "transport/notice.h"

namespace testapp {

bool TestNotifyHandler::Dispatch(uint32_t id, Data data) {
    if (id == kNoteTestGame) return OnTestGame(data);
    const bool handled = CGameNotifyHandler::Dispatch(id, data);
    sink_("notification " + std::to_string(id) + (handled ? " handled" : " refused"));
    return handled;
}

bool TestNotifyHandler::OnNotify211000(Data data) {
    CGameNotifyHandler::OnNotify211000(data);
    if (auto* app = client::CGameApp::Current(); app && app->MainWindow())
        platform::PostMessage(app->MainWindow(), platform::WM_CLOSE);
    return true;
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

namespace {

constexpr int kFrameWidth = 560;
constexpr int kFrameHeight = 400;

}  // namespace

TestFrame::TestFrame(TestApp& app, EventSink sink) : app_(app), sink_(std::move(sink)) {
    SetClassBackground(kBackground);
}

TestFrame::~TestFrame() {
    Destroy();
}

bool TestFrame::Make(const std::string& caption) {
    const platform::RECT area = platform::GetDisplay()->WorkArea();
    const int x = area.left + std::max((area.Width() - kFrameWidth) / 2, 0);
    const int y = area.top + std::max((area.Height() - kFrameHeight) / 2, 0);
    return CreateEx(0, caption, platform::WS_OVERLAPPEDWINDOW | platform::WS_VISIBLE,
                    {x, y, x + kFrameWidth, y + kFrameHeight}, nullptr, 0);
}

void TestFrame::AddLine(const std::string& line) {
    {
        std::lock_guard lock(linesMu_);
        lines_.push_back(line);
        if (lines_.size() > kMaxLines) lines_.pop_front();
    }
    // Once the list is full, a new line moves every other one up.
    if (GetSafeHwnd() && ThreadId() == platform::GetCurrentThreadId()) Invalidate();
}

std::vector<std::string> TestFrame::Lines() const {
    std::lock_guard lock(linesMu_);
    return {lines_.begin(), lines_.end()};
}

int TestFrame::LineHeight() const {
    return platform::Font::Open(LineFont())->Height() + kLineGap;
}

platform::RECT TestFrame::LineRect(size_t index) const {
    size_t count;
    {
        std::lock_guard lock(linesMu_);
        count = lines_.size();
    }
    if (index >= count) return {};
    const platform::RECT client = GetClientRect();
    const int height = LineHeight();
    const int top = kHeaderHeight + kMargin;
    const int fit = std::max((client.bottom - kMargin - top + kLineGap) / height, 0);
    const size_t first = count > size_t(fit) ? count - size_t(fit) : 0;
    if (index < first) return {};
    const int y = top + int(index - first) * height;
    return {kMargin, y, client.right - kMargin, y + height - kLineGap};
}

void TestFrame::PaintHeader(platform::Painter& painter) {
    platform::RECT band = GetClientRect();
    band.bottom = kHeaderHeight;
    painter.FillSolidRect(band, kHeaderColor);
    painter.SetBkMode(platform::TRANSPARENT);
    painter.SetTextColor(kHeaderText);
    painter.SelectFont(HeaderFont());
    platform::RECT text{kMargin, 0, band.right - kMargin, band.bottom};
    const std::string who = "用户 " + std::to_string(app_.GetUserId()) + "  桌 " +
                            std::to_string(app_.GetTableNo()) + "  座位 " +
                            std::to_string(app_.GetOwnChair());
    constexpr unsigned kOneLine =
        platform::DT_SINGLELINE | platform::DT_VCENTER | platform::DT_NOPREFIX;
    painter.DrawText(who, text, kOneLine | platform::DT_RIGHT);
    text.right -= painter.GetTextExtent(who).cx + 2 * kMargin;
    painter.DrawText(GetWindowText(), text, kOneLine | platform::DT_END_ELLIPSIS);
}

void TestFrame::OnPaint() {
    platform::PAINTSTRUCT ps;
    platform::Painter painter = BeginPaint(ps);
    painter.FillSolidRect(GetClientRect(), kBackground);
    PaintHeader(painter);
    painter.SelectFont(LineFont());
    painter.SetTextColor(kText);
    const std::vector<std::string> lines = Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        platform::RECT r = LineRect(i);
        if (platform::IsRectEmpty(r)) continue;
        painter.DrawText(
            lines[i], r,
            platform::DT_SINGLELINE | platform::DT_NOPREFIX | platform::DT_END_ELLIPSIS);
    }
    EndPaint(ps);
}

void TestFrame::StartKeepAliveTimer(uint32_t seconds) {
    platform::KillTimer(Handle(), kFrameKeepAliveTimer);
    platform::SetTimer(Handle(), kFrameKeepAliveTimer, seconds * 1000);
}

platform::LRESULT TestFrame::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE:
            platform::SetTimer(Handle(), kFrameHallTimer, 1000);
            return 0;
        case platform::WM_PAINT:
            OnPaint();
            return 0;
        case platform::WM_SIZE:
            Invalidate();
            return Default(msg);
        case platform::WM_TIMER:
            if (msg.wParam == kFrameHallTimer && !app_.Hall()->HallExists()) {
                sink_("hall gone");
                platform::PostQuitMessage(0);
            } else if (msg.wParam == kFrameKeepAliveTimer) {
                const bool sent = app_.GetConnection()->SendRequest201020();
                sink_(sent ? "keep-alive" : "keep-alive failed");
            }
            return 0;
        case platform::WM_COPYDATA: {
            const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(msg.lParam);
            if (!cds) return 0;
            const auto* bytes = static_cast<const uint8_t*>(cds->lpData);
            const auto r = app_.Hall()->OnCopyData(cds->dwData, {bytes, cds->cbData}, leaveWatch_);
            using Action = client::HallCopyResult::Action;
            if (r.action == Action::kTableStateReady) {
                sink_("table state");
                const int found = app_.LoadPortraits();
                sink_("portraits " + std::to_string(app_.Portraits32().GetImageCount()) + ", " +
                      std::to_string(found) + " from files");
                platform::PostMessage(Handle(), client::kMsgTableStateReady);
            } else if (r.action == Action::kLookerJoined) {
                sink_("looker joined " + std::to_string(r.player.userId));
            } else if (r.action == Action::kPlayerCard) {
                sink_("player card " + std::to_string(r.player.userId));
            } else if (r.action == Action::kIgnored) {
                sink_("hall data ignored");
            } else if (r.action == Action::kRefused) {
                sink_("hall data refused");
            } else if (r.action == Action::kPlayerLeft) {
                if (app_.GetLookerFlag() == 0)
                    app_.GetConnection()->SendLeave(r.left.userId, r.left.chair);
                sink_("player left " + std::to_string(r.left.userId));
            }
            return Default(msg);
        }
        case client::kMsgTableStateReady:
            platform::PostMessage(Handle(), client::kMsgEnterTable);
            return 0;
        case client::kMsgEnterTable: {
            std::string text;
            if (!app_.GetConnection()->EnterGame(text)) {
                sink_("enter failed: " + text);
                app_.ShowStatus(text.c_str(), 1);
                client::CGameApp::WaitServingMessages(2000);
                platform::PostMessage(Handle(), platform::WM_CLOSE);
                return 0;
            }
            platform::SendMessage(Handle(), kMsgTableEntered);
            StartKeepAliveTimer(60);
            sink_("entered " + std::to_string(app_.GetLaunchField9()));
            return 0;
        }
        case transport::kNoticeMessage:
            OnPacket(msg);
            return 0;
        case platform::WM_CLOSE:
            OnClose();
            return 0;
        default:
            return Default(msg);
    }
}

void TestFrame::OnPacket(platform::Message& msg) {
    auto records = msg.payload.Take<transport::TransportNoticeRecords>();
    if (!records) return;
    if (int32_t(records->info.serial) != app_.GetConnection()->GetSerial()) return;
    const uint32_t code = records->notice.Code();
    if (code == transport::kNoticeClosed || code == transport::kNoticeError) {
        OnDisconnect();
        return;
    }
    app_.GetNotifyHandler()->Dispatch(code, records->notice.Bytes());
}

void TestFrame::OnDisconnect() {
    app_.ConnectionLostRunning() = app_.GetTableClockTimer();
    app_.Disconnect();
    sink_("connection lost");
    RefreshTable();
    app_.ReportToHall(Handle().value);
    platform::PostMessage(Handle(), platform::WM_CLOSE);
}

void TestFrame::OnClose() {
    if (closing_) return;
    closing_ = true;
    client::CGameSession* session = app_.GetConnection();
    if (session->IsAlive()) session->SendLeave(app_.GetUserId(), app_.GetOwnChair());
    app_.ReportToHall(Handle().value);
    sink_("closed");
    platform::KillTimer(Handle(), kFrameHallTimer);
    platform::KillTimer(Handle(), kFrameKeepAliveTimer);
    platform::PostQuitMessage(0);
}

TestApp::TestApp(EventSink sink, std::string hallEndpoint)
    : CGameApp("Qevo", 31201, 14, 0),
      out_(std::move(sink)),
      sink_([this](const std::string& line) { Record(line); }),
      hallEndpoint_(std::move(hallEndpoint)),
      session_(client::kSessionKey.data(), 128, 0x100, 0),
      skin_(GetIniPath()),
      notify_(sink_) {}

TestApp::~TestApp() {
    SetMainFrame(nullptr);
    frame_.reset();
    StopCommThread();
}

void TestApp::Record(const std::string& line) {
    if (frame_ && frame_->GetSafeHwnd()) {
        frame_->AddLine(line);
    } else {
        early_.push_back(line);
        if (early_.size() > TestFrame::kMaxLines) early_.pop_front();
    }
    out_(line);
}

int TestApp::MessageBox(const std::string& text, uint32_t type) {
    sink_("message box: " + text);
    return (type & 0xF) == client::kMbYesNo ? client::kIdNo : client::kIdOk;
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
    frame_ = std::make_unique<TestFrame>(*this, sink_);
    for (const std::string& line : early_)
        frame_->AddLine(line);
    early_.clear();
    const std::string& caption = GetGameTitle();
    if (!frame_->Make(caption.empty() ? GetIniName() : caption)) return false;
    SetMainFrame(frame_.get());
    NotifyHall(frame_->Handle());
    sink_("main window");
    return true;
}

int TestApp::ExitInstance() {
    SetMainFrame(nullptr);
    frame_.reset();
    Disconnect();
    return CGameApp::ExitInstance();
}

int TestApp::Run() {
    const int code = platform::RunMessageLoop();
    ExitInstance();
    sink_("ended");
    return code;
}

}  // namespace testapp
