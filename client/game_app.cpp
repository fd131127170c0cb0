#include "client/game_app.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "client/client_utils.h"
#include "client/comm_thread.h"
#include "client/framework_dialogs.h"
#include "client/game_frame.h"
#include "client/game_session.h"
#include "client/picture_file.h"
#include "client/skin_settings.h"
#include "platform/clock.h"
#include "platform/gui/dialog.h"
#include "platform/gui/message_box.h"
#include "platform/gui/wait_cursor.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/waitable.h"
#include "transport/log.h"
#include "transport/util.h"

namespace client {
namespace {

CGameApp* g_current = nullptr;

// The web root of the rules and skin pages.
constexpr char kWebRoot[] = "http://www.qevo-games.net/";

const RoomRecord kNoRoom{};
const TableRecord kNoTable{};

const char kTextNotFromHall[] = "该程序必须从游戏大厅中启动,是否启动游戏大厅？";
const char kTextCommThreadFailed[] = "通讯线程创建失败。";
const char kTextConnecting[] = "正在连接游戏服务器......";
const char kTextProxyFailed[] = "无法连接代理服务器【%s】，请检查设置是否正确。";
const char kTextServerFailed[] = "无法连接游戏服务器，请稍后再试。";

}  // namespace

std::string DisplayName(const PlayerRecord& p) {
    return p.nickname.empty() ? p.userName : p.userName + "[" + p.nickname + "]";
}

CGameApp::CGameApp(std::string gameName, uint32_t defaultPort, uint32_t versionMajor,
                   uint32_t versionMinor)
    : gameName_(std::move(gameName)),
      defaultPort_(defaultPort),
      versionMajor_(versionMajor),
      versionMinor_(versionMinor) {
    // The whole screen's width: panels do not make a screen small.
    if (const auto display = platform::GetDisplay())
        smallScreen_ = display->ScreenSize().cx <= 800 ? 1 : 0;
    g_current = this;
}

CGameApp::~CGameApp() {
    StopCommThread();
    if (g_current == this) g_current = nullptr;
}

CGameApp* CGameApp::Current() {
    return g_current;
}

bool CGameApp::InitInstance() {
    transport::LogOpen("Game", 0xA001D);
    if (CSkinSettings* skin = GetSkinSettings()) skin->Load();
    if (!ParseLaunchLine()) return false;
    if (!StartCommThread()) {
        MessageBox(kTextCommThreadFailed, kMbIconError);
        return false;
    }
    return ConnectServer();
}

int CGameApp::ExitInstance() {
    if (CSkinSettings* skin = GetSkinSettings()) skin->Unload();
    transport::LogClose();
    StopCommThread();
    return 0;
}

uint32_t CGameApp::GetTableClockTimer() {
    return frame_ ? frame_->TableClockTimer() : 0;
}

int CGameApp::MessageBox(const std::string& text, uint32_t type) {
    transport::LogPrintf("%s", text.c_str());
    platform::HWND owner = MainWindow();
    if (owner && platform::GetWindowThreadId(owner) != platform::GetCurrentThreadId())
        owner = platform::HWND{};
    return platform::MessageBox(owner ? platform::CWnd::FromHandle(owner) : nullptr, text,
                                launch_.caption, type);
}

bool CGameApp::ParseLaunchLine() {
    auto line = client::ParseLaunchLine(commandLine_, defaultPort_);
    if (!line) {
        if (MessageBox(kTextNotFromHall, kMbYesNo | kMbIconInformation) == kIdYes) StartHall();
        return false;
    }
    launch_ = std::move(*line);
    launchField9_ = 0;
    hall_ = std::make_unique<HallClient>(launch_, HallEndpointOverride());
    return true;
}

bool CGameApp::StartCommThread() {
    auto thread = std::make_unique<CGameCommThread>();
    if (!thread->Start()) return false;
    commThread_ = std::move(thread);
    return true;
}

void CGameApp::StopCommThread() {
    if (!commThread_) return;
    commThread_->Stop(1000);
    commThread_.reset();
}

uint32_t CGameApp::CommThreadId() const {
    return commThread_ ? commThread_->Id() : 0;
}

void CGameApp::WaitServingMessages(uint32_t ms) {
    WaitServingMessagesUntil(platform::DeadlineAfterMillis(ms));
}

void CGameApp::WaitServingMessagesUntil(int64_t deadline) {
    while (platform::CurrentClock().NowMicros() < deadline) {
        platform::MsgWaitForMultipleObjectsUntil({}, deadline);
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
            if (msg.message == platform::WM_QUIT) {
                platform::PostQuitMessage(int(msg.wParam));
                return;
            }
            platform::DispatchMessage(msg);
        }
    }
}

