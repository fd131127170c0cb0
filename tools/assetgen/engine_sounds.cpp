// The engine's built-in sounds (the program's sound resources 29000-29015
// and 29100-29108 that neither the framework nor the table, whose sounds
// mahjong_sounds makes, has) and the engine demo's
// sound folder: a click and four seconds of music that loop without a seam.

#include <cmath>

#include <algorithm>

#include "mahjong/scene/asset_names.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/synth.h"
#include "tools/assetgen/tones.h"
#include "tools/assetgen/writers.h"

namespace assetgen {
namespace {

using synth::Semitones;

// A sound resource the table has a sound of its own for.
bool TableSound(int id) {
    const auto& ids = mahjong::assets::kTableSounds;
    return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

// Sixteen notes of a quarter second, each dying away before the next, so
// the end meets the start in silence.
std::vector<double> Music() {
    const int melody[16] = {0, 4, 7, 12, 9, 7, 4, 2, 0, 4, 9, 7, 5, 4, 2, 0};
    std::vector<double> out;
    for (int note : melody) {
        const std::vector<double> tone = Tones({Semitones(392.0, note)}, 250);
        const int n = int(tone.size());
        for (int i = 0; i < n; ++i) {
            // Fade the last 20 ms to nothing.
            const double tail = std::min(1.0, double(n - i) / (kRate / 50));
            out.push_back(0.6 * tone[size_t(i)] * tail);
        }
    }
    return out;
}

}  // namespace

bool MakeEngineSounds(const std::string& root) {
    const std::string res = root + "res/sound/";
    bool ok = true;
    // Short tones up the scale, one per id (29010, 29014 and 29015 are the
    // framework's).
    for (int k = 0; k <= 15; ++k) {
        if (k == 10 || k == 14 || k == 15 || TableSound(29000 + k)) continue;
        ok = WriteWav(res + std::to_string(29000 + k) + ".wav", Tones({Semitones(523.25, k)}, 70),
                      kRate) &&
             ok;
    }
    // Two-note chimes.
    for (int k = 0; k <= 8; ++k) {
        if (TableSound(29100 + k)) continue;
        ok = WriteWav(res + std::to_string(29100 + k) + ".wav",
                      Tones({Semitones(392.0, k), Semitones(392.0, k + 7)}, 110), kRate) &&
             ok;
    }
    const std::string demo = root + "sound/demo/";
    ok = WriteWav(demo + "click.wav", Tones({1760, 880}, 25), kRate) && ok;
    ok = WriteWav(demo + "music.wav", Music(), kRate) && ok;
    return ok;
}

}  // namespace assetgen
