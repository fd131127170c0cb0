#pragma once
// What the runtime tests share: a test clock the test moves, a program folder
// of its own (the game log's file lands there), pictures written as real PNG
// files and registered with a resource manager of the test's own, and an
// engine whose screen is ready, with a control that records what it gets.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/game_engine.h"
#include "engine/resources/resource_manager.h"
#include "tools/pictures/picture_writers.h"
#include "platform/clock.h"
#include "platform/gui/surface.h"
#include "platform/tests/temp_dir.h"
#include "platform/text.h"

namespace engine::testing {

// A payload that counts its live copies, so a test sees each freed once.
struct Counted {
    static inline int live = 0;
    int value = 0;
    explicit Counted(int v = 0) : value(v) { ++live; }
    Counted(const Counted& o) : value(o.value) { ++live; }
    ~Counted() { --live; }
};

// An engine object that keeps the messages it receives.
class Recorder : public EngineNode {
  public:
    int OnEvent(EngineMessage& event) override {
        codes.push_back(event.code);
        if (const MouseState* s = event.payload.Get<MouseState>()) states.push_back(*s);
        if (onEvent) onEvent(event);
        return 1;
    }
    std::vector<uint32_t> codes;
    std::vector<MouseState> states;
    std::function<void(EngineMessage&)> onEvent;
};

class RuntimeTest : public ::testing::Test {
  protected:
    // Starts near a round number so that frames and steps line up.
    explicit RuntimeTest(int64_t startMs = 1000000) : clock_(startMs * 1000) {
        if (const char* old = std::getenv("QEVO_PROGRAM_DIR")) oldDir_ = old;
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
        resources_.SetRoot(dir_.path());
        resources_.SetFailHandler([](const std::string&) {});
    }
    ~RuntimeTest() override {
        if (oldDir_.empty())
            unsetenv("QEVO_PROGRAM_DIR");
        else
            setenv("QEVO_PROGRAM_DIR", oldDir_.c_str(), 1);
    }

    void Advance(int64_t ms) { clock_.AdvanceMillis(ms); }

    // A PNG of `frames` frames stacked top to bottom, each filled by `fill`
    // (0xAARRGGBB), registered under `title`.
    uint32_t AddPicture(const std::string& title, int w, int h, uint32_t fill, int frames = 1) {
        platform::Surface s(w, h * frames);
        for (int f = 0; f < frames; ++f)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    s.Set(x, f * h + y, fill + uint32_t(f) * 0x40);
        s.SavePng(dir_ / (title + ".png"));
        return resources_.RegisterFile(dir_ / (title + ".png"), title, ".imge", false, 0);
    }

    // A GIF of `frames` frames of w x h shown `delayMs` each, index 0
    // transparent; `index(frame, x, y)` picks each pixel from `palette`
    // (R, G, B triples, a power of two of them).
    template <class F>
    uint32_t AddStrip(const std::string& title, int w, int h, int frames, int delayMs,
                      const std::vector<uint8_t>& palette, F index) {
        std::vector<pictures::GifFrame> strip;
        for (int f = 0; f < frames; ++f) {
            pictures::Bytes indices;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    indices.push_back(uint8_t(index(f, x, y)));
            strip.push_back({0, 0, w, h, indices, {}, 0, 0, delayMs / 10, false});
        }
        const pictures::Bytes bytes = pictures::Gif(w, h, palette, strip);
        dir_.Write(title + ".gif", std::string(bytes.begin(), bytes.end()));
        return resources_.RegisterFile(dir_ / (title + ".gif"), title, ".imge", false, 0);
    }

    // The game log written so far (GBK, as the engine wrote it).
    std::string LogText() const {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
            if (e.path().extension() != ".log") continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream ss;
            ss << in.rdbuf();
            all += ss.str();
        }
        return platform::Utf8ToGbk(all);
    }

    platform::testing::TempDir dir_;
    std::string oldDir_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    ResourceManager resources_;
};

// An engine started and sized, with a recording control.
class EngineTest : public RuntimeTest {
  protected:
    EngineTest() {
        engine_.BeginSystem();
        engine_.InitScreen(kWidth, kHeight);
        recorder_ = engine_.GetWorld().MakeObject<Recorder>();
    }
    ~EngineTest() override { engine_.EndSystem(); }

    World& world() { return engine_.GetWorld(); }
    // Runs frames for `ms` of the test clock, one each frame period.
    void RunFor(int64_t ms) {
        for (int64_t t = 0; t < ms; t += 30) {
            Advance(30);
            engine_.Frame();
        }
    }

    static constexpr int32_t kWidth = 320, kHeight = 240;
    GameEngine engine_{resources_};
    Recorder* recorder_ = nullptr;
};

}  // namespace engine::testing
