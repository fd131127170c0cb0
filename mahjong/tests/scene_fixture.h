#pragma once
// A table scene on the engine in a program folder of generated pictures and
// sounds, and the engine run on the test clock.

#include <stdlib.h>

#include <span>

#include "engine/resources/image_record.h"
#include "engine/resources/resource_manager.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/clock.h"
#include "platform/tests/temp_dir.h"

namespace mahjong::testing {

// A program folder whose skins and sounds are the generated ones (none
// when `withAssets` is false), and a table seated in it.
struct Program {
    explicit Program(bool withAssets = true) {
        if (withAssets) LinkAssets(dir.path());
        setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
        // The resource manager outlives a test: earlier tables' pictures go.
        engine::ResourceManager& r = t.scene.Resources();
        auto drop = [&](const char* title) {
            if (const uint32_t id = r.GetImageIdByName(title)) r.FreeRes(id);
        };
        using Pictures = std::span<const assets::Picture>;
        for (Pictures list : {Pictures(assets::kCommonPictures), Pictures(assets::kStylePictures),
                              Pictures(assets::kStylePacked)})
            for (const auto& pic : list)
                drop(pic.title);
        drop("正面");
    }
    ~Program() { unsetenv("QEVO_PROGRAM_DIR"); }
    CTableScene& Scene() {
        t.scene.InitScreen(744, 710);
        return t.scene;
    }
    const engine::ImageRecord* Image(const char* title) {
        return t.scene.GetImageRes(t.scene.Resources().GetImageIdByName(title));
    }

    platform::testing::TempDir dir;
    Table t;
};

// A dealt table of four on the engine: pictures loaded, tile entities made.
inline CTableScene& DealtOnEngine(Program& p) {
    CTableScene& s = p.Scene();
    s.LoadSettings();
    s.CreateTileEntities();
    p.t.Start([](Words& w) {
        w.Set(snap::kWallHead, 49).Set(snap::kTurnedUpPos, 142).Set(snap::kTurnTimeout, 15);
    });
    s.OnRoundStart(Words(snap::kRoundStartWords).Bytes());
    s.RevealDealtHands();
    s.RefreshEntities(100);
    return s;
}

// Runs the engine for `ms` in frames of 10 ms on the test clock.
inline void RunFor(CTableScene& s, platform::ManualClock& clock, int32_t ms) {
    for (int32_t t = 0; t < ms; t += 10) {
        clock.AdvanceMillis(10);
        s.RunFrame();
        s.PumpMessages();
    }
}

}  // namespace mahjong::testing
