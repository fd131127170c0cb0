#include "engine/engine_clock.h"

#include "platform/clock.h"

namespace engine {
namespace {

// Written and read on the UI thread only.
uint32_t g_now = 0;

}  // namespace

uint32_t EngineClock::Update() {
    g_now = platform::GetTickCount();
    return g_now;
}

uint32_t EngineClock::Now() {
    return g_now;
}

}  // namespace engine
