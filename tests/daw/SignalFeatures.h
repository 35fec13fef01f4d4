// Features of rendered audio that do not depend on where a frame-based
// effect's frames happen to fall: the frequency and level of a steady tone,
// where a sound starts, and the slow amplitude envelope of a tone.
#pragma once

#include <cstddef>
#include <vector>

namespace features {

constexpr double kRate = 44100.0;

struct Tone {
    double hz = 0.0;
    double amplitude = 0.0;  // peak amplitude of the sinusoid
};

// Peak amplitude of the sinusoid at `hz` in samples [from, from + length),
// measured through a Hann window (exact for a pure tone at that frequency).
double toneAmplitude(const std::vector<float>& x, size_t from, size_t length, double hz);

// The strongest sinusoid between loHz and hiHz in samples [from, from + length):
// a coarse scan, then the peak refined to a few millihertz.
Tone strongestTone(const std::vector<float>& x, size_t from, size_t length, double loHz, double hiHz);

// Root mean square of samples [from, to).
double rms(const std::vector<float>& x, size_t from, size_t to);

// Index of the first sample at or after `from` whose magnitude exceeds `level`,
// or x.size() if there is none.
size_t onset(const std::vector<float>& x, float level, size_t from = 0);

// Amplitude envelope of a tone at `hz`: the signal is shifted down by `hz` and
// averaged over `span` samples, which must hold a whole number of periods of
// twice the tone frequency so that the mirror image cancels. Entry i belongs
// to sample i + span / 2.
std::vector<double> toneEnvelope(const std::vector<float>& x, double hz, size_t span);

// Positions of the deepest point of every dip of `envelope` below `level`
// (a dip is a run of consecutive entries below the level).
std::vector<size_t> dips(const std::vector<double>& envelope, double level, size_t from, size_t to);

}  // namespace features