int CGameApp::RunMessageLoop() {
    platform::Message msg;
    while (platform::GetMessage(msg) > 0) {
        auto* frame = dynamic_cast<CGameFrameWnd*>(frame_);
        if ((frame && frame->PreTranslateMessage(msg)) ||
            platform::CDialog::PreTranslateForDialog(msg))
            continue;
        platform::DispatchMessage(msg);
        msg.payload.Reset();
    }
    return int(msg.wParam);
}

bool CGameApp::ConnectServer() {
    ShowStatus(kTextConnecting, 1);
    CGameSession* session = GetConnection();
    bool ok = false;
    if (session) {
        session->LoadProxySettings(GetHallIniPath());
        session->InitCipherKey();
        session->SetCommThreadId(CommThreadId());
        int proxyFailed = 0;
        if (!session->Connect("", launch_.serverHost, launch_.serverPort, &proxyFailed)) {
            char text[256];
            if (proxyFailed == 1)
                std::snprintf(text, sizeof(text), kTextProxyFailed,
                              session->GetProxyName().c_str());
            else
                std::snprintf(text, sizeof(text), "%s", kTextServerFailed);
            ShowStatus(text, 1);
            // The wait serves the hall's messages; it never blocks them.
            WaitServingMessages(2000);
        } else {
            std::string text;
            if (session->CheckVersion(text, &serverMajor_, &serverMinor_)) {
                ShowStatus(nullptr, 0);
                ok = true;
            } else {
                ShowStatus(text.c_str(), 1);
                WaitServingMessages(3000);
            }
        }
    }
    if (!ok) ReportToHall(0);
    return ok;
}

void CGameApp::Disconnect() {
    if (CGameSession* session = GetConnection()) session->Disconnect();
}

void CGameApp::LeaveGame() {
    if (CGameSession* session = GetConnection()) session->SendLeave(GetUserId(), GetOwnChair());
    if (frame_) frame_->RefreshTable();
    Disconnect();
}

void CGameApp::StartHall() {
    const std::string path = GetHallExePath();
    if (path.empty() || !platform::StartProcess(path, {}))
        transport::LogPrintf("cannot start the hall program \"%s\"", path.c_str());
}

const RoomRecord& CGameApp::Room() const {
    return hall_ ? hall_->Tables().Room() : kNoRoom;
}

const TableRecord& CGameApp::Table() const {
    return hall_ ? hall_->Tables().Table() : kNoTable;
}

std::string CGameApp::GetAdvertUrl() const {
    std::string url = platform::GetPrivateProfileString("ADVERT", "WWW3", "", GetIniPath(), 260);
    if (TrimSpaces(url).empty()) {
        // Without an advert host there is no page to ask for (as for notices).
        if (Room().advertHost.empty()) return {};
        char text[320];
        std::snprintf(text, sizeof(text), "http://%s/advert/window/%u/jq.htm",
                      Room().advertHost.c_str(), GetGameId());
        url = text;
    }
    return url;
}

const PlayerRecord* CGameApp::FindPlayer(uint32_t userId) const {
    return hall_ ? hall_->Tables().FindPlayer(userId) : nullptr;
}

PlayerRecord* CGameApp::FindPlayerMutable(uint32_t userId) {
    // The tables are this object's own; they only hand out const views.
    return const_cast<PlayerRecord*>(FindPlayer(userId));
}

