#include "tools/assetgen/speech.h"

#include <espeak-ng/speak_lib.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace assetgen {
namespace {

int Collect(short* samples, int count, espeak_EVENT* events) {
    auto* out = static_cast<std::vector<double>*>(events->user_data);
    for (int i = 0; samples && i < count; ++i)
        out->push_back(samples[i] / 32768.0);
    return 0;  // go on
}

// The span between the first and the last sample louder than `floor`.
std::vector<double> Trimmed(const std::vector<double>& in, double floor) {
    size_t first = 0, last = in.size();
    while (first < last && std::abs(in[first]) < floor)
        ++first;
    while (last > first && std::abs(in[last - 1]) < floor)
        --last;
    return {in.begin() + long(first), in.begin() + long(last)};
}

}  // namespace

std::unique_ptr<Speech> Speech::Open() {
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (rate <= 0) {
        std::fprintf(
            stderr,
            "assetgen: the espeak-ng synthesiser cannot start (is espeak-ng-data installed?)\n");
        return nullptr;
    }
    espeak_SetSynthCallback(Collect);
    return std::unique_ptr<Speech>(new Speech(rate));
}

Speech::~Speech() {
    espeak_Terminate();
}

bool Speech::SetVoice(const std::string& voice, int pitch, int rate) {
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) {
        std::fprintf(stderr, "assetgen: espeak-ng has no voice %s\n", voice.c_str());
        return false;
    }
    espeak_SetParameter(espeakPITCH, pitch, 0);
    espeak_SetParameter(espeakRATE, rate, 0);
    return true;
}

std::vector<double> Speech::Say(const std::string& text) {
    std::vector<double> samples;
    espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                 &samples);
    espeak_Synchronize();
    return Trimmed(samples, 0.01);
}

}  // namespace assetgen
