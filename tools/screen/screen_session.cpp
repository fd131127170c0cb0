#include "tools/screen/screen_session.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace screen {

ScreenSession::ScreenSession(std::string display, const std::string& channel, Peers peers,
                             RECT screen)
    : clock_(channel), peers_(std::move(peers)), display_(std::move(display)), screen_(screen) {}

ScreenSession::~ScreenSession() = default;

bool ScreenSession::RealWait(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRealWaitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp || clock_.Gone()) return false;
        clock_.Latest(5);
    }
    return true;
}

bool ScreenSession::Settle() {
    for (;;) {
        const bool rested = RealWait([this] {
            const Rest& r = clock_.Last();
            return r.steps == clock_.StepsSent() && peers_.agree(r);
        });
        if (!rested) return false;
        if (!peers_.poke()) return true;
    }
}

bool ScreenSession::Step(int64_t ms) {
    peers_.advance(ms);
    if (!clock_.Step(ms)) return false;
    peers_.poke();
    return true;
}

bool ScreenSession::Until(const std::function<bool()>& done, int64_t ms, int steps) {
    for (int i = 0; i < steps; ++i) {
        if (!Settle()) return false;
        if (done()) return true;
        if (!Step(ms)) return false;
    }
    return false;
}

bool ScreenSession::Pass(int64_t ms) {
    for (int64_t t = 0; t < ms; t += 100)
        if (!Settle() || !Step(100)) return false;
    return Settle();
}

bool ScreenSession::Still(RECT area) {
    const Surface before = Crop(Grab(), area);
    return Pass(300) && Crop(Grab(), area) == before;
}

const Surface& ScreenSession::Grab() {
    const Rest& r = clock_.Last();
    const std::array<uint64_t, 4> now{r.steps, r.notices, r.buttons,
                                      uint64_t(uint32_t(r.x)) << 32 | uint32_t(r.y)};
    if (grabbed_.Empty() || now != grabbedAt_) {
        if (!x_) x_ = std::make_unique<XScreen>(display_);
        grabbed_ = x_->Grab(screen_);
        grabbedAt_ = now;
    }
    return grabbed_;
}

std::optional<Found> ScreenSession::Find(const Surface& picture, const FindOptions& options) {
    return FindPicture(Grab(), picture, options);
}

bool ScreenSession::MovePointer(POINT at) {
    if (!x_) x_ = std::make_unique<XScreen>(display_);
    if (!x_->Ready() || !x_->MoveTo(at.x, at.y)) return false;
    return RealWait([&] { return clock_.Last().x == at.x && clock_.Last().y == at.y; }) &&
           Pass(200);
}

bool ScreenSession::Press() {
    const uint64_t buttons = clock_.Last().buttons;
    return x_ && x_->Press() && RealWait([&] { return clock_.Last().buttons > buttons; });
}

bool ScreenSession::Release() {
    const uint64_t buttons = clock_.Last().buttons;
    return x_ && x_->Release() && RealWait([&] { return clock_.Last().buttons > buttons; });
}

bool ScreenSession::Click(POINT at) {
    return MovePointer(at) && Press() && Release() && Pass(200);
}

int WaitForExit(pid_t pid, int ms) {
    // The child's end makes its pidfd readable.
    const int exited = int(syscall(SYS_pidfd_open, pid, 0));
    pollfd end{exited, POLLIN, 0};
    if (exited < 0 || poll(&end, 1, ms) != 1) kill(pid, SIGKILL);
    if (exited >= 0) close(exited);
    int status = -1;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace screen
