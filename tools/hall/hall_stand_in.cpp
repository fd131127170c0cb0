#include "tools/hall/hall_stand_in.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/message.h"
#include "platform/text.h"
#include "tools/gameserver/level_titles.h"
#include "tools/hall/hall_wire.h"

extern char** environ;

namespace hall {

using platform::HallFrame;

std::string BuildLaunchLine(const client::LaunchLine& line) {
    // The hall's own format; the text fields must not hold a '|' of their own.
    std::string out;
    out.resize(64 + line.serverHost.size() + line.caption.size() + 12 * 12);
    const int n = std::snprintf(out.data(), out.size(), "\"%d|%s|%d|%d|%d|%d|%d|%d|%d|%d|%s|%d\"",
                                int(line.gameId), line.serverHost.c_str(), int(line.roomId),
                                int(line.hallWindow), int(line.field4), int(line.userId),
                                line.tableNo, line.chair, int(line.lookerFlag), 0,
                                line.caption.c_str(), int(line.serverPort));
    out.resize(n > 0 ? size_t(n) : 0);
    return out;
}

client::HallTableState MakeTableState(const client::LaunchLine& line, int seated, int lookers) {
    client::HallTableState s;
    s.room.zoneName = "测试区";
    s.room.roomName = "一号房";
    // No web server unless one is named (qevo-hall --web).
    s.room.noticeHost.clear();
    s.room.advertHost.clear();
    s.room.noticePeriod = 600;
    s.room.noticeFileNumber = line.roomId;
    auto player = [](uint32_t id, int32_t chair, uint32_t looker) {
        static const char* const kNicknames[] = {"东风", "南风", "西风", "北风", "红中", "发财"};
        client::PlayerRecord p;
        p.userId = id;
        p.chair = chair;
        p.lookerFlag = looker;
        p.userName = "user" + std::to_string(id);
        p.nickname = kNicknames[id % 6];
        p.portrait = id % 8;
        p.score = int32_t(100 + 37 * (id % 11));
        p.levelTitle = gameserver::LevelTitleOfScore(p.score);
        p.silver = 10000;
        return p;
    };
    for (int c = 0; c < seated && c < int(client::kMaxSeated); ++c) {
        const bool own = !line.lookerFlag && c == line.chair;
        s.seated.push_back(player(own ? line.userId : 1000 + uint32_t(c), c, 0));
    }
    for (int i = 0; i < lookers && i < int(client::kMaxLookers); ++i)
        s.lookers.push_back(player(2000 + uint32_t(i), 0, 1));
    if (line.lookerFlag) {
        const auto own = player(line.userId, line.chair, 1);
        if (s.lookers.size() < client::kMaxLookers)
            s.lookers.insert(s.lookers.begin(), own);
        else
            s.lookers.front() = own;
    }
    return s;
}

HallStandIn::HallStandIn(client::LaunchLine line, std::string path)
    : line_(std::move(line)),
      state_(MakeTableState(line_, 4, 0)),
      endpoint_(
          path.empty() ? platform::HallEndpointPath(line_.hallWindow) : std::move(path),
          [this](platform::HallConnection&, const HallFrame& f, uint32_t* result) {
              return OnRequest(f, result);
          },
          [](const std::string& text) { std::fprintf(stderr, "hall: %s\n", text.c_str()); }) {}

HallStandIn::~HallStandIn() {
    endpoint_.Close();
    autoSender_.Join();
    if (child_ > 0) WaitForExit();
}

bool HallStandIn::Open() {
    return endpoint_.Open();
}

pid_t HallStandIn::Start(const std::vector<std::string>& command) {
    if (command.empty() || child_ > 0) return -1;
    std::vector<std::string> args = command;
    // Arguments cross the system edge as UTF-8; the client turns its launch
    // line back into GBK.
    args.push_back(platform::GbkToUtf8(BuildLaunchLine(line_)));
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    child_ = pid;
    return pid;
}

int HallStandIn::WaitForExit() {
    if (child_ <= 0) return -1;
    int status = 0;
    pid_t r;
    while ((r = waitpid(child_, &status, 0)) < 0 && errno == EINTR) {
    }
    child_ = -1;
    if (r < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool HallStandIn::OnRequest(const HallFrame& f, uint32_t* result) {
    HallEvent e;
    e.message = f.kind == HallFrame::Kind::kCopyData ? platform::WM_COPYDATA : f.message;
    e.wParam = f.wParam;
    e.lParam = f.lParam;
    bool startState = false;
    if (f.kind == HallFrame::Kind::kCopyData) {
        e.kind = HallEvent::Kind::kReport;
        e.dwData = f.dwData;
        if (f.dwData == client::kCopyReport || f.dwData == client::kCopyReportConnectionLost)
            e.report = DecodeReport(f.data);
        else
            e.kind = HallEvent::Kind::kOther;
    } else if (f.message == client::kHallMsgMainWindow) {
        e.kind = HallEvent::Kind::kMainWindow;
    } else if (f.kind == HallFrame::Kind::kPost) {
        e.kind = HallEvent::Kind::kPost;
    }
    if (observer_) observer_(e);
    {
        std::lock_guard lock(mu_);
        if (e.kind == HallEvent::Kind::kMainWindow) {
            startState = clientWindow_ == 0 && autoState_;
            clientWindow_ = e.wParam;
        }
        events_.push_back(std::move(e));
    }
    changed_.Set();
    // The table state goes out after the answer, from a thread of its own,
    // as a hall would send it after returning from the message.
    if (startState) autoSender_.Start([this] { SendTableState(); });
    *result = 1;
    return true;
}

bool HallStandIn::SendCopy(uint32_t dwData, const std::vector<uint8_t>& plain) {
    return SendRaw(dwData, EncryptForClient(plain));
}

bool HallStandIn::SendRaw(uint32_t dwData, const std::vector<uint8_t>& bytes) {
    // A client that has just connected may not have been accepted yet.
    if (endpoint_.Clients().empty() && !endpoint_.WaitForClient(client::kHallSendTimeoutMs))
        return false;
    auto clients = endpoint_.Clients();
    if (clients.empty()) return false;
    HallFrame f;
    f.kind = HallFrame::Kind::kCopyData;
    f.wParam = line_.hallWindow;
    f.dwData = dwData;
    f.data = bytes;
    platform::DWORD_PTR result = 0;
    return clients.back()->Request(std::move(f), platform::SMTO_NORMAL, client::kHallSendTimeoutMs,
                                   &result) != 0;
}

bool HallStandIn::SendTableState() {
    return SendCopy(client::kCopyTableState, EncodeTableState(state_));
}

bool HallStandIn::SendLooker(const client::PlayerRecord& player) {
    return SendCopy(client::kCopyLookerJoined, EncodePlayer(player));
}

bool HallStandIn::SendPlayerLeft(uint32_t userId, int32_t chair) {
    const client::PlayerLeftRecord left{line_.hallWindow, userId, line_.tableNo, chair};
    return SendCopy(client::kCopyPlayerLeft, EncodePlayerLeft(left));
}

bool HallStandIn::SendPlayerCard(const client::PlayerRecord& player) {
    return SendCopy(client::kCopyPlayerCard, EncodePlayer(player));
}

void HallStandIn::Vanish() {
    endpoint_.Close();
}

std::vector<HallEvent> HallStandIn::Events() {
    std::lock_guard lock(mu_);
    return events_;
}

bool HallStandIn::WaitForEvents(size_t count, platform::DWORD timeoutMs) {
    const int64_t deadline = platform::DeadlineAfterMillis(timeoutMs);
    platform::Waitable* const sources[] = {&changed_};
    return platform::WaitUntil(std::span(sources), deadline, [&](int64_t&) {
        std::lock_guard lock(mu_);
        return events_.size() >= count;
    });
}

uint32_t HallStandIn::ClientWindow() const {
    std::lock_guard lock(mu_);
    return clientWindow_;
}

}  // namespace hall