int32_t CGameApp::GetPlayerChair(uint32_t userId) const {
    return hall_ ? hall_->Tables().GetPlayerChair(userId) : -1;
}

std::string CGameApp::GetUserName(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? p->userName : std::string();
}

std::string CGameApp::GetUserDisplayName(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? DisplayName(*p) : std::string();
}

uint32_t CGameApp::GetPlayerWord18(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? p->portrait : 0;
}

uint32_t CGameApp::GetPlayerWord40(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? p->friendFlag : 0;
}

uint32_t CGameApp::GetPlayerWord41(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? p->unwelcomeFlag : 0;
}

uint32_t CGameApp::GetPlayerWord42(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? p->knownFlag : 0;
}

uint32_t CGameApp::IsPlayerFlag1000(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p && (p->flags & 0x1000) ? 1 : 0;
}

uint32_t CGameApp::IsLookerUser(uint32_t userId) const {
    if (!hall_ || userId == 0) return 0;
    for (const auto& seat : hall_->Tables().Seats())
        if (seat.userId == userId) return 0;
    for (const auto& looker : hall_->Tables().Lookers())
        if (looker.userId == userId) return 1;
    return 0;
}

uint32_t CGameApp::GetSeatUserId(int chair) const {
    if (!hall_ || chair < 0 || chair >= int(kMaxSeated)) return 0;
    return hall_->Tables().Seats()[size_t(chair)].userId;
}

std::string CGameApp::GetSeatName(int chair) const {
    if (!hall_ || chair < 0 || chair >= int(kMaxSeated)) return {};
    return hall_->Tables().Seats()[size_t(chair)].userName;
}

std::string CGameApp::GetSeatDisplayName(int chair) const {
    if (!hall_ || chair < 0 || chair >= int(kMaxSeated)) return {};
    return DisplayName(hall_->Tables().Seats()[size_t(chair)]);
}

std::string CGameApp::GetModuleDir() const {
    return platform::ProgramDir();
}

std::string CGameApp::GetIniPath() const {
    return GetModuleDir() + gameName_ + ".ini";
}

std::string CGameApp::GetTempDir() const {
    const std::string dir = GetModuleDir() + "temp\\";
    if (!platform::DirectoryExists(dir)) platform::CreateDirectory(dir);
    return dir;
}

std::string CGameApp::GetHallDir() const {
    std::string dir;
    transport::GetPathParts(GetHallExePath(), transport::kPathDrive | transport::kPathDirectory,
                            dir);
    return dir;
}

std::string CGameApp::GetHallIniPath() const {
    return GetHallDir() + "GameHall.ini";
}

std::string CGameApp::GetPortraitDir() const {
    return GetHallDir() + "Share\\Image\\portrait\\";
}

std::string CGameApp::GetPlayerColorFilePath() const {
    return GetHallDir() + "temp\\" + std::to_string(GetUserId()) + ".dat";
}

void CGameApp::EnumSoundFolders(std::vector<std::string>& first,
                                std::vector<std::string>& second) const {
    for (const auto& found : platform::FindFiles(GetModuleDir() + "Sound\\*.*")) {
        if (!found.directory || found.name.empty()) continue;
        if (found.name[0] == '0') first.push_back(found.name);
        if (found.name[0] == '1') second.push_back(found.name);
    }
}

std::string CGameApp::GetRulesPage() const {
    return std::string(kWebRoot) + "rules/" + gameName_ + ".html";
}

std::string CGameApp::GetSkinPage() const {
    return std::string(kWebRoot) + "skin/" + gameName_ + "/";
}

