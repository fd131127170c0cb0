#pragma once
// Frame-strip timing: which cell of a chain of frame sets shows at a given
// time, for the animated picture. A frame set is a row of cells with their
// durations, played a number of extra times and followed by the next set of
// its chain; playback runs at a speed (1.0 = real time).

#include <cstdint>
#include <vector>

namespace engine {

struct FrameCell {
    uint32_t imageId = 0;
    int32_t x = 0, y = 0;
    uint32_t duration = 0;  // ms
};

struct FrameSet {
    int32_t frameWidth = 0, frameHeight = 0;
    std::vector<FrameCell> frames;
    uint32_t total = 0;     // the sum of the durations, kept by Recount
    int32_t loopCount = 0;  // extra passes before the next set
    const FrameSet* next = nullptr;

    void Recount();
};

// `count` cells of `width` x `height` side by side in one image (cell i at
// x = i x width), each shown for `duration` ms.
FrameSet MakeUniformStrip(uint32_t imageId, int32_t width, int32_t height, uint32_t count,
                          uint32_t duration);

// Strip flags.
inline constexpr uint32_t kStripPlaying = 1;
inline constexpr uint32_t kStripAdvanceWhenDrawn = 2;
inline constexpr uint32_t kStripLoopChain = 8;     // at the end of the chain, start it over
inline constexpr uint32_t kStripOwnsSets = 16;     // the frame sets go with the entity
inline constexpr uint32_t kStripRestartCode = 32;  // a rewind answers kStripRestarted
inline constexpr uint32_t kStripRewind = 64;       // at the end, rewind instead of stopping

// Step results.
inline constexpr int kStripEnded = 0;  // finished, or nothing to show
inline constexpr int kStripFrame = 1;
inline constexpr int kStripStill = 2;  // not playing
inline constexpr int kStripRestarted = 4096;

struct FrameStrip {
    bool running = false;
    const FrameSet* set = nullptr;
    const FrameSet* first = nullptr;  // where the chain begins
    bool started = false;
    uint32_t start = 0;   // when the current pass began (ms)
    uint32_t index = 0;   // current frame
    uint32_t offset = 0;  // where the current frame begins in the pass
    int32_t loopsLeft = 0;
    // What the screen draws.
    uint32_t imageId = 0;
    int32_t srcX = 0, srcY = 0, width = 0, height = 0;
    double speed = 1.0;
    uint32_t flags = 0;

    // Starts `set` from its first frame (nothing changes without a set).
    void Bind(const FrameSet* set, double speed, uint32_t flags);
    // Advances to `now` and gives one of the step results.
    int Step(uint32_t now);

  private:
    int End(bool rewindable);
    void Show(uint32_t frame);
};

}  // namespace engine
