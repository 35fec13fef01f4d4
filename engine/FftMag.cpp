// Fixed-bin analysis: an unwindowed FFT of one frame on separate real and
// imaginary arrays, and the peak amplitude of each bin below Nyquist.
#include <cmath>

#include "Trellisor.h"

namespace {

// The lowest `bits` bits of v in reverse order.
inline int reverseBits(int v, int bits) {
    int r = 0;
    for (int b = 0; b < bits; ++b) {
        r = (r << 1) | (v & 1);
        v >>= 1;
    }
    return r;
}

constexpr float kTwoPi = 6.2831855f;

}  // namespace

// Reads N = frameSize[sizeIndex] samples of in; writes mags[0 .. N/2 - 1]
// and leaves the spectrum in natural order in fftReal/fftImag.
void Trellisor::fftMag(const float* in, float* mags) {
    const int k = sizeIndex;
    const int n = frameSize[k];
    const int bits = log2FrameSize[k];
    const float invN = 1.0f / static_cast<float>(n);

    for (int j = 0; j < n; ++j) {
        fftReal[j] = in[j];
        fftImag[j] = 0.0f;
    }

    // Decimation in time: natural-order input, bit-reversed output. The
    // twiddle of each butterfly is evaluated afresh.
    int span = n / 2;
    int shift = bits - 1;
    for (int s = 0; s < bits; ++s) {
        int j = 0;
        while (j < n) {
            for (int b = 0; b < span; ++b) {
                const int p = reverseBits(j >> shift, bits);
                const float angle = (static_cast<float>(p) * invN) * kTwoPi;
                const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
                const float sn = static_cast<float>(std::sin(static_cast<double>(angle)));
                const float re1 = fftReal[j];
                const float im1 = fftImag[j];
                const float re2 = fftReal[j + span];
                const float im2 = fftImag[j + span];
                const float tRe = re2 * c + im2 * sn;
                const float tIm = im2 * c - re2 * sn;
                fftReal[j + span] = re1 - tRe;
                fftImag[j + span] = im1 - tIm;
                fftReal[j] = re1 + tRe;
                fftImag[j] = im1 + tIm;
                ++j;
            }
            j += span;
        }
        --shift;
        span /= 2;
    }

    for (int i = 0; i < n; ++i) {
        const int r = reverseBits(i, bits);
        if (i < r) {
            float t = fftReal[i];
            fftReal[i] = fftReal[r];
            fftReal[r] = t;
            t = fftImag[i];
            fftImag[i] = fftImag[r];
            fftImag[r] = t;
        }
    }

    // Sum of squares as one fused multiply-add, root in double.
    auto amplitude = [this](int j) {
        const float re = fftReal[j];
        const float im = fftImag[j];
        const float sumSq = std::fmaf(re, re, im * im);
        return static_cast<float>(std::sqrt(static_cast<double>(sumSq)));
    };
    mags[0] = amplitude(0) * invN;
    for (int j = 1; j < n / 2; ++j) mags[j] = (2.0f * amplitude(j)) * invN;
}
