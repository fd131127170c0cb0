#pragma once
// The program's one test seam, off unless QEVO_CLOCK_CHANNEL names a Unix
// socket that a test listens on. Then the process clock is a ManualClock
// that only the test's lines "step <ms>" move, and each time the
// user-interface thread runs out of work, once what it drew is on the
// screen, it tells the test where it stands:
//   rest <steps> <requests sent> <notices handled> <buttons> <x> <y>
// the steps taken, the server connection's requests, the server's notices
// handled, the pointer button messages handled and the pointer's last
// screen position; a line only when it differs from the one before. A test
// that moves time only while the process and its peers rest sees every run
// draw the same. When the test goes away, the program ends.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/message.h"

namespace mahjong {

class ClockChannel {
  public:
    static constexpr const char* kVariable = "QEVO_CLOCK_CHANNEL";
    // Where the manual clock starts, in microseconds.
    static constexpr int64_t kStartMicros = 1'000'000;

    // The channel the environment names, connected; null without the
    // variable. `error` says why a named channel could not be had.
    static std::unique_ptr<ClockChannel> FromEnvironment(std::string* error);
    // Connects to the socket at `path`; once connected, the manual clock is
    // the process clock for this object's lifetime.
    explicit ClockChannel(const std::string& path);
    ~ClockChannel();
    ClockChannel(const ClockChannel&) = delete;
    ClockChannel& operator=(const ClockChannel&) = delete;

    bool Connected() const { return fd_ >= 0; }
    // Hooks the calling thread, the user-interface thread, and starts taking
    // the test's steps; `requestsSent` counts the connection's requests.
    void Attach(std::function<uint64_t()> requestsSent);

  private:
    void Read();
    void OnRetrieved(const platform::Message& msg);
    void OnIdle();

    platform::ManualClock clock_{kStartMicros};
    std::optional<platform::ScopedClock> scoped_;
    int fd_ = -1;
    uint32_t uiThread_ = 0;
    std::thread reader_;
    std::function<uint64_t()> requestsSent_;
    uint64_t steps_ = 0, notices_ = 0, buttons_ = 0;
    std::string last_;
};

}  // namespace mahjong
