#pragma once
// A person at a program's window under an X server: what the screen shows,
// grabbed again whenever the program has moved on; the pointer moved,
// pressed and released, each act handled by the program before the next;
// and the program's time, moved through its clock channel only while the
// program and its peers rest (the peers say when they agree with what the
// program told, and take every step with it).

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/gui/surface.h"
#include "tools/screen/clock_conductor.h"
#include "tools/screen/picture_finder.h"
#include "tools/screen/x_screen.h"

namespace screen {

struct Peers {
    // Whether the peers have taken in all the program told them and told
    // it all they sent, by its rest.
    std::function<bool(const Rest&)> agree;
    // Runs what fell due; true when that sent the program something.
    std::function<bool()> poke;
    // Moves the peers' clock with the program's.
    std::function<void(int64_t ms)> advance;
};

class ScreenSession {
  public:
    // Real time any one wait may take: a safety net only.
    static constexpr int kRealWaitMs = 30000;

    // Listens on `channel` for the program; `display` names the X server.
    ScreenSession(std::string display, const std::string& channel, Peers peers,
                  RECT screen = {0, 0, 1280, 1024});
    ~ScreenSession();

    ClockConductor& Clock() { return clock_; }
    // Waits for the program to take its clock.
    bool Connect() { return clock_.Accept(kRealWaitMs); }
    // Reads the program's rests until `done` (real time).
    bool RealWait(const std::function<bool()>& done);

    // The program has done all it was given and the peers all that fell due.
    bool Settle();
    bool Step(int64_t ms);
    // Steps of `ms` until `done`, each once everything rests.
    bool Until(const std::function<bool()>& done, int64_t ms = 100, int steps = 3000);
    // Lets the program's animations run for `ms`.
    bool Pass(int64_t ms);
    // Whether `area` of the screen stays as it is for 300 ms.
    bool Still(RECT area);

    const Surface& Grab();
    std::optional<Found> Find(const Surface& picture, const FindOptions& options);
    bool MovePointer(POINT at);
    bool Click(POINT at);
    // The button's press or release, handled by the program (for a drag).
    bool Press();
    bool Release();

  private:
    ClockConductor clock_;
    Peers peers_;
    std::string display_;
    RECT screen_;
    std::unique_ptr<XScreen> x_;
    Surface grabbed_;
    std::array<uint64_t, 4> grabbedAt_{};
};

// Waits up to `ms` of real time for the child `pid` to end (then ends it)
// and answers its wait status.
int WaitForExit(pid_t pid, int ms);

}  // namespace screen
