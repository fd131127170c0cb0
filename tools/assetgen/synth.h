#pragma once
// Sound making for the table's effects and music, at kRate (tones.h)
// samples a second, samples in -1..1. Everything is computed, noise included (from a
// fixed seed), so every run makes the same sounds.

#include <cstdint>
#include <vector>

#include "tools/assetgen/tones.h"

namespace assetgen::synth {

using Sound = std::vector<double>;

// A struck tone: the fundamental and its overtones (each `overtones[i]`
// loud, at i + 2 times the frequency), dying away with time constant `decay`
// seconds, `seconds` long.
Sound Note(double hertz, double seconds, double decay, const std::vector<double>& overtones = {});
// The clack of a tile or a die: a burst of noise through body resonances
// around `hertz`, `seconds` long.
Sound Clack(double hertz, double seconds, uint32_t seed);
// Noise whose loudness rises and falls once over `seconds`, smoothed by
// `smoothing` (0 white, towards 1 darker).
Sound Swoosh(double seconds, double smoothing, uint32_t seed);
// `sound` added into `into` at `at` seconds, times `gain` (`into` grows).
void Place(Sound& into, const Sound& sound, double at, double gain);
// Scaled so that the loudest sample is `peak`.
void Normalise(Sound& sound, double peak);
// The frequency `semitones` above `base`.
double Semitones(double base, double semitones);

}  // namespace assetgen::synth
