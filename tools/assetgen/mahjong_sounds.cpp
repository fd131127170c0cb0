// The table's voices and effect sounds.
//
// Voices (sound/<voice>/): each folder of mahjong::assets::kVoiceFolders is
// one speaker of espeak-ng's Mandarin: "0..." folders male, "1..." female.
// It holds the operation words ("peng0" 碰, "gang0" 杠, "gang1" 暗杠, "chi0"
// 吃, "hu0" 胡了, "hua0" 补花; the "...1" and "gang2" files, said for the
// other seats, are the same words) and the name of every tile kind, as
// rules::TileKindName gives it, in "<kind index>.wav" (TileVoiceNumber:
// "1.wav" 一万, "31.wav" 东风, "41.wav" 春).
//
// Effects (res/sound/<id>.wav, the ids of mahjong::assets::kTableSounds):
// clacks of tiles and dice, a rustle for sorting, chimes for the round's
// end and the win, and ticks for the last seconds of a turn.

#include <cmath>
#include <cstdio>

#include "mahjong/scene/asset_names.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/speech.h"
#include "tools/assetgen/synth.h"
#include "tools/assetgen/writers.h"

namespace assetgen {
namespace {

namespace assets = mahjong::assets;
using synth::Sound;

struct Phrase {
    const char* file;    // without ".wav"
    const char* pinyin;  // what is said
};

const Phrase kOperationWords[] = {
    {"peng0", "peng4"}, {"peng1", "peng4"},   {"gang0", "gang4"},   {"gang1", "an4 gang4"},
    {"gang2", "gang4"}, {"chi0", "chi1"},     {"chi1", "chi1"},     {"hu0", "hu2 le5"},
    {"hu1", "hu2 le5"}, {"hua0", "bu3 hua1"}, {"hua1", "bu3 hua1"},
};

// The pinyin of a tile kind's name (rules::TileKindName), by kind index.
std::string TileWords(int index) {
    static const char* const kNumbers[9] = {"yi1",  "er4", "san1", "si4", "wu3",
                                            "liu4", "qi1", "ba1",  "jiu3"};
    static const char* const kSuits[3] = {"wan4", "tiao2", "dong4"};
    static const char* const kHonours[7] = {"dong1 feng1",  "nan2 feng1", "xi1 feng1", "bei3 feng1",
                                            "hong2 zhong1", "fa1 cai2",   "bai2 ban3"};
    static const char* const kFlowers[8] = {"chun1", "xia4", "qiu1", "dong1",
                                            "mei2",  "lan2", "zhu2", "ju2"};
    const int suit = index / 10, rank = index % 10;
    if (suit < 3 && rank >= 1) return std::string(kNumbers[rank - 1]) + " " + kSuits[suit];
    if (suit == 3 && rank >= 1 && rank <= 7) return kHonours[rank - 1];
    if (suit == 4 && rank >= 1 && rank <= 8) return kFlowers[rank - 1];
    return "";
}

struct Speaker {
    const char* voice;
    int pitch;
};
// One per voice folder, in the order of kVoiceFolders.
const Speaker kSpeakers[] = {
    {"cmn-latn-pinyin+m1", 45},
    {"cmn-latn-pinyin+m3", 30},
    {"cmn-latn-pinyin+f2", 55},
    {"cmn-latn-pinyin+f4", 70},
};
static_assert(std::size(kSpeakers) == std::size(assets::kVoiceFolders));

// Loud enough, with short fades so that no click starts or ends it.
Sound Finished(Sound s) {
    synth::Normalise(s, 0.85);
    const size_t fade = std::min(s.size() / 2, size_t(kRate / 200));
    for (size_t i = 0; i < fade; ++i) {
        s[i] *= double(i) / double(fade);
        s[s.size() - 1 - i] *= double(i) / double(fade);
    }
    s.resize(s.size() + kRate / 30, 0.0);
    return s;
}

bool MakeVoices(const std::string& root) {
    std::unique_ptr<Speech> speech = Speech::Open();
    if (!speech) return false;
    if (speech->SampleRate() != kRate) {
        std::fprintf(stderr, "assetgen: espeak-ng speaks at %d Hz, not %d\n", speech->SampleRate(),
                     kRate);
        return false;
    }
    bool ok = true;
    for (size_t v = 0; v < std::size(kSpeakers); ++v) {
        if (!speech->SetVoice(kSpeakers[v].voice, kSpeakers[v].pitch, 140)) return false;
        const std::string folder =
            root + assets::kSoundFolder + "/" + assets::kVoiceFolders[v] + "/";
        auto say = [&](const std::string& file, const std::string& words) {
            const Sound said = speech->Say(words);
            return !said.empty() && WriteWav(folder + file + ".wav", Finished(said), kRate);
        };
        for (const Phrase& phrase : kOperationWords)
            ok = say(phrase.file, phrase.pinyin) && ok;
        for (int index : assets::kVoicedTileIndices)
            ok = say(std::to_string(assets::TileVoiceNumber(index)), TileWords(index)) && ok;
    }
    return ok;
}

Sound Clacks(int count, double spacing, double slowing, uint32_t seed) {
    Sound out;
    double at = 0, gap = spacing;
    for (int i = 0; i < count; ++i) {
        synth::Place(out, synth::Clack(1500 + 230 * (i % 3), 0.06, seed + uint32_t(i)), at,
                     1.0 - 0.6 * i / count);
        at += gap;
        gap *= slowing;
    }
    return out;
}

// Notes `steps` semitones above `base`, `apart` seconds apart, ringing on.
Sound Chime(double base, std::initializer_list<int> steps, double apart, double ring) {
    Sound out;
    double at = 0;
    for (int step : steps) {
        synth::Place(out, synth::Note(synth::Semitones(base, step), ring, ring / 3, {0.4, 0.15}),
                     at, 0.5);
        at += apart;
    }
    return out;
}

// A tick, higher the fewer seconds are left; at 0 a falling pair of beeps.
Sound Tick(int secondsLeft) {
    if (secondsLeft == 0) return Chime(880, {0, -5}, 0.12, 0.25);
    return synth::Note(1100 + 120 * (5 - secondsLeft), 0.09, 0.018, {0.3});
}

Sound Effect(int id) {
    switch (id) {
        case assets::kSoundTileRaise:
            return synth::Clack(2600, 0.04, 7);
        case assets::kSoundDice:
            return Clacks(8, 0.045, 1.25, 11);
        case assets::kSoundHandDealt:
            return Clacks(6, 0.06, 1.0, 23);
        case assets::kSoundTileDown:
            return synth::Clack(1200, 0.09, 31);
        case assets::kSoundTileTaken:
            return Clacks(2, 0.05, 1.0, 37);
        case assets::kSoundRoundEnd:
            return Chime(523.25, {7, 4, 0}, 0.16, 0.7);
        case assets::kSoundWin: {
            Sound win = Chime(523.25, {0, 4, 7, 12, 16}, 0.09, 0.9);
            synth::Place(win, Chime(523.25, {12, 16, 19}, 0.0, 1.2), 0.5, 0.8);
            return win;
        }
        case assets::kSoundSort: {
            Sound sort = synth::Swoosh(0.35, 0.6, 41);
            synth::Place(sort, Clacks(3, 0.07, 1.0, 43), 0.12, 0.5);
            return sort;
        }
        default:
            return Tick(id - assets::kSoundCountdown);
    }
}

}  // namespace

bool MakeMahjongSounds(const std::string& root) {
    bool ok = true;
    for (int id : assets::kTableSounds) {
        Sound s = Effect(id);
        synth::Normalise(s, 0.8);
        ok = WriteWav(root + "res/sound/" + std::to_string(id) + ".wav", s, kRate) && ok;
    }
    return MakeVoices(root) && ok;
}

}  // namespace assetgen
