#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>

namespace assetgen::synth {
namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// A small linear congruential generator: the same noise on every run.
double NextNoise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1u << 23) - 1.0;
}

size_t Samples(double seconds) {
    return size_t(std::max(0.0, seconds) * kRate);
}

}  // namespace

Sound Note(double hertz, double seconds, double decay, const std::vector<double>& overtones) {
    Sound out(Samples(seconds));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        double v = std::sin(kTwoPi * hertz * t);
        for (size_t k = 0; k < overtones.size(); ++k)
            v += overtones[k] * std::sin(kTwoPi * hertz * double(k + 2) * t) *
                 std::exp(-t * double(k + 1) / decay);
        const double attack = std::min(1.0, t / 0.004);
        out[i] = v * attack * std::exp(-t / decay);
    }
    return out;
}

Sound Clack(double hertz, double seconds, uint32_t seed) {
    Sound out(Samples(seconds));
    const double modes[3][2] = {{1.0, 0.012}, {2.37, 0.008}, {4.1, 0.005}};
    double low = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        low += 0.5 * (NextNoise(seed) - low);
        double v = low * std::exp(-t / 0.002);
        for (const auto& m : modes)
            v += 0.6 * std::sin(kTwoPi * hertz * m[0] * t) * std::exp(-t / m[1]);
        out[i] = v;
    }
    return out;
}

Sound Swoosh(double seconds, double smoothing, uint32_t seed) {
    Sound out(Samples(seconds));
    double low = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double x = double(i) / double(out.size());
        low += (1 - smoothing) * (NextNoise(seed) - low);
        out[i] = low * std::sin(x * kTwoPi / 2);
    }
    return out;
}

void Place(Sound& into, const Sound& sound, double at, double gain) {
    const size_t start = Samples(at);
    if (into.size() < start + sound.size()) into.resize(start + sound.size(), 0.0);
    for (size_t i = 0; i < sound.size(); ++i)
        into[start + i] += gain * sound[i];
}

void Normalise(Sound& sound, double peak) {
    double most = 0;
    for (double s : sound)
        most = std::max(most, std::abs(s));
    if (most > 0)
        for (double& s : sound)
            s *= peak / most;
}

double Semitones(double base, double semitones) {
    return base * std::pow(2.0, semitones / 12.0);
}

}  // namespace assetgen::synth
