#include "engine/frame_strip.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

// Passes replayed one by one before the rest of a long pause is skipped at
// once: the chain is then started over from its current set.
constexpr int kMaxPassesPerStep = 1000;

}  // namespace

void FrameSet::Recount() {
    uint64_t sum = 0;
    for (const FrameCell& cell : frames)
        sum += cell.duration;
    total = sum > UINT32_MAX ? UINT32_MAX : uint32_t(sum);
}

FrameSet MakeUniformStrip(uint32_t imageId, int32_t width, int32_t height, uint32_t count,
                          uint32_t duration) {
    FrameSet set;
    set.frameWidth = width;
    set.frameHeight = height;
    for (uint32_t i = 0; i < count; ++i)
        set.frames.push_back({imageId, int32_t(int64_t(i) * width), 0, duration});
    set.Recount();
    return set;
}

void FrameStrip::Bind(const FrameSet* frames, double newSpeed, uint32_t newFlags) {
    if (!frames) return;
    running = true;
    set = first = frames;
    started = false;
    start = 0;
    index = 0;
    offset = 0;
    loopsLeft = frames->loopCount;
    speed = newSpeed;
    flags = newFlags;
}

void FrameStrip::Show(uint32_t frame) {
    const FrameCell& cell = set->frames[frame];
    imageId = cell.imageId;
    srcX = cell.x;
    srcY = cell.y;
    width = set->frameWidth;
    height = set->frameHeight;
}

int FrameStrip::End(bool rewindable) {
    running = false;
    flags &= ~kStripPlaying;
    if (!rewindable || !(flags & kStripRewind)) return kStripEnded;
    started = false;
    index = 0;
    offset = 0;
    return (flags & kStripRestartCode) ? kStripRestarted : kStripFrame;
}

int FrameStrip::Step(uint32_t now) {
    if (!started) {
        start = now;
        started = true;
    }
    if (!(flags & kStripPlaying)) {
        // Standing still: the pass began as long ago as the current frame's
        // offset takes to play at this speed, rounded up so that playing on
        // shows the same frame.
        const double span = speed > 0.0 ? std::ceil(offset / speed) : 0.0;
        start = now - uint32_t(std::min(span, 4294967295.0));
        return kStripStill;
    }
    if (!set || set->frames.empty()) return End(false);
    if (set->total == 0) {
        // Nothing would ever move on: show the first frame and stop.
        index = offset = 0;
        Show(0);
        return End(false);
    }
    const double scaled = double(now - start) * speed;
    uint64_t elapsed = speed > 0.0 && scaled > 0.0 ? uint64_t(std::trunc(scaled)) : 0;
    for (int passes = 0; elapsed >= set->total; ++passes) {
        if (passes == kMaxPassesPerStep) {
            start = now;
            elapsed = 0;
            index = offset = 0;
            break;
        }
        start += uint32_t(std::min(double(set->total) / speed, 4294967295.0));
        elapsed -= set->total;
        index = offset = 0;
        if (loopsLeft > 0) {
            --loopsLeft;
            continue;
        }
        const FrameSet* following = set->next;
        if (!following && (flags & kStripLoopChain)) following = first;
        if (!following) return End(true);
        set = following;
        loopsLeft = set->loopCount;
        if (set->frames.empty() || set->total == 0) return End(false);
    }
    while (offset + set->frames[index].duration <= elapsed) {
        offset += set->frames[index].duration;
        if (++index >= set->frames.size()) return End(false);
    }
    Show(index);
    return kStripFrame;
}

}  // namespace engine
