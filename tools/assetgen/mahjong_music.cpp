// Each style's music (sound/<style>/default.mp3): a short tune on a plucked
// string over a soft bass, in the pentatonic scale, that ends as quietly as
// it starts, so that it loops without a seam. The styles play different
// tunes in different keys (TableLook::musicKey).

#include "mahjong/scene/asset_names.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/mahjong_style.h"
#include "tools/assetgen/mp3_encoder.h"
#include "tools/assetgen/synth.h"
#include "tools/assetgen/writers.h"

namespace assetgen {
namespace {

namespace assets = mahjong::assets;
using synth::Sound;

constexpr double kBeat = 0.3;  // seconds

// Degrees of the pentatonic scale (0-4, 5 an octave up; -1 a rest), one per
// half beat.
const std::vector<int> kTunes[2] = {
    {0, 1, 2, 4, 3, 2, 1, -1, 2, 3, 4, 5, 4, 3,  2, -1,
     3, 2, 1, 2, 0, 1, 2, -1, 4, 3, 2, 1, 0, -1, 0, -1},
    {4, 3, 4, 5, 4, 2, 3, -1, 2, 1, 2, 3, 2, 0,  1, -1,
     0, 2, 4, 3, 2, 1, 2, -1, 3, 2, 1, 0, 1, -1, 0, -1},
};

double Pitch(double tonic, int degree) {
    static const int kSteps[6] = {0, 2, 4, 7, 9, 12};
    return synth::Semitones(tonic, kSteps[degree]);
}

Sound Tune(const std::vector<int>& tune, int key) {
    const double tonic = synth::Semitones(440.0, key);
    Sound out;
    for (size_t i = 0; i < tune.size(); ++i) {
        if (tune[i] < 0) continue;
        // A plucked string: bright at first, mellow as it rings.
        synth::Place(out, synth::Note(Pitch(tonic, tune[i]), 0.9, 0.35, {0.5, 0.25, 0.12}),
                     i * kBeat / 2, 0.45);
    }
    for (size_t bar = 0; bar < tune.size() / 8; ++bar) {
        const int root = bar % 2 ? 3 : 0;
        synth::Place(out, synth::Note(Pitch(tonic / 4, root), 1.1, 0.5, {0.3}), bar * 4 * kBeat,
                     0.35);
        synth::Place(out,
                     synth::Note(Pitch(tonic / 4, root + 2 > 5 ? 5 : root + 2), 1.1, 0.5, {0.3}),
                     (bar * 4 + 2) * kBeat, 0.25);
    }
    // The loop's length is the tune's; what rings past it is cut with a fade.
    const size_t length = size_t(double(tune.size()) * kBeat / 2 * kRate);
    out.resize(length, 0.0);
    const size_t fade = kRate / 5;
    for (size_t i = 0; i < fade; ++i)
        out[length - 1 - i] *= double(i) / double(fade);
    synth::Normalise(out, 0.7);
    return out;
}

}  // namespace

bool MakeMahjongMusic(const std::string& root) {
    bool ok = true;
    int n = 0;
    for (const TableLook& look : TableLooks()) {
        const std::vector<uint8_t> mp3 = EncodeMp3(Tune(kTunes[n++ % 2], look.musicKey), kRate);
        const std::string path =
            root + assets::kSoundFolder + "/" + look.style + "/" + assets::kMusicFile;
        ok = !mp3.empty() && WriteBytes(path, mp3) && ok;
    }
    return ok;
}

}  // namespace assetgen
