#include "mahjong/app/clock_channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/gui/display.h"
#include "platform/gui/gui_messages.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "transport/notice.h"

namespace mahjong {
namespace {

// A thread message of the user-interface thread: the test moves the clock
// by wParam milliseconds.
constexpr platform::UINT kStepMessage = platform::WM_APP + 0x3C5;

bool IsButtonMessage(platform::UINT message) {
    return message >= platform::WM_LBUTTONDOWN && message <= platform::WM_MBUTTONDBLCLK;
}

}  // namespace

std::unique_ptr<ClockChannel> ClockChannel::FromEnvironment(std::string* error) {
    const char* path = std::getenv(kVariable);
    if (!path || !*path) return nullptr;
    auto channel = std::make_unique<ClockChannel>(path);
    if (channel->Connected()) return channel;
    if (error) *error = std::string("no test listens on the clock channel ") + path;
    return nullptr;
}

ClockChannel::ClockChannel(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    scoped_.emplace(clock_);
}

ClockChannel::~ClockChannel() {
    if (uiThread_ != 0) platform::SetThreadMessageHooks({});
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    if (reader_.joinable()) reader_.join();
    if (fd_ >= 0) ::close(fd_);
}

void ClockChannel::Attach(std::function<uint64_t()> requestsSent) {
    if (!Connected() || uiThread_ != 0) return;
    requestsSent_ = std::move(requestsSent);
    uiThread_ = platform::GetCurrentThreadId();
    platform::Message none;
    platform::PeekMessage(none, {}, 0, 0, platform::PM_NOREMOVE);  // the thread's queue exists
    platform::SetThreadMessageHooks(
        {[this](const platform::Message& m) { OnRetrieved(m); }, [this] { OnIdle(); }});
    reader_ = std::thread([this] { Read(); });
}

// The reader's thread: each line is one step; the end of the channel ends
// the program, which has nobody left to move its time.
void ClockChannel::Read() {
    std::string pending;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        pending.append(buffer, size_t(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.rfind("step ", 0) != 0) continue;
            const long ms = std::strtol(line.c_str() + 5, nullptr, 10);
            if (ms >= 0) platform::PostThreadMessage(uiThread_, kStepMessage, platform::WPARAM(ms));
        }
        if (pending.size() > 1024) pending.clear();  // no line of ours is that long
    }
    platform::PostThreadMessage(uiThread_, platform::WM_QUIT);
}

void ClockChannel::OnRetrieved(const platform::Message& msg) {
    if (msg.message == kStepMessage && !msg.hwnd) {
        clock_.AdvanceMillis(int64_t(msg.wParam));
        ++steps_;
    } else if (msg.message == transport::kNoticeMessage) {
        ++notices_;
    } else if (IsButtonMessage(msg.message)) {
        ++buttons_;
    }
}

void ClockChannel::OnIdle() {
    // What was presented reaches the screen before the test looks at it.
    platform::GetDisplay()->Flush();
    const platform::POINT at = platform::GetCursorPos();
    const std::string line = "rest " + std::to_string(steps_) + " " +
                             std::to_string(requestsSent_ ? requestsSent_() : 0) + " " +
                             std::to_string(notices_) + " " + std::to_string(buttons_) + " " +
                             std::to_string(at.x) + " " + std::to_string(at.y) + "\n";
    if (line == last_) return;
    last_ = line;
    for (size_t sent = 0; sent < line.size();) {
        const ssize_t n = ::send(fd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += size_t(n);
    }
}

}  // namespace mahjong
