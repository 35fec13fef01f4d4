// The engine's inner loops in one version per instruction set, chosen at run
// time: a baseline for any x86-64 processor (SSE2, the fused multiply-add
// computed from exact double arithmetic), a scalar one with the hardware
// fused multiply-add, and AVX2 and AVX-512 versions that work on 8 or 16
// samples at once. Every version gives the same bits.
//
// Real-time rules: no allocation, no locks; all state is in the arguments.
#pragma once

#include <cstdint>

namespace trellisor {

enum class Isa : int {
    Baseline = 0,  // SSE2
    Fma = 1,       // + FMA3
    Avx2 = 2,      // + AVX2, FMA3
    Avx512 = 3,    // + AVX-512 F/BW/DQ/VL, AVX2, FMA3
};

// The fastest set this processor runs.
Isa detectIsa();
// Whether this processor runs the given set.
bool isaSupported(Isa isa);

// One frame of the oscillator bank, added to out[0 .. n-1] (n a multiple
// of 16). Oscillator i (0 .. count-1) sounds when mags[i] > threshold: for
// each sample its phase advances by incs[i], then
// out[s] = fma(mags[i], wave(phase), out[s]); the oscillators are added in
// ascending order for every sample. A silent oscillator's phase advances
// by incs[i] * n at once. phases[] is updated either way.
// wave: 0 sine, 1 triangle, 2 saw, 3 square, 4 mixed; table is that wave's
// table (read for the sine and for the sine half of the mixed wave), sparse
// null or its every 64th entry (1024 entries: sparse[m] == table[64 m]).
void runBank(Isa isa, int wave, const float* table, const float* sparse, const float* mags, uint16_t* phases,
             const uint16_t* incs, int count, float threshold, float* out, int n);

// Bin amplitudes of a transform: mags[j] = 2 * sqrt(fma(re, re, im * im)) * invN
// for j = 1 .. bins-1 (the root in double, rounded to single), and the same
// without the doubling for j = 0.
void binAmplitudes(Isa isa, const float* re, const float* im, float invN, float* mags, int bins);

}  // namespace trellisor
