// Frequency-tracking analysis: a Hann-windowed FFT of one frame, the
// amplitude of each bin, and its frequency from the phase advance since the
// previous tracking frame.
#include <cmath>
#include <cstring>

#include "Trellisor.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kInvPi = 0.3183098861837907;
constexpr double kPi = 3.141592653589793;
constexpr double kInvTwoPi = 0.15915494309189535;

}  // namespace

// Reads N = frameSize[sizeIndex] samples of in; writes mags[0 .. N/2 - 1],
// freqs[0 .. N/2 - 1] (Hz) and lastPhase[0 .. N/2 - 1]. Non-finite input
// never leaves a non-finite phase or frequency behind, so the history is
// sound again one frame after the input is finite again.
void Trellisor::smsPitchScale(const float* in, float* mags, float* freqs) {
    const int k = sizeIndex;
    const int n = frameSize[k];
    const double bw = static_cast<double>(sampleRate) / n;
    const double expect = (n * kTwoPi) / n;

    if (pitchReady == 0) {
        std::memset(fftBuffer, 0, sizeof fftBuffer);
        std::memset(lastPhase, 0, sizeof lastPhase);
        pitchReady = 1;
    }

    const double invN = 1.0 / n;
    const float* window = hannWindow[k];  // cos((i * 2pi) / N) * -0.5 + 0.5, rounded to single
    for (int i = 0; i < n; ++i) {
        fftBuffer[2 * i] = in[i] * window[i];
        fftBuffer[2 * i + 1] = 0.0f;
    }

    smsFft(fftBuffer, -1);

    for (int j = 0; j < n / 2; ++j) {
        const double re = fftBuffer[2 * j];
        const double im = fftBuffer[2 * j + 1];
        const double mag = std::sqrt(re * re + im * im);
        mags[j] = static_cast<float>((mag + mag) * invN);

        const double phi = std::atan2(im, re);
        double d = phi - static_cast<double>(lastPhase[j]);
        lastPhase[j] = std::isfinite(phi) ? static_cast<float>(phi) : 0.0f;
        d = d - j * expect;

        // Wrap into -pi..pi: truncate d/pi, move an odd count away from zero
        // to the next even one.
        long m = 0;
        const double q = d * kInvPi;
        if (std::isfinite(q)) m = static_cast<long>(q);
        if (m >= 0) {
            m = m + (m & 1);
        } else {
            m = m - (m & 1);
        }
        d = d - m * kPi;

        const double f = j * bw + (d * kInvTwoPi) * bw;
        freqs[j] = std::isfinite(f) ? static_cast<float>(f) : static_cast<float>(j * bw);
    }
}
