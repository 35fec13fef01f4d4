// Parameter mapping and the oscillator bank: one frame of the engine.
#include <cmath>

#include "EngineMath.h"
#include "Trellisor.h"

using trellisor::phaseIncrementFor;
using trellisor::truncClamp;

void Trellisor::paramUpdate() { paramUpdate(sizeIndexFor(fFftSize.load(std::memory_order_relaxed))); }

// Samples every parameter once. Derived indices and counts are clamped to
// their tables; the stored parameters are left as the host sent them.
void Trellisor::paramUpdate(int k) {
    const float thresh = fThresh.load(std::memory_order_relaxed);
    const float type = fType.load(std::memory_order_relaxed);
    const float regen = fRegen.load(std::memory_order_relaxed);
    const float nudge = fFreqNudge.load(std::memory_order_relaxed);
    const float keep = fKeepFreqs.load(std::memory_order_relaxed);

    const float e = static_cast<float>(std::exp(static_cast<double>(thresh)));
    sizeIndex = k;
    threshold = std::fmaf(e, -0.18390322f, 0.5f);
    waveType.store(truncClamp(type * 4.0f, 0, kNumWaves - 1), std::memory_order_relaxed);
    numOscillators = truncClamp(regen * static_cast<float>(binCount[k]), 0, binCount[k]);
    nudgeHz[k] = ((nudge + nudge) - 1.0f) * (binWidth[k] - 1.0f);

    const int bins = binCount[k];
    if (keep != 0.0f) {
        trackIncScale = (1.0f / sampleRate) * 65536.0f;
        for (int j = 0; j < bins; ++j) {
            oscIncrement[k][j] = phaseIncrementFor((measuredFreqs[k][j] + nudgeHz[k]) * trackIncScale);
        }
    } else if (nudgeHz[k] != lastNudgeHz[k] || lastKeepFreqs != keep) {
        for (int j = 0; j < bins; ++j) {
            oscIncrement[k][j] = phaseIncrementFor((binFreqs[k][j] + nudgeHz[k]) * fixedIncScale);
        }
    }

    lastKeepFreqs = keep;
    lastNudgeHz[k] = nudgeHz[k];
    frameKeepFreqs = keep;
}

void Trellisor::innerProcess(const float* in, float* out) {
    runFrame(in, out, sizeIndexFor(fFftSize.load(std::memory_order_relaxed)));
}

// in: N = frameSize[k] input samples; out: N output slots, overwritten.
void Trellisor::runFrame(const float* in, float* out, int k) {
    paramUpdate(k);
    const int n = frameSize[k];

    if (frameKeepFreqs == 0.0f) {
        fftMag(in, magnitudes);
    } else {
        smsPitchScale(in, magnitudes, measuredFreqs[k]);
    }

    for (int i = 0; i < n; ++i) out[i] = 0.0f;

    oscillatorBank(out, k);

    if (fWinType.load(std::memory_order_relaxed) != 0.0f) {
        const float* window = outWindow[k];
        for (int i = 0; i < n; ++i) out[i] = out[i] * window[i];
    }

    // Input far beyond full scale can overflow the oscillator sum; such a
    // sample would hand the host an infinity or a NaN, so it leaves as
    // silence. Every finite result is left exactly as it is.
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(out[i])) out[i] = 0.0f;
    }
}

// Adds the sounding oscillators of size k to out[0 .. N-1], in ascending
// order for every sample, and runs the silent ones' phases on by N.
void Trellisor::oscillatorBank(float* out, int k) {
    const int wave = waveType.load(std::memory_order_relaxed);
    const float* sparse = wave == 0 ? waveEvery64[0] : wave == 4 ? waveEvery64[1] : nullptr;
    trellisor::runBank(isa, wave, waveTables[wave], sparse, magnitudes, oscPhase[k], oscIncrement[k],
                       numOscillators, threshold, out, frameSize[k]);
}