int CGameApp::LoadPortraits() {
    // Rebuilt on every table state: a row's picture is its chair's index.
    portraits32_.Create(32, 32, kPortraitMask);
    portraits16_.Create(16, 16, kPortraitMask);
    const platform::Surface fallback =
        IconOnColour(LoadIconResource(kDefaultPortraitIcon), kPortraitMask);
    auto add = [&](const platform::Surface& picture) {
        const int index = portraits32_.Add(picture.Empty() ? platform::Surface(32, 32) : picture);
        if (const platform::Surface* added = portraits32_.Image(index)) portraits16_.Add(*added);
    };
    int found = 0;
    for (int chair = 0; chair < int(kMaxSeated); ++chair) {
        const uint32_t number = hall_ ? hall_->Tables().Seats()[size_t(chair)].portrait : 0;
        const platform::Surface picture =
            LoadPictureFile(GetPortraitDir() + std::to_string(number) + "_0.bmp");
        found += picture.Empty() ? 0 : 1;
        add(picture.Empty() ? fallback : picture);
    }
    add(fallback);
    portraitFiles_ = found;
    return found;
}

bool CGameApp::SetTableState(const HallTableState& state) {
    return hall_ && hall_->Tables().SetTableState(state, hall_->Own());
}

void CGameApp::NotifyHall(platform::HWND mainWindow) {
    if (commThread_)
        platform::PostThreadMessage(commThread_->Id(), kMsgCommForward,
                                    platform::ToWParam(mainWindow));
    if (hall_) hall_->NotifyHall(mainWindow);
}

void CGameApp::ReportToHall(uint32_t code) {
    if (!hall_) return;
    hall_->ReportToHall(
        hall_->MakeReport(code, serverMajor_, serverMinor_, connectionLostRunning_));
}

void CGameApp::ShowStatus(const char* text, int show) {
    if (!commThread_) return;
    if (show && text)
        platform::PostThreadMessage(commThread_->Id(), kMsgStatusText, 0, 0,
                                    platform::Payload::Make<std::string>(text));
    else
        platform::PostThreadMessage(commThread_->Id(), kMsgStatusText, 0, 0);
}

void CGameApp::ShowStatusEx(const char* text, uint32_t seconds) {
    if (!commThread_) return;
    platform::PostThreadMessage(commThread_->Id(), kMsgStatusText, 0, platform::LPARAM(seconds),
                                platform::Payload::Make<std::string>(text ? text : ""));
}

void CGameApp::PostToMainFrame(const std::string& text) {
    if (frame_ && frame_->HasChatView()) frame_->AppendChatLine(text);
}

void CGameApp::OpenUrl(const std::string& url) {
    const platform::CWaitCursor busy;
    char text[96];
    std::snprintf(text, sizeof(text), "正在打开%.32s...", url.c_str());
    ShowStatusEx(text, 20);
    auto job = std::make_unique<UrlJob>();
    job->mainWindow = MainWindow();
    job->url = url.substr(0, 259);
    const bool answered = platform::IsWindow(job->mainWindow);
    std::thread([job = std::move(job)]() mutable {
        job->opened = platform::OpenUrl(job->url);
        const platform::HWND target = job->mainWindow;
        platform::PostMessage(target, kMsgUrlOpened, 0, 0, platform::Payload::From(std::move(job)));
    }).detach();
    // Without a main window no answer comes: the cursor ends with the call.
    if (answered) {
        platform::BeginWaitCursor();
        ++urlWaits_;
    }
}

void CGameApp::UrlOpened(bool all) {
    const int ending = all ? urlWaits_ : std::min(urlWaits_, 1);
    for (int i = 0; i < ending; ++i)
        platform::EndWaitCursor();
    urlWaits_ -= ending;
}

int CGameApp::ShowTimedMessage(const std::string& text, const std::string& okText,
                               const std::string& cancelText, int* seconds, uint32_t type) {
    CTimedMessageBox box(text, okText, cancelText, seconds ? *seconds : 10, type);
    platform::HWND parent = MainWindow();
    if (parent && platform::GetWindowThreadId(parent) != platform::GetCurrentThreadId())
        parent = platform::HWND{};
    const int result = box.DoModal(parent);
    if (seconds) *seconds = box.SecondsLeft();
    return result;
}

platform::HWND CGameApp::MainWindow() const {
    return frame_ ? frame_->Handle() : platform::HWND{};
}

}  // namespace client
